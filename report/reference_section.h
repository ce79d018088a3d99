// The design section's comparison with a reference curve (--reference-ddf): each point of the
// curve beside the leading generated series' level and the record's own at that duration and
// return period, with their intervals and where the reference lies against the generated one.
#pragma once

#include "report/design_report.h"
#include "report/page_names.h"

namespace raingen::report {

void reference_section(HtmlPage& page, const DesignReport& report);

}  // namespace raingen::report
