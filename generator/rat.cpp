// Draws the length of the next dry spell of the current station from its cumulative table.
//
// Reads current_station, its entry_count and SpellTable row; takes one random value; writes
// spell_length(current_station), or nothing when the station's table has no entries.
#include "generator/shared.h"

namespace raingen {

void draw_spell_length() {
  const int c = current_station;
  const float r = next_random();  // taken first, whether or not the table has entries
  const std::int32_t n = StationTable(c).entry_count;
  if (n < 1) return;
  // The entry nearest to r wins: the first midpoint between neighbours that lies above r.
  for (std::int32_t k = 0; k < n; ++k) {
    const float midpoint = static_cast<float>((double{SpellTable(c, k)} + double{SpellTable(c, k + 1)}) / 2.0);
    if (r < midpoint) {
      spell_length(c) = k;
      return;
    }
  }
  spell_length(c) = n;
}

}  // namespace raingen
