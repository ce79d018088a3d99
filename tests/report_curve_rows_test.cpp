// A chart's curves as rows of statistics.csv, worked by hand: labelled lines only, no row for a
// point without a value, and the band on the lines of its colour where it has a value at that x.
#include <gtest/gtest.h>

#include <cmath>

#include "report/curve_rows.h"

namespace {

using raingen::report::Chart;
using raingen::stats::CsvRow;

TEST(CurveRows, LinesPointsAndTheBandOfTheirColour) {
  const double nan = std::nan("");
  Chart chart;
  chart.bands.push_back({"realizations 5-95%", "red", {1, 2, 3}, {0.5, nan, 0.7}, {1.5, nan, 1.7}});
  chart.lines.push_back({"generated", "red", {{1, 1.0}, {2, 1.1}, {4, 1.3}}});
  chart.lines.push_back({"record:A", "blue", {{1, 2.0}, {2, nan}, {3, 2.2}}});
  chart.lines.push_back({"", "red", {{1, 9.0}}});  // no label: not a series
  const std::vector<CsvRow> rows = raingen::report::chart_rows(chart, "made");
  const struct {
    const char* series;
    double x, value;
    std::optional<double> lower, upper;
  } expected[] = {
      {"generated", 1, 1.0, 0.5, 1.5}, {"generated", 2, 1.1, {}, {}},  // the band has no value there
      {"generated", 4, 1.3, {}, {}},                                   // nor any x
      {"record:A", 1, 2.0, {}, {}},                                    // another colour
      {"record:A", 3, 2.2, {}, {}},
  };
  ASSERT_EQ(rows.size(), std::size(expected));
  for (std::size_t k = 0; k < rows.size(); ++k) {
    EXPECT_EQ(rows[k].series, expected[k].series) << k;
    EXPECT_EQ(rows[k].statistic, "made");
    EXPECT_FALSE(rows[k].minutes);
    EXPECT_EQ(rows[k].x, expected[k].x) << k;
    EXPECT_EQ(rows[k].value, expected[k].value) << k;
    EXPECT_EQ(rows[k].lower, expected[k].lower) << k;
    EXPECT_EQ(rows[k].upper, expected[k].upper) << k;
  }
}

}  // namespace
