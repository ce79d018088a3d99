// Speed and memory of series laid out along the calendar: raingen-ensemble on the pau01 gauges
// prepared with --seasons quarters (or months), R realizations of Y years at --jobs 2 (four blocks
// a year, or twelve, each a run of the program), against the floor of the same run: 18 R plain runs of 2000 days on the
// same gauges prepared without seasons, two at a time side by side (about as many simulated days).
// Also, for comparison, raingen-ensemble --realizations 18R --jobs 2 on the plain run directory,
// as many plain runs of a season's length (91 or 30 days) two side by side as the seasonal ensemble
// makes blocks (what the program itself costs to start and run a block, whatever the tool does),
// and the peak memory of the seasonal ensemble (the ensemble or its largest run) for several R
// and several lengths.
//
//   build/bench/seasons_bench [R [YEARS [REPETITIONS [quarters|months]]]]
// (R 100, YEARS 100 and 1 repetition by default; with more, medians are reported.) The figure is
// the time per simulated day; target: the seasonal ensemble within 1.3 times the plain runs'.
// Times are wall-clock; the machine's load average is shown before and after each repetition.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/child_run.h"
#include "bench/median.h"

namespace {

using raingen::bench::median;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using raingen::bench::ChildRun;

// Runs a command in dir, standard output and error dropped; a failure ends the benchmark.
ChildRun run(const std::vector<std::string>& command, const fs::path& dir) {
  return raingen::bench::run_child(command, dir);
}

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The pau01 gauges prepared into run, with --seasons when seasons is not empty, and INPUT.TXT.
void prepare(const fs::path& run, const std::string& seasons) {
  fs::create_directory(run);
  const std::string prepare = RAINGEN_PREPARE_PROGRAM;
  const std::string records = RAINGEN_EXAMPLE_RECORDS;
  for (const char* id : {"PD01", "PD02", "PD03"}) {
    std::vector<std::string> command{prepare, "--dir", run.string(), "--id", id, records + id[3] + "_raw.csv"};
    if (!seasons.empty()) command.insert(command.end(), {"--seasons", seasons});
    ::run(command, run);
  }
  ::run({prepare, "--dir", run.string(), "--site", "PAU01", "--days", "2000", "--station", "PD01=1", "--station",
         "PD02=1", "--station", "PD03=1"},
        run);
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

// A copy of a season's folder of the seasonal run directory in to, INPUT.TXT's day count set to days.
void block_run_directory(const fs::path& seasonal, const fs::path& to, long days) {
  fs::create_directory(to);
  fs::path season;
  for (const fs::directory_entry& entry : fs::directory_iterator(seasonal))
    if (entry.is_directory() && fs::exists(entry.path() / "INPUT.TXT")) season = entry.path();
  fs::copy(season, to);
  std::ifstream in(to / "INPUT.TXT");
  std::string text, line;
  while (std::getline(in, line)) {
    if (line.rfind("NUMBER DAYS:", 0) == 0) {
      char set[32];
      std::snprintf(set, sizeof set, "NUMBER DAYS:  %4ld", days);
      line = set;
    }
    text += line + "\n";
  }
  in.close();
  std::ofstream(to / "INPUT.TXT", std::ios::trunc) << text;
}

std::vector<std::string> ensemble(long k, long days, const fs::path& output) {
  return {RAINGEN_ENSEMBLE_PROGRAM,
          "--realizations",
          std::to_string(k),
          "--days",
          std::to_string(days),
          "--jobs",
          "2",
          "--output",
          output.string()};
}

double microseconds_per_day(double seconds, double days) { return 1e6 * seconds / days; }

// The seasonal ensemble's peak memory at R x days (measured above), and at other sizes.
void print_memory(const fs::path& dir, long r, long days, double measured_mib) {
  std::printf("peak memory of the seasonal ensemble (the ensemble or its largest run), --jobs 2:\n");
  std::printf("  R = %3ld, %6ld days: %.1f MiB (the run above, median)\n", r, days, measured_mib);
  for (const auto& [count, length] :
       {std::pair{2L, days}, std::pair{20L, days}, std::pair{2L, days / 10}, std::pair{2L, 5 * days}})
    std::printf("  R = %3ld, %6ld days: %.1f MiB\n", count, length,
                run(ensemble(count, length, dir / "memory.nc"), dir / "seasonal").peak_mib);
}

// The sizes the benchmark ran at.
struct Sizes {
  long r, days, plain_runs, block_runs, block_days;
  const char* seasons;
};

// The medians as a table, per simulated day and against the floor.
void print_table(const Sizes& z, double f, double s, double p, double b, double seasonal_cpu, double plain_cpu) {
  const long r = z.r, days = z.days, plain_runs = z.plain_runs, block_runs = z.block_runs, block_days = z.block_days;
  const double seasonal_days = static_cast<double>(r * days), plain_days = 2000.0 * static_cast<double>(plain_runs);
  const double block_run_days = static_cast<double>(block_days * block_runs);
  const double floor_per_day = microseconds_per_day(f, plain_days);
  std::printf("| work | median | per simulated day |\n|---|---|---|\n");
  std::printf("| %ld plain runs of 2000 days, two side by side (the floor) | %.1f s | %.2f us |\n", plain_runs, f,
              floor_per_day);
  std::printf(
      "| raingen-ensemble, %ld x %ld days with %s, --jobs 2 | %.1f s | %.2f us: %.2f times the floor "
      "(target at most 1.3); CPU %.2f us a day |\n",
      r, days, z.seasons, s, microseconds_per_day(s, seasonal_days),
      microseconds_per_day(s, seasonal_days) / floor_per_day, microseconds_per_day(seasonal_cpu, seasonal_days));
  std::printf(
      "| raingen-ensemble, %ld x 2000 days without seasons, --jobs 2 | %.1f s | %.2f us: %.2f times the floor; "
      "CPU %.2f us a day |\n",
      plain_runs, p, microseconds_per_day(p, plain_days), microseconds_per_day(p, plain_days) / floor_per_day,
      microseconds_per_day(plain_cpu, plain_days));

  std::printf("| %ld plain runs of %ld days, two side by side | %.1f s | %.2f us: %.2f times the floor |\n", block_runs,
              block_days, b, microseconds_per_day(b, block_run_days),
              microseconds_per_day(b, block_run_days) / floor_per_day);
}

}  // namespace

int main(int argc, char** argv) {
  const long r = argc > 1 ? std::atol(argv[1]) : 100;
  const long years = argc > 2 ? std::atol(argv[2]) : 100;
  const int repetitions = argc > 3 ? std::atoi(argv[3]) : 1;
  const std::string seasons = argc > 4 ? argv[4] : "quarters";
  if (r < 1 || years < 1 || repetitions < 1 || (seasons != "quarters" && seasons != "months")) {
    std::fprintf(stderr, "usage: seasons_bench [R [YEARS [REPETITIONS [quarters|months]]]]\n");
    return 2;
  }
  char pattern[] = "/tmp/seasons-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  prepare(dir / "plain", "");
  prepare(dir / "seasonal", seasons);
  const long seasons_a_year = seasons == "months" ? 12 : 4, block_days = seasons == "months" ? 30 : 91;
  block_run_directory(dir / "seasonal", dir / "blocks", block_days);
  const long days = std::lround(365.25 * static_cast<double>(years));
  const long plain_runs = 18 * r;
  const long block_runs = seasons_a_year * years * r;
  std::printf("load average before: %s\n", load_average().c_str());
  std::printf("%ld realizations of %ld days with %s against %ld plain runs of 2000 days, %d repetition(s)\n", r, days,
              seasons.c_str(), plain_runs, repetitions);

  std::vector<double> floor, seasonal, plain_ensemble, blocks, seasonal_cpu, plain_cpu, seasonal_mib;
  for (int k = 0; k < repetitions; ++k) {
    floor.push_back(plain_runs_side_by_side(dir / "plain", dir / "pairs", plain_runs));
    const ChildRun s = run(ensemble(r, days, dir / "seasonal.nc"), dir / "seasonal");
    seasonal.push_back(s.seconds);
    seasonal_cpu.push_back(s.cpu_seconds);
    seasonal_mib.push_back(s.peak_mib);
    const ChildRun p = run(ensemble(plain_runs, 2000, dir / "plain.nc"), dir / "plain");
    plain_ensemble.push_back(p.seconds);
    plain_cpu.push_back(p.cpu_seconds);
    blocks.push_back(plain_runs_side_by_side(dir / "blocks", dir / "pairs", block_runs));
    std::printf(
        "  repetition %d: plain runs side by side %.1f s, seasonal ensemble %.1f s, plain ensemble %.1f s, "
        "block-long runs side by side %.1f s (load %s)\n",
        k + 1, floor.back(), seasonal.back(), plain_ensemble.back(), blocks.back(), load_average().c_str());
  }
  print_table({r, days, plain_runs, block_runs, block_days, seasons.c_str()}, median(floor), median(seasonal),
              median(plain_ensemble), median(blocks), median(seasonal_cpu), median(plain_cpu));
  print_memory(dir, r, days, median(seasonal_mib));
  std::printf("load average after: %s\n", load_average().c_str());
  fs::remove_all(dir);
  return 0;
}
