#include "ensemble_file/ensemble_part.h"

#include <cstdint>
#include <limits>

#include <fmt/format.h>

namespace raingen::ensemble_file {

RealizationRange split_range(long units, long index, long count) {
  // floor(i units / count) without the product, which could pass 64 bits for a network's units.
  const long whole = units / count, rest = units % count;
  const auto boundary = [&](long i) { return i * whole + i * rest / count; };
  return RealizationRange{boundary(index - 1) + 1, boundary(index)};
}

std::string EnsemblePart::description() const {
  const RealizationRange own = range();
  if (own.size() == 1) return fmt::format("part {} of {} (realization {})", index, count, own.first);
  return fmt::format("part {} of {} (realizations {} to {})", index, count, own.first, own.last);
}

std::string part_fault(long index, long count, long realizations, long long first_seed) {
  constexpr long long largest_seed = std::numeric_limits<std::int32_t>::max();
  if (realizations < 1) return fmt::format("an ensemble of {} realizations", realizations);
  if (count < 1) return fmt::format("{} parts: an ensemble is made in 1 part or more", count);
  if (count > realizations)
    return fmt::format("{} parts of {} realizations: a part would hold none (at most {} parts)", count, realizations,
                       realizations);
  if (index < 1 || index > count) return fmt::format("there is no part {} of {}: the parts are 1 to {}", index, count, count);
  if (first_seed < std::numeric_limits<std::int32_t>::min() || first_seed + realizations - 1 > largest_seed)
    return fmt::format("seeds {} to {} go past {}, the largest seed", first_seed, first_seed + realizations - 1,
                       largest_seed);
  return "";
}

}  // namespace raingen::ensemble_file
