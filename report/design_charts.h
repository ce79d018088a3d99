// The charts of the design rainfall: depth against duration for each return period (log-log,
// the design series' levels with their 90% intervals, the weighted record's own levels and its
// largest depths), and at each duration the annual maxima against return period with the
// fitted curve, where a plateau at the record's largest depth shows as a flat end.
#pragma once

#include <cstddef>

#include "report/page_names.h"
#include "report/design_report.h"

namespace raingen::report {

// The colour of each design return period, light to dark.
std::string return_period_color(std::size_t period_index);

Chart ddf_chart(const DesignReport& report, const DesignSeries& design);
Chart return_level_chart(const DesignReport& report, std::size_t duration_index);

// A design series' name as the page gives it: "ensemble (40 realizations pooled)".
std::string design_series_title(const DesignSeries& s);

}  // namespace raingen::report
