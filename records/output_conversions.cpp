// Text, integer and real fields of an output record.
#include "records/output_conversions.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace records {
namespace {

constexpr int significant_digits = 7;

void put_blanks(RecordText& record, int count) {
  if (count > 0) record.append(static_cast<std::size_t>(count), ' ');
}

void put_char(RecordText& record, char c) { *record.extend(1) = c; }

// Right-justifies text of the given length in width columns, or fills them with asterisks.
// Returns false when the asterisks were written.
bool make_room(RecordText& record, int length, int width) {
  if (length > width) {
    record.append(static_cast<std::size_t>(width), '*');
    return false;
  }
  put_blanks(record, width - length);
  return true;
}

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The number of decimal digits of n (1 for 0).
int digit_count(std::uint32_t n) {
  int count = 1;
  for (; n >= 100; n /= 100) count += 2;
  return count + (n >= 10 ? 1 : 0);
}

// Digits are written backwards, from a text's end towards its start: each function takes and
// gives the first character written.

// The decimal digits of n, at least one.
char* put_digits(char* start, std::uint32_t n) {
  for (; n >= 100; n /= 100) std::memcpy(start -= 2, digit_pairs + 2 * (n % 100), 2);
  if (n >= 10) {
    std::memcpy(start -= 2, digit_pairs + 2 * n, 2);
  } else {
    *--start = static_cast<char>('0' + n);
  }
  return start;
}

// The last count digits of n (zeros where n has none).
char* put_places(char* start, std::uint32_t n, int count) {
  for (; count >= 2; count -= 2, n /= 100) std::memcpy(start -= 2, digit_pairs + 2 * (n % 100), 2);
  if (count == 1) *--start = static_cast<char>('0' + n % 10);
  return start;
}

// Numbers below 10^8 in fields of up to 32 columns, the usual case, are laid out a word at a
// time: their eight digits, leading zeros included, form one 8-byte word (character k in byte k
// of memory) that is stored where the text ends, its leading zeros turned into blanks.
constexpr bool words_in_memory_order = std::endian::native == std::endian::little;
constexpr std::uint64_t eight_blanks = 0x2020202020202020ull;

// n < 10^8 split in halves of four digits, of two, then of one, each in its lane of the word:
// the first digits in the low bytes. Dividing by 100 and by 10 within a lane is a multiply and a
// shift that are exact for the values a lane holds (below 10^4 and 10^2).
std::uint64_t eight_digits(std::uint32_t n) {
  std::uint64_t x = n / 10000 | std::uint64_t{n % 10000} << 32;
  const std::uint64_t hundreds = (x * 10486) >> 20 & 0x0000007F0000007Full;
  x = hundreds | (x - hundreds * 100) << 16;
  const std::uint64_t tens = (x * 103) >> 10 & 0x000F000F000F000Full;
  x = tens | (x - tens * 10) << 8;
  return x | 0x3030303030303030ull;
}

// The digits that count in such a word: 8 less its leading zeros, 1 for zero.
int significant_digits_of(std::uint64_t word) {
  const std::uint64_t not_zero = (word ^ 0x3030303030303030ull) | (std::uint64_t{1} << 56);
  return 8 - __builtin_ctzll(not_zero) / 8;
}

// The word with its first count characters (0..8) made blanks.
std::uint64_t blank_first(std::uint64_t word, int count) {
  if (count >= 8) return eight_blanks;
  const std::uint64_t mask = (std::uint64_t{1} << (8 * count)) - 1;
  return (word & ~mask) | (eight_blanks & mask);
}

// The columns of a field whose text is length characters long, blanks up to where the text
// goes; the caller writes the text backwards from the returned end. nullptr when the text does
// not fit: the columns are asterisks then.
char* justified_columns(RecordText& record, int length, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (length > width) {
    record.append(w, '*');
    return nullptr;
  }
  char* columns = record.extend(w);
  if (w <= RecordText::slack) {
    std::memset(columns, ' ', RecordText::slack);  // one fixed-size store, into the slack too
  } else {
    std::memset(columns, ' ', w);
  }
  return columns + w;
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
  auto done = std::to_chars(text, text + sizeof text, std::fabs(v), std::chars_format::scientific, 16);
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

void put_rounded(RecordText& record, const Rounded& r, int width, int decimals) {
  if (r.count == 0) {
    int length = decimals == 0 ? 2 : 1 + decimals;
    if (!make_room(record, length, width)) return;
    record.append(decimals == 0 ? "0." : ".");
    record.append(static_cast<std::size_t>(decimals), '0');
    return;
  }
  int integer_digits = r.exponent > 0 ? r.exponent : 0;
  int length = (r.negative ? 1 : 0) + integer_digits + 1 + decimals;
  if (!make_room(record, length, width)) return;
  if (r.negative) put_char(record, '-');
  for (int p = 1; p <= integer_digits; ++p) put_char(record, digit_at(r, p));
  put_char(record, '.');
  for (int j = 1; j <= decimals; ++j) put_char(record, digit_at(r, static_cast<long>(r.exponent) + j));
}

constexpr std::uint64_t powers_of_ten[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The value scaled by 10^d and rounded half up, exactly, when the digits rule cannot differ:
// |value| < 10^(7-d) (so no place is cut by the 7-digit limit) and the exact value is not
// within 10^-10 of a half, where the 17-digit expansion could round across it.
bool scaled_exactly(float value, int decimals, std::uint64_t& scaled) {
  if (decimals > 7) return false;
  if (!(std::fabs(static_cast<double>(value)) < static_cast<double>(powers_of_ten[7 - decimals]))) return false;
  // value = ±mantissa / 2^shift, from the float's own fields (a subnormal has no hidden bit).
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int biased_exponent = static_cast<int>(bits >> 23 & 0xFF);
  std::uint64_t mantissa = bits & 0x7FFFFF;
  if (biased_exponent != 0) mantissa |= 0x800000;
  if (mantissa == 0) {
    scaled = 0;
    return true;
  }
  const int shift = biased_exponent != 0 ? 150 - biased_exponent : 149;
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

// The text of a value scaled by 10^d: "-" for a negative one, the integer digits (none when
// the integer part is zero, except "0" when there are no digits at all), the point, d places.
void put_scaled(RecordText& record, bool negative, std::uint32_t scaled, int width, int decimals) {
  if (words_in_memory_order && width >= 9 && width <= static_cast<int>(RecordText::slack)) {
    // The eight digits stored so that the integer part ends two columns before the field's
    // end, then the places stored again one column on, behind the point.
    const std::uint64_t word = eight_digits(scaled);
    const int integer_digits = std::max(significant_digits_of(word) - decimals, 0);  // "0." too
    const bool minus = negative && scaled != 0;
    if ((minus ? 1 : 0) + integer_digits + 1 + decimals > width) {
      record.append(static_cast<std::size_t>(width), '*');
      return;
    }
    char* columns = record.extend(static_cast<std::size_t>(width));
    std::memset(columns, ' ', RecordText::slack);
    char* end = columns + width;
    const std::uint64_t integer_word = blank_first(word, 8 - decimals - integer_digits);
    std::memcpy(end - 9, &integer_word, 8);
    if (decimals > 0) {
      const std::uint64_t places = word >> (8 * (8 - decimals));
      std::memcpy(end - decimals, &places, 8);  // its last bytes fall into the slack
    }
    end[-decimals - 1] = '.';
    if (minus) end[-decimals - 2 - integer_digits] = '-';
    return;
  }
  const auto integer_part = scaled / static_cast<std::uint32_t>(powers_of_ten[decimals]);
  const bool integer_text = integer_part != 0 || decimals == 0;
  const bool minus = negative && scaled != 0;
  const int length = (minus ? 1 : 0) + (integer_text ? digit_count(integer_part) : 0) + 1 + decimals;
  char* end = justified_columns(record, length, width);
  if (!end) return;
  char* start = put_places(end, scaled, decimals);
  *--start = '.';
  if (integer_text) start = put_digits(start, integer_part);
  if (minus) *--start = '-';
}

}  // namespace

void put_text_field(RecordText& record, std::string_view text, int width) {
  if (width == 0) width = static_cast<int>(text.size());
  if (static_cast<std::size_t>(width) >= text.size()) {
    put_blanks(record, width - static_cast<int>(text.size()));
    record.append(text);
  } else {
    record.append(text.substr(0, static_cast<std::size_t>(width)));
  }
}

void put_integer_field(RecordText& record, std::int32_t value, int width) {
  const std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  if (words_in_memory_order && magnitude < 100000000 && width >= 8 && width <= static_cast<int>(RecordText::slack)) {
    const std::uint64_t word = eight_digits(magnitude);
    const int digits = significant_digits_of(word);
    if (digits + (value < 0 ? 1 : 0) > width) {
      record.append(static_cast<std::size_t>(width), '*');
      return;
    }
    char* columns = record.extend(static_cast<std::size_t>(width));
    std::memset(columns, ' ', RecordText::slack);
    char* end = columns + width;
    const std::uint64_t text = blank_first(word, 8 - digits);
    std::memcpy(end - 8, &text, 8);
    if (value < 0) end[-digits - 1] = '-';
    return;
  }
  char* end = justified_columns(record, digit_count(magnitude) + (value < 0 ? 1 : 0), width);
  if (!end) return;
  char* start = put_digits(end, magnitude);
  if (value < 0) *--start = '-';
}

void put_real_field(RecordText& record, float value, int width, int decimals) {
  if (words_in_memory_order && value == 0.0f && decimals <= 7 && width >= 8 &&
      width <= static_cast<int>(RecordText::slack)) {
    // The most common value of all, of either sign: "." and d zeros ("0." when d is 0).
    char* columns = record.extend(static_cast<std::size_t>(width));
    std::memset(columns, ' ', RecordText::slack);
    char* end = columns + width;
    std::memcpy(end - decimals, "00000000", 8);  // its last bytes fall into the slack
    end[-decimals - 1] = '.';
    if (decimals == 0) end[-2] = '0';
    return;
  }
  std::uint64_t scaled;
  if (scaled_exactly(value, decimals, scaled))
    return put_scaled(record, std::signbit(value), static_cast<std::uint32_t>(scaled), width, decimals);
  put_real_field_by_digits(record, value, width, decimals);
}

void put_real_field_by_digits(RecordText& record, float value, int width, int decimals) {
  put_rounded(record, round_by_digits(value, decimals), width, decimals);
}

}  // namespace records
