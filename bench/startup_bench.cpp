// A run's fixed cost: the program on the pau01 gauges for 1, 90 and 2000 days, each started as the
// ensemble starts it (a child in its run directory, standard input empty, its output dropped),
// against a trivial program linked and started the same way (the floor: starting any process).
//
//   build/bench/startup_bench [RUNS]
// (200 runs of each by default, taken in turn; medians of the CPU time, user and system, that
// wait4 reports for each.) Printed: each median, the program's cost beyond the floor, and that
// cost against the floor; and the cost of a simulated day from the 90- and 2000-day runs.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/child_run.h"
#include "bench/median.h"

namespace {

namespace fs = std::filesystem;
using raingen::bench::median;
using raingen::bench::run_child;

// The pau01 gauges prepared into dir for a series of `days`.
void prepare(const fs::path& dir, long days) {
  raingen::bench::prepare_example_run(RAINGEN_PREPARE_PROGRAM, RAINGEN_EXAMPLE_RECORDS, dir, days);
}

}  // namespace

int main(int argc, char** argv) {
  const long runs = argc > 1 ? std::atol(argv[1]) : 200;
  if (runs < 1) {
    std::fprintf(stderr, "usage: startup_bench [RUNS]\n");
    return 2;
  }
  char pattern[] = "/tmp/startup-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  const std::vector<long> lengths{1, 90, 2000};
  for (long days : lengths) prepare(dir / std::to_string(days), days);
  setenv("RAINGEN_SEED", "1", 1);
  std::vector<std::vector<double>> cpu(lengths.size() + 1);
  for (long k = 0; k < runs; ++k) {
    cpu[0].push_back(run_child({RAINGEN_TRIVIAL_PROGRAM}, dir).cpu_seconds);
    for (std::size_t l = 0; l < lengths.size(); ++l)
      cpu[l + 1].push_back(run_child({RAINGEN_PROGRAM}, dir / std::to_string(lengths[l])).cpu_seconds);
  }
  const double floor = median(cpu[0]);
  std::printf("%ld runs each, CPU time (user and system) medians\n", runs);
  std::printf("| run | median | beyond the floor | against the floor |\n|---|---|---|---|\n");
  std::printf("| trivial program (the floor) | %.3f ms | | 1.00 |\n", 1e3 * floor);
  std::vector<double> medians;
  for (std::size_t l = 0; l < lengths.size(); ++l) {
    medians.push_back(median(cpu[l + 1]));
    std::printf("| raingen, %ld day%s | %.3f ms | %.3f ms | %.2f |\n", lengths[l], lengths[l] == 1 ? "" : "s",
                1e3 * medians.back(), 1e3 * (medians.back() - floor), medians.back() / floor);
  }
  std::printf("a simulated day: %.2f us (from the 90- and 2000-day runs)\n",
              1e6 * (medians[2] - medians[1]) / static_cast<double>(lengths[2] - lengths[1]));
  fs::remove_all(dir);
  return 0;
}
