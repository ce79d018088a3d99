// raingen-ensemble: many realizations of the program's series at once, in one netCDF file; and
// ensembles made apart merged into one.
#include <CLI/CLI.hpp>
#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "calendar/start_option.h"
#include "calendar/utc_offset.h"
#include "common/command_line.h"
#include "common/cores.h"
#include "common/tool_error.h"
#include "ensemble/child_process.h"
#include "ensemble/merge_ensembles.h"
#include "ensemble/part_option.h"
#include "ensemble/run_ensemble.h"
#include "ensemble/run_network.h"
#include "netcdf/history.h"
#include "netcdf/netcdf_file.h"
#include "stations/station_places.h"

namespace {

using namespace raingen;

constexpr const char* rules = R"(Rules:
  Realization k (1..K) is exactly the run of the program raingen (found beside this program)
  with RAINGEN_SEED = S + k - 1 on the run directory's INPUT.TXT and station files: each runs in
  a private directory beside the output file that holds links to those inputs (never changed),
  with standard input empty. The depths of realization k are the rows of its SOURCE.OUT, each
  stored as the 32-bit float nearest to the table's three-decimal value (a plain run's table
  read as float gives the same numbers, bit for bit; below 16384 mm each rounds back to the
  table's text).
  The output is a CF-1.8 netCDF-4 file: rainfall(time, realization) in mm per 15-minute interval
  (float, deflated), time in minutes since --start at the middle of each interval (7.5, 22.5,
  ...) with time_bnds, realization (1..K), seed (the run's RAINGEN_SEED) and status (0 complete,
  1 failed). Time comes first, as CDO needs (it shows realization as K levels) and NCO's ncra.
  The site's position (scalar lat and lon) comes from --site-at, else from RAINGEN.TXT in the
  run directory when it holds one; it is stated, not linked to rainfall (no featureType), so
  that CDO reads a time step's realizations as one field (a grid of K points).
  The clock (--utc-offset, else RAINGEN.TXT's): when it is stated, the times are in UTC
  ("minutes since 2001-01-01 05:00:00" for day 1 beginning at midnight on UTC-05:00) and
  time:raingen_utc_offset names the series' clock, so that CDO, ncdump -t, xarray and R show
  the same instants; without it they are the series' own clock, no zone stated.
  A realization fails when its run ends with a stop, a run-time error report or a signal, writes
  on standard error, or leaves a SOURCE.OUT that does not parse or is not INPUT.TXT's days long.
  It is then listed on standard error with its seed, how the run ended and what it showed; its
  depths in the file are the fill value 9.96921e+36 (_FillValue) and its status is 1. The other
  realizations are written all the same, and the exit status is 1.
  --days N (default: INPUT.TXT's) makes series of any length, up to 694444 days, and a run
  directory of seasons (raingen-prepare --seasons: RAINGEN.TXT lists them, each with its folder)
  is laid out along the calendar: day 1 begins at --start, a day belongs to the season of the
  month it begins in, and the days run in blocks of consecutive days of one season, at most 2000
  days each. Each block is a plain run of the program in its season's folder (in a plain run
  directory, the directory itself) with INPUT.TXT's day count set to the block's length, and the
  tables of the blocks are laid end to end, the times counting on from day 1. Block b (from 1) of
  realization k runs with the seed at which the program's generator, seeded with S + k - 1,
  stands after (b - 1) x 16384 draws (a run draws at most 12003), so a realization of one block
  is the run with RAINGEN_SEED = S + k - 1. A season's files must be those raingen-prepare wrote
  (RAINGEN.TXT holds their checksums). A failed block fails its realization, listed with the
  block, its season and days, and its seed; its other blocks are not run. --keep keeps the whole
  laid-out table, which raingen-export and raingen-report read as a table of any length.
  On a terminal, standard error shows the progress; in every case one line sums up at the end.
  --part I/N makes part I of N of the ensemble (on a cluster, one part per task): realizations
  floor((I-1)K/N)+1 to floor(IK/N) of the K from S, with the seeds a single run of the whole
  gives them and numbered as there; the file records K, N, I and S (raingen_part_index,
  raingen_part_count, raingen_part_realizations, raingen_part_first_seed). --part slurm takes
  the part from a Slurm array task: I = SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN + 1 of
  N = SLURM_ARRAY_TASK_COUNT, so that the first task makes part 1 whether the array counts from
  1 (--array=1-N) or 0 (--array=0-M); its ids must be consecutive from 0 or 1, two tasks or more
  (a part made again is given as I/N). A part outside 1..N, or more parts than realizations: exit 1.
  --merge puts ensembles made apart into one file. Parts of one ensemble go in the order of their
  parts, whatever the order given; each of parts 1..N must be there once (the missing and the
  doubled ones are named), with the same inputs, K, N, S, site, position, clock, start and
  length, and hold its realizations: the file is then the one a single run of the whole ensemble
  writes (but for source and history). Other ensembles (by seed ranges) need the same inputs
  (raingen_inputs_checksum), site, position, clock, start and length, no seed twice; their
  realizations go in the order of the files, renumbered from 1. Failed realizations stay failed.
  It reads ensemble files of earlier versions too (depths over (realization, time), times at
  the end of each interval) and writes the layout above. One file is open at a time; on a
  refusal nothing is written.
  --network DIR runs every site of a network directory (raingen-prepare --network: NETWORK.TXT
  and one run directory per site): realization k at every site is the plain run of the program
  in a private copy of that site's folder with RAINGEN_SEED = S + k - 1, the same seed at every
  site (with --days, block b takes the seed given above, again the same at every site), so that
  every site draws the same dates. Sites prepared with --seasons are laid out in season blocks
  as a run directory of seasons is above, each block in its season's folder at every site; all
  sites must have the same seasons, or none. Up to --jobs runs go side by side over all sites and
  realizations, and each run's depths go into the file as it ends. The file: rainfall(time,
  realization, site) in mm per 15-minute interval (float, deflated in chunks of 30 days of one
  realization at one site), time and time_bnds as above, realization (1..K, axis "Z": CDO then
  reads the sites as one grid and the realizations as its levels), seed(realization),
  status(realization, site) (0 complete, 1 failed), site_name(site, name_strlen) in NETWORK.TXT's
  order (cf_role "timeseries_id"), raingen_coordinates "degrees" or "planar", and the sites'
  positions: lat(site) and lon(site) in degrees, the file then a CF timeSeries (featureType
  "timeSeries", site its instance dimension); or, for planar positions, x(site) and y(site) in
  the map unit (raingen_map_unit; units "m", "ft" or "km" for those, else "1") and no lat, lon
  or featureType: CF's time series need a latitude and longitude, so the file is then plain CF
  data over (time, realization, site) with x and y as auxiliary coordinates, which CF tools read
  without knowing the sites are places. A failed run is listed as "realization k (seed N)
  failed: site NAME: why" with what it showed; its depths are the fill value and its status 1,
  the other runs are written, the end line sums up, and the exit status is 1. The sites' INPUT.TXTs must hold
  the same day count unless --days is given. --network takes none of --dir, --keep, --site-at,
  --merge; the clock is the one the sites' RAINGEN.TXT state (sites of different clocks are
  refused), or --utc-offset. With --part I/N (or slurm)
  it makes part I of N of the network's ensemble: the same realizations and seeds as above, at
  every site, numbered as in the whole, the place recorded as above. --merge of such parts
  (the first file given has a site dimension) writes the whole network file: each of parts 1..N
  once (the missing and the doubled ones named), the same inputs, sites and positions, clock,
  start, length, K, N and S, each part holding its realizations with their numbers and seeds;
  the file is then the one a single run of the whole network ensemble writes (but for source
  and history). A whole network file is not merged. One file is open at a time; on a refusal
  nothing is written.
Exit status: 0 done, 1 failure (a failed realization among them), 2 usage error.)";

// What the command line gives, before it is checked, and its options that exclude one another.
struct EnsembleLine {
  ensemble::EnsembleRequest request;
  std::string dir = ".", output = "ensemble.nc", keep, start_text = calendar::default_start_text, site_at, utc_offset;
  std::vector<std::string> merge;
  std::string part_text, network_dir;
  long days = 0;
  CLI::Option *realizations = nullptr, *days_option = nullptr, *site_option = nullptr, *offset_option = nullptr,
              *keep_option = nullptr, *part_option = nullptr, *merge_option = nullptr, *network_option = nullptr;
};

void add_options(CLI::App& app, EnsembleLine& line) {
  ensemble::EnsembleRequest& request = line.request;
  request.jobs = common::available_cores();
  line.realizations = app.add_option("--realizations,-n", request.realizations, "K: the number of realizations")
                          ->check(CLI::Range(1L, long{std::numeric_limits<std::int32_t>::max()}));
  auto* seed = app.add_option("--seed", request.first_seed, "S: RAINGEN_SEED of realization 1 (default 1)");
  auto* jobs = app.add_option("--jobs", request.jobs, "runs side by side (default: the number of cores)")
                   ->check(CLI::Range(1, std::numeric_limits<int>::max()));
  auto* dir_option =
      app.add_option("--dir", line.dir, "the run directory: INPUT.TXT and the station files (default .)");
  auto* start = app.add_option("--start", line.start_text, calendar::start_option_help);
  line.days_option = app.add_option("--days", line.days,
                                    "N: the length of each realization in days (default: INPUT.TXT's), any length")
                         ->check(CLI::Range(1L, ensemble::most_series_days));
  app.add_option("--output,-o", line.output, "the netCDF file to write (default ensemble.nc)");
  line.site_option =
      app.add_option("--site-at", line.site_at, "LAT,LON: the site's position in degrees (default: RAINGEN.TXT's)");
  line.offset_option = app.add_option(
      "--utc-offset", line.utc_offset,
      "+HH:MM or -HH:MM: the clock of the run's days (default: RAINGEN.TXT's; with --network, the sites')");
  line.keep_option =
      app.add_option("--keep", line.keep, "DIR: also keep each realization's SOURCE.OUT as DIR/SOURCE_0001.OUT ...");
  line.part_option = app.add_option("--part", line.part_text, "I/N or slurm: make part I of N of the ensemble alone");
  line.merge_option =
      app.add_option("--merge", line.merge, "FILE.nc ...: merge ensembles, or the parts of one, into --output")
          ->expected(1, -1);
  line.network_option =
      app.add_option("--network", line.network_dir, "DIR: run every site of the network directory DIR (NETWORK.TXT)");
  for (CLI::Option* one_site : {dir_option, line.keep_option, line.site_option})
    line.network_option->excludes(one_site);
  line.merge_option->excludes(line.network_option);
  for (CLI::Option* making : {line.realizations, seed, jobs, dir_option, start, line.keep_option, line.site_option,
                              line.offset_option, line.days_option, line.part_option})
    line.merge_option->excludes(making);
}

int network_ensemble(const EnsembleLine& line, const std::string& history) {
  ensemble::NetworkRequest network;
  static_cast<ensemble::EnsembleRuns&>(network) = line.request;
  network.dir = line.network_dir;
  network.output = line.output;
  network.start = calendar::parse_start(line.start_text);
  if (*line.offset_option) network.utc_offset = calendar::UtcOffset::given(line.utc_offset, "--utc-offset");
  network.history = history;
  if (*line.days_option) network.days = line.days;
  const auto program = ensemble::program_beside_this_one();
  const auto outcome = ensemble::run_network(network, program, std::cerr, ::isatty(STDERR_FILENO) == 1);
  return outcome.failed == 0 ? common::exit_success : common::exit_failure;
}

int site_ensemble(EnsembleLine& line, const std::string& history) {
  ensemble::EnsembleRequest& request = line.request;
  request.dir = line.dir;
  request.output = line.output;
  if (*line.keep_option) request.keep = line.keep;
  request.start = calendar::parse_start(line.start_text);
  if (*line.site_option) request.site_at = stations::parse_coordinates(line.site_at, "--site-at");
  if (*line.offset_option) request.utc_offset = calendar::UtcOffset::given(line.utc_offset, "--utc-offset");
  request.history = history;
  if (*line.days_option) request.days = line.days;
  const auto program = ensemble::program_beside_this_one();
  const auto outcome = ensemble::run_ensemble(request, program, std::cerr, ::isatty(STDERR_FILENO) == 1);
  return outcome.failed == 0 ? common::exit_success : common::exit_failure;
}

int ensemble_main(int argc, char** argv) {
  CLI::App app(
      "Runs the program K times on one run directory, with seeds S to S+K-1, into one netCDF file;\n"
      "a series of any length, or of a run directory of seasons, in blocks along the calendar;\n"
      "or K times on every site of a network directory, the same seed at every site (--network).",
      "raingen-ensemble");
  EnsembleLine line;
  add_options(app, line);
  common::add_version_flag(app);
  app.footer(std::string(rules) + "\n" + common::files_help);
  if (const auto done = common::parse_command_line(app, argc, argv)) return *done;
  const std::string history = netcdf::history_entry(std::span<char* const>(argv, static_cast<std::size_t>(argc)));
  if (line.output == "-")
    throw common::UsageError(
        "--output -: the ensemble file is netCDF, which the library writes to a file: give it a name");

  if (*line.merge_option) {
    std::vector<std::filesystem::path> files(line.merge.begin(), line.merge.end());
    ensemble::merge_ensembles(files, line.output, history, std::cerr);
    return common::exit_success;
  }
  ensemble::EnsembleRequest& request = line.request;
  if (!*line.realizations) throw common::UsageError("--realizations is required (or --merge)");
  if (static_cast<std::int64_t>(request.first_seed) + request.realizations - 1 >
      std::numeric_limits<std::int32_t>::max())
    throw common::UsageError("--seed plus --realizations goes past 2147483647, the largest seed");
  if (*line.part_option) {
    const ensemble::PartPlace place = ensemble::parse_part_option(line.part_text, [](const char* name) {
      const char* value = std::getenv(name);
      return value ? std::optional<std::string>(value) : std::nullopt;
    });
    request.part = ensemble::part_of_ensemble(place, request.realizations, request.first_seed, line.part_text);
  }
  return *line.network_option ? network_ensemble(line, history) : site_ensemble(line, history);
}

}  // namespace

int main(int argc, char** argv) {
  // Memory is kept for reuse rather than handed back to the system and asked for again: the netCDF
  // library's chunk and compression buffers, freed after every chunk (as in raingen-export), and
  // each realization's table, read through a buffer of megabytes, which taken from the heap is
  // reused by the next realization instead of being mapped, zeroed by the system and unmapped
  // every time (a quarter of this process's work).
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  return raingen::netcdf::exit_status_after_files(
      raingen::common::run_tool("raingen-ensemble", [&] { return ensemble_main(argc, argv); }));
}
