#include "ensemble/block_runs.h"

#include <fmt/format.h>

#include "common/tool_error.h"
#include "stations/settings_file.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;

std::optional<std::string> failed_run(const RealizationFiles& files, int status) {
  std::error_code error;
  if (!ended_well(status)) return describe_end(status);
  if (fs::file_size(files.err, error) != 0) return "exit status 0, but standard error is not empty";
  return std::nullopt;
}

std::string block_text(const RunningRealization& run, const std::vector<CalendarBlock>& blocks,
                       const std::string& season) {
  if (blocks.size() == 1) return {};
  const CalendarBlock& place = blocks[run.block];
  return fmt::format("block {} of {} ({}days {} to {}, RAINGEN_SEED {}): ", run.block + 1, blocks.size(),
                     season.empty() ? "" : season + ", ", place.first_day + 1, place.first_day + place.days, run.seed);
}

BlockRuns::BlockRuns(long count, const std::vector<CalendarBlock>& blocks, int jobs, const fs::path& program,
                     ScratchArea& scratch, RunTarget& target, ProgressLine& progress)
    : count_(count),
      blocks_(blocks),
      jobs_(static_cast<std::size_t>(jobs)),
      program_(program),
      scratch_(scratch),
      target_(target),
      progress_(progress) {}

long BlockRuns::run_all(const std::string& units, const std::string& output) {
  progress_.update(0, 0);
  while (done_ < count_) {
    while (!interrupt_.raised() && can_start() && running_.size() < jobs_) start_next();
    if (interrupt_.raised()) break;
    const ChildEnd end = interrupt_.wait_for_child();
    if (end.pid < 0) continue;
    const std::optional<RunningRealization> ended = running_.take(end.pid);
    // A run that ended with the interruption (Ctrl-C reaches it too) is neither good nor failed.
    if (!ended || interrupt_.raised()) continue;
    // The next run starts before this one is taken in, so that the program never waits for us.
    if (can_start()) start_next();
    take_in(*ended, end.status);
  }
  progress_.clear();
  if (interrupt_.raised())
    throw common::ToolError(fmt::format("interrupted by signal {} after {} of {} {}: {} is not written",
                                        interrupt_.signal(), done_, count_, units, output));
  return failed_;
}

// Ended blocks wait for an earlier one at most this many at a time.
bool BlockRuns::can_start() const { return next_unit_ < count_ && waiting_ < 4 * jobs_ + 4; }

void BlockRuns::start_next() {
  const long unit = next_unit_;
  const std::size_t block = next_block_;
  InProgress& progress = in_progress_[unit];
  const CalendarBlock& place = blocks_[block];
  const run_directory::RunDirectory& folder = target_.folder(unit, place);
  std::optional<std::string> settings;
  if (place.days != folder.settings.day_count)
    settings = stations::with_day_count(target_.settings_text(unit, place), static_cast<int>(place.days));
  RealizationFiles files = scratch_.take(folder, settings ? &*settings : nullptr);
  const int seed = block_seed(target_.seed(unit), static_cast<long>(block));
  const pid_t pid = start_program(program_, files, environment_.with_seed(seed), interrupt_.mask_for_runs());
  running_.add(pid, RunningRealization{unit, block, seed, std::move(files)});
  ++progress.running;
  if (++next_block_ == blocks_.size()) {
    next_block_ = 0;
    ++next_unit_;
  }
}

void BlockRuns::take_in(RunningRealization run, int status) {
  const long unit = run.index;
  InProgress& progress = in_progress_.at(unit);
  --progress.running;
  if (progress.failed) {
    scratch_.give_back(run.files);
    forget_if_idle(unit);
    return;
  }
  if (const std::optional<std::string> failure = failed_run(run.files, status)) return fail(run, *failure);
  progress.waiting.emplace(run.block, std::move(run));
  ++waiting_;
  while (!progress.waiting.empty() && progress.waiting.begin()->first == progress.taken) {
    RunningRealization next = std::move(progress.waiting.begin()->second);
    progress.waiting.erase(progress.waiting.begin());
    --waiting_;
    if (const std::optional<std::string> failure = target_.put_block(unit, next)) return fail(next, *failure);
    scratch_.give_back(next.files);
    ++progress.taken;
  }
  if (progress.taken == blocks_.size()) {
    target_.complete(unit);
    in_progress_.erase(unit);
    progress_.update(++done_, failed_);
  }
}

void BlockRuns::fail(const RunningRealization& run, const std::string& why) {
  const long unit = run.index;
  InProgress& progress = in_progress_.at(unit);
  progress.failed = true;
  ++failed_;
  progress_.clear();
  target_.fail(unit, run, why);
  scratch_.give_back(run.files);
  for (auto& [block, waiting] : progress.waiting) scratch_.give_back(waiting.files);
  waiting_ -= progress.waiting.size();
  progress.waiting.clear();
  if (next_unit_ == unit && next_block_ > 0) {
    next_block_ = 0;
    ++next_unit_;
  }
  progress_.update(++done_, failed_);
  forget_if_idle(unit);
}

void BlockRuns::forget_if_idle(long unit) {
  const auto found = in_progress_.find(unit);
  if (found != in_progress_.end() && found->second.failed && found->second.running == 0) in_progress_.erase(found);
}

}  // namespace raingen::ensemble
