#include "ensemble/run_ensemble.h"

#include <optional>
#include <span>
#include <vector>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "common/whole_file.h"
#include "ensemble/child_process.h"
#include "ensemble_file/ensemble_file.h"
#include "ensemble/failure_report.h"
#include "ensemble/progress.h"
#include "ensemble/realization_table.h"
#include "ensemble_file/run_directory.h"
#include "ensemble/running_children.h"
#include "ensemble/scratch_area.h"
#include "stations/run_facts.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using common::UsageError;
using ensemble_file::EnsembleLayout;
using ensemble_file::EnsembleWriter;
using ensemble_file::RunDirectory;

namespace {

void check_output_is_no_input(const fs::path& output, const RunDirectory& inputs) {
  std::error_code error;
  for (const std::string& name : inputs.input_names)
    if (fs::equivalent(output, inputs.dir / name, error))
      throw UsageError(fmt::format("--output {} is {}, an input of the run", output.string(), name));
}

// Copies a realization's table to its kept name as every output is written: aside, synced, then
// renamed into place, so that a kept file is whole or absent (the scratch directory may lie on
// another file system than the kept one).
void keep_table(const fs::path& table, const fs::path& target) {
  common::OutputFile kept(target);
  kept.write(common::read_whole_file(table));
  kept.commit();
}

std::string run_source(const RunDirectory& inputs, int first_seed, long realizations) {
  return fmt::format("raingen on {}, RAINGEN_SEED {} to {}", (inputs.dir / common::settings_file_name).string(), first_seed,
                     first_seed + realizations - 1);
}

// The run directory read and checked, and the kept tables' directory made, before any run.
RunDirectory checked_inputs(const EnsembleRequest& request) {
  RunDirectory inputs = ensemble_file::read_run_directory(request.dir);
  check_output_is_no_input(request.output, inputs);
  if (request.keep) {
    std::error_code error;
    fs::create_directories(*request.keep, error);
    if (error) throw ToolError(request.keep->string(), 0, "cannot be made: " + error.message());
  }
  return inputs;
}

// The file's description: the position and clock given, else those RAINGEN.TXT states for the site.
EnsembleLayout layout_of(const EnsembleRequest& request, const RunDirectory& inputs) {
  const stations::RunFacts facts = stations::read_run_facts(request.dir);
  EnsembleLayout layout;
  layout.start = request.start;
  layout.utc_offset = request.utc_offset ? request.utc_offset : facts.site ? facts.site->utc_offset : std::nullopt;
  layout.position = request.site_at ? request.site_at : facts.site ? facts.site->position : std::nullopt;
  layout.history = request.history;
  layout.site = inputs.settings.site_name.empty() ? std::string(common::default_site_name) : inputs.settings.site_name;
  layout.intervals = inputs.intervals();
  layout.realizations = request.realizations;
  layout.source = run_source(inputs, request.first_seed, request.realizations);
  layout.checksum = inputs.checksum;
  return layout;
}

// Why a run that ended with this wait status is no complete realization, or nothing when it is
// one: then depths hold its table.
std::optional<std::string> failure_of(const RealizationFiles& files, int status, std::span<float> depths) {
  std::error_code error;
  if (!ended_well(status)) return describe_end(status);
  if (fs::file_size(files.err, error) != 0) return "exit status 0, but standard error is not empty";
  return read_realization_table(files.source_out(), depths);
}

// The realizations' runs: up to --jobs of them side by side, each taken into the file (and kept)
// as it ends, until all have ended or a signal interrupts them. What it starts it stops, however
// it ends; the signals are noted until it ends.
class Realizations {
 public:
  Realizations(const EnsembleRequest& request, const fs::path& program, const RunDirectory& inputs,
               const ScratchArea& scratch, EnsembleWriter& writer, ProgressLine& progress, std::ostream& messages)
      : request_(request), program_(program), inputs_(inputs), scratch_(scratch), writer_(writer),
        progress_(progress), messages_(messages), depths_(inputs.intervals()) {}

  // Runs every realization; returns how many failed. Throws ToolError when a signal interrupts
  // them (the runs are stopped).
  long run_all() {
    progress_.update(0, 0);
    while (done_ < request_.realizations) {
      while (!interrupt_.raised() && started_ < request_.realizations && running_.size() < jobs()) start_next();
      if (interrupt_.raised()) break;
      const ChildEnd end = interrupt_.wait_for_child();
      if (end.pid < 0) continue;
      const std::optional<RunningRealization> ended = running_.take(end.pid);
      // A run that ended with the interruption (Ctrl-C reaches it too) is neither good nor failed.
      if (!ended || interrupt_.raised()) continue;
      // The next run starts before this one is taken in, so that the program never waits for us.
      if (started_ < request_.realizations) start_next();
      take_in(*ended, end.status);
    }
    progress_.clear();
    if (interrupt_.raised())
      throw ToolError(fmt::format("interrupted by signal {} after {} of {} realizations: {} is not written",
                                  interrupt_.signal(), done_, request_.realizations, request_.output.string()));
    return failed_;
  }

 private:
  std::size_t jobs() const { return static_cast<std::size_t>(request_.jobs); }

  void start_next() {
    const int seed = static_cast<int>(request_.first_seed + started_);
    RealizationFiles files = scratch_.prepare(started_ + 1, inputs_);
    const pid_t pid = start_program(program_, files, environment_.with_seed(seed), interrupt_.mask_for_runs());
    running_.add(pid, RunningRealization{started_, seed, std::move(files)});
    ++started_;
  }

  void take_in(const RunningRealization& realization, int status) {
    const std::optional<std::string> failure = failure_of(realization.files, status, depths_);
    const long number = realization.index + 1;
    if (failure) {
      writer_.put_failed(realization.index, realization.seed);
      ++failed_;
      progress_.clear();
      messages_ << failure_report(number, realization.seed, *failure, stream_excerpt(realization.files.out),
                                  stream_excerpt(realization.files.err));
      messages_.flush();
    } else {
      writer_.put_complete(realization.index, realization.seed, depths_);
      if (request_.keep)
        keep_table(realization.files.source_out(), *request_.keep / kept_table_name(number, request_.realizations));
    }
    scratch_.remove(realization.files);
    progress_.update(++done_, failed_);
  }

  const EnsembleRequest& request_;
  const fs::path& program_;
  const RunDirectory& inputs_;
  const ScratchArea& scratch_;
  EnsembleWriter& writer_;
  ProgressLine& progress_;
  std::ostream& messages_;
  ChildEnvironment environment_;
  std::vector<float> depths_;
  long started_ = 0, done_ = 0, failed_ = 0;
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
  const RunDirectory inputs = checked_inputs(request);
  const EnsembleLayout layout = layout_of(request, inputs);
  common::OutputFile output(request.output);
  EnsembleWriter writer(output.hand_to_library(), request.output.string(), layout);
  const ScratchArea scratch(request.output);
  ProgressLine progress(messages, terminal, request.realizations);
  // Lives to the end: a signal while the file is put in place is noted, as during the runs.
  Realizations realizations(request, program, inputs, scratch, writer, progress, messages);
  const EnsembleOutcome outcome{realizations.run_all()};
  writer.close();
  output.commit();
  messages << "raingen-ensemble: " << summary_text(request.realizations, outcome.failed, progress.seconds(),
                                                     request.output.string())
           << '\n';
  messages.flush();
  return outcome;
}

}  // namespace raingen::ensemble
