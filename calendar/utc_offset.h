// The clock a gauge kept, as its offset from UTC in whole minutes east of UTC, -14:00 to +14:00
// (the offsets in civil use). Written "+HH:MM" or "-HH:MM", the ISO 8601 form that CF time units
// take ("minutes since 2001-01-01 00:00:00 -05:00"). The calendar itself has no zone: an offset
// only says which clock its times are on, so that a file can state it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "calendar/time_point.h"

namespace raingen::calendar {

class UtcOffset {
 public:
  static constexpr int largest_minutes = 14 * minutes_per_hour;

  constexpr UtcOffset() = default;  // UTC itself
  // minutes east of UTC, or none beyond +-14:00.
  static std::optional<UtcOffset> from_minutes(int minutes);
  // "+HH:MM" or "-HH:MM" (two digits each, minutes below 60) within +-14:00; none for any other text.
  static std::optional<UtcOffset> parse(std::string_view text);
  // text from a command line: throws UsageError "WHAT 'TEXT' is not ..." when parse refuses it.
  static UtcOffset given(std::string_view text, std::string_view what);

  constexpr int minutes() const { return minutes_; }  // east of UTC
  constexpr Minutes offset() const { return Minutes{minutes_}; }
  std::string text() const;  // "-05:00", "+00:00"

  friend constexpr bool operator==(UtcOffset, UtcOffset) = default;

 private:
  constexpr explicit UtcOffset(int minutes) : minutes_(minutes) {}
  int minutes_ = 0;
};

inline constexpr const char* utc_offset_rule = "+HH:MM or -HH:MM, from -14:00 to +14:00";

}  // namespace raingen::calendar
