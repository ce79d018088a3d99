// The pieces of the random generator's seeding that are worth reaching on their own: the clock
// reading and its sum, and the RAINGEN_SEED value that replaces the clock for reproducible runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace raingen {

// The local time of day as the seed uses it.
struct ClockReading {
  std::int16_t hour = 0;        // 0..23
  std::int16_t minute = 0;      // 0..59
  std::int16_t second = 0;      // 0..59
  std::int16_t hundredths = 0;  // 0..99
};

// The local time of day at a moment of the system's real-time clock (seconds since the epoch
// and nanoseconds within that second).
ClockReading local_clock_at(std::int64_t seconds, long nanoseconds);

// The local time of day now: local_clock_at of one reading of the real-time clock.
ClockReading read_local_clock();

// The seed of a clock reading: the plain sum of its four parts (0..240).
std::int32_t clock_seed(const ClockReading& clock);

// The value of a RAINGEN_SEED text: a decimal 32-bit signed integer with one optional sign and
// blanks (spaces, tabs) around it; nothing for any other text.
std::optional<std::int32_t> parse_seed_text(std::string_view text);

// Start-up check of RAINGEN_SEED, before any file is touched: unset or empty leaves the clock
// seed; a valid value is kept in SeedSetting; anything else writes its diagnostic line and
// ends the run refused (exit status 1, nothing more shown).
void take_seed_from_environment();

}  // namespace raingen
