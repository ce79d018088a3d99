// Speed of raingen-report --ensemble on 1000 realizations of 2000 days against the time to read
// the ensemble file alone, in the same run: the report must stay within 3 times that floor.
//
//   build/bench/report_ensemble_bench [REPETITIONS [K [DIRECTORY]]]
// (5 repetitions and K = 1000 by default; medians are reported. With a directory the data set is
// made and kept there, or used as it is when it is there.) The data set is the bundled
// example (the three pau01 records prepared by raingen-prepare, 2000 days at a site 1 km from
// each, the program run once), and an ensemble of K realizations made in a temporary directory:
// raingen-ensemble makes 20 real ones, and realization k of the file is real one k mod 20 with
// its days in an order drawn from seed k (mt19937_64), so that its depths, wet days and
// compression are those of the program's output while the file takes seconds to make instead of
// minutes. The floor: EnsembleReader opens the file and reads every realization's depths (and
// sums them, so that nothing is skipped). The report: make_report as raingen-report runs it,
// reading the run, the three gauge records and every realization, the statistics of each series
// and realization, the annual maxima by sliding window, the design rainfall with its bootstrap,
// and writing both files, once with --jobs 1 (everything on one core) and once with the default
// --jobs (the cores this process may use: realizations' statistics computed while the file is
// read). Each is timed in a child process of its own (forked, so that no run inherits another's
// heap), from the fork to the child's end; floor and reports alternate, so that all see the same
// machine.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/median.h"
#include "common/cores.h"
#include "ensemble_file/ensemble_file.h"
#include "report/make_report.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using raingen::bench::median;

constexpr long real_realizations = 20;

void run(const std::vector<std::string>& command, const fs::path& dir) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0 || !freopen("/dev/null", "w", stdout)) _exit(125);
    setenv("RAINGEN_SEED", "1", 1);
    std::vector<std::string> copies = command;
    std::vector<char*> argv;
    for (auto& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(126);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", command[0].c_str(), status);
    std::exit(1);
  }
}

std::string record(int station) { return std::string(RAINGEN_EXAMPLE_RECORDS) + std::to_string(station) + "_raw.csv"; }

void prepare_example(const fs::path& dir) {
  for (int s = 1; s <= 3; ++s)
    run({RAINGEN_PREPARE_PROGRAM, "--dir", dir.string(), "--id", "PD0" + std::to_string(s), record(s)}, dir);
  run({RAINGEN_PREPARE_PROGRAM, "--dir", dir.string(), "--site", "PAU01", "--days", "2000", "--station", "PD01=1",
       "--station", "PD02=1", "--station", "PD03=1"},
      dir);
  run({RAINGEN_PROGRAM}, dir);
  run({RAINGEN_ENSEMBLE_PROGRAM, "--realizations", std::to_string(real_realizations), "--output", "real.nc"}, dir);
}

// K realizations from the real ones, each with its days reordered.
void make_ensemble(const fs::path& real, const fs::path& out, long k) {
  using namespace raingen::ensemble_file;
  const EnsembleReader reader(real);
  EnsembleLayout layout = reader.layout();
  layout.realizations = k;
  const std::size_t days = layout.intervals / 96;
  std::vector<std::vector<float>> base(real_realizations, std::vector<float>(layout.intervals));
  for (long r = 0; r < real_realizations; ++r) reader.read(r, base[static_cast<std::size_t>(r)]);
  EnsembleWriter writer(out, out.string(), layout);
  std::vector<std::size_t> order(days);
  std::vector<float> depths(layout.intervals);
  for (long r = 0; r < k; ++r) {
    for (std::size_t d = 0; d < days; ++d) order[d] = d;
    std::mt19937_64 engine(static_cast<std::uint64_t>(r));
    for (std::size_t d = days - 1; d > 0; --d) std::swap(order[d], order[engine() % (d + 1)]);
    const std::vector<float>& from = base[static_cast<std::size_t>(r % real_realizations)];
    for (std::size_t d = 0; d < days; ++d)
      std::copy_n(from.begin() + static_cast<long>(order[d] * 96), 96, depths.begin() + static_cast<long>(d * 96));
    writer.put_complete(r, static_cast<int>(r + 1), depths);
  }
  writer.close();
}

// The wall time of work done in a forked child.
template <class F>
double seconds_in_child(F&& work) {
  std::fflush(stdout);
  const auto t0 = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "a timed child ended with status %d\n", status);
    std::exit(1);
  }
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 5;
  const long k = argc > 2 ? std::atol(argv[2]) : 1000;
  const bool keep = argc > 3;
  const fs::path dir =
      keep ? fs::path(argv[3]) : fs::temp_directory_path() / ("report_ensemble_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  if (!fs::exists(dir / "ensemble.nc")) {
    std::printf("making the example run and %ld realizations in %s\n", k, dir.c_str());
    prepare_example(dir);
    make_ensemble(dir / "real.nc", dir / "ensemble.nc", k);
  }
  std::printf("ensemble.nc: %.1f MB\n", static_cast<double>(fs::file_size(dir / "ensemble.nc")) / 1e6);

  raingen::report::ReportRequest request;
  request.dir = dir;
  for (int s = 1; s <= 3; ++s) request.gauges.push_back({"PD0" + std::to_string(s), record(s), {}});
  request.ensemble = dir / "ensemble.nc";
  request.output = dir / "report";
  const int cores = raingen::common::available_cores();
  std::vector<double> floors, reports, single;
  for (int r = 0; r < repetitions; ++r) {
    floors.push_back(seconds_in_child([&] {
      const raingen::ensemble_file::EnsembleReader reader(request.ensemble);
      std::vector<float> depths(reader.layout().intervals);
      double total = 0;
      for (long i = 0; i < reader.layout().realizations; ++i) {
        if (!reader.complete(i)) continue;
        reader.read(i, depths);
        for (float v : depths) total += v;
      }
      if (!(total > 0)) std::abort();  // what was read is used
    }));
    request.jobs = 1;
    single.push_back(seconds_in_child([&] { raingen::report::make_report(request); }));
    request.jobs = cores;
    reports.push_back(seconds_in_child([&] { raingen::report::make_report(request); }));
  }
  if (repetitions <= 0) return 0;
  const double floor = median(floors), report = median(reports), one = median(single);
  std::printf("| work (%ld realizations of 2000 days) | median of %d |\n|---|---|\n", k, repetitions);
  std::printf("| reading the ensemble file alone (the floor) | %.3f s |\n", floor);
  std::printf("| raingen-report --ensemble --jobs 1 | %.3f s (%.2f times the floor) |\n", one, one / floor);
  std::printf("| raingen-report --ensemble (--jobs %d, the default) | %.3f s (%.2f times the floor; target 3) |\n",
              cores, report, report / floor);
  if (!keep) fs::remove_all(dir);
  return 0;
}
