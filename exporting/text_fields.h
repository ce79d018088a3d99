// Digits and depths written straight into a character buffer: the text writers' one way to put a
// number, the same in every locale and cheap enough for a row per 15 minutes.
#pragma once

#include <algorithm>
#include <string_view>

#include "calendar/civil_clock.h"

namespace raingen::exporting {

// value (0 <= value < 10^width) with leading zeros, in exactly width characters; returns the end.
inline char* put_digits(char* out, unsigned value, int width) {
  for (int k = width - 1; k >= 0; --k) {
    out[k] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return out + width;
}

// A depth given in thousandths, as "0.069" or "12.500": the table's three decimals, with a 0
// before the point; returns the end. At most 16 characters.
inline char* put_depth(char* out, long thousandths) {
  unsigned long whole = static_cast<unsigned long>(thousandths / 1000);
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole > 0);
  while (n > 0) *out++ = digits[--n];
  *out++ = '.';
  return put_digits(out, static_cast<unsigned>(thousandths % 1000), 3);
}

// A time as "2001-01-01 00:15", then the clock's offset when one is stated ("2001-01-01 00:15-05:00",
// ISO 8601: pandas reads the instant); returns the end. At most 16 characters and the zone's.
inline char* put_stamp(char* out, const calendar::CivilMinute& t, std::string_view zone = {}) {
  out = put_digits(out, t.year, 4);
  *out++ = '-';
  out = put_digits(out, t.month, 2);
  *out++ = '-';
  out = put_digits(out, t.day, 2);
  *out++ = ' ';
  out = put_digits(out, t.hour, 2);
  *out++ = ':';
  out = put_digits(out, t.minute, 2);
  return std::copy(zone.begin(), zone.end(), out);
}

}  // namespace raingen::exporting
