// Text, integer and real fields of an output record.
#include "records/output_conversions.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace records {
namespace {

constexpr int significant_digits = 7;

void put_blanks(std::string& record, int count) {
  if (count > 0) record.append(static_cast<std::size_t>(count), ' ');
}

// Right-justifies text of the given length in width columns, or fills them with asterisks.
// Returns false when the asterisks were written.
bool make_room(std::string& record, int length, int width) {
  if (length > width) {
    record.append(static_cast<std::size_t>(width), '*');
    return false;
  }
  put_blanks(record, width - length);
  return true;
}

// A real rounded for an F field: value = 0.digits × 10^exponent; count 0 means zero.
struct Rounded {
  bool negative = false;
  int exponent = 0;
  int count = 0;
  char digits[24] = {};
};

Rounded round_by_digits(float value, int decimals) {
  Rounded r;
  double v = value;
  if (v == 0.0) return r;
  char text[40];
  auto done =
      std::to_chars(text, text + sizeof text, std::fabs(v), std::chars_format::scientific, 16);
  *done.ptr = 0;
  // text: d.dddddddddddddddde[+-]xx
  char d17[17];
  d17[0] = text[0];
  std::memcpy(d17 + 1, text + 2, 16);
  int e = std::atoi(text + 19) + 1;
  long keep = static_cast<long>(e) + decimals;
  if (keep < 0) return r;
  if (keep > significant_digits) keep = significant_digits;
  int kept = static_cast<int>(keep);
  std::memcpy(r.digits, d17, static_cast<std::size_t>(kept));
  r.exponent = e;
  r.count = kept;
  if (d17[kept] >= '5') {
    int k = kept - 1;
    while (k >= 0 && r.digits[k] == '9') r.digits[k--] = '0';
    if (k >= 0) {
      ++r.digits[k];
    } else {  // carried out of the first digit, or rounded up from no digit at all
      r.digits[0] = '1';
      r.count = 1;
      r.exponent = e + 1;
    }
  }
  if (r.count == 0) return Rounded{};
  r.negative = v < 0;
  return r;
}

char digit_at(const Rounded& r, long place) {  // place 1 is the first digit after "0."
  return place >= 1 && place <= r.count ? r.digits[place - 1] : '0';
}

void put_rounded(std::string& record, const Rounded& r, int width, int decimals) {
  if (r.count == 0) {
    int length = decimals == 0 ? 2 : 1 + decimals;
    if (!make_room(record, length, width)) return;
    record += decimals == 0 ? "0." : ".";
    record.append(static_cast<std::size_t>(decimals), '0');
    return;
  }
  int integer_digits = r.exponent > 0 ? r.exponent : 0;
  int length = (r.negative ? 1 : 0) + integer_digits + 1 + decimals;
  if (!make_room(record, length, width)) return;
  if (r.negative) record += '-';
  for (int p = 1; p <= integer_digits; ++p) record += digit_at(r, p);
  record += '.';
  for (int j = 1; j <= decimals; ++j) record += digit_at(r, static_cast<long>(r.exponent) + j);
}

constexpr std::uint64_t powers_of_ten[] = {1,      10,      100,      1000,     10000,
                                           100000, 1000000, 10000000, 100000000};

// The value scaled by 10^d and rounded half up, exactly, when the digits rule cannot differ:
// |value| < 10^(7-d) (so no place is cut by the 7-digit limit) and the exact value is not
// within 10^-10 of a half, where the 17-digit expansion could round across it.
bool scaled_exactly(float value, int decimals, std::uint64_t& scaled) {
  if (decimals > 7) return false;
  double v = std::fabs(static_cast<double>(value));
  if (!(v < static_cast<double>(powers_of_ten[7 - decimals]))) return false;
  if (v == 0.0) {
    scaled = 0;
    return true;
  }
  int binary_exponent;
  double fraction = std::frexp(v, &binary_exponent);  // v = fraction × 2^binary_exponent
  std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 24));  // exact
  int shift = 24 - binary_exponent;                            // v = mantissa / 2^shift
  std::uint64_t product = mantissa * powers_of_ten[decimals];  // below 2^51
  if (shift <= 0) {
    scaled = product << -shift;
    return true;
  }
  if (shift >= 60) {  // the scaled value is below 2^-12: far from a half
    scaled = 0;
    return true;
  }
  std::uint64_t whole = product >> shift;
  std::uint64_t rest = product & ((std::uint64_t{1} << shift) - 1);
  std::uint64_t half = std::uint64_t{1} << (shift - 1);
  if (shift > 33) {
    std::uint64_t margin = std::uint64_t{1} << (shift - 33);  // 2^-33 of a unit
    std::uint64_t distance = rest > half ? rest - half : half - rest;
    if (distance < margin) return false;
  }
  scaled = whole + (rest >= half ? 1 : 0);
  return true;
}

void put_scaled(std::string& record, bool negative, std::uint64_t scaled, int width, int decimals) {
  if (scaled == 0) return put_rounded(record, Rounded{}, width, decimals);
  char digits[24];
  int n = 0;
  for (std::uint64_t s = scaled; s != 0; s /= 10) digits[n++] = static_cast<char>('0' + s % 10);
  int integer_digits = n > decimals ? n - decimals : 0;
  int length = (negative ? 1 : 0) + integer_digits + 1 + decimals;
  if (!make_room(record, length, width)) return;
  if (negative) record += '-';
  for (int k = n - 1; k >= decimals; --k) record += digits[k];
  record += '.';
  for (int k = decimals - 1; k >= 0; --k) record += k < n ? digits[k] : '0';
}

}  // namespace

void put_text_field(std::string& record, std::string_view text, int width) {
  if (width == 0) width = static_cast<int>(text.size());
  if (static_cast<std::size_t>(width) >= text.size()) {
    put_blanks(record, width - static_cast<int>(text.size()));
    record.append(text);
  } else {
    record.append(text.substr(0, static_cast<std::size_t>(width)));
  }
}

void put_integer_field(std::string& record, std::int32_t value, int width) {
  char text[16];
  auto done = std::to_chars(text, text + sizeof text, value);
  int length = static_cast<int>(done.ptr - text);
  if (make_room(record, length, width)) record.append(text, static_cast<std::size_t>(length));
}

void put_real_field(std::string& record, float value, int width, int decimals) {
  std::uint64_t scaled;
  if (scaled_exactly(value, decimals, scaled))
    return put_scaled(record, std::signbit(value), scaled, width, decimals);
  put_real_field_by_digits(record, value, width, decimals);
}

void put_real_field_by_digits(std::string& record, float value, int width, int decimals) {
  put_rounded(record, round_by_digits(value, decimals), width, decimals);
}

}  // namespace records
