// The messages the readers give for what a record line gets wrong, worded alike in every format.
// A field of the line is quoted as an excerpt (common/shown_text.h): its first 40 bytes, escaped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "calendar/time_point.h"
#include "gauge/record_times.h"

namespace raingen::gauge {

// A record longer than this is taken for a mistyped date rather than read into memory.
inline constexpr std::int64_t longest_record_days = 300LL * 366;

// Throws ToolError for a time field that did not parse (status malformed or impossible).
[[noreturn]] void bad_time(const std::string& path, long line, std::string_view text, TimeParse status);

// Throws ToolError unless time comes after the time of the line before.
void check_order(const std::string& path, long line, calendar::Instant before, calendar::Instant time);

// Throws ToolError for a depth field that does not read.
[[noreturn]] void bad_depth(const std::string& path, long line, std::string_view text);

// Throws ToolError for a record whose step is coarser than 15 minutes.
[[noreturn]] void coarse_step(const std::string& path, long line, std::int64_t step_minutes);

// Throws ToolError for a line that takes the record past longest_record_days.
[[noreturn]] void record_too_long(const std::string& path, long line);

// Throws UsageError (naming path) when the days first to last, asked for by --from/--to, are
// more than longest_record_days: checked before the series over them is made.
void check_kept_span(const std::string& path, calendar::Day first, calendar::Day last);

}  // namespace raingen::gauge
