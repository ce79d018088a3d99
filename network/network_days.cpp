#include "network/network_days.h"

#include <algorithm>

namespace raingen::network {

using stations::DayKind;

DayKinds kinds_of(const stations::RecordDays& days) { return {days.first_day, days.kinds}; }

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
      if (site == DayKind::incomplete || site == DayKind::outside) kind = DayKind::incomplete;
      else if (site == DayKind::wet && kind == DayKind::dry) kind = DayKind::wet;
    }
  }
  return network;
}

stations::RecordDays days_from(const stations::RecordDays& days, calendar::Day first, std::size_t count) {
  const auto offset = static_cast<std::size_t>((first - days.first_day).count());
  stations::RecordDays out;
  out.first_day = first;
  out.kinds.assign(days.kinds.begin() + static_cast<long>(offset), days.kinds.begin() + static_cast<long>(offset + count));
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
