// Preparing a network: raingen-prepare --network on 100 sites from 8 gauges of 5-minute records
// (CSV, generated here in a temporary directory), against the floor measured in the same run:
// reading the 8 records once (gauge::read_gauge, in this process), the least any preparation of
// them must do. Also the preparation of 10 sites, and the peak memory of both, which shows what
// more sites cost (each site's weighted record is made, used and dropped in turn; the files of all
// sites are held until they are written together), and the 100 sites with --jobs 1 (one site at a
// time, no second thread: the CPU the work itself takes).
//
//   build/bench/network_prepare_bench [YEARS [REPETITIONS]]
// (10 years and 5 repetitions by default; medians are reported.) Target: the 100-site
// preparation within 10 times the floor.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
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

constexpr int gauge_count = 8;
constexpr double pi = 3.14159265358979323846;

// YEARS of 5-minute depths from 2000-01-01 00:05 for gauge g: rain on a day in three, shared by the
// gauges in part (a common seed per day), so that the sites' days are wet and dry together.
void write_record(const fs::path& path, int g, int years) {
  raingen::common::OutputFile out(path);
  out.write("time,mm\n");
  std::mt19937 own(static_cast<unsigned>(100 + g));
  const auto start = date::sys_days{date::year{2000} / 1 / 1};
  const auto end = date::sys_days{date::year{2000 + years} / 1 / 1};
  std::string line;
  for (auto day = start; day < end; day += date::days{1}) {
    std::mt19937 shared(static_cast<unsigned>((day - start).count()));
    const bool storm = shared() % 3 == 0;
    const unsigned from = shared() % 200;
    for (int k = 1; k <= 288; ++k) {
      const bool wet = (storm && k > static_cast<int>(from) && k < static_cast<int>(from) + 40 && own() % 2 == 0) ||
                       own() % 500 == 0;
      line = date::format("%Y-%m-%d %H:%M,", day + std::chrono::minutes{5 * k}) +
             (wet ? fmt::format("{}.{}", own() % 2, own() % 10) : std::string("0")) + "\n";
      out.write(line);
    }
  }
  out.commit();
}

using raingen::bench::ChildRun;

// Runs raingen-prepare with these arguments in dir, its output dropped; a failure ends the run.
ChildRun prepare(const std::vector<std::string>& arguments, const fs::path& dir) {
  std::vector<std::string> command{RAINGEN_PREPARE_PROGRAM};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return raingen::bench::run_child(command, dir);
}

// n sites on a grid inside the ring of gauges (radius 10000 m), as a CSV name,x,y.
void write_sites(const fs::path& path, int n) {
  const int side = static_cast<int>(std::ceil(std::sqrt(n)));
  std::string text = "name,x,y\n";
  for (int i = 0; i < n; ++i)
    text += fmt::format("P{:03},{:.1f},{:.1f}\n", i, -6000 + 12000.0 * (i % side) / (side - 1),
                        -6000 + 12000.0 * (i / side) / (side - 1));
  raingen::common::OutputFile out(path);
  out.write(text);
  out.commit();
}

std::vector<std::string> network_command(const std::string& network, const std::string& sites) {
  std::vector<std::string> command{"--network", network, "--sites", sites, "--days", "2000"};
  for (int g = 0; g < gauge_count; ++g) {
    const double angle = 2 * pi * g / gauge_count;
    command.insert(command.end(),
                   {"--gauge", fmt::format("G{}=g{}.csv", g, g), "--station",
                    fmt::format("G{}@{:.1f},{:.1f}", g, 10000 * std::cos(angle), 10000 * std::sin(angle))});
  }
  return command;
}

std::string load_average() {
  std::FILE* file = std::fopen("/proc/loadavg", "r");
  char text[64] = "";
  if (file) {
    if (!std::fgets(text, sizeof text, file)) text[0] = 0;
    std::fclose(file);
  }
  std::string load(text);
  return load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

}  // namespace

int main(int argc, char** argv) {
  const int years = argc > 1 ? std::atoi(argv[1]) : 10;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
  if (years < 1 || repetitions < 1) {
    std::fprintf(stderr, "usage: network_prepare_bench [YEARS [REPETITIONS]]\n");
    return 2;
  }
  char pattern[] = "/tmp/raingen-network-prepare-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  for (int g = 0; g < gauge_count; ++g) write_record(dir / fmt::format("g{}.csv", g), g, years);
  write_sites(dir / "sites100.csv", 100);
  write_sites(dir / "sites10.csv", 10);
  std::printf("%d gauges of %d years of 5-minute readings (%ld lines each), 100 and 10 sites\n", gauge_count, years,
              static_cast<long>(years * 365.25 * 288));

  std::printf("load average before: %s\n", load_average().c_str());
  std::vector<double> floor, hundred, ten, hundred_mib, ten_mib, hundred_cpu, ten_cpu, one, one_mib, one_cpu;
  for (int k = 0; k < repetitions; ++k) {
    const auto start = Clock::now();
    for (int g = 0; g < gauge_count; ++g) {
      raingen::gauge::ReadOptions options;
      const raingen::gauge::CalendarSeries series =
          raingen::gauge::read_gauge((dir / fmt::format("g{}.csv", g)).string(), options);
      if (series.empty()) return 1;
    }
    floor.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    fs::remove_all(dir / "net100");
    fs::remove_all(dir / "net10");
    fs::remove_all(dir / "net1job");
    std::vector<std::string> one_job = network_command("net1job", "sites100.csv");
    one_job.insert(one_job.end(), {"--jobs", "1"});
    const ChildRun o = prepare(one_job, dir);
    one.push_back(o.seconds), one_mib.push_back(o.peak_mib), one_cpu.push_back(o.cpu_seconds);
    const ChildRun h = prepare(network_command("net100", "sites100.csv"), dir);
    const ChildRun t = prepare(network_command("net10", "sites10.csv"), dir);
    hundred.push_back(h.seconds), hundred_mib.push_back(h.peak_mib), hundred_cpu.push_back(h.cpu_seconds);
    ten.push_back(t.seconds), ten_mib.push_back(t.peak_mib), ten_cpu.push_back(t.cpu_seconds);
    std::printf(
        "  repetition %d: reading the 8 records %.2f s, 100 sites %.2f s (%.0f MiB), 10 sites %.2f s (%.0f MiB); "
        "load %s\n",
        k + 1, floor.back(), hundred.back(), hundred_mib.back(), ten.back(), ten_mib.back(), load_average().c_str());
  }
  const double f = median(floor), h = median(hundred), t = median(ten);
  std::printf("| work | median | against the floor | CPU | peak memory |\n|---|---|---|---|---|\n");
  std::printf("| reading the 8 records once (the floor) | %.2f s | 1 | | |\n", f);
  std::printf("| raingen-prepare --network, 100 sites | %.2f s | %.2f (target at most 10) | %.2f s | %.0f MiB |\n", h,
              h / f, median(hundred_cpu), median(hundred_mib));
  std::printf("| raingen-prepare --network, 10 sites | %.2f s | %.2f | %.2f s | %.0f MiB |\n", t, t / f,
              median(ten_cpu), median(ten_mib));
  std::printf("| raingen-prepare --network --jobs 1, 100 sites | %.2f s | %.2f | %.2f s | %.0f MiB |\n", median(one),
              median(one) / f, median(one_cpu), median(one_mib));
  if (!std::getenv("RAINGEN_BENCH_KEEP"))
    fs::remove_all(dir);
  else
    std::printf("kept %s\n", dir.c_str());
  return h / f <= 10 ? 0 : 1;
}
