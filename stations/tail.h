// A pool widened beyond the record (--tail REFERENCE): the program draws a wet day uniformly from
// the day file, so a generated year of W wet days exceeds a depth that a share p of the pool's days
// exceed with the chance 1 - (1 - p)^W, and no pool of the record's own days reaches beyond its
// largest. The day file is therefore made of K copies of every recorded wet day (the same draws
// for the bulk: each day as likely as before), K large enough that the rarest copy stands for a
// return period of about twice --tail-years; the copies whose rank stands for a return period
// beyond the record's years are scaled up, each by the factor that brings its 15-minute and 1-hour
// maxima (their geometric mean) to the reference's level at that return period. The spell table,
// the wet days' dates and the depths of every copy below the record's length stay as they were.
#pragma once

#include <cstdint>
#include <string>

#include "stations/days.h"
#include "stations/station_files.h"

namespace raingen::stations {

struct TailRequest {
  std::string reference;   // "record": the record's own GEV by L-moments; else a reference curve's file
  double years = 100;      // --tail-years: the longest return period the pool is to hold
  bool few_years = false;  // --tail-few-years: fit the record's GEV on fewer than 10 years
};

struct TailResult {
  std::string reference;      // what the levels came from, as the summary says it
  long copies = 1;            // each recorded wet day this many times
  long day_lines = 0;         // in the day file, the extra copy of the last included
  long scaled = 0, held = 0;  // copies scaled up; depths held at the largest a file holds
  double from_years = 0;      // the record's years: scaling begins beyond them
  double largest_factor = 1;
  std::int64_t largest_15_before = 0, largest_15_after = 0, largest_60_before = 0, largest_60_after = 0;
};

// Widens files' day pool (as prepare_days made it from days) toward request's reference. Throws
// ToolError naming source (or the curve's file and line): a record's GEV on fewer years than it
// needs, a curve without two return periods at 15 minutes, a pool that would pass 200,000 lines.
TailResult widen_pool(StationFiles& files, const RecordDays& days, const TailRequest& request,
                      const std::string& source);

std::string tail_result_text(const TailResult& result);

}  // namespace raingen::stations
