// raingen-export --network on a network directory built here: three sites (the subcatchments of a
// small SWMM model), each folder made by raingen-prepare --weighted-site from three gauges at its
// own distances, the program run in each with one seed. The csv and the rain file are compared
// byte for byte with texts built from each site's SOURCE.OUT; SWMM 5 runs the model pasted together
// from the lines the export shows and gives each subcatchment its own site's total and every
// 15-minute depth; bad networks are refused with nothing written; the writers' seam and the model's
// section are worked by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <date/date.h>
#include <fmt/format.h>

#include "common/tool_error.h"
#include "exporting/network_writers.h"
#include "exporting/swmm_subcatchments.h"
#include "network/network_manifest.h"
#include "support/network_fixture.h"

namespace {

using namespace testing_support;
using namespace raingen;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr int days = 120;
const auto day_one = date::sys_days{date::year{2003} / 12 / 1};  // across a year end and a leap day
const std::vector<std::string> site_names = {"S1", "S2", "S3"};
const int distances[3][3] = {{1, 2, 3}, {3, 1, 2}, {2, 3, 1}};  // of gauges A, B, C from each site

// The model: its own gage and subcatchments as a modeller keeps them (aligned, a tab, letter case,
// comments), between the rest; report every 15 minutes.
const std::string model_options = fmt::format(
    "[OPTIONS]\nFLOW_UNITS LPS\nINFILTRATION HORTON\nFLOW_ROUTING STEADY\nSTART_DATE 12/01/2003\nEND_DATE {}\n"
    "REPORT_START_DATE 12/01/2003\nWET_STEP 00:15:00\nDRY_STEP 00:15:00\nREPORT_STEP 00:15:00\n\n",
    date::format("%m/%d/%Y", day_one + date::days{days}));
const std::string model_own =
    "[RAINGAGES]\nRG1 INTENSITY 1:00 1.0 TIMESERIES T1\n\n[SUBCATCHMENTS]\n"
    ";;Name  Rain Gage  Outlet  Area  %Imperv  Width  %Slope  CurbLen\n"
    "S1      RG1        O1      1     100      100    0.5     0   ;west\n"
    "s2\tRG1 O1 2 100 100 0.5 0\nS3      RG1        O1      3     100      100    0.5     0\n\n";
const std::string model_rest =
    "[SUBAREAS]\nS1 0.01 0.1 0 0 100 OUTLET\nS2 0.01 0.1 0 0 100 OUTLET\nS3 0.01 0.1 0 0 100 OUTLET\n\n[INFILTRATION]\n"
    "S1 3.0 0.5 4 7 0\nS2 3.0 0.5 4 7 0\nS3 3.0 0.5 4 7 0\n\n[OUTFALLS]\nO1 0 FREE NO\n\n[TIMESERIES]\nT1 0 0\n\n"
    "[REPORT]\nSUBCATCHMENTS ALL\n\n[POLYGONS]\nS1 0 0\nS2 20 0\nS3 0 20\n";

// The network directory net/ beside the gauges' records and the model town.inp; each site's rows.
struct Network {
  TempDir dir;
  fs::path net = dir / "net";
  std::map<std::string, std::vector<long>> thousandths;  // each site's SOURCE.OUT, row by row
  bool ready = true;                                     // every site's table whole

  Network() {
    write_gauge_records(dir, three_gauges, date::sys_days{date::year{2003} / 11 / 1});  // from a month before day_one
    dir.write("town.inp", model_options + model_own + model_rest);
    network::NetworkManifest m{network::CoordinateSystem::planar,
                               "m",
                               weighting::Presence::all,
                               stations::StationId::given("SITE", "test"),
                               (dir / "town.inp").string(),
                               network::SitesFrom::swmm,
                               {},
                               {},
                               {}};
    const std::string ids[3] = {"A", "B", "C"};
    for (const std::string& g : ids) m.gauges.push_back({stations::StationId::given(g, "test"), {0, 0}});
    for (std::size_t s = 0; s < 3; ++s) {
      const fs::path folder = net / site_names[s];
      fs::create_directories(folder);
      Args prepare{"--weighted-site", "SITE", "--site", site_names[s], "--days", std::to_string(days)};
      network::NetworkSite site{site_names[s], {0, 0}, site_names[s]};
      for (int g = 0; g < 3; ++g) {
        prepare.insert(prepare.end(), {"--gauge", fmt::format("{}=../../{}.csv", ids[g], char('a' + g)), "--station",
                                       fmt::format("{}={}", ids[g], distances[s][g])});
        site.gauges.push_back({m.gauges[g].id, distances[s][g]});
      }
      std::sort(site.gauges.begin(), site.gauges.end(), [](auto& p, auto& q) { return p.distance < q.distance; });
      m.sites.push_back(site);
      EXPECT_EQ(run_tool_in(folder, "raingen-prepare", prepare).exit_status, 0);
      EXPECT_EQ(run_program_in(folder, 7).exit_status, 0);
      thousandths[site.name] = table_thousandths(folder / "SOURCE.OUT");
      ready = ready && thousandths[site.name].size() == days * 96;
    }
    write_file(net / "NETWORK.TXT", network::network_manifest_text(m));
  }
  Outcome export_to(const Args& arguments) const {
    Args all{"--network", "net", "--start", "2003-12-01"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return run_tool_in(dir.path(), "raingen-export", all);
  }
};

std::string stamp(long k, const char* format) { return date::format(format, day_one + std::chrono::minutes{15 * k}); }

TEST(NetworkExport, CsvAndRainFileHoldEverySitesTableInManifestOrder) {
  const Network n;
  ASSERT_TRUE(n.ready);
  std::string csv = "site,start,end,rainfall_mm\n", rain;
  for (const std::string& site : site_names) {
    const std::vector<long>& rows = n.thousandths.at(site);
    for (long k = 0; k < days * 96; ++k) {
      const std::string depth = fmt::format("{}.{:03}", rows[k] / 1000, rows[k] % 1000);
      csv += fmt::format("{},{},{},{}\n", site, stamp(k, "%F %R"), stamp(k + 1, "%F %R"), depth);
      if (rows[k] > 0) rain += fmt::format("{} {} {}\n", site, stamp(k, "%Y %m %d %H %M"), depth);
    }
  }
  EXPECT_NE(n.thousandths.at("S1"), n.thousandths.at("S2"));  // each site has its own depths
  const Outcome to_csv = n.export_to({"--format", "csv", "all.csv"});
  EXPECT_EQ(to_csv.exit_status, 0);
  EXPECT_EQ(to_csv.err, "");
  EXPECT_EQ(n.dir.read("all.csv"), csv);

  const Outcome to_rain = n.export_to({"--format", "swmm-rain", "rain.dat"});
  EXPECT_EQ(to_rain.exit_status, 0);
  EXPECT_EQ(n.dir.read("rain.dat"), rain);
  EXPECT_EQ(to_rain.err,
            "[RAINGAGES]\nS1 VOLUME 0:15 1.0 FILE \"rain.dat\" S1 MM\nS2 VOLUME 0:15 1.0 FILE \"rain.dat\" S2 MM\n"
            "S3 VOLUME 0:15 1.0 FILE \"rain.dat\" S3 MM\n\n;The subcatchments of " +
                (n.dir / "town.inp").string() +
                ", each on the gage of its own site\n[SUBCATCHMENTS]\n"
                ";;Name  Rain Gage  Outlet  Area  %Imperv  Width  %Slope  CurbLen\n"
                "S1      S1        O1      1     100      100    0.5     0   ;west\n"
                "s2\tS2 O1 2 100 100 0.5 0\nS3      S3        O1      3     100      100    0.5     0\n");
  const Outcome to_output = n.export_to({"--format", "swmm-rain", "--units", "in"});  // standard output
  EXPECT_EQ(to_output.out, rain);
  EXPECT_TRUE(to_output.err.starts_with(
      ";OUTPUT: the file that standard output went to\n[RAINGAGES]\nS1 VOLUME 0:15 1.0 FILE \"OUTPUT\" S1 IN\n"));
}

// The fields of the report's lines from the one `skip` lines after the heading's to a blank line.
std::vector<std::vector<std::string>> report_rows(const std::string& report, const std::string& heading, int skip) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(report.substr(std::min(report.size(), report.find(heading))));
  std::string line;
  for (int k = 0; k <= skip; ++k) std::getline(lines, line);
  while (std::getline(lines, line) && line.find_first_not_of(" \r") != std::string::npos) {
    std::istringstream fields(line);
    rows.emplace_back(std::istream_iterator<std::string>(fields), std::istream_iterator<std::string>());
  }
  return rows;
}

// SWMM 5 runs the model with its gages and subcatchments replaced by the lines the export shows,
// three gages on one rain file: each subcatchment gets its own site's total and, at every 15
// minutes (the report gives, in mm/h, the rate of the interval that begins then), its site's depth.
TEST(NetworkExport, SwmmRunsEverySubcatchmentOnItsOwnSitesRain) {
  const fs::path build = fs::path(RAINGEN_SHARED_DIR) / "tools/swmm/build.sh";
  if (!fs::exists(build))
    GTEST_SKIP() << "no SWMM source kit at " << build.string() << " (a clone without ../shared; -DRAINGEN_SHARED_DIR)";
  const Network n;
  ASSERT_TRUE(n.ready);
  const Outcome built = run_command_in(n.dir.path(), {"bash", build.string()});
  ASSERT_EQ(built.exit_status, 0) << built.err;
  const Outcome exported = n.export_to({"--format", "swmm-rain", "rain.dat"});
  ASSERT_EQ(exported.exit_status, 0) << exported.err;
  n.dir.write("model.inp", model_options + exported.err + "\n" + model_rest);
  // Without a binary output file SWMM writes each subcatchment's time series into its report.
  const std::string runswmm = built.out.substr(0, built.out.find('\n')) + "/runswmm";
  ASSERT_EQ(run_command_in(n.dir.path(), {runswmm, "model.inp", "model.rpt"}).exit_status, 0);
  const std::string report = n.dir.read("model.rpt");
  ASSERT_EQ(report.find("ERROR"), std::string::npos) << report;

  const auto summary = report_rows(report, "Subcatchment Runoff Summary", 7);
  ASSERT_EQ(summary.size(), 3u) << report;
  for (std::size_t s = 0; s < 3; ++s) {
    const std::vector<long>& rows = n.thousandths.at(site_names[s]);
    const double total = static_cast<double>(std::accumulate(rows.begin(), rows.end(), 0L)) / 1000;
    EXPECT_GT(total, 10.0);
    EXPECT_NEAR(std::stod(summary[s].at(1)), total, 0.0051) << site_names[s];
    std::printf("%s: SWMM Total Precip %s mm, table total %.3f mm\n", summary[s][0].c_str(), summary[s][1].c_str(),
                total);
    const auto steps = report_rows(report, "<<< Subcatchment " + summary[s][0] + " >>>", 4);
    ASSERT_EQ(steps.size(), rows.size());  // 00:15 to the end
    for (std::size_t k = 1; k < rows.size(); ++k) {
      ASSERT_EQ(steps[k - 1].at(0) + " " + steps[k - 1].at(1), stamp(static_cast<long>(k), "%m/%d/%Y %H:%M:00"));
      EXPECT_EQ(std::lround(std::stod(steps[k - 1].at(2)) * 1000), 4 * rows[k]) << site_names[s] << " " << k;
    }
  }
}

// Each network a hydrologist could get wrong, and command lines that do not fit a network: the
// message ({0}: the line of [site S2] in NETWORK.TXT, {1}: the test's directory), the status, and
// nothing written (out.txt keeps its old text, no aside file is left).
TEST(NetworkExport, RefusesWhatIsNotOneNetworksRunsWritingNothing) {
  const auto edit = [](const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = read_file(file);
    text.replace(text.rfind(from), from.size(), to);
    write_file(file, text);
  };
  const auto cut = [](const fs::path& file, int rows) { fs::resize_file(file, fs::file_size(file) - 23 * rows); };
  const std::string same_days = ": the sites of one network run the same days";
  const std::vector<std::tuple<const char*, std::function<void(const Network&)>, Args, int, std::string>> cases = {
      {"no network",
       [](const Network& n) { fs::remove_all(n.net); },
       {"csv", "out.txt"},
       1,
       "net/NETWORK.TXT: is missing: a network directory is made by raingen-prepare --network"},
      {"a folder missing",
       [](const Network& n) { fs::remove_all(n.net / "S2"); },
       {"csv", "out.txt"},
       1,
       "net/NETWORK.TXT:{0}: site S2: its folder net/S2 is missing"},
      {"a table missing",
       [](const Network& n) { fs::remove(n.net / "S3/RESULTS.TXT"); },
       {"swmm-rain", "out.txt"},
       1,
       "net/S3/RESULTS.TXT: is missing: the table of site S3 (run the program in net/S3 first)"},
      {"a table cut in a day",
       [&](const Network& n) { cut(n.net / "S2/RESULTS.TXT", 5); },
       {"csv", "out.txt"},
       1,
       "net/S2/RESULTS.TXT:11529: the table ends part way through day 120, after 91 of its 96 rows: the file is cut "
       "short"},
      {"a table cut at midnight",
       [&](const Network& n) { cut(n.net / "S1/RESULTS.TXT", 96); },
       {"csv", "out.txt"},
       1,
       "net/S1/RESULTS.TXT: holds 119 days where its INPUT.TXT runs 120: the table of site S1 is not the run's whole "
       "table"},
      {"different days",
       [&](const Network& n) {
         edit(n.net / "S3/INPUT.TXT", "120", "100");
         run_program_in(n.net / "S3", 7);
       },
       {"swmm-rain", "out.txt"},
       1,
       "net/S3/RESULTS.TXT: site S3 runs 100 days from 2003-12-01 00:00, where site S1 (net/S1/RESULTS.TXT) runs 120 "
       "days from 2003-12-01 00:00" +
           same_days},
      {"a name SWMM cannot take",
       [&](const Network& n) { edit(n.net / "NETWORK.TXT", "[site S2]", "[site S;2]"); },
       {"swmm-rain", "out.txt"},
       1,
       "net/NETWORK.TXT:{0}: [site S;2]: a site name holds no ';' (it names a folder and a SWMM rain gage)"},
      {"no subcatchments",
       [](const Network& n) { n.dir.write("town.inp", model_rest); },
       {"swmm-rain", "out.txt"},
       1,
       "{1}/town.inp: has no [SUBCATCHMENTS] section: no subcatchment to put on a gage"},
      {"OUTPUT a table",
       [](const Network&) {},
       {"csv", "net/S1/RESULTS.TXT"},
       2,
       "net/S1/RESULTS.TXT: is net/S1/RESULTS.TXT, a file the export reads: it would be replaced; give another OUTPUT"},
      {"OUTPUT the model",
       [](const Network&) {},
       {"swmm-rain", "town.inp"},
       2,
       "town.inp: is {1}/town.inp, a file the export reads: it would be replaced; give another OUTPUT"},
      {"a one-site format",
       [](const Network&) {},
       {"netcdf", "out.txt"},
       2,
       "--network writes csv or swmm-rain: one file that holds every site"},
      {"a one-site option",
       [](const Network&) {},
       {"csv", "--station", "X", "out.txt"},
       2,
       "--station describes one site's series: with --network each site's comes from NETWORK.TXT"},
      {"an INPUT too",
       [](const Network&) {},
       {"csv", "net/S1/RESULTS.TXT", "out.txt"},
       2,
       "--network reads every site's table from DIR: give OUTPUT alone"},
  };
  for (const auto& [what, spoil, arguments, status, message] : cases) {
    SCOPED_TRACE(what);
    const Network n;
    ASSERT_TRUE(n.ready);
    const std::string manifest = read_file(n.net / "NETWORK.TXT");
    const long site_line = 1 + std::count(manifest.begin(), manifest.begin() + manifest.find("[site S2]"), '\n');
    n.dir.write("out.txt", "old\n");
    spoil(n);
    Args command{"--format"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const Outcome outcome = n.export_to(command);
    EXPECT_EQ(outcome.exit_status, status);
    EXPECT_EQ(outcome.err,
              "raingen-export: " + fmt::format(fmt::runtime(message), site_line, n.dir.path().string()) + "\n");
    EXPECT_EQ(outcome.out + n.dir.read("out.txt"), "old\n");
    const auto entries = fs::directory_iterator(n.dir.path());
    EXPECT_EQ(std::distance(fs::begin(entries), fs::end(entries)), fs::exists(n.net) ? 6 : 5);  // no aside file
  }
}

// The writers fed through their seam as a file of a network's series would feed them: series in
// memory, depths as floats (0.069f), a leap day's last interval; a later start and a missing
// interval refused, nothing written.
TEST(NetworkExport, SourcesInMemoryWorkedByHand) {
  const calendar::TimePoint start = date::sys_days{date::year{2004} / 2 / 29} + std::chrono::minutes{23 * 60 + 45};
  const auto source = [](const char* name, calendar::TimePoint from, std::vector<double> depths) {
    return exporting::SiteSource{name, std::string(name) + ".nc",
                                 [=] { return gauge::CalendarSeries(name, from, std::vector<double>(depths)); }};
  };
  const exporting::SiteSources good = {source("A", start, {1.5, 0}), source("B", start, {0, 0.069f})};
  TempDir dir;
  common::OutputFile csv(dir / "n.csv"), rain(dir / "n.dat"), bad(dir / "bad.csv");
  const exporting::NetworkText text{exporting::DepthUnits::in, calendar::UtcOffset::parse("-05:00")};
  exporting::write_network_csv(good, text, csv);
  exporting::write_network_swmm_rain(good, text, rain);
  common::commit_all({&csv, &rain});
  EXPECT_EQ(dir.read("n.csv"),
            "site,start,end,rainfall_in\nA,2004-02-29 23:45-05:00,2004-03-01 00:00-05:00,1.500\n"
            "A,2004-03-01 00:00-05:00,2004-03-01 00:15-05:00,0.000\n"
            "B,2004-02-29 23:45-05:00,2004-03-01 00:00-05:00,0.000\n"
            "B,2004-03-01 00:00-05:00,2004-03-01 00:15-05:00,0.069\n");
  EXPECT_EQ(dir.read("n.dat"),
            ";Times on the clock UTC-05:00 (the gauges'), each the start of its 15 minutes\n"
            "A 2004 02 29 23 45 1.500\nB 2004 03 01 00 00 0.069\n");
  for (const auto& [b, message] : std::vector<std::pair<exporting::SiteSource, std::string>>{
           {source("B", start + std::chrono::minutes{15}, {0, 0}),
            "site B runs 2 intervals from 2004-03-01 00:00, where site A (A.nc) runs 2 intervals from 2004-02-29 "
            "23:45: "
            "the sites of one network run the same days"},
           {source("B", start, {0, NAN}),
            "the interval ending 2004-03-01 00:15 of site B is missing: no depth to write"}}) {
    try {
      exporting::write_network_csv({good[0], b}, {}, bad);
      ADD_FAILURE() << "taken: " << message;
    } catch (const common::ToolError& error) {
      EXPECT_EQ(error.file() + ": " + error.message(), "B.nc: " + message);
    }
  }
  EXPECT_FALSE(dir.exists("bad.csv"));
}

// The model's section as a modeller may have left it: CR LF, a tab, letter case, another section
// between two [SUBCATCHMENTS] parts, a subcatchment with no site; and a line without a gage field.
TEST(NetworkExport, SubcatchmentsOnTheirSitesGagesWorkedByHand) {
  TempDir dir;
  dir.write("m.inp",
            "[TITLE]\r\nS1 RG1\r\n[subcatchments]\r\n;;Name Gage\r\n  s1\tRG1\tO1 1 ;a\r\n\r\n[SUBAREAS]\r\n"
            "S1 0.01\r\n[SUBCATCHMENTS]\r\nLAKE RG9 O1 2\r\nS3 RG1;x\r\n\r\n");
  const auto gage_of = [](std::string_view name) -> std::optional<std::string> {
    if (name == "LAKE") return std::nullopt;
    return name == "s1" ? "S1" : std::string(name);
  };
  EXPECT_EQ(exporting::subcatchments_on_gages((dir / "m.inp").string(), gage_of),
            "[SUBCATCHMENTS]\n;;Name Gage\n  s1\tS1\tO1 1 ;a\n\n;LAKE: no site of the network, its rain gage kept\n"
            "LAKE RG9 O1 2\nS3 S3;x\n");
  dir.write("bad.inp", "[SUBCATCHMENTS]\nS1 RG1 O1\nS2 ;no gage\n");
  try {
    exporting::subcatchments_on_gages((dir / "bad.inp").string(), gage_of);
    ADD_FAILURE() << "a subcatchment without a gage field was taken";
  } catch (const common::ToolError& error) {
    EXPECT_EQ(fmt::format("{}: {}", error.line(), error.message()),
              "3: a subcatchment line with no rain gage field: 'S2 ;no gage'");
  }
}

}  // namespace
