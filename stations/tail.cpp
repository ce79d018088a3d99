#include "stations/tail.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <optional>

#include "common/program_files.h"
#include "common/tool_error.h"
#include "stats/design_rainfall.h"
#include "stats/l_moments.h"
#include "stats/reference_curve.h"

namespace raingen::stations {

namespace {

using common::ToolError;
constexpr long most_day_lines = 200000;
constexpr double least_year_share = 0.8;  // of a calendar year's days complete, for its maxima to count

// A reference's level (mm) at a duration of 15 or 60 minutes and a return period, and what it is.
struct Reference {
  std::function<std::optional<double>(int, double)> level;
  std::string text;
};

// The largest 15-minute and 1-hour depths of a day, in hundredths.
std::pair<std::int64_t, std::int64_t> day_maxima(const double* depths) {
  std::int64_t largest = 0, hour = 0, window = 0;
  for (int j = 0; j < calendar::intervals_per_day; ++j) {
    const std::int64_t h = hundredths(depths[j]);
    largest = std::max(largest, h);
    window += h - (j >= 4 ? hundredths(depths[j - 4]) : 0);
    hour = std::max(hour, window);
  }
  return {largest, hour};
}

// The record's annual maxima at 15 and 60 minutes, of the calendar years with least_year_share of
// their days complete.
std::array<std::vector<double>, 2> annual_maxima(const RecordDays& days) {
  std::map<int, std::array<std::int64_t, 3>> years;  // year: complete days, largest 15 min, largest hour
  for (std::size_t d = 0; d < days.size(); ++d) {
    if (days.kinds[d] != DayKind::wet && days.kinds[d] != DayKind::dry) continue;
    const int year =
        static_cast<int>(date::year_month_day{days.first_day + calendar::Days{static_cast<long>(d)}}.year());
    const auto [largest, hour] = day_maxima(days.day_depths(d));
    auto& y = years[year];
    ++y[0];
    y[1] = std::max(y[1], largest);
    y[2] = std::max(y[2], hour);
  }
  std::array<std::vector<double>, 2> maxima;
  for (const auto& [year, y] : years) {
    const int length = date::year{year}.is_leap() ? 366 : 365;
    if (static_cast<double>(y[0]) < least_year_share * length) continue;
    maxima[0].push_back(static_cast<double>(y[1]) / 100);
    maxima[1].push_back(static_cast<double>(y[2]) / 100);
  }
  for (auto& m : maxima) std::sort(m.begin(), m.end());
  return maxima;
}

Reference record_reference(const RecordDays& days, const TailRequest& request, const std::string& source) {
  const std::array<std::vector<double>, 2> maxima = annual_maxima(days);
  const std::size_t years = maxima[0].size();
  if (years < 3 || (years < stats::gev_min_years && !request.few_years))
    throw ToolError(source, 0,
                    fmt::format("--tail record: the record has {} calendar years with {:g}% of their days complete; a "
                                "GEV fitted on fewer than {} years is no reference (its shape is as uncertain as the "
                                "whole range of rainfall tails): give --tail FILE, a reference curve{}",
                                years, least_year_share * 100, stats::gev_min_years,
                                years >= 3 ? ", or --tail-few-years to fit it anyway" : ""));
  std::array<stats::Gev, 2> gev{};
  for (std::size_t k = 0; k < 2; ++k) {
    const std::optional<stats::LMoments> moments = stats::sample_l_moments(maxima[k]);
    const std::optional<stats::Gev> fitted = moments ? stats::fit_gev(*moments) : std::nullopt;
    if (!fitted) throw ToolError(source, 0, "--tail record: no GEV fits the record's annual maxima");
    gev[k] = *fitted;
  }
  return {[gev](int minutes, double years) -> std::optional<double> {
            return stats::gev_quantile(gev[minutes == 15 ? 0 : 1], 1 - 1 / years);
          },
          fmt::format("the record's GEV (L-moments on {} years{})", years,
                      years < stats::gev_min_years ? ", fewer than 10: --tail-few-years" : "")};
}

// The Gumbel reduced variate of a return period, in which a curve is read linearly.
double gumbel(double years) { return -std::log(-std::log(1 - 1 / years)); }

Reference curve_reference(const std::string& file) {
  const stats::ReferenceCurve curve = stats::read_reference_curve(file);
  std::map<int, std::vector<std::pair<double, double>>> at;  // minutes: (variate, depth), rising
  for (const stats::ReferencePoint& p : curve.points)
    if (p.minutes == 15 || p.minutes == 60) at[p.minutes].emplace_back(gumbel(p.years), p.depth);
  for (auto& [minutes, points] : at) std::sort(points.begin(), points.end());
  if (at[15].size() < 2)
    throw ToolError(file, 0, "--tail: the curve needs at least two return periods at 15 minutes to extend the pool");
  const auto level = [at](int minutes, double years) -> std::optional<double> {
    const auto points = at.find(minutes);
    if (points == at.end() || points->second.size() < 2) return std::nullopt;
    const auto& p = points->second;
    const double y = gumbel(years);
    std::size_t k = 1;
    while (k + 1 < p.size() && y > p[k].first) ++k;  // the segment, or the last one beyond it
    return p[k - 1].second + (p[k].second - p[k - 1].second) * (y - p[k - 1].first) / (p[k].first - p[k - 1].first);
  };
  return {level, fmt::format("{} ({} points at 15 and 60 minutes, read linearly in the Gumbel variate)", file,
                             at[15].size() + at[60].size())};
}

// The copy's depths times factor, to 0.01 mm, a wet interval 0.01 mm at least; its label's total
// and its note say so. Returns the depths held at the largest a station file holds.
long scale_day(DayRecord& day, double factor) {
  long held = 0;
  std::int64_t total = 0;
  for (double& depth : day.depths) {
    const std::int64_t h = hundredths(depth);
    std::int64_t scaled =
        h > 0 ? std::max<std::int64_t>(1, static_cast<std::int64_t>(std::floor(h * factor + 0.5 + 1e-9))) : 0;
    if (scaled > common::largest_depth_hundredths) scaled = common::largest_depth_hundredths, ++held;
    depth = static_cast<double>(scaled) / 100;
    total += scaled;
  }
  day.label =
      day.label.substr(0, day.label.find("TOTAL") + 5) + fmt::format("{:7.2f}", static_cast<double>(total) / 100);
  day.note += fmt::format("  scaled x{:.3f} beyond the record (--tail)", factor);
  return held;
}

}  // namespace

TailResult widen_pool(StationFiles& files, const RecordDays& days, const TailRequest& request,
                      const std::string& source) {
  const long wet = days.count(DayKind::wet), complete = wet + days.count(DayKind::dry);
  const double wet_a_year = 365.25 * static_cast<double>(wet) / static_cast<double>(complete);
  const Reference reference =
      request.reference == "record" ? record_reference(days, request, source) : curve_reference(request.reference);
  std::vector<DayRecord> recorded(files.days.begin(), files.days.end() - 1);  // without the extra copy
  TailResult r{.reference = reference.text,
               .copies = std::max(
                   1L, static_cast<long>(std::ceil(request.years * wet_a_year / static_cast<double>(recorded.size())))),
               .from_years = static_cast<double>(complete) / 365.25};
  r.day_lines = r.copies * static_cast<long>(recorded.size()) + 1;
  if (r.day_lines > most_day_lines)
    throw ToolError(
        source, 0,
        fmt::format("--tail-years {:g}: the pool would need {} copies of each of its {} wet days, {} lines; "
                    "at most {} are written: give fewer --tail-years",
                    request.years, r.copies, recorded.size(), r.day_lines, most_day_lines));
  std::vector<std::pair<std::int64_t, std::int64_t>> maxima;
  for (const DayRecord& day : recorded) maxima.push_back(day_maxima(day.depths.data()));
  std::vector<std::size_t> order(recorded.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return maxima[a] > maxima[b]; });
  std::vector<DayRecord> pool;
  for (const DayRecord& day : recorded) pool.insert(pool.end(), static_cast<std::size_t>(r.copies), day);
  const double lines = static_cast<double>(pool.size());
  for (std::size_t i = 0; i < pool.size(); ++i) {  // rank i + 1 among the copies, the heaviest first
    const double share = (static_cast<double>(i) + 0.5) / lines;
    const double years = 1 / (1 - std::pow(1 - share, wet_a_year));
    if (years <= r.from_years) break;
    const std::size_t d = order[i / static_cast<std::size_t>(r.copies)];
    const auto [own_15, own_60] = maxima[d];
    double log_factor = 0;
    int ratios = 0;
    for (const auto& [minutes, own] : {std::pair{15, own_15}, std::pair{60, own_60}})
      if (const std::optional<double> target = reference.level(minutes, years); target && own > 0)
        log_factor += std::log(*target * 100 / static_cast<double>(own)), ++ratios;
    const double factor = ratios ? std::exp(log_factor / ratios) : 1;
    if (factor <= 1) continue;
    r.held += scale_day(pool[d * static_cast<std::size_t>(r.copies) + i % static_cast<std::size_t>(r.copies)], factor);
    ++r.scaled;
    r.largest_factor = std::max(r.largest_factor, factor);
  }
  r.largest_15_before = maxima[order.front()].first;
  r.largest_60_before = 0;
  for (const auto& m : maxima) r.largest_60_before = std::max(r.largest_60_before, m.second);
  for (const DayRecord& day : pool) {
    const auto [d15, d60] = day_maxima(day.depths.data());
    r.largest_15_after = std::max(r.largest_15_after, d15);
    r.largest_60_after = std::max(r.largest_60_after, d60);
  }
  DayRecord last = pool.back();
  last.note += "  copy of the last line, so that the program draws it as often as the others";
  pool.push_back(std::move(last));
  files.days = std::move(pool);
  return r;
}

std::string tail_result_text(const TailResult& r) {
  return fmt::format(
      "each wet day {} times ({} day lines); {} copies scaled beyond the record's {:.1f} years toward {}, by up to "
      "x{:.3f}{}; largest 15-minute depth {:.2f} -> {:.2f} mm, 1 hour {:.2f} -> {:.2f} mm: the depths beyond the "
      "record's are extrapolated",
      r.copies, r.day_lines, r.scaled, r.from_years, r.reference, r.largest_factor,
      r.held ? fmt::format(" ({} depths held at 99.99 mm, the most a station file holds)", r.held) : "",
      r.largest_15_before / 100.0, r.largest_15_after / 100.0, r.largest_60_before / 100.0, r.largest_60_after / 100.0);
}

}  // namespace raingen::stations
