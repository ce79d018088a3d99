#include "ensemble_file/ensemble_part.h"

#include <array>
#include <cstdint>
#include <limits>

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::ensemble_file {

namespace {

// A part's place: I, N, K and S.
constexpr std::array<const char*, 4> part_attributes{"raingen_part_index", "raingen_part_count",
                                                     "raingen_part_realizations", "raingen_part_first_seed"};

}  // namespace

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
  if (index < 1 || index > count)
    return fmt::format("there is no part {} of {}: the parts are 1 to {}", index, count, count);
  if (first_seed < std::numeric_limits<std::int32_t>::min() || first_seed + realizations - 1 > largest_seed)
    return fmt::format("seeds {} to {} go past {}, the largest seed", first_seed, first_seed + realizations - 1,
                       largest_seed);
  return "";
}

void put_part_attributes(netcdf::File& file, const EnsemblePart& part) {
  const std::array<long, 4> values{part.index, part.count, part.realizations, part.first_seed};
  for (std::size_t k = 0; k < values.size(); ++k)
    file.put_numbers(NC_GLOBAL, part_attributes[k], NC_INT, std::array{static_cast<double>(values[k])});
}

std::optional<EnsemblePart> read_part_attributes(const netcdf::File& file,
                                                 const std::function<void(const std::string&)>& refuse) {
  std::array<long long, 4> values{};
  bool any = false;
  for (const char* name : part_attributes) any = any || file.has_attribute(NC_GLOBAL, name);
  if (!any) return std::nullopt;
  for (std::size_t k = 0; k < values.size(); ++k) {
    const std::optional<long long> value = file.integer_attribute(NC_GLOBAL, part_attributes[k]);
    if (!value) refuse(std::string("it records a part of an ensemble without an integer ") + part_attributes[k]);
    values[k] = value.value_or(0);
  }
  const auto [index, count, realizations, first_seed] = values;
  const std::string fault =
      part_fault(static_cast<long>(index), static_cast<long>(count), static_cast<long>(realizations), first_seed);
  if (!fault.empty()) refuse("its part attributes say " + fault);
  return EnsemblePart{static_cast<long>(index), static_cast<long>(count), static_cast<long>(realizations),
                      static_cast<int>(first_seed)};
}

long realization_index(const std::string& shown_name, long first, long count, long number) {
  const long last = first + count - 1;
  if (number < first || number > last)
    throw common::ToolError(
        shown_name, 0, fmt::format("holds realizations {} to {}: there is no realization {}", first, last, number));
  return number - first;
}

}  // namespace raingen::ensemble_file
