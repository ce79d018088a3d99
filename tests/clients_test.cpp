// The tools' files read by the clients that hydrologists and climate scientists use, on a real run
// of the program: CDO (what it sees, daily sums), xarray (decoded times, daily sums, a quantile over
// the realizations), NCO's ncra (totals over time), the CF checker of the shared kit, and SWMM 5
// built from the shared kit's source (the total it reads from both exported rain files). Each daily
// sum is compared with the program's own table, day by day. A test whose client is absent skips,
// saying which and why.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "calendar/time_text.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const fs::path shared_dir = RAINGEN_SHARED_DIR;
constexpr std::size_t row_bytes = 23;  // a table row: 12 + 9 columns, CR LF
constexpr int example_days = 365;

Outcome run_command(const fs::path& dir, const std::vector<std::string>& command,
                    const std::vector<std::pair<std::string, std::string>>& environment = {}) {
  ChildSetup setup;
  setup.directory = dir;
  setup.environment = environment;
  setup.timeout_seconds = 280;
  return run_in_child(setup, [&] {
    std::vector<std::string> copies = command;
    std::vector<char*> argv;
    for (auto& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  });
}

bool on_path(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0) return true;
  return false;
}

std::string missing_python() {
  if (run_command(".", {RAINGEN_PYTHON, "-c", "import xarray, netCDF4"}).exit_status == 0) return "";
  return std::string(RAINGEN_PYTHON) +
         " cannot import xarray and netCDF4 (.ci/install-dependencies installs "
         "python3-xarray and python3-netcdf4; -DRAINGEN_PYTHON names another)";
}

// Each day's total of a table (SOURCE.OUT), in thousandths: the program's own days.
std::vector<long> day_totals(const std::string& source_out) {
  std::vector<long> days;
  for (std::size_t at = 0; at + row_bytes <= source_out.size(); at += row_bytes) {
    if ((at / row_bytes) % 96 == 0) days.push_back(0);
    long value = 0;  // the depth's digits, the point left out: thousandths
    for (std::size_t k = at + 12; k < at + 21; ++k)
      if (source_out[k] >= '0' && source_out[k] <= '9') value = value * 10 + (source_out[k] - '0');
    days.back() += value;
  }
  return days;
}

long thousandths(double value) { return std::lround(value * 1000); }

std::string day_of(int d) {
  using namespace raingen::calendar;
  return day_text(Day{date::year{2001} / 1 / 1} + Days{d});
}

// A run of the example with seed 42 and its files: the site's series as netCDF with a position
// (site.nc), without (bare.nc) and with a stated clock (utc.nc); an ensemble of three realizations
// with a position (e.nc, their tables kept in kept/) and one without (e-bare.nc).
struct ClientFiles {
  TempDir dir;
  std::vector<long> days;                       // of the run's table
  std::vector<std::vector<long>> realizations;  // the days of each kept table
};

void make_files(ClientFiles& files) {
  run_example(files.dir);
  files.days = day_totals(files.dir.read("SOURCE.OUT"));
  ASSERT_EQ(files.days.size(), static_cast<std::size_t>(example_days));
  ChildSetup setup;
  setup.directory = files.dir.path();
  setup.timeout_seconds = 280;
  const std::vector<std::vector<std::string>> exports = {
      {"--site-at", "-2.5,-79.2", "RESULTS.TXT", "site.nc"},
      {"RESULTS.TXT", "bare.nc"},
      {"--site-at", "-2.5,-79.2", "--utc-offset", "-05:00", "RESULTS.TXT", "utc.nc"}};
  for (std::vector<std::string> arguments : exports) {
    arguments.insert(arguments.begin(), {"--format", "netcdf"});
    const Outcome outcome = run_tool_program(setup, "raingen-export", arguments);
    ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
  }
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--realizations", "3", "--site-at", "-2.5,-79.2", "--keep", "kept", "--output",
                                 "e.nc"},
        std::vector<std::string>{"--realizations", "3", "--output", "e-bare.nc"}}) {
    const Outcome outcome = run_tool_program(setup, "raingen-ensemble", arguments);
    ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
  }
  for (const char* kept : {"kept/SOURCE_0001.OUT", "kept/SOURCE_0002.OUT", "kept/SOURCE_0003.OUT"})
    files.realizations.push_back(day_totals(files.dir.read(kept)));
}

// The value column of `cdo outputtab,date,...,value` lines by their date (and level, when shown).
std::map<std::string, std::vector<double>> cdo_days(const std::string& table) {
  std::map<std::string, std::vector<double>> days;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("#")) continue;
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    if (!words.empty()) days[words.front()].push_back(std::stod(words.back()));
  }
  return days;
}

TEST(Clients, CdoSeesTheRainfallAndSumsTheTablesDays) {
  if (!on_path("cdo")) GTEST_SKIP() << "cdo is not installed (.ci/install-dependencies installs it)";
  ClientFiles files;
  make_files(files);
  const fs::path dir = files.dir.path();
  for (const char* file : {"site.nc", "bare.nc", "e.nc", "e-bare.nc"}) {
    const Outcome info = run_command(dir, {"cdo", "-s", "sinfon", file});
    EXPECT_EQ(info.exit_status, 0) << file << info.err;
    EXPECT_NE(info.out.find(": rainfall"), std::string::npos) << file << info.out << info.err;
    EXPECT_EQ(info.err.find("skipped variable rainfall"), std::string::npos) << file << info.err;
  }
  // The ensemble, its position stated: a time step's realizations are one field of three points
  // (one record a step, so that CDO's memory does not grow with the realizations).
  const std::string located = run_command(dir, {"cdo", "-s", "sinfon", "e.nc"}).out;
  EXPECT_NE(located.find("generic                  : points=3"), std::string::npos) << located;
  EXPECT_EQ(located.find("levels=3"), std::string::npos) << located;

  // daysum by date: every day of the table, the interval that ends at midnight in its own day.
  const Outcome site = run_command(dir, {"cdo", "-s", "outputtab,date,value", "-daysum", "site.nc"});
  ASSERT_EQ(site.exit_status, 0) << site.err;
  const auto site_days = cdo_days(site.out);
  ASSERT_EQ(site_days.size(), files.days.size());
  for (int d = 0; d < example_days; ++d) {
    ASSERT_EQ(site_days.count(day_of(d)), 1u) << day_of(d);
    EXPECT_EQ(thousandths(site_days.at(day_of(d)).front()), files.days[d]) << day_of(d);
  }
  const Outcome ensemble = run_command(
      dir, {"cdo", "-s", "outputtab,date,xind,value", "-setgrid,r3x1", "-daysum", "-selname,rainfall", "e.nc"});
  ASSERT_EQ(ensemble.exit_status, 0) << ensemble.err;
  const auto ensemble_days = cdo_days(ensemble.out);
  ASSERT_EQ(ensemble_days.size(), files.days.size());
  for (int d = 0; d < example_days; ++d) {
    const std::vector<double>& levels = ensemble_days.at(day_of(d));
    ASSERT_EQ(levels.size(), 3u) << day_of(d);
    for (std::size_t k = 0; k < 3; ++k)  // floats summed: within a thousandth of the decimal sum
      EXPECT_NEAR(thousandths(levels[k]), files.realizations[k][d], 1) << day_of(d) << " realization " << k + 1;
  }
}

// Reads the export and the ensemble; prints what the test compares, one item per line.
constexpr const char* xarray_script = R"(
import sys, xarray as xr
site = xr.open_dataset("site.nc")
print("first", str(site.time.values[0])[:19])
print("bounds", str(site.time_bnds.values[0][0])[:19], str(site.time_bnds.values[0][1])[:19])
name = site.station_name.values.item()
print("station", type(name).__name__, name)
print("site", " ".join("%.3f" % v for v in site.rainfall.resample(time="1D").sum().values))
ensemble = xr.open_dataset("e.nc")
print("dims", " ".join(ensemble.rainfall.dims))
days = ensemble.rainfall.astype("float64").resample(time="1D").sum()
for k in range(days.sizes["realization"]):
    print("realization%d" % int(ensemble.realization[k]), " ".join("%.3f" % v for v in days.isel(realization=k).values))
print("median", " ".join("%.3f" % v for v in days.quantile(0.5, dim="realization").values))
print("utc", str(xr.open_dataset("utc.nc").time.values[0])[:19])
)";

std::map<std::string, std::vector<std::string>> keyed_lines(const std::string& text) {
  std::map<std::string, std::vector<std::string>> items;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    for (std::string word; fields >> word;) items[key].push_back(word);
  }
  return items;
}

std::vector<long> as_thousandths(const std::vector<std::string>& values) {
  std::vector<long> result;
  for (const std::string& value : values) result.push_back(thousandths(std::stod(value)));
  return result;
}

TEST(Clients, XarrayDecodesTimesAndResamplesTheTablesDays) {
  if (const std::string missing = missing_python(); !missing.empty()) GTEST_SKIP() << missing;
  ClientFiles files;
  make_files(files);
  const Outcome read = run_command(files.dir.path(), {RAINGEN_PYTHON, "-c", xarray_script});
  ASSERT_EQ(read.exit_status, 0) << read.err;
  const auto items = keyed_lines(read.out);
  EXPECT_EQ(items.at("first"), std::vector<std::string>{"2001-01-01T00:07:30"});
  EXPECT_EQ(items.at("bounds"), (std::vector<std::string>{"2001-01-01T00:00:00", "2001-01-01T00:15:00"}));
  EXPECT_EQ(items.at("station"), (std::vector<std::string>{"str", "HILLCREST"}));  // text, not bytes
  EXPECT_EQ(as_thousandths(items.at("site")), files.days);
  EXPECT_EQ(items.at("dims"), (std::vector<std::string>{"time", "realization"}));
  std::vector<long> median;
  for (int d = 0; d < example_days; ++d) {
    std::vector<long> values{files.realizations[0][d], files.realizations[1][d], files.realizations[2][d]};
    std::sort(values.begin(), values.end());
    median.push_back(values[1]);
  }
  for (std::size_t k = 0; k < 3; ++k)
    EXPECT_EQ(as_thousandths(items.at("realization" + std::to_string(k + 1))), files.realizations[k]) << k + 1;
  EXPECT_EQ(as_thousandths(items.at("median")), median);
  // A stated clock: xarray decodes the times to UTC, five hours on from the gauges' clock.
  EXPECT_EQ(items.at("utc"), std::vector<std::string>{"2001-01-01T05:07:30"});
}

TEST(Clients, NcraTotalsEachRealizationOverTime) {
  if (!on_path("ncra")) GTEST_SKIP() << "NCO's ncra is not installed (.ci/install-dependencies installs nco)";
  ClientFiles files;
  make_files(files);
  const fs::path dir = files.dir.path();
  const Outcome total = run_command(dir, {"ncra", "-O", "-y", "ttl", "-v", "rainfall", "e.nc", "total.nc"});
  ASSERT_EQ(total.exit_status, 0) << total.err;
  const Outcome dump = run_command(dir, {"ncdump", "-v", "rainfall", "-p", "9,17", "total.nc"});
  ASSERT_EQ(dump.exit_status, 0) << dump.err;
  const std::string values = dump.out.substr(dump.out.find(" rainfall =") + 11);
  std::istringstream numbers(values);
  for (std::size_t k = 0; k < 3; ++k) {
    double value = 0;
    char separator = 0;
    ASSERT_TRUE(numbers >> value) << dump.out;
    numbers >> separator;
    long expected = 0;
    for (long day : files.realizations[k]) expected += day;
    EXPECT_NEAR(thousandths(value), expected, 1 + expected / 1000000) << "realization " << k + 1;  // float sums
  }
}

TEST(Clients, TheCfCheckerFindsNothingInEitherFile) {
  const fs::path check = shared_dir / "tools/cf/check.sh";
  if (!fs::exists(check))
    GTEST_SKIP() << "no CF checker kit at " << check.string() << " (a clone without ../shared; -DRAINGEN_SHARED_DIR)";
  ClientFiles files;
  make_files(files);
  for (const char* file : {"site.nc", "bare.nc", "utc.nc", "e.nc", "e-bare.nc"}) {
    const Outcome outcome = run_command(files.dir.path(), {"bash", check.string(), file});
    EXPECT_EQ(outcome.exit_status, 0) << file << "\n" << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find("ERRORS detected: 0\nWARNINGS given: 0\n"), std::string::npos) << file << outcome.out;
  }
}

// The depth SWMM's report gives in "Total Precipitation ......   VOLUME   DEPTH".
std::string total_precipitation(const std::string& report) {
  const std::size_t at = report.find("Total Precipitation ......");
  if (at == std::string::npos) return "(none)";
  std::istringstream fields(report.substr(at + 26, report.find('\n', at) - at - 26));
  std::string volume, depth;
  fields >> volume >> depth;
  return depth;
}

std::string swmm_model(const std::string& gage_lines) {
  return "[OPTIONS]\nFLOW_UNITS LPS\nINFILTRATION HORTON\nFLOW_ROUTING STEADY\n"
         "START_DATE 01/01/2001\nSTART_TIME 00:00:00\nREPORT_START_DATE 01/01/2001\nREPORT_START_TIME 00:00:00\n"
         "END_DATE 01/01/2002\nEND_TIME 00:00:00\nWET_STEP 00:15:00\nDRY_STEP 01:00:00\nROUTING_STEP 0:01:00\n"
         "REPORT_STEP 01:00:00\n\n" +
         gage_lines +
         "\n[SUBCATCHMENTS]\nS1 RG1 O1 1 100 100 0.5 0\n\n[SUBAREAS]\nS1 0.01 0.1 0.05 0.05 100 OUTLET\n\n"
         "[INFILTRATION]\nS1 3.0 0.5 4 7 0\n\n[OUTFALLS]\nO1 0 FREE NO\n";
}

TEST(Clients, SwmmReadsTheTablesTotalFromBothRainFiles) {
  const fs::path build = shared_dir / "tools/swmm/build.sh";
  if (!fs::exists(build))
    GTEST_SKIP() << "no SWMM source kit at " << build.string() << " (a clone without ../shared; -DRAINGEN_SHARED_DIR)";
  TempDir dir;
  run_example(dir);
  const Outcome built = run_command(dir.path(), {"bash", build.string()});
  ASSERT_EQ(built.exit_status, 0) << built.err;
  const fs::path runswmm = fs::path(built.out.substr(0, built.out.find('\n'))) / "runswmm";
  long total = 0;
  for (long day : day_totals(dir.read("SOURCE.OUT"))) total += day;
  char expected[32];
  std::snprintf(expected, sizeof expected, "%.3f", static_cast<double>(total) / 1000);

  for (const char* format : {"swmm-rain", "swmm-timeseries"}) {
    ChildSetup setup;
    setup.directory = dir.path();
    const Outcome exported = run_tool_program(setup, "raingen-export", {"--format", format, "RESULTS.TXT", "rain.dat"});
    ASSERT_EQ(exported.exit_status, 0) << exported.err;
    dir.write("model.inp", swmm_model(exported.err));  // the gage lines the export shows
    const Outcome run = run_command(dir.path(), {runswmm.string(), "model.inp", "model.rpt", "model.out"});
    ASSERT_EQ(run.exit_status, 0) << format << run.out << run.err;
    EXPECT_EQ(total_precipitation(dir.read("model.rpt")), expected) << format;
  }
}

// The client recipes of docs/clients.md (examples/recipes), run as they stand on files that state the
// gauges' clock (UTC-05:00): every client's daily totals are the table's days on that clock.
struct RecipeFiles {
  TempDir dir;
  std::vector<long> days;
  std::vector<std::vector<long>> realizations;
};

void make_recipe_files(RecipeFiles& files) {
  run_example(files.dir);
  files.days = day_totals(files.dir.read("SOURCE.OUT"));
  ChildSetup setup;
  setup.directory = files.dir.path();
  setup.timeout_seconds = 280;
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"raingen-export", "--format", "netcdf", "--utc-offset", "-05:00", "RESULTS.TXT",
                                 "site.nc"},
        {"raingen-export", "--format", "csv", "--utc-offset", "-05:00", "RESULTS.TXT", "site.csv"},
        {"raingen-ensemble", "-n", "2", "--utc-offset", "-05:00", "--keep", "kept", "--output", "ensemble.nc"}}) {
    const Outcome outcome =
        run_tool_program(setup, arguments.front(), std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
  }
  for (const char* kept : {"kept/SOURCE_0001.OUT", "kept/SOURCE_0002.OUT"})
    files.realizations.push_back(day_totals(files.dir.read(kept)));
}

// The numbers on each line that begins with a date, by date, in the order printed.
std::map<std::string, std::vector<double>> dated_numbers(const std::string& text) {
  std::map<std::string, std::vector<double>> numbers;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string date;
    if (!(fields >> date) || date.size() != 10 || date[4] != '-' || date[7] != '-') continue;
    for (double value; fields >> value;) numbers[date].push_back(value);
  }
  return numbers;
}

TEST(Clients, EveryRecipeGivesTheTablesDaysOnTheGaugesClock) {
  const fs::path recipes = fs::path(RAINGEN_SOURCE_DIR) / "examples/recipes";
  const std::string readme = read_file(fs::path(RAINGEN_SOURCE_DIR) / "docs/clients.md");
  const std::string python = missing_python();
  const bool r = on_path("Rscript") && run_command(".", {"Rscript", "-e", "library(ncdf4)"}).exit_status == 0;
  // What each number of a dated line is: S the site's day, 1 and 2 the realizations', . none.
  const struct {
    const char* recipe;
    std::string interpreter, missing, numbers;
  } runs[] = {
      {"daily_totals_cdo.sh", "sh", on_path("cdo") ? "" : "cdo is not installed", "S.1.2"},
      {"daily_totals_xarray.py", RAINGEN_PYTHON, python, "S12"},
      {"daily_totals_pandas.py", RAINGEN_PYTHON, python, "S"},
      {"daily_totals.R", "Rscript",
       r ? "" : "Rscript with ncdf4 is not installed (apt install r-base-core r-cran-ncdf4)", "SS"},
      {"totals_nco.sh", "sh", on_path("ncra") ? "" : "NCO's ncra is not installed", "T"},  // each realization's total
  };
  RecipeFiles files;
  make_recipe_files(files);
  for (const auto& run : runs) {
    const std::string text = read_file(recipes / run.recipe);
    EXPECT_NE(readme.find(text), std::string::npos) << run.recipe << " is not in docs/clients.md as it stands";
    if (!run.missing.empty()) {
      std::cout << "[ SKIPPED  ] " << run.recipe << ": " << run.missing << '\n';
      continue;
    }
    const Outcome outcome = run_command(files.dir.path(), {run.interpreter, (recipes / run.recipe).string()});
    ASSERT_EQ(outcome.exit_status, 0) << run.recipe << outcome.err;
    if (run.numbers == "T") {
      std::istringstream totals(outcome.out.substr(outcome.out.find(" rainfall =") + 11));
      for (const std::vector<long>& realization : files.realizations) {
        double total = 0;
        char separator = 0;
        ASSERT_TRUE(totals >> total >> separator) << outcome.out;
        const long expected = std::accumulate(realization.begin(), realization.end(), 0L);
        EXPECT_NEAR(thousandths(total), expected, 1 + expected / 100000) << run.recipe;  // float sums
      }
      continue;
    }
    const auto days = dated_numbers(outcome.out);
    ASSERT_EQ(days.size(), files.days.size()) << run.recipe << outcome.out;
    for (int d = 0; d < example_days; ++d) {
      const std::vector<double>& values = days.at(day_of(d));
      ASSERT_EQ(values.size(), run.numbers.size()) << run.recipe << " " << day_of(d);
      for (std::size_t k = 0; k < values.size(); ++k) {
        const char what = run.numbers[k];
        if (what == 'S') {
          EXPECT_EQ(thousandths(values[k]), files.days[d]) << run.recipe << " " << day_of(d);
        } else if (what == '1' || what == '2') {  // floats summed: within a thousandth of the decimal sum
          EXPECT_NEAR(thousandths(values[k]), files.realizations[what - '1'][d], 1) << run.recipe << " " << day_of(d);
        }
      }
    }
  }
}

// The same instant, the middle of the first interval, in every client that reads the netCDF file.
TEST(Clients, EveryClientShowsTheSameInstant) {
  if (!on_path("cdo")) GTEST_SKIP() << "cdo is not installed (.ci/install-dependencies installs it)";
  if (const std::string missing = missing_python(); !missing.empty()) GTEST_SKIP() << missing;
  RecipeFiles files;
  make_recipe_files(files);
  const fs::path dir = files.dir.path();
  const auto first_word = [](const std::string& text) { return text.substr(0, text.find_first_of(" \n")); };
  const std::string utc = "2001-01-01 05:07:30";
  const std::string cdo = first_word(run_command(dir, {"cdo", "-s", "showtimestamp", "site.nc"}).out.substr(2));
  EXPECT_EQ(cdo, "2001-01-01T05:07:30");
  const std::string dump = run_command(dir, {"ncdump", "-t", "-v", "time", "site.nc"}).out;
  EXPECT_NE(dump.find("time = \"" + utc + "\""), std::string::npos) << dump;
  const Outcome xarray = run_command(dir, {RAINGEN_PYTHON, "-c",
                                           "import xarray, pandas\n"
                                           "print(str(xarray.open_dataset('site.nc').time.values[0])[:19])\n"
                                           "print(str(xarray.open_dataset('ensemble.nc').time.values[0])[:19])\n"
                                           "start = pandas.read_csv('site.csv', parse_dates=['start']).start[0]\n"
                                           "print(start.tz_convert('UTC') + pandas.Timedelta('7.5min'))\n"});
  EXPECT_EQ(xarray.out, "2001-01-01T05:07:30\n2001-01-01T05:07:30\n" + utc + "+00:00\n") << xarray.err;
  if (!on_path("Rscript") || run_command(dir, {"Rscript", "-e", "library(ncdf4)"}).exit_status != 0) {
    std::cout << "[ SKIPPED  ] R: Rscript with ncdf4 is not installed (apt install r-base-core r-cran-ncdf4)\n";
    return;
  }
  const Outcome r =
      run_command(dir, {"Rscript", "-e",
                        "library(ncdf4); nc <- nc_open('site.nc'); since <- sub('minutes since ', '', "
                        "ncatt_get(nc, 'time', 'units')$value); cat(format(as.POSIXct(since, tz = 'UTC') + "
                        "60 * ncvar_get(nc, 'time')[1]))"});
  EXPECT_EQ(r.out, utc) << r.err;
}

}  // namespace
