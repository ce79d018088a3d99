#include "report/make_report.h"

#include <cmath>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "report/change_section.h"
#include "report/compared_run.h"
#include "report/curve_rows.h"
#include "report/design_report.h"
#include "report/drawn_days.h"
#include "report/ensemble_statistics.h"
#include "report/report_content.h"
#include "report/report_page.h"
#include "report/run_inputs.h"
#include "report/season_section.h"
#include "report/shortfall_figures.h"
#include "stations/run_facts.h"
#include "stats/daily_distributions.h"
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
    if (records[static_cast<std::size_t>(s)] == nullptr)
      lacking.push_back(in.weighted_ids[static_cast<std::size_t>(s)]);
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
                       const std::optional<GeneratedRun>& compared, const std::vector<stats::SeriesStatistics>& stats,
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
      {"dry block (--wet-threshold)", fmt::format("depth at most {:g} mm", request.options.dry_threshold)},
      {"block kept (--min-complete)",
       fmt::format("at least {:g}% of its 15-minute values present", request.options.min_complete_percent)},
  };
  if (in.site)
    c.run.push_back({"weighted record (no --gauge)",
                     fmt::format("the records of {}, {} and {} that made site station {}, read and weighted as "
                                 "raingen-prepare --weighted-site recorded in RAINGEN.TXT (present where {} are)",
                                 in.weighted_ids[0], in.weighted_ids[1], in.weighted_ids[2], in.site->site_station,
                                 present == weighting::Presence::all ? "all" : "any")});
  if (present == weighting::Presence::any)
    c.run.push_back(
        {"weighted record (--present any)", "present where any record used is, from their weights renormalised"});
  if (compared)
    for (auto& row : compared_run_rows(*compared)) c.run.push_back(std::move(row));
  c.station_header = {"station", "distance", "share of the site value", "gauge record", "read as", "period", "present"};
  for (std::size_t s = 0; s < 3; ++s) {
    std::vector<std::string> row{in.weighted_ids[s], std::to_string(in.distances[s]),
                                 fmt::format("{:.1f}%", 100 * shares[s])};
    const GaugeRecord* record = nullptr;
    for (const GaugeRecord& r : in.records)
      if (r.station == static_cast<int>(s)) record = &r;
    if (record)
      for (std::string cell :
           {record->argument.path, reading_text(*record), span_text(record->series), present_text(record->series)})
        row.push_back(std::move(cell));
    else
      row.insert(row.end(), {"(none given)", "", "", ""});
    c.stations.push_back(std::move(row));
  }
  for (std::size_t k = 0; k < stats.size(); ++k) c.series.push_back({roles[k], series[k], &stats[k]});
  return c;
}

// The files a report reads, each with what it is, for the check that no output replaces one.
std::vector<std::pair<std::filesystem::path, std::string>> report_inputs(const ReportRequest& request,
                                                                         const GeneratedRun& run,
                                                                         const std::optional<GeneratedRun>& compared) {
  std::vector<std::pair<std::filesystem::path, std::string>> inputs;
  const auto run_files = [&](const GeneratedRun& r, const std::string& whose) {
    inputs.emplace_back(r.dir / common::settings_file_name, whose + std::string(common::settings_file_name));
    inputs.emplace_back(r.results_path, whose + "results file");
    for (const stations::StationSetting& station : r.settings.stations)
      for (const std::string& name : station.id.file_names()) inputs.emplace_back(r.dir / name, whose + "station file");
  };
  run_files(run, "the run's ");
  if (compared) run_files(*compared, "the compared run's ");
  for (const common::GaugeArgument& g : request.gauges)
    if (g.path != "-") inputs.emplace_back(g.path, "the gauge record of " + g.id);
  if (!request.ensemble.empty()) inputs.emplace_back(request.ensemble, "the ensemble file");
  if (!request.reference_ddf.empty()) inputs.emplace_back(request.reference_ddf, "the reference curve");
  if (!request.changed_ensemble.empty())
    inputs.emplace_back(request.changed_ensemble, "the changed run's ensemble file");
  return inputs;
}

// No output may replace an input, by name, path, symbolic or hard link (one file, one inode).
void check_no_input_replaced(const std::vector<std::filesystem::path>& outputs,
                             const std::vector<std::pair<std::filesystem::path, std::string>>& inputs) {
  for (const std::filesystem::path& output : outputs)
    for (const auto& [input, what] : inputs) {
      std::error_code ignored;
      if (std::filesystem::equivalent(output, input, ignored))
        throw common::UsageError(output.string(),
                                 fmt::format("is {}, {}: a report never replaces its inputs", input.string(), what));
    }
}

// Every statistic a file gets is a number: a value too large for a double (a depth of 1e300 mm
// squared) is refused, not written as inf or nan.
void check_finite(const std::vector<const stats::SeriesStatistics*>& all) {
  for (const stats::SeriesStatistics* s : all)
    for (const stats::LevelStatistics& level : s->levels)
      for (const auto& [statistic, value] : level.values)
        if (value && !std::isfinite(*value))
          throw common::ToolError(fmt::format("{}: its {} at {} minutes is not a finite number: are its depths right?",
                                              s->name, stats::statistic_name(statistic), level.minutes));
}

// For the run's generated series and the compared run's, the recorded days its wettest day was
// drawn from (statistics and series in the order of the report's series).
std::vector<std::string> wettest_days_drawn(const RunInputs& in, const std::optional<GeneratedRun>& compared,
                                            const std::vector<stats::SeriesStatistics>& statistics,
                                            const std::vector<const gauge::CalendarSeries*>& series) {
  std::vector<std::string> sentences;
  for (std::size_t k = 0; k < series.size(); ++k) {
    const GeneratedRun* run = series[k] == &in.generated                      ? &in
                              : compared && series[k] == &compared->generated ? &*compared
                                                                              : nullptr;
    if (!run) continue;
    const auto day = stats::wettest_day(statistics[k].level(calendar::minutes_per_day).blocks, *series[k]);
    if (day) sentences.push_back(drawn_day_sentence(*run, day->start, day->depths));
  }
  return sentences;
}

// The series the report sets side by side, each with its role.
struct ComparedSeries {
  std::vector<const gauge::CalendarSeries*> series;
  std::vector<SeriesRole> roles;
  void add(const gauge::CalendarSeries& s, SeriesRole role) {
    series.push_back(&s);
    roles.push_back(role);
  }
};

ComparedSeries compared_series(const RunInputs& in, const std::optional<gauge::CalendarSeries>& site,
                               const std::optional<GeneratedRun>& compared) {
  ComparedSeries all;
  for (const GaugeRecord& r : in.records) all.add(r.series, SeriesRole::record);
  if (site) all.add(*site, SeriesRole::weighted_record);
  all.add(in.generated, SeriesRole::generated);
  if (compared) all.add(compared->generated, SeriesRole::generated_weighted_site);
  return all;
}

// What the page and the table are made of, once the statistics are known.
struct ReportFigures {
  const ReportRequest& request;
  const RunInputs& in;
  const std::optional<GeneratedRun>& compared;
  weighting::Presence present;
  const ComparedSeries& all;
  const std::vector<stats::SeriesStatistics>& statistics;
  const std::optional<EnsembleStatistics>& ensemble;
  stats::StatisticsOptions options;
  const std::optional<ReferenceCurve>& curve;
  const std::optional<ChangeFigures>& change;
};

// statistics.csv and report.html, written aside and put in place together.
void write_report(const ReportFigures& f, ReportOutcome& outcome) {
  std::vector<const stats::SeriesStatistics*> rows;
  for (const stats::SeriesStatistics& s : f.statistics) rows.push_back(&s);
  if (f.ensemble)
    for (const stats::SeriesStatistics& s : f.ensemble->complete) rows.push_back(&s);
  check_finite(rows);

  make_output_folder(outcome);
  common::OutputFile csv(outcome.statistics_csv), html(outcome.report_html);
  ReportContent content =
      assemble(f.request, f.present, f.in, f.compared, f.statistics, f.all.series, f.all.roles, outcome.warnings);
  if (f.ensemble) content.ensemble = &*f.ensemble;
  for (std::string& note : widened_pool_notes(f.in.dir)) content.notes.push_back(std::move(note));
  content.drawn_days = wettest_days_drawn(f.in, f.compared, f.statistics, f.all.series);
  DesignReport design = design_report(content.series, content.ensemble, f.options.years);
  design.curve = f.curve;
  content.design = &design;
  const SeasonReport seasons = season_report(content.series, f.in.seasons, f.options.dry_threshold);
  content.seasons = &seasons;
  if (f.change) content.change = &*f.change;
  // The curves come after the tables' rows, so that readers of the tables read them as before.
  std::vector<stats::CsvRow> long_rows = design_csv_rows(design, content.ensemble);
  const std::vector<stats::CsvRow> curves = curve_csv_rows(content);
  long_rows.insert(long_rows.end(), curves.begin(), curves.end());
  const std::vector<stats::CsvRow> shortfalls = shortfall_csv_rows(content);
  long_rows.insert(long_rows.end(), shortfalls.begin(), shortfalls.end());
  if (f.change) {
    const std::vector<stats::CsvRow> change = change_csv_rows(*f.change);
    long_rows.insert(long_rows.end(), change.begin(), change.end());
  }
  csv.write(stats::statistics_csv(rows, long_rows));
  html.write(report_html(content));
  common::commit_all({&csv, &html});
}

}  // namespace

ReportOutcome make_report(const ReportRequest& request) {
  // What can be checked before the work is: the outputs' folder and names.
  ReportOutcome outcome = report_outputs(request.dir, request.output);
  const RunInputs in = read_run_inputs(request.dir, request.gauges, request.start, request.results);
  std::optional<GeneratedRun> compared;
  if (!request.compare.empty()) compared = read_compared_run(request.compare, request.start, request.compare_results);
  // Which files the runs read is known once their INPUT.TXT (or their seasons' folders) are read;
  // the records are only read, so nothing is lost by refusing here.
  check_no_input_replaced({outcome.statistics_csv, outcome.report_html}, report_inputs(request, in, compared));
  if (compared) outcome.warnings = compared_run_warnings(*compared);
  std::optional<ReferenceCurve> curve;
  if (!request.reference_ddf.empty()) curve = read_reference_curve(request.reference_ddf.string());
  const weighting::Presence present = presence(request, in);
  const std::optional<gauge::CalendarSeries> site = weighted(in, present, outcome.warnings);
  const ComparedSeries all = compared_series(in, site, compared);

  stats::StatisticsOptions options = request.options;
  options.years.start = request.start;  // years begin on --start's date and time
  std::vector<stats::SeriesStatistics> statistics;
  for (const gauge::CalendarSeries* s : all.series) statistics.push_back(stats::compute_statistics(*s, options));
  std::optional<EnsembleStatistics> ensemble;
  if (!request.ensemble.empty())
    ensemble = read_ensemble_statistics(request.ensemble, request.dir, in.generated.start(), options, request.jobs,
                                        grouping_of(table_seasons(in.seasons)));
  std::optional<ChangeFigures> change;
  if (!request.changed.empty()) {
    ChangeAsked asked = change_asked(request.changed);
    const EnsembleStatistics changed =
        read_ensemble_statistics(request.changed_ensemble, request.changed, in.generated.start(), options, request.jobs,
                                 grouping_of(table_seasons(in.seasons)));
    change =
        change_figures(request.changed, request.changed_ensemble, std::move(asked), *ensemble, changed, options.years);
  }
  write_report({request, in, compared, present, all, statistics, ensemble, options, curve, change}, outcome);
  return outcome;
}

}  // namespace raingen::report
