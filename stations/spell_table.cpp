#include "stations/spell_table.h"

#include <cmath>

namespace raingen::stations {

namespace {
double to_field(double x) { return std::round(x * 1e4) / 1e4; }
}  // namespace

std::vector<double> spell_table_entries(const std::vector<double>& shares, SpellTableKind kind) {
  std::vector<double> entries;
  if (shares.size() < 2) return entries;
  entries.reserve(shares.size() - 1);
  double cumulative = shares[0];  // F(k - 1) when entry k is formed
  double before = 0.0;            // T(k - 1) as written
  for (std::size_t k = 1; k < shares.size(); ++k) {
    const double entry = kind == SpellTableKind::matched
                             ? to_field(2 * cumulative - before)
                             : to_field(k + 1 == shares.size() ? 1.0 : cumulative + shares[k]);
    entries.push_back(entry);
    before = entry;
    cumulative += shares[k];
  }
  return entries;
}

std::string_view spell_table_name(SpellTableKind kind) {
  return kind == SpellTableKind::matched ? "matched" : "cumulative";
}

}  // namespace raingen::stations
