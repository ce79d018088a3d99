// Making a coarse record 15-minute: raingen-prepare --id on 30 years of hourly record with three
// fragment gauges of 3 years of 15-minute record (CSV, generated here in a temporary directory),
// against the floor measured in the same run: reading the four records once in this process, the
// least a preparation of them must do. The hourly record cannot be read without being made
// 15-minute, so the floor reads a record of its lines at a 15-minute step in its place (the same
// bytes to parse, the same rows).
//
//   build/bench/fragments_bench [YEARS [REPETITIONS]]
// (30 years and 5 repetitions by default; medians are reported.) Target: within 10 times the floor.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <date/date.h>
#include <fmt/format.h>

#include "bench/child_run.h"
#include "bench/median.h"
#include "common/output_file.h"
#include "gauge/read_gauge.h"

namespace {

using raingen::bench::median;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// YEARS of depths from 2000-01-01 at a step of step minutes, the row times stamped every
// stamp minutes (the floor's stand-in stamps hourly depths every 15 minutes): storms on a day in
// three, drawn from seed.
void write_record(const fs::path& path, int years, int step, int stamp, unsigned seed) {
  raingen::common::OutputFile out(path);
  out.write("time,mm\n");
  std::mt19937 draw(seed);
  const auto start = date::sys_days{date::year{2000} / 1 / 1};
  const long rows = static_cast<long>((date::sys_days{date::year{2000 + years} / 1 / 1} - start).count()) * 1440 / step;
  const int per_day = 1440 / step;
  std::string line;
  bool storm = false;
  for (long k = 1; k <= rows; ++k) {
    if (k % per_day == 1) storm = draw() % 3 == 0;
    const bool wet = storm && draw() % 4 == 0;
    line = date::format("%Y-%m-%d %H:%M,", start + std::chrono::minutes{stamp * k}) +
           (wet ? fmt::format("{}.{}", draw() % 4, draw() % 10) : std::string("0")) + "\n";
    out.write(line);
  }
  out.commit();
}

}  // namespace

int main(int argc, char** argv) {
  const int years = argc > 1 ? std::atoi(argv[1]) : 30;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
  if (years < 3 || repetitions < 1) {
    std::fprintf(stderr, "usage: fragments_bench [YEARS (3 or more) [REPETITIONS]]\n");
    return 2;
  }
  char pattern[] = "/tmp/raingen-fragments-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  write_record(dir / "hourly.csv", years, 60, 60, 1);
  write_record(dir / "floor.csv", years, 60, 15, 1);
  for (int g = 0; g < 3; ++g) write_record(dir / fmt::format("f{}.csv", g), 3, 15, 15, 10 + static_cast<unsigned>(g));
  std::printf("%d years of hourly record, 3 fragment gauges of 3 years at 15 minutes\n", years);

  const std::vector<std::string> command{RAINGEN_PREPARE_PROGRAM,
                                         "--id",
                                         "HOUR",
                                         "--fragments-from",
                                         "F0=f0.csv",
                                         "--fragments-from",
                                         "F1=f1.csv",
                                         "--fragments-from",
                                         "F2=f2.csv",
                                         "hourly.csv"};
  std::vector<double> floor, made, made_cpu, made_mib;
  for (int k = 0; k < repetitions; ++k) {
    const auto start = Clock::now();
    for (const char* name : {"floor.csv", "f0.csv", "f1.csv", "f2.csv"})
      if (raingen::gauge::read_gauge((dir / name).string(), {}).empty()) return 1;
    floor.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    const raingen::bench::ChildRun run = raingen::bench::run_child(command, dir);
    made.push_back(run.seconds), made_cpu.push_back(run.cpu_seconds), made_mib.push_back(run.peak_mib);
    std::printf("  repetition %d: reading the four records %.3f s, preparing %.3f s\n", k + 1, floor.back(),
                made.back());
  }
  const double f = median(floor), m = median(made);
  std::printf("| work | median | against the floor | CPU | peak memory |\n|---|---|---|---|---|\n");
  std::printf("| reading the four records once (the floor) | %.3f s | 1 | | |\n", f);
  std::printf(
      "| raingen-prepare --id with --fragments-from x3 | %.3f s | %.2f (target at most 10) | %.3f s | %.0f MiB |\n", m,
      m / f, median(made_cpu), median(made_mib));
  if (!std::getenv("RAINGEN_BENCH_KEEP"))
    fs::remove_all(dir);
  else
    std::printf("kept %s\n", dir.c_str());
  return m / f <= 10 ? 0 : 1;
}
