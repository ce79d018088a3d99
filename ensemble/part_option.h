// --part: which part of an ensemble this run makes, given as I/N or taken from the task of a Slurm
// array job. The rule for Slurm: part I = SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN + 1 of
// N = SLURM_ARRAY_TASK_COUNT, for an array of consecutive task ids from 0 or from 1
// (--array=1-N or --array=0-M, a %limit allowed): the first task makes part 1 whichever way the
// tasks are numbered. An array of one task, or one from another first id, is refused: it is
// most likely one part run again (sbatch --array=3), which would otherwise make the whole
// ensemble as part 1 of 1; a part run again is given as I/N.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "ensemble_file/ensemble_part.h"

namespace raingen::ensemble {

struct PartPlace {
  long index = 1;  // I
  long count = 1;  // N
};

// Looks up an environment variable: none when it is not set.
using Environment = std::function<std::optional<std::string>(const char* name)>;

// The place --part asks for: "I/N" (whole numbers), or "slurm", then from the array task's
// variables in environment. Throws UsageError for text of neither form, ToolError for Slurm
// variables that are missing or make no array of consecutive ids from 0 or 1.
PartPlace parse_part_option(const std::string& text, const Environment& environment);

// Part place of the ensemble of `realizations` from first_seed. Throws ToolError
// "--part TEXT: WHAT" when there is no such part (I outside 1..N, more parts than realizations).
ensemble_file::EnsemblePart part_of_ensemble(const PartPlace& place, long realizations, int first_seed,
                                             const std::string& text);

}  // namespace raingen::ensemble
