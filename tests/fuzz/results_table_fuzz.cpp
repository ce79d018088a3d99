// Fuzz target: the program's results table (a results file or SOURCE.OUT) read row by row as
// raingen-export reads it, and whole as a calendar series as raingen-report reads it. A ToolError
// is a normal outcome; a crash, a sanitizer report, another exception or a hang is a finding.
#include <string_view>

#include "calendar/start_option.h"
#include "common/tool_error.h"
#include "fuzz_support.h"
#include "results/results_series.h"
#include "results/results_table.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::enter_private_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::write_whole_file("table", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    raingen::results::ResultsTable table("table");
    raingen::results::TableRow row;
    long rows = 0;
    while (table.next(row)) ++rows;
    if (rows != table.rows_read() || rows % 96 != 0) __builtin_trap();  // a table ends on a whole day
  } catch (const raingen::common::ToolError&) {
  }
  try {
    const auto series = raingen::results::read_results_series("table", raingen::calendar::default_start);
    if (series.size() % 96 != 0) __builtin_trap();
  } catch (const raingen::common::ToolError&) {
  }
  return 0;
}
