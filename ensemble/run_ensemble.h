// Making an ensemble: realization k (1..K) is a run of the program in a directory of its own on the
// run directory's inputs with RAINGEN_SEED = S + k - 1; up to `jobs` runs go side by side, and each
// realization's table goes into the ensemble file as soon as its run ends. A series longer than a
// run makes (--days), or one of a run directory of seasons, is laid out along the calendar in
// blocks (calendar_blocks.h), each a run of its own; a realization's blocks go into the file in
// order as they end, and it is complete when all have.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "calendar/interval.h"
#include "calendar/utc_offset.h"
#include "ensemble/ensemble_runs.h"
#include "ensemble_file/ensemble_part.h"
#include "ensemble_file/file_limits.h"
#include "stations/station_places.h"

namespace raingen::ensemble {

struct EnsembleRequest : EnsembleRuns {
  std::filesystem::path dir = ".";               // the run directory: INPUT.TXT and the station files
  std::optional<std::filesystem::path> keep;     // where each SOURCE.OUT is kept as SOURCE_0001.OUT ...
  std::optional<stations::Coordinates> site_at;  // the site's position, when known
};

struct EnsembleOutcome {
  long failed = 0;
};

// Runs the ensemble (or the part of it asked for) with the program at program and writes request.output (aside, then
// renamed into place). Failed realizations are listed on messages as they end, the others are written, and a line at
// the end sums up; on a terminal the progress is shown meanwhile. Throws ToolError for a run directory the program
// cannot run on, an output that cannot be written, or an interruption (SIGINT, SIGTERM, SIGHUP: the runs are stopped
// and nothing is written); UsageError for days the calendar or the table cannot hold.
EnsembleOutcome run_ensemble(const EnsembleRequest& request, const std::filesystem::path& program,
                             std::ostream& messages, bool terminal);

// The longest series: its last time, 1440 x days minutes, within the 9 digits of a time that the
// table readers take.
inline constexpr long most_series_days = ensemble_file::most_series_days;

// "SOURCE_0001.OUT": the number with at least four digits, as many as the largest number needs.
std::string kept_table_name(long number, long realizations);

}  // namespace raingen::ensemble
