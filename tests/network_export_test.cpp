// raingen-export --network on a network directory built here: three sites (the subcatchments of a
// small SWMM model of our own), each folder made by raingen-prepare --weighted-site from three
// gauges at its own distances, the program run in each with one seed. The csv and the rain file
// are compared byte for byte with texts built from each site's SOURCE.OUT; SWMM 5 runs the model
// pasted together from the lines the export shows, and its report gives each subcatchment the
// total and every 15-minute depth of its own site's table. Bad networks are refused, nothing
// written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <date/date.h>
#include <fmt/format.h>

#include "common/tool_error.h"
#include "exporting/network_writers.h"
#include "exporting/swmm_subcatchments.h"
#include "network/network_manifest.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using raingen::stations::StationId;

constexpr int days = 120;
const auto day_one = date::sys_days{date::year{2003} / 12 / 1};  // across a year end and a leap day
constexpr const char* start_option = "2003-12-01";

// 36 days from 2003-11-01 of 15-minute readings stamped at the interval's end: rain at (day % 6,
// interval) as given. Every site weighs all three gauges, so all three share the wet days.
std::string record(const std::map<std::pair<int, int>, const char*>& rain) {
  std::string text = "time,mm\n";
  const auto start = date::sys_days{date::year{2003} / 11 / 1};
  for (int d = 0; d < 36; ++d)
    for (int j = 0; j < 96; ++j) {
      const auto rained = rain.find({d % 6, j});
      text += date::format("%Y-%m-%d %H:%M", start + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
              fmt::format(",{}\n", rained == rain.end() ? "0" : rained->second);
    }
  return text;
}

struct Site {
  const char* name;
  std::map<std::string, int> distances;  // of gauges A, B and C
};
const std::vector<Site> sites = {{"S1", {{"A", 1}, {"B", 2}, {"C", 3}}},
                                 {"S2", {{"A", 3}, {"B", 1}, {"C", 2}}},
                                 {"S3", {{"A", 2}, {"B", 3}, {"C", 1}}}};

const std::string model_options = fmt::format(
    "[OPTIONS]\nFLOW_UNITS LPS\nINFILTRATION HORTON\nFLOW_ROUTING STEADY\nSTART_DATE 12/01/2003\nSTART_TIME 00:00:00\n"
    "REPORT_START_DATE 12/01/2003\nREPORT_START_TIME 00:00:00\nEND_DATE {}\nEND_TIME 00:00:00\nWET_STEP 00:15:00\n"
    "DRY_STEP 00:15:00\nROUTING_STEP 0:01:00\nREPORT_STEP 00:15:00\n\n",
    date::format("%m/%d/%Y", day_one + date::days{days}));
// The model's own gage and subcatchments, as a modeller keeps them: aligned columns, comments.
const std::string model_gages = "[RAINGAGES]\nRG1 INTENSITY 1:00 1.0 TIMESERIES T1\n\n";
const std::string model_subcatchments =
    "[SUBCATCHMENTS]\n;;Name  Rain Gage  Outlet  Area  %Imperv  Width  %Slope  CurbLen\n"
    "S1      RG1        O1      1     100      100    0.5     0   ;west\n"
    "s2\tRG1 O1 2 100 100 0.5 0\n"
    "S3      RG1        O1      3     100      100    0.5     0\n\n";
const std::string model_rest =
    "[SUBAREAS]\nS1 0.01 0.1 0 0 100 OUTLET\nS2 0.01 0.1 0 0 100 OUTLET\nS3 0.01 0.1 0 0 100 OUTLET\n\n"
    "[INFILTRATION]\nS1 3.0 0.5 4 7 0\nS2 3.0 0.5 4 7 0\nS3 3.0 0.5 4 7 0\n\n[OUTFALLS]\nO1 0 FREE NO\n\n"
    "[TIMESERIES]\nT1 0 0\n\n[REPORT]\nSUBCATCHMENTS ALL\n\n"
    "[POLYGONS]\nS1 0 0\nS1 10 0\nS1 10 10\nS2 20 0\nS2 30 0\nS2 30 10\nS3 0 20\nS3 10 20\nS3 10 30\n";

Outcome tool_in(const fs::path& dir, const std::string& tool, const Args& arguments) {
  ChildSetup setup;
  setup.directory = dir;
  setup.timeout_seconds = 280;
  return run_tool_program(setup, tool, arguments);
}

// The network directory net/ with the model town.inp beside it; each site's SOURCE.OUT rows.
struct Network {
  TempDir dir;
  fs::path net = dir / "net";
  std::map<std::string, std::vector<long>> thousandths;  // each site's table, row by row
  bool ready = true;  // every site prepared and run, its table whole

  Network() {
    dir.write("a.csv", record({{{0, 10}, "0.3"}, {{0, 11}, "0.2"}, {{3, 30}, "3.0"}, {{5, 0}, "1.5"}}));
    dir.write("b.csv", record({{{0, 10}, "1.2"}, {{2, 50}, "0.6"}, {{5, 95}, "0.6"}}));
    dir.write("c.csv", record({{{2, 50}, "0.6"}, {{5, 95}, "3.0"}, {{3, 31}, "2.4"}}));
    dir.write("town.inp", model_options + model_gages + model_subcatchments + model_rest);
    raingen::network::NetworkManifest m;
    m.coordinates = raingen::network::CoordinateSystem::planar;
    m.map_unit = "m";
    m.station = StationId::given("SITE", "test");
    m.sites_file = (dir / "town.inp").string();
    m.sites_from = raingen::network::SitesFrom::swmm;
    for (const char* g : {"A", "B", "C"})
      m.gauges.push_back({StationId::given(g, "test"), {0, 0}, (dir / (std::string(g) + ".csv")).string()});
    for (const Site& site : sites) {
      const fs::path folder = net / site.name;
      fs::create_directories(folder);
      Args prepare{"--weighted-site", "SITE", "--site", site.name, "--days", std::to_string(days)};
      std::vector<std::pair<int, std::string>> nearest;
      for (const auto& [gauge, distance] : site.distances) {
        prepare.insert(prepare.end(), {"--gauge", gauge + "=../../" + fmt::format("{}.csv", char(gauge[0] + 32)),
                                       "--station", fmt::format("{}={}", gauge, distance)});
        nearest.push_back({distance, gauge});
      }
      const Outcome prepared = tool_in(folder, "raingen-prepare", prepare);
      EXPECT_EQ(prepared.exit_status, 0) << prepared.err;
      ready = ready && prepared.exit_status == 0;
      ChildSetup run;
      run.directory = folder;
      run.environment = {{"RAINGEN_SEED", "7"}};
      const Outcome ran = run_raingen(run);
      EXPECT_EQ(ran.exit_status, 0) << site.name << ran.err;
      ready = ready && ran.exit_status == 0;
      std::sort(nearest.begin(), nearest.end());
      raingen::network::NetworkSite entry{site.name, {0, 0}, site.name, {}};
      for (const auto& [distance, gauge] : nearest) entry.gauges.push_back({StationId::given(gauge, "test"), distance});
      m.sites.push_back(entry);
      std::istringstream rows(read_file(folder / "SOURCE.OUT"));
      long minutes = 0, k = 0;
      std::string depth;
      while (rows >> minutes >> depth) {
        EXPECT_EQ(minutes, ++k * 15);
        thousandths[site.name].push_back(std::lround(std::stod(depth) * 1000));
      }
      EXPECT_EQ(thousandths[site.name].size(), static_cast<std::size_t>(days * 96)) << site.name;
      ready = ready && thousandths[site.name].size() == static_cast<std::size_t>(days * 96);
    }
    write_file(net / "NETWORK.TXT", raingen::network::network_manifest_text(m));
  }
  Outcome export_to(const Args& arguments) const {
    Args all{"--network", "net", "--start", start_option};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return tool_in(dir.path(), "raingen-export", all);
  }
  long total(const std::string& site) const {
    long sum = 0;
    for (long t : thousandths.at(site)) sum += t;
    return sum;
  }
};

std::string stamp(long k, const char* format) {  // the start of interval k (0-based)
  return date::format(format, day_one + std::chrono::minutes{15 * k});
}
std::string depth_text(long thousandths) { return fmt::format("{}.{:03}", thousandths / 1000, thousandths % 1000); }

TEST(NetworkExport, CsvAndRainFileHoldEverySitesTableInManifestOrder) {
  const Network n;
  ASSERT_TRUE(n.ready);
  std::string csv = "site,start,end,rainfall_mm\n", rain;
  for (const Site& site : sites) {
    const std::vector<long>& rows = n.thousandths.at(site.name);
    for (long k = 0; k < static_cast<long>(rows.size()); ++k) {
      csv += fmt::format("{},{},{},{}\n", site.name, stamp(k, "%F %R"), stamp(k + 1, "%F %R"), depth_text(rows[k]));
      if (rows[k] > 0) rain += fmt::format("{} {} {}\n", site.name, stamp(k, "%Y %m %d %H %M"), depth_text(rows[k]));
    }
  }
  EXPECT_NE(n.thousandths.at("S1"), n.thousandths.at("S2"));  // each site has its own depths

  const Outcome to_csv = n.export_to({"--format", "csv", "all.csv"});
  EXPECT_EQ(to_csv.exit_status, 0) << to_csv.err;
  EXPECT_EQ(to_csv.err, "");
  EXPECT_EQ(n.dir.read("all.csv"), csv);

  const Outcome to_rain = n.export_to({"--format", "swmm-rain", "rain.dat"});
  EXPECT_EQ(to_rain.exit_status, 0) << to_rain.err;
  EXPECT_EQ(to_rain.out, "");
  EXPECT_EQ(n.dir.read("rain.dat"), rain);
  EXPECT_EQ(to_rain.err,
            "[RAINGAGES]\n"
            "S1 VOLUME 0:15 1.0 FILE \"rain.dat\" S1 MM\n"
            "S2 VOLUME 0:15 1.0 FILE \"rain.dat\" S2 MM\n"
            "S3 VOLUME 0:15 1.0 FILE \"rain.dat\" S3 MM\n"
            "\n;The subcatchments of " + (n.dir / "town.inp").string() + ", each on the gage of its own site\n"
            "[SUBCATCHMENTS]\n;;Name  Rain Gage  Outlet  Area  %Imperv  Width  %Slope  CurbLen\n"
            "S1      S1        O1      1     100      100    0.5     0   ;west\n"
            "s2\tS2 O1 2 100 100 0.5 0\n"
            "S3      S3        O1      3     100      100    0.5     0\n");
  // Standard output, inches: the same rows, the gage lines on OUTPUT in IN.
  const Outcome to_output = n.export_to({"--format", "swmm-rain", "--units", "in"});
  EXPECT_EQ(to_output.exit_status, 0) << to_output.err;
  EXPECT_EQ(to_output.out, rain);
  EXPECT_TRUE(to_output.err.starts_with(";OUTPUT: the file that standard output went to\n[RAINGAGES]\n"
                                        "S1 VOLUME 0:15 1.0 FILE \"OUTPUT\" S1 IN\n"))
      << to_output.err;
}

// The writers fed through their seam as a file of a network's series would feed them: series in
// memory, depths as floats, worked by hand (a leap day's last interval, a float's 0.069); a site
// that starts later or has a missing interval is refused, nothing written.
TEST(NetworkExport, SourcesInMemoryWorkedByHand) {
  using raingen::calendar::TimePoint;
  using raingen::exporting::SiteSource;
  const TimePoint start = date::sys_days{date::year{2004} / 2 / 29} + std::chrono::minutes{23 * 60 + 45};
  const auto source = [](const char* name, TimePoint from, std::vector<double> depths) {
    return SiteSource{name, std::string(name) + ".nc", [=] {
                        return raingen::gauge::CalendarSeries(name, from, std::vector<double>(depths));
                      }};
  };
  const raingen::exporting::SiteSources good = {source("A", start, {1.5, 0}),
                                                source("B", start, {0, static_cast<float>(0.069)})};
  TempDir dir;
  {
    raingen::common::OutputFile csv(dir / "n.csv"), rain(dir / "n.dat");
    raingen::exporting::write_network_csv(good, raingen::exporting::DepthUnits::in, csv);
    raingen::exporting::write_network_swmm_rain(good, rain);
    csv.commit();
    rain.commit();
  }
  EXPECT_EQ(dir.read("n.csv"),
            "site,start,end,rainfall_in\n"
            "A,2004-02-29 23:45,2004-03-01 00:00,1.500\nA,2004-03-01 00:00,2004-03-01 00:15,0.000\n"
            "B,2004-02-29 23:45,2004-03-01 00:00,0.000\nB,2004-03-01 00:00,2004-03-01 00:15,0.069\n");
  EXPECT_EQ(dir.read("n.dat"), "A 2004 02 29 23 45 1.500\nB 2004 03 01 00 00 0.069\n");

  const std::vector<std::pair<raingen::exporting::SiteSources, std::string>> refused = {
      {{good[0], source("B", start + std::chrono::minutes{15}, {0, 0})},
       "site B runs 2 intervals from 2004-03-01 00:00, where site A (A.nc) runs 2 intervals from 2004-02-29 23:45: "
       "the sites of one network run the same days"},
      {{good[0], source("B", start, {0, std::nan("")})}, "the interval ending 2004-03-01 00:15 of site B is missing: no depth to write"},
  };
  for (const auto& [sources, message] : refused) {
    try {
      raingen::common::OutputFile out(dir / "bad.csv");
      raingen::exporting::write_network_csv(sources, raingen::exporting::DepthUnits::mm, out);
      ADD_FAILURE() << "taken: " << message;
    } catch (const raingen::common::ToolError& error) {
      EXPECT_EQ(error.file(), "B.nc");
      EXPECT_EQ(error.message(), message);
    }
    EXPECT_FALSE(dir.exists("bad.csv"));
  }
}

// The model's section as a modeller may have left it: CR LF line ends, a tab, another section
// between two [SUBCATCHMENTS] parts, a subcatchment with no site, a name in other letter case.
TEST(NetworkExport, SubcatchmentsOnTheirSitesGagesWorkedByHand) {
  TempDir dir;
  dir.write("m.inp",
            "[TITLE]\r\nS1 RG1 is no subcatchment here\r\n[subcatchments]\r\n;;Name Gage\r\n  s1\tRG1\tO1 1 ;a\r\n\r\n"
            "[SUBAREAS]\r\nS1 0.01\r\n[SUBCATCHMENTS]\r\nLAKE RG9 O1 2\r\nS3 RG1;x\r\n\r\n");
  const auto gage_of = [](std::string_view name) -> std::optional<std::string> {
    if (name == "LAKE") return std::nullopt;
    std::string gage(name);
    for (char& c : gage) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return gage;
  };
  EXPECT_EQ(raingen::exporting::subcatchments_on_gages((dir / "m.inp").string(), gage_of),
            "[SUBCATCHMENTS]\n;;Name Gage\n  s1\tS1\tO1 1 ;a\n\n;LAKE: no site of the network, its rain gage kept\n"
            "LAKE RG9 O1 2\nS3 S3;x\n");
  dir.write("bad.inp", "[SUBCATCHMENTS]\nS1 RG1 O1\nS2 ;no gage\n");
  try {
    raingen::exporting::subcatchments_on_gages((dir / "bad.inp").string(), gage_of);
    ADD_FAILURE() << "a subcatchment without a gage field was taken";
  } catch (const raingen::common::ToolError& error) {
    EXPECT_EQ(error.line(), 3);
    EXPECT_EQ(error.message(), "a subcatchment line with no rain gage field: 'S2 ;no gage'");
  }
}

// The line of text in the file's text, counted from 1.
long line_of(const std::string& text, const std::string& line) {
  const std::size_t at = text.find("\n" + line + "\n");
  return at == std::string::npos ? 0 : 1 + std::count(text.begin(), text.begin() + static_cast<long>(at) + 1, '\n');
}

// Each network a hydrologist could get wrong, and a command line that does not fit a network: a
// message naming what is wrong, the status, and the OUTPUT left as it was (here an old file).
TEST(NetworkExport, RefusesWhatIsNotOneNetworksRunsWritingNothing) {
  struct Case {
    const char* what;
    std::function<void(const Network&)> spoil;
    Args arguments;
    int status;
    std::function<std::string(const Network&)> message;
  };
  const auto manifest_line = [](const Network& n, const std::string& line) {
    return std::to_string(line_of(read_file(n.net / "NETWORK.TXT"), line));
  };
  const auto rerun_with_days = [](const fs::path& folder, int count) {
    std::string input = read_file(folder / "INPUT.TXT");
    input.replace(input.rfind(std::to_string(days)), 3, std::to_string(count));
    write_file(folder / "INPUT.TXT", input);
    ChildSetup run;
    run.directory = folder;
    run.environment = {{"RAINGEN_SEED", "7"}};
    EXPECT_EQ(run_raingen(run).exit_status, 0);
  };
  const std::vector<Case> cases = {
      {"no network", [](const Network& n) { fs::remove_all(n.net); }, {"--format", "csv", "out.txt"}, 1,
       [](const Network&) { return "net/NETWORK.TXT: is missing: a network directory is made by raingen-prepare --network"; }},
      {"a site's folder missing", [](const Network& n) { fs::remove_all(n.net / "S2"); }, {"--format", "csv", "out.txt"}, 1,
       [&](const Network& n) { return "net/NETWORK.TXT:" + manifest_line(n, "[site S2]") + ": site S2: its folder net/S2 is missing"; }},
      {"a table missing", [](const Network& n) { fs::remove(n.net / "S3/RESULTS.TXT"); }, {"--format", "swmm-rain", "out.txt"}, 1,
       [](const Network&) { return "net/S3/RESULTS.TXT: is missing: the table of site S3 (run the program in net/S3 first)"; }},
      {"a table cut part way through a day",
       [](const Network& n) { fs::resize_file(n.net / "S2/RESULTS.TXT", fs::file_size(n.net / "S2/RESULTS.TXT") - 23 * 5); },
       {"--format", "csv", "out.txt"}, 1,
       [](const Network&) {
         return fmt::format("net/S2/RESULTS.TXT:{}: the table ends part way through day {}, after 91 of its 96 rows: the "
                            "file is cut short",
                            14 + days * 96 - 5, days);
       }},
      {"a table cut at a day's end",
       [](const Network& n) { fs::resize_file(n.net / "S1/RESULTS.TXT", fs::file_size(n.net / "S1/RESULTS.TXT") - 23 * 96); },
       {"--format", "csv", "out.txt"}, 1,
       [](const Network&) {
         return fmt::format("net/S1/RESULTS.TXT: holds {} days where its INPUT.TXT runs {}: the table of site S1 is not the "
                            "run's whole table", days - 1, days);
       }},
      {"sites that ran different days", [&](const Network& n) { rerun_with_days(n.net / "S3", 100); },
       {"--format", "swmm-rain", "out.txt"}, 1,
       [](const Network&) {
         return fmt::format("net/S3/RESULTS.TXT: site S3 runs 100 days from 2003-12-01 00:00, where site S1 "
                            "(net/S1/RESULTS.TXT) runs {} days from 2003-12-01 00:00: the sites of one network run the "
                            "same days", days);
       }},
      {"a site name SWMM cannot take",
       [](const Network& n) {
         std::string text = read_file(n.net / "NETWORK.TXT");
         text.replace(text.find("[site S2]"), 9, "[site S;2]");
         write_file(n.net / "NETWORK.TXT", text);
       },
       {"--format", "swmm-rain", "out.txt"}, 1,
       [&](const Network& n) {
         return "net/NETWORK.TXT:" + manifest_line(n, "[site S;2]") +
                ": [site S;2]: a site name holds no ';' (it names a folder and a SWMM rain gage)";
       }},
      {"a model without subcatchments",
       [](const Network& n) { n.dir.write("town.inp", model_options + model_rest); }, {"--format", "swmm-rain", "out.txt"}, 1,
       [](const Network& n) {
         return (n.dir / "town.inp").string() + ": has no [SUBCATCHMENTS] section: no subcatchment to put on a gage";
       }},
      {"OUTPUT a site's table", [](const Network&) {}, {"--format", "csv", "net/S1/RESULTS.TXT"}, 2,
       [](const Network&) {
         return "net/S1/RESULTS.TXT: is net/S1/RESULTS.TXT, a file the export reads: it would be replaced; give another OUTPUT";
       }},
      {"OUTPUT the model", [](const Network&) {}, {"--format", "swmm-rain", "town.inp"}, 2,
       [](const Network& n) {
         return "town.inp: is " + (n.dir / "town.inp").string() +
                ", a file the export reads: it would be replaced; give another OUTPUT";
       }},
      {"a one-site format", [](const Network&) {}, {"--format", "netcdf", "out.txt"}, 2,
       [](const Network&) { return "--network writes csv or swmm-rain: one file that holds every site"; }},
      {"a one-site option", [](const Network&) {}, {"--format", "csv", "--station", "X", "out.txt"}, 2,
       [](const Network&) { return "--station describes one site's series: with --network each site's comes from NETWORK.TXT"; }},
      {"INPUT beside the network", [](const Network&) {}, {"--format", "csv", "net/S1/RESULTS.TXT", "out.txt"}, 2,
       [](const Network&) { return "--network reads every site's table from DIR: give OUTPUT alone"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Network n;
    ASSERT_TRUE(n.ready);
    n.dir.write("out.txt", "old\n");
    c.spoil(n);
    const fs::path first_table = n.net / "S1/RESULTS.TXT";
    const std::string table = fs::exists(first_table) ? read_file(first_table) : "";
    const Outcome outcome = n.export_to(c.arguments);
    EXPECT_EQ(outcome.exit_status, c.status);
    EXPECT_EQ(outcome.err, "raingen-export: " + c.message(n) + "\n");
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(n.dir.read("out.txt"), "old\n");
    EXPECT_EQ(fs::exists(first_table) ? read_file(first_table) : "", table);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(n.dir.path())) ++files;
    EXPECT_EQ(files, fs::exists(n.net) ? 6u : 5u);  // three records, the model, out.txt, net: no aside file left
  }
}

Outcome run_command(const fs::path& dir, const Args& command) {
  ChildSetup setup;
  setup.directory = dir;
  setup.timeout_seconds = 280;
  return run_in_child(setup, [&] {
    Args copies = command;
    std::vector<char*> argv;
    for (auto& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  });
}

// The fields of the report's lines from the one after the line that holds heading (skipping
// `skip` more) to the next blank line.
std::vector<std::vector<std::string>> report_rows(const std::string& report, const std::string& heading, int skip) {
  std::vector<std::vector<std::string>> rows;
  std::size_t at = report.find(heading);
  if (at == std::string::npos) return rows;
  std::istringstream lines(report.substr(report.find('\n', at) + 1));
  std::string line;
  for (int k = 0; k < skip; ++k) std::getline(lines, line);
  while (std::getline(lines, line) && line.find_first_not_of(" \r") != std::string::npos) {
    std::istringstream fields(line);
    rows.emplace_back();
    for (std::string field; fields >> field;) rows.back().push_back(field);
  }
  return rows;
}

// SWMM 5 runs the model with its gages and subcatchments replaced by the lines the export shows,
// the three gages reading the one rain file: each subcatchment gets its own site's total, and at
// every 15 minutes (the report gives the rate of the interval that begins then, in mm/h) its own
// site's depth.
TEST(NetworkExport, SwmmRunsEverySubcatchmentOnItsOwnSitesRain) {
  const fs::path build = fs::path(RAINGEN_SHARED_DIR) / "tools/swmm/build.sh";
  if (!fs::exists(build))
    GTEST_SKIP() << "no SWMM source kit at " << build.string() << " (a clone without ../shared; -DRAINGEN_SHARED_DIR)";
  const Network n;
  ASSERT_TRUE(n.ready);
  const Outcome built = run_command(n.dir.path(), {"bash", build.string()});
  ASSERT_EQ(built.exit_status, 0) << built.err;
  const fs::path runswmm = fs::path(built.out.substr(0, built.out.find('\n'))) / "runswmm";

  const Outcome exported = n.export_to({"--format", "swmm-rain", "rain.dat"});
  ASSERT_EQ(exported.exit_status, 0) << exported.err;
  n.dir.write("model.inp", model_options + exported.err + "\n" + model_rest);
  // Without a binary output file SWMM writes each subcatchment's time series into its report.
  const Outcome run = run_command(n.dir.path(), {runswmm.string(), "model.inp", "model.rpt"});
  ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
  const std::string report = n.dir.read("model.rpt");
  ASSERT_EQ(report.find("ERROR"), std::string::npos) << report;

  const auto summary = report_rows(report, "Subcatchment Runoff Summary", 7);
  ASSERT_EQ(summary.size(), sites.size()) << report;
  for (std::size_t s = 0; s < sites.size(); ++s) {
    const std::string name = sites[s].name;
    EXPECT_EQ(summary[s].at(0), s == 1 ? "s2" : name);
    const double total = static_cast<double>(n.total(name)) / 1000;
    EXPECT_GT(total, 10.0) << name;
    EXPECT_NEAR(std::stod(summary[s].at(1)), total, 0.0051) << name << ": SWMM's total precipitation against the table's";
    std::printf("%s: SWMM total precipitation %s mm, table total %.3f mm\n", name.c_str(), summary[s].at(1).c_str(), total);

    const auto steps = report_rows(report, "<<< Subcatchment " + summary[s].at(0) + " >>>", 4);
    const std::vector<long>& rows = n.thousandths.at(name);
    ASSERT_EQ(steps.size(), rows.size()) << name;  // 00:15 to the end, every 15 minutes
    long wet = 0;
    for (std::size_t k = 1; k < rows.size(); ++k) {
      const std::vector<std::string>& step = steps[k - 1];
      ASSERT_EQ(step.at(0) + " " + step.at(1), stamp(static_cast<long>(k), "%m/%d/%Y %H:%M:00")) << name;
      EXPECT_EQ(std::lround(std::stod(step.at(2)) * 1000), 4 * rows[k]) << name << " at " << step.at(1);
      wet += rows[k] > 0;
    }
    EXPECT_GT(wet, 20) << name;
  }
}

}  // namespace
