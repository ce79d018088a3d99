// Depths rounded as the decimals they stand for. Gauge records give depths in decimal (0.101 mm),
// which binary doubles hold only nearly: 0.101 + 0.606 + 2.828 sums to 3.5349999999999997, and
// rounded to 0.01 mm that gives 3.53 where the decimal sum 3.535 gives 3.54. A depth is therefore
// first taken to 9 decimals, which gives back exactly any sum of depths of up to 6 decimals (the
// binary error of a sum of thousands of them stays below 1e-11 mm), then rounded to 0.01 mm, ties
// away from zero. A depth of largest_held_depth_mm or more (either sign) is held by none of the
// integers here and is refused, never converted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace raingen::gauge {

inline constexpr double largest_held_depth_mm = 1e9;

// The depth in billionths of a mm (rounded to nearest); none for NaN, infinite or too large.
std::optional<std::int64_t> billionths_of(double mm);
// The depth in hundredths of a mm as its decimal rounds (above); none as billionths_of.
std::optional<std::int64_t> hundredths_of(double mm);
// "3.54" for 354.
std::string hundredths_text(std::int64_t hundredths);

}  // namespace raingen::gauge
