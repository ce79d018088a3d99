// A small chart drawn as inline SVG: lines (with optional markers), bars, shaded bands, axes with
// readable ticks on linear or log scales, a title and a legend. The text is the same, byte for
// byte, for the same chart: numbers in the C locale with fixed decimals, nothing that depends on
// memory or time, and no identifiers, so that many charts can share one page.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "page/ticks.h"

namespace raingen::page {

enum class Scale { linear, log };

struct Axis {
  std::string label;
  Scale scale = Scale::linear;
  std::optional<double> low, high;  // forced ends; otherwise the data's, widened to ticks
  bool include_zero = false;        // linear only: the axis reaches 0 (depths, bars)
  std::vector<Tick> ticks;          // given ticks replace the automatic ones
};

struct Point {
  double x = 0;
  double y = 0;  // NaN (or, on a log axis, a value <= 0) breaks a line
};

struct Line {
  std::string label;  // empty: not in the legend
  std::string color;
  std::vector<Point> points;
  double width = 1.5;
  bool dashed = false;
  bool markers = false;
  bool joined = true;          // false: markers alone, points that are no curve (a record's few values)
  double marker_radius = 2.6;  // a larger one shows as a ring around a smaller drawn over it
};

struct Bar {
  double x0 = 0, x1 = 0;  // left and right edge in data units
  double y = 0;           // from 0 (or the axis bottom) up to y; NaN: no bar
};

struct BarSet {
  std::string label;
  std::string color;
  std::vector<Bar> bars;
};

// A shaded band between two curves over the same x values (for the spread of many series).
struct Band {
  std::string label;
  std::string color;
  std::vector<double> x, low, high;
  double opacity = 0.25;
};

struct Chart {
  std::string title;
  Axis x, y;
  std::vector<Band> bands;
  std::vector<BarSet> bars;
  std::vector<Line> lines;  // drawn last, over bands and bars, in order
  int width = 440;
  int height = 300;
};

std::string render_svg(const Chart& chart);

}  // namespace raingen::page
