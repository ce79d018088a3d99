// The runs an ensemble is made of, whatever it makes of them: units (a realization of one run
// directory, or a realization at one site of a network), each laid out in the same calendar blocks
// (calendar_blocks.h), each block a plain run of the program. Up to `jobs` runs go side by side,
// unit by unit and block by block in order; the blocks of a unit are handed to its target in order
// as they end (one that ends before an earlier one waits in its directory, at most a few at a time,
// so that the scratch area stays small whatever the order runs end in). A unit whose block fails
// is failed at once: its other blocks are not started, and those under way are dropped as they end.
// A signal (SIGINT, SIGTERM, SIGHUP) stops every run; whatever it started, it stops.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ensemble/calendar_blocks.h"
#include "ensemble/child_process.h"
#include "ensemble/progress.h"
#include "ensemble/running_children.h"
#include "ensemble/scratch_area.h"
#include "run_directory/run_directory.h"

namespace raingen::ensemble {

// What the units are and what becomes of their tables.
class RunTarget {
 public:
  virtual ~RunTarget() = default;
  // The seed of unit's first block: S + k - 1 of its realization.
  virtual int seed(long unit) const = 0;
  // The folder a block of unit runs in, and the text of its INPUT.TXT (for a block whose day count
  // differs from the folder's).
  virtual const run_directory::RunDirectory& folder(long unit, const CalendarBlock& block) const = 0;
  virtual const std::string& settings_text(long unit, const CalendarBlock& block) const = 0;
  // A block of unit whose turn has come, its run ended well: its table taken in. Returns what is
  // wrong with the table (the unit then fails), or none.
  virtual std::optional<std::string> put_block(long unit, const RunningRealization& run) = 0;
  // Every block of unit taken in.
  virtual void complete(long unit) = 0;
  // The unit failed in run: recorded and listed on the messages (the progress line is cleared).
  virtual void fail(long unit, const RunningRealization& run, const std::string& why) = 0;
};

class BlockRuns {
 public:
  // count units from 0; blocks, each unit's; the program at program, run in scratch.
  BlockRuns(long count, const std::vector<CalendarBlock>& blocks, int jobs, const std::filesystem::path& program,
            ScratchArea& scratch, RunTarget& target, ProgressLine& progress);
  // Runs every unit; returns how many failed. Throws ToolError "interrupted by signal N after D of
  // T UNITS: OUTPUT is not written" when a signal interrupts them (the runs stopped), with units
  // and output as given.
  long run_all(const std::string& units, const std::string& output);

 private:
  // A unit some of whose blocks have been started and not all taken in.
  struct InProgress {
    std::size_t taken = 0;  // blocks taken in, in order
    std::size_t running = 0;
    bool failed = false;
    std::map<std::size_t, RunningRealization> waiting;  // ended well, before an earlier block
  };

  bool can_start() const;
  void start_next();
  void take_in(RunningRealization run, int status);
  void fail(const RunningRealization& run, const std::string& why);
  void forget_if_idle(long unit);

  const long count_;
  const std::vector<CalendarBlock>& blocks_;
  const std::size_t jobs_;
  const std::filesystem::path& program_;
  ScratchArea& scratch_;
  RunTarget& target_;
  ProgressLine& progress_;
  ChildEnvironment environment_;
  long next_unit_ = 0, done_ = 0, failed_ = 0;
  std::size_t next_block_ = 0, waiting_ = 0;
  std::map<long, InProgress> in_progress_;
  const InterruptFlag interrupt_;
  RunningChildren running_;  // after the flag: stopped before the handlers are put back
};

// Why a run that ended with this wait status is no complete run (an end other than exit status 0,
// or anything on standard error), or none when it is one.
std::optional<std::string> failed_run(const RealizationFiles& files, int status);

// "block 5 of 401 (Dec-Feb, days 335 to 424, RAINGEN_SEED 1234567): ", empty for one block;
// season: the block's season's name, empty for none.
std::string block_text(const RunningRealization& run, const std::vector<CalendarBlock>& blocks,
                       const std::string& season);

}  // namespace raingen::ensemble
