// Peak memory of raingen-export and raingen-prepare on a line without a newline of 1 MB, 100 MB
// and 1 GB, against the same tool on a small good input (the floor), in one run:
//
//   build/bench/long_line_bench [REPETITIONS]
//
// (5 by default; medians are reported.) The long lines are sparse files (a line of NUL bytes that
// takes no disk) and, for raingen-prepare reading standard input, a generator pipe writing 'x'
// until the tool stops reading. Every tool must end with status 1 and "FILE:1: is longer than
// 1048576 bytes ..." after reading about a megabyte, whatever the line's length: memory stays flat
// (within a few MB of the floor) and so does the time. Peak memory is the child's maximum resident
// set size (wait4).
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/median.h"

namespace {

namespace fs = std::filesystem;
using raingen::bench::median;
using Clock = std::chrono::steady_clock;

struct ChildRun {
  double seconds = 0;
  double peak_mib = 0;
  int status = -1;
};

// Runs argv in dir (standard input from a generator of `piped` bytes of 'x' when it is not 0,
// else /dev/null; standard output and error to files).
ChildRun run(const std::vector<std::string>& argv, const fs::path& dir, long long piped = 0) {
  int pipe_ends[2] = {-1, -1};
  if (piped > 0 && ::pipe(pipe_ends) != 0) std::abort();
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    const int in = piped > 0 ? pipe_ends[0] : ::open("/dev/null", O_RDONLY);
    const int out = ::open("stdout", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open("stderr", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (piped > 0) ::close(pipe_ends[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  if (piped > 0) {
    ::close(pipe_ends[0]);
    ::signal(SIGPIPE, SIG_IGN);
    const std::string block(1 << 16, 'x');
    for (long long sent = 0; sent < piped;) {  // until the tool stops reading (EPIPE) or all is sent
      const ssize_t n = ::write(pipe_ends[1], block.data(), std::min<long long>(block.size(), piped - sent));
      if (n <= 0) break;
      sent += n;
    }
    ::close(pipe_ends[1]);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  return {std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss / 1024.0,
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void sparse_file(const fs::path& path, long long bytes) {
  { std::ofstream create(path, std::ios::binary); }
  fs::resize_file(path, static_cast<std::uintmax_t>(bytes));
}

// The floors: one good day of a table; thirty good days of a 15-minute record (as few as a
// station may keep), rain on every third.
void write_floors(const fs::path& dir) {
  {
    std::ofstream table(dir / "day.out", std::ios::binary);
    char row[32];
    for (int t = 15; t <= 1440; t += 15) {
      std::snprintf(row, sizeof row, "%12d%9s\r\n", t, t == 600 ? ".133" : ".000");
      table << row;
    }
    std::ofstream record(dir / "days.csv", std::ios::binary);
    record << "time,rain\n";
    for (int k = 1; k <= 30 * 96; ++k) {
      const int m = 15 * k;
      std::snprintf(row, sizeof row, "2001-01-%02d %02d:%02d,%s\n", 1 + m / 1440, m % 1440 / 60, m % 60,
                    k % 288 == 3 ? "1.5" : "0");
      record << row;
    }
  }
}

struct Case {
  std::string name;
  std::vector<std::string> argv;
  long long piped;
  bool floor;
};

// The floors, then for each size: the export of the long line, its preparation with the format
// told, and as many bytes of 'x' piped into the preparation.
std::vector<Case> cases_of(const std::string& exporter, const std::string& preparer, const long long (&sizes)[3],
                           const char* const (&size_names)[3]) {
  std::vector<Case> cases = {
      {"raingen-export, one good day (floor)", {exporter, "--format", "csv", "day.out", "out.csv"}, 0, true},
      {"raingen-prepare, thirty good days (floor)", {preparer, "--id", "T", "--format", "csv", "days.csv"}, 0, true},
  };
  for (int s = 0; s < 3; ++s) {
    const std::string file = "line" + std::to_string(s);
    cases.push_back({std::string("raingen-export, a line of ") + size_names[s],
                     {exporter, "--format", "csv", file, "out.csv"},
                     0,
                     false});
    cases.push_back({std::string("raingen-prepare, a line of ") + size_names[s] + ", format told",
                     {preparer, "--id", "T", file},
                     0,
                     false});
    cases.push_back({std::string("raingen-prepare, ") + size_names[s] + " of 'x' through a pipe",
                     {preparer, "--id", "T", "-"},
                     sizes[s] + (s == 0 ? 1 : 0),
                     false});
  }

  return cases;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 5;
  char pattern[] = "/tmp/raingen-long-line-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  const std::string exporter = RAINGEN_EXPORT_PROGRAM, preparer = RAINGEN_PREPARE_PROGRAM;
  write_floors(dir);
  const long long sizes[] = {1LL << 20, 100LL << 20, 1LL << 30};
  const char* size_names[] = {"1 MiB + 1", "100 MiB", "1 GiB"};
  for (int s = 0; s < 3; ++s) sparse_file(dir / ("line" + std::to_string(s)), sizes[s] + (s == 0 ? 1 : 0));

  const std::vector<Case> cases = cases_of(exporter, preparer, sizes, size_names);
  std::printf("| run | median time of %d | median peak memory | status | standard error |\n|---|---|---|---|---|\n",
              repetitions);
  double floors[2] = {0, 0};
  double worst_over_floor = 0;
  for (const Case& c : cases) {
    std::vector<double> seconds, peaks;
    int status = -1;
    for (int r = 0; r < repetitions; ++r) {
      const ChildRun result = run(c.argv, dir, c.piped);
      seconds.push_back(result.seconds);
      peaks.push_back(result.peak_mib);
      status = result.status;
    }
    std::string err = read_file(dir / "stderr");
    if (!err.empty() && err.back() == '\n') err.pop_back();
    if (err.size() > 70) err = err.substr(0, 70) + "...";
    const double peak = median(peaks);
    const bool is_export = c.argv[0] == exporter;
    if (c.floor && status != 0) {
      std::fprintf(stderr, "long_line_bench: the floor '%s' failed: %s\n", c.name.c_str(), err.c_str());
      return 1;
    }
    if (c.floor)
      floors[is_export ? 0 : 1] = peak;
    else
      worst_over_floor = std::max(worst_over_floor, peak - floors[is_export ? 0 : 1]);
    std::printf("| %s | %.3f s | %.1f MiB | %d | %s |\n", c.name.c_str(), median(seconds), peak, status,
                err.empty() ? "(none)" : err.c_str());
  }
  std::printf("\nlargest peak above its tool's floor: %.1f MiB\n", worst_over_floor);
  fs::remove_all(dir);
  return 0;
}
