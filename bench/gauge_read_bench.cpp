// Reading a gauge record: a 5-minute CSV of 30 years (3.16 million lines, generated here in a
// temporary directory) read into the 15-minute series, against `wc -l` on the same file as the
// floor (the least any reader of its lines must do). Medians of 5, measured in the same run.
//
//   build/bench/gauge_read_bench [REPETITIONS [FILE]]
// (5 repetitions by default; with FILE, that CSV record is read instead of a generated one.)
// Targets: at least 1 million lines per second, and at most 10 times `wc -l`.
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

#include <date/date.h>
#include <fmt/format.h>

#include "bench/median.h"
#include "common/output_file.h"
#include "gauge/read_gauge.h"

namespace {

using raingen::bench::median;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// 30 years of 5-minute depths from 1990-01-01 00:05, one wet reading in ten.
long write_record(const fs::path& path) {
  raingen::common::OutputFile out(path);
  out.write("time,rain_mm\n");
  std::mt19937 pick(30);
  const auto start = date::sys_days{date::year{1990} / 1 / 1};
  const auto end = date::sys_days{date::year{2020} / 1 / 1};
  long lines = 1;
  std::string line;
  for (auto t = start + std::chrono::minutes{5}; t <= end; t += std::chrono::minutes{5}) {
    const auto value = pick() % 10 == 0 ? fmt::format("{}.{}", pick() % 3, pick() % 10) : std::string("0");
    line = date::format("%Y-%m-%d %H:%M:%S,", t) + value + "\n";
    out.write(line);
    ++lines;
  }
  out.commit();
  return lines;
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double wc_lines(const fs::path& path) {
  const auto start = Clock::now();
  std::fflush(stdout);  // a forked child must not write this process's buffered lines again
  const pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(125);
    execlp("wc", "wc", "-l", path.c_str(), static_cast<char*>(nullptr));
    _exit(126);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "wc -l failed\n");
    std::exit(1);
  }
  return seconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  char pattern[] = "/tmp/raingen-gauge-read-XXXXXX";
  const bool given = argc > 2;
  if (!given && !mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  const fs::path record = given ? fs::path(argv[2]) : dir / "rain_5min.csv";
  long lines = 0;
  if (given) {
    std::FILE* in = std::fopen(argv[2], "rb");
    if (!in) return 1;
    for (int c; (c = std::getc(in)) != EOF;) lines += c == '\n';
    std::fclose(in);
  } else {
    lines = write_record(record);
  }
  std::printf("record: %ld lines, %.1f MB (%s)\n", lines, fs::file_size(record) / 1e6, record.c_str());

  raingen::gauge::ReadOptions options;
  options.format = raingen::gauge::Format::csv;
  std::vector<double> reads, floors;
  std::size_t intervals = 0;
  for (int rep = 0; rep < repetitions; ++rep) {
    floors.push_back(wc_lines(record));
    const auto start = Clock::now();
    intervals = raingen::gauge::read_gauge(record.string(), options).size();
    reads.push_back(seconds_since(start));
    std::printf("repetition %d: read %.3f s, wc -l %.3f s\n", rep + 1, reads.back(), floors.back());
  }
  const double read = median(reads), floor = median(floors);
  std::printf("\nmedians of %d: read %.3f s (%zu intervals of 15 minutes), wc -l %.3f s\n", repetitions, read,
              intervals, floor);
  std::printf("lines per second: %.2f million (target at least 1)\n", lines / read / 1e6);
  std::printf("read / wc -l: %.1f times (target at most 10)\n", read / floor);
  std::error_code ignored;
  if (!given) fs::remove_all(dir, ignored);
  return 0;
}
