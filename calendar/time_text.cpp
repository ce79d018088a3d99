#include "calendar/time_text.h"

namespace raingen::calendar {

std::string day_text(Day d) { return date::format("%Y-%m-%d", d); }

std::string minute_text(TimePoint t) { return date::format("%Y-%m-%d %H:%M", t); }

std::string second_text(Instant t) { return date::format("%Y-%m-%d %H:%M:%S", t); }

std::string stamp_text(Instant t) { return t == minute_of(t) ? minute_text(minute_of(t)) : second_text(t); }

}  // namespace raingen::calendar
