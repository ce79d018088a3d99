// raingen-ensemble --network end to end: a network of three sites made by raingen-prepare
// --network from three gauges (the sites share their dates and spell table and differ in
// depths), run for several realizations; every (realization,
// site) column of the file is the table of a plain run of the program in that site's folder with
// the realization's seed, the sites' wet days coincide, a broken site fails alone and is listed by
// site and realization, a series longer than a run is the one-site ensemble's, and the CF checker
// and CDO read the file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include <cmath>
#include <cstdlib>
#include <map>
#include <numeric>
#include <filesystem>
#include <set>
#include <sstream>

#include <fmt/format.h>

#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"
#include "netcdf/netcdf_file.h"
#include "network/network_manifest.h"
#include "support/child.h"
#include "support/crafted_ensemble.h"
#include "support/network_fixture.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using namespace raingen;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using ensemble_file::NetworkReader;

const std::vector<SitePlace>& places = three_sites;

// DIR/net: a network directory made by raingen-prepare --network from gauges A, B and C around
// the three sites, each site's folder a run directory of 60 days.
struct Network : PreparedNetwork {
  explicit Network(network::CoordinateSystem system = network::CoordinateSystem::degrees,
                   std::vector<std::string> options = {})
      : PreparedNetwork({.coordinates = system, .options = std::move(options)}) {}
  Outcome ensemble(const Args& arguments) const { return tool("raingen-ensemble", arguments); }
};

std::string time_units(const fs::path& file) {
  const netcdf::File read(file, file.string(), netcdf::File::ForReading{});
  return read.text_attribute(*read.find_variable("time"), "units").value_or("");
}

// A column of the file in thousandths; -1 for a value that is not a table's three-decimal depth.
std::vector<long> column(const NetworkReader& file, long k, long s) {
  std::vector<float> depths(file.layout().intervals);
  file.read(k, s, depths);
  std::vector<long> result;
  for (float depth : depths) {
    const long thousandths = std::lround(static_cast<double>(depth) * 1000);
    result.push_back(static_cast<float>(thousandths / 1000.0) == depth ? thousandths : -1);
  }
  return result;
}

std::set<long> wet_days(const std::vector<long>& depths) {
  std::set<long> days;
  for (std::size_t k = 0; k < depths.size(); ++k)
    if (depths[k] > 0) days.insert(static_cast<long>(k) / 96);
  return days;
}

TEST(NetworkEnsemble, EachColumnIsThePlainRunOfItsSiteWithTheRealizationsSeed) {
  const Network n;
  const Outcome made = n.ensemble({"--network", "net", "-n", "3", "--seed", "7", "--jobs", "2", "--output", "out.nc"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  EXPECT_EQ(made.err.rfind("raingen-ensemble: 3 realizations at 3 sites, 9 runs in ", 0), 0u) << made.err;
  EXPECT_NE(made.err.find(" 0 failed: out.nc\n"), std::string::npos) << made.err;
  EXPECT_EQ(std::count(made.err.begin(), made.err.end(), '\n'), 1);
  for (const fs::path& entry : fs::directory_iterator(n.dir.path()))  // no scratch left behind
    EXPECT_EQ(entry.filename().string().find(".scratch"), std::string::npos) << entry;

  const NetworkReader file(n.dir / "out.nc");
  const ensemble_file::EnsembleLayout& layout = file.layout();
  ASSERT_EQ(file.sites(), 3);
  for (std::size_t s = 0; s < 3; ++s)
    EXPECT_EQ(layout.sites[s], (ensemble_file::FileSite{places[s].name, places[s].degrees}));
  EXPECT_EQ(layout.coordinates, network::CoordinateSystem::degrees);
  EXPECT_EQ(layout.realizations, 3);
  EXPECT_EQ(layout.intervals, 60u * 96);
  EXPECT_EQ(file.site_index("mid"), 2);
  EXPECT_FALSE(file.site_index("NORTH"));
  EXPECT_EQ(layout.checksum.size(), 16u);
  for (long k = 0; k < 3; ++k) {
    EXPECT_EQ(file.seed(k), 7 + k);
    std::vector<std::vector<long>> sites;
    for (long s = 0; s < 3; ++s) {
      EXPECT_TRUE(file.complete(k, s));
      sites.push_back(column(file, k, s));
      EXPECT_EQ(sites.back(), plain_run(n.net / places[static_cast<std::size_t>(s)].name, 7 + static_cast<int>(k)))
          << "realization " << k + 1 << " site " << places[static_cast<std::size_t>(s)].name;
    }
    // One seed at every site: the same dates, each site's own depths of them.
    EXPECT_FALSE(wet_days(sites[0]).empty());
    EXPECT_EQ(wet_days(sites[0]), wet_days(sites[1]));
    EXPECT_EQ(wet_days(sites[0]), wet_days(sites[2]));
    EXPECT_NE(sites[0], sites[1]);
    EXPECT_NE(sites[1], sites[2]);
  }
  EXPECT_NE(column(file, 0, 0), column(file, 1, 0));
}

TEST(NetworkEnsemble, ABrokenSiteFailsAloneListedBySiteAndRealization) {
  const Network n;
  n.dir.write("net/WEST/SITEF_2.TXT", "not a day line\r\n");
  const Outcome made = n.ensemble({"--network", "net", "-n", "2", "--seed", "40", "--jobs", "2", "-o", "out.nc"});
  EXPECT_EQ(made.exit_status, 1) << made.err;
  for (int k = 1; k <= 2; ++k)
    EXPECT_NE(made.err.find(fmt::format("raingen-ensemble: realization {} (seed {}) failed: site WEST: ", k, 39 + k)),
              std::string::npos)
        << made.err;
  EXPECT_EQ(made.err.find("site EAST"), std::string::npos);
  EXPECT_EQ(made.err.find("site MID"), std::string::npos);
  EXPECT_NE(made.err.find("raingen-ensemble: 2 realizations at 3 sites, 6 runs in "), std::string::npos);
  EXPECT_NE(made.err.find(", 2 failed: out.nc\n"), std::string::npos) << made.err;
  const NetworkReader file(n.dir / "out.nc");
  for (long k = 0; k < 2; ++k) {
    EXPECT_FALSE(file.complete(k, 1));
    std::vector<float> depths(file.layout().intervals);
    file.read(k, 1, depths);
    EXPECT_TRUE(
        std::all_of(depths.begin(), depths.end(), [](float d) { return d == ensemble_file::failed_fill_value; }));
    for (long s : {0L, 2L}) {
      EXPECT_TRUE(file.complete(k, s));
      EXPECT_EQ(column(file, k, s),
                plain_run(n.net / places[static_cast<std::size_t>(s)].name, 40 + static_cast<int>(k)));
    }
  }
}

// Longer than a run: each site's column is the one-site ensemble of its folder, block seeds and
// all; planar positions give x and y in the map unit and no lat and lon.
TEST(NetworkEnsemble, BlocksAlongTheCalendarAsTheOneSiteEnsembleAndPlanarPositions) {
  const Network n(network::CoordinateSystem::planar, {"--utc-offset", "-05:00"});
  const Outcome made = n.ensemble({"--network", "net", "-n", "2", "--seed", "3", "--days", "2100", "--jobs", "2",
                                   "--start", "2001-03-01 06:00", "-o", "net.nc"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  const NetworkReader file(n.dir / "net.nc");
  EXPECT_EQ(file.layout().coordinates, network::CoordinateSystem::planar);
  EXPECT_EQ(file.layout().map_unit, "map unit");  // the sites file names none
  EXPECT_EQ(file.layout().sites[1].position.b, 100.5);
  EXPECT_EQ(file.layout().intervals, 2100u * 96);
  for (long s : {0L, 2L}) {
    const std::string site = places[static_cast<std::size_t>(s)].name;
    const Outcome one = n.ensemble({"--dir", "net/" + site, "-n", "2", "--seed", "3", "--days", "2100", "--jobs", "2",
                                    "--start", "2001-03-01 06:00", "-o", site + ".nc"});
    ASSERT_EQ(one.exit_status, 0) << one.err;
    const ensemble_file::EnsembleReader alone(n.dir / (site + ".nc"));
    // The clock its folders record: the same times as the one-site file's.
    EXPECT_EQ(file.layout().utc_offset, calendar::UtcOffset::parse("-05:00"));
    EXPECT_EQ(file.layout().utc_offset, alone.layout().utc_offset);
    EXPECT_EQ(file.layout().start, alone.layout().start);
    EXPECT_EQ(time_units(n.dir / "net.nc"), time_units(n.dir / (site + ".nc")));
    EXPECT_EQ(time_units(n.dir / "net.nc"), "minutes since 2001-03-01 11:00:00");
    std::vector<float> expected(alone.layout().intervals), got(file.layout().intervals);
    for (long k = 0; k < 2; ++k) {
      alone.read(k, expected);
      file.read(k, s, got);
      EXPECT_EQ(got, expected) << site << " realization " << k + 1;
    }
  }
  // A site whose folder is of another preparation (one cut short while its files were renamed):
  // refused, nothing written.
  const std::string manifest = n.dir.read("net/NETWORK.TXT");
  const std::size_t stamp = manifest.find("generation = ");
  ASSERT_NE(stamp, std::string::npos) << manifest;
  n.dir.write("net/NETWORK.TXT",
              manifest.substr(0, stamp) + "generation = 0123456789abcdef" + manifest.substr(stamp + 29));
  const Outcome other = n.ensemble({"--network", "net", "-n", "1", "-o", "other.nc"});
  EXPECT_EQ(other.exit_status, 1);
  EXPECT_NE(other.err.find("/net/EAST/RAINGEN.TXT:"), std::string::npos) << other.err;
  EXPECT_NE(other.err.find(": site EAST's folder is of another network preparation (" +
                           manifest.substr(stamp + 13, 16) + "), not of the one "),
            std::string::npos)
      << other.err;
  EXPECT_FALSE(n.dir.exists("other.nc"));
  n.dir.write("net/NETWORK.TXT", manifest);
  // A site whose folder keeps another clock: refused, nothing written.
  std::string facts = n.dir.read("net/MID/RAINGEN.TXT");
  for (std::size_t at; (at = facts.find("utc_offset = -05:00\n")) != std::string::npos;) facts.erase(at, 20);
  n.dir.write("net/MID/RAINGEN.TXT", facts);
  const Outcome mixed = n.ensemble({"--network", "net", "-n", "1", "-o", "mixed.nc"});
  EXPECT_EQ(mixed.exit_status, 1);
  EXPECT_NE(mixed.err.find("net/MID/RAINGEN.TXT:"), std::string::npos) << mixed.err;
  EXPECT_NE(mixed.err.find(": site MID keeps no stated clock where site EAST keeps UTC-05:00: the sites of a network "
                           "share one clock"),
            std::string::npos)
      << mixed.err;
  EXPECT_FALSE(n.dir.exists("mixed.nc"));
}

// Three years of a gauge's 15-minute record: wet on days 0, 2, 3 and 5 of every six, where the rain
// of a day of month M falls at interval 4(M - 1) only, (gauge + 1) x M x 0.1 x (1 + day % 3) mm.
std::string monthly_record(int gauge) {
  std::string text = "time,mm\n";
  const date::sys_days first = date::sys_days{date::year{2001} / 1 / 1};
  for (int d = 0; d < 1095; ++d) {
    const unsigned month = static_cast<unsigned>(date::year_month_day{first + date::days{d}}.month());
    const bool wet = d % 6 != 1 && d % 6 != 4;
    for (int j = 0; j < 96; ++j) {
      const double mm = wet && j == 4 * static_cast<int>(month - 1) ? (gauge + 1) * month * 0.1 * (1 + d % 3) : 0;
      text += date::format("%Y-%m-%d %H:%M", first + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
              fmt::format(",{:.1f}\n", mm);
    }
  }
  return text;
}

// Seasons at every site: each site's folder a run directory of months; ten years in month blocks,
// the same dates at every site in every block, each site's own depths, every day drawn from its
// month, and each site's column the one-site ensemble of its folder, block seeds and all.
TEST(NetworkEnsemble, SeasonsAtEverySiteDrawEachMonthFromItsOwnDays) {
  const PreparedNetwork n(
      {.records = {monthly_record(0), monthly_record(1), monthly_record(2)}, .options = {"--seasons", "months"}});
  ASSERT_TRUE(n.dir.exists("net/MID/Jul/SITEF_2.TXT"));
  const Outcome made = n.tool("raingen-ensemble", {"--network", "net", "-n", "4", "--seed", "11", "--days", "3652",
                                                   "--jobs", "2", "--start", "2001-01-01", "-o", "net.nc"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  const NetworkReader file(n.dir / "net.nc");
  ASSERT_EQ(file.layout().intervals, 3652u * 96);
  const date::sys_days first = date::sys_days{date::year{2001} / 1 / 1};
  // sums[s][m]: site s's depth on wet days of month m + 1, and their count, over all realizations.
  std::vector<std::array<std::pair<double, long>, 12>> sums(3);
  for (long k = 0; k < 4; ++k) {
    std::vector<std::vector<long>> sites;
    for (long s = 0; s < 3; ++s) {
      sites.push_back(column(file, k, s));
      for (long d = 0; d < 3652; ++d) {
        const unsigned month = static_cast<unsigned>(date::year_month_day{first + date::days{d}}.month());
        long day = 0;
        for (long j = 0; j < 96; ++j) {
          const long depth = sites.back()[static_cast<std::size_t>(d * 96 + j)];
          if (depth != 0) {
            ASSERT_EQ(j, 4 * static_cast<long>(month - 1)) << "realization " << k + 1 << " day " << d;
          }
          day += depth;
        }
        if (day > 0) sums[static_cast<std::size_t>(s)][month - 1].first += day / 1000.0;
        if (day > 0) ++sums[static_cast<std::size_t>(s)][month - 1].second;
      }
    }
    EXPECT_EQ(wet_days(sites[0]), wet_days(sites[1]));
    EXPECT_EQ(wet_days(sites[0]), wet_days(sites[2]));
    EXPECT_NE(sites[0], sites[1]);
  }
  // Every gauge's depths of month M are M times those of January, and so every site's record: the
  // generated mean of a wet day keeps the ratio.
  for (std::size_t s = 0; s < 3; ++s) {
    const double january = sums[s][0].first / static_cast<double>(sums[s][0].second);
    for (std::size_t m = 0; m < 12; ++m) {
      ASSERT_GT(sums[s][m].second, 400) << "site " << s << " month " << m + 1;
      EXPECT_NEAR(sums[s][m].first / static_cast<double>(sums[s][m].second) / january, static_cast<double>(m + 1),
                  0.1 * static_cast<double>(m + 1))
          << "site " << s << " month " << m + 1;
    }
  }
  const Outcome alone = n.tool("raingen-ensemble", {"--dir", "net/WEST", "-n", "4", "--seed", "11", "--days", "3652",
                                                    "--jobs", "2", "--start", "2001-01-01", "-o", "west.nc"});
  ASSERT_EQ(alone.exit_status, 0) << alone.err;
  const ensemble_file::EnsembleReader west(n.dir / "west.nc");
  std::vector<float> expected(west.layout().intervals), got(file.layout().intervals);
  for (long k = 0; k < 4; ++k) {
    west.read(k, expected);
    file.read(k, 1, got);
    EXPECT_EQ(got, expected) << "realization " << k + 1;
  }
  // The report and the export read the seasonal folders and the file; the report on plain runs
  // says where the series is.
  const Outcome report = n.tool("raingen-report", {"--network", "net", "--ensemble", "net.nc", "--output", "report"});
  EXPECT_EQ(report.exit_status, 0) << report.err;
  EXPECT_TRUE(n.dir.exists("report/statistics.csv"));
  const Outcome exported = n.tool("raingen-export", {"--network", "net", "--ensemble", "net.nc", "--realization", "2",
                                                     "--format", "csv", "net.csv"});
  EXPECT_EQ(exported.exit_status, 0) << exported.err;
  const std::string csv = n.dir.read("net.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 3 * 3652 * 96);
  const Outcome folders = n.tool("raingen-export", {"--network", "net", "--format", "csv", "folders.csv"});
  EXPECT_EQ(folders.exit_status, 1);
  EXPECT_NE(folders.err.find("net/EAST/RAINGEN.TXT: site EAST's folder is a run directory of seasons, whose series "
                             "is made by raingen-ensemble --network --days N: export from its file with --ensemble"),
            std::string::npos)
      << folders.err;
  const Outcome plain = n.tool("raingen-report", {"--network", "net", "--output", "plain"});
  EXPECT_EQ(plain.exit_status, 1);
  EXPECT_NE(plain.err.find("net/EAST/RAINGEN.TXT: site EAST's folder is a run directory of seasons, whose series is "
                           "made by raingen-ensemble --network --days N: report on its file with --ensemble"),
            std::string::npos)
      << plain.err;
}

TEST(NetworkEnsemble, TheReaderRefusesAOneSiteFileAndTheToolItsOptions) {
  const Network n;
  const Outcome one = n.ensemble({"--dir", "net/EAST", "-n", "1", "-o", "one.nc"});
  ASSERT_EQ(one.exit_status, 0) << one.err;
  EXPECT_FALSE(ensemble_file::is_network_file(n.dir / "one.nc"));
  try {
    const NetworkReader file(n.dir / "one.nc");
    ADD_FAILURE() << "a one-site file read as a network's";
  } catch (const common::ToolError& error) {
    EXPECT_EQ(std::string(error.what()),
              "is a one-site ensemble file (its depths are over no sites), where a network "
              "ensemble file is expected: a one-site file is read without --network");
  }
  // A complete run whose depths are no depths: refused when it is read.
  testing_support::write_crafted_ensemble(n.dir / "odd.nc", {.network = true, .odd_depth = 3e38f});
  const NetworkReader odd(n.dir / "odd.nc");
  std::vector<float> depths(odd.layout().intervals);
  odd.read(1, 0, depths);  // realization 2 is sound
  try {
    odd.read(0, 0, depths);
    ADD_FAILURE() << "3e38 read as a depth";
  } catch (const common::ToolError& error) {
    EXPECT_EQ(std::string(error.what()),
              "realization 1 at site S1 holds 3e+38 at interval 3, no depth a run writes (0 "
              "to 99999.999 mm): the file is damaged");
  }
  for (const Args& usage : {Args{"--network", "net", "-n", "1", "--dir", "net/EAST"},
                            Args{"--network", "net", "-n", "1", "--keep", "kept"}}) {
    const Outcome refused = n.ensemble(usage);
    EXPECT_EQ(refused.exit_status, 2) << usage[5] << refused.err;
    EXPECT_FALSE(n.dir.exists("ensemble.nc"));
  }
  std::string settings = n.dir.read("net/MID/INPUT.TXT");
  ASSERT_NE(settings.find("NUMBER DAYS:    60"), std::string::npos) << settings;
  n.dir.write("net/MID/INPUT.TXT", settings.replace(settings.find("NUMBER DAYS:    60"), 18, "NUMBER DAYS:    59"));
  const Outcome days = n.ensemble({"--network", "net", "-n", "1"});
  EXPECT_EQ(days.exit_status, 1);
  EXPECT_NE(days.err.find("MID/INPUT.TXT: holds 59 days where site EAST's holds 60"), std::string::npos) << days.err;
  EXPECT_FALSE(n.dir.exists("ensemble.nc"));
}

// An interruption stops every run at every site and writes nothing: the runs (a stand-in for the
// program that sleeps 300 s) would hold the ensemble for minutes if it waited for them.
TEST(NetworkEnsemble, AnInterruptionStopsEveryRunAndWritesNothing) {
  const Network n;
  const fs::path bin = n.dir / "bin";
  fs::create_directory(bin);
  fs::copy(fs::path(RAINGEN_TOOL_DIR) / "raingen-ensemble", bin);
  write_file(bin / "raingen", "#!/bin/sh\nexec sleep 300\n");
  fs::permissions(bin / "raingen", fs::perms::owner_all);
  std::set<std::string> before;
  for (const auto& entry : fs::directory_iterator(n.dir.path())) before.insert(entry.path().filename());
  const fs::path err = n.dir / "bin/stderr";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const std::string tool = (bin / "raingen-ensemble").string();
    if (chdir(n.dir.path().c_str()) != 0 || !freopen(err.c_str(), "w", stderr)) _exit(125);
    execl(tool.c_str(), tool.c_str(), "--network", "net", "-n", "3", "--jobs", "2", "-o", "out.nc",
          static_cast<char*>(nullptr));
    _exit(126);
  }
  bool running = false;  // until two runs are under way (their directories are there)
  for (int wait = 0; wait < 6000 && !running; ++wait) {
    for (const auto& entry : fs::directory_iterator(n.dir.path()))
      running = running || fs::exists(entry.path() / "2/run");
    if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(running);
  kill(pid, SIGINT);
  int status = 0;
  pid_t ended = 0;
  for (int wait = 0; wait < 15000 && ended == 0; ++wait) {
    ended = waitpid(pid, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ended == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  ASSERT_EQ(ended, pid) << "the ensemble did not end on SIGINT";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(read_file(err), "raingen-ensemble: interrupted by signal 2 after 0 of 9 runs: out.nc is not written\n");
  std::set<std::string> after;
  for (const auto& entry : fs::directory_iterator(n.dir.path())) after.insert(entry.path().filename());
  EXPECT_EQ(after, before) << "no output, no scratch directory";
}

// The outside clients on the file: each skips, saying why, where it is absent.
namespace clients {

const fs::path shared_dir = RAINGEN_SHARED_DIR;

bool on_path(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0) return true;
  return false;
}

// Each (realization, site) column's day totals in thousandths, realization by realization and
// site by site within it: the order CDO shows its levels (realizations) of the sites' grid in.
std::vector<std::vector<long>> day_totals(const NetworkReader& file) {
  std::vector<std::vector<long>> totals;
  for (long k = 0; k < file.layout().realizations; ++k)
    for (long s = 0; s < file.sites(); ++s) {
      const std::vector<long> depths = column(file, k, s);
      std::vector<long> days(depths.size() / 96);
      for (std::size_t j = 0; j < depths.size(); ++j) days[j / 96] += depths[j];
      totals.push_back(days);
    }
  return totals;
}

struct Made {
  Network degrees, planar{network::CoordinateSystem::planar};
  Made() {
    for (const Network* n : {&degrees, &planar}) {
      const Outcome made = n->ensemble({"--network", "net", "-n", "2", "--jobs", "2", "-o", "out.nc"});
      EXPECT_EQ(made.exit_status, 0) << made.err;
    }
  }
};

TEST(NetworkEnsembleClients, TheCfCheckerFindsNothingInEitherCoordinateSystem) {
  const fs::path check = shared_dir / "tools/cf/check.sh";
  if (!fs::exists(check))
    GTEST_SKIP() << "no CF checker kit at " << check.string() << " (a clone without ../shared; -DRAINGEN_SHARED_DIR)";
  const Made made;
  for (const Network* n : {&made.degrees, &made.planar}) {
    const Outcome outcome = run_command_in(n->dir.path(), {"bash", check.string(), "out.nc"});
    EXPECT_EQ(outcome.exit_status, 0) << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find("ERRORS detected: 0\nWARNINGS given: 0\n"), std::string::npos) << outcome.out;
  }
}

TEST(NetworkEnsembleClients, CdoSumsEachSitesDaysOfEachRealization) {
  if (!on_path("cdo")) GTEST_SKIP() << "cdo is not installed (.ci/install-dependencies installs it)";
  const Made made;
  const Outcome sums = run_command_in(
      made.degrees.dir.path(), {"cdo", "-s", "outputtab,date,lev,value", "-daysum", "-selname,rainfall", "out.nc"});
  ASSERT_EQ(sums.exit_status, 0) << sums.err;
  const NetworkReader file(made.degrees.dir / "out.nc");
  const std::vector<std::vector<long>> expected = day_totals(file);
  std::istringstream lines(sums.out);
  std::map<std::string, std::vector<double>> days;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string date;
    long level = 0;
    double value = 0;
    if (line.find('#') != std::string::npos || !(fields >> date >> level >> value)) continue;
    EXPECT_EQ(level, static_cast<long>(days[date].size()) / 3 + 1) << line;  // realization k is level k
    days[date].push_back(value);
  }
  ASSERT_EQ(days.size(), 60u) << sums.out.substr(0, 400);
  long d = 0;
  for (const auto& [date, values] : days) {
    ASSERT_EQ(values.size(), expected.size()) << date;
    for (std::size_t c = 0; c < values.size(); ++c)  // floats summed: within a thousandth
      EXPECT_NEAR(std::lround(values[c] * 1000), expected[c][static_cast<std::size_t>(d)], 1)
          << date << " column " << c;
    ++d;
  }
}

constexpr const char* xarray_script = R"(
import xarray as xr
f = xr.open_dataset("out.nc")
print("dims", " ".join(f.rainfall.dims))
print("sites", " ".join(str(v) for v in f.site_name.values))
print("first", str(f.time.values[0])[:19])
totals = f.rainfall.astype("float64").sum(dim="time")
for k in range(f.sizes["realization"]):
    print("total%d" % int(f.realization[k]), " ".join("%.3f" % v for v in totals.isel(realization=k).values))
)";

TEST(NetworkEnsembleClients, XarrayReadsTheSitesAndTheirTotals) {
  const std::string python = RAINGEN_PYTHON;
  const Made made;
  if (run_command_in(".", {python, "-c", "import xarray, netCDF4"}).exit_status != 0)
    GTEST_SKIP() << python
                 << " cannot import xarray and netCDF4 (.ci/install-dependencies installs python3-xarray and "
                    "python3-netcdf4; -DRAINGEN_PYTHON names another)";
  const Outcome read = run_command_in(made.degrees.dir.path(), {python, "-c", xarray_script});
  ASSERT_EQ(read.exit_status, 0) << read.err;
  const NetworkReader file(made.degrees.dir / "out.nc");
  std::string expected = "dims time realization site\nsites EAST WEST MID\nfirst 2001-01-01T00:07:30\n";
  const std::vector<std::vector<long>> days = day_totals(file);
  for (long k = 0; k < 2; ++k) {
    expected += fmt::format("total{}", k + 1);
    for (long s = 0; s < 3; ++s) {
      const std::vector<long>& column_days = days[static_cast<std::size_t>(k * 3 + s)];
      expected += fmt::format(" {:.3f}", std::accumulate(column_days.begin(), column_days.end(), 0L) / 1000.0);
    }
    expected += '\n';
  }
  EXPECT_EQ(read.out, expected);
}

}  // namespace clients

}  // namespace
