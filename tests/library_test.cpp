// The random generator, its scaling, the clock seed and the RAINGEN_SEED value.
#include <gtest/gtest.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "generator/library.h"
#include "generator/shared.h"
#include "support/child.h"
#include "support/generator_model.h"

namespace {

using namespace raingen;

constexpr std::int64_t modulus = testing_support::generator_modulus;
using testing_support::state_after;
using testing_support::state_before;

class GeneratorTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_shared_state(); }
};

struct SeedCase {
  std::int32_t seed;
  std::int32_t states[4];
  float values[4];
};

TEST_F(GeneratorTest, FirstStatesAndValuesOfKnownSeeds) {
  const SeedCase cases[] = {
      {1, {48271, 182605794, 1291394886, 1914720637}, {2.2478e-05f, 0.085032f, 0.60135f, 0.89161f}},
      {0, {2147435376, 1964877853, 856088761, 232763010}, {0.99998f, 0.91497f, 0.39865f, 0.10839f}},
  };
  for (const SeedCase& c : cases) {
    set_seed(c.seed);
    for (int k = 0; k < 4; ++k) {
      const float value = next_random();
      EXPECT_EQ(generator_state, c.states[k]) << "seed " << c.seed << " draw " << k;
      EXPECT_NEAR(value, c.values[k], c.values[k] * 1e-4) << "seed " << c.seed << " draw " << k;
      EXPECT_EQ(value, static_cast<float>(c.states[k] / 2147483648.0));
    }
  }
}

TEST_F(GeneratorTest, SeedOfTheLatestClockReading) {
  set_seed(240);
  EXPECT_NEAR(next_random(), 0.0053947f, 1e-7);
  EXPECT_EQ(generator_state, 11585040);
}

TEST_F(GeneratorTest, EverySeedOfTheClockStartsAtItsMultiple) {
  for (std::int32_t v = 1; v <= 240; ++v) {
    set_seed(v);
    const float first = next_random();
    EXPECT_EQ(generator_state, 48271 * v);
    EXPECT_LE(first, 0.0054f);
  }
}

// The model steps in 64-bit arithmetic, without Schrage's splitting.
TEST_F(GeneratorTest, AgreesWithPlainArithmeticOverALongSequence) {
  std::int64_t expected = 97;
  set_seed(97);
  for (int k = 0; k < 100000; ++k) {
    expected = state_after(expected);
    next_random();
    ASSERT_EQ(generator_state, expected) << "step " << k;
  }
}

TEST_F(GeneratorTest, ZeroStateIsTakenAsMinusOne) {
  set_seed(0);
  next_random();
  EXPECT_EQ(generator_state, modulus - 48271);
}

struct ScalingCase {
  std::int64_t state;  // the state that the draw steps to
  float value;
};

TEST_F(GeneratorTest, ScalingRoundsToTheNearestFloat) {
  const ScalingCase cases[] = {
      {1, 0x1p-31f},      {2147483583, 1.0f - 0x1p-24f}, {2147483584, 1.0f}, {2147483600, 1.0f}, {2147483646, 1.0f},
      {1073741824, 0.5f},
  };
  for (const ScalingCase& c : cases) {
    set_seed(static_cast<std::int32_t>(state_before(c.state)));
    EXPECT_EQ(next_random(), c.value) << "state " << c.state;
    EXPECT_EQ(generator_state, c.state);
  }
}

TEST(ClockSeedTest, SumOfTheFourParts) {
  EXPECT_EQ(clock_seed({10, 20, 30, 40}), 100);
  EXPECT_EQ(clock_seed({20, 10, 40, 30}), 100);
  EXPECT_EQ(clock_seed({0, 0, 0, 0}), 0);
  EXPECT_EQ(clock_seed({23, 59, 59, 99}), 240);
  EXPECT_EQ(clock_seed({7, 0, 5, 3}), 15);
}

TEST(ClockSeedTest, TwoReadingsWithOneSumGiveOneSequence) {
  reset_shared_state();
  set_seed(clock_seed({10, 20, 30, 40}));
  const float a[] = {next_random(), next_random(), next_random()};
  set_seed(clock_seed({20, 10, 40, 30}));
  const float b[] = {next_random(), next_random(), next_random()};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(a[k], b[k]);
}

// The reading is the local time, not the universal one: in a zone of +5:30 the minutes differ.
// 1700000000 s after the epoch is 2023-11-14 22:13:20 UTC, 03:43:20 the next day at +5:30.
TEST(ClockSeedTest, ReadingIsTheLocalTimeOfDay) {
  struct ZoneCase {
    const char* zone;
    ClockReading expected;
  };
  const ZoneCase cases[] = {{"UTC0", {22, 13, 20, 98}}, {"IST-5:30", {3, 43, 20, 98}}};
  for (const ZoneCase& c : cases) {
    testing_support::ChildSetup setup;
    setup.environment = {{"TZ", c.zone}};
    const auto outcome = testing_support::run_in_child(setup, [] {
      tzset();
      const ClockReading clock = local_clock_at(1700000000, 987654321);
      const std::string text = std::to_string(clock.hour) + ":" + std::to_string(clock.minute) + ":" +
                               std::to_string(clock.second) + "." + std::to_string(clock.hundredths);
      std::fputs(text.c_str(), stdout);
    });
    EXPECT_EQ(outcome.out, std::to_string(c.expected.hour) + ":" + std::to_string(c.expected.minute) + ":" +
                               std::to_string(c.expected.second) + "." + std::to_string(c.expected.hundredths))
        << c.zone;
  }
}

// read_local_clock reads the real-time clock: between two readings of that same clock within
// one second, it gives that second and hundredths between theirs.
TEST(ClockSeedTest, ReadingComesFromTheRealTimeClock) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    timespec before{}, after{};
    clock_gettime(CLOCK_REALTIME, &before);
    const ClockReading clock = read_local_clock();
    clock_gettime(CLOCK_REALTIME, &after);
    if (after.tv_sec != before.tv_sec) continue;
    const ClockReading first = local_clock_at(before.tv_sec, before.tv_nsec);
    const ClockReading last = local_clock_at(after.tv_sec, after.tv_nsec);
    EXPECT_EQ(clock.hour, first.hour);
    EXPECT_EQ(clock.minute, first.minute);
    EXPECT_EQ(clock.second, first.second);
    EXPECT_GE(clock.hundredths, first.hundredths);
    EXPECT_LE(clock.hundredths, last.hundredths);
    return;
  }
  GTEST_SKIP() << "every pair of clock readings straddled a second";
}

TEST(ClockSeedTest, GivenSeedReplacesTheClock) {
  reset_shared_state();
  SeedSetting = {true, -12345};
  seed_from_clock();
  EXPECT_EQ(generator_state, -12345);
}

TEST(ClockSeedTest, WithoutGivenSeedTheStateIsAClockSum) {
  reset_shared_state();
  seed_from_clock();
  EXPECT_GE(generator_state, 0);
  EXPECT_LE(generator_state, 240);
}

struct SeedTextCase {
  const char* text;
  std::optional<std::int32_t> value;
};

TEST(SeedTextTest, DecimalThirtyTwoBitIntegersOnly) {
  const SeedTextCase cases[] = {
      {"42", 42},
      {" \t-7\t ", -7},
      {"+0", 0},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"1 2", std::nullopt},
      {"12a", std::nullopt},
      {"0x10", std::nullopt},
      {"1.0", std::nullopt},
      {"1e3", std::nullopt},
  };
  for (const SeedTextCase& c : cases) EXPECT_EQ(parse_seed_text(c.text), c.value) << c.text;
}

testing_support::Outcome check_in_child(const char* value) {
  testing_support::ChildSetup setup;
  if (value)
    setup.environment = {{"RAINGEN_SEED", value}};
  else
    setup.unset_environment = {"RAINGEN_SEED"};
  return testing_support::run_in_child(setup, [] {
    reset_shared_state();
    take_seed_from_environment();
    std::_Exit(SeedSetting.given ? 10 + (SeedSetting.value & 0xf) : 20);
  });
}

TEST(SeedEnvironmentTest, UnsetOrEmptyLeavesTheClock) {
  EXPECT_EQ(check_in_child(nullptr).exit_status, 20);
  EXPECT_EQ(check_in_child("").exit_status, 20);
}

TEST(SeedEnvironmentTest, ValidValueIsKept) {
  const auto outcome = check_in_child(" 13 ");
  EXPECT_EQ(outcome.exit_status, 23);
  EXPECT_EQ(outcome.err, "");
}

TEST(SeedEnvironmentTest, InvalidValueEndsWithItsLine) {
  const struct {
    const char* value;
    const char* line;
  } cases[] = {
      {"abc", "raingen: RAINGEN_SEED is not a 32-bit integer: 'abc'\n"},
      {"  ", "raingen: RAINGEN_SEED is not a 32-bit integer: '  '\n"},
      {" 4294967296", "raingen: RAINGEN_SEED is not a 32-bit integer: ' 4294967296'\n"},
  };
  for (const auto& c : cases) {
    const auto outcome = check_in_child(c.value);
    EXPECT_EQ(outcome.exit_status, 1) << c.value;
    EXPECT_EQ(outcome.err, c.line);
    EXPECT_EQ(outcome.out, "");
  }
}

}  // namespace
