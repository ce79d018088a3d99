// The page's first section: where the generated series falls short of the weighted record
// (shortfall.h), then the limits of the method measured on these data: day-to-day persistence,
// rain cut at midnight, and the record's largest depths as a ceiling.
#pragma once

#include "report/page_names.h"
#include "report/report_content.h"

namespace raingen::report {

void shortfall_section(HtmlPage& page, const ReportContent& content);

}  // namespace raingen::report
