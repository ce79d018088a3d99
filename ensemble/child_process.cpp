#include "ensemble/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/tool_error.h"

extern char** environ;

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;

namespace {

constexpr const char* seed_variable = "RAINGEN_SEED=";

// Hold posix_spawn's file actions and attributes for the life of one start.
class SpawnActions {
 public:
  SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ::posix_spawnattr_init(&attributes_); }
  ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  posix_spawnattr_t* get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

}  // namespace

fs::path program_beside_this_one() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) throw ToolError("cannot tell where this program is, to find raingen beside it: " + error.message());
  fs::path program = self.parent_path() / "raingen";
  if (::access(program.c_str(), X_OK) != 0)
    throw ToolError(
        program.string(), 0,
        std::string("cannot be run: ") + std::strerror(errno) + " (raingen is looked for beside this program)");
  return program;
}

ChildEnvironment::ChildEnvironment() {
  for (char** entry = environ; *entry != nullptr; ++entry)
    if (std::strncmp(*entry, seed_variable, std::strlen(seed_variable)) != 0) inherited_.emplace_back(*entry);
}

char* const* ChildEnvironment::with_seed(int seed) {
  seed_entry_ = seed_variable + std::to_string(seed);
  pointers_.clear();
  for (std::string& entry : inherited_) pointers_.push_back(entry.data());
  pointers_.push_back(seed_entry_.data());
  pointers_.push_back(nullptr);
  return pointers_.data();
}

pid_t start_program(const fs::path& program, const RealizationFiles& files, char* const* environment,
                    const sigset_t& signal_mask) {
  SpawnActions actions;
  SpawnAttributes attributes;
  constexpr int output_flags = O_WRONLY | O_CREAT | O_TRUNC;
  int failed = ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (failed == 0)
    failed = ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, files.out.c_str(), output_flags, 0600);
  if (failed == 0)
    failed = ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, files.err.c_str(), output_flags, 0600);
  // Descriptors of this process (the netCDF file among them) are not the program's business.
  if (failed == 0) failed = ::posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
  if (failed == 0) failed = ::posix_spawn_file_actions_addchdir_np(actions.get(), files.run.c_str());
  // The signals this process holds back while it works are the program's as ever.
  if (failed == 0) failed = ::posix_spawnattr_setsigmask(attributes.get(), &signal_mask);
  if (failed == 0) failed = ::posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK);
  std::string argument0 = program.string();
  char* const argv[] = {argument0.data(), nullptr};
  pid_t pid = -1;
  if (failed == 0) failed = ::posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv, environment);
  if (failed != 0) throw ToolError(program.string(), 0, std::string("cannot be started: ") + std::strerror(failed));
  return pid;
}

bool ended_well(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

std::string describe_end(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status))
    return "ended by signal " + std::to_string(WTERMSIG(status)) + " (" + ::strsignal(WTERMSIG(status)) + ")";
  return "ended with wait status " + std::to_string(status);
}

}  // namespace raingen::ensemble
