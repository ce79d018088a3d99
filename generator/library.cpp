// The one random generator of the run and its seed.
//
// Reads and writes generator_state; seed_from_clock reads the local clock, or SeedSetting when
// RAINGEN_SEED gave a seed at start-up.
#include "generator/library.h"

#include <time.h>

#include <cstdlib>
#include <string>

#include "generator/diagnostics.h"
#include "generator/shared.h"
#include "records/run_end.h"

namespace raingen {

namespace {

// Minimal-standard multiplicative generator, 48271 modulo 2^31 - 1, by Schrage's method so that
// every product stays within 32 bits.
constexpr std::int32_t multiplier = 48271;
constexpr std::int32_t modulus = 2147483647;
constexpr std::int32_t schrage_q = 44488;  // modulus / multiplier
constexpr std::int32_t schrage_r = 3399;   // modulus % multiplier

void step_generator() {
  std::int32_t s = generator_state;
  if (s == 0) s = -1;  // the generator would stay at 0 for ever
  std::int32_t t = multiplier * (s % schrage_q) - schrage_r * (s / schrage_q);
  if (t <= 0) t += modulus;
  generator_state = t;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void set_seed(std::int32_t v) { generator_state = v; }

float next_random() {
  step_generator();
  // The product by 2^-31 is exact in double; the one rounding is to the nearest float, which
  // takes the top 63 states to exactly 1.0.
  return static_cast<float>(static_cast<double>(generator_state) * 0x1p-31);
}

ClockReading local_clock_at(std::int64_t seconds, long nanoseconds) {
  const time_t moment = static_cast<time_t>(seconds);
  tm local{};
  localtime_r(&moment, &local);
  const long milliseconds = nanoseconds / 1000000;
  ClockReading clock;
  clock.hour = static_cast<std::int16_t>(local.tm_hour);
  clock.minute = static_cast<std::int16_t>(local.tm_min);
  clock.second = static_cast<std::int16_t>(local.tm_sec);
  clock.hundredths = static_cast<std::int16_t>(milliseconds / 10);
  return clock;
}

ClockReading read_local_clock() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return local_clock_at(now.tv_sec, now.tv_nsec);
}

std::int32_t clock_seed(const ClockReading& clock) {
  return std::int32_t{clock.hour} + std::int32_t{clock.minute} + std::int32_t{clock.second} +
         std::int32_t{clock.hundredths};
}

void seed_from_clock() {
  if (SeedSetting.given) {
    set_seed(SeedSetting.value);
    return;
  }
  set_seed(clock_seed(read_local_clock()));
}

std::optional<std::int32_t> parse_seed_text(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Magnitudes up to 2^31 fit here; anything longer is out of range however it continues.
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

void take_seed_from_environment() {
  const char* text = std::getenv("RAINGEN_SEED");
  if (text == nullptr || *text == '\0') return;
  const std::optional<std::int32_t> seed = parse_seed_text(text);
  if (!seed) {
    diagnostic_line(std::string("RAINGEN_SEED is not a 32-bit integer: '") + text + "'");
    records::RunEnd refused;
    refused.kind = records::RunEnd::Kind::refused;
    records::finish_run(refused);
  }
  SeedSetting.given = true;
  SeedSetting.value = *seed;
}

}  // namespace raingen
