// What one report shows: the run's settings as the tool found them, and the series compared,
// each with its statistics. The tool fills it; report_html turns it into the page.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "gauge/calendar_series.h"
#include "stats/series_statistics.h"

namespace raingen::report {
struct EnsembleStatistics;
struct DesignReport;
struct SeasonReport;
struct ChangeFigures;
}  // namespace raingen::report

namespace raingen::report {

enum class SeriesRole {
  record,                   // one gauge's record, as read
  weighted_record,          // the records weighted as the program weights station series
  generated,                // the program's site series
  generated_weighted_site,  // the site series of a second run, from a site station (--compare)
};

struct ReportSeries {
  SeriesRole role = SeriesRole::record;
  const gauge::CalendarSeries* series = nullptr;
  const stats::SeriesStatistics* statistics = nullptr;
};

// The first series of a role, or none.
inline const ReportSeries* find_role(const std::vector<ReportSeries>& series, SeriesRole role) {
  for (const ReportSeries& s : series)
    if (s.role == role) return &s;
  return nullptr;
}

struct ReportContent {
  std::string site_name;
  std::vector<std::pair<std::string, std::string>> run;  // setting, value: in the order shown
  std::vector<std::string> station_header;
  std::vector<std::vector<std::string>> stations;  // one row per station
  std::vector<std::string> notes;                  // what the reader must know first
  std::vector<ReportSeries> series;                // records, weighted record, generated
  stats::StatisticsOptions options;
  // Under the wettest days: for each generated series, the recorded days its wettest day was
  // drawn from, or why that cannot be said (drawn_days.h); empty: nothing to say.
  std::vector<std::string> drawn_days;
  const EnsembleStatistics* ensemble = nullptr;  // --ensemble: realizations' spread; none without
  const DesignReport* design = nullptr;          // the design rainfall section; none: no section
  const SeasonReport* seasons = nullptr;         // the section by season; none: no section
  const ChangeFigures* change = nullptr;         // --changed: the changed climate against the present
};

}  // namespace raingen::report
