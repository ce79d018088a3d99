// What every ensemble asks for, of one run directory or of a network: the realizations and their
// seeds, the part made, the runs side by side, the file written and the series' start, clock and
// length.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "calendar/time_point.h"
#include "calendar/utc_offset.h"
#include "ensemble_file/ensemble_file.h"
#include "ensemble_file/ensemble_part.h"

namespace raingen::ensemble {

struct EnsembleRuns {
  long realizations = 0;  // K
  int first_seed = 1;     // S; S + K - 1 must be a 32-bit integer
  // When only a part of the ensemble is made: its place (of the K realizations from S), and the
  // file holds that part's realizations alone, numbered as in the whole.
  std::optional<ensemble_file::EnsemblePart> part;
  int jobs = 1;
  std::filesystem::path output = "ensemble.nc";
  calendar::TimePoint start;                      // when day 1 begins
  std::optional<calendar::UtcOffset> utc_offset;  // the clock of the times, when stated
  std::string history;                            // the history entry of this command
  std::optional<long> days;                       // the series' length; none: INPUT.TXT's

  // The realizations this run makes: all K, or its part's.
  ensemble_file::RealizationRange own_range() const;
  // The series' length (days, else INPUT.TXT's day count), checked against the calendar and the
  // table's times. Throws UsageError.
  long series_days(long input_days) const;
  // ", part I of N of an ensemble of K realizations", or nothing for a whole ensemble.
  std::string part_text() const;
  // "WHERE, N days from START in B runs of at most 2000 days, laid end to end; realization k from
  // RAINGEN_SEED ... draws from that seed": the source of a series laid out in calendar blocks.
  std::string blocks_source(const std::string& where, long days, std::size_t blocks) const;
  // The file's layout as this request makes it: its start, clock, length, realizations, seeds and
  // part, source and history; the sites and the checksum are the caller's.
  ensemble_file::EnsembleLayout file_layout(long days, std::string source) const;
};

}  // namespace raingen::ensemble
