// The ensemble's file made from its runs, for a run directory's ensemble and a network's alike: the
// file written aside, its writer, the scratch area beside it, the runs of every unit in their
// blocks into the target made over the writer, then the file closed and put in place.
#pragma once

#include <filesystem>
#include <vector>

#include "common/output_file.h"
#include "ensemble/block_runs.h"
#include "ensemble/calendar_blocks.h"
#include "ensemble/ensemble_runs.h"
#include "ensemble/progress.h"
#include "ensemble/scratch_area.h"
#include "ensemble_file/ensemble_file.h"

namespace raingen::ensemble {

// Returns the number of units that failed. make_target(writer) gives the RunTarget the tables go
// to; `counted` names the units in messages ("realizations", "runs").
template <class MakeTarget>
long runs_into_file(const EnsembleRuns& request, const ensemble_file::EnsembleLayout& layout, long units,
                    const std::vector<CalendarBlock>& blocks, const std::filesystem::path& program,
                    ProgressLine& progress, MakeTarget make_target, const char* counted) {
  common::OutputFile output(request.output);
  ensemble_file::EnsembleWriter writer(output.hand_to_library(), request.output.string(), layout);
  ScratchArea scratch(request.output);
  auto target = make_target(writer);
  // Lives to the end: a signal while the file is put in place is noted, as during the runs.
  BlockRuns runs(units, blocks, request.jobs, program, scratch, target, progress);
  const long failed = runs.run_all(counted, request.output.string());
  writer.close();
  output.commit();
  return failed;
}

}  // namespace raingen::ensemble
