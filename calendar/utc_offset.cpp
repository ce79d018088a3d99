#include "calendar/utc_offset.h"

#include <cstdlib>

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::calendar {

namespace {
bool is_digit(char c) { return c >= '0' && c <= '9'; }
int two_digits(std::string_view text) { return (text[0] - '0') * 10 + (text[1] - '0'); }
}  // namespace

std::optional<UtcOffset> UtcOffset::from_minutes(int minutes) {
  if (minutes < -largest_minutes || minutes > largest_minutes) return std::nullopt;
  return UtcOffset(minutes);
}

std::optional<UtcOffset> UtcOffset::parse(std::string_view text) {
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || !is_digit(text[1]) || !is_digit(text[2]) ||
      text[3] != ':' || !is_digit(text[4]) || !is_digit(text[5]))
    return std::nullopt;
  const int hours = two_digits(text.substr(1)), minutes = two_digits(text.substr(4));
  if (minutes >= minutes_per_hour) return std::nullopt;
  const int east = hours * minutes_per_hour + minutes;
  return from_minutes(text[0] == '-' ? -east : east);
}

UtcOffset UtcOffset::given(std::string_view text, std::string_view what) {
  if (const std::optional<UtcOffset> offset = parse(text)) return *offset;
  throw common::UsageError(fmt::format("{} '{}' is not {}", what, text, utc_offset_rule));
}

std::string UtcOffset::text() const {
  const int east = std::abs(minutes_);
  return fmt::format("{}{:02}:{:02}", minutes_ < 0 ? '-' : '+', east / minutes_per_hour, east % minutes_per_hour);
}

}  // namespace raingen::calendar
