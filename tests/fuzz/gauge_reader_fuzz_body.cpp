#include "gauge_reader_fuzz.h"

#include <string_view>

#include "common/program_files.h"
#include "common/tool_error.h"
#include "fuzz_support.h"
#include "gauge/decimal_depth.h"
#include "gauge/read_gauge.h"

namespace fuzz_support {

int read_gauge_record(const std::uint8_t* data, std::size_t size, raingen::gauge::Format format) {
  using raingen::gauge::ReadOptions;
  const std::uint8_t flags = size > 0 ? data[0] : 0;
  if (size > 0) {
    ++data;
    --size;
  }
  ReadOptions options;
  options.format = flags & 1 ? raingen::gauge::Format::automatic : format;
  if (flags & 2) options.depth_limit = raingen::common::depth_limit_mm;  // as raingen-prepare reads
  if (flags & 4) options.stamp = flags & 8 ? raingen::gauge::Stamp::start : raingen::gauge::Stamp::end;
  if (flags & 16) options.from = raingen::gauge::parse_day("2001-01-01");
  if (flags & 32) options.to = raingen::gauge::parse_day(flags & 64 ? "2001-01-03" : "2001-03-01");
  write_whole_file("record", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    const raingen::gauge::CalendarSeries series = raingen::gauge::read_gauge("record", options);
    double sum = 0;  // every depth a number or missing, never below 0, nor as large as no integer holds
    for (std::size_t k = 0; k < series.size(); ++k)
      if (series.present(k)) {
        if (!(series.depth(k) >= 0 && series.depth(k) < raingen::gauge::largest_held_depth_mm)) __builtin_trap();
        sum += series.depth(k);
      }
    if (sum < 0) __builtin_trap();
  } catch (const raingen::common::ToolError&) {
  } catch (const raingen::common::UsageError&) {
  }
  return 0;
}

}  // namespace fuzz_support
