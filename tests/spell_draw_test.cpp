// Drawing dry-spell lengths from a station's cumulative table.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "generator/shared.h"
#include "support/generator_model.h"

namespace {

using namespace raingen;
using testing_support::arrange_next_value;

// Station c with the given table entries 1..N (entry 0 stays 0.0).
void give_table(int c, std::initializer_list<float> entries) {
  StationTable(c).entry_count = static_cast<std::int32_t>(entries.size());
  int k = 1;
  for (float e : entries) SpellTable(c, k++) = e;
}

std::int32_t draw_with(int c, float r) {
  current_station = c;
  arrange_next_value(r);
  draw_spell_length();
  return spell_length(c);
}

struct DrawCase {
  std::vector<float> entries;
  float r;
  std::int32_t length;
};

class SpellDrawTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_shared_state(); }
};

TEST_F(SpellDrawTest, NearestEntryByMidpoints) {
  const std::vector<float> quarters = {0.25f, 0.5f, 0.75f, 1.0f};
  const DrawCase cases[] = {
      // The worked example: midpoints 0.125, 0.375, 0.625, 0.875.
      {quarters, 0.1f, 0},
      {quarters, 0.125f, 1},  // exactly on a midpoint: the larger index
      {quarters, 0.5f, 2},
      {quarters, 0.875f, 4},
      {quarters, 0.9f, 4},
      {quarters, 1.0f, 4},
      // One entry x: below x/2 no dry day, anything else one.
      {{0.6f}, 0.25f, 0},
      {{0.6f}, 0.3f, 1},
      {{0.6f}, 0.75f, 1},
      // All entries 0.0: every midpoint is 0.0 and none exceeds r.
      {{0.0f, 0.0f, 0.0f}, 0x1p-31f, 3},
      {{0.0f, 0.0f, 0.0f}, 0.5f, 3},
      // Last midpoint above 1.0: N is never drawn.
      {{0.5f, 2.0f}, 1.0f, 1},
      // Last midpoint exactly 1.0: only r = 1.0 gives N.
      {{0.5f, 1.5f}, 1.0f - 0x1p-24f, 1},
      {{0.5f, 1.5f}, 1.0f, 2},
      // A falling stretch, midpoints 0.3, 0.4, 0.55: the first above r decides.
      {{0.6f, 0.2f, 0.9f}, 0.35f, 1},
      {{0.6f, 0.2f, 0.9f}, 0.5f, 2},
      {{0.6f, 0.2f, 0.9f}, 0.7f, 3},
  };
  for (const DrawCase& c : cases) {
    reset_shared_state();
    StationTable(2).entry_count = static_cast<std::int32_t>(c.entries.size());
    for (std::size_t k = 0; k < c.entries.size(); ++k) SpellTable(2, static_cast<int>(k) + 1) = c.entries[k];
    EXPECT_EQ(draw_with(2, c.r), c.length) << "r " << c.r << " first entry " << c.entries[0];
  }
}

TEST_F(SpellDrawTest, MidpointIsRoundedToAFloatBeforeTheComparison) {
  // Entries 0.5 and the next float above: their exact midpoint 0.5 + 2^-25 is a tie that rounds
  // to 0.5, so r = 0.5 is not below the stored midpoint (it would be below the exact one).
  give_table(1, {0.5f, 0.5f + 0x1p-24f});
  EXPECT_EQ(draw_with(1, 0.5f), 2);
  EXPECT_EQ(draw_with(1, 0.5f - 0x1p-25f), 1);
}

TEST_F(SpellDrawTest, EveryCallTakesOneValue) {
  give_table(1, {0.25f, 0.5f, 0.75f, 1.0f});
  set_seed(5);
  std::int64_t expected = 5;
  for (int call = 0; call < 20; ++call) {
    current_station = 1;
    draw_spell_length();
    expected = testing_support::state_after(expected);
    EXPECT_EQ(generator_state, expected);
  }
}

TEST_F(SpellDrawTest, CountBelowOneTakesAValueAndStoresNothing) {
  for (std::int32_t count : {0, -4}) {
    reset_shared_state();
    StationTable(3).entry_count = count;
    SpellTable(3, 1) = 0.9f;  // never looked at
    spell_length(3) = 0;
    set_seed(1);
    current_station = 3;
    draw_spell_length();
    EXPECT_EQ(generator_state, 48271);
    EXPECT_EQ(spell_length(3), 0);
  }
}

TEST_F(SpellDrawTest, OnlyTheCurrentStationIsWritten) {
  give_table(1, {0.5f, 1.0f});
  give_table(2, {0.5f, 1.0f});
  give_table(3, {0.5f, 1.0f});
  spell_length(1) = 7;
  spell_length(3) = 9;
  EXPECT_EQ(draw_with(2, 0.9f), 2);
  EXPECT_EQ(spell_length(1), 7);
  EXPECT_EQ(spell_length(3), 9);
}

}  // namespace
