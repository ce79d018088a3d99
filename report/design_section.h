// The page's section on design rainfall: how annual maxima and return levels are taken, the
// annual maxima of every series, the weighted record's own, what the generated rain cannot tell
// (the record's largest depths as a ceiling and its length, in numbers), the depth-duration-
// frequency and intensity-duration-frequency tables with their intervals and flags, and charts.
#pragma once

#include "report/design_report.h"
#include "report/page_names.h"

namespace raingen::report {

void design_section(HtmlPage& page, const DesignReport& report);

}  // namespace raingen::report
