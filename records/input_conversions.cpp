// Integer and real conversion of collected field text.
#include "records/input_conversions.h"

#include <charconv>
#include <cstring>
#include <string>

#include "records/errors.h"

namespace records {
namespace {

constexpr char ctrl_z = 26;
constexpr double largest_float = 3.4028234663852886E38;

// The smallest value that no longer rounds to a finite double (2^1024 - 2^970, the halfway point
// above the largest double), as its 309 decimal digits.
constexpr std::string_view double_overflow_digits =
    "179769313486231580793728971405303415079934132710037826936173778980444968292764750946649017977"
    "587207096330286416692887910946555547851940402630657488671505820681908902000708383676273854845"
    "817711531764475730270069855571366959622842914819860834936475292719074168444365510704342711559"
    "699508093042880177904174497792";

constexpr double exact_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int digit_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return 99;
}

// Magnitude limit check shared by the decimal and based forms.
IntegerResult signed_value(bool negative, std::uint64_t magnitude) {
  if (magnitude > 2147483647u + std::uint64_t{negative}) return {0, error::integer_overflow};
  std::int64_t v = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return {static_cast<std::int32_t>(v), 0};
}

// Digits of the given radix; the magnitude saturates just above the integer range.
bool accumulate(std::string_view digits, int radix, std::uint64_t& magnitude) {
  magnitude = 0;
  for (char c : digits) {
    int v = digit_value(c);
    if (v >= radix) return false;
    magnitude = magnitude * static_cast<unsigned>(radix) + static_cast<unsigned>(v);
    if (magnitude > (1ull << 32)) magnitude = 1ull << 32;
  }
  return true;
}

IntegerResult convert_based(bool negative, std::string_view text, std::size_t hash) {
  if (text.find('#', hash + 1) != std::string_view::npos) return {0, error::based_second_hash};
  int radix = 16;
  std::string_view radix_text = text.substr(0, hash);
  if (!radix_text.empty()) {
    std::uint64_t r;
    if (!accumulate(radix_text, 10, r)) return {0, error::invalid_integer};
    radix = r > 99 ? 99 : static_cast<int>(r);
  }
  if (radix < 2 || radix > 36) return {0, error::based_bad_radix};
  std::uint64_t magnitude;
  if (!accumulate(text.substr(hash + 1), radix, magnitude)) return {0, error::invalid_integer};
  return signed_value(negative, magnitude);
}

// A decimal number split into its significant digits and a power of ten:
// value = digits × 10^power, digits without leading or trailing zeros.
struct Decimal {
  bool negative = false;
  std::string_view digits;
  std::int64_t power = 0;
};

// Parses text by the real field's grammar; false when characters are left over or no digit
// stands in the mantissa.
bool parse_real(std::string_view text, int decimals, bool zero_dropped, Decimal& d) {
  std::size_t i = 0, n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  std::size_t first = i;  // mantissa digits and point
  std::size_t digit_count = 0, before_point = 0;
  bool point = false;
  for (; i < n; ++i) {
    if (is_digit(text[i])) {
      ++digit_count;
      if (!point) ++before_point;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  std::size_t mantissa_end = i;
  if (digit_count == 0 && !zero_dropped) return false;

  std::int64_t exponent = 0;
  if (i < n) {
    char c = text[i];
    bool letter = c == 'E' || c == 'e' || c == 'D' || c == 'd';
    if (!letter && c != '+' && c != '-') return false;
    if (letter) ++i;
    bool negative_exponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative_exponent = text[i++] == '-';
    std::size_t exponent_digits = 0;
    for (; i < n && is_digit(text[i]); ++i, ++exponent_digits)
      if (exponent < 100000000) exponent = exponent * 10 + (text[i] - '0');
    if (exponent_digits == 0 || i != n) return false;
    if (negative_exponent) exponent = -exponent;
  }

  // Significant digits: the mantissa without its point, leading and trailing zeros.
  std::string_view mantissa = text.substr(first, mantissa_end - first);
  std::size_t lead = 0;
  while (lead < mantissa.size() && (mantissa[lead] == '0' || mantissa[lead] == '.')) ++lead;
  std::size_t end = mantissa.size();
  while (end > lead && (mantissa[end - 1] == '0' || mantissa[end - 1] == '.')) --end;
  d.digits = mantissa.substr(lead, end - lead);
  // The digits are contiguous unless the point lies among them; the caller copies them then.
  std::int64_t point_digits = static_cast<std::int64_t>(point ? before_point : digit_count);
  // Position of the last significant digit, counted in digits from the start of the mantissa.
  std::int64_t last = 0;
  for (std::size_t k = 0; k < end; ++k)
    if (is_digit(mantissa[k])) ++last;
  d.power = point_digits - last + exponent - (point ? 0 : decimals);
  return true;
}

// Compares the significant digits with those of the double overflow point, both read as 0.ddd.
bool at_or_above_double_overflow(std::string_view digits) {
  std::size_t n = std::max(digits.size(), double_overflow_digits.size());
  for (std::size_t k = 0; k < n; ++k) {
    char a = k < digits.size() ? digits[k] : '0';
    char b = k < double_overflow_digits.size() ? double_overflow_digits[k] : '0';
    if (a != b) return a > b;
  }
  return true;
}

// The double nearest to digits × 10^power, for a value well inside the double range.
double nearest_double(std::string_view digits, std::int64_t power) {
  if (digits.size() <= 15 && power >= -22 && power <= 22) {
    std::uint64_t m = 0;
    for (char c : digits) m = m * 10 + static_cast<unsigned>(c - '0');
    double v = static_cast<double>(m);  // exact: below 2^53
    return power < 0 ? v / exact_powers[-power] : v * exact_powers[power];
  }
  std::string normalised(digits);
  normalised += 'e';
  normalised += std::to_string(power);
  double v = 0.0;
  std::from_chars(normalised.data(), normalised.data() + normalised.size(), v);
  return v;
}

// The common case in one pass: an optional sign before the first digit or point, digits and at
// most one point, no exponent, a mantissa below 2^53 and at most 22 decimals, so that one
// division by an exact power of ten is correctly rounded. False when the text is anything else,
// for the full parse. Blanks and tabs are passed over when skip_blanks is set, as whole
// collection drops them. Width: the length when it is fixed (then at most 15 characters, so the
// mantissa needs no checks), 0 for any length.
template <std::size_t Width>
bool plain_real(const char* at, std::size_t length, int decimals, bool skip_blanks, float& value) {
  static_assert(Width <= 15);
  const std::size_t n = Width != 0 ? Width : length;
  std::int64_t mantissa = 0;
  int digits = 0, point_at = -1;  // point_at: digits before the point
  bool negative = false, started = false;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = at[i];
    const unsigned digit = static_cast<unsigned char>(c) - static_cast<unsigned>('0');
    if (digit < 10) {
      if (Width == 0 && digits == 18) return false;
      mantissa = mantissa * 10 + digit;
      ++digits;
      started = true;
    } else if (skip_blanks && (c == ' ' || c == '\t')) {
    } else if (c == '.' && point_at < 0) {
      point_at = digits;
      started = true;
    } else if ((c == '+' || c == '-') && !started) {
      negative = c == '-';
      started = true;
    } else {
      return false;
    }
  }
  if (digits == 0 || (Width == 0 && mantissa >= (std::int64_t{1} << 53))) return false;
  const int power = point_at >= 0 ? digits - point_at : decimals;
  if (power > 22) return false;
  float magnitude = 0.0f;
  if (mantissa != 0)  // the double is below 10^18: no float overflow
    magnitude = static_cast<float>(static_cast<double>(mantissa) / exact_powers[power]);
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

std::size_t collect_whole(char* chars, std::size_t length, char kind, bool& zero_dropped) {
  std::size_t out = 0;
  zero_dropped = false;
  for (std::size_t i = 0; i < length; ++i) {
    char c = chars[i];
    if (c == ',') break;
    if (c == ctrl_z && kind == 'I') break;
    if (c == ' ' || c == '\t') continue;
    if (c == '0' && out == 0) {
      zero_dropped = true;
      continue;
    }
    chars[out++] = c;
  }
  return out;
}

IntegerResult convert_integer(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  std::size_t hash = text.find('#');
  if (hash != std::string_view::npos) return convert_based(negative, text, hash);
  std::uint64_t magnitude;
  if (!accumulate(text, 10, magnitude)) return {0, error::invalid_integer};
  return signed_value(negative, magnitude);
}

namespace {

// The shape an Fw.d field has when it was written as Fw.d: blanks and digits, then the point in
// its place with d digits after it. Read without classifying each character; false for any
// other text, which plain_real then takes. Decimals: d when it is fixed (the loops unroll),
// -1 for d given as decimals.
template <std::size_t Width, int Decimals>
[[gnu::always_inline]] inline bool written_as_field(const char* at, int decimals, float& value) {
  if constexpr (Decimals >= 0) decimals = Decimals;
  if (decimals < 0 || static_cast<std::size_t>(decimals) >= Width) return false;
  const std::size_t point = Width - 1 - static_cast<std::size_t>(decimals);
  if (at[point] != '.') return false;
  std::uint64_t mantissa = 0;
  bool digit_seen = false;
#pragma GCC unroll 16
  for (std::size_t i = 0; i < point; ++i) {  // blanks pass, as whole collection drops them
    const unsigned digit = static_cast<unsigned char>(at[i]) - static_cast<unsigned>('0');
    if (digit <= 9) {
      mantissa = mantissa * 10 + digit;
      digit_seen = true;
    } else if (at[i] != ' ') {
      return false;
    }
  }
#pragma GCC unroll 16
  for (std::size_t i = point + 1; i < Width; ++i) {
    const unsigned digit = static_cast<unsigned char>(at[i]) - static_cast<unsigned>('0');
    if (digit > 9) return false;
    mantissa = mantissa * 10 + digit;
  }
  if (decimals == 0 && !digit_seen) return false;  // no digit at all
  value = static_cast<float>(static_cast<double>(mantissa) / exact_powers[decimals]);
  return true;
}

template <std::size_t Width, int Decimals = -1>
std::size_t plain_fields(const char* first, std::size_t step, std::size_t width, int decimals, std::size_t count,
                         float* items, std::ptrdiff_t stride) {
  std::size_t k = 0;
  for (; k < count; ++k) {
    const char* field = first + k * step;
    float& item = items[static_cast<std::ptrdiff_t>(k) * stride];
    if constexpr (Width != 0)
      if (written_as_field<Width, Decimals>(field, decimals, item)) continue;
    if (!plain_real<Width>(field, width, decimals, true, item)) break;
  }
  return k;
}

}  // namespace

bool convert_plain_field(const char* chars, std::size_t width, int decimals, float& value) {
  return convert_plain_fields(chars, width, width, decimals, 1, &value, 1) == 1;
}

std::size_t convert_plain_fields(const char* first, std::size_t step, std::size_t width, int decimals,
                                 std::size_t count, float* items, std::ptrdiff_t stride) {
  // The program's F fields, F5.2 and F9.4, unrolled.
  if (width == 5 && decimals == 2) return plain_fields<5, 2>(first, step, width, decimals, count, items, stride);
  if (width == 9 && decimals == 4) return plain_fields<9, 4>(first, step, width, decimals, count, items, stride);
  switch (width) {
    case 5: return plain_fields<5>(first, step, width, decimals, count, items, stride);
    case 9: return plain_fields<9>(first, step, width, decimals, count, items, stride);
    default: return plain_fields<0>(first, step, width, decimals, count, items, stride);
  }
}

RealResult convert_real(std::string_view text, int decimals, bool zero_dropped) {
  if (text.empty()) return {0.0f, 0};
  RealResult plain;
  if (plain_real<0>(text.data(), text.size(), decimals, false, plain.value)) return plain;
  return convert_real_by_grammar(text, decimals, zero_dropped);
}

RealResult convert_real_by_grammar(std::string_view text, int decimals, bool zero_dropped) {
  if (text.empty()) return {0.0f, 0};
  Decimal d;
  if (!parse_real(text, decimals, zero_dropped, d)) return {0.0f, error::invalid_real};
  float sign = d.negative ? -1.0f : 1.0f;
  if (d.digits.empty()) return {sign * 0.0f, 0};

  // The digits may straddle the decimal point: gather them without it.
  std::string gathered;
  if (d.digits.find('.') != std::string_view::npos) {
    for (char c : d.digits)
      if (c != '.') gathered += c;
    d.digits = gathered;
  }

  // The value lies in [10^(top-1), 10^top): decide the range before any conversion.
  std::int64_t top = static_cast<std::int64_t>(d.digits.size()) + d.power;
  if (top <= -46) return {sign * 0.0f, 0};  // below half the smallest float
  if (top >= 310 || (top == 309 && at_or_above_double_overflow(d.digits))) return {0.0f, error::real_overflow};
  if (top >= 40) return {0.0f, error::single_overflow};
  double v = nearest_double(d.digits, d.power);
  if (v > largest_float) return {0.0f, error::single_overflow};
  return {sign * static_cast<float>(v), 0};
}

RealResult convert_whole_real(char* chars, std::size_t length, int decimals) {
  RealResult plain;
  if (convert_plain_field(chars, length, decimals, plain.value)) return plain;
  bool zero_dropped;
  std::size_t n = collect_whole(chars, length, 'F', zero_dropped);
  return convert_real(std::string_view(chars, n), decimals, zero_dropped);
}

}  // namespace records
