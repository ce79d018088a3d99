// The bands of the daily depths and annual maxima, worked by hand: the shares each series keeps at
// the marks, its annual maxima largest first, and the 5-95% of the realizations at each.
#include <gtest/gtest.h>

#include <cmath>

#include "report/distribution_bands.h"
#include "stats/series_statistics.h"

namespace {

using raingen::report::Chart;
using raingen::report::EnsembleStatistics;
using raingen::stats::SeriesStatistics;

TEST(DistributionBands, DailySharesAndAnnualMaximaKeptBySeries) {
  // Four days of 0, 0.15, 3 and 60 mm, each in one interval at noon.
  std::vector<double> rain(96 * 4, 0.0);
  const double days[] = {0, 0.15, 3, 60};
  for (std::size_t d = 0; d < 4; ++d) rain[d * 96 + 48] = days[d];
  const raingen::gauge::CalendarSeries series("s", date::sys_days{date::year{2003} / 1 / 1}, std::move(rain));
  const SeriesStatistics s = raingen::stats::compute_statistics(series, {});
  // At 0.1 mm three of four days, at 0.2 to 3 mm two (3 mm reaches 3), to 60 mm one, none above.
  for (std::size_t i = 0; i < raingen::stats::daily_depth_marks.size(); ++i) {
    const double mark = raingen::stats::daily_depth_marks[i];
    const double expected = mark <= 0.1 ? 0.75 : mark <= 3 ? 0.5 : mark <= 60 ? 0.25 : 0;
    EXPECT_EQ(s.daily_at_least[i], expected) << mark;
  }
  EXPECT_TRUE(s.annual_maxima_day.empty());  // four days are no 90% of a year
}

TEST(DistributionBands, MaximaByRankAtTheYearsMostHave) {
  EnsembleStatistics ensemble;
  for (const std::vector<double>& maxima : std::vector<std::vector<double>>{{10, 5}, {20, 6}, {30, 7}, {1, 1, 1}}) {
    SeriesStatistics s;
    s.annual_maxima_day = maxima;
    ensemble.complete.push_back(s);
  }
  Chart chart;
  raingen::report::add_maxima_band(chart, ensemble, 1440);
  ASSERT_EQ(chart.bands.size(), 1u);
  const auto& band = chart.bands[0];
  // Two years (three of four realizations): rank 1 at 3 years, rank 2 at 1.5; 5% of {10, 20, 30}
  // lies 0.1 of the way from 10 to 20, 95% 0.9 of the way from 20 to 30.
  EXPECT_EQ(band.x, (std::vector<double>{3, 1.5}));
  ASSERT_EQ(band.low.size(), 2u);
  EXPECT_NEAR(band.low[0], 11, 1e-12);
  EXPECT_NEAR(band.high[0], 29, 1e-12);
  EXPECT_NEAR(band.low[1], 5.1, 1e-12);
  EXPECT_NEAR(band.high[1], 6.9, 1e-12);
  // The daily band at the marks: from each realization's shares.
  // Shares 0, 0.1, 0.2, 0.3 up to the 1 mm mark (index 3), none of the realizations beyond 2 mm.
  for (std::size_t k = 0; k < ensemble.complete.size(); ++k) {
    ensemble.complete[k].daily_at_least.fill(0);
    for (std::size_t i = 0; i <= 3; ++i) ensemble.complete[k].daily_at_least[i] = 0.1 * static_cast<double>(k);
  }
  Chart daily;
  raingen::report::add_daily_band(daily, ensemble);
  ASSERT_EQ(daily.bands.size(), 1u);
  EXPECT_EQ(daily.bands[0].x, (std::vector<double>{0.1, 0.2, 0.5, 1, 2}));  // ends at the first mark none reaches
  EXPECT_NEAR(daily.bands[0].low[3], 0.015, 1e-12);                         // 5% of 0, 0.1, 0.2, 0.3
  EXPECT_NEAR(daily.bands[0].high[3], 0.285, 1e-12);
  EXPECT_EQ(daily.bands[0].high[4], 0);
}

}  // namespace
