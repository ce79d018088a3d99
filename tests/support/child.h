// Running the program, or a piece of it, in a child process and capturing what it shows.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;  // the whole file, byte for byte
  bool exists(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// What a child showed and how it ended.
struct Outcome {
  int exit_status = -1;  // the status passed to exit, or -1 when it did not exit normally
  int signal = 0;        // the signal that ended it, if any
  std::string out;       // standard output
  std::string err;       // standard error
};

struct ChildSetup {
  std::filesystem::path directory;                               // working directory; empty: stay where we are
  std::string input;                                             // standard input (then its end)
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child
  std::vector<std::string> unset_environment;                    // removed in the child
  int timeout_seconds = 60;                                      // the child is killed after this
};

// Runs build/raingen with these arguments.
Outcome run_raingen(const ChildSetup& setup, const std::vector<std::string>& arguments = {});

// With RAINGEN_CAPTURE naming a folder, keeps a run of the program there (run_raingen does so
// for every run): its arguments, input, output, status and working folder, under the test's name.
void capture_program_run(const ChildSetup& setup, const std::vector<std::string>& arguments, const Outcome& outcome);

// Runs body in a forked child; if body returns, the child exits with status 0.
Outcome run_in_child(const ChildSetup& setup, const std::function<void()>& body);

// A child run as a user whom the system refuses what it grants root: user 65534 when the tests
// run as root, the user itself otherwise. cannot_set_up is empty when body ran; otherwise it
// says why the child could not be set up (the user cannot be taken, or cannot reach a path),
// and the test should skip rather than fail.
struct UnprivilegedOutcome {
  Outcome outcome;
  std::string cannot_set_up;
};

// A path the unprivileged child must reach, with the access(2) mode it needs (R_OK, W_OK, X_OK).
struct Reach {
  std::filesystem::path path;
  int mode;
};

UnprivilegedOutcome run_unprivileged(const ChildSetup& setup, const std::vector<Reach>& reach,
                                     const std::function<void()>& body);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

}  // namespace testing_support
