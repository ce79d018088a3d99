#include "gauge/record_times.h"

#include <cstring>

namespace raingen::gauge {

namespace {

using calendar::Seconds;

// Reads between min_digits and max_digits digits at text[at]; false when fewer are there.
bool digits(std::string_view text, std::size_t& at, int min_digits, int max_digits, int& value) {
  value = 0;
  int n = 0;
  while (n < max_digits && at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at] - '0');
    ++at;
    ++n;
  }
  return n >= min_digits;
}

bool take(std::string_view text, std::size_t& at, char c) {
  if (at < text.size() && text[at] == c) {
    ++at;
    return true;
  }
  return false;
}

struct CivilDate {
  int year = 0, month = 0, day = 0;
};

// The date at the start of text; at is left after it.
bool read_date(std::string_view text, std::size_t& at, CivilDate& d) {
  const std::size_t begin = at;
  if (digits(text, at, 4, 4, d.year)) {
    if (take(text, at, '-'))
      return digits(text, at, 2, 2, d.month) && take(text, at, '-') && digits(text, at, 2, 2, d.day);
    at = begin;  // YYYYMMDD
    return digits(text, at, 4, 4, d.year) && digits(text, at, 2, 2, d.month) && digits(text, at, 2, 2, d.day) &&
           (at == text.size() || text[at] == ' ' || text[at] == 'T');
  }
  at = begin;
  return digits(text, at, 1, 2, d.day) && take(text, at, '/') && digits(text, at, 1, 2, d.month) &&
         take(text, at, '/') && digits(text, at, 4, 4, d.year);
}

// Whether hh:mm:ss is a time of day, for both parsers: 24:00:00 ends the day.
bool clock_ok(unsigned h, unsigned m, unsigned s) {
  return !(m > 59 || s > 59 || h > 24 || (h == 24 && (m > 0 || s > 0)));
}

Seconds clock_time(unsigned h, unsigned m, unsigned s) {
  return Seconds{h * calendar::seconds_per_hour + m * calendar::seconds_per_minute + s};
}

// hh:mm[:ss] at text[at]; the time of day, 24:00:00 allowed.
TimeParse read_clock(std::string_view text, std::size_t& at, Seconds& of_day) {
  int h = 0, m = 0, s = 0;
  if (!digits(text, at, 1, 2, h) || !take(text, at, ':') || !digits(text, at, 2, 2, m)) return TimeParse::malformed;
  if (take(text, at, ':') && !digits(text, at, 2, 2, s)) return TimeParse::malformed;
  const auto hour = static_cast<unsigned>(h), minute = static_cast<unsigned>(m), second = static_cast<unsigned>(s);
  if (!clock_ok(hour, minute, second)) return TimeParse::impossible;
  of_day = clock_time(hour, minute, second);
  return TimeParse::ok;
}

TimeParse day_of_date(const CivilDate& d, calendar::Day& day) {
  const std::optional<calendar::Day> found = calendar::civil_day(d.year, d.month, d.day);
  if (!found) return TimeParse::impossible;
  day = *found;
  return TimeParse::ok;
}

}  // namespace

TimeParse parse_instant(std::string_view text, calendar::Instant& time) {
  std::size_t at = 0;
  CivilDate d;
  if (!read_date(text, at, d)) return TimeParse::malformed;
  if (!take(text, at, ' ') && !take(text, at, 'T')) return TimeParse::malformed;
  Seconds of_day{};
  const TimeParse clock = read_clock(text, at, of_day);
  if (clock == TimeParse::malformed) return clock;
  take(text, at, 'Z');
  if (at != text.size()) return TimeParse::malformed;
  if (clock == TimeParse::impossible) return clock;
  calendar::Day day{};
  const TimeParse date_status = day_of_date(d, day);
  if (date_status != TimeParse::ok) return date_status;
  time = day + of_day;
  return TimeParse::ok;
}

TimeParse InstantReader::read(std::string_view text, calendar::Instant& time) {
  const auto digit = [&](std::size_t k) { return static_cast<unsigned>(text[k] - '0'); };
  const auto digits_at = [&](std::size_t k) { return digit(k) <= 9 && digit(k + 1) <= 9; };
  std::size_t size = text.size();
  if (size > 16 && text[size - 1] == 'Z') --size;
  if ((size != 16 && size != 19) || (text[10] != ' ' && text[10] != 'T') || text[13] != ':' ||
      (size == 19 && text[16] != ':') || !digits_at(11) || !digits_at(14) || (size == 19 && !digits_at(17)))
    return parse_instant(text, time);
  std::uint64_t head = 0, cached_head = 0;
  std::uint16_t tail = 0, cached_tail = 0;
  std::memcpy(&head, text.data(), 8);
  std::memcpy(&tail, text.data() + 8, 2);
  std::memcpy(&cached_head, date_, 8);
  std::memcpy(&cached_tail, date_ + 8, 2);
  if (!have_date_ || head != cached_head || tail != cached_tail) {
    const TimeParse status = parse_date(text.substr(0, 10), day_);
    if (status != TimeParse::ok) {
      have_date_ = false;
      return parse_instant(text, time);  // the same verdict, from the whole text
    }
    std::memcpy(date_, text.data(), 10);
    have_date_ = true;
  }
  const unsigned h = digit(11) * 10 + digit(12), m = digit(14) * 10 + digit(15);
  const unsigned sec = size == 19 ? digit(17) * 10 + digit(18) : 0;
  if (!clock_ok(h, m, sec)) return TimeParse::impossible;
  time = day_ + clock_time(h, m, sec);
  return TimeParse::ok;
}

TimeParse parse_date(std::string_view text, calendar::Day& day) {
  std::size_t at = 0;
  CivilDate d;
  if (!read_date(text, at, d)) return TimeParse::malformed;
  if (at < text.size()) {  // a midnight time after the date is allowed
    if (!take(text, at, ' ') && !take(text, at, 'T')) return TimeParse::malformed;
    Seconds of_day{};
    if (read_clock(text, at, of_day) != TimeParse::ok || of_day != Seconds{0}) return TimeParse::malformed;
    take(text, at, 'Z');
    if (at != text.size()) return TimeParse::malformed;
  }
  return day_of_date(d, day);
}

TimeParse parse_clock(std::string_view text, Seconds& of_day) {
  std::size_t at = 0;
  const TimeParse status = read_clock(text, at, of_day);
  if (status == TimeParse::ok && at != text.size()) return TimeParse::malformed;
  return status;
}

}  // namespace raingen::gauge
