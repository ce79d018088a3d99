// Dry spells between wet days, and their length distribution.
//
// A spell starts after a wet day and counts the dry days that follow. It ends at the next wet day
// (a spell of k days; k = 0 when a wet day follows a wet day), or it is cut by an incomplete day,
// a day outside the season (the season's end) or the record's end: censored, its length at least
// the k days seen (the day that cut it might have been wet). Dry days that no wet day went before
// (at the record's start, after a gap, at a season's start) start no spell, since their spell's
// length is unknown.
#pragma once

#include <vector>

#include "stations/days.h"

namespace raingen::stations {

struct SpellCounts {
  std::vector<long> ended;     // [k]: spells of k dry days ended by a wet day
  std::vector<long> censored;  // [k]: spells cut after k dry days
  int longest() const;         // the longest spell seen, censored ones included (-1: none)
  long ended_total() const;
  long censored_total() const;
};

SpellCounts count_spells(const std::vector<DayKind>& kinds);

// The Kaplan-Meier (product-limit) estimate of the share of spells of each length k = 0..N,
// N = counts.longest(): the hazard of ending at length j is the spells ended at j over the spells
// still known to be going at j (ended at j or later, or censored after more than j days). The
// share the estimate leaves beyond N goes to N. Without censored spells this is the plain share
// of each length. Empty when no spell was seen.
std::vector<double> spell_length_shares(const SpellCounts& counts);

}  // namespace raingen::stations
