#include "ensemble/run_ensemble.h"

#include <map>
#include <optional>
#include <span>
#include <vector>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "common/whole_file.h"
#include "ensemble/calendar_blocks.h"
#include "ensemble/child_process.h"
#include "ensemble/failure_report.h"
#include "ensemble/progress.h"
#include "ensemble/realization_table.h"
#include "ensemble/running_children.h"
#include "ensemble/scratch_area.h"
#include "ensemble_file/ensemble_file.h"
#include "ensemble_file/run_directory.h"
#include "stations/settings_file.h"
#include "stations/run_facts.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using common::UsageError;
using ensemble_file::EnsembleLayout;
using ensemble_file::EnsembleWriter;
using ensemble_file::RunFolders;

namespace {

void check_output_is_no_input(const fs::path& output, const RunFolders& inputs) {
  std::error_code error;
  for (const ensemble_file::RunFolder& folder : inputs.folders)
    for (const std::string& name : folder.run.input_names)
      if (fs::equivalent(output, folder.run.dir / name, error))
        throw UsageError(fmt::format("--output {} is {}, an input of the run", output.string(),
                                     (folder.run.dir / name).lexically_relative(inputs.dir).string()));
}

// Copies a realization's table to its kept name as every output is written: aside, synced, then
// renamed into place, so that a kept file is whole or absent (the scratch directory may lie on
// another file system than the kept one).
void keep_table(const fs::path& table, const fs::path& target) {
  common::OutputFile kept(target);
  kept.write(common::read_whole_file(table));
  kept.commit();
}

// What the ensemble makes: the run directory's folders, the series' length and its blocks.
struct Plan {
  RunFolders inputs;
  long days = 0;
  std::vector<CalendarBlock> blocks;
  // Per folder: its INPUT.TXT as read, for blocks whose day count differs from it.
  std::vector<std::string> settings_texts;
};

// The days, checked against the calendar and the table's times.
long series_days(const EnsembleRequest& request, const RunFolders& inputs) {
  const long days = request.days.value_or(inputs.day_count);
  if (days < 1 || days > most_series_days)
    throw UsageError(fmt::format("--days {} is not from 1 to {} (the table's times hold {} days)", days,
                                 most_series_days, most_series_days));
  const calendar::TimePoint last_day = request.start + calendar::Days{days - 1};
  if (date::year_month_day{calendar::day_of(last_day)}.year() > date::year{9999})
    throw UsageError(fmt::format("--start {} with {} days runs past the calendar's last day, 9999-12-31",
                                 calendar::minute_text(request.start), days));
  return days;
}

// The realizations this run makes: all K, or its part's.
ensemble_file::RealizationRange own_range(const EnsembleRequest& request) {
  return request.part ? request.part->range() : ensemble_file::RealizationRange{1, request.realizations};
}

// An earlier ensemble's kept tables are never replaced: a --keep folder that holds any name this
// run would keep a table under is refused (the names are looked up in the folder, once); the
// tables of the other parts of the same ensemble may lie there.
void check_nothing_kept_there(const fs::path& keep, ensemble_file::RealizationRange own, long realizations) {
  std::error_code error;
  long found = 0;
  std::string first;
  for (fs::directory_iterator entry(keep, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    constexpr std::string_view prefix = "SOURCE_", suffix = ".OUT";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const long number = std::stol(digits);
    if (number < own.first || number > own.last || kept_table_name(number, realizations) != name) continue;
    if (found++ == 0 || name < first) first = name;
  }
  if (found > 0)
    throw UsageError(keep.string(), fmt::format("already holds {}{}, kept by an earlier ensemble: --keep never replaces "
                                                "a kept table (give a new or an empty folder)",
                                                first, found > 1 ? fmt::format(" and {} more", found - 1) : ""));
}

// The run directory read and checked, the output's name and folder checked, and the kept tables'
// directory made, before any run: whatever would make the end fail is found before the runs.
Plan checked_plan(const EnsembleRequest& request) {
  common::check_output_target(request.output);
  if (request.keep) common::check_output_folder(*request.keep);
  Plan plan;
  plan.inputs = ensemble_file::read_run_folders(request.dir, !request.days);
  plan.days = series_days(request, plan.inputs);
  check_output_is_no_input(request.output, plan.inputs);
  plan.blocks = lay_out_blocks(request.start, plan.days, plan.inputs.seasons);
  for (const ensemble_file::RunFolder& folder : plan.inputs.folders)
    plan.settings_texts.push_back(common::read_whole_file(folder.run.dir / common::settings_file_name));
  if (request.keep) {
    std::error_code error;
    fs::create_directories(*request.keep, error);
    if (error) throw ToolError(request.keep->string(), 0, "cannot be made: " + error.message());
    check_nothing_kept_there(*request.keep, own_range(request), request.realizations);
  }
  return plan;
}

std::string run_source(const EnsembleRequest& request, const Plan& plan) {
  const ensemble_file::RealizationRange own = own_range(request);
  const long first_seed = request.first_seed + own.first - 1, last_seed = request.first_seed + own.last - 1;
  const std::string part =
      request.part ? fmt::format(", {} of an ensemble of {} realizations", request.part->description(), request.realizations)
                   : "";
  if (plan.inputs.seasons.empty() && plan.blocks.size() == 1)
    return fmt::format("raingen on {}{}, RAINGEN_SEED {} to {}{}", (plan.inputs.dir / common::settings_file_name).string(),
                       plan.days == plan.inputs.day_count ? "" : fmt::format(" with its day count set to {}", plan.days),
                       first_seed, last_seed, part);
  const std::string folders = plan.inputs.seasons.empty()
                                  ? (plan.inputs.dir / common::settings_file_name).string()
                                  : fmt::format("{} (seasons {})", plan.inputs.dir.string(),
                                                stations::season_names(plan.inputs.seasons));
  return fmt::format("raingen on {}, {} days from {} in {} runs of at most {} days, laid end to end; realization k "
                     "from RAINGEN_SEED {} + k - 1 ({} to {}), its run b with the generator's state after (b - 1) x {} "
                     "draws from that seed{}",
                     folders, plan.days, calendar::minute_text(request.start), plan.blocks.size(), common::most_days,
                     request.first_seed, first_seed, last_seed, block_seed_stride, part);
}

// The file's description: the position and clock given, else those RAINGEN.TXT states for the site.
EnsembleLayout layout_of(const EnsembleRequest& request, const Plan& plan) {
  const stations::RunFacts facts = stations::read_run_facts(request.dir);
  EnsembleLayout layout;
  layout.start = request.start;
  layout.utc_offset = request.utc_offset ? request.utc_offset : facts.site ? facts.site->utc_offset : std::nullopt;
  layout.position = request.site_at ? request.site_at : facts.site ? facts.site->position : std::nullopt;
  layout.history = request.history;
  const std::string& site = plan.inputs.settings().site_name;
  layout.site = site.empty() ? std::string(common::default_site_name) : site;
  layout.intervals = static_cast<std::size_t>(plan.days) * calendar::intervals_per_day;
  layout.realizations = own_range(request).size();
  layout.source = run_source(request, plan);
  layout.checksum = plan.inputs.checksum;
  layout.part = request.part;
  return layout;
}

// Why a run that ended with this wait status is no complete run, or nothing when it is one (its
// table is read when its turn comes).
std::optional<std::string> failed_run(const RealizationFiles& files, int status) {
  std::error_code error;
  if (!ended_well(status)) return describe_end(status);
  if (fs::file_size(files.err, error) != 0) return "exit status 0, but standard error is not empty";
  return std::nullopt;
}

// The realizations' runs: up to --jobs of them side by side, each taken into the file (and kept)
// as it ends, until all have ended or a signal interrupts them. What it starts it stops, however
// it ends; the signals are noted until it ends. The blocks of a realization start in order and are
// taken in in order: one that ends before an earlier one waits in its directory.
class Realizations {
 public:
  Realizations(const EnsembleRequest& request, const fs::path& program, const Plan& plan, ScratchArea& scratch,
               EnsembleWriter& writer, ProgressLine& progress, std::ostream& messages)
      : request_(request), program_(program), plan_(plan), scratch_(scratch), writer_(writer), progress_(progress),
        messages_(messages), range_(own_range(request)) {
    long longest = 0;
    for (const CalendarBlock& block : plan.blocks) longest = std::max(longest, block.days);
    depths_.resize(static_cast<std::size_t>(longest) * calendar::intervals_per_day);
  }

  // Runs every realization; returns how many failed. Throws ToolError when a signal interrupts
  // them (the runs are stopped).
  long run_all() {
    progress_.update(0, 0);
    while (done_ < range_.size()) {
      while (!interrupt_.raised() && can_start() && running_.size() < jobs()) start_next();
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
      throw ToolError(fmt::format("interrupted by signal {} after {} of {} realizations: {} is not written",
                                  interrupt_.signal(), done_, range_.size(), request_.output.string()));
    return failed_;
  }

 private:
  // A realization some of whose blocks have been started and not all taken in.
  struct InProgress {
    int seed = 0;              // S + k - 1
    std::size_t taken = 0;     // blocks taken into the file, in order
    std::size_t running = 0;
    bool failed = false;
    std::map<std::size_t, RunningRealization> waiting;  // ended well, before an earlier block
    std::optional<common::OutputFile> kept;             // the laid-out table, when kept
  };

  std::size_t jobs() const { return static_cast<std::size_t>(request_.jobs); }
  std::size_t blocks() const { return plan_.blocks.size(); }

  // Ended blocks wait for an earlier one at most this many at a time, so that the scratch area
  // stays small whatever the order runs end in.
  bool can_start() const {
    return next_realization_ < range_.size() && waiting_ < 4 * jobs() + 4;
  }

  void start_next() {
    const long index = next_realization_;
    const std::size_t block = next_block_;
    InProgress& realization = in_progress_[index];
    if (block == 0) realization.seed = static_cast<int>(request_.first_seed + range_.first - 1 + index);
    const CalendarBlock& place = plan_.blocks[block];
    const ensemble_file::RunFolder& folder = plan_.inputs.folders[place.season];
    std::optional<std::string> settings;
    if (place.days != folder.run.settings.day_count)
      settings = stations::with_day_count(plan_.settings_texts[place.season], static_cast<int>(place.days));
    RealizationFiles files = scratch_.take(folder.run, settings ? &*settings : nullptr);
    const int seed = block_seed(realization.seed, static_cast<long>(block));
    const pid_t pid = start_program(program_, files, environment_.with_seed(seed), interrupt_.mask_for_runs());
    running_.add(pid, RunningRealization{index, block, seed, std::move(files)});
    ++realization.running;
    if (++next_block_ == blocks()) {
      next_block_ = 0;
      ++next_realization_;
    }
  }

  void take_in(RunningRealization run, int status) {
    const long index = run.index;
    InProgress& realization = in_progress_.at(index);
    --realization.running;
    if (realization.failed) {
      scratch_.give_back(run.files);
      forget_if_idle(index);
      return;
    }
    if (const std::optional<std::string> failure = failed_run(run.files, status)) return fail(run, *failure);
    const std::size_t block = run.block;
    realization.waiting.emplace(block, std::move(run));
    ++waiting_;
    while (!realization.waiting.empty() && realization.waiting.begin()->first == realization.taken) {
      RunningRealization next = std::move(realization.waiting.begin()->second);
      realization.waiting.erase(realization.waiting.begin());
      --waiting_;
      if (!put_block(realization, next)) return;  // failed: the realization may be gone
    }
    if (realization.taken == blocks()) complete(index);
  }

  // A block whose turn has come: its table into the file, and laid out into the kept table. False
  // when the table fails the realization.
  bool put_block(InProgress& realization, const RunningRealization& run) {
    const CalendarBlock& place = plan_.blocks[run.block];
    const std::span<float> depths(depths_.data(), static_cast<std::size_t>(place.days) * calendar::intervals_per_day);
    const bool laying_out = request_.keep && blocks() > 1;
    LaidOutRows rows{.first_row = place.first_day * calendar::intervals_per_day, .text = {}};
    if (const std::optional<std::string> failure =
            read_realization_table(run.files.source_out(), depths, laying_out ? &rows : nullptr)) {
      fail(run, *failure);
      return false;
    }
    writer_.put_depths(run.index, static_cast<std::size_t>(rows.first_row), depths);
    if (request_.keep) {
      const fs::path target = *request_.keep / kept_table_name(range_.first + run.index, request_.realizations);
      if (!laying_out) {
        keep_table(run.files.source_out(), target);
      } else {
        if (!realization.kept) realization.kept.emplace(target);
        realization.kept->write(rows.text);
      }
    }
    scratch_.give_back(run.files);
    ++realization.taken;
    return true;
  }

  void complete(long index) {
    InProgress& realization = in_progress_.at(index);
    writer_.put_complete(index, realization.seed);
    if (realization.kept) realization.kept->commit();
    in_progress_.erase(index);
    progress_.update(++done_, failed_);
  }

  // The realization of run fails: listed with the run's block when it has several, its depths the
  // fill value; its other blocks are not started, and those under way are dropped as they end.
  void fail(const RunningRealization& run, const std::string& why) {
    InProgress& realization = in_progress_.at(run.index);
    realization.failed = true;
    writer_.put_failed(run.index, realization.seed);
    ++failed_;
    progress_.clear();
    messages_ << failure_report(range_.first + run.index, realization.seed, block_text(run) + why,
                                stream_excerpt(run.files.out), stream_excerpt(run.files.err));
    messages_.flush();
    scratch_.give_back(run.files);
    for (auto& [block, waiting] : realization.waiting) scratch_.give_back(waiting.files);
    waiting_ -= realization.waiting.size();
    realization.waiting.clear();
    realization.kept.reset();  // its aside file removed
    if (next_realization_ == run.index && next_block_ > 0) {
      next_block_ = 0;
      ++next_realization_;
    }
    progress_.update(++done_, failed_);
    forget_if_idle(run.index);
  }

  void forget_if_idle(long index) {
    const auto found = in_progress_.find(index);
    if (found != in_progress_.end() && found->second.failed && found->second.running == 0) in_progress_.erase(found);
  }

  // "block 5 of 401 (Dec-Feb, days 335 to 424, RAINGEN_SEED 1234567): ", empty for one block.
  std::string block_text(const RunningRealization& run) const {
    if (blocks() == 1) return {};
    const CalendarBlock& place = plan_.blocks[run.block];
    const std::optional<stations::Season>& season = plan_.inputs.folders[place.season].season;
    return fmt::format("block {} of {} ({}days {} to {}, RAINGEN_SEED {}): ", run.block + 1, blocks(),
                       season ? season->name() + ", " : "", place.first_day + 1, place.first_day + place.days,
                       run.seed);
  }

  const EnsembleRequest& request_;
  const fs::path& program_;
  const Plan& plan_;
  ScratchArea& scratch_;
  EnsembleWriter& writer_;
  ProgressLine& progress_;
  std::ostream& messages_;
  ChildEnvironment environment_;
  std::vector<float> depths_;
  // The realizations made: index i of the file is realization range_.first + i of the ensemble.
  const ensemble_file::RealizationRange range_;
  long next_realization_ = 0, done_ = 0, failed_ = 0;
  std::size_t next_block_ = 0, waiting_ = 0;
  std::map<long, InProgress> in_progress_;
  const InterruptFlag interrupt_;
  RunningChildren running_;  // after the flag: stopped before the handlers are put back
};

}  // namespace

std::string kept_table_name(long number, long realizations) {
  const int width = std::max<int>(4, static_cast<int>(std::to_string(realizations).size()));
  return fmt::format("SOURCE_{:0{}}.OUT", number, width);
}

EnsembleOutcome run_ensemble(const EnsembleRequest& request, const fs::path& program, std::ostream& messages,
                             bool terminal) {
  const Plan plan = checked_plan(request);
  const EnsembleLayout layout = layout_of(request, plan);
  common::OutputFile output(request.output);
  EnsembleWriter writer(output.hand_to_library(), request.output.string(), layout);
  ScratchArea scratch(request.output);
  const long count = own_range(request).size();
  ProgressLine progress(messages, terminal, count);
  // Lives to the end: a signal while the file is put in place is noted, as during the runs.
  Realizations realizations(request, program, plan, scratch, writer, progress, messages);
  const EnsembleOutcome outcome{realizations.run_all()};
  writer.close();
  output.commit();
  messages << "raingen-ensemble: " << (request.part ? request.part->description() + ": " : "")
           << summary_text(count, outcome.failed, progress.seconds(), request.output.string()) << '\n';
  messages.flush();
  return outcome;
}

}  // namespace raingen::ensemble
