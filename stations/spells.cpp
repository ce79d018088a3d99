#include "stations/spells.h"

#include <numeric>

namespace raingen::stations {

int SpellCounts::longest() const {
  for (int k = static_cast<int>(std::max(ended.size(), censored.size())) - 1; k >= 0; --k) {
    const auto at = static_cast<std::size_t>(k);
    if ((at < ended.size() && ended[at] > 0) || (at < censored.size() && censored[at] > 0)) return k;
  }
  return -1;
}

long SpellCounts::ended_total() const { return std::accumulate(ended.begin(), ended.end(), 0L); }
long SpellCounts::censored_total() const { return std::accumulate(censored.begin(), censored.end(), 0L); }

SpellCounts count_spells(const std::vector<DayKind>& kinds) {
  SpellCounts counts;
  const auto add = [](std::vector<long>& to, std::size_t k) {
    if (to.size() <= k) to.resize(k + 1, 0);
    ++to[k];
  };
  bool in_spell = false;  // a wet day went before, and nothing cut it since
  std::size_t dry = 0;
  for (DayKind kind : kinds) {
    switch (kind) {
      case DayKind::wet:
        if (in_spell) add(counts.ended, dry);
        in_spell = true;
        dry = 0;
        break;
      case DayKind::dry: ++dry; break;
      case DayKind::incomplete:
      case DayKind::outside:
        if (in_spell) add(counts.censored, dry);
        in_spell = false;
        break;
    }
  }
  if (in_spell) add(counts.censored, dry);  // the record's end cuts it like a gap
  return counts;
}

std::vector<double> spell_length_shares(const SpellCounts& counts) {
  const int n = counts.longest();
  if (n < 0) return {};
  const auto size = static_cast<std::size_t>(n) + 1;
  std::vector<long> ended(size, 0), censored(size, 0);
  std::copy(counts.ended.begin(), counts.ended.end(), ended.begin());
  std::copy(counts.censored.begin(), counts.censored.end(), censored.begin());

  // Known to be going at length j: ended at j or later, or censored after more than j days.
  long at_risk =
      std::accumulate(ended.begin(), ended.end(), 0L) + std::accumulate(censored.begin(), censored.end(), 0L);
  std::vector<double> shares(size, 0.0);
  double surviving = 1.0;  // estimated share of spells longer than j - 1 days
  for (std::size_t j = 0; j < size; ++j) {
    at_risk -= censored[j];  // censored after exactly j days: unknown from length j on
    const double hazard = at_risk > 0 ? static_cast<double>(ended[j]) / static_cast<double>(at_risk) : 0.0;
    shares[j] = surviving * hazard;
    surviving -= shares[j];
    at_risk -= ended[j];
  }
  shares[size - 1] += surviving;  // what lies beyond the longest spell seen
  return shares;
}

}  // namespace raingen::stations
