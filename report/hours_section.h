// The page's section on hours: mean depth and wet share by hour of the day, and the 15-minute
// intensities (mm/h) against how rare they are, each series a line and, with an ensemble, the
// realizations' 5-95% band.
#pragma once

#include <vector>

#include "report/page_names.h"
#include "report/report_content.h"

namespace raingen::report {

std::vector<Chart> hours_charts(const ReportContent& content);
void hours_section(HtmlPage& page, const ReportContent& content);

}  // namespace raingen::report
