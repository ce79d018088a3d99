// raingen-prepare --network end to end: three gauges with spatially correlated rain (a storm common
// to all, scaled per gauge, plus local showers) and three sites between them. Through the real
// program: one seed draws the same dates at every site, each site's depths are its own weighted
// record's (as --weighted-site makes it for that site alone), and the inter-site correlation of
// daily depths is the weighted records'; bad input is refused with one message and nothing written.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

#include <date/date.h>
#include <fmt/format.h>

#include "network/network_manifest.h"
#include "support/child.h"
#include "support/network_fixture.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;
using Depths = std::array<long, 96>;  // hundredths of a mm

constexpr int record_days = 3 * 365;
constexpr int generated_days = 2000;

// A 15-minute CSV for each of three gauges over record_days from 2001-01-01: on a storm day (one in
// three) a storm of random depth and hours falls on all three, scaled per gauge by a day factor of
// its own (lognormal) and per interval by noise; each gauge also has local showers on one day in
// four. Gauges so correlated give sites whose daily depths correlate well below 1.
std::array<std::string, 3> correlated_records(unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> normal(0, 1);
  std::array<std::string, 3> text{"time,mm\n", "time,mm\n", "time,mm\n"};
  const auto start = date::sys_days{date::year{2001} / 1 / 1};
  for (int d = 0; d < record_days; ++d) {
    const bool storm = unit(random) < 1.0 / 3;
    const double depth = -8 * std::log(1 - unit(random));
    const int from = static_cast<int>(unit(random) * 80), hours = 1 + static_cast<int>(unit(random) * 15);
    std::array<std::array<double, 96>, 3> day{};
    for (std::size_t g = 0; g < 3; ++g) {
      const double factor = std::exp(normal(random));
      if (storm)
        for (int j = from; j < std::min(96, from + hours); ++j)
          day[g][static_cast<std::size_t>(j)] = depth / hours * factor * (0.5 + unit(random));
      if (unit(random) < 0.25)
        for (int k = 0; k < 4; ++k)
          day[g][static_cast<std::size_t>(unit(random) * 96)] += -2 * std::log(1 - unit(random));
    }
    for (std::size_t g = 0; g < 3; ++g)
      for (int j = 0; j < 96; ++j)
        text[g] += date::format("%Y-%m-%d %H:%M", start + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
                   fmt::format(",{:.2f}\n", std::min(day[g][static_cast<std::size_t>(j)], 60.0));
  }
  return text;
}

// A station's day file: the date of each line (the label's columns 6-15) and its depths.
std::vector<std::pair<std::string, Depths>> day_file(const std::filesystem::path& file) {
  std::vector<std::pair<std::string, Depths>> days;
  std::istringstream lines(read_file(file));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream values(line.substr(29));
    Depths depths{};
    for (long& v : depths) {
      double mm = 0;
      values >> mm;
      v = std::lround(mm * 100);
    }
    days.emplace_back(line.substr(5, 10), depths);
  }
  return days;
}

// The days a run of the program generated (SOURCE.OUT), in hundredths.
std::vector<Depths> generated(const std::filesystem::path& folder) {
  std::vector<Depths> days;
  const std::vector<long> rows = table_thousandths(folder / "SOURCE.OUT");
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k % 96 == 0) days.emplace_back();
    days.back()[k % 96] = std::lround(static_cast<double>(rows[k]) / 1000 * 100);
  }
  return days;
}

long total(const Depths& d) {
  long sum = 0;
  for (long v : d) sum += v;
  return sum;
}

void run_program(const std::filesystem::path& folder, int seed) {
  const Outcome o = run_program_in(folder, seed);
  ASSERT_EQ(o.exit_status, 0) << folder << o.err;
}

// The pooled Pearson correlation of x and y.
double correlation(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sx += x[i], sy += y[i], sxx += x[i] * x[i], syy += y[i] * y[i], sxy += x[i] * y[i];
  }
  return (sxy - sx * sy / n) / std::sqrt((sxx - sx * sx / n) * (syy - sy * sy / n));
}

// Gauges A, B, C at the corners of a triangle (map units), sites S1, S2, S3 inside it, the network
// prepared in net/ and each site prepared alone by --weighted-site (same gauges, same distances)
// in alone/NAME.
struct Network {
  TempDir dir;
  raingen::network::NetworkManifest manifest;
  Outcome prepared;
  static inline const std::array<std::string, 3> sites{"S1", "S2", "S3"};

  explicit Network(unsigned seed = 7) {
    const std::array<std::string, 3> records = correlated_records(seed);
    for (std::size_t g = 0; g < 3; ++g) dir.write(std::string(1, static_cast<char>('a' + g)) + ".csv", records[g]);
    dir.write("sites.csv", "name,x,y\nS1,1.5,1\nS2,8.5,1\nS3,5,8.5\n");
    prepared = prepare({"--network", "net", "--sites", "sites.csv", "--days", std::to_string(generated_days), "--gauge",
                        "A=a.csv", "--gauge", "B=b.csv", "--gauge", "C=c.csv", "--station", "A@0,0", "--station",
                        "B@10,0", "--station", "C@5,10"});
    if (prepared.exit_status != 0) return;
    manifest = raingen::network::read_network_manifest(dir / "net");
    for (const raingen::network::NetworkSite& site : manifest.sites) {
      std::filesystem::create_directories(dir / "alone" / site.name);
      Args alone{"--weighted-site", "SITE",
                 "--site",          site.name,
                 "--days",          std::to_string(generated_days),
                 "--dir",           (dir / "alone" / site.name).string()};
      for (const raingen::network::SiteGauge& g : site.gauges) {
        const std::string id = g.id.text();
        alone.insert(alone.end(), {"--gauge", id + "=" + static_cast<char>(std::tolower(id[0])) + ".csv", "--station",
                                   id + "=" + std::to_string(g.distance)});
      }
      const Outcome o = prepare(alone);
      EXPECT_EQ(o.exit_status, 0) << o.err;
    }
  }
  Outcome prepare(const Args& arguments) const { return run_tool_in(dir.path(), "raingen-prepare", arguments); }
  // Each site's weighted record on its own wet days, by date.
  std::map<std::string, Depths> alone_days(const std::string& site) const {
    std::map<std::string, Depths> days;
    for (const auto& [date, depths] : day_file(dir / "alone" / site / "SITEF_2.TXT")) days[date] = depths;
    return days;
  }
};

TEST(NetworkPrepare, OneSeedDrawsTheSameDatesAtEverySiteEachWithItsOwnDepths) {
  const Network n;
  ASSERT_EQ(n.prepared.exit_status, 0) << n.prepared.err;
  EXPECT_EQ(n.prepared.err, "");
  ASSERT_EQ(n.manifest.sites.size(), 3u);

  // The files: every site station has the same dates in the same order, and on each its own
  // weighted record's depths (as --weighted-site gives them for the site alone), zeros where the
  // site was dry; and the same spell table.
  std::vector<std::vector<std::pair<std::string, Depths>>> files;
  std::vector<std::map<std::string, Depths>> alone;
  for (const std::string& site : Network::sites) {
    files.push_back(day_file(n.dir / "net" / site / "SITEF_2.TXT"));
    alone.push_back(n.alone_days(site));
    EXPECT_EQ(read_file(n.dir / "net" / site / "SITED_3.TXT"), read_file(n.dir / "net/S1/SITED_3.TXT"));
  }
  long zero_days = 0;
  for (std::size_t s = 0; s < 3; ++s) {
    ASSERT_EQ(files[s].size(), files[0].size());
    for (std::size_t d = 0; d < files[s].size(); ++d) {
      ASSERT_EQ(files[s][d].first, files[0][d].first) << Network::sites[s] << " line " << d + 1;
      const auto own = alone[s].find(files[s][d].first);
      EXPECT_EQ(files[s][d].second, own == alone[s].end() ? Depths{} : own->second) << files[s][d].first;
      zero_days += own == alone[s].end() ? 1 : 0;
    }
    for (const auto& [date, depths] : alone[s])  // every wet day of the site is a network wet day
      EXPECT_TRUE(std::any_of(files[s].begin(), files[s].end(), [&](const auto& f) { return f.first == date; }))
          << date;
  }
  EXPECT_GT(zero_days, 0);  // sites dry on some of the network's wet days

  // A filler gauge's files are written once: every other site's are hard links to them.
  long shared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(n.dir / "net" / Network::sites[0])) {
    const std::string name = entry.path().filename().string();
    const std::filesystem::path other = n.dir / "net" / Network::sites[1] / name;
    if (name.rfind("SITE", 0) == 0 || name.find("_") == std::string::npos || !std::filesystem::exists(other)) continue;
    EXPECT_TRUE(std::filesystem::equivalent(entry.path(), other)) << name;
    ++shared;
  }
  EXPECT_GT(shared, 0);

  // Any --jobs makes the same files (but the preparation's stamp) and the same summary.
  std::map<std::string, std::string> trees[2];
  std::string summaries[2];
  for (int k = 0; k < 2; ++k) {
    const std::string folder = k == 0 ? "one" : "three";
    const Outcome o = n.prepare({"--network", folder,
                                 "--sites",   "sites.csv",
                                 "--days",    std::to_string(generated_days),
                                 "--gauge",   "A=a.csv",
                                 "--gauge",   "B=b.csv",
                                 "--gauge",   "C=c.csv",
                                 "--station", "A@0,0",
                                 "--station", "B@10,0",
                                 "--station", "C@5,10",
                                 "--jobs",    k == 0 ? "1" : "3"});
    ASSERT_EQ(o.exit_status, 0) << o.err;
    summaries[k] = std::regex_replace(o.out, std::regex(folder + "/"), "DIR/");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(n.dir / folder))
      if (entry.is_regular_file())
        trees[k][std::filesystem::relative(entry.path(), n.dir / folder).string()] =
            std::regex_replace(read_file(entry.path()), std::regex("(generation|network) = [0-9a-f]+"), "$1 = STAMP");
  }
  EXPECT_EQ(trees[0], trees[1]);
  EXPECT_EQ(summaries[0], summaries[1]);
  EXPECT_GT(trees[0].size(), 3u * 10u);

  // The program: with one seed, each generated day is one date at every site, with that site's
  // own depths of it.
  std::vector<std::map<Depths, std::set<std::string>>> dates_of(3);
  for (std::size_t s = 0; s < 3; ++s)
    for (const auto& [date, depths] : files[s]) dates_of[s][depths].insert(date);
  for (int seed : {1, 2, 3, 4}) {
    std::array<std::vector<Depths>, 3> days;
    for (std::size_t s = 0; s < 3; ++s) {
      run_program(n.dir / "net" / Network::sites[s], seed);
      days[s] = generated(n.dir / "net" / Network::sites[s]);
      ASSERT_EQ(days[s].size(), static_cast<std::size_t>(generated_days));
    }
    long wet = 0, one_date = 0;
    for (std::size_t t = 0; t < days[0].size(); ++t) {
      if (total(days[0][t]) + total(days[1][t]) + total(days[2][t]) == 0) continue;
      ++wet;
      std::set<std::string> common;
      for (std::size_t s = 0; s < 3; ++s) {
        const auto found = dates_of[s].find(days[s][t]);
        ASSERT_NE(found, dates_of[s].end())
            << "seed " << seed << " day " << t + 1 << " is no day of " << Network::sites[s];
        if (s == 0) common = found->second;
        std::erase_if(common, [&](const std::string& date) { return !found->second.count(date); });
      }
      ASSERT_FALSE(common.empty()) << "seed " << seed << " day " << t + 1 << ": the sites drew different dates";
      if (common.size() != 1) continue;
      ++one_date;
      for (std::size_t s = 0; s < 3; ++s) {
        const auto own = alone[s].find(*common.begin());
        EXPECT_EQ(days[s][t], own == alone[s].end() ? Depths{} : own->second);
      }
    }
    EXPECT_GT(wet, generated_days / 4) << seed;
    EXPECT_GT(one_date, wet * 95 / 100) << seed;  // a date told apart by its depths
  }
}

// Daily totals of the three sites over the days of a run or record, in mm.
using DailyTotals = std::array<std::vector<double>, 3>;

std::array<double, 3> pair_correlations(const DailyTotals& d) {
  return {correlation(d[0], d[1]), correlation(d[0], d[2]), correlation(d[1], d[2])};
}

// 400 days of gauge g's record from 2001-01-01, wet on days d % 6 == {0, 2, 3}[g] at interval 10 + g.
std::string sparse_record(int g) {
  std::string text = "time,mm\n";
  for (int d = 0; d < 400; ++d)
    for (int j = 0; j < 96; ++j)
      text += date::format("%Y-%m-%d %H:%M", first_record_day + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
              fmt::format(",{:.1f}\n", d % 6 == std::array{0, 2, 3}[g] && j == 10 + g ? 0.1 * (1 + d % 4) : 0.0);
  return text;
}

// Seasons and a change at every site, two sites at a gauge each so that their own wet days differ:
// in each season every site station holds the network's dates of that season; factor=1.5 makes each
// depth 1.5 times the unchanged network's, and wet-days=-20% makes a fifth of each month's wet days
// dry, the same dates at every site.
TEST(NetworkPrepare, SeasonsAndAChangeOnTheNetworksDatesAtEverySite) {
  NetworkPlan plan{.sites_text = "name,lat,lon\nATA,-2.50,-79.20\nATB,-2.60,-79.30\nMID,-2.53,-79.28\n",
                   .records = {sparse_record(0), sparse_record(1), sparse_record(2)},
                   .options = {"--seasons", "1-6,7-12"}};
  const PreparedNetwork today(plan);
  plan.options.insert(plan.options.end(), {"--change", "factor=1.5,wet-days=-20%"});
  const PreparedNetwork changed(plan);
  long wet_today = 0, wet_changed = 0;
  std::map<std::string, long> wet_in_month;  // "MM": the unchanged network's wet days
  for (const char* season : {"Jan-Jun", "Jul-Dec"}) {
    const auto day_file_of = [&](const PreparedNetwork& n, const char* site) {
      return day_file(n.net / site / season / "SITEF_2.TXT");
    };
    const auto before = day_file_of(today, "MID"), after = day_file_of(changed, "MID");
    wet_today += static_cast<long>(before.size()) - 1;
    for (std::size_t d = 0; d + 1 < before.size(); ++d) ++wet_in_month[before[d].first.substr(5, 2)];
    wet_changed += static_cast<long>(after.size()) - 1;
    for (const char* site : {"ATA", "ATB"}) {
      const auto own = day_file_of(changed, site);
      ASSERT_EQ(own.size(), after.size()) << site << " " << season;
      for (std::size_t d = 0; d < own.size(); ++d) EXPECT_EQ(own[d].first, after[d].first) << site << " " << season;
      EXPECT_EQ(day_file_of(today, site).size(), before.size()) << site << " " << season;
    }
    const std::map<std::string, Depths> unchanged(before.begin(), before.end());
    for (const auto& [date, depths] : after) {
      ASSERT_TRUE(unchanged.count(date)) << date;
      for (std::size_t j = 0; j < 96; ++j)
        EXPECT_EQ(depths[j], std::lround(std::floor(unchanged.at(date)[j] * 1.5 + 0.5 + 1e-9))) << date << " " << j;
    }
  }
  EXPECT_GT(wet_today, 150);
  long removed = 0;  // a fifth of each month's wet days, rounded
  for (const auto& [month, count] : wet_in_month) removed += std::lround(0.2 * static_cast<double>(count));
  EXPECT_EQ(wet_changed, wet_today - removed);
  EXPECT_NE(read_file(changed.net / "ATB" / "RAINGEN.TXT").find("change = factor=1.5,wet-days=-20%\n"),
            std::string::npos);
}

TEST(NetworkPrepare, InterSiteCorrelationIsTheWeightedRecordsAndIndependentRunsLoseIt) {
  const Network n;
  ASSERT_EQ(n.prepared.exit_status, 0) << n.prepared.err;
  // The weighted records' daily totals over every day of the records (all complete).
  DailyTotals record;
  for (std::size_t s = 0; s < 3; ++s) {
    const std::map<std::string, Depths> days = n.alone_days(Network::sites[s]);
    for (int d = 0; d < record_days; ++d) {
      const auto found = days.find(date::format("%F", date::sys_days{date::year{2001} / 1 / 1} + date::days{d}));
      record[s].push_back(found == days.end() ? 0.0 : static_cast<double>(total(found->second)) / 100);
    }
  }
  // The generated ones, from the network's folders (one seed for all sites) and from the sites
  // prepared alone and run with seeds of their own.
  DailyTotals network, independent;
  constexpr int seeds = 25;
  for (int seed = 1; seed <= seeds; ++seed)
    for (std::size_t s = 0; s < 3; ++s) {
      run_program(n.dir / "net" / Network::sites[s], seed);
      for (const Depths& d : generated(n.dir / "net" / Network::sites[s]))
        network[s].push_back(static_cast<double>(total(d)) / 100);
      run_program(n.dir / "alone" / Network::sites[s], 1000 + 3 * seed + static_cast<int>(s));
      for (const Depths& d : generated(n.dir / "alone" / Network::sites[s]))
        independent[s].push_back(static_cast<double>(total(d)) / 100);
    }
  const std::array<double, 3> r = pair_correlations(record), g = pair_correlations(network),
                              i = pair_correlations(independent);
  const char* pairs[] = {"S1-S2", "S1-S3", "S2-S3"};
  for (std::size_t p = 0; p < 3; ++p) {
    std::cout << fmt::format("daily correlation {}: weighted records {:.3f}, network {:.3f}, independent runs {:.3f}\n",
                             pairs[p], r[p], g[p], i[p]);
    // The generated days are the record's, drawn whole: the same correlation within sampling error
    // (the record's 1095 days, a dry-day share the spell table gives back to about a point).
    EXPECT_NEAR(g[p], r[p], 0.03) << pairs[p];
    EXPECT_GT(r[p], 0.3) << pairs[p];
    EXPECT_LT(i[p], 0.1) << pairs[p];  // independent draws keep no storm in common
  }
}

// Bad input: one message naming the file and line where there is one, the exit status, and
// nothing written (the network directory is not made).
TEST(NetworkPrepare, BadInputIsRefusedAndWritesNothing) {
  TempDir dir;
  const std::array<std::string, 3> records = correlated_records(3);
  for (std::size_t g = 0; g < 3; ++g) dir.write(std::string(1, static_cast<char>('a' + g)) + ".csv", records[g]);
  dir.write("bad.csv", "time,mm\n2001-01-01 00:15,0\n2001-01-01 00:30,wet\n");
  // C's record only 20 days long: the network keeps 20 complete days, too few; A and B alone are fine,
  // so the refusal comes while the sites' files are being written.
  std::size_t twenty_days = 0;
  for (int line = 0; line <= 20 * 96; ++line) twenty_days = records[2].find('\n', twenty_days) + 1;
  dir.write("short.csv", records[2].substr(0, twenty_days));
  dir.write("planar.csv", "name,x,y\nS1,2.5,1.5\nS2,7,2\n");
  dir.write("far.csv", "name,x,y\nS1,500000,4100000\n");
  dir.write("degrees.csv", "name,lat,lon\nS1,-2.5,-79.2\nS2,95,-79.2\n");
  dir.write("cases.csv", "name,x,y\nS1,2.5,1.5\nS2,7,2\ns1,5,5\n");
  dir.write("slash.csv", "name,x,y\nS1,2.5,1.5\na/b,7,2\n");
  dir.write("header.csv", "site,east,north\nS1,2.5,1.5\n");
  dir.write("nopolygons.inp", "[TITLE]\nx\n\n[SUBCATCHMENTS]\n;;Name Gage Outlet\nSC1 G1 J1 1 25 500 0.5 0\n");
  dir.write(
      "onepolygon.inp",
      "[SUBCATCHMENTS]\nSC1 G1 J1 1 25 500 0.5 0\nSC2 G1 J1 1 25 500 0.5 0\n\n[POLYGONS]\nSC1 1 1\nSC1 2 1\nSC1 2 2\n");
  dir.write("bowtie.inp",
            "[SUBCATCHMENTS]\nSC1 G1 J1 1 25 500 0.5 0\n\n[POLYGONS]\nSC1 0 0\nSC1 2 2\nSC1 2 0\nSC1 0 2\n");
  dir.write("antimeridian.inp",
            "[MAP]\nUnits Degrees\n\n[SUBCATCHMENTS]\nSC1 G1 J1 1 25 500 0.5 0\n\n[POLYGONS]\n"
            "SC1 179.9 -16\nSC1 -179.9 -16\nSC1 -179.9 -16.1\nSC1 179.9 -16.1\n");
  const Args gauges{"--gauge",   "A=a.csv", "--gauge",   "B=b.csv", "--gauge",   "C=c.csv",
                    "--station", "A@0,0",   "--station", "B@10,0",  "--station", "C@5,10"};
  const auto command = [&](const std::string& sites, Args more = {}, Args given = {}) {
    Args all{"--network", "net", "--sites", sites, "--days", "100"};
    const Args& g = given.empty() ? gauges : given;
    all.insert(all.end(), g.begin(), g.end());
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  const Args degree_gauges{"--gauge",   "A=a.csv",      "--gauge",   "B=b.csv",      "--gauge",   "C=c.csv",
                           "--station", "A@-2.5,-79.1", "--station", "B@-2.6,-79.2", "--station", "C@-2.4,-79.3"};
  const Args far_gauges{"--gauge",   "A=a.csv",          "--gauge",   "B=b.csv",
                        "--gauge",   "C=c.csv",          "--station", "A@500000,4100000",
                        "--station", "B@500010,4100000", "--station", "C@500005,4100010"};
  const Args short_gauges{"--gauge",   "A=a.csv", "--gauge",   "B=b.csv", "--gauge",   "C=short.csv",
                          "--station", "A@0,0",   "--station", "B@10,0",  "--station", "C@5,10"};
  const Args two_gauges{"--gauge", "A=a.csv", "--gauge", "B=b.csv", "--station", "A@0,0", "--station", "B@10,0"};
  const struct {
    Args arguments;
    int status;
    std::string message;
  } cases[] = {
      {command("cases.csv"), 1,
       "cases.csv:4: site s1: the site S1 (line 2) has that name, letter case aside (SWMM does not tell them apart)"},
      {command("slash.csv"), 1,
       "slash.csv:3: site 'a/b': a site name holds no '/' (it names a folder and a SWMM rain gage)"},
      {command("header.csv"), 1,
       "header.csv:1: the header is neither name,lat,lon (degrees) nor name,x,y (a planar map unit)"},
      {command("nopolygons.inp"), 1,
       "nopolygons.inp: has no [POLYGONS]: a subcatchment's site is the centroid of its polygon; draw the "
       "subcatchments "
       "in SWMM, or give the sites as a CSV name,x,y"},
      {command("onepolygon.inp"), 1,
       "onepolygon.inp:3: subcatchment SC2 has no polygon in [POLYGONS]: its site is the centroid of its polygon"},
      {command("bowtie.inp"), 1,
       "bowtie.inp:2: subcatchment SC1: its polygon crosses itself (its edges 1 and 3): the centroid, its site, would "
       "lie outside it; redraw the polygon, or give the sites as a CSV"},
      {command("antimeridian.inp", {}, degree_gauges), 1,
       "antimeridian.inp:5: subcatchment SC1: its polygon spans longitudes from X -179.9 to 179.9, across the "
       "antimeridian: the centroid, its site, would lie outside it; redraw the polygon, or give the sites as a CSV"},
      {command("degrees.csv", {}, degree_gauges), 1,
       "degrees.csv:3: 95,-79.2 is out of -90..90, -180..180: the header says degrees (name,lat,lon); positions in a "
       "planar map unit take the header name,x,y"},
      {command("far.csv", {}, degree_gauges), 2,
       "the sites of far.csv are in a planar map unit, but the gauges' positions all lie within -90..90, -180..180 as "
       "degrees would and no site's does: give the gauges (--station ID@X,Y) and the sites in one map unit"},
      {command("planar.csv", {}, far_gauges), 2,
       "the sites of planar.csv are in a planar map unit, but the sites' positions all lie within -90..90, -180..180 "
       "as "
       "degrees would and no gauge's does: give the gauges (--station ID@X,Y) and the sites in one map unit"},
      {command("planar.csv", {}, two_gauges), 2,
       "a network needs at least three gauges (--gauge ID=FILE with --station ID@A,B): 2 given"},
      {command("planar.csv", {"--gauge", "D=a.csv"}), 2, "--gauge D: no --station D@A,B gives its position"},
      {command("planar.csv", {"--station", "D@1,1"}), 2, "--station D: no --gauge D=FILE gives its record"},
      {command("planar.csv", {"--station", "A@9,9"}), 2, "--station A is given twice: a gauge has one position"},
      {command("planar.csv", {"--results", "../x.txt"}), 2,
       "the results name '../x.txt' is not a plain file name: the table is written beside INPUT.TXT, in the run "
       "folder"},
      {command("planar.csv", {"--station", "D=4"}), 2,
       "--station 'D=4': a gauge of a network is placed as ID@A,B (LAT,LON in degrees or X,Y in the sites' map unit)"},
      {command("planar.csv", {"--seasons", "1-5"}), 2,
       "--seasons '1-5': June is in no season: every month belongs to exactly one"},
      {command("planar.csv", {"--dir", "x"}), 2, "--network DIR is the directory it writes into: no --dir"},
      {{"--network", "net", "--days", "100"},
       2,
       "--network needs --sites FILE (a CSV name,lat,lon or name,x,y, or a SWMM .inp) and --days N"},
      {command("planar.csv", {"--gauge", "D=bad.csv", "--station", "D@6,1"}), 1, "bad.csv:3: 'wet' is not a depth"},
      {command("planar.csv", {}, short_gauges), 1,
       "the network's days at site S1 (weighted record of site S1 (A, B and C)): station SITE keeps 20 complete days "
       "of "
       "20 (--min-complete 100); at least 30 are needed to draw from: give a longer record, or a lower --min-complete"},
      {{"--id", "X", "--sites", "planar.csv", "a.csv"},
       2,
       "--sites lists the sites of a network: it belongs to --network DIR"},
      {{"--id", "X", "--jobs", "2", "a.csv"},
       2,
       "--jobs says how many sites of a network are made at a time: it belongs to --network DIR"},
      {command("planar.csv", {"--jobs", "0"}), 2, "--jobs: Value 0 not in range 1 to 1024 (see --help)"},
  };
  for (const auto& c : cases) {
    const Outcome o = run_tool_in(dir.path(), "raingen-prepare", c.arguments);
    EXPECT_EQ(o.exit_status, c.status) << c.message;
    EXPECT_EQ(o.err, "raingen-prepare: " + c.message + "\n");
    EXPECT_EQ(o.out, "");
    EXPECT_FALSE(dir.exists("net")) << c.message;
  }
}

// Every file of a network stays open until all are renamed together: the tool raises its soft
// limit of open files as far as the hard one allows, and where even that is too low it stops
// saying what it needs, with nothing written.
TEST(NetworkPrepare, OpenFilesBeyondTheSoftLimitAndBeyondTheHardOne) {
  TempDir dir;
  const std::array<std::string, 3> records = correlated_records(5);
  for (std::size_t g = 0; g < 3; ++g) dir.write(std::string(1, static_cast<char>('a' + g)) + ".csv", records[g]);
  dir.write("planar.csv", "name,x,y\nS1,2.5,1.5\nS2,7,2\n");
  const Args arguments{"--network", "net",     "--sites",   "planar.csv", "--days",    "100",
                       "--gauge",   "A=a.csv", "--gauge",   "B=b.csv",    "--gauge",   "C=c.csv",
                       "--station", "A@0,0",   "--station", "B@10,0",     "--station", "C@5,10"};
  const auto limited = [&](rlim_t soft, rlim_t hard) {
    ChildSetup setup;
    setup.directory = dir.path();
    return run_in_child(setup, [&] {
      const rlimit bound{soft, hard};
      if (setrlimit(RLIMIT_NOFILE, &bound) != 0) _exit(125);
      std::string program = (std::filesystem::path(RAINGEN_TOOL_DIR) / "raingen-prepare").string();
      std::vector<std::string> copies = arguments;
      std::vector<char*> argv{program.data()};
      for (std::string& a : copies) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(126);
    });
  };
  // Two sites: 2 x 11 files and NETWORK.TXT, more than 20 at once.
  const Outcome refused = limited(20, 20);
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.err,
            "raingen-prepare: net/NETWORK.TXT: cannot be written: the network's 23 files are written "
            "together and kept open until all are whole, which needs 87 open files, and this system allows "
            "20 open files (ulimit -n, hard limit 20); raise the limit or prepare fewer sites at once\n");
  EXPECT_EQ(refused.out, "");
  EXPECT_FALSE(dir.exists("net"));
  const Outcome raised = limited(20, 4096);
  EXPECT_EQ(raised.exit_status, 0) << raised.err;
  EXPECT_TRUE(dir.exists("net/NETWORK.TXT"));
  EXPECT_TRUE(dir.exists("net/S2/SITED_3.TXT"));
  // One preparation of a network folder at a time: a second one meanwhile is refused.
  const std::string manifest = dir.read("net/NETWORK.TXT");
  const int held = ::open((dir / "net").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const Outcome second = limited(4096, 4096);
  ::close(held);
  EXPECT_EQ(second.exit_status, 1);
  EXPECT_EQ(second.err,
            "raingen-prepare: net: another raingen-prepare is preparing a network into it now: prepare a "
            "network once at a time\n");
  EXPECT_EQ(dir.read("net/NETWORK.TXT"), manifest);
}

// A SWMM model's subcatchments as sites, at their polygons' area centroids, worked by hand: SC1 a
// square about (3,1); SC2 an L of [4,6]x[4,5] (area 2, centroid 5,4.5) and [4,5]x[5,6] (area 1,
// centroid 4.5,5.5): (14.5/3, 14.5/3); SC3 a square about gauge C (a note: C's record alone); SC4
// the triangle (10,0) (13,0) (10,3), centroid (11,1), outside the gauges' triangle (a warning).
TEST(NetworkPrepare, SwmmSubcatchmentsAtTheirCentroidsWithWarningAndNote) {
  TempDir dir;
  const std::array<std::string, 3> records = correlated_records(5);
  for (std::size_t g = 0; g < 3; ++g) dir.write(std::string(1, static_cast<char>('a' + g)) + ".csv", records[g]);
  dir.write(
      "model.inp",
      "[OPTIONS]\nFLOW_UNITS CMS\n\n[SUBCATCHMENTS]\n;;Name Rain Gage Outlet Area\nSC1 G1 J1 1 25 500 0.5 0\n"
      "SC2 G1 J1 1 25 500 0.5 0\nSC3 G1 J1 1 25 500 0.5 0\nSC4 G1 J1 1 25 500 0.5 0\n\n[MAP]\nDIMENSIONS 0 0 20 20\n"
      "Units Meters\n\n[POLYGONS]\n;;Subcatchment X-Coord Y-Coord\nSC1 2 0\nSC1 4 0\nSC1 4 2\nSC1 2 2\n"
      "SC2 4 4\nSC2 6 4\nSC2 6 5\nSC2 5 5\nSC2 5 6\nSC2 4 6\nSC3 4 9\nSC3 6 9\nSC3 6 11\nSC3 4 11\n"
      "SC4 10 0\nSC4 13 0\nSC4 10 3\n");
  const Outcome o = run_tool_in(
      dir.path(), "raingen-prepare",
      {"--network", "net", "--sites", "model.inp", "--days", "100", "--gauge", "A=a.csv", "--gauge", "B=b.csv",
       "--gauge", "C=c.csv", "--station", "A@0,0", "--station", "B@10,0", "--station", "C@5,10"});
  ASSERT_EQ(o.exit_status, 0) << o.err;
  const raingen::network::NetworkManifest m = raingen::network::read_network_manifest(dir / "net");
  EXPECT_EQ(m.sites_from, raingen::network::SitesFrom::swmm);
  EXPECT_EQ(m.map_unit, "m");
  const std::vector<std::pair<double, double>> centroids{{3, 1}, {14.5 / 3, 14.5 / 3}, {5, 10}, {11, 1}};
  ASSERT_EQ(m.sites.size(), 4u);
  for (std::size_t s = 0; s < 4; ++s) {
    EXPECT_NEAR(m.sites[s].position.a, centroids[s].first, 1e-9) << m.sites[s].name;
    EXPECT_NEAR(m.sites[s].position.b, centroids[s].second, 1e-9) << m.sites[s].name;
  }
  EXPECT_EQ(m.sites[2].gauges[0].id.text(), "C");
  EXPECT_EQ(m.sites[2].gauges[0].distance, 0);
  EXPECT_NE(o.out.find("    note: site SC3 lies at gauge C (0.000 m): it takes that gauge's record alone\n"),
            std::string::npos)
      << o.out;
  EXPECT_NE(
      o.out.find("warning: site SC4 (model.inp:9) lies outside the gauges' convex hull: its record is extrapolated "
                 "from gauges on one side\n"),
      std::string::npos)
      << o.out;
  EXPECT_EQ(o.out.find("warning: site SC1"), std::string::npos);
  // The site at gauge C holds C's own depths on the network's wet dates.
  const auto c_days = day_file(dir / "net/SC3/C   F_2.TXT");
  std::map<std::string, Depths> c_by_date(c_days.begin(), c_days.end());
  for (const auto& [date, depths] : day_file(dir / "net/SC3/SITEF_2.TXT")) {
    const auto own = c_by_date.find(date);
    EXPECT_EQ(depths, own == c_by_date.end() ? Depths{} : own->second) << date;
  }
}

}  // namespace
