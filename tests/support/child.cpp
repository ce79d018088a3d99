#include "support/child.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace testing_support {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 pick(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() / ("raingen-test-" + std::to_string(pick()));
    if (fs::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Files a test made read-only or unreadable must still go.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::string& bytes) const { write_file(path_ / name, bytes); }
std::string TempDir::read(const std::string& name) const { return read_file(path_ / name); }
bool TempDir::exists(const std::string& name) const { return fs::exists(path_ / name); }

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

namespace {

// Output of the child goes to temporary files, which cannot fill up and block it.
std::string take_file(FILE* file) {
  std::string bytes;
  std::rewind(file);
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

Outcome run_child(const ChildSetup& setup, const std::function<void()>& in_child) {
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  FILE* in = std::tmpfile();
  if (!out || !err || !in) throw std::runtime_error("cannot create capture files");
  std::fwrite(setup.input.data(), 1, setup.input.size(), in);
  std::fflush(in);
  std::rewind(in);
  std::fflush(stdout);
  std::fflush(stderr);

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(fileno(in), 0);
    lseek(0, 0, SEEK_SET);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    if (!setup.directory.empty() && chdir(setup.directory.c_str()) != 0) _exit(125);
    for (const auto& [name, value] : setup.environment) setenv(name.c_str(), value.c_str(), 1);
    for (const auto& name : setup.unset_environment) unsetenv(name.c_str());
    alarm(static_cast<unsigned>(setup.timeout_seconds));
    in_child();
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  Outcome outcome;
  if (WIFEXITED(status)) outcome.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  outcome.out = take_file(out);
  outcome.err = take_file(err);
  std::fclose(in);
  return outcome;
}

}  // namespace

// Two builds of the program compare by diff -r of their captures.
void capture_program_run(const ChildSetup& setup, const std::vector<std::string>& arguments, const Outcome& outcome) {
  const char* root = std::getenv("RAINGEN_CAPTURE");
  if (root == nullptr || *root == '\0') return;
  static std::string last_test;
  static int runs_in_test = 0;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "none";
  for (char& c : name)
    if (c == '/') c = '_';
  runs_in_test = name == last_test ? runs_in_test + 1 : 1;
  last_test = name;
  const fs::path run = fs::path(root) / (name + "-" + std::to_string(runs_in_test));
  fs::remove_all(run);
  fs::create_directories(run / "files");
  std::string args;
  for (const std::string& a : arguments) args += a + "\n";
  write_file(run / "arguments", args);
  write_file(run / "stdin", setup.input);
  write_file(run / "stdout", outcome.out);
  write_file(run / "stderr", outcome.err);
  write_file(run / "status",
             "exit " + std::to_string(outcome.exit_status) + " signal " + std::to_string(outcome.signal) + "\n");
  if (setup.directory.empty()) return;
  for (const auto& entry : fs::directory_iterator(setup.directory)) {
    const fs::path copy = run / "files" / entry.path().filename();
    if (entry.is_directory())
      fs::create_directory(copy);
    else if (entry.is_regular_file())
      write_file(copy, read_file(entry.path()));
  }
}

Outcome run_raingen(const ChildSetup& setup, const std::vector<std::string>& arguments) {
  Outcome outcome = run_child(setup, [&] {
    std::vector<char*> argv;
    std::string program = RAINGEN_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(126);
  });
  capture_program_run(setup, arguments, outcome);
  return outcome;
}

Outcome run_in_child(const ChildSetup& setup, const std::function<void()>& body) { return run_child(setup, body); }

namespace {

constexpr int set_up_failed = 77;
constexpr std::string_view set_up_prefix = "cannot set up: ";
constexpr uid_t unprivileged_user = 65534;

[[noreturn]] void give_up(const std::string& why) {
  std::string line = std::string(set_up_prefix) + why;
  ssize_t ignored = ::write(2, line.data(), line.size());
  (void)ignored;
  _exit(set_up_failed);
}

}  // namespace

UnprivilegedOutcome run_unprivileged(const ChildSetup& setup, const std::vector<Reach>& reach,
                                     const std::function<void()>& body) {
  UnprivilegedOutcome result;
  result.outcome = run_child(setup, [&] {
    if (::geteuid() == 0) {
      // Root's supplementary groups would open doors the user does not have; a host that
      // refuses to drop them still gets the reach checked below.
      ::setgroups(0, nullptr);
      if (::setgid(unprivileged_user) != 0 || ::setuid(unprivileged_user) != 0)
        give_up("the system refuses to switch to user 65534: " + std::string(std::strerror(errno)));
    }
    for (const Reach& r : reach)
      if (::access(r.path.c_str(), r.mode) != 0)
        give_up("user " + std::to_string(::getuid()) + " cannot reach " + r.path.string() + ": " +
                std::strerror(errno));
    body();
  });
  const Outcome& o = result.outcome;
  if (o.exit_status == set_up_failed && o.err.rfind(set_up_prefix, 0) == 0)
    result.cannot_set_up = o.err.substr(set_up_prefix.size());
  return result;
}

}  // namespace testing_support
