#include "network/network_days.h"

#include <algorithm>
#include <array>

namespace raingen::network {

using stations::DayKind;

DayKinds kinds_of(const gauge::CalendarSeries& series, const stations::DayOptions& options) {
  DayKinds out;
  if (series.empty()) return out;
  const calendar::IntervalIndex first = calendar::interval_beginning(series.start());
  const calendar::IntervalIndex last = first + static_cast<calendar::IntervalIndex>(series.size()) - 1;
  out.first_day = calendar::day_of_interval(first);
  const calendar::IntervalIndex day_start = calendar::first_interval_of(out.first_day);
  const auto day_count = static_cast<std::size_t>((calendar::day_of_interval(last) - out.first_day).count() + 1);
  out.kinds.resize(day_count);
  std::array<double, calendar::intervals_per_day> day{};
  for (std::size_t d = 0; d < day_count; ++d) {
    for (std::size_t j = 0; j < day.size(); ++j) {
      const calendar::IntervalIndex k = day_start + static_cast<calendar::IntervalIndex>(d * day.size() + j) - first;
      day[j] = k >= 0 && k < static_cast<calendar::IntervalIndex>(series.size())
                   ? series.depth(static_cast<std::size_t>(k))
                   : gauge::CalendarSeries::missing_value();
    }
    out.kinds[d] = stations::day_kind(day.data(), options);
  }
  return out;
}

DayKinds network_kinds(const std::vector<DayKinds>& sites) {
  DayKinds network;
  if (sites.empty()) return network;
  calendar::Day first = sites.front().first_day;
  calendar::Day end = first + calendar::Days{static_cast<long>(sites.front().kinds.size())};
  for (const DayKinds& s : sites) {
    first = std::max(first, s.first_day);
    end = std::min(end, s.first_day + calendar::Days{static_cast<long>(s.kinds.size())});
  }
  network.first_day = first;
  if (end <= first) return network;
  network.kinds.assign(static_cast<std::size_t>((end - first).count()), DayKind::dry);
  for (const DayKinds& s : sites) {
    const auto offset = static_cast<std::size_t>((first - s.first_day).count());
    for (std::size_t d = 0; d < network.kinds.size(); ++d) {
      const DayKind site = s.kinds[offset + d];
      DayKind& kind = network.kinds[d];
      if (site == DayKind::incomplete || site == DayKind::outside)
        kind = DayKind::incomplete;
      else if (site == DayKind::wet && kind == DayKind::dry)
        kind = DayKind::wet;
    }
  }
  return network;
}

stations::RecordDays days_from(const stations::RecordDays& days, calendar::Day first, std::size_t count) {
  const auto offset = static_cast<std::size_t>((first - days.first_day).count());
  stations::RecordDays out;
  out.first_day = first;
  out.kinds.assign(days.kinds.begin() + static_cast<long>(offset),
                   days.kinds.begin() + static_cast<long>(offset + count));
  out.present.assign(days.present.begin() + static_cast<long>(offset),
                     days.present.begin() + static_cast<long>(offset + count));
  const std::size_t per_day = calendar::intervals_per_day;
  out.depths.assign(days.depths.begin() + static_cast<long>(offset * per_day),
                    days.depths.begin() + static_cast<long>((offset + count) * per_day));
  for (std::size_t d = 0; d < count; ++d) {
    if (out.kinds[d] == DayKind::incomplete) continue;
    if (out.present[d] < calendar::intervals_per_day) {
      ++out.filled_days;
      out.filled_intervals += calendar::intervals_per_day - out.present[d];
    }
    const double* depth = out.day_depths(d);
    for (std::size_t j = 0; j < per_day; ++j) out.total_read += depth[j];
  }
  return out;
}

}  // namespace raingen::network
