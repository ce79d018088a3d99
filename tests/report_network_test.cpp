// raingen-report --network end to end: a network of three sites built in the test (each site's
// folder by raingen-prepare --weighted-site, NETWORK.TXT by the manifest's writer), the program
// run in each folder with one seed, the report made; its rows checked against correlations the
// test computes itself from the records it wrote and the results tables; bad input refused with
// its message and status, nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include <date/date.h>

#include <fmt/format.h>

#include "network/network_manifest.h"
#include "support/child.h"
#include "support/network_fixture.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using raingen::network::NetworkManifest;
using Args = std::vector<std::string>;

constexpr int record_days = 60;
constexpr int run_days = 1500;
constexpr std::array<const char*, 4> gauge_ids{"G1", "G2", "G3", "G4"};

struct SitePlan {
  const char* name;
  double x, y;                   // metres
  std::array<int, 3> gauges;     // indices of gauge_ids, nearest first
  std::array<int, 3> distances;  // as INPUT.TXT weighs them
};
constexpr std::array<SitePlan, 3> plan{{{"S1", 0, 0, {0, 1, 2}, {1, 3, 4}},
                                        {"S2", 300, 400, {1, 2, 3}, {1, 2, 3}},
                                        {"S3", 600, 800, {2, 3, 0}, {1, 2, 5}}}};

// Sixty days of rain at four gauges: a storm on about 40% of the days, the same intervals at every
// gauge, each gauge's depths the storm's scaled by its own factor, plus rain of its own half the
// time (tenths of a millimetre, at least 0.1): the gauges are wet on the same days, so every site's site station has
// the same dates and spell table. With `lone_days`, G4 also rains alone on some dry days: the sites weighing it get wet
// days the others lack, as sites prepared one by one would.
std::array<std::vector<double>, 4> gauge_depths(bool lone_days) {
  std::mt19937 random(29);
  std::uniform_real_distribution<double> uniform(0, 1);
  std::exponential_distribution<double> storm(1.0);
  std::array<std::vector<double>, 4> depths;
  for (auto& d : depths) d.assign(record_days * 96, 0.0);
  for (int day = 0; day < record_days; ++day) {
    const bool wet = uniform(random) < 0.4;
    const int first = day * 96 + static_cast<int>(uniform(random) * 80),
              length = 2 + static_cast<int>(uniform(random) * 10);
    if (!wet && !(lone_days && day % 3 == 0)) continue;
    for (int k = first; k < first + length; ++k) {
      const double common = storm(random);
      for (std::size_t g = 0; g < 4; ++g) {
        const double local = uniform(random) < 0.5 ? storm(random) : 0.0;
        const double depth = std::max(0.1, std::round((common * 2 * uniform(random) + local) * 10) / 10);
        if (wet || g == 3) depths[g][static_cast<std::size_t>(k)] = depth;
      }
    }
  }
  return depths;
}

// A 15-minute csv from 2001-01-01 stamped at the interval's end.
std::string record_csv(const std::vector<double>& depths) {
  std::string text = "time,mm\n";
  const auto start = date::sys_days{date::year{2001} / 1 / 1};
  for (std::size_t k = 0; k < depths.size(); ++k)
    text += date::format("%Y-%m-%d %H:%M", start + std::chrono::minutes{15 * (k + 1)}) +
            fmt::format(",{:.1f}\n", depths[k]);
  return text;
}

raingen::stations::StationId id(const char* text) { return raingen::stations::StationId::given(text, "test"); }

// The network directory net/ beside the records, with the program run in every site's folder.
struct Network {
  TempDir dir;
  std::array<std::vector<double>, 4> gauges;
  std::filesystem::path net;

  explicit Network(bool lone_days) : gauges(gauge_depths(lone_days)), net(dir / "net") {
    NetworkManifest m;
    m.coordinates = raingen::network::CoordinateSystem::planar;
    m.map_unit = "m";
    m.station = id("SITE");
    m.sites_file = (dir / "sites.csv").string();
    for (std::size_t g = 0; g < 4; ++g) {
      dir.write(fmt::format("g{}.csv", g + 1), record_csv(gauges[g]));
      m.gauges.push_back(
          {id(gauge_ids[g]), {100.0 * static_cast<double>(g), 50}, (dir / fmt::format("g{}.csv", g + 1)).string()});
    }
    for (const SitePlan& site : plan) {
      Args prepare{"--weighted-site",         "SITE", "--site", site.name, "--days", std::to_string(run_days), "--dir",
                   (net / site.name).string()};
      raingen::network::NetworkSite entry{site.name, {site.x, site.y}, site.name, {}};
      for (std::size_t k = 0; k < 3; ++k) {
        const int g = site.gauges[k];
        prepare.insert(prepare.end(),
                       {"--gauge", fmt::format("{}={}", gauge_ids[g], (dir / fmt::format("g{}.csv", g + 1)).string()),
                        "--station", fmt::format("{}={}", gauge_ids[g], site.distances[k])});
        entry.gauges.push_back({id(gauge_ids[g]), site.distances[k]});
      }
      std::filesystem::create_directories(net / site.name);
      const Outcome prepared = run_tool_program(ChildSetup{}, "raingen-prepare", prepare);
      EXPECT_EQ(prepared.exit_status, 0) << prepared.err;
      const Outcome ran = run_program_in(net / site.name, 5);
      EXPECT_EQ(ran.exit_status, 0) << ran.err;
      m.sites.push_back(std::move(entry));
    }
    write_file(net / "NETWORK.TXT", raingen::network::network_manifest_text(m));
  }

  Outcome report(const Args& more = {}) const {
    Args arguments{"--network", net.string(), "--output", (dir / "out").string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return run_tool_program(ChildSetup{}, "raingen-report", arguments);
  }

  // The site's record weighted at the inverse squares of its distances, from the depths written.
  std::vector<double> weighted(const SitePlan& site) const {
    std::vector<double> out(record_days * 96, 0.0);
    double total = 0;
    for (std::size_t k = 0; k < 3; ++k) total += 1.0 / (site.distances[k] * site.distances[k]);
    for (std::size_t i = 0; i < out.size(); ++i)
      for (std::size_t k = 0; k < 3; ++k)
        out[i] += gauges[static_cast<std::size_t>(site.gauges[k])][i] / (site.distances[k] * site.distances[k]) / total;
    return out;
  }

  // The depths of the site's results table (after its heading, rows "minutes depth").
  std::vector<double> generated(const SitePlan& site) const {
    std::vector<double> out;
    for (long depth : table_thousandths(net / site.name / "RESULTS.TXT"))
      out.push_back(static_cast<double>(depth) / 1000);
    return out;
  }
};

std::vector<double> sums(const std::vector<double>& v, std::size_t n) {
  std::vector<double> out(v.size() / n, 0.0);
  for (std::size_t i = 0; i < out.size() * n; ++i) out[i / n] += v[i];
  return out;
}

// Pearson's r the textbook way, every value present.
double pearson(const std::vector<double>& a, const std::vector<double>& b) {
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  const double n = static_cast<double>(a.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    sa += a[i], sb += b[i], saa += a[i] * a[i], sbb += b[i] * b[i], sab += a[i] * b[i];
  return (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
}

double share_wet_at_all(const std::vector<std::vector<double>>& sites) {
  std::size_t all = 0;
  for (std::size_t i = 0; i < sites[0].size(); ++i) {
    bool wet = true;
    for (const auto& s : sites) wet = wet && s[i] > 0;
    all += wet;
  }
  return static_cast<double>(all) / static_cast<double>(sites[0].size());
}

// statistics.csv's rows by "series,minutes,statistic": value and x.
std::map<std::string, std::pair<double, double>> csv_rows(const std::string& csv) {
  std::map<std::string, std::pair<double, double>> rows;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "series,aggregation_minutes,statistic,value,x,lower,upper");
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
    f.resize(7);
    rows[f[0] + "," + f[1] + "," + f[2]] = {f[3].empty() ? NAN : std::stod(f[3]), f[4].empty() ? NAN : std::stod(f[4])};
  }
  return rows;
}

TEST(ReportNetwork, CorrelationsOfTheRecordsAndTheRunsAsComputedApart) {
  const Network n(false);
  const Outcome o = n.report();
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out,
            (n.dir / "out" / "statistics.csv").string() + "\n" + (n.dir / "out" / "report.html").string() + "\n");
  const auto rows = csv_rows(n.dir.read("out/statistics.csv"));
  EXPECT_EQ(rows.size(), 3u * 3 * 4 + 2 * 3 * 3);  // 3 levels x 3 pairs x 4 rows, then wet rows

  std::vector<std::vector<double>> record, generated;
  for (const SitePlan& site : plan) {
    record.push_back(n.weighted(site));
    generated.push_back(n.generated(site));
    ASSERT_EQ(generated.back().size(), static_cast<std::size_t>(run_days) * 96);
  }
  const std::array<std::size_t, 3> per_block{1, 4, 96};
  const std::array<const char*, 3> minutes{"15", "60", "1440"};
  for (std::size_t level = 0; level < 3; ++level) {
    for (std::size_t i = 0; i < 3; ++i)
      for (std::size_t j = i + 1; j < 3; ++j) {
        const std::string pair = std::string(plan[i].name) + "/" + plan[j].name,
                          at = std::string(",") + minutes[level] + ",";
        const double distance = std::hypot(plan[i].x - plan[j].x, plan[i].y - plan[j].y);
        const auto& r = rows.at("record:" + pair + at + "correlation");
        const auto& g = rows.at("generated:" + pair + at + "correlation");
        EXPECT_NEAR(r.first, pearson(sums(record[i], per_block[level]), sums(record[j], per_block[level])), 1e-9)
            << pair << at;
        EXPECT_NEAR(g.first, pearson(sums(generated[i], per_block[level]), sums(generated[j], per_block[level])), 1e-9)
            << pair << at;
        EXPECT_EQ(r.second, distance);
        EXPECT_EQ(g.second, distance);
        EXPECT_EQ(rows.at("record:" + pair + at + "correlation_pairs").first, record_days * 96 / per_block[level]);
        EXPECT_EQ(rows.at("generated:" + pair + at + "correlation_pairs").first, run_days * 96 / per_block[level]);
        // One network day at every site at once: the generated r is the records', within sampling.
        if (level == 2) {
          EXPECT_NEAR(g.first, r.first, 0.05) << pair;
        }
      }
    std::vector<std::vector<double>> record_blocks, generated_blocks;
    for (std::size_t s = 0; s < 3; ++s) {
      record_blocks.push_back(sums(record[s], per_block[level]));
      generated_blocks.push_back(sums(generated[s], per_block[level]));
    }
    const std::string at = std::string(",") + minutes[level] + ",";
    EXPECT_NEAR(rows.at("record" + at + "share_wet_at_all_sites").first, share_wet_at_all(record_blocks), 1e-15);
    EXPECT_NEAR(rows.at("generated" + at + "share_wet_at_all_sites").first, share_wet_at_all(generated_blocks), 1e-15);
  }
  const std::string html = n.dir.read("out/report.html");
  for (const char* text : {"<h2>Correlation between sites against distance</h2>", "<th>distance (m)</th>",
                           "<h2>Wet at all sites together</h2>", "pairs&#39; generated daily r differs", "<svg"})
    EXPECT_NE(html.find(text), std::string::npos) << text;
  EXPECT_EQ(html.find("less than half"), std::string::npos);
}

}  // namespace

namespace {

// Sites whose dates differ (G4 rains alone on days the others are dry, so S2 and S3 have wet days
// S1 lacks) draw their days apart: S1's generated correlation with them is near zero, and the page
// says why, with the figures; S2 and S3, alike in their days, still go together.
TEST(ReportNetwork, SitesWithOtherDatesLoseTheirCorrelation) {
  const Network n(true);
  ASSERT_EQ(n.report().exit_status, 0);
  const auto rows = csv_rows(n.dir.read("out/statistics.csv"));
  for (const char* pair : {"S1/S2", "S1/S3"}) {
    EXPECT_GT(rows.at(std::string("record:") + pair + ",1440,correlation").first, 0.5) << pair;
    EXPECT_LT(std::fabs(rows.at(std::string("generated:") + pair + ",1440,correlation").first), 0.15) << pair;
  }
  EXPECT_NEAR(rows.at("generated:S2/S3,1440,correlation").first, rows.at("record:S2/S3,1440,correlation").first, 0.05);
  const std::string html = n.dir.read("out/report.html");
  const auto at = html.find("Here the generated daily correlation (");
  ASSERT_NE(at, std::string::npos);
  // the mean daily r of S1/S2, S1/S3 (near 0) and S2/S3 against the records'
  const double generated =
      (rows.at("generated:S1/S2,1440,correlation").first + rows.at("generated:S1/S3,1440,correlation").first +
       rows.at("generated:S2/S3,1440,correlation").first) /
      3;
  const std::string said = fmt::format("Here the generated daily correlation ({:.4g}) is less than half", generated);
  EXPECT_EQ(html.substr(at, said.size()), said);
  EXPECT_NE(html.find("<circle cx=\"244.0\" cy=\"252.0\" r=\"2.6\" fill=\"#d62728\"/>"), std::string::npos);
}

// The line of "[site NAME]" in a manifest's text, from 1.
long site_line(const std::string& text, const std::string& name) {
  const std::string before = text.substr(0, text.find("[site " + name + "]"));
  return 1 + static_cast<long>(std::count(before.begin(), before.end(), '\n'));
}

// A site folder without its results table, a NETWORK.TXT that does not read or lists other gauges
// for a site than its folder's, --network with options of a single run, and an output that is an
// input: each refused with its message and status, no report written.
TEST(ReportNetwork, BadInputIsRefusedAndNothingWritten) {
  const Network n(false);
  const std::filesystem::path table = n.net / "S2" / "RESULTS.TXT";
  std::filesystem::rename(table, n.dir / "kept.txt");
  const Outcome no_table = n.report();
  EXPECT_EQ(no_table.exit_status, 1);
  EXPECT_EQ(no_table.err, "raingen-report: " + table.string() +
                              ": site S2 has no results table: run the program in its folder first (the same "
                              "RAINGEN_SEED at every site)\n");
  std::filesystem::rename(n.dir / "kept.txt", table);

  const std::string manifest = read_file(n.net / "NETWORK.TXT");
  write_file(n.net / "NETWORK.TXT", "[network]\ncoordinates = sideways\n");
  const Outcome unread = n.report();
  EXPECT_EQ(unread.exit_status, 1);
  EXPECT_EQ(unread.err, "raingen-report: " + (n.net / "NETWORK.TXT").string() +
                            ":2: coordinates 'sideways' is neither degrees nor planar\n");
  // S1's folder weighs G3 at 4: a manifest that says 5 is not of this folder.
  std::string moved = manifest;
  const auto g3 = moved.find("gauge = G3 4\n");
  ASSERT_NE(g3, std::string::npos);
  write_file(n.net / "NETWORK.TXT", moved.replace(g3, 13, "gauge = G3 5\n"));
  const Outcome other = n.report();
  EXPECT_EQ(other.exit_status, 1);
  EXPECT_EQ(other.err, "raingen-report: " + (n.net / "NETWORK.TXT").string() + ":" +
                           std::to_string(site_line(moved, "S1")) +
                           ": site S1 is weighted from G1 1, G2 3, G3 5, but its folder's site station was made of G1 "
                           "1, G2 3, G3 4 (" +
                           (n.net / "S1" / "RAINGEN.TXT").string() +
                           "): the folder is not this "
                           "network's\n");
  write_file(n.net / "NETWORK.TXT", manifest);

  const Outcome with_gauge = n.report({"--gauge", "G1=" + (n.dir / "g1.csv").string()});
  EXPECT_EQ(with_gauge.exit_status, 2);
  EXPECT_EQ(with_gauge.err,
            "raingen-report: --gauge is for the report of one run directory: with --network, each "
            "site's folder gives its gauges, their reading and its results table\n");
  EXPECT_EQ(n.report({"--column", "G1:mm"}).exit_status, 2);
  EXPECT_FALSE(n.dir.exists("out"));

  // An output that is an input, here by a symbolic link: refused, the input as it was.
  std::filesystem::create_directories(n.dir / "out");
  std::filesystem::create_symlink(n.net / "S3" / "INPUT.TXT", n.dir / "out" / "report.html");
  const std::string input = read_file(n.net / "S3" / "INPUT.TXT");
  const Outcome replacing = n.report();
  EXPECT_EQ(replacing.exit_status, 2);
  EXPECT_EQ(replacing.err, "raingen-report: " + (n.dir / "out" / "report.html").string() + ": is " +
                               (n.net / "S3" / "INPUT.TXT").string() +
                               ", which the network report reads: a report never replaces its inputs\n");
  EXPECT_EQ(read_file(n.net / "S3" / "INPUT.TXT"), input);
  EXPECT_FALSE(n.dir.exists("out/statistics.csv"));
  std::filesystem::remove(n.dir / "out" / "report.html");
  EXPECT_EQ(n.report().exit_status, 0);  // the same network, whole again, reports
}

}  // namespace
