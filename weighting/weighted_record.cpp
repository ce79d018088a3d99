#include "weighting/weighted_record.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace raingen::weighting {

namespace {

// Distance squared as the program forms it: the general real power, stored as a 32-bit float.
double program_weight(int distance) {
  return static_cast<float>(std::pow(static_cast<double>(distance), 2.0));
}

}  // namespace

std::vector<int> stations_weighted(const std::array<int, station_count>& distances) {
  for (int i = 0; i < station_count; ++i)
    if (distances[static_cast<std::size_t>(i)] == 0) return {i};
  return {0, 1, 2};
}

std::array<double, station_count> station_shares(const std::array<int, station_count>& distances) {
  std::array<double, station_count> shares{};
  const std::vector<int> used = stations_weighted(distances);
  if (used.size() == 1) {
    shares[static_cast<std::size_t>(used[0])] = 1.0;
    return shares;
  }
  double sum = 0;
  for (int i = 0; i < station_count; ++i) sum += 1.0 / program_weight(distances[static_cast<std::size_t>(i)]);
  for (int i = 0; i < station_count; ++i)
    shares[static_cast<std::size_t>(i)] = 1.0 / program_weight(distances[static_cast<std::size_t>(i)]) / sum;
  return shares;
}

gauge::CalendarSeries weighted_record(std::string name,
                                      const std::array<const gauge::CalendarSeries*, station_count>& records,
                                      const std::array<int, station_count>& distances) {
  const std::vector<int> used = stations_weighted(distances);
  calendar::TimePoint start = calendar::TimePoint::min(), end = calendar::TimePoint::max();
  for (int i : used) {
    const gauge::CalendarSeries* r = records[static_cast<std::size_t>(i)];
    if (r == nullptr) throw std::invalid_argument("the weighting needs the record of every station it uses");
    start = std::max(start, r->start());
    end = std::min(end, r->end());
  }
  const std::size_t count = end > start ? static_cast<std::size_t>((end - start) / calendar::interval_length) : 0;
  gauge::CalendarSeries site(std::move(name), start, count);
  // Offsets of the common start in each record.
  std::array<std::size_t, station_count> offset{};
  for (int i : used)
    offset[static_cast<std::size_t>(i)] =
        static_cast<std::size_t>((start - records[static_cast<std::size_t>(i)]->start()) / calendar::interval_length);

  if (used.size() == 1) {
    const std::vector<double>& g = records[static_cast<std::size_t>(used[0])]->depths();
    const std::size_t o = offset[static_cast<std::size_t>(used[0])];
    for (std::size_t k = 0; k < count; ++k) site.set_depth(k, g[o + k]);
    return site;
  }
  const double w1 = program_weight(distances[0]), w2 = program_weight(distances[1]), w3 = program_weight(distances[2]);
  const double denominator = (1.0 / w1 + 1.0 / w2) + 1.0 / w3;
  const std::vector<double>&r1 = records[0]->depths(), &r2 = records[1]->depths(), &r3 = records[2]->depths();
  for (std::size_t k = 0; k < count; ++k) {
    const double g1 = r1[offset[0] + k], g2 = r2[offset[1] + k], g3 = r3[offset[2] + k];
    // A missing value is NaN and makes the sum NaN, i.e. missing.
    const double numerator = (g3 / w3 + g1 / w1) + g2 / w2;
    site.set_depth(k, numerator / denominator);
  }
  return site;
}

}  // namespace raingen::weighting
