// Weighting the three station series into the site series.
#include <gtest/gtest.h>

#include <cmath>

#include "generator/shared.h"

namespace {

using namespace raingen;

// Station s holds on day d, interval t a value that tells all three apart.
float grid_value(int s, int d, int t) { return static_cast<float>(s * 100 + (d % 7) + t * 0.01); }

void fill_grid(int days) {
  for (int s = 1; s <= 3; ++s)
    for (int d = 1; d <= days; ++d)
      for (int t = 1; t <= 96; ++t) StationGrid(s, d, t) = grid_value(s, d, t);
}

void set_distances(std::int32_t d1, std::int32_t d2, std::int32_t d3) {
  StationTable(1).distance = d1;
  StationTable(2).distance = d2;
  StationTable(3).distance = d3;
}

class WeightingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_shared_state();
    RunSettings.day_count = 12;
    fill_grid(20);
  }
  void expect_copy_of(int s) {
    for (int d = 1; d <= 12; ++d)
      for (int t = 1; t <= 96; ++t) ASSERT_EQ(SiteSeries(d, t), grid_value(s, d, t));
  }
  void expect_days_after_count_zero() {
    for (int d = 13; d <= max_days; ++d)
      for (int t = 1; t <= 96; ++t) ASSERT_EQ(SiteSeries(d, t), 0.0f) << d << " " << t;
  }
};

TEST_F(WeightingTest, StationAtTheSiteIsCopied) {
  const struct {
    std::int32_t d1, d2, d3;
    int copied;
  } cases[] = {{0, 5, 9, 1}, {4, 0, 9, 2}, {4, 5, 0, 3}, {7, 0, 0, 2}, {0, 0, 0, 1}, {0, 3, 0, 1}};
  for (const auto& c : cases) {
    set_distances(c.d1, c.d2, c.d3);
    weight_stations();
    expect_copy_of(c.copied);
    expect_days_after_count_zero();
  }
}

TEST_F(WeightingTest, DryStationAtTheSiteGivesADrySite) {
  for (int d = 1; d <= 12; ++d)
    for (int t = 1; t <= 96; ++t) StationGrid(2, d, t) = 0.0f;
  set_distances(3, 0, 4);
  weight_stations();
  for (int d = 1; d <= 12; ++d)
    for (int t = 1; t <= 96; ++t) ASSERT_EQ(SiteSeries(d, t), 0.0f);
}

TEST_F(WeightingTest, EqualDistancesGiveThePlainMean) {
  set_distances(6, 6, 6);
  weight_stations();
  for (int d = 1; d <= 12; ++d)
    for (int t = 1; t <= 96; ++t) {
      const double mean = (double{grid_value(1, d, t)} + grid_value(2, d, t) + grid_value(3, d, t)) / 3;
      ASSERT_NEAR(SiteSeries(d, t), mean, mean * 1e-6);
    }
  expect_days_after_count_zero();
}

TEST_F(WeightingTest, DistancesOneTwoTwoWeighOneQuarterQuarter) {
  set_distances(1, 2, 2);
  weight_stations();
  for (int d = 1; d <= 12; ++d)
    for (int t = 1; t <= 96; ++t) {
      const double g1 = grid_value(1, d, t), g2 = grid_value(2, d, t), g3 = grid_value(3, d, t);
      ASSERT_FLOAT_EQ(SiteSeries(d, t), static_cast<float>((g1 + g2 / 4 + g3 / 4) / 1.5));
    }
}

TEST_F(WeightingTest, NegativeDistanceWeighsLikeItsAbsoluteValue) {
  set_distances(-3, 4, 5);
  weight_stations();
  const auto negative = SiteSeries;
  SiteSeries = {};
  set_distances(3, 4, 5);
  weight_stations();
  for (int d = 1; d <= 12; ++d)
    for (int t = 1; t <= 96; ++t) ASSERT_EQ(negative(d, t), SiteSeries(d, t));
  EXPECT_NE(SiteSeries(1, 1), 0.0f);
}

TEST_F(WeightingTest, DryStationsGiveADrySite) {
  StationGrid = {};
  set_distances(2, 3, 4);
  weight_stations();
  for (int d = 1; d <= 12; ++d)
    for (int t = 1; t <= 96; ++t) ASSERT_EQ(SiteSeries(d, t), 0.0f);
}

TEST_F(WeightingTest, NoDaysWriteNothing) {
  for (std::int32_t count : {0, -5}) {
    RunSettings.day_count = count;
    for (auto distances : {std::array{0, 1, 2}, std::array{1, 2, 3}}) {
      set_distances(distances[0], distances[1], distances[2]);
      weight_stations();
      for (float v : SiteSeries.cells()) ASSERT_EQ(v, 0.0f);
    }
  }
}

TEST_F(WeightingTest, CallingAgainGivesTheSameSeries) {
  set_distances(2, 5, 7);
  weight_stations();
  const auto first = SiteSeries;
  weight_stations();
  EXPECT_EQ(first.cells(), SiteSeries.cells());
  expect_days_after_count_zero();
}

}  // namespace
