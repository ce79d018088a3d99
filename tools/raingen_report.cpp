// raingen-report: does the generated series look like the rain it came from? Statistics of the
// program's site series beside the gauge records of its stations and their weighted record, as
// statistics.csv and a self-contained report.html.
#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "calendar/start_option.h"
#include "results/kept_table.h"
#include "common/command_line.h"
#include "common/cores.h"
#include "common/gauge_arguments.h"
#include "common/numbers.h"
#include "common/shared_options.h"
#include "common/shown_text.h"
#include "common/tool_error.h"
#include "gauge/read_options.h"
#include "gauge/reading_command_line.h"
#include "report/make_report.h"
#include "report/network_report.h"
#include "weighting/presence_option.h"

namespace {

using namespace raingen;

constexpr const char* rules = R"(Rules:
  The run directory holds INPUT.TXT and the results file it names. Each --gauge gives the
  record of one of its stations by the station's ID. Without --gauge, a run whose site station
  raingen-prepare --weighted-site made is compared with the gauges it was made of: their
  records, reading options, distances and --present as its RAINGEN.TXT records them.
  Series compared:
    record:ID        each gauge's record on its 15-minute grid, with its gaps;
    weighted-record  the records combined as the program weights station series (inverse-square
                     distances of INPUT.TXT; a station at distance 0 alone), present only where
                     every record it uses is present, or with --present any where any is, from
                     the weights of those present (by default as the site station of --compare
                     was made, its RAINGEN.TXT): the fair reference for the site;
    generated        the results file's site series, day 1 beginning at --start; or with
                     --results FILE that table's, of any whole number of days (a laid-out table
                     that raingen-ensemble --days N --keep kept; a run directory of seasons has
                     no results file of its own and needs one);
    generated:weighted-site
                     with --compare DIR: the site series of a second run directory, normally
                     one made ready by raingen-prepare --weighted-site (a site station at
                     distance 0 whose days are the weighted record's), day 1 at --start too
                     (--compare-results FILE: a table of its, as --results);
    realization:k    with --ensemble FILE.nc: each complete realization of a raingen-ensemble
                     file made from this run directory's inputs (day 1 at --start); the charts
                     of statistics against level get the realizations' 5-95% and 25-75% bands,
                     and a table shows where the weighted record falls among them.
  Statistics on blocks of 15, 60, 360 and 1440 minutes aligned to midnight: mean, variance
  (n - 1), cv, skewness (m3 / m2^1.5), lag1_autocorrelation (pairs of consecutive blocks both
  present), probability_dry (depth <= --wet-threshold), annual_max_mean (calendar years with at
  least 90% of their blocks present); at 1440 minutes also mean_dry_spell_days and
  mean_wet_spell_days (runs with a day of the other kind, not a gap or an end, on both sides).
  Seasons: mean monthly totals and shares of wet days, and for each season of the run
  directory's RAINGEN.TXT (quarters when it declares none) the mean daily depth, share of wet
  days, 99th percentiles of wet 15-minute and 1-hour depths and the largest ones, with the
  realizations' bands.
  A block is left out when fewer than --min-complete percent of its 15-minute values are
  present; the missing values of a kept block count as dry. Records' depths are used as read.
  Design rainfall: annual maxima by sliding window (the largest sum of any run of consecutive
  15-minute intervals within the year) for 15, 30 min, 1, 2, 3, 6, 12 and 24 h, in years that
  begin on --start's date and time each year and count with at least --year-complete percent
  of their intervals present (missing ones as dry); realizations' years are pooled. Return
  levels for 2, 5, 10, 20, 50 and 100 years: Weibull plotting position i/(n+1) and a GEV by
  L-moments (10 years or more), with 90% bootstrap intervals (1000 resamples, seed 27). Levels
  at the weighted record's largest depth (the ceiling) or beyond twice its years are marked.
  --reference-ddf FILE sets them against a reference curve (national design statistics, say): a
  csv with the header duration_minutes,return_period_years,depth_mm or that with
  ,lower_mm,upper_mm, a point a line (whole minutes, a return period above 1 year). Each point
  is shown beside the leading generated levels and the record's own with their intervals, and
  whether it lies below, inside or above the generated interval; its points at 2 to 100 years
  and 15 min to 24 h are drawn in the depth-duration-frequency chart; statistics.csv gets the
  rows reference-ddf,MINUTES,return_level_reference,DEPTH,YEARS,LOWER,UPPER.
  --changed DIR with --changed-ensemble FILE.nc (and --ensemble): a run directory that
  raingen-prepare --change made from the same records, its realizations set against this run's:
  per duration and return period the changed level over the present one (each ensemble's years
  pooled, Weibull), per month the mean total and share of wet days now and changed, against the
  factor asked (DIR/RAINGEN.TXT's change = TERMS); rows change,MINUTES,return_level_ratio,R,YEARS,
  change,,monthly_total_ratio,R,MONTH, change,,monthly_wet_share_ratio,R,MONTH,
  change,1440,wet_day_share_ratio,R, change,15,asked_top_factor,F, change,1440,asked_wet_days_factor,F.
  Rain events: runs of 15-minute intervals with rain (above 0 mm) ended by at least --event-gap
  hours without (default 6), kept at --event-min-depth mm or more (default 1); missing intervals
  in a run no longer than the gap count as dry; an event that a longer run of missing intervals
  or an end of the series cuts, or comes closer to one than the gap, is censored and left out. Events a
  year (over the present intervals), depth, duration (first to last wet interval), peak 15-minute
  depth and the time between events (none across a missing interval).
  Reading options (--format, --column, --swmm-station, --stamp, --from, --to) apply to every
  gauge, or to one when the value starts with its ID and a colon: --column PD01:rain_mm.
  Writes DIR/statistics.csv (series,aggregation_minutes,statistic,value,x,lower,upper: the
  design rainfall's rows give a value at x, e.g. a return level at x = T years, with its
  interval) and DIR/report.html, both or neither, and prints their paths.
  With --network DIR (a network directory: NETWORK.TXT and a run directory per site, as
  raingen-prepare --network makes it), the report is of the network: for each pair of sites, the
  Pearson correlation of their 15-minute, hourly and daily depths (blocks present at both, kept
  by --min-complete) against the distance between them (great-circle km for positions in degrees,
  the map unit for planar ones), each site's weighted record (its gauges, distances and presence
  as its folder's RAINGEN.TXT records them, or --present) against its plain run (the results
  table its INPUT.TXT names, day 1 at --start), and the share of blocks wet (above
  --wet-threshold) at all sites together. statistics.csv then holds the network's rows:
  record:A/B and generated:A/B with correlation (x = distance) and correlation_pairs at 15, 60
  and 1440 minutes, and record and generated with share_wet_at_all_sites, share_wet_at_any_site
  and blocks_present_at_all_sites, written pair by pair (a network's pairs are never held all
  at once: each realization's go to an unnamed scratch file in TMPDIR, 8 bytes a pair, scale and
  realization); the page's charts show, beyond 3000 pairs, the mean r of the pairs in 60 bands
  of distance, and its table, beyond 300, each site's pair with its nearest site. --output
  defaults to report/ in the network directory;
  --dir, --gauge, --results, --compare, --compare-results and the reading options do not go
  with --network; --year-complete, --event-gap, --event-min-depth and --jobs do nothing there.
  Run the program in every site's folder with the same RAINGEN_SEED first, or give
  --ensemble FILE.nc, a file raingen-ensemble --network made from the network: its sites are
  matched to NETWORK.TXT's by name (a file of other sites is refused, naming them), its
  realizations read one at a time, day 1 at the file's start (or --start) on the file's clock;
  a run that failed (status 1) leaves its realization out of the figures, counted on the page
  and in statistics.csv (generated: realizations, realizations_pooled, realizations_left_out,
  failed_runs). Each generated:A/B correlation is then the median of the realizations complete
  at every site, lower and upper their 5-95% band, and each one's shares of wet blocks are the
  rows realization:k (k its number in the file).
Exit status: 0 done, 1 failure, 2 usage error.)";

// What the command line gives, before it is checked.
struct ReportLine {
  report::ReportRequest request;
  std::string dir = ".", output, start = calendar::default_start_text;
  std::vector<std::string> gauges;
  gauge::ReadingValues reading;
  std::string present;
  std::string network_dir;
};

// The options of the statistics: blocks, years and events.
void add_statistics_options(CLI::App& app, stats::StatisticsOptions& options) {
  // A range check lets "nan" through (no comparison with NaN fails): a finite number is asked for first.
  common::add_threshold_option(app, options.dry_threshold,
                               "MM: a block is wet above this depth, dry at or below it (default 0)");
  common::add_min_complete_option(app, options.min_complete_percent,
                                  "PERCENT: share of a block's 15-minute values that must be present, above 0 "
                                  "(default 100)");
  app.add_option("--year-complete", options.years.complete_percent,
                 "PERCENT: share of a year's 15-minute values that must be present for its annual maxima to count "
                 "(default 80)")
      ->check(common::finite_number())
      ->check(CLI::Range(0.0, 100.0));
  app.add_option("--event-gap", options.events.gap_hours,
                 "HOURS: dry time that ends a rain event, a multiple of 0.25 (default 6)")
      ->check(common::finite_number())
      ->check(CLI::Validator(
          [](std::string& text) {
            const double hours = *common::parse_real(text);
            return hours >= 0.25 && hours <= 240 && std::floor(hours * 4) == hours * 4
                       ? std::string()
                       : "'" + text + "' is no multiple of 0.25 hours from 0.25 to 240";
          },
          ""));
  app.add_option("--event-min-depth", options.events.min_depth,
                 "MM: the least depth of a rain event counted (default 1)")
      ->check(common::finite_number())
      ->check(CLI::NonNegativeNumber);
}

// The options of what is read and written. Returns those of one run directory, which a network
// report takes from each site's folder.
std::vector<const CLI::Option*> add_input_options(CLI::App& app, ReportLine& line) {
  report::ReportRequest& request = line.request;
  app.add_option("--output", line.output, "DIR: where the two files go (default: report/ in the run directory)");
  app.add_option(
      "--results", request.results,
      "FILE: a table of the program's columns to read as the generated series in place of the results "
      "file INPUT.TXT names, of any whole number of days (a --keep table of raingen-ensemble --days N, with its "
      "--start)");
  app.add_option("--compare", request.compare,
                 "DIR: a second run directory (raingen-prepare --weighted-site) whose site series is compared too");
  app.add_option("--ensemble", request.ensemble,
                 "FILE.nc: a raingen-ensemble file of this run's inputs (with --network, one of the network's): bands "
                 "of its realizations' statistics");
  app.add_option("--reference-ddf", request.reference_ddf,
                 "FILE: a reference depth-duration-frequency curve (csv, see below) to set the design levels against");
  app.add_option("--changed-ensemble", request.changed_ensemble,
                 "FILE.nc: the raingen-ensemble file of the --changed run directory");
  app.add_option("--changed", request.changed,
                 "DIR: a run directory raingen-prepare --change made from the same records: the factors its "
                 "realizations (--changed-ensemble) give against this run's (--ensemble), per duration, return period "
                 "and month, against the factor asked")
      ->needs("--changed-ensemble")
      ->needs("--ensemble");
  app.get_option("--changed-ensemble")->needs("--changed");
  app.add_option("--compare-results", request.compare_results,
                 "FILE: a table to read as the --compare run's series in place of its results file (as --results)")
      ->needs("--compare");
  app.add_option("--present", line.present,
                 "all|any: the weighted record is present where all records are, or where any is (default: as the "
                 "--compare run's site station was made, else all)");
  request.jobs = common::available_cores();
  app.add_option("--jobs", request.jobs,
                 "J: realizations whose statistics are computed at a time while the file is read (default: the "
                 "number of cores; the report is the same for any J)")
      ->check(CLI::Range(1, 1024));
  app.add_option("--network", line.network_dir,
                 "DIR: a network directory (NETWORK.TXT): the correlation between its sites, record against generated");
  const std::size_t before_reading = app.get_options().size();
  gauge::add_reading_options(app, line.reading);
  std::vector<const CLI::Option*> single_run;
  for (const char* name : {"--dir", "--gauge", "--results", "--compare", "--compare-results", "--reference-ddf",
                           "--changed", "--changed-ensemble"})
    single_run.push_back(app.get_option(name));
  for (std::size_t k = before_reading; k < app.get_options().size(); ++k) single_run.push_back(app.get_options()[k]);
  return single_run;
}

int network_report(const ReportLine& line, const std::vector<const CLI::Option*>& single_run, bool start_given) {
  for (const CLI::Option* option : single_run)
    if (option->count() > 0)
      throw common::UsageError(option->get_name() +
                               " is for the report of one run directory: with --network, each site's folder gives "
                               "its gauges, their reading and its results table");
  report::NetworkReportRequest network_request{.dir = line.network_dir,
                                               .output = line.output,
                                               .start = calendar::parse_start(line.start),
                                               .options = line.request.options,
                                               .present = {},
                                               .ensemble = line.request.ensemble,
                                               .start_given = start_given};
  if (!line.present.empty()) network_request.present = weighting::present_option(line.present);
  const report::ReportOutcome outcome = report::make_network_report(network_request);
  std::cout << outcome.statistics_csv.string() << '\n' << outcome.report_html.string() << '\n';
  return common::exit_success;
}

int run_report(ReportLine& line, bool start_given) {
  report::ReportRequest& request = line.request;
  request.dir = line.dir;
  request.output = line.output;
  request.gauges = common::parse_gauge_arguments(line.gauges);
  gauge::distribute_reading_options(request.gauges, line.reading);
  request.start = calendar::parse_start(line.start);
  for (const std::filesystem::path& table : {request.results, request.compare_results})
    if (!table.empty()) results::check_kept_table_start(table, start_given, "");
  if (!line.present.empty()) request.present = weighting::present_option(line.present);

  const report::ReportOutcome outcome = report::make_report(request);
  for (const std::string& warning : outcome.warnings)
    std::cerr << "raingen-report: " << common::shown_text(warning) << '\n';
  std::cout << outcome.statistics_csv.string() << '\n' << outcome.report_html.string() << '\n';
  return common::exit_success;
}

int report_main(int argc, char** argv) {
  CLI::App app("Compares the program's site series with the gauge records of its stations.", "raingen-report");
  ReportLine line;
  app.add_option("--dir", line.dir, "the run directory (default .)");
  app.add_option("--gauge", line.gauges,
                 "ID=FILE: the record of station ID (repeat for each station; none: the gauges that made the run's "
                 "site station, as RAINGEN.TXT records them)")
      ->allow_extra_args(false);
  app.add_option("--start", line.start, calendar::start_option_help);
  add_statistics_options(app, line.request.options);
  const std::vector<const CLI::Option*> single_run = add_input_options(app, line);
  common::add_version_flag(app);
  app.footer(std::string(rules) + "\n\n" + std::string(gauge::reading_rules_help()) + common::files_help);
  if (const auto done = common::parse_command_line(app, argc, argv)) return *done;
  common::check_threshold(line.request.options.dry_threshold);
  common::check_min_complete(line.request.options.min_complete_percent);
  const bool start_given = app.get_option("--start")->count() > 0;
  return line.network_dir.empty() ? run_report(line, start_given) : network_report(line, single_run, start_given);
}

}  // namespace

int main(int argc, char** argv) {
  return raingen::common::run_tool("raingen-report", [&] { return report_main(argc, argv); });
}
