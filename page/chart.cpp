#include "page/chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "page/svg_text.h"

namespace raingen::page {

namespace {

constexpr double margin_left = 62, margin_right = 14, margin_top = 30;
constexpr double legend_row_height = 16, char_width = 6.3;

bool usable(double v, Scale scale) { return std::isfinite(v) && (scale == Scale::linear || v > 0); }

struct Extent {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void add(double v, Scale scale) {
    if (!usable(v, scale)) return;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  bool empty() const { return low > high; }
};

AxisRange resolve(const Axis& axis, Extent extent) {
  if (axis.low) extent.low = *axis.low;
  if (axis.high) extent.high = *axis.high;
  if (axis.scale == Scale::linear && axis.include_zero) {
    extent.low = std::min(extent.low, 0.0);
    extent.high = std::max(extent.high, 0.0);
  }
  if (extent.empty()) extent = axis.scale == Scale::log ? Extent{1, 10} : Extent{0, 1};
  AxisRange range = axis.scale == Scale::log ? log_axis(extent.low, extent.high) : linear_axis(extent.low, extent.high);
  if (axis.low) range.low = *axis.low;
  if (axis.high) range.high = *axis.high;
  // Data that all lie on a forced end (shares all 1) still need an axis of some length.
  if (!(range.high > range.low)) {
    if (axis.high)
      range.low = axis.scale == Scale::log ? range.high / 10 : range.high - 1;
    else
      range.high = axis.scale == Scale::log ? range.low * 10 : range.low + 1;
  }
  if (!axis.ticks.empty()) range.ticks = axis.ticks;
  const double slack = (range.high - range.low) * 1e-9;
  std::erase_if(range.ticks,
                [&](const Tick& t) { return t.value < range.low - slack || t.value > range.high + slack; });
  return range;
}

// Data values to pixels along one axis.
struct Mapper {
  Scale scale;
  double low, high;  // data
  double from, to;   // pixels
  double operator()(double v) const {
    const double share = scale == Scale::log ? (std::log10(v) - std::log10(low)) / (std::log10(high) - std::log10(low))
                                             : (v - low) / (high - low);
    return std::clamp(from + share * (to - from), std::min(from, to), std::max(from, to));
  }
};

struct LegendEntry {
  std::string label, color;
  enum Kind { line, bar, band, marker } kind;
  double width = 1.5;
  bool dashed = false;
  double opacity = 1;
  double radius = 2.6;  // a marker's
};

std::vector<LegendEntry> legend_entries(const Chart& chart) {
  std::vector<LegendEntry> entries;
  for (const Band& b : chart.bands)
    if (!b.label.empty()) entries.push_back({b.label, b.color, LegendEntry::band, 1, false, b.opacity});
  for (const BarSet& b : chart.bars)
    if (!b.label.empty()) entries.push_back({b.label, b.color, LegendEntry::bar});
  for (const Line& l : chart.lines)
    if (!l.label.empty())
      entries.push_back({l.label, l.color, l.joined ? LegendEntry::line : LegendEntry::marker, l.width, l.dashed, 1,
                         l.marker_radius});
  return entries;
}

double entry_width(const LegendEntry& e) { return 26 + char_width * static_cast<double>(e.label.size()) + 12; }

// Rows of legend entries that fit the plot's width.
std::vector<std::vector<const LegendEntry*>> legend_rows(const std::vector<LegendEntry>& entries, double width) {
  std::vector<std::vector<const LegendEntry*>> rows;
  double used = width;
  for (const LegendEntry& e : entries) {
    if (rows.empty() || used + entry_width(e) > width) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(&e);
    used += entry_width(e);
  }
  return rows;
}

std::string stroke_style(const std::string& color, double width, bool dashed) {
  std::string s = fmt::format(R"(fill="none" stroke="{}" stroke-width="{}")", escape(color), coordinate(width));
  if (dashed) s += R"( stroke-dasharray="5 3")";
  return s;
}

void draw_line(std::string& svg, const Line& line, const Mapper& mx, const Mapper& my, Scale xs, Scale ys) {
  std::vector<std::vector<std::pair<double, double>>> segments(1);
  for (const Point& p : line.points) {
    if (!usable(p.x, xs) || !usable(p.y, ys)) {
      if (!segments.back().empty()) segments.emplace_back();
      continue;
    }
    segments.back().emplace_back(mx(p.x), my(p.y));
  }
  const std::string style = stroke_style(line.color, line.width, line.dashed);
  for (const auto& segment : segments) {
    if (segment.empty()) continue;
    // Points closer than half a pixel to the last one drawn add nothing to the picture.
    std::string points;
    std::pair<double, double> last{-1e9, -1e9};
    for (std::size_t k = 0; k < segment.size(); ++k) {
      const auto [px, py] = segment[k];
      if (k + 1 < segment.size() && k > 0 && std::fabs(px - last.first) < 0.5 && std::fabs(py - last.second) < 0.5)
        continue;
      if (!points.empty()) points += ' ';
      points += coordinate(px) + ',' + coordinate(py);
      last = {px, py};
    }
    if (line.joined) svg += fmt::format("<polyline {} stroke-linejoin=\"round\" points=\"{}\"/>\n", style, points);
    if (line.markers || !line.joined)
      for (const auto& [px, py] : segment)
        svg += fmt::format("<circle cx=\"{}\" cy=\"{}\" r=\"{}\" fill=\"{}\"/>\n", coordinate(px), coordinate(py),
                           coordinate(line.marker_radius), escape(line.color));
  }
}

void draw_band(std::string& svg, const Band& band, const Mapper& mx, const Mapper& my, Scale xs, Scale ys) {
  std::string points;
  const std::size_t n = std::min({band.x.size(), band.low.size(), band.high.size()});
  std::vector<std::size_t> kept;
  for (std::size_t k = 0; k < n; ++k)
    if (usable(band.x[k], xs) && usable(band.low[k], ys) && usable(band.high[k], ys)) kept.push_back(k);
  if (kept.empty()) return;
  for (std::size_t k : kept) points += coordinate(mx(band.x[k])) + ',' + coordinate(my(band.high[k])) + ' ';
  for (auto it = kept.rbegin(); it != kept.rend(); ++it)
    points +=
        coordinate(mx(band.x[*it])) + ',' + coordinate(my(band.low[*it])) + (std::next(it) == kept.rend() ? "" : " ");
  svg += fmt::format("<polygon fill=\"{}\" fill-opacity=\"{}\" stroke=\"none\" points=\"{}\"/>\n", escape(band.color),
                     fmt::format("{:.2f}", band.opacity), points);
}

// The data's extent on each axis: every point, bar and band that the axis can show.
std::pair<Extent, Extent> data_extents(const Chart& chart) {
  Extent ex, ey;
  for (const Line& l : chart.lines)
    for (const Point& p : l.points)
      if (usable(p.x, chart.x.scale) && usable(p.y, chart.y.scale)) {
        ex.add(p.x, chart.x.scale);
        ey.add(p.y, chart.y.scale);
      }
  for (const BarSet& b : chart.bars)
    for (const Bar& bar : b.bars)
      if (std::isfinite(bar.y)) {
        ex.add(bar.x0, chart.x.scale);
        ex.add(bar.x1, chart.x.scale);
        ey.add(bar.y, chart.y.scale);
      }
  for (const Band& b : chart.bands)
    for (std::size_t k = 0; k < b.x.size(); ++k) {
      ex.add(b.x[k], chart.x.scale);
      if (k < b.low.size()) ey.add(b.low[k], chart.y.scale);
      if (k < b.high.size()) ey.add(b.high[k], chart.y.scale);
    }
  return {ex, ey};
}

// Where the plot lies in the picture and how data values map onto it.
struct Frame {
  AxisRange rx, ry;
  double plot_right = 0, plot_bottom = 0;
  double height = 0;  // of the whole picture, legend included
  Mapper mx, my;
};

Frame frame_of(const Chart& chart, std::size_t legend_rows) {
  const auto [ex, ey] = data_extents(chart);
  Frame f{resolve(chart.x, ex),
          resolve(chart.y, ey),
          chart.width - margin_right,
          chart.height - 44.0,
          chart.height + legend_row_height * static_cast<double>(legend_rows),
          {},
          {}};
  f.mx = Mapper{chart.x.scale, f.rx.low, f.rx.high, margin_left, f.plot_right};
  f.my = Mapper{chart.y.scale, f.ry.low, f.ry.high, f.plot_bottom, margin_top};
  return f;
}

std::string svg_head(const Chart& chart, const Frame& f) {
  std::string svg = fmt::format(
      "<svg width=\"{0}\" height=\"{1}\" viewBox=\"0 0 {0} {1}\" role=\"img\" font-family=\"sans-serif\" "
      "font-size=\"11\">\n<title>{2}</title>\n<rect width=\"{0}\" height=\"{1}\" fill=\"#ffffff\"/>\n",
      chart.width, coordinate(f.height), escape(chart.title));
  svg += fmt::format("<text x=\"{}\" y=\"18\" font-size=\"12.5\" font-weight=\"bold\">{}</text>\n",
                     coordinate(margin_left), escape(chart.title));
  return svg;
}

void draw_grid(std::string& svg, const Frame& f) {
  for (const Tick& t : f.ry.ticks) {
    const std::string y = coordinate(f.my(t.value));
    svg += fmt::format("<line x1=\"{}\" x2=\"{}\" y1=\"{}\" y2=\"{}\" stroke=\"#e3e3e3\"/>\n", coordinate(margin_left),
                       coordinate(f.plot_right), y, y);
    svg += fmt::format("<text x=\"{}\" y=\"{}\" text-anchor=\"end\">{}</text>\n", coordinate(margin_left - 5),
                       coordinate(f.my(t.value) + 3.5), escape(t.label));
  }
  for (const Tick& t : f.rx.ticks) {
    const std::string x = coordinate(f.mx(t.value));
    svg += fmt::format("<line x1=\"{}\" x2=\"{}\" y1=\"{}\" y2=\"{}\" stroke=\"#e3e3e3\"/>\n", x, x,
                       coordinate(margin_top), coordinate(f.plot_bottom));
    svg += fmt::format("<text x=\"{}\" y=\"{}\" text-anchor=\"middle\">{}</text>\n", x, coordinate(f.plot_bottom + 14),
                       escape(t.label));
  }
}

void draw_bars(std::string& svg, const Chart& chart, const Frame& f) {
  const double bar_base = f.my(chart.y.scale == Scale::log ? f.ry.low : std::clamp(0.0, f.ry.low, f.ry.high));
  for (const BarSet& set : chart.bars)
    for (const Bar& bar : set.bars) {
      if (!usable(bar.y, chart.y.scale) || !usable(bar.x0, chart.x.scale) || !usable(bar.x1, chart.x.scale)) continue;
      const double x0 = f.mx(bar.x0), x1 = f.mx(bar.x1), top = f.my(bar.y);
      svg += fmt::format("<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"{}\"/>\n", coordinate(x0),
                         coordinate(std::min(top, bar_base)), coordinate(x1 - x0),
                         coordinate(std::fabs(bar_base - top)), escape(set.color));
    }
}

// The plot's frame, and the axes' labels below and beside it.
void draw_axes(std::string& svg, const Chart& chart, const Frame& f) {
  svg += fmt::format("<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"none\" stroke=\"#888888\"/>\n",
                     coordinate(margin_left), coordinate(margin_top), coordinate(f.plot_right - margin_left),
                     coordinate(f.plot_bottom - margin_top));
  svg +=
      fmt::format("<text x=\"{}\" y=\"{}\" text-anchor=\"middle\">{}</text>\n",
                  coordinate((margin_left + f.plot_right) / 2), coordinate(f.plot_bottom + 31), escape(chart.x.label));
  const std::string mid = coordinate((margin_top + f.plot_bottom) / 2);
  svg += fmt::format("<text x=\"14\" y=\"{0}\" text-anchor=\"middle\" transform=\"rotate(-90 14 {0})\">{1}</text>\n",
                     mid, escape(chart.y.label));
}

// The legend's rows from y (the baseline of the first) down.
void draw_legend(std::string& svg, const std::vector<std::vector<const LegendEntry*>>& rows, double y) {
  for (const auto& row : rows) {
    double x = margin_left;
    for (const LegendEntry* e : row) {
      const std::string cy = coordinate(y - 4);
      if (e->kind == LegendEntry::line)
        svg += fmt::format("<line x1=\"{}\" x2=\"{}\" y1=\"{}\" y2=\"{}\" {}/>\n", coordinate(x), coordinate(x + 20),
                           cy, cy, stroke_style(e->color, e->width, e->dashed));
      else if (e->kind == LegendEntry::marker)
        svg += fmt::format("<circle cx=\"{}\" cy=\"{}\" r=\"{}\" fill=\"{}\"/>\n", coordinate(x + 10), cy,
                           coordinate(e->radius), escape(e->color));
      else
        svg += fmt::format("<rect x=\"{}\" y=\"{}\" width=\"20\" height=\"9\" fill=\"{}\" fill-opacity=\"{}\"/>\n",
                           coordinate(x), coordinate(y - 8.5), escape(e->color), fmt::format("{:.2f}", e->opacity));
      svg += fmt::format("<text x=\"{}\" y=\"{}\">{}</text>\n", coordinate(x + 26), coordinate(y), escape(e->label));
      x += entry_width(*e);
    }
    y += legend_row_height;
  }
}

}  // namespace

std::string render_svg(const Chart& chart) {
  const std::vector<LegendEntry> entries = legend_entries(chart);
  const auto rows = legend_rows(entries, chart.width - margin_right - margin_left);
  const Frame f = frame_of(chart, rows.size());
  std::string svg = svg_head(chart, f);
  draw_grid(svg, f);
  // Data: bands under bars under lines.
  for (const Band& b : chart.bands) draw_band(svg, b, f.mx, f.my, chart.x.scale, chart.y.scale);
  draw_bars(svg, chart, f);
  for (const Line& l : chart.lines) draw_line(svg, l, f.mx, f.my, chart.x.scale, chart.y.scale);
  draw_axes(svg, chart, f);
  draw_legend(svg, rows, chart.height + 8);  // under the axis label
  svg += "</svg>\n";
  return svg;
}

}  // namespace raingen::page
