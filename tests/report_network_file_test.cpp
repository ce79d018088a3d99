// raingen-report --network DIR --ensemble FILE.nc end to end: a network made by raingen-prepare
// --network, three realizations by raingen-ensemble --network; the report from the file gives, for
// every pair and scale, the median and 5-95% band of the reports on the plain runs of the program
// in every site's folder with each realization's seed. A realization with a failed run is left
// out and counted; a file of other sites is refused, naming them, nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include <fmt/format.h>

#include "ensemble_file/ensemble_file.h"
#include "support/child.h"
#include "support/network_fixture.h"

namespace {

using namespace testing_support;
using namespace raingen;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const std::vector<std::string> sites{"EAST", "WEST", "MID"};

// statistics.csv's rows by "series,minutes,statistic": the value, lower and upper as written.
std::map<std::string, std::array<std::string, 3>> csv_rows(const std::string& csv) {
  std::map<std::string, std::array<std::string, 3>> rows;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
    f.resize(7);
    rows[f[0] + "," + f[1] + "," + f[2]] = {f[3], f[5], f[6]};
  }
  return rows;
}

double quantile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const double at = p * static_cast<double>(v.size() - 1);
  const std::size_t below = static_cast<std::size_t>(at);
  return below + 1 < v.size() ? v[below] + (at - static_cast<double>(below)) * (v[below + 1] - v[below]) : v[below];
}

// The fixture's gauges wet on day 1 of every six too: A and C at interval 40, B at 41.
NetworkPlan wet_day_one() {
  NetworkPlan plan;
  plan.rain[0][{1, 40}] = "0.8";
  plan.rain[1][{1, 41}] = "0.4";
  plan.rain[2][{1, 40}] = "2.2";
  return plan;
}

// DIR/net made by raingen-prepare --network from gauges A, B and C, 60 days at each site, and
// DIR/out.nc, three realizations of it from seed 7.
struct NetworkEnsemble : PreparedNetwork {
  NetworkEnsemble() : PreparedNetwork(wet_day_one()) {
    const Outcome made = tool("raingen-ensemble", {"--network", "net", "-n", "3", "--seed", "7", "--output", "out.nc"});
    EXPECT_EQ(made.exit_status, 0) << made.err;
  }
  Outcome report(const std::string& output, const Args& more = {}) const {
    Args arguments{"--network", "net", "--output", output};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return tool("raingen-report", arguments);
  }
  // The report on the plain runs of the program in every site's folder with this seed.
  std::map<std::string, std::array<std::string, 3>> plain_report(int seed) const {
    for (const std::string& site : sites) EXPECT_EQ(run_program_in(net / site, seed).exit_status, 0);
    const std::string output = fmt::format("plain{}", seed);
    const Outcome o = report(output);
    EXPECT_EQ(o.exit_status, 0) << o.err;
    return csv_rows(dir.read(output + "/statistics.csv"));
  }
};

// Each pair's generated correlation at each scale from the file: the median and 5-95% band of
// those of the plain runs with the realizations' seeds; each realization's wet shares are its
// plain runs'; the counts of the file's realizations.
void expect_pooled(const std::map<std::string, std::array<std::string, 3>>& file,
                   const std::map<int, std::map<std::string, std::array<std::string, 3>>>& plain,
                   const std::map<int, int>& realization_of_seed) {
  for (const char* minutes : {"15", "60", "1440"})
    for (std::size_t i = 0; i < sites.size(); ++i)
      for (std::size_t j = i + 1; j < sites.size(); ++j) {
        const std::string key = fmt::format("generated:{}/{},{},correlation", sites[i], sites[j], minutes);
        std::vector<double> r;
        for (const auto& [seed, rows] : plain) r.push_back(std::stod(rows.at(key)[0]));
        const auto& pooled = file.at(key);
        EXPECT_NEAR(std::stod(pooled[0]), quantile(r, 0.5), 1e-12) << key;
        EXPECT_NEAR(std::stod(pooled[1]), quantile(r, 0.05), 1e-12) << key;
        EXPECT_NEAR(std::stod(pooled[2]), quantile(r, 0.95), 1e-12) << key;
        EXPECT_LT(std::stod(pooled[1]), std::stod(pooled[2])) << key;  // the seeds drew apart
        const std::string record = fmt::format("record:{}/{},{},correlation", sites[i], sites[j], minutes);
        EXPECT_EQ(file.at(record), plain.begin()->second.at(record));
      }
  for (const auto& [seed, rows] : plain)
    for (const char* statistic : {"share_wet_at_all_sites", "share_wet_at_any_site"})
      for (const char* minutes : {"15", "60", "1440"})
        EXPECT_EQ(file.at(fmt::format("realization:{},{},{}", realization_of_seed.at(seed), minutes, statistic)),
                  rows.at(fmt::format("generated,{},{}", minutes, statistic)))
            << seed;
}

TEST(ReportNetworkFile, EachPairsBandIsThatOfThePlainRunsWithTheRealizationsSeeds) {
  const NetworkEnsemble n;
  const Outcome o = n.report("fromfile", {"--ensemble", "out.nc"});
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const auto file = csv_rows(n.dir.read("fromfile/statistics.csv"));
  std::map<int, std::map<std::string, std::array<std::string, 3>>> plain;
  for (int seed : {7, 8, 9}) plain[seed] = n.plain_report(seed);
  expect_pooled(file, plain, {{7, 1}, {8, 2}, {9, 3}});
  for (const auto& [statistic, count] : std::map<std::string, std::string>{
           {"realizations", "3"}, {"realizations_pooled", "3"}, {"realizations_left_out", "0"}, {"failed_runs", "0"}})
    EXPECT_EQ(file.at("generated,," + statistic)[0], count) << statistic;
  const std::string html = n.dir.read("fromfile/report.html");
  EXPECT_NE(html.find("the median of the 3 realizations of out.nc complete at every site, with their 5-95% band"),
            std::string::npos);
  EXPECT_NE(html.find("3 realizations of 60 days from out.nc, pooled from its 3 (0 left out"), std::string::npos);

  // Realization 2 failed at WEST (the file rewritten with its status 1): left out and counted,
  // the band that of seeds 7 and 9.
  {
    const ensemble_file::NetworkReader whole(n.dir / "out.nc");
    ensemble_file::EnsembleWriter broken(n.dir / "broken.nc", "broken.nc", whole.layout());
    std::vector<float> depths(whole.layout().intervals);
    for (long k = 0; k < 3; ++k)
      for (long s = 0; s < 3; ++s) {
        if (k == 1 && s == *whole.site_index("WEST")) {
          broken.put_failed(k, s);
          continue;
        }
        whole.read(k, s, depths);
        broken.put_depths(k, s, 0, depths);
        broken.put_complete(k, s);
      }
    broken.close();
  }
  const Outcome left = n.report("broken", {"--ensemble", "broken.nc"});
  ASSERT_EQ(left.exit_status, 0) << left.err;
  const auto without = csv_rows(n.dir.read("broken/statistics.csv"));
  plain.erase(8);
  expect_pooled(without, plain, {{7, 1}, {9, 3}});
  EXPECT_EQ(without.count("realization:2,1440,share_wet_at_all_sites"), 0u);
  for (const auto& [statistic, count] : std::map<std::string, std::string>{
           {"realizations", "3"}, {"realizations_pooled", "2"}, {"realizations_left_out", "1"}, {"failed_runs", "1"}})
    EXPECT_EQ(without.at("generated,," + statistic)[0], count) << statistic;
  EXPECT_NE(
      n.dir.read("broken/report.html")
          .find("1 of the file&#39;s 3 realizations are left out of the pooled figures, each with a failed run at "
                "one site or more (1 failed runs in all; realizations 2): the band is made of the other 2."),
      std::string::npos);
}

// A file of other sites: NETWORK.TXT's EAST renamed NORTH (its folder the same).
TEST(ReportNetworkFile, AFileOfOtherSitesIsRefusedNamingThem) {
  const NetworkEnsemble n;
  std::string manifest = n.dir.read("net/NETWORK.TXT");
  const auto east = manifest.find("[site EAST]");
  ASSERT_NE(east, std::string::npos);
  write_file(n.net / "NETWORK.TXT", manifest.replace(east, 11, "[site NORTH]"));
  const Outcome o = n.report("refused", {"--ensemble", "out.nc"});
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err,
            "raingen-report: out.nc: is not of the sites of net/NETWORK.TXT: it has EAST, not in the network; it "
            "lacks NORTH: give the file raingen-ensemble --network made from this network\n");
  EXPECT_FALSE(n.dir.exists("refused"));
}

}  // namespace
