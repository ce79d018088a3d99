// Peak memory of raingen-ensemble and of its --merge as the work grows: 64 and MOST realizations,
// 2,000 and MOST_DAYS days, on the example's run directory, --jobs 2. The floor is the smallest
// case (64 x 2,000), measured in the same run; each case's peak is given against it (target: within
// 1.10 of it). The ensemble's figure is its own peak or its largest run's, as wait4 reports it;
// the merge copies the ensemble's file into another. Times are given beside, against the same case.
//
//   build/bench/memory_bench [MOST [MOST_DAYS]]
// (1024 and 36525 by default: the largest case writes 1024 x 36,525 days, about 1.5 GB, and takes
// some minutes on two cores.)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/child_run.h"

namespace {

namespace fs = std::filesystem;
using raingen::bench::ChildRun;
using raingen::bench::run_child;

struct Case {
  long realizations = 0;
  long days = 0;
  ChildRun ensemble, merge;
};

Case measure(const fs::path& run_dir, const fs::path& dir, long realizations, long days) {
  const fs::path made = dir / "made.nc", merged = dir / "merged.nc";
  Case c{realizations, days, {}, {}};
  c.ensemble = run_child({RAINGEN_ENSEMBLE_PROGRAM, "--realizations", std::to_string(realizations), "--days",
                          std::to_string(days), "--jobs", "2", "--output", made.string()},
                         run_dir);
  c.merge = run_child({RAINGEN_ENSEMBLE_PROGRAM, "--merge", made.string(), "--output", merged.string()}, run_dir);
  fs::remove(made);
  fs::remove(merged);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const long most = argc > 1 ? std::atol(argv[1]) : 1024;
  const long most_days = argc > 2 ? std::atol(argv[2]) : 36525;
  if (most < 64 || most_days < 2000) {
    std::fprintf(stderr, "usage: memory_bench [MOST (64 or more) [MOST_DAYS (2000 or more)]]\n");
    return 2;
  }
  char pattern[] = "/tmp/memory-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern, run_dir = dir / "run";
  raingen::bench::prepare_example_run(RAINGEN_PREPARE_PROGRAM, RAINGEN_EXAMPLE_RECORDS, run_dir, 2000);

  std::vector<Case> cases;
  for (const long days : {2000L, most_days})
    for (const long realizations : {64L, most}) cases.push_back(measure(run_dir, dir, realizations, days));
  const Case& floor = cases.front();
  std::printf(
      "| realizations x days | ensemble peak | against the floor | time | merge peak | against the floor "
      "| time |\n|---|---|---|---|---|---|---|\n");
  for (const Case& c : cases)
    std::printf("| %ld x %ld | %.1f MiB | %.2f | %.1f s | %.1f MiB | %.2f | %.1f s |\n", c.realizations, c.days,
                c.ensemble.peak_mib, c.ensemble.peak_mib / floor.ensemble.peak_mib, c.ensemble.seconds,
                c.merge.peak_mib, c.merge.peak_mib / floor.merge.peak_mib, c.merge.seconds);
  fs::remove_all(dir);
  return 0;
}
