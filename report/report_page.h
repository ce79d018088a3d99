// The report page: what a hydrologist reads top to bottom to judge whether the generated series
// looks like the rain it came from. One self-contained HTML file.
#pragma once

#include <optional>
#include <string>

#include "report/report_content.h"

namespace raingen::report {

std::string report_html(const ReportContent& content);

// A statistic's value as the page's tables show it: four significant digits, whole numbers
// from 1000 up, "-" for no value.
std::string display_number(std::optional<double> value);

}  // namespace raingen::report
