// The report page: what a hydrologist reads top to bottom to judge whether the generated series
// looks like the rain it came from. One self-contained HTML file.
#pragma once

#include <optional>
#include <string>

#include "report/report_content.h"
#include "report/page_names.h"

namespace raingen::report {

std::string report_html(const ReportContent& content);

}  // namespace raingen::report
