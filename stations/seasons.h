// Seasons of the year: months grouped so that each season's station files are made from its own
// days, and a long series is laid out along the calendar from runs in each season's files.
//
// A season is a range of consecutive months, which may run over the year's end (11-4 is November
// to April); every month of the year belongs to exactly one season. A season is named by its
// months, "Dec-Feb" (or "May" for one month): the name of its folder in a run directory.
//
//   --seasons quarters   Dec-Feb, Mar-May, Jun-Aug, Sep-Nov
//   --seasons months     Jan, Feb, ..., Dec
//   --seasons 11-4,5-10  ranges of months, 1 to 12, each "M-N" or one month "M"
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/time_point.h"

namespace raingen::stations {

struct Season {
  unsigned first_month = 1;  // 1..12
  unsigned last_month = 12;  // 1..12; before first_month when the season runs over the year's end

  bool holds(unsigned month) const;
  unsigned month_count() const;
  std::string name() const;         // "Dec-Feb", "May": its folder
  std::string range_text() const;   // "12-2", "5"
  std::string months_text() const;  // "December to February", "May"
  bool operator==(const Season&) const = default;
};

// The seasons in the order given; every month in exactly one.
using Seasons = std::vector<Season>;

// The seasons of LIST. Throws UsageError naming option and what is wrong: a range that does not
// read, a month left out or named twice.
Seasons parse_seasons(std::string_view list, std::string_view option = "--seasons");

// The season of "M-N" or "M" (months 1 to 12); none when it does not read.
std::optional<Season> parse_season_range(std::string_view text);

// What is wrong with a set of seasons (a month in none, or in two), or an empty text when every
// month lies in exactly one.
std::string seasons_fault(const Seasons& seasons);

// "12-2,3-5,6-8,9-11": the seasons as a LIST that gives them back.
std::string seasons_list(const Seasons& seasons);
// "Dec-Feb, Mar-May, Jun-Aug, Sep-Nov"
std::string season_names(const Seasons& seasons);

// The index of the season that holds the month of day (a day belongs to the month it begins in).
std::size_t season_of(const Seasons& seasons, calendar::Day day);

std::string_view month_name(unsigned month);  // 1..12: "January"

}  // namespace raingen::stations
