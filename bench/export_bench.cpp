// Speed and memory of raingen-export: a 2000-day table (192,000 rows, the longest the program
// writes) exported to each format, against `cp` of the same file as the floor, in one run.
//
//   build/bench/export_bench [REPETITIONS]
// (5 by default; medians are reported.) Every command runs as a child process writing a file in
// a temporary directory; its time is wall-clock time from fork to exit. Peak memory is the
// child's maximum resident set size, also for tables of 200 and 20,000 days: an export streams
// its rows, so it should not grow with the table. `raingen-export --version` shows what starting
// the process alone costs (loading the netCDF library and its dependencies).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/median.h"

namespace {

using raingen::bench::median;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A table as SOURCE.OUT holds it: about one interval in eight wet, depths up to 9.999 mm.
void write_table(const fs::path& path, int days) {
  std::ofstream out(path, std::ios::binary);
  unsigned state = 12345;
  char row[64];
  for (long t = 15; t <= days * 1440L; t += 15) {
    state = state * 1103515245u + 12345u;
    const unsigned draw = state >> 8;
    const double depth = draw % 8 == 0 ? (draw / 8 % 10000) / 1000.0 : 0.0;
    std::snprintf(row, sizeof row, "%12ld%9.3f\r\n", t, depth);
    std::string text = row;
    if (depth < 1.0) text.replace(text.find("0."), 2, " .");  // the program writes no 0 before the point
    out << text;
  }
}

struct ChildRun {
  double seconds = 0;
  double peak_mib = 0;
};

ChildRun run(const std::vector<std::string>& command, const fs::path& dir) {
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    // Standard output and error (the gage lines) are not part of the comparison.
    if (chdir(dir.c_str()) != 0 || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(125);
    std::vector<std::string> copies = command;
    std::vector<char*> argv;
    for (auto& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(126);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ChildRun result{std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss / 1024.0};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", command[0].c_str(), status);
    std::exit(1);
  }
  return result;
}

std::string table_name(int days) {
  char name[32];
  std::snprintf(name, sizeof name, "T%d.OUT", days);
  return name;
}

std::vector<std::string> export_command(const char* format, const std::string& table, const std::string& output) {
  return {RAINGEN_EXPORT_PROGRAM, "--format", format, table, output};
}

const char* const formats[] = {"csv", "swmm-timeseries", "swmm-rain", "netcdf"};

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  char pattern[] = "/tmp/raingen-export-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  for (int days : {200, 2000, 20000}) write_table(dir / table_name(days), days);
  std::printf("2000-day table: %ju bytes\n", static_cast<std::uintmax_t>(fs::file_size(dir / "T2000.OUT")));

  std::vector<double> copy, start_only;
  std::vector<std::vector<double>> exports(std::size(formats));
  std::vector<double> peak(std::size(formats));
  for (int rep = 0; rep < repetitions; ++rep) {
    copy.push_back(run({"cp", "T2000.OUT", "copy.out"}, dir).seconds);
    start_only.push_back(run({RAINGEN_EXPORT_PROGRAM, "--version"}, dir).seconds);
    for (std::size_t f = 0; f < std::size(formats); ++f) {
      const ChildRun r = run(export_command(formats[f], "T2000.OUT", "out"), dir);
      exports[f].push_back(r.seconds);
      peak[f] = std::max(peak[f], r.peak_mib);
    }
  }
  const double floor = median(copy);
  std::printf("| command | median of %d | times cp | peak memory |\n|---|---|---|---|\n", repetitions);
  std::printf("| cp (the floor) | %.4f s | 1.0 | |\n", floor);
  std::printf("| raingen-export --version (starting the process) | %.4f s | %.1f | |\n", median(start_only),
              median(start_only) / floor);
  for (std::size_t f = 0; f < std::size(formats); ++f) {
    const double m = median(exports[f]);
    std::printf("| --format %s | %.4f s | %.1f | %.1f MiB |\n", formats[f], m, m / floor, peak[f]);
  }

  std::printf(
      "\npeak memory by table length (one run each):\n| format | 200 days | 2000 days | 20000 days "
      "|\n|---|---|---|---|\n");
  for (const char* format : formats) {
    std::printf("| %s |", format);
    for (int days : {200, 2000, 20000})
      std::printf(" %.1f MiB |", run(export_command(format, table_name(days), "out"), dir).peak_mib);
    std::printf("\n");
  }
  fs::remove_all(dir);
  return 0;
}
