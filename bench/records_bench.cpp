// Speed of the record statements on files: historical day lines read with
// "(29X,96(1X,F5.2),8X)" (as the program reads them, and item by item) and result rows written
// with "(I12,F9.3)", all in records per second (items_per_second).
//
//   build-release/bench/records_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "records/connections.h"
#include "records/read_fields.h"
#include "records/run_end.h"
#include "records/write_fields.h"

namespace {

constexpr int day_unit = 12;
constexpr int row_unit = 100;
constexpr int day_lines = 20000;
constexpr int rows_per_file = 1000000;

const std::string& work_directory() {
  static std::string directory = [] {
    char pattern[] = "/tmp/raingen-bench-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    return std::string(pattern);
  }();
  return directory;
}

// A day line as the "F_2.TXT" files hold them: 30 columns of identification, then 96 values of
// 6 columns, then 8 more.
std::string write_day_file() {
  std::string name = work_directory() + "/DAYSF_2.TXT";
  std::ofstream out(name, std::ios::binary);
  for (int line = 0; line < day_lines; ++line) {
    char head[40];
    std::snprintf(head, sizeof head, "STA1 %8d 19%02d%02d%02d         ", line, line % 100, line % 12 + 1,
                  line % 28 + 1);
    out << std::string(head).substr(0, 29);
    for (int k = 0; k < 96; ++k) {
      char value[8];
      std::snprintf(value, sizeof value, " %5.2f", ((line * 96 + k) % 997) / 37.0);
      out << value;
    }
    out << "  end   \r\n";
  }
  return name;
}

const std::string& day_file() {
  static const std::string name = write_day_file();
  return name;
}

// The program reads a day line's values with one call (reals); item_by_item presents them one
// at a time, as any other statement does.
template <bool item_by_item>
void read_day_lines(benchmark::State& state) {
  records::reset_connections();
  if (records::connect_unit(day_unit, day_file(), records::Status::old, true) != 0) std::abort();
  float day[96];
  int line = 0;
  double sum = 0;
  try {
    for (auto _ : state) {
      records::ReadStatement read(day_unit, "(29X,96(1X,F5.2),8X)");
      if (item_by_item) {
        for (float& v : day) read.real(v);
      } else {
        read.reals(day, 96);
      }
      read.end();
      sum += day[95];
      if (++line == day_lines) {
        records::rewind_unit(day_unit);
        line = 0;
      }
    }
  } catch (const records::RunEnd& end) {
    state.SkipWithError(("run-time error " + std::to_string(end.number)).c_str());
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
  records::reset_connections();
}
BENCHMARK(read_day_lines<false>)->Name("read_day_lines");
BENCHMARK(read_day_lines<true>)->Name("read_day_lines_item_by_item");

void write_rows(benchmark::State& state) {
  records::reset_connections();
  std::string name = work_directory() + "/SOURCE.OUT";
  if (records::connect_unit(row_unit, name, records::Status::unknown, true) != 0) std::abort();
  std::int32_t minutes = 0;
  int rows = 0;
  try {
    for (auto _ : state) {
      minutes += 15;
      records::WriteStatement write(row_unit, "(I12,F9.3)");
      write.integer(minutes);
      write.real(static_cast<float>(minutes % 1000) * 0.0137f);
      write.end();
      if (++rows == rows_per_file) {  // keep the file small: start it again
        records::rewind_unit(row_unit);
        rows = 0;
      }
    }
  } catch (const records::RunEnd& end) {
    state.SkipWithError(("run-time error " + std::to_string(end.number)).c_str());
  }
  state.SetItemsProcessed(state.iterations());
  records::reset_connections();
}
BENCHMARK(write_rows);

}  // namespace

BENCHMARK_MAIN();
