// Speed of raingen-report's work: three 30-year gauge records (15-minute csv, about a million rows
// each, one missing value a day in one of them and a week-long gap a year in another) and a
// 2000-day results file, against the floor of reading the same inputs alone.
//
//   build/bench/report_bench [REPETITIONS [DIRECTORY]]
// (5 repetitions by default; medians are reported. With a directory the data set is made and kept
// there.) Both are done in-process on the same files: the floor reads INPUT.TXT, the results
// file and the three records as the report reads them; the report reads them too, then computes
// the statistics of the five series and writes statistics.csv and report.html. Target: the report
// within 3 times the floor.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "report/make_report.h"
#include "report/run_inputs.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int record_years = 30;
constexpr int generated_days = 2000;
const char* const station_ids[] = {"NORT", "EAST", "WEST"};

// Rain on about one day in three, in bursts; values follow a fixed pattern, only sizes matter.
double depth_at(long k, int s) {
  const long day = k / 96, slot = k % 96;
  if ((day * 7 + s) % 3 != 0 || slot < 30 || slot > 44) return 0;
  return static_cast<double>((k * 13 + s * 5) % 23) / 10.0;
}

void write_data(const fs::path& dir) {
  std::ofstream input(dir / "INPUT.TXT", std::ios::binary);
  input << "RESULTS FILE: RESULTS.TXT\r\nSITE NAME:    BENCH SITE\r\n";
  for (const char* id : station_ids) input << "STATION:      " << id << "\r\n";
  input << "DISTANCE 1:     3\r\nDISTANCE 2:     5\r\nDISTANCE 3:     8\r\nNUMBER DAYS:  " << generated_days << "\r\n";

  std::ofstream results(dir / "RESULTS.TXT", std::ios::binary);
  results << "SYNTHETIC RAINFALL GENERATION\r\n  \r\nSITE NAME:  BENCH SITE \r\n";
  for (int s = 0; s < 3; ++s) results << "STATION #" << s + 1 << ": " << station_ids[s] << "\r\n";
  results << "                         \r\nDISTANCE TO SITE:\r\nSTATION #1:   3\r\nSTATION #2:   5\r\n"
             "STATION #3:   8\r\n  \r\n  \r\n   TIME(MIN) RAINFALL\r\n";
  char line[64];
  for (long k = 0; k < 96L * generated_days; ++k) {
    // F9.3 without a 0 before the point, as the program writes it.
    std::snprintf(line, sizeof line, "%12ld%9.3f\r\n", (k + 1) * 15, depth_at(k, 1));
    if (line[17] == '.' && line[16] == '0') line[16] = ' ';
    results << line;
  }

  const long intervals = 96L * (365L * record_years + record_years / 4);
  for (int s = 0; s < 3; ++s) {
    std::ofstream csv(dir / (std::string(station_ids[s]) + ".csv"), std::ios::binary);
    csv << "time,rain_mm\n";
    const auto start = date::sys_days{date::year{1990} / 1 / 1};
    for (long k = 0; k < intervals; ++k) {
      const auto end = start + std::chrono::minutes{15 * (k + 1)};
      const auto day = date::floor<date::days>(end);
      const date::year_month_day ymd{day};
      const date::hh_mm_ss hms{end - day};
      const bool missing = (s == 1 && k % 96 == 50) || (s == 2 && k % 35040 < 672);
      std::snprintf(line, sizeof line, "%04d-%02u-%02u %02ld:%02ld,", static_cast<int>(ymd.year()),
                    static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                    static_cast<long>(hms.hours().count()), static_cast<long>(hms.minutes().count()));
      csv << line;
      if (missing)
        csv << "NA\n";
      else {
        std::snprintf(line, sizeof line, "%.1f\n", depth_at(k, s));
        csv << line;
      }
    }
  }
}

template <class F>
double median_seconds(int repetitions, F&& work) {
  std::vector<double> times;
  for (int r = 0; r < repetitions; ++r) {
    const auto t0 = Clock::now();
    work();
    times.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 5;
  const bool keep = argc > 2;
  const fs::path dir =
      keep ? fs::path(argv[2]) : fs::temp_directory_path() / ("report_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::printf("making the data set in %s\n", dir.c_str());
  write_data(dir);
  if (repetitions > 0) {
    raingen::report::ReportRequest request;
    request.dir = dir;
    for (const char* id : station_ids)
      request.gauges.push_back({id, (dir / (std::string(id) + ".csv")).string(), {{"format", "csv"}}});
    request.options.min_complete_percent = 90;
    const double floor = median_seconds(repetitions, [&] {
      const auto inputs = raingen::report::read_run_inputs(dir, request.gauges, request.start);
      if (inputs.records.size() != 3) std::abort();
    });
    const double report = median_seconds(repetitions, [&] { raingen::report::make_report(request); });
    std::printf("| work | median of %d |\n|---|---|\n", repetitions);
    std::printf("| reading the inputs alone (the floor) | %.3f s |\n", floor);
    std::printf("| the report (reading, statistics, both files) | %.3f s (%.2f times the floor) |\n", report,
                report / floor);
  }
  if (!keep) fs::remove_all(dir);
  return 0;
}
