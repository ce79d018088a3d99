// A realization laid out along the calendar: day 1 begins at --start, and the days run in blocks,
// each a run of consecutive days in one season (in a plain run directory, of the whole year) and at
// most 2000 days long, the most one run of the program makes. Each block is a plain run of the
// program in its season's folder with INPUT.TXT's day count set to the block's length, and the
// tables of the blocks, laid end to end, are the realization's series.
//
// A day belongs to the season of the month it begins in (with --start at 06:00, the day that
// begins on 28 February at 06:00 is a February day).
//
// The seed of block b (from 1) of realization k is the state of the program's random generator
// seeded with S + k - 1 after (b - 1) x 16384 draws. A run draws at most 12003 values (one per
// station for the first spell and two per wet day, 3 x 4001 for 2000 days), so the blocks of a
// realization take consecutive stretches of one stream of the generator, none of them twice; a
// realization of one block has the seed S + k - 1, as a plain run has.
#pragma once

#include <cstdint>
#include <vector>

#include "calendar/time_point.h"
#include "stations/seasons.h"

namespace raingen::ensemble {

struct CalendarBlock {
  std::size_t season = 0;  // its index in the seasons (0 for a plain run directory)
  long first_day = 0;      // of the series, from 0
  long days = 0;           // 1 to 2000
  bool operator==(const CalendarBlock&) const = default;
};

// The blocks of a series of days days from start; seasons empty: a plain run directory.
std::vector<CalendarBlock> lay_out_blocks(calendar::TimePoint start, long days, const stations::Seasons& seasons);

inline constexpr long block_seed_stride = 16384;

// The seed of block (from 0) of a realization whose first block has the seed first_seed: the
// generator's state after block x block_seed_stride steps from first_seed, taken as the program
// takes a seed (0 as -1).
std::int32_t block_seed(std::int32_t first_seed, long block);

}  // namespace raingen::ensemble
