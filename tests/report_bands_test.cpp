// The realizations' bands behind the charts of distributions, on a made ensemble: monthly totals
// (a month no realization has is no band) and the share of spells at least k days long (a length
// that fewer than half the realizations reach is no band).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "report/distribution_bands.h"

namespace {

using namespace raingen::report;

// 21 realizations: realization k has mean monthly totals k + m for month m (January none), dry
// spells of 1 and 2 days when k is even and of 1 and 1 when odd, wet spells of 3 days.
EnsembleStatistics made() {
  EnsembleStatistics e;
  for (int k = 0; k <= 20; ++k) {
    raingen::stats::SeriesStatistics s;
    s.name = "realization:" + std::to_string(k + 1);
    for (std::size_t m = 0; m < 12; ++m) s.monthly_totals[m] = m == 0 ? std::nan("") : k + static_cast<double>(m);
    s.spells.dry = k % 2 == 0 ? std::vector<int>{1, 2} : std::vector<int>{1, 1};
    s.spells.wet = {3};
    e.complete.push_back(std::move(s));
  }
  return e;
}

TEST(DistributionBands, MonthlyTotalsAndSpellsOverTheRealizations) {
  const EnsembleStatistics e = made();
  const Band m =
      realizations_band(e, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                        [](const raingen::stats::SeriesStatistics& s, std::size_t i) { return s.monthly_totals[i]; });
  ASSERT_EQ(m.x.size(), 12u);
  EXPECT_TRUE(std::isnan(m.low[0]) && std::isnan(m.high[0]));
  for (std::size_t i = 1; i < 12; ++i) {
    EXPECT_EQ(m.x[i], static_cast<double>(i + 1));
    EXPECT_DOUBLE_EQ(m.low[i], 1.0 + static_cast<double>(i));  // the 5% quantile of k = 0..20 is 1
    EXPECT_DOUBLE_EQ(m.high[i], 19.0 + static_cast<double>(i));
  }

  Chart dry, wet;
  add_spell_band(dry, e, true);
  add_spell_band(wet, e, false);
  const Band& d = dry.bands.at(0);
  // All spells last a day or more; 11 of 21 realizations have a spell of 2 days, half of theirs.
  EXPECT_EQ(d.x, (std::vector<double>{1, 2}));
  EXPECT_EQ(d.low, (std::vector<double>{1, 0.5}));
  EXPECT_EQ(d.high, (std::vector<double>{1, 0.5}));
  const Band& w = wet.bands.at(0);
  EXPECT_EQ(w.x, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(w.low, (std::vector<double>{1, 1, 1}));

  // With the even realizations' 2-day spells gone but one, fewer than half reach 2 days: no band.
  EnsembleStatistics fewer = made();
  for (std::size_t k = 2; k < fewer.complete.size(); k += 2) fewer.complete[k].spells.dry = {1, 1};
  Chart few;
  add_spell_band(few, fewer, true);
  ASSERT_EQ(few.bands.at(0).x.size(), 2u);
  EXPECT_TRUE(std::isnan(few.bands[0].low[1]));
}

}  // namespace
