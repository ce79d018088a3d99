#include "ensemble/run_network.h"

#include <map>
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
#include "ensemble/run_ensemble.h"
#include "ensemble/running_children.h"
#include "ensemble/scratch_area.h"
#include "ensemble_file/network_file.h"
#include "ensemble_file/run_directory.h"
#include "network/network_manifest.h"
#include "stations/settings_file.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using common::UsageError;
using ensemble_file::NetworkLayout;
using ensemble_file::NetworkWriter;

namespace {

// A site as its runs are made: its run directory read once, and its INPUT.TXT's text for blocks
// whose day count differs from it.
struct PlannedSite {
  std::string name;
  ensemble_file::RunDirectory run;
  std::string settings_text;
};

// What the network's ensemble makes: the sites, the series' length and its blocks.
struct NetworkPlan {
  fs::path dir;  // absolute
  network::NetworkManifest manifest;
  std::vector<PlannedSite> sites;
  long days = 0;
  std::vector<CalendarBlock> blocks;
  std::string checksum;
  long sites_count() const { return static_cast<long>(sites.size()); }
};

// The sites' day count, when it is the series' length: the same in every site's INPUT.TXT.
int common_day_count(const NetworkPlan& plan) {
  const PlannedSite& first = plan.sites.front();
  for (const PlannedSite& site : plan.sites)
    if (site.run.settings.day_count != first.run.settings.day_count)
      throw ToolError((site.run.dir / common::settings_file_name).string(), 0,
                      fmt::format("holds {} days where site {}'s holds {}: the sites of a network run the same days "
                                  "(prepare them together, or give --days)",
                                  site.run.settings.day_count, first.name, first.run.settings.day_count));
  return first.run.settings.day_count;
}

long checked_days(const NetworkRequest& request, long days) {
  if (days < 1 || days > most_series_days)
    throw UsageError(fmt::format("--days {} is not from 1 to {} (the table's times hold {} days)", days,
                                 most_series_days, most_series_days));
  const calendar::TimePoint last_day = request.start + calendar::Days{days - 1};
  if (date::year_month_day{calendar::day_of(last_day)}.year() > date::year{9999})
    throw UsageError(fmt::format("--start {} with {} days runs past the calendar's last day, 9999-12-31",
                                 calendar::minute_text(request.start), days));
  return days;
}

// NETWORK.TXT and every site's folder read and checked, and the output checked, before any run.
NetworkPlan checked_plan(const NetworkRequest& request) {
  common::check_output_target(request.output);
  NetworkPlan plan;
  std::error_code error;
  plan.dir = fs::absolute(request.dir, error);
  plan.manifest = network::read_network_manifest(plan.dir);
  std::vector<std::string> inputs{std::string(network::manifest_file_name)};
  for (const network::NetworkSite& site : plan.manifest.sites) {
    ensemble_file::RunFolders folders = ensemble_file::read_run_folders(plan.dir / site.folder, !request.days);
    if (!folders.seasons.empty())
      throw ToolError((plan.dir / site.folder).string(), 0,
                      "is a run directory of seasons: a network's sites are plain run directories");
    ensemble_file::RunDirectory run = std::move(folders.folders.front().run);
    for (const std::string& name : run.input_names) {
      if (fs::equivalent(request.output, run.dir / name, error))
        throw UsageError(fmt::format("--output {} is {}, an input of site {}", request.output.string(),
                                     (fs::path(site.folder) / name).string(), site.name));
      inputs.push_back((fs::path(site.folder) / name).string());
    }
    std::string settings = common::read_whole_file(run.dir / common::settings_file_name);
    plan.sites.push_back({site.name, std::move(run), std::move(settings)});
  }
  plan.days = checked_days(request, request.days.value_or(common_day_count(plan)));
  plan.blocks = lay_out_blocks(request.start, plan.days, {});
  plan.checksum = ensemble_file::inputs_checksum(plan.dir, inputs);
  return plan;
}

std::string run_source(const NetworkRequest& request, const NetworkPlan& plan) {
  const long last_seed = request.first_seed + request.realizations - 1;
  const std::string where = fmt::format("raingen on each site's folder of {} ({} sites)",
                                        (plan.dir / network::manifest_file_name).string(), plan.sites.size());
  if (plan.blocks.size() == 1)
    return fmt::format("{}{}, RAINGEN_SEED {} to {}, realization k with the same seed at every site", where,
                       plan.days == plan.sites.front().run.settings.day_count
                           ? ""
                           : fmt::format(" with the day count set to {}", plan.days),
                       request.first_seed, last_seed);
  return fmt::format("{}, {} days from {} in {} runs of at most {} days, laid end to end; realization k from "
                     "RAINGEN_SEED {} + k - 1 ({} to {}), its run b with the generator's state after (b - 1) x {} "
                     "draws from that seed, the same at every site",
                     where, plan.days, calendar::minute_text(request.start), plan.blocks.size(), common::most_days,
                     request.first_seed, request.first_seed, last_seed, block_seed_stride);
}

NetworkLayout layout_of(const NetworkRequest& request, const NetworkPlan& plan) {
  NetworkLayout layout;
  layout.start = request.start;
  layout.utc_offset = request.utc_offset;
  layout.coordinates = plan.manifest.coordinates;
  layout.map_unit = plan.manifest.map_unit;
  for (const network::NetworkSite& site : plan.manifest.sites) layout.sites.push_back({site.name, site.position});
  layout.intervals = static_cast<std::size_t>(plan.days) * calendar::intervals_per_day;
  layout.realizations = request.realizations;
  layout.first_seed = request.first_seed;
  layout.source = run_source(request, plan);
  layout.history = request.history;
  layout.checksum = plan.checksum;
  return layout;
}

// Why a run that ended with this wait status is no complete run, or nothing when it is one.
std::optional<std::string> failed_run(const RealizationFiles& files, int status) {
  std::error_code error;
  if (!ended_well(status)) return describe_end(status);
  if (fs::file_size(files.err, error) != 0) return "exit status 0, but standard error is not empty";
  return std::nullopt;
}

// The runs of every (realization, site): run n is realization n / sites at site n % sites, so that
// the sites of one realization run together. Up to --jobs side by side, each taken into the file
// as it ends, until all have ended or a signal interrupts them; what it starts it stops, however
// it ends. The blocks of a run start in order and are taken in in order: one that ends before an
// earlier one waits in its directory.
class NetworkRuns {
 public:
  NetworkRuns(const NetworkRequest& request, const fs::path& program, const NetworkPlan& plan, ScratchArea& scratch,
              NetworkWriter& writer, ProgressLine& progress, std::ostream& messages)
      : request_(request), program_(program), plan_(plan), scratch_(scratch), writer_(writer), progress_(progress),
        messages_(messages), total_(request.realizations * plan.sites_count()) {
    long longest = 0;
    for (const CalendarBlock& block : plan.blocks) longest = std::max(longest, block.days);
    depths_.resize(static_cast<std::size_t>(longest) * calendar::intervals_per_day);
  }

  // Runs every run; returns how many failed. Throws ToolError when a signal interrupts them.
  long run_all() {
    progress_.update(0, 0);
    while (done_ < total_) {
      while (!interrupt_.raised() && can_start() && running_.size() < jobs()) start_next();
      if (interrupt_.raised()) break;
      const ChildEnd end = interrupt_.wait_for_child();
      if (end.pid < 0) continue;
      const std::optional<RunningRealization> ended = running_.take(end.pid);
      if (!ended || interrupt_.raised()) continue;
      if (can_start()) start_next();  // before this one is taken in: the program never waits for us
      take_in(*ended, end.status);
    }
    progress_.clear();
    if (interrupt_.raised())
      throw ToolError(fmt::format("interrupted by signal {} after {} of {} runs: {} is not written",
                                  interrupt_.signal(), done_, total_, request_.output.string()));
    return failed_;
  }

 private:
  // A run some of whose blocks have been started and not all taken in.
  struct InProgress {
    std::size_t taken = 0;
    std::size_t running = 0;
    bool failed = false;
    std::map<std::size_t, RunningRealization> waiting;  // ended well, before an earlier block
  };

  std::size_t jobs() const { return static_cast<std::size_t>(request_.jobs); }
  std::size_t blocks() const { return plan_.blocks.size(); }
  long realization_of(long run) const { return run / plan_.sites_count(); }
  long site_of(long run) const { return run % plan_.sites_count(); }
  int seed_of(long run) const { return static_cast<int>(request_.first_seed + realization_of(run)); }

  bool can_start() const { return next_run_ < total_ && waiting_ < 4 * jobs() + 4; }

  void start_next() {
    const long run = next_run_;
    const std::size_t block = next_block_;
    InProgress& progress = in_progress_[run];
    const CalendarBlock& place = plan_.blocks[block];
    const PlannedSite& site = plan_.sites[static_cast<std::size_t>(site_of(run))];
    std::optional<std::string> settings;
    if (place.days != site.run.settings.day_count)
      settings = stations::with_day_count(site.settings_text, static_cast<int>(place.days));
    RealizationFiles files = scratch_.take(site.run, settings ? &*settings : nullptr);
    const int seed = block_seed(seed_of(run), static_cast<long>(block));
    const pid_t pid = start_program(program_, files, environment_.with_seed(seed), interrupt_.mask_for_runs());
    running_.add(pid, RunningRealization{run, block, seed, std::move(files)});
    ++progress.running;
    if (++next_block_ == blocks()) {
      next_block_ = 0;
      ++next_run_;
    }
  }

  void take_in(RunningRealization ended, int status) {
    const long run = ended.index;
    InProgress& progress = in_progress_.at(run);
    --progress.running;
    if (progress.failed) {
      scratch_.give_back(ended.files);
      forget_if_idle(run);
      return;
    }
    if (const std::optional<std::string> failure = failed_run(ended.files, status)) return fail(ended, *failure);
    progress.waiting.emplace(ended.block, std::move(ended));
    ++waiting_;
    while (!progress.waiting.empty() && progress.waiting.begin()->first == progress.taken) {
      RunningRealization next = std::move(progress.waiting.begin()->second);
      progress.waiting.erase(progress.waiting.begin());
      --waiting_;
      if (!put_block(progress, next)) return;  // failed: the run may be gone
    }
    if (progress.taken == blocks()) {
      writer_.put_complete(realization_of(run), site_of(run));
      in_progress_.erase(run);
      progress_.update(++done_, failed_);
    }
  }

  // A block whose turn has come: its table into the file. False when the table fails the run.
  bool put_block(InProgress& progress, const RunningRealization& ended) {
    const CalendarBlock& place = plan_.blocks[ended.block];
    const std::span<float> depths(depths_.data(), static_cast<std::size_t>(place.days) * calendar::intervals_per_day);
    if (const std::optional<std::string> failure = read_realization_table(ended.files.source_out(), depths)) {
      fail(ended, *failure);
      return false;
    }
    writer_.put_depths(realization_of(ended.index), site_of(ended.index),
                       static_cast<std::size_t>(place.first_day) * calendar::intervals_per_day, depths);
    scratch_.give_back(ended.files);
    ++progress.taken;
    return true;
  }

  // The run fails: listed by its realization and site (and block, when there are several), its
  // depths the fill value; its other blocks are not started, and those under way are dropped.
  void fail(const RunningRealization& ended, const std::string& why) {
    const long run = ended.index;
    InProgress& progress = in_progress_.at(run);
    progress.failed = true;
    writer_.put_failed(realization_of(run), site_of(run));
    ++failed_;
    progress_.clear();
    const std::string& site = plan_.sites[static_cast<std::size_t>(site_of(run))].name;
    messages_ << failure_report(realization_of(run) + 1, seed_of(run),
                                fmt::format("site {}: {}{}", site, block_text(ended), why),
                                stream_excerpt(ended.files.out), stream_excerpt(ended.files.err));
    messages_.flush();
    scratch_.give_back(ended.files);
    for (auto& [block, waiting] : progress.waiting) scratch_.give_back(waiting.files);
    waiting_ -= progress.waiting.size();
    progress.waiting.clear();
    if (next_run_ == run && next_block_ > 0) {
      next_block_ = 0;
      ++next_run_;
    }
    progress_.update(++done_, failed_);
    forget_if_idle(run);
  }

  void forget_if_idle(long run) {
    const auto found = in_progress_.find(run);
    if (found != in_progress_.end() && found->second.failed && found->second.running == 0) in_progress_.erase(found);
  }

  // "block 5 of 401 (days 335 to 424, RAINGEN_SEED 1234567): ", empty for one block.
  std::string block_text(const RunningRealization& ended) const {
    if (blocks() == 1) return {};
    const CalendarBlock& place = plan_.blocks[ended.block];
    return fmt::format("block {} of {} (days {} to {}, RAINGEN_SEED {}): ", ended.block + 1, blocks(),
                       place.first_day + 1, place.first_day + place.days, ended.seed);
  }

  const NetworkRequest& request_;
  const fs::path& program_;
  const NetworkPlan& plan_;
  ScratchArea& scratch_;
  NetworkWriter& writer_;
  ProgressLine& progress_;
  std::ostream& messages_;
  ChildEnvironment environment_;
  std::vector<float> depths_;
  const long total_;
  long next_run_ = 0, done_ = 0, failed_ = 0;
  std::size_t next_block_ = 0, waiting_ = 0;
  std::map<long, InProgress> in_progress_;
  const InterruptFlag interrupt_;
  RunningChildren running_;  // after the flag: stopped before the handlers are put back
};

}  // namespace

NetworkOutcome run_network(const NetworkRequest& request, const fs::path& program, std::ostream& messages,
                           bool terminal) {
  const NetworkPlan plan = checked_plan(request);
  const NetworkLayout layout = layout_of(request, plan);
  common::OutputFile output(request.output);
  NetworkWriter writer(output.hand_to_library(), request.output.string(), layout);
  ScratchArea scratch(request.output);
  NetworkOutcome outcome;
  outcome.runs = request.realizations * plan.sites_count();
  ProgressLine progress(messages, terminal, outcome.runs, "runs");
  NetworkRuns runs(request, program, plan, scratch, writer, progress, messages);
  outcome.failed = runs.run_all();
  writer.close();
  output.commit();
  const double seconds = progress.seconds();
  messages << fmt::format("raingen-ensemble: {} realizations at {} sites, {} runs in {:.1f} s ({:.1f} per s), {} failed: {}\n",
                          request.realizations, plan.sites.size(), outcome.runs, seconds,
                          seconds > 0 ? static_cast<double>(outcome.runs) / seconds : 0.0, outcome.failed,
                          request.output.string());
  messages.flush();
  return outcome;
}

}  // namespace raingen::ensemble
