// One run of the program as a child process: started in its own directory with RAINGEN_SEED set,
// standard input empty (a blank file name then ends the run instead of waiting for an answer),
// standard output and error captured in files; and how it ended.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ensemble/scratch_area.h"

namespace raingen::ensemble {

// The program raingen in the directory of the running executable (build/raingen beside
// build/raingen-ensemble). Throws ToolError when it is not there or cannot be run.
std::filesystem::path program_beside_this_one();

// This process's environment without RAINGEN_SEED, to which each child adds its own.
class ChildEnvironment {
 public:
  ChildEnvironment();
  // The environment of a run with the given seed; valid until the next call.
  char* const* with_seed(int seed);

 private:
  std::vector<std::string> inherited_;
  std::string seed_entry_;
  std::vector<char*> pointers_;
};

// Starts the program in files.run with the given signal mask; throws ToolError when it cannot be
// started.
pid_t start_program(const std::filesystem::path& program, const RealizationFiles& files, char* const* environment,
                    const sigset_t& signal_mask);

// How a child ended: its process id and wait status (pid -1: no child ended).
struct ChildEnd {
  pid_t pid = -1;
  int status = 0;
};

// Whether a wait status is a normal end with status 0.
bool ended_well(int status);
// "exit status 1", "ended by signal 11 (Segmentation fault)".
std::string describe_end(int status);

}  // namespace raingen::ensemble
