// Design rainfall worked out by hand: annual maxima by sliding window (a storm across midnight
// counts whole, one across a year's end counts in each year with its part there), the same
// maxima against every window over many random series, sample L-moments and the GEV from
// Hosking's formulas against published reference values, Weibull return levels, the bootstrap
// reproducible from its seed, and the ceiling's numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "stats/bootstrap.h"
#include "stats/design_limits.h"
#include "stats/design_rainfall.h"
#include "stats/l_moments.h"
#include "stats/return_levels.h"
#include "stats/window_maxima.h"

namespace {

using namespace raingen::stats;
using raingen::calendar::TimePoint;
using raingen::gauge::CalendarSeries;
constexpr double gap = std::numeric_limits<double>::quiet_NaN();

TimePoint at(int y, unsigned m, unsigned d, int minute = 0) {
  return date::sys_days{date::year{y} / m / d} + std::chrono::minutes{minute};
}

// Three days from 2001-12-30 00:00; interval k ends 15 (k + 1) minutes after that.
//   storm A across midnight:      k 94, 95 (30 Dec 23:30-24:00) = 1, 2;  k 96, 97 (31 Dec) = 3, 0.5
//   storm B across the year's end: k 191 (31 Dec 23:45-24:00) = 4;  k 192, 193 (1 Jan 2002) = 5, 1
//   k 150 is missing.
CalendarSeries storms() {
  std::vector<double> v(288, 0.0);
  v[94] = 1, v[95] = 2, v[96] = 3, v[97] = 0.5;
  v[191] = 4, v[192] = 5, v[193] = 1;
  v[150] = gap;
  return CalendarSeries("s", at(2001, 12, 30), std::move(v));
}

TEST(WindowMaxima, StormsAcrossMidnightAndTheYearsEndWorkedByHand) {
  const std::vector<WindowYear> years = annual_window_maxima(storms(), {at(2001, 1, 1), 0});
  ASSERT_EQ(years.size(), 2u);
  EXPECT_EQ(years[0].year, 2001);
  EXPECT_EQ(years[0].begins, at(2001, 1, 1));
  EXPECT_EQ(years[0].present_share, 191.0 / 35040);  // 30 and 31 December but k 150
  EXPECT_EQ(years[1].present_share, 96.0 / 35040);
  //                 15 min 30 min 1 h  2 h  3 h  6 h  12 h  24 h
  // 2001: 15 min: B's 4 in its last interval. 30 min: A's 2 + 3 across midnight (B's 4 alone
  // is less; 4 + 5 crosses into 2002). 1 h to 12 h: A whole, 1 + 2 + 3 + 0.5 (B lies 94
  // intervals on). 24 h: k 96 .. 191, A's 31 December part with B's 4: 3 + 0.5 + 4.
  EXPECT_EQ(years[0].maxima, (DurationDepths{4, 5, 6.5, 6.5, 6.5, 6.5, 6.5, 7.5}));
  // 2002: B's part in it, 5 + 1.
  EXPECT_EQ(years[1].maxima, (DurationDepths{5, 6, 6, 6, 6, 6, 6, 6}));
  // Over the whole series the windows may cross the year: 4 + 5, 4 + 5 + 1, and at 24 h k 98 ..
  // 193, B whole; the missing interval is dry.
  EXPECT_EQ(largest_window_depths(storms()), (DurationDepths{5, 9, 10, 10, 10, 10, 10, 10}));

  // The default rule: 80% of a year's intervals; three days are not.
  for (const WindowYear& y : annual_window_maxima(storms(), {at(2001, 1, 1)})) EXPECT_FALSE(y.counted);
  EXPECT_TRUE(counted_maxima(annual_window_maxima(storms(), {at(2001, 1, 1)})).empty());
  // Years from 31 December 23:45: B's first two intervals fall in one year, the first interval
  // of the series (30 December 00:00-00:15) in the year before.
  const auto shifted = annual_window_maxima(storms(), {at(2001, 12, 31, 23 * 60 + 45), 0});
  ASSERT_EQ(shifted.size(), 2u);
  EXPECT_EQ(shifted[1].begins, at(2001, 12, 31, 23 * 60 + 45));
  EXPECT_EQ(shifted[1].maxima[1], 9);
  EXPECT_EQ(shifted[0].maxima[1], 5);
}

TEST(WindowMaxima, YearsBeginOnTheStartsDateEveryYear) {
  EXPECT_EQ(year_beginning(at(2001, 1, 1), 2007), at(2007, 1, 1));
  EXPECT_EQ(year_beginning(at(2001, 7, 1, 6 * 60), 1999), at(1999, 7, 1, 6 * 60));
  EXPECT_EQ(year_beginning(at(2004, 2, 29, 30), 2005), at(2005, 3, 1, 30));  // a common year
  EXPECT_EQ(year_beginning(at(2004, 2, 29), 2008), at(2008, 2, 29));
  // A whole year present counts under a rule of 100%; one interval fewer does not.
  CalendarSeries year("y", at(2003, 1, 1), std::vector<double>(35040, 0.1));
  EXPECT_TRUE(annual_window_maxima(year, {at(2001, 1, 1), 100})[0].counted);
  year.set_missing(7);
  EXPECT_FALSE(annual_window_maxima(year, {at(2001, 1, 1), 100})[0].counted);
  EXPECT_TRUE(annual_window_maxima(year, {at(2001, 1, 1), 99.99})[0].counted);
  EXPECT_NEAR(present_years(year), 35039.0 / 96 / 365.2425, 1e-12);
}

// The largest window found by skipping block pairs is the largest of all windows, on sparse,
// dense and gappy series of every length around the durations.
TEST(WindowMaxima, EqualsEveryWindowTriedOnRandomSeries) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937_64 engine(seed);
    const std::size_t n = 1 + engine() % (seed % 3 == 0 ? 100 : 400);
    const double wet = (seed % 5 + 1) / 5.0;
    std::vector<double> v(n);
    for (double& x : v) {
      const double u = static_cast<double>(engine() % 10000) / 10000;
      x = u < wet ? static_cast<double>(engine() % 1000) / 100 : 0;
      if (engine() % 50 == 0) x = gap;
    }
    const DurationDepths found = window_maxima(v);
    for (std::size_t d = 0; d < design_durations.size(); ++d) {
      const std::size_t w = static_cast<std::size_t>(design_durations[d] / 15);
      double best = 0;
      for (std::size_t j = 0; j + std::min(w, n) <= n; ++j) {
        double sum = 0;
        for (std::size_t k = j; k < std::min(j + w, n); ++k) sum += std::isnan(v[k]) ? 0 : v[k];
        best = std::max(best, sum);
      }
      EXPECT_NEAR(found[d], best, 1e-9) << "seed " << seed << " duration " << design_durations[d];
    }
  }
}

// Hosking's unbiased probability-weighted moments of the ascending sample 1, 2, 3, 5, 9 (n = 5):
//   b0 = (1 + 2 + 3 + 5 + 9) / 5 = 4
//   b1 = (1/5) sum (j - 1)/(n - 1) x_j = (0 + 2/4 + 2 * 3/4 + 3 * 5/4 + 4 * 9/4) / 5 = 14.75 / 5 = 2.95
//   b2 = (1/5) sum (j - 1)(j - 2)/((n - 1)(n - 2)) x_j = (2 * 3/12 + 6 * 5/12 + 12 * 9/12) / 5 = 12 / 5 = 2.4
//   l1 = b0 = 4, l2 = 2 b1 - b0 = 1.9, l3 = 6 b2 - 6 b1 + b0 = 0.7, t3 = 0.7 / 1.9 = 0.368421
// GEV (Hosking, Wallis and Wood 1985):
//   z = 2 / (3 + t3) - ln 2 / ln 3 = 0.593750 - 0.630930 = -0.0371798
//   k = 7.8590 z + 2.9554 z^2 = -0.292197 + 0.004085 = -0.288110
//   G(1 + k) = G(0.711890) = 1.279616 (tables of the gamma function)
//   scale = l2 k / ((1 - 2^-k) G(1 + k)) = 1.9 (-0.288110) / ((1 - 1.221074) 1.279616) = 1.935361
//   location = l1 - scale (1 - G(1 + k)) / k = 4 - 1.935361 (-0.279616) / (-0.288110) = 2.121698
//   x(F) = location + scale (1 - (-ln F)^k) / k:
//     T = 2:   -ln 0.5 = 0.693147, 0.693147^k = 1.111343, x = 2.121698 + 1.935361 (-0.111343) / (-0.288110) = 2.869838
//     T = 100: -ln 0.99 = 0.010050, 0.010050^k = 3.765757, x = 2.121698 + 1.935361 (-2.765757) / (-0.288110)
//     = 20.685349
TEST(LMoments, SampleAndGevFromHoskingsFormulas) {
  const auto m = sample_l_moments(std::vector<double>{1, 2, 3, 5, 9});
  ASSERT_TRUE(m);
  EXPECT_NEAR(m->l1, 4, 1e-12);
  EXPECT_NEAR(m->l2, 1.9, 1e-12);
  EXPECT_NEAR(m->l3, 0.7, 1e-12);
  EXPECT_NEAR(m->t3(), 0.368421, 1e-6);
  const auto gev = fit_gev(*m);
  ASSERT_TRUE(gev);
  EXPECT_NEAR(gev->shape, -0.288110, 1e-6);
  EXPECT_NEAR(gev->scale, 1.935361, 1e-6);
  EXPECT_NEAR(gev->location, 2.121698, 1e-6);
  EXPECT_NEAR(gev_return_level(*gev, 2), 2.869838, 1e-6);
  EXPECT_NEAR(gev_return_level(*gev, 100), 20.685349, 1e-6);

  // A sample given with counts is the sample with each value repeated.
  const std::vector<double> values{1, 2, 5};
  const std::vector<std::uint32_t> counts{2, 1, 3};
  const auto counted = sample_l_moments(values, counts);
  const auto plain = sample_l_moments(std::vector<double>{1, 1, 2, 5, 5, 5});
  ASSERT_TRUE(counted && plain);
  EXPECT_NEAR(counted->l1, plain->l1, 1e-12);
  EXPECT_NEAR(counted->l2, plain->l2, 1e-12);
  EXPECT_NEAR(counted->l3, plain->l3, 1e-12);
  // Too few values, or all alike, have no L-moments to fit.
  EXPECT_FALSE(sample_l_moments(std::vector<double>{1, 2}));
  EXPECT_FALSE(sample_l_moments(std::vector<double>{3, 3, 3, 3}));
}

// Published values: the Gumbel distribution has t3 = log(9/8) / log 2 = 0.1699 (Hosking 1990),
// its 100-year reduced variate is -ln(-ln 0.99) = 4.6001; Hosking, Wallis and Wood (1985) give
// the error of k from t3 as below 0.0009 for -0.5 <= k <= 0.5. The GEV's L-moments (Hosking
// 1990): l1 = location + scale (1 - G(1 + k)) / k, l2 = scale (1 - 2^-k) G(1 + k) / k,
// t3 = 2 (1 - 3^-k) / (1 - 2^-k) - 3.
TEST(LMoments, GevAgainstPublishedReferenceValues) {
  const auto gumbel = fit_gev({10, 2 * std::log(2.0), 2 * std::log(2.0) * std::log(9.0 / 8) / std::log(2.0)});
  ASSERT_TRUE(gumbel);
  EXPECT_NEAR(gumbel->shape, 0, 0.0009);
  EXPECT_NEAR(gumbel->scale, 2, 0.01);
  EXPECT_NEAR(gev_quantile({0, 1, 0}, 0.99), 4.6001, 1e-4);
  for (double k : {-0.5, -0.3, -0.1, 0.1, 0.3, 0.5}) {
    const double location = 20, scale = 5, g = std::tgamma(1 + k);
    const double l1 = location + scale * (1 - g) / k, l2 = scale * (1 - std::pow(2.0, -k)) * g / k;
    const double t3 = 2 * (1 - std::pow(3.0, -k)) / (1 - std::pow(2.0, -k)) - 3;
    const auto fitted = fit_gev({l1, l2, t3 * l2});
    ASSERT_TRUE(fitted) << k;
    EXPECT_NEAR(fitted->shape, k, 0.0009) << k;
    EXPECT_NEAR(fitted->scale, scale, 0.02) << k;
    EXPECT_NEAR(fitted->location, location, 0.02) << k;
    // A bounded tail (k > 0) stays below location + scale / k.
    if (k > 0) {
      EXPECT_LT(gev_quantile(*fitted, 1 - 1e-12), fitted->location + fitted->scale / fitted->shape) << k;
    }
  }
}

// Maxima 10, 20, 30, 40 (n = 4): T = 2 lies at position 5 (1 - 1/2) = 2.5, between 20 and 30;
// T = 5 at 5 (0.8) = 4, the largest; T = 10 at 4.5, beyond the maxima.
TEST(ReturnLevels, WeibullPlottingPositionWorkedByHand) {
  const std::vector<double> maxima{10, 20, 30, 40};
  EXPECT_EQ(weibull_return_level(maxima, 2), 25);
  EXPECT_EQ(weibull_return_level(maxima, 5), 40);
  EXPECT_FALSE(weibull_return_level(maxima, 10));
  EXPECT_EQ(weibull_return_level(maxima, 1.25), 10);  // position 1
  EXPECT_FALSE(weibull_return_level(maxima, 1.2));
  // With counts 1, 0, 2, 1 the sample is 10, 30, 30, 40.
  const std::vector<std::uint32_t> counts{1, 0, 2, 1};
  const PeriodLevels levels = weibull_return_levels(maxima, counts);
  EXPECT_EQ(levels[0], 30);  // T = 2
  EXPECT_EQ(levels[1], 40);  // T = 5
  EXPECT_FALSE(levels[2]);
}

TEST(Bootstrap, ReproducibleFromItsSeed) {
  // 40 years of maxima at every duration, growing with the duration.
  std::vector<DurationDepths> maxima;
  std::mt19937_64 engine(11);
  for (int y = 0; y < 40; ++y) {
    DurationDepths m{};
    const double storm = 5 + static_cast<double>(engine() % 3000) / 100;
    for (std::size_t d = 0; d < m.size(); ++d) m[d] = storm * std::sqrt(design_durations[d] / 15.0);
    maxima.push_back(m);
  }
  const DesignRainfall a = design_rainfall(maxima), b = design_rainfall(maxima);
  const DesignRainfall other = design_rainfall(maxima, {bootstrap_seed + 1, bootstrap_resamples});
  bool differs = false;
  for (std::size_t d = 0; d < design_durations.size(); ++d)
    for (DesignMethod method : design_methods)
      for (std::size_t p = 0; p < design_return_periods.size(); ++p) {
        const ReturnLevel& x = a.durations[d].levels(method)[p];
        const ReturnLevel& y = b.durations[d].levels(method)[p];
        EXPECT_EQ(x.value, y.value);
        EXPECT_EQ(x.lower, y.lower);
        EXPECT_EQ(x.upper, y.upper);
        if (!x.value) continue;  // T beyond n + 1 = 41 years by the plotting position
        ASSERT_TRUE(x.lower && x.upper);
        EXPECT_LE(*x.lower, *x.value) << d << " " << p;
        EXPECT_GE(*x.upper, *x.value) << d << " " << p;
        differs |= other.durations[d].levels(method)[p].lower != x.lower;
      }
  EXPECT_TRUE(differs) << "another seed, other resamples";
  EXPECT_EQ(a.years, 40u);
  EXPECT_TRUE(a.durations[0].gev);
  EXPECT_FALSE(a.durations[0].empirical[4].value);  // 50 years
  // Fewer than 10 years: no GEV.
  EXPECT_FALSE(design_rainfall({maxima.begin(), maxima.begin() + 9}).durations[0].gev);

  // Each resample draws n years, each year as often as the others in the long run.
  YearResampler resampler(bootstrap_seed);
  std::vector<std::uint32_t> counts(7), total(7);
  for (int r = 0; r < 20000; ++r) {
    resampler.draw(counts);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) sum += counts[i], total[i] += counts[i];
    ASSERT_EQ(sum, 7u);
  }
  for (std::uint32_t t : total) EXPECT_NEAR(t / 140000.0, 1.0 / 7, 0.005);
}

TEST(DesignLimits, CeilingAndRecordLength) {
  // 9 maxima about the largest recorded 10 mm: 9.9 and 10 are at it (within 1%; 9.89 is not), 12
  // above it (a window across midnight joining two recorded days can pass it).
  const std::vector<double> maxima{2, 3, 4, 5, 6, 9.89, 9.9, 10, 12};
  const Ceiling c = ceiling_of(maxima, 10);
  EXPECT_EQ(c.reaching, 2u);
  EXPECT_EQ(c.above, 1u);
  EXPECT_EQ(c.years, 9u);
  EXPECT_DOUBLE_EQ(c.share(), 2.0 / 9);
  EXPECT_DOUBLE_EQ(c.share_above(), 1.0 / 9);
  // The Weibull levels are at the ceiling from (n + 1) / (k + m) = 10 / 3 years, position 7 (the
  // 9.9), to (n + 1) / (m + 1) = 5 years, position 8 (the 10); at 10 years, position 9, the 12.
  EXPECT_DOUBLE_EQ(*c.plateau_from(), 10.0 / 3);
  EXPECT_DOUBLE_EQ(*c.plateau_to(), 5);
  EXPECT_EQ(weibull_return_level(maxima, *c.plateau_from()), 9.9);
  EXPECT_EQ(weibull_return_level(maxima, *c.plateau_to()), 10);
  EXPECT_EQ(weibull_return_level(maxima, 10), 12);
  for (const auto& [years, at] : std::vector<std::pair<double, bool>>{
           {3.3, false}, {10.0 / 3, true}, {4, true}, {5, true}, {5.01, false}, {10, false}})
    EXPECT_EQ(c.at_ceiling(years), at) << years;
  // Without maxima above it the plateau runs to the end; with none at it there is none.
  const Ceiling flat = ceiling_of(std::vector<double>{2, 3, 9.95, 10, 10.1}, 10);
  EXPECT_EQ(flat.reaching, 3u);
  EXPECT_EQ(flat.above, 0u);
  EXPECT_DOUBLE_EQ(*flat.plateau_from(), 2);
  EXPECT_FALSE(flat.plateau_to());
  EXPECT_TRUE(flat.at_ceiling(1000));
  const Ceiling over = ceiling_of(std::vector<double>{2, 3, 12, 15}, 10);
  EXPECT_EQ(over.reaching, 0u);
  EXPECT_EQ(over.above, 2u);
  EXPECT_FALSE(over.plateau_from() || over.plateau_to() || over.at_ceiling(5));
  EXPECT_FALSE(ceiling_of(maxima, 20).plateau_from());
  EXPECT_FALSE(beyond_record(7.2, 3.6));
  EXPECT_TRUE(beyond_record(7.3, 3.6));
}

}  // namespace
