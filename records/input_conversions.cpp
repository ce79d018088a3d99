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

constexpr double exact_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

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
  std::int64_t v = negative ? -static_cast<std::int64_t>(magnitude)
                            : static_cast<std::int64_t>(magnitude);
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

// The common case in one pass: an optional sign, digits and at most one point, no exponent,
// a mantissa below 2^53 and at most 22 decimals, so that one division by an exact power of ten
// is correctly rounded. False when the text is anything else, for the full parse. Blanks and
// tabs are passed over when skip_blanks is set, as whole collection drops them.
bool convert_plain_real(std::string_view text, int decimals, bool skip_blanks,
                        RealResult& result) {
  const char* at = text.data();
  const char* end = at + text.size();
  if (skip_blanks)
    while (at < end && (*at == ' ' || *at == '\t')) ++at;
  bool negative = false;
  if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
  std::int64_t mantissa = 0;
  int digits = 0, point_at = -1;  // point_at: digits before the point
  for (; at < end; ++at) {
    unsigned digit = static_cast<unsigned char>(*at) - static_cast<unsigned>('0');
    if (digit < 10) {
      if (++digits > 18) return false;
      mantissa = mantissa * 10 + digit;
    } else if (*at == '.' && point_at < 0) {
      point_at = digits;
    } else if (!skip_blanks || (*at != ' ' && *at != '\t')) {
      return false;
    }
  }
  if (digits == 0 || mantissa >= (std::int64_t{1} << 53)) return false;
  int power = point_at >= 0 ? digits - point_at : decimals;
  if (power > 22) return false;
  float magnitude = 0.0f;
  if (mantissa != 0)  // the double is below 10^18: no float overflow
    magnitude = static_cast<float>(static_cast<double>(mantissa) / exact_powers[power]);
  result = {negative ? -magnitude : magnitude, 0};
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

RealResult convert_real(std::string_view text, int decimals, bool zero_dropped) {
  if (text.empty()) return {0.0f, 0};
  RealResult plain;
  if (convert_plain_real(text, decimals, false, plain)) return plain;
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
  if (top >= 310 || (top == 309 && at_or_above_double_overflow(d.digits)))
    return {0.0f, error::real_overflow};
  if (top >= 40) return {0.0f, error::single_overflow};
  double v = nearest_double(d.digits, d.power);
  if (v > largest_float) return {0.0f, error::single_overflow};
  return {sign * static_cast<float>(v), 0};
}

RealResult convert_whole_real(char* chars, std::size_t length, int decimals) {
  RealResult plain;
  if (convert_plain_real(std::string_view(chars, length), decimals, true, plain)) return plain;
  bool zero_dropped;
  std::size_t n = collect_whole(chars, length, 'F', zero_dropped);
  return convert_real(std::string_view(chars, n), decimals, zero_dropped);
}

}  // namespace records
