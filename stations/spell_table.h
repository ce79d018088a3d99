// The entries of a dry-spell table from the shares of spell lengths 0..N.
//
// The program draws r (0 < r <= 1) and takes the first k whose midpoint (T(k) + T(k+1)) / 2
// lies above r, with T(0) = 0, else N. So length k comes up with the chance m(k) - m(k-1) (m(-1)
// = 0, m(N) = 1), not T(k) - T(k-1): plain cumulative entries do not give back the shares.
// - matched: entries chosen so that m(k) is the cumulative share of k days or fewer, for every
//   k = 0..N-1: T(1) = 2 F(0), T(k+1) = 2 F(k) - T(k). Each entry is rounded to the 4 decimals
//   of its field before the next is formed from it, so the rounding does not add up: every
//   midpoint lies within 0.00005 of its share. Entries may leave 0..1.
// - cumulative: T(k) = F(k), the cumulative share of k days or fewer.
#pragma once

#include <string_view>
#include <vector>

namespace raingen::stations {

enum class SpellTableKind { matched, cumulative };

// Entries 1..N, each rounded to 4 decimals, for shares of lengths 0..N (empty for N = 0).
std::vector<double> spell_table_entries(const std::vector<double>& shares, SpellTableKind kind);

std::string_view spell_table_name(SpellTableKind kind);  // "matched", "cumulative"

}  // namespace raingen::stations
