#include "report/make_report.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/output_file.h"
#include "common/tool_error.h"
#include "report/compared_run.h"
#include "report/design_report.h"
#include "report/ensemble_statistics.h"
#include "report/report_content.h"
#include "report/report_page.h"
#include "report/run_inputs.h"
#include "report/season_section.h"
#include "stations/run_facts.h"
#include "stats/statistics_csv.h"
#include "weighting/weighted_record.h"

namespace raingen::report {

namespace {

std::string span_text(const gauge::CalendarSeries& s) {
  if (s.empty()) return "(no interval)";
  return calendar::minute_text(s.start()) + " to " + calendar::minute_text(s.end());
}

std::string present_text(const gauge::CalendarSeries& s) {
  std::size_t present = 0;
  for (std::size_t k = 0; k < s.size(); ++k) present += s.present(k);
  if (s.empty()) return "-";
  return fmt::format("{:.1f}%", 100.0 * static_cast<double>(present) / static_cast<double>(s.size()));
}

std::string reading_text(const GaugeRecord& r) {
  std::string text(gauge::format_name(r.facts.format));
  if (r.facts.step_minutes > 0) text += fmt::format(", {}-minute step", r.facts.step_minutes);
  for (const auto& [name, value] : r.argument.options) text += fmt::format(", {}={}", name, value);
  return text;
}

// Which intervals of the weighted record are present: as asked, else as the site station whose
// gauges are the reference (or the compared one) was made, so that it and its reference agree.
weighting::Presence presence(const ReportRequest& request, const RunInputs& in) {
  if (request.present) return *request.present;
  if (in.site) return in.site->present;
  if (request.compare.empty()) return weighting::Presence::all;
  const std::optional<stations::SiteStationFacts> site_station = stations::read_run_facts(request.compare).site_station;
  return site_station ? site_station->present : weighting::Presence::all;
}

// The weighted record, or why there is none.
std::optional<gauge::CalendarSeries> weighted(const RunInputs& in, weighting::Presence present,
                                              std::vector<std::string>& warnings) {
  const std::array<int, 3> distances = in.distances;
  const auto records = in.station_records();
  std::vector<std::string> lacking;
  for (int s : weighting::stations_weighted(distances))
    if (records[static_cast<std::size_t>(s)] == nullptr) lacking.push_back(in.weighted_ids[static_cast<std::size_t>(s)]);
  if (!lacking.empty()) {
    warnings.push_back(fmt::format("no weighted record: the weighting uses station{} {} and no --gauge gives {}",
                                   lacking.size() > 1 ? "s" : "", fmt::join(lacking, ", "),
                                   lacking.size() > 1 ? "their records" : "its record"));
    return std::nullopt;
  }
  gauge::CalendarSeries site = weighting::weighted_record("weighted-record", records, distances, present);
  if (site.empty()) warnings.push_back("the weighted record is empty: the records used have no interval in common");
  return site;
}

ReportContent assemble(const ReportRequest& request, weighting::Presence present, const RunInputs& in,
                       const std::optional<GeneratedRun>& compared,
                       const std::vector<stats::SeriesStatistics>& stats,
                       const std::vector<const gauge::CalendarSeries*>& series, const std::vector<SeriesRole>& roles,
                       const std::vector<std::string>& warnings) {
  ReportContent c;
  c.site_name = in.settings.site_name;
  c.options = request.options;
  c.notes = warnings;
  std::array<int, 3> distances{};
  for (std::size_t s = 0; s < 3; ++s) distances[s] = in.settings.stations[s].distance;
  const std::array<double, 3> shares = weighting::station_shares(in.distances);
  const auto days = in.generated.size() / calendar::intervals_per_day;
  c.run = {
      {"run directory", in.dir.string()},
      {"results file", in.results_path.string()},
      {"site", in.settings.site_name},
      {"days generated", fmt::format("{} ({} to {})", days, calendar::minute_text(in.generated.start()),
                                     calendar::minute_text(in.generated.end()))},
      {"day 1 starts (--start)", calendar::minute_text(in.generated.start())},
      {"weighting", weighting::stations_weighted(distances).size() == 1
                        ? "a station at the site (distance 0): its series alone"
                        : "inverse-square distance of the three stations"},
      {"dry block (--dry-threshold)", fmt::format("depth at most {:g} mm", request.options.dry_threshold)},
      {"block kept (--min-complete)", fmt::format("at least {:g}% of its 15-minute values present", request.options.min_complete_percent)},
  };
  if (in.site)
    c.run.push_back({"weighted record (no --gauge)",
                     fmt::format("the records of {}, {} and {} that made site station {}, read and weighted as "
                                 "raingen-prepare --weighted-site recorded in RAINGEN.TXT (present where {} are)",
                                 in.weighted_ids[0], in.weighted_ids[1], in.weighted_ids[2], in.site->site_station,
                                 present == weighting::Presence::all ? "all" : "any")});
  if (present == weighting::Presence::any)
    c.run.push_back({"weighted record (--present any)", "present where any record used is, from their weights renormalised"});
  if (compared)
    for (auto& row : compared_run_rows(*compared)) c.run.push_back(std::move(row));
  c.station_header = {"station", "distance", "share of the site value", "gauge record", "read as", "period", "present"};
  for (std::size_t s = 0; s < 3; ++s) {
    std::vector<std::string> row{in.weighted_ids[s], std::to_string(in.distances[s]), fmt::format("{:.1f}%", 100 * shares[s])};
    const GaugeRecord* record = nullptr;
    for (const GaugeRecord& r : in.records)
      if (r.station == static_cast<int>(s)) record = &r;
    if (record)
      for (std::string cell : {record->argument.path, reading_text(*record), span_text(record->series), present_text(record->series)})
        row.push_back(std::move(cell));
    else
      row.insert(row.end(), {"(none given)", "", "", ""});
    c.stations.push_back(std::move(row));
  }
  for (std::size_t k = 0; k < stats.size(); ++k) c.series.push_back({roles[k], series[k], &stats[k]});
  return c;
}

}  // namespace

ReportOutcome make_report(const ReportRequest& request) {
  const RunInputs in = read_run_inputs(request.dir, request.gauges, request.start, request.results);
  std::optional<GeneratedRun> compared;
  if (!request.compare.empty()) compared = read_compared_run(request.compare, request.start, request.compare_results);
  ReportOutcome outcome;
  if (compared) outcome.warnings = compared_run_warnings(*compared);
  const weighting::Presence present = presence(request, in);
  const std::optional<gauge::CalendarSeries> site = weighted(in, present, outcome.warnings);

  std::vector<const gauge::CalendarSeries*> series;
  std::vector<SeriesRole> roles;
  for (const GaugeRecord& r : in.records) {
    series.push_back(&r.series);
    roles.push_back(SeriesRole::record);
  }
  if (site) {
    series.push_back(&*site);
    roles.push_back(SeriesRole::weighted_record);
  }
  series.push_back(&in.generated);
  roles.push_back(SeriesRole::generated);
  if (compared) {
    series.push_back(&compared->generated);
    roles.push_back(SeriesRole::generated_weighted_site);
  }
  stats::StatisticsOptions options = request.options;
  options.years.start = request.start;  // years begin on --start's date and time
  std::vector<stats::SeriesStatistics> statistics;
  for (const gauge::CalendarSeries* s : series) statistics.push_back(stats::compute_statistics(*s, options));
  std::optional<EnsembleStatistics> ensemble;
  if (!request.ensemble.empty())
    ensemble = read_ensemble_statistics(request.ensemble, request.dir, in.generated.start(), options, request.jobs,
                                        grouping_of(table_seasons(in.seasons)));

  const std::filesystem::path out_dir = request.output.empty() ? request.dir / "report" : request.output;
  std::error_code error;
  std::filesystem::create_directories(out_dir, error);
  if (error) throw common::ToolError(out_dir.string(), 0, "cannot make the output directory: " + error.message());
  outcome.statistics_csv = out_dir / "statistics.csv";
  outcome.report_html = out_dir / "report.html";
  common::OutputFile csv(outcome.statistics_csv), html(outcome.report_html);
  std::vector<const stats::SeriesStatistics*> rows;
  for (const stats::SeriesStatistics& s : statistics) rows.push_back(&s);
  if (ensemble)
    for (const stats::SeriesStatistics& s : ensemble->complete) rows.push_back(&s);
  ReportContent content = assemble(request, present, in, compared, statistics, series, roles, outcome.warnings);
  if (ensemble) content.ensemble = &*ensemble;
  const DesignReport design = design_report(content.series, content.ensemble, options.years);
  content.design = &design;
  const SeasonReport seasons = season_report(content.series, in.seasons, options.dry_threshold);
  content.seasons = &seasons;
  csv.write(stats::statistics_csv(rows, design_csv_rows(design, content.ensemble)));
  html.write(report_html(content));
  common::commit_all({&csv, &html});
  return outcome;
}

}  // namespace raingen::report
