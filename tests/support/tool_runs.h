// Running the companion tools (build/raingen-*) in a child process, and a run of the program on
// the bundled example data whose results the tools read.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/child.h"

namespace testing_support {

// Runs the program file at path with these arguments.
Outcome run_program_file(const ChildSetup& setup, const std::string& path, const std::vector<std::string>& arguments);

// Runs build/<tool> (e.g. "raingen-export") with these arguments.
Outcome run_tool_program(const ChildSetup& setup, const std::string& tool, const std::vector<std::string>& arguments);

// Environment variables to set in a child.
using Variables = std::vector<std::pair<std::string, std::string>>;

// Runs build/<tool> in dir, with time enough for a large run on a loaded machine: the variables
// set, and those of a Slurm array task unset unless given (a tool run inside a Slurm job would
// otherwise take itself for a part of an array).
Outcome run_tool_in(const std::filesystem::path& dir, const std::string& tool,
                    const std::vector<std::string>& arguments, const Variables& environment = {});

// Copies examples/data into dir and runs the program there with RAINGEN_SEED=seed; the results
// are dir/RESULTS.TXT and dir/SOURCE.OUT. Fails the calling test when the run does not end well.
void run_example(const TempDir& dir, const std::string& seed = "42");

}  // namespace testing_support
