// The messages the readers give for what a record line gets wrong, worded alike in every format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gauge/time_text.h"

namespace raingen::gauge {

// Throws ToolError for a time field that did not parse (status malformed or impossible).
[[noreturn]] void bad_time(const std::string& path, long line, std::string_view text, TimeParse status);

// Throws ToolError unless time (in seconds) comes after the time of the line before.
void check_order(const std::string& path, long line, std::int64_t before, std::int64_t time);

// Throws ToolError for a depth field that does not read.
[[noreturn]] void bad_depth(const std::string& path, long line, std::string_view text);

// Throws ToolError for a record whose step is coarser than 15 minutes.
[[noreturn]] void coarse_step(const std::string& path, long line, std::int64_t step_minutes);

}  // namespace raingen::gauge
