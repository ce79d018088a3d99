#include "support/tool_runs.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace testing_support {

Outcome run_program_file(const ChildSetup& setup, const std::string& path, const std::vector<std::string>& arguments) {
  return run_in_child(setup, [&] {
    std::string program = path;
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv{program.data()};
    for (auto& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(126);
  });
}

Outcome run_tool_program(const ChildSetup& setup, const std::string& tool, const std::vector<std::string>& arguments) {
  return run_program_file(setup, (std::filesystem::path(RAINGEN_TOOL_DIR) / tool).string(), arguments);
}

void run_example(const TempDir& dir, const std::string& seed) {
  std::filesystem::copy(RAINGEN_EXAMPLE_DATA, dir.path(), std::filesystem::copy_options::recursive);
  ChildSetup setup;
  setup.directory = dir.path();
  setup.environment = {{"RAINGEN_SEED", seed}};
  const Outcome outcome = run_raingen(setup);
  ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
}

Outcome run_tool_in(const std::filesystem::path& dir, const std::string& tool,
                    const std::vector<std::string>& arguments, const Variables& environment) {
  ChildSetup setup;
  setup.directory = dir;
  setup.timeout_seconds = 600;
  setup.environment = environment;
  for (const char* name : {"SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_COUNT", "SLURM_ARRAY_TASK_MIN",
                           "SLURM_ARRAY_TASK_MAX", "SLURM_ARRAY_TASK_STEP"})
    if (std::none_of(environment.begin(), environment.end(), [&](const auto& set) { return set.first == name; }))
      setup.unset_environment.push_back(name);
  return run_tool_program(setup, tool, arguments);
}

}  // namespace testing_support
