// A tool run as a benchmark runs it: a child process in a folder, its output dropped, its wall time,
// CPU time and peak memory as wait4 reports them; a failure ends the benchmark.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace raingen::bench {

struct ChildRun {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system
  double peak_mib = 0;
};

inline double seconds_of(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

inline ChildRun run_child(const std::vector<std::string>& command, const std::filesystem::path& dir) {
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr))
      _exit(125);
    std::vector<std::string> copies = command;
    std::vector<char*> argv;
    for (std::string& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(126);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", command.front().c_str(), status);
    std::exit(1);
  }
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime), usage.ru_maxrss / 1024.0};
}

// The example's run directory in dir: the pau01 gauges prepared by the prepare program (its path)
// from the records (their path up to the gauge's digit), at a site 1 km from each, for `days`.
inline void prepare_example_run(const std::string& prepare, const std::string& records,
                                const std::filesystem::path& dir, long days) {
  std::filesystem::create_directories(dir);
  for (const char* id : {"PD01", "PD02", "PD03"})
    run_child({prepare, "--dir", dir.string(), "--id", id, records + id[3] + "_raw.csv"}, dir);
  run_child({prepare, "--dir", dir.string(), "--site", "PAU01", "--days", std::to_string(days), "--station", "PD01=1",
             "--station", "PD02=1", "--station", "PD03=1"},
            dir);
}

}  // namespace raingen::bench
