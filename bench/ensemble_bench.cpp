// Speed and memory of raingen-ensemble on the bundled example (the three pau01 records prepared by
// raingen-prepare, 2000 days at a site 1 km from each), in one run:
//   - the floor: K plain runs of the program one after another, each `RAINGEN_SEED=k raingen` in
//     the run directory, started and waited for by this program (each run truncates and rewrites
//     the results file and SOURCE.OUT of the run before it);
//   - the same K runs each in a fresh directory of links to the inputs, removed after the run, as
//     the ensemble runs them (new files that are deleted before they reach the disk);
//   - the same K plain runs two at a time, each in its own copy of the run directory: what two
//     runs side by side can gain on this machine (two cores that share caches and memory, and
//     other work, rarely give twice one);
//   - raingen-ensemble --realizations K with --jobs 1 and with --jobs 2;
//   - peak memory of raingen-ensemble (its own, or its largest run's) for several K.
//
//   build/bench/ensemble_bench [K [REPETITIONS]]
// (K 1000 and 1 repetition by default; with more, medians are reported.) Times are wall-clock,
// from the start of the first process to the end of the last. Targets: --jobs 2 at least 1.7
// times as fast as --jobs 1, and --jobs 1 within 1.2 times the floor; the machine's load average
// is shown before and after, since other work on the same cores moves every figure.
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

struct ChildRun {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system time of the process and the children it waited for
  double peak_mib = 0;
};

double seconds_of(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs a command in dir (standard output and error dropped), with RAINGEN_SEED set when seed > 0.
ChildRun run(const std::vector<std::string>& command, const fs::path& dir, long seed = 0) {
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0 || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(125);
    if (seed > 0) setenv("RAINGEN_SEED", std::to_string(seed).c_str(), 1);
    std::vector<std::string> copies = command;
    std::vector<char*> argv;
    for (auto& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(126);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ChildRun result{std::chrono::duration<double>(Clock::now() - start).count(),
                  seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime), usage.ru_maxrss / 1024.0};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", command[0].c_str(), status);
    std::exit(1);
  }
  return result;
}

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The example's run directory, as the run_example target prepares it.
void prepare_example(const fs::path& run) {
  const std::string prepare = RAINGEN_PREPARE_PROGRAM;
  const std::string records = RAINGEN_EXAMPLE_RECORDS;
  for (const char* id : {"PD01", "PD02", "PD03"})
    ::run({prepare, "--dir", run.string(), "--id", id, records + id[3] + "_raw.csv"}, run);
  ::run({prepare, "--dir", run.string(), "--site", "PAU01", "--days", "2000", "--station", "PD01=1", "--station",
         "PD02=1", "--station", "PD03=1"},
        run);
}

// A run in a fresh directory of links to the run directory's inputs, removed afterwards.
double fresh_run(const fs::path& run_dir, const fs::path& scratch, long seed) {
  fs::create_directory(scratch);
  for (const auto& entry : fs::directory_iterator(run_dir))
    if (entry.path().extension() == ".TXT" && entry.path().filename() != "RESULTS.TXT")
      fs::create_symlink(entry.path(), scratch / entry.path().filename());
  const double cpu = run({RAINGEN_PROGRAM}, scratch, seed).cpu_seconds;
  fs::remove_all(scratch);
  return cpu;
}

// Runs seeds 1..k of the program two at a time, each slot in its own copy of the run directory,
// a new run started as soon as one ends. Returns the wall-clock seconds.
double plain_runs_side_by_side(const fs::path& run_dir, const fs::path& scratch, long k) {
  const fs::path slots[2] = {scratch / "a", scratch / "b"};
  for (const fs::path& slot : slots) fs::create_directories(slot), fs::copy(run_dir, slot);
  const auto start = Clock::now();
  pid_t running[2] = {0, 0};
  long next_seed = 1;
  for (long ended = 0; ended < k;) {
    for (int s = 0; s < 2; ++s) {
      if (running[s] != 0 || next_seed > k) continue;
      std::fflush(stdout);
      const long seed = next_seed++;
      running[s] = fork();
      if (running[s] == 0) {
        if (chdir(slots[s].c_str()) != 0 || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
          _exit(125);
        setenv("RAINGEN_SEED", std::to_string(seed).c_str(), 1);
        execl(RAINGEN_PROGRAM, RAINGEN_PROGRAM, static_cast<char*>(nullptr));
        _exit(126);
      }
    }
    int status = 0;
    const pid_t pid = wait(&status);
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "a plain run side by side ended with status %d\n", status);
      std::exit(1);
    }
    for (pid_t& slot : running)
      if (slot == pid) slot = 0;
    ++ended;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  fs::remove_all(scratch);
  return seconds;
}

std::vector<std::string> ensemble(long k, int jobs, const fs::path& output) {
  return {RAINGEN_ENSEMBLE_PROGRAM, "--realizations", std::to_string(k), "--jobs",
          std::to_string(jobs),     "--output",       output.string()};
}

// The ensemble's peak memory at several K, and its file's size.
void print_memory(const fs::path& dir, const fs::path& run_dir, long k) {
  std::printf("peak memory (the ensemble or its largest run), --jobs 2:\n");
  for (long count : {10L, 100L, std::max(k, 300L)})
    std::printf("  K = %4ld: %.1f MiB\n", count, run(ensemble(count, 2, dir / "memory.nc"), run_dir).peak_mib);
  std::printf("file size for K = %ld: %.1f MiB\n", k, fs::file_size(dir / "two.nc") / 1048576.0);
}

}  // namespace

int main(int argc, char** argv) {
  const long k = argc > 1 ? std::atol(argv[1]) : 1000;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 1;
  if (k < 1 || repetitions < 1) {
    std::fprintf(stderr, "usage: ensemble_bench [K [REPETITIONS]]\n");
    return 2;
  }
  char pattern[] = "/tmp/ensemble-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  const fs::path run_dir = dir / "run";
  fs::create_directory(run_dir);
  prepare_example(run_dir);
  std::printf("load average before: %s\n", load_average().c_str());
  std::printf("%ld realizations of 2000 days on the example, %d repetition(s)\n", k, repetitions);

  std::vector<double> floor, fresh, pairs, one, two, floor_cpu, one_cpu, two_cpu;
  for (int r = 0; r < repetitions; ++r) {
    auto start = Clock::now();
    double cpu = 0;
    for (long seed = 1; seed <= k; ++seed) cpu += run({RAINGEN_PROGRAM}, run_dir, seed).cpu_seconds;
    floor.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    floor_cpu.push_back(cpu);
    start = Clock::now();
    for (long seed = 1; seed <= k; ++seed) fresh_run(run_dir, dir / "fresh", seed);
    fresh.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    pairs.push_back(plain_runs_side_by_side(run_dir, dir / "pairs", k));
    const ChildRun a = run(ensemble(k, 1, dir / "one.nc"), run_dir);
    const ChildRun b = run(ensemble(k, 2, dir / "two.nc"), run_dir);
    one.push_back(a.seconds);
    one_cpu.push_back(a.cpu_seconds);
    two.push_back(b.seconds);
    two_cpu.push_back(b.cpu_seconds);
    std::printf(
        "  repetition %d: floor %.2f s, fresh directories %.2f s, two side by side %.2f s, --jobs 1 %.2f s, "
        "--jobs 2 %.2f s (load %s)\n",
        r + 1, floor.back(), fresh.back(), pairs.back(), one.back(), two.back(), load_average().c_str());
  }
  const double f = median(floor), d = median(fresh), p = median(pairs), j1 = median(one), j2 = median(two);
  std::printf("| work | median | |\n|---|---|---|\n");
  std::printf("| %ld plain runs one after another (the floor) | %.2f s | %.1f ms per run, CPU %.1f ms |\n", k, f,
              1000 * f / k, 1000 * median(floor_cpu) / k);
  std::printf("| the same, each in a fresh directory of links | %.2f s | %.1f ms per run |\n", d, 1000 * d / k);
  std::printf("| the same, two at a time side by side | %.2f s | %.2f times as fast as one after another |\n", p,
              f / p);
  std::printf(
      "| raingen-ensemble --jobs 1 | %.2f s | %.2f times the floor (target at most 1.2), %.2f times the fresh "
      "directories; CPU %.1f ms per realization |\n",
      j1, j1 / f, j1 / d, 1000 * median(one_cpu) / k);
  std::printf(
      "| raingen-ensemble --jobs 2 | %.2f s | %.2f times as fast as --jobs 1 (target at least 1.7), %.2f times "
      "the plain runs side by side; CPU %.1f ms per realization |\n",
      j2, j1 / j2, j2 / p, 1000 * median(two_cpu) / k);

  print_memory(dir, run_dir, k);
  std::printf("load average after: %s\n", load_average().c_str());
  fs::remove_all(dir);
  return 0;
}
