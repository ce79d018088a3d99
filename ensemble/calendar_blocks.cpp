#include "ensemble/calendar_blocks.h"

#include "common/program_files.h"

namespace raingen::ensemble {

namespace {

// The program's generator: the multiplier 48271 modulo 2^31 - 1.
constexpr std::int64_t modulus = 2147483647;
constexpr std::int64_t multiplier = 48271;

std::int64_t power_modulo(std::int64_t base, std::int64_t exponent) {
  std::int64_t result = 1;
  base %= modulus;
  for (; exponent > 0; exponent >>= 1) {
    if (exponent & 1) result = result * base % modulus;
    base = base * base % modulus;
  }
  return result;
}

// One step as the program takes it (Schrage's method in 32-bit integers), which also covers the
// seeds beyond the modulus' residues: 0 is taken as -1, and +-(2^31 - 1) step to 2^31 - 1, where
// the generator stays.
std::int64_t first_step(std::int32_t seed) {
  constexpr std::int64_t quotient = 44488, remainder = 3399;
  const std::int64_t s = seed == 0 ? -1 : seed;
  std::int64_t t = multiplier * (s % quotient) - remainder * (s / quotient);
  if (t <= 0) t += modulus;
  return t;
}

}  // namespace

std::vector<CalendarBlock> lay_out_blocks(calendar::TimePoint start, long days, const stations::Seasons& seasons) {
  std::vector<CalendarBlock> blocks;
  const calendar::Day first = calendar::day_of(start);
  for (long day = 0; day < days; ++day) {
    const std::size_t season = seasons.empty() ? 0 : stations::season_of(seasons, first + calendar::Days{day});
    if (blocks.empty() || blocks.back().season != season || blocks.back().days == common::most_days)
      blocks.push_back({season, day, 0});
    ++blocks.back().days;
  }
  return blocks;
}

std::int32_t block_seed(std::int32_t first_seed, long block) {
  if (block == 0) return first_seed;
  const std::int64_t state = first_step(first_seed);
  if (state == modulus) return static_cast<std::int32_t>(modulus);
  // For a state of 1 .. 2^31 - 2 every later step is the product modulo 2^31 - 1.
  return static_cast<std::int32_t>(state * power_modulo(multiplier, block * block_seed_stride - 1) % modulus);
}

}  // namespace raingen::ensemble
