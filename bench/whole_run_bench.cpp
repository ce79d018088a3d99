// Speed and memory of a whole run with many historical days: 2000 days from three stations of
// 10,000 day records each, whose spell tables give a wet day about every third day.
//
//   build/bench/whole_run_bench [--without-literal] [REPETITIONS [DIRECTORY]]
// (3 repetitions by default; medians are reported. With a directory, the data set is made and
// kept there; 0 repetitions only makes it, e.g. to count instructions of one run with valgrind.
// --without-literal leaves out the literal resampler, which takes minutes.)
//
// It compares, in one run of this program:
// - the program (build/raingen) with its day resampler, which converts each line at most once;
// - the same program built with the literal resampler, which rereads both station files from
//   their start for every wet day (build/bench/raingen_literal);
// - the unavoidable work of a run, done in-process: converting every line of the three F_2 files
//   once and writing the two output files (2 x 192,000 rows), through the record layer;
// - the same work written as tight plain C++ (bench/hand_written_floor.cpp): the floor, run as a
//   program the way the program is run (and, for reference, in-process too, where starting a
//   process and first touching its memory are not counted). It must find the same values and
//   write the same bytes as the record layer does.
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
#include <iterator>
#include <string>
#include <vector>

#include "bench/hand_written_floor.h"
#include "bench/median.h"
#include "records/connections.h"
#include "records/read_fields.h"
#include "records/write_fields.h"
#include "stations/settings_file.h"
#include "stations/station_files.h"

namespace {

using raingen::bench::median;

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
  for (int s = 0; s < 3; ++s)
    settings.stations[s] = {raingen::stations::StationId::given(station_ids[s], "station"), distances[s]};
  settings.day_count = day_count;
  raingen::stations::write_settings(dir, settings);

  for (int s = 0; s < 3; ++s) {
    raingen::stations::StationFiles station;
    station.id = raingen::stations::StationId::given(station_ids[s], "station");
    station.spell_title = station_ids[s] + std::string(" DRY SPELLS");
    // Dry spells of 0 to 4 days, 2 on average, so a wet day comes about every third day.
    station.spell_entries = {0.15, 0.5, 0.85, 1.0};
    for (int k = 1; k <= day_records; ++k) {
      raingen::stations::DayRecord day;
      day.key = k;
      day.label = std::to_string(k) + "  " + station_ids[s] + " day";
      day.note = "  " + std::string(station_ids[s]) + " day";
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

// Runs program with arguments in dir, its standard output going to output (in dir).
ChildRun run_program(const std::string& program, const fs::path& dir, const std::vector<std::string>& arguments = {},
                     const char* output = "/dev/null") {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  const auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(125);
    setenv("RAINGEN_SEED", "12345", 1);
    if (!freopen(output, "w", stdout)) _exit(125);
    execv(program.c_str(), argv.data());
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

std::string day_file(const fs::path& dir, int s) {
  const auto id = raingen::stations::StationId::given(station_ids[s], "station");
  return (dir / id.file_name(raingen::common::StationFile::day_records)).string();
}

struct Work {
  double seconds = 0;
  std::uint64_t check = 0;  // of every value converted
};

// What no resampler can avoid: each day line converted once, and the two output files written.
Work unavoidable_work(const fs::path& dir) {
  const auto start = Clock::now();
  float values[96];
  std::uint64_t check = 0;
  for (int s = 0; s < 3; ++s) {
    if (records::connect_unit(12, day_file(dir, s), records::Status::old, true) != 0) std::exit(1);
    for (int k = 0; k < day_records; ++k) {
      records::ReadStatement read(12, "(29X,96(1X,F5.2),8X)");
      read.reals(values, 96);
      read.end();
      for (int j = 0; j < 96; ++j) check += bench::value_check(values[j], j);
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
  return {std::chrono::duration<double>(Clock::now() - start).count(), check};
}

Work floor_in_process(const fs::path& dir) {
  const auto start = Clock::now();
  const std::uint64_t check =
      bench::hand_written_floor({day_file(dir, 0), day_file(dir, 1), day_file(dir, 2)}, day_count,
                                (dir / "FLOOR1.OUT").string(), (dir / "FLOOR2.OUT").string());
  return {std::chrono::duration<double>(Clock::now() - start).count(), check};
}

// The floor as a program, run as the program is; it prints its check.
Work floor_as_process(const fs::path& dir) {
  const ChildRun run = run_program(
      RAINGEN_FLOOR_PROGRAM, dir,
      {std::to_string(day_count), "FLOOR1.OUT", "FLOOR2.OUT", day_file(dir, 0), day_file(dir, 1), day_file(dir, 2)},
      "FLOOR.CHECK");
  std::ifstream in(dir / "FLOOR.CHECK");
  std::uint64_t check = 0;
  in >> check;
  return {run.seconds, check};
}

bool same_file(const fs::path& a, const fs::path& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(x), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(y), std::istreambuf_iterator<char>());
}

// Each repetition's figures.
struct Timings {
  std::vector<double> fast, literal, work, floors, floors_in_process, fast_peak, literal_peak;
};

// The medians, and the ratios the benchmark is for.
void print_summary(const Timings& t, int repetitions, bool with_literal) {
  const double f = median(t.fast), w = median(t.work), h = median(t.floors);
  const double h_in = median(t.floors_in_process);
  std::printf(
      "\nmedians of %d: program %.3f s (peak %.1f MiB), unavoidable work %.3f s, "
      "hand-written floor %.3f s (in-process %.3f s)\n",
      repetitions, f, median(t.fast_peak), w, h, h_in);
  if (with_literal)
    std::printf("literal %.3f s (peak %.1f MiB), literal / program: %.1f times\n", median(t.literal),
                median(t.literal_peak), median(t.literal) / f);
  std::printf("program / unavoidable work: %.2f\n", f / w);
  std::printf("unavoidable work / hand-written floor in-process: %.2f\n", w / h_in);
  std::printf("program / hand-written floor: %.2f (floor in-process: %.2f)\n", f / h, f / h_in);
  std::printf(
      "(peak of this benchmark process itself: %.1f MiB, a bound on what a child counts "
      "before it starts the program)\n",
      own_peak_mib());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto option = std::find(args.begin(), args.end(), "--without-literal");
  const bool with_literal = option == args.end();
  if (!with_literal) args.erase(option);
  const int repetitions = !args.empty() ? std::max(0, std::atoi(args[0].c_str())) : 3;
  char pattern[] = "/tmp/raingen-whole-run-XXXXXX";
  const bool keep = args.size() > 1;
  if (keep)
    fs::create_directories(args[1]);
  else if (!mkdtemp(pattern))
    return 1;
  const fs::path dir = keep ? fs::path(args[1]) : fs::path(pattern);
  write_data(dir);
  malloc_trim(0);                  // the data set's memory back to the system: a forked child would count it
  if (repetitions == 0) return 0;  // the data set only

  Timings t;

  for (int rep = 0; rep < repetitions; ++rep) {
    ChildRun f = run_program(RAINGEN_PROGRAM, dir);
    t.fast.push_back(f.seconds);
    t.fast_peak.push_back(f.peak_mib);
    const std::uint64_t fast_output = output_digest(dir);
    ChildRun l;
    if (with_literal) {
      l = run_program(RAINGEN_LITERAL_PROGRAM, dir);
      t.literal.push_back(l.seconds);
      t.literal_peak.push_back(l.peak_mib);
      if (output_digest(dir) != fast_output) {
        std::fprintf(stderr, "the two resamplers wrote different files\n");
        return 1;
      }
    }
    const Work through_records = unavoidable_work(dir);
    const Work by_hand = floor_as_process(dir);
    const Work by_hand_in_process = floor_in_process(dir);
    for (const Work* floor : {&by_hand, &by_hand_in_process}) {
      if (floor->check != through_records.check || !same_file(dir / "WORK1.OUT", dir / "FLOOR1.OUT") ||
          !same_file(dir / "WORK2.OUT", dir / "FLOOR2.OUT")) {
        std::fprintf(stderr, "the hand-written floor did not do the record layer's work\n");
        return 1;
      }
    }
    t.work.push_back(through_records.seconds);
    t.floors.push_back(by_hand.seconds);
    t.floors_in_process.push_back(by_hand_in_process.seconds);
    std::printf(
        "repetition %d: program %.3f s, literal %.3f s, unavoidable work %.3f s, "
        "hand-written floor %.3f s (in-process %.3f s)\n",
        rep + 1, f.seconds, l.seconds, t.work.back(), t.floors.back(), t.floors_in_process.back());
  }
  print_summary(t, repetitions, with_literal);
  std::error_code ignored;
  if (!keep) fs::remove_all(dir, ignored);
  return 0;
}
