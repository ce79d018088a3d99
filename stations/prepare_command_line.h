// raingen-prepare's command line once read: the values as given, before any is checked. Which of
// the tool's three uses they ask for (a station from a record, INPUT.TXT, a site station from three
// records), and whether the options given fit that use, is decided here; the tool's main only
// declares the options.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "calendar/utc_offset.h"
#include "gauge/reading_command_line.h"
#include "stations/prepare_station.h"
#include "stations/seasons.h"

namespace raingen::stations {

struct PrepareCommandLine {
  std::string id, record;  // --id, RECORD
  std::string site, results, site_at, weighted_site, dir = ".", spell_table = "matched";
  std::string utc_offset;                   // --utc-offset
  std::string present = "all";              // --present
  std::string seasons;                      // --seasons
  std::string change;                       // --change TERMS
  std::string tail;                         // --tail REFERENCE
  double tail_years = 100;                  // --tail-years
  bool tail_few_years = false;              // --tail-few-years
  std::string network, sites;               // --network DIR, --sites FILE
  std::vector<std::string> fragments_from;  // --fragments-from ID=FILE, as given
  int fragments_k = 0, fragments_window = 15;
  std::uint64_t seed = 1;
  std::string fragments_utc_offset, hold_out;  // --fragments-utc-offset, --hold-out ID
  int hold_out_step = 60;                      // --hold-out-step MINUTES
  // The fragment gauges once read (stations/fragment_gauges.h), for every record of the use.
  const gauge::FragmentSource* fragments = nullptr;
  int days = 0;
  int jobs = 1;  // --jobs, of --network
  double min_complete = 100, wet_threshold = 0;
  std::vector<std::string> places, gauges;  // --station, --gauge, as given
  gauge::ReadingValues reading;             // --format ... --to, as given
  std::set<std::string> given;              // the options given, "--site", ...
};

// Carries out the use the command line asks for, printing its summary on out. Throws UsageError
// for a command line that asks for no use, for two, or gives an option the use does not take;
// ToolError for what the use itself meets.
void run_prepare_command_line(const PrepareCommandLine& line, std::ostream& out);

// The day and spell options (--min-complete, --wet-threshold, --spell-table, --change), and the
// clock (--utc-offset) when given, checked as every use checks them. Throw UsageError. The change
// is kept in change, which the options point to: it must outlive them.
PrepareOptions prepare_options_of(const PrepareCommandLine& line, std::optional<ClimateChange>& change,
                                  std::optional<TailRequest>* tail = nullptr);
std::optional<calendar::UtcOffset> utc_offset_of(const PrepareCommandLine& line);
// The seasons of --seasons, when given. Throws UsageError.
std::optional<Seasons> seasons_of(const PrepareCommandLine& line);

}  // namespace raingen::stations
