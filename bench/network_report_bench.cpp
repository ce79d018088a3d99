// Memory and time of raingen-report --network as the network grows: S sites on a grid among three
// gauges of 90 days, prepared by raingen-prepare --network (60 days), one realization made by
// raingen-ensemble --network, then the report from that file. The floor, measured at each size in
// the same run: raingen-export of the same realization of every site (csv), which reads what the
// report reads of the file. A network of S sites has S(S-1)/2 pairs; the report's memory should grow
// with S, not with the pairs.
//
//   build/bench/network_report_bench [S ...]
// (100 400 1500 by default.) Prints each size's peak memory (MiB) and time, the floor's, and the
// ratios of memory to the smallest size's.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "bench/child_run.h"
#include "calendar/interval.h"
#include "calendar/start_option.h"
#include "calendar/time_text.h"
#include "common/output_file.h"

namespace {

namespace fs = std::filesystem;
using raingen::bench::run_child;

void write(const fs::path& path, const std::string& text) {
  raingen::common::OutputFile out(path);
  out.write(text);
  out.commit();
}

// A gauge's 90 days of 15-minute depths: rain on two days of three, at about a fifth of the intervals.
std::string gauge_record(unsigned seed) {
  std::mt19937 random(seed);
  std::string text = "time,mm\n";
  const raingen::calendar::TimePoint start = raingen::calendar::default_start;
  for (int k = 0; k < 90 * 96; ++k) {
    const bool wet = (k / 96) % 3 != 1 && random() % 5 == 0;
    text += raingen::calendar::minute_text(start + (k + 1) * raingen::calendar::interval_length) +
            fmt::format(",{:.1f}\n", wet ? static_cast<double>(random() % 20) / 10.0 : 0.0);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int k = 1; k < argc; ++k) sizes.push_back(std::atoi(argv[k]));
  if (sizes.empty()) sizes = {100, 400, 1500};
  char pattern[] = "/tmp/raingen-network-report-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  for (unsigned g = 0; g < 3; ++g) write(dir / fmt::format("g{}.csv", g), gauge_record(g + 1));
  std::printf("%6s %9s %12s %10s %14s %12s %14s\n", "sites", "pairs", "report MiB", "report s", "floor MiB", "floor s",
              "MiB / first");
  double first = 0;
  for (int sites : sizes) {
    const int side = static_cast<int>(std::ceil(std::sqrt(sites)));
    std::string list = "name,x,y\n";
    for (int i = 0; i < sites; ++i)
      list += fmt::format("S{},{:.1f},{:.1f}\n", i, 100 + 800.0 * (i % side) / side, 100 + 800.0 * (i / side) / side);
    const std::string net = fmt::format("net{}", sites);
    write(dir / (net + ".csv"), list);
    run_child({RAINGEN_PREPARE_PROGRAM, "--network", net, "--sites", net + ".csv", "--days", "60", "--gauge",
               "A=g0.csv", "--gauge", "B=g1.csv", "--gauge", "C=g2.csv", "--station", "A@0,0", "--station", "B@1000,0",
               "--station", "C@500,1000"},
              dir);
    run_child({RAINGEN_ENSEMBLE_PROGRAM, "--network", net, "-n", "1", "--output", net + ".nc"}, dir);
    const auto report = run_child(
        {RAINGEN_REPORT_PROGRAM, "--network", net, "--ensemble", net + ".nc", "--output", net + "-report"}, dir);
    const auto floor = run_child({RAINGEN_EXPORT_PROGRAM, "--network", net, "--ensemble", net + ".nc", "--realization",
                                  "1", "--format", "csv", net + ".csv.out"},
                                 dir);
    if (first == 0) first = report.peak_mib;
    std::printf("%6d %9ld %12.1f %10.1f %14.1f %12.1f %14.2f\n", sites, static_cast<long>(sites) * (sites - 1) / 2,
                report.peak_mib, report.seconds, floor.peak_mib, floor.seconds, report.peak_mib / first);
  }
  fs::remove_all(dir);
  return 0;
}
