// The network's statistics worked by hand: Pearson's r over the pairs present, blocks matched by
// time, hourly and daily sums, and the share of blocks wet at all sites.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <optional>
#include <vector>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "report/network_figures.h"
#include "stats/correlation.h"
#include "stats/network_correlation.h"
#include "support/child.h"

namespace {

using namespace raingen;
using stats::Correlation;
using testing_support::TempDir;

constexpr double gap = NAN;
const calendar::TimePoint day_one = calendar::TimePoint{} + date::days{11323};  // 2001-01-01

TEST(NetworkCorrelation, PearsonWorkedByHand) {
  const struct {
    const char* what;
    std::vector<double> a, b;
    std::optional<double> r;
    std::size_t pairs;
  } cases[] = {
      {"perfectly correlated", {0, 1, 2, 5}, {1, 3, 5, 11}, 1.0, 4},
      {"anticorrelated", {0, 1, 2, 5}, {10, 8, 6, 0}, -1.0, 4},
      // deviations (-1.5 -0.5 0.5 1.5) and (-1.5 0.5 -0.5 1.5): 4 / sqrt(5 * 5)
      {"worked", {1, 2, 3, 4}, {1, 3, 2, 4}, 0.8, 4},
      // the same four pairs, with a missing value on either side skipped
      {"missing intervals skipped", {1, gap, 2, 3, 7, 4}, {1, 9, 3, 2, gap, 4}, 0.8, 4},
      {"a constant side gives no r", {0.1, 0.1, 0.1, 0.1}, {0, 1, 2, 3}, std::nullopt, 4},
      {"a dry site gives no r", {0, 1, 0, 2}, {0, 0, 0, 0}, std::nullopt, 4},
      {"one pair gives no r", {1, gap, 3}, {2, 5, gap}, std::nullopt, 1},
      {"no pair", {}, {}, std::nullopt, 0},
  };
  for (const auto& c : cases) {
    const Correlation got = stats::pearson(c.a, c.b);
    EXPECT_EQ(got.pairs, c.pairs) << c.what;
    ASSERT_EQ(got.r.has_value(), c.r.has_value()) << c.what;
    if (c.r) {
      EXPECT_NEAR(*got.r, *c.r, 1e-15) << c.what;
    }
    const Correlation swapped = stats::pearson(c.b, c.a);  // symmetric
    EXPECT_EQ(swapped.r, got.r) << c.what;
  }
}

// Blocks that begin at different times are matched by time: b's blocks 0-3 are a's 2-5.
TEST(NetworkCorrelation, BlocksMatchedByTime) {
  stats::Blocks a{day_one, calendar::Minutes{15}, {5, 5, 1, 2, 3, 4}};
  stats::Blocks b{day_one + calendar::Minutes{30}, calendar::Minutes{15}, {1, 3, 2, 4, 8, 8}};
  const Correlation c = stats::block_correlation(a, b);
  EXPECT_EQ(c.pairs, 4u);
  EXPECT_NEAR(*c.r, 0.8, 1e-15);
  stats::Blocks later{day_one + calendar::Minutes{90}, calendar::Minutes{15}, {1, 2}};
  EXPECT_EQ(stats::block_correlation(a, later).pairs, 0u);  // they share no time
  stats::Blocks hours{day_one, calendar::Minutes{60}, {1, 2}};
  EXPECT_THROW(stats::block_correlation(a, hours), std::invalid_argument);
}

// Two sites over two days. Site 1 rains 1 mm in interval 4k of hour k of day 1 (k = 0..23) and
// nothing on day 2 but 6 mm at 12:00-12:15; site 2 rains 2 mm in interval 4k + 3 of the same hours
// and 3 mm at 12:15-12:30 of day 2. At 15 minutes they never rain together: r from the 192 pairs is
// (0 - 25 * 51 / 192) / sqrt((24 + 36 - 30^2/192) (96 + 9 - 51^2/192)); hourly they are wet in the
// same 24 hours of day 1 (1 and 2 mm) and the 13th hour of day 2 (6 and 3 mm): over 48 hours
// sxy = 66 - 30 * 51 / 48 = 34.125, sxx = 60 - 30^2 / 48 = 41.25, syy = 105 - 51^2 / 48 = 50.8125;
// daily (24, 6) and (48, 3): two days, both falling, r = 1.
TEST(NetworkCorrelation, HourlyAndDailySums) {
  std::vector<double> one(192, 0.0), two(192, 0.0);
  for (int k = 0; k < 24; ++k) one[4 * k] = 1, two[4 * k + 3] = 2;
  one[96 + 48] = 6, two[96 + 49] = 3;
  const gauge::CalendarSeries s1("one", day_one, std::vector<double>(one)),
      s2("two", day_one, std::vector<double>(two));
  const stats::NetworkCorrelation n = stats::network_correlation({&s1, &s2}, 100, 0);
  ASSERT_EQ(n.pairs.size(), 1u);
  const double sxx = 24 + 36 - 30.0 * 30 / 192, syy = 24 * 4 + 9 - 51.0 * 51 / 192, sxy = 0 - 30.0 * 51 / 192;
  EXPECT_NEAR(*n.pairs[0].at[0].r, sxy / std::sqrt(sxx * syy), 1e-14);
  EXPECT_EQ(n.pairs[0].at[0].pairs, 192u);
  EXPECT_NEAR(*n.pairs[0].at[1].r, 34.125 / std::sqrt(41.25 * 50.8125), 1e-14);
  EXPECT_EQ(n.pairs[0].at[1].pairs, 48u);
  EXPECT_NEAR(*n.pairs[0].at[2].r, 1.0, 1e-15);
  EXPECT_EQ(n.pairs[0].at[2].pairs, 2u);
  // wet at both: no interval; 25 of 48 hours; both days
  EXPECT_EQ(n.wet[0].wet_at_all, 0u);
  EXPECT_EQ(n.wet[0].wet_at_any, 50u);
  EXPECT_EQ(n.wet[1].wet_at_all, 25u);
  EXPECT_EQ(*n.wet[1].share_at_all(), 25.0 / 48);
  EXPECT_EQ(*n.wet[2].share_at_all(), 1.0);
}

// A day with a missing interval is left out at --min-complete 100 on both sides of every pair it
// is in, and at every site for the share wet at all; its hours without one are kept.
TEST(NetworkCorrelation, IncompleteBlocksAreLeftOut) {
  std::vector<double> one(3 * 96, 0.0), two(3 * 96, 0.0), three(3 * 96, 0.0);
  for (int d = 0; d < 3; ++d) one[96 * d + 10] = d + 1, two[96 * d + 10] = 2 * d + 1, three[96 * d + 50] = 1;
  two[96 + 70] = gap;
  const gauge::CalendarSeries s1("1", day_one, std::move(one)), s2("2", day_one, std::move(two)),
      s3("3", day_one, std::move(three));
  const stats::NetworkCorrelation n = stats::network_correlation({&s1, &s2, &s3}, 100, 0.5);
  ASSERT_EQ(n.pairs.size(), 3u);
  EXPECT_EQ(n.pairs[0].first, 0u);
  EXPECT_EQ(n.pairs[2].first, 1u);
  EXPECT_EQ(n.pairs[0].at[2].pairs, 2u);   // days 1 and 3
  EXPECT_EQ(n.pairs[1].at[2].pairs, 3u);   // sites 1 and 3: every day
  EXPECT_FALSE(n.pairs[1].at[2].r);        // site 3 rains 1 mm every day: constant
  EXPECT_EQ(n.pairs[0].at[1].pairs, 71u);  // one hour of 72 lost
  EXPECT_EQ(n.wet[2].present, 2u);
  EXPECT_EQ(n.wet[2].wet_at_all, 2u);  // above 0.5 mm at all three on days 1 and 3
  EXPECT_EQ(n.wet[0].present, 3u * 96 - 1);
  EXPECT_EQ(n.wet[0].wet_at_all, 0u);
}

}  // namespace

// The report's seam for many realizations: a source of three gives, for each pair, the median of
// their r with the 5-95% band (sorted -1, 0.8, 1: -1 + 0.1 * 1.8 and 0.8 + 0.9 * 0.2), each
// realization's wet shares under realization:k; a realization whose sites are not the network's
// is refused.
namespace {

std::vector<double> four(double a, double b, double c, double d) { return {a, b, c, d}; }

TEST(NetworkCorrelation, RealizationsPooled) {
  report::NetworkInputs in;
  in.dir = "net";
  in.manifest.coordinates = network::CoordinateSystem::planar;
  in.manifest.map_unit = "m";
  in.manifest.sites = {{"A", {0, 0}, "A", {}}, {"B", {3, 4}, "B", {}}};
  for (const char* site : {"A", "B"})
    in.sites.push_back(
        {site, "", "", weighting::Presence::all, gauge::CalendarSeries(site, day_one, four(0, 1, 2, 3))});
  std::vector<report::NetworkRealization> given;
  for (const auto& b : {four(1, 3, 5, 7), four(3, 2, 1, 0), four(1, 3, 2, 4)}) {
    report::NetworkRealization r;
    r.push_back({"A", gauge::CalendarSeries("A", day_one, four(1, 2, 3, 4))});
    r.push_back({"B", gauge::CalendarSeries("B", day_one, std::vector<double>(b))});
    given.push_back(std::move(r));
  }
  std::size_t next = 0;
  TempDir dir;
  const auto figures = [&](std::size_t count, const char* name) {
    next = 0;
    common::OutputFile csv(dir / name);
    report::NetworkFigures f = report::network_figures(
        in,
        [&]() -> std::optional<report::NetworkRealization> {
          return next < count ? std::optional(given[next++]) : std::nullopt;
        },
        100, 0, nullptr, csv);
    csv.commit();
    return f;
  };
  const report::NetworkFigures f = figures(given.size(), "three.csv");
  ASSERT_EQ(f.realizations(), 3u);
  ASSERT_EQ(f.table.size(), 1u);
  EXPECT_EQ(f.table[0].distance, 5);
  const report::Pooled r = f.table[0].generated[0];
  EXPECT_NEAR(*r.value, 0.8, 1e-15);
  EXPECT_NEAR(*r.lower, -0.82, 1e-15);
  EXPECT_NEAR(*r.upper, 0.98, 1e-15);
  EXPECT_EQ(*f.table[0].record[0].r, 1.0);
  const std::string csv = dir.read("three.csv");
  EXPECT_NE(csv.find("\nrecord:A/B,15,correlation,1,5,,\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\ngenerated:A/B,15,correlation,0.8,5,-0.82,0.98\n"), std::string::npos) << csv;
  // B is dry in the last interval of realization 2: 3 of 4 wet at both
  EXPECT_NE(csv.find("\nrealization:2,15,share_wet_at_all_sites,0.75,,,\n"), std::string::npos) << csv;

  // In degrees, the distance is great-circle km: a degree of latitude on a sphere of 6371 km.
  in.manifest.coordinates = network::CoordinateSystem::degrees;
  in.manifest.sites[1].position = {1, 0};
  const report::NetworkFigures degrees = figures(1, "one.csv");
  EXPECT_EQ(degrees.unit, "km");
  EXPECT_NEAR(degrees.table[0].distance, 6371 * M_PI / 180, 1e-3);
  EXPECT_EQ(degrees.realizations(), 1u);
  EXPECT_FALSE(degrees.table[0].generated[0].lower);  // one realization: its value, no band

  given[1][1].site = "C";
  try {
    figures(given.size(), "other.csv");
    ADD_FAILURE() << "a realization of other sites was taken";
  } catch (const common::ToolError& e) {
    EXPECT_EQ(std::string(e.what()),
              "generated realization 2 has the sites A C, not those of net/NETWORK.TXT in its order (A B)");
  }
}

// A network of 80 sites (3160 pairs): every pair's rows in statistics.csv, the page's table each
// site's pair with its nearest site, its charts the means of the pairs in bands of distance.
TEST(NetworkCorrelation, ALargeNetworksPairsAreStreamedAndThePageSummarised) {
  report::NetworkInputs in;
  in.manifest.coordinates = network::CoordinateSystem::planar;
  report::NetworkRealization realization;
  for (int k = 0; k < 80; ++k) {
    const std::string name = "S" + std::to_string(k);
    in.manifest.sites.push_back({name, {static_cast<double>(k), 0}, name, {}});
    in.sites.push_back(
        {name, "", "", weighting::Presence::all, gauge::CalendarSeries(name, day_one, four(0, k % 3, 2, k % 5))});
    realization.push_back({name, gauge::CalendarSeries(name, day_one, four(k % 2, 1, k % 7, 3))});
  }
  TempDir dir;
  common::OutputFile csv(dir / "statistics.csv");
  bool given = false;
  const report::NetworkFigures f = report::network_figures(
      in,
      [&]() -> std::optional<report::NetworkRealization> {
        return std::exchange(given, true) ? std::nullopt : std::optional(realization);
      },
      100, 0, nullptr, csv);
  csv.commit();
  EXPECT_EQ(f.pairs, 3160u);
  EXPECT_TRUE(f.table_of_nearest);
  ASSERT_EQ(f.table.size(), 79u);  // (0,1), (1,2), ... (78,79): each site's nearest, once
  EXPECT_EQ(f.table[5].first, 5u);
  EXPECT_EQ(f.table[5].second, 6u);
  EXPECT_EQ(f.table[5].distance, 1);
  for (const report::CorrelationPoints& chart : f.charts) {
    EXPECT_TRUE(chart.banded);
    EXPECT_EQ(chart.distance.size(), 60u);  // the 79 distances 1..79 fall in every band
  }
  const std::string text = dir.read("statistics.csv");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 3160 * 4 * 3 + 2 * 3 * 3);
  EXPECT_NE(text.find("\nrecord:S78/S79,60,correlation_pairs,1,1,,\n"), std::string::npos) << text.substr(0, 400);
}

}  // namespace
