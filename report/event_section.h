// The page's section on rain events (stats/events.h): a table of events a year and the mean
// depth, duration, peak and time between of each series, and for each measure a chart of its
// value against the share of events that reach it, with the realizations' 5-95% band.
#pragma once

#include "report/page_names.h"
#include "report/report_content.h"

namespace raingen::report {

// The chart of one measure (stats::EventMeasure, by its index in event_measures).
Chart event_chart(std::size_t measure, const ReportContent& content);

void event_section(HtmlPage& page, const ReportContent& content);

}  // namespace raingen::report
