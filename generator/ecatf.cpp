// Reads the three cumulative dry-spell tables.
//
// Reads entry_count of each station and its D_3 file (unit 10*s+1), which run configuration left
// at the first entry line; writes SpellTable(s, 0..entry_count). A table longer than the room of
// a station ends the run before any of its entries is read.
#include <string>

#include "generator/diagnostics.h"
#include "generator/record_helpers.h"
#include "generator/shared.h"
#include "records/connections.h"
#include "records/raise.h"
#include "records/read_fields.h"

namespace raingen {

namespace {

void refuse_long_table(const StationRecord& station) {
  console_record("SPELL TABLE HAS MORE THAN 1201 ENTRIES.");
  diagnostic_line("spell table too long: " + std::string(records::trim_name(station.spell_file.view())));
  records::stop_run();
}

}  // namespace

void read_spell_tables() {
  for (int s = 1; s <= station_count; ++s) {
    const StationRecord& station = StationTable(s);
    if (station.entry_count > max_spell_entries) refuse_long_table(station);
    for (std::int32_t k = 1; k <= station.entry_count; ++k) {
      records::ReadStatement read(spell_unit_of(s), "(9X,F9.4)");
      read.real(SpellTable(s, k));
      read.end();
    }
    SpellTable(s, 0) = 0.0f;
  }
}

}  // namespace raingen
