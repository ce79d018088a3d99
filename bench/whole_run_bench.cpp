// Speed and memory of a whole run with many historical days: 2000 days from three stations of
// 10,000 day records each, whose spell tables give a wet day about every third day.
//
//   build/bench/whole_run_bench [REPETITIONS [DIRECTORY]]
// (3 repetitions by default; medians are reported. With a directory, the data set is made and
// kept there; 0 repetitions only makes it, e.g. to count instructions of one run with valgrind.)
//
// It compares, in one run of this program:
// - the program (build/raingen) with its day resampler, which converts each line at most once;
// - the same program built with the literal resampler, which rereads both station files from
//   their start for every wet day (build/bench/raingen_literal);
// - the unavoidable work of a run, done in-process: converting every line of the three F_2 files
//   once and writing the two output files (2 x 192,000 rows).
// Both programs run as child processes in a fresh copy-free directory of generated data (made
// here, not committed), with the same RAINGEN_SEED; their output files must be identical. Peak
// memory is the child's maximum resident set size.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "records/connections.h"
#include "records/read_fields.h"
#include "records/write_fields.h"
#include "stations/settings_file.h"
#include "stations/station_files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int day_records = 10000;
constexpr int day_count = 2000;
const char* const station_ids[] = {"NORT", "EAST", "WEST"};

// The data set, written by the station-file writer: values follow a simple deterministic pattern;
// only the layout and the sizes matter for the cost.
void write_data(const fs::path& dir) {
  raingen::stations::Settings settings;
  settings.site_name = "BENCH SITE";
  const int distances[] = {3, 5, 8};
  for (int s = 0; s < 3; ++s) settings.stations[s] = {station_ids[s], distances[s]};
  settings.day_count = day_count;
  raingen::stations::write_settings(dir, settings);

  for (int s = 0; s < 3; ++s) {
    raingen::stations::StationFiles station;
    station.id = station_ids[s];
    station.spell_title = station.id + " DRY SPELLS";
    // Dry spells of 0 to 4 days, 2 on average, so a wet day comes about every third day.
    station.spell_entries = {0.15, 0.5, 0.85, 1.0};
    for (int k = 1; k <= day_records; ++k) {
      raingen::stations::DayRecord day;
      day.key = k;
      day.label = std::to_string(k) + "  " + station.id + " day";
      day.note = "  " + station.id + " day";
      for (int j = 1; j <= 96; ++j)
        day.depths[static_cast<std::size_t>(j - 1)] = (k * 7 + j * 13 + s) % 29 < 6 ? (k * j + s) % 400 / 100.0 : 0.0;
      station.days.push_back(day);
    }
    raingen::stations::write_station_files(dir, station);
  }
}

struct ChildRun {
  double seconds = 0;
  double peak_mib = 0;
};

ChildRun run_program(const std::string& program, const fs::path& dir) {
  std::fflush(stdout);
  const auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(125);
    setenv("RAINGEN_SEED", "12345", 1);
    freopen("/dev/null", "w", stdout);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(126);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  ChildRun run;
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", program.c_str(), status);
    std::exit(1);
  }
  return run;
}

// A digest of the output files (FNV-1a), so that this process stays small: a forked child
// counts its parent's pages in its peak until it execs the program.
std::uint64_t output_digest(const fs::path& dir) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char* name : {"RESULTS.TXT", "SOURCE.OUT"}) {
    std::ifstream in(dir / name, std::ios::binary);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
      for (std::streamsize k = 0; k < in.gcount(); ++k)
        hash = (hash ^ static_cast<unsigned char>(buffer[k])) * 1099511628211ull;
      if (!in) break;
    }
  }
  return hash;
}

double own_peak_mib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// What no resampler can avoid: each day line converted once, and the two output files written.
double unavoidable_work(const fs::path& dir) {
  const auto start = Clock::now();
  float values[96];
  for (int s = 0; s < 3; ++s) {
    const std::string name = (dir / (std::string(station_ids[s]) + "F_2.TXT")).string();
    if (records::connect_unit(12, name, records::Status::old, true) != 0) std::exit(1);
    for (int k = 0; k < day_records; ++k) {
      records::ReadStatement read(12, "(29X,96(1X,F5.2),8X)");
      for (float& v : values) read.real(v);
      read.end();
    }
    records::close_unit(12);
  }
  for (int unit : {100, 900}) {
    const std::string name = (dir / (unit == 100 ? "WORK1.OUT" : "WORK2.OUT")).string();
    if (records::connect_unit(unit, name, records::Status::unknown, true) != 0) std::exit(1);
  }
  for (int d = 1; d <= day_count; ++d)
    for (int i = 1; i <= 96; ++i)
      for (int unit : {100, 900}) {
        records::WriteStatement write(unit, "(I12,F9.3)");
        write.integer((d - 1) * 1440 + 15 * i);
        write.real(values[i - 1]);
        write.end();
      }
  records::close_unit(100);
  records::close_unit(900);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> xs) {
  std::sort(xs.begin(), xs.end());
  const std::size_t n = xs.size();
  return n % 2 ? xs[n / 2] : (xs[n / 2 - 1] + xs[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(0, std::atoi(argv[1])) : 3;
  char pattern[] = "/tmp/raingen-whole-run-XXXXXX";
  const bool keep = argc > 2;
  if (keep) fs::create_directories(argv[2]);
  else if (!mkdtemp(pattern)) return 1;
  const fs::path dir = keep ? fs::path(argv[2]) : fs::path(pattern);
  write_data(dir);
  malloc_trim(0);  // the data set's memory back to the system: a forked child would count it
  if (repetitions == 0) return 0;  // the data set only

  std::vector<double> fast, literal, work, fast_peak, literal_peak;

  for (int rep = 0; rep < repetitions; ++rep) {
    ChildRun f = run_program(RAINGEN_PROGRAM, dir);
    fast.push_back(f.seconds);
    fast_peak.push_back(f.peak_mib);
    const std::uint64_t fast_output = output_digest(dir);
    ChildRun l = run_program(RAINGEN_LITERAL_PROGRAM, dir);
    literal.push_back(l.seconds);
    literal_peak.push_back(l.peak_mib);
    const std::uint64_t literal_output = output_digest(dir);
    if (fast_output != literal_output) {
      std::fprintf(stderr, "the two resamplers wrote different files\n");
      return 1;
    }
    work.push_back(unavoidable_work(dir));
    std::printf("repetition %d: program %.3f s, literal %.3f s, unavoidable work %.3f s\n", rep + 1,
                f.seconds, l.seconds, work.back());
  }
  const double f = median(fast), l = median(literal), w = median(work);
  std::printf("\nmedians of %d: program %.3f s (peak %.1f MiB), literal %.3f s (peak %.1f MiB), "
              "unavoidable work %.3f s\n",
              repetitions, f, median(fast_peak), l, median(literal_peak), w);
  std::printf("literal / program: %.1f times\nprogram / unavoidable work: %.2f\n", l / f, f / w);
  std::printf("(peak of this benchmark process itself: %.1f MiB, a bound on what a child counts "
              "before it starts the program)\n", own_peak_mib());
  std::error_code ignored;
  if (!keep) fs::remove_all(dir, ignored);
  return 0;
}
