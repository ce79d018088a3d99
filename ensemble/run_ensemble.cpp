#include "ensemble/run_ensemble.h"

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

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using common::UsageError;

namespace {

void check_output_is_no_input(const fs::path& output, const ensemble_file::RunDirectory& inputs) {
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

std::string run_source(const ensemble_file::RunDirectory& inputs, int first_seed, long realizations) {
  return fmt::format("raingen on {}, RAINGEN_SEED {} to {}", (inputs.dir / common::settings_file_name).string(), first_seed,
                     first_seed + realizations - 1);
}

}  // namespace

std::string kept_table_name(long number, long realizations) {
  const int width = std::max<int>(4, static_cast<int>(std::to_string(realizations).size()));
  return fmt::format("SOURCE_{:0{}}.OUT", number, width);
}

EnsembleOutcome run_ensemble(const EnsembleRequest& request, const fs::path& program, std::ostream& messages,
                             bool terminal) {
  const ensemble_file::RunDirectory inputs = ensemble_file::read_run_directory(request.dir);
  check_output_is_no_input(request.output, inputs);
  if (request.keep) {
    std::error_code error;
    fs::create_directories(*request.keep, error);
    if (error) throw ToolError(request.keep->string(), 0, "cannot be made: " + error.message());
  }

  ensemble_file::EnsembleLayout layout;
  layout.start = request.start;
  layout.site = inputs.settings.site_name.empty() ? std::string(common::default_site_name) : inputs.settings.site_name;
  layout.intervals = inputs.intervals();
  layout.realizations = request.realizations;
  layout.source = run_source(inputs, request.first_seed, request.realizations);
  layout.checksum = inputs.checksum;
  common::OutputFile output(request.output);
  ensemble_file::EnsembleWriter writer(output.hand_to_library(), request.output.string(), layout);
  const ScratchArea scratch(request.output);

  ChildEnvironment environment;
  std::vector<float> depths(layout.intervals);
  ProgressLine progress(messages, terminal, request.realizations);
  EnsembleOutcome outcome;
  long started = 0, done = 0;
  const InterruptFlag interrupt;
  RunningChildren running;  // after the flag: stopped before the handlers are put back

  const auto start_next = [&] {
    const int seed = static_cast<int>(request.first_seed + started);
    RealizationFiles files = scratch.prepare(started + 1, inputs);
    const pid_t pid = start_program(program, files, environment.with_seed(seed), interrupt.mask_for_runs());
    running.add(pid, RunningRealization{started, seed, std::move(files)});
    ++started;
  };
  const auto take_in = [&](const RunningRealization& realization, int status) {
    std::optional<std::string> failure;
    std::error_code error;
    if (!ended_well(status))
      failure = describe_end(status);
    else if (fs::file_size(realization.files.err, error) != 0)
      failure = "exit status 0, but standard error is not empty";
    else
      failure = read_realization_table(realization.files.source_out(), depths);
    const long number = realization.index + 1;
    if (failure) {
      writer.put_failed(realization.index, realization.seed);
      ++outcome.failed;
      progress.clear();
      messages << failure_report(number, realization.seed, *failure, stream_excerpt(realization.files.out),
                                 stream_excerpt(realization.files.err));
      messages.flush();
    } else {
      writer.put_complete(realization.index, realization.seed, depths);
      if (request.keep)
        keep_table(realization.files.source_out(), *request.keep / kept_table_name(number, request.realizations));
    }
    scratch.remove(realization.files);
    progress.update(++done, outcome.failed);
  };

  progress.update(0, 0);
  while (done < request.realizations) {
    while (!interrupt.raised() && started < request.realizations && running.size() < static_cast<std::size_t>(request.jobs))
      start_next();
    if (interrupt.raised()) break;
    const ChildEnd end = interrupt.wait_for_child();
    if (end.pid < 0) continue;
    const std::optional<RunningRealization> ended = running.take(end.pid);
    // A run that ended with the interruption (Ctrl-C reaches it too) is neither good nor failed.
    if (!ended || interrupt.raised()) continue;
    // The next run starts before this one is taken in, so that the program never waits for us.
    if (!interrupt.raised() && started < request.realizations) start_next();
    take_in(*ended, end.status);
  }
  progress.clear();
  if (interrupt.raised())
    throw ToolError(fmt::format("interrupted by signal {} after {} of {} realizations: {} is not written",
                                interrupt.signal(), done, request.realizations, request.output.string()));
  writer.close();
  output.commit();
  messages << "raingen-ensemble: " << summary_text(request.realizations, outcome.failed, progress.seconds(),
                                                     request.output.string())
           << '\n';
  messages.flush();
  return outcome;
}

}  // namespace raingen::ensemble
