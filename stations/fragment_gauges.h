// The fragment gauges of raingen-prepare (--fragments-from ID=FILE, each a 15-minute or finer
// record) and the rules of the choice among their steps (--fragments-k, --fragments-window,
// --seed), read once for every record of the use: a record coarser than 15 minutes is made
// 15-minute from them as it is read (gauge/fragments.h).
#pragma once

#include <optional>
#include <string>

#include "common/gauge_arguments.h"
#include "gauge/fragments.h"
#include "gauge/read_gauge.h"
#include "stations/prepare_command_line.h"
#include "stations/run_facts.h"

namespace raingen::stations {

// The gauges of --fragments-from, each read with the reading options given for it as "ID:VALUE"
// (those values are taken out of line.reading, which then holds the records' own); none without
// --fragments-from. Throws UsageError for a fragment option without --fragments-from, a value out
// of range, or a fragment gauge on another clock than --utc-offset; ToolError for a record that
// does not read or is itself coarser than 15 minutes.
std::optional<gauge::FragmentSource> fragment_source_of(PrepareCommandLine& line);

// The lines of RAINGEN.TXT that record how a coarse record was made 15-minute: fragment = ID=PATH
// and fragment_reading = ID:NAME=VALUE for each gauge, fragments_k, fragments_window and
// fragments_seed, and fragments_result (what the choice did). None when the record was not coarse.
FactLines fragment_facts(const gauge::FragmentSource* source, const gauge::ReadFacts& facts);

// The fragment gauges and rules those lines (of a station's section, among others) record, the
// gauges read again, so that a tool reading the station's record makes it as it was made; none
// when they record none. Throws ToolError naming file for a line that does not read, or as reading
// a gauge does.
std::optional<gauge::FragmentSource> fragment_source_from_facts(const FactLines& other, const std::string& file);

// The summary's line for the same, after the line that says what was read ("" when none).
std::string fragment_result_text(const gauge::FragmentFacts& facts);

// Throws UsageError when --hold-out comes with the options of a use that writes files.
void check_hold_out_alone(const PrepareCommandLine& line);

// The record of gauge g read with options and, where facts record its station as made from a coarse
// record, made 15-minute again from the same fragment gauges and rules (facts_file names them in
// messages). Throws as read_gauge and fragment_source_from_facts do.
gauge::CalendarSeries read_as_prepared(const common::GaugeArgument& g, gauge::ReadOptions options,
                                       const RunFacts& facts, const std::string& facts_file,
                                       gauge::ReadFacts* read_facts = nullptr);

}  // namespace raingen::stations
