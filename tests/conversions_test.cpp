// Conversions of single fields, in tables: integer and real input text, and I, F, A output.
// The float traps are on while they run, as in the program: no conversion may overflow.
#include <fenv.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <ostream>
#include <random>
#include <string>

#include "records/input_conversions.h"
#include "records/output_conversions.h"
#include "records/run_end.h"

namespace {

namespace error = records::error;

class Trapped : public testing::Test {
 protected:
  void SetUp() override {
    feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
  }
  void TearDown() override { fedisableexcept(FE_ALL_EXCEPT); }
};

// Integer text as collected.
struct IntegerCase {
  const char* text;
  std::int32_t value;
  int error;
};

void PrintTo(const IntegerCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class IntegerText : public Trapped, public testing::WithParamInterface<IntegerCase> {};

TEST_P(IntegerText, Converts) {
  records::IntegerResult r = records::convert_integer(GetParam().text);
  EXPECT_EQ(r.error, GetParam().error) << GetParam().text;
  if (GetParam().error == 0) {
    EXPECT_EQ(r.value, GetParam().value) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, IntegerText,
    testing::Values(IntegerCase{"", 0, 0}, IntegerCase{"+", 0, 0}, IntegerCase{"-", 0, 0}, IntegerCase{"123", 123, 0},
                    IntegerCase{"-42", -42, 0}, IntegerCase{"+0042", 42, 0}, IntegerCase{"2147483647", INT32_MAX, 0},
                    IntegerCase{"-2147483648", INT32_MIN, 0}, IntegerCase{"2147483648", 0, error::integer_overflow},
                    IntegerCase{"-2147483649", 0, error::integer_overflow},
                    IntegerCase{"99999999999999999999999", 0, error::integer_overflow},
                    IntegerCase{"12a", 0, error::invalid_integer}, IntegerCase{"1.0", 0, error::invalid_integer},
                    IntegerCase{"1-2", 0, error::invalid_integer}, IntegerCase{"--1", 0, error::invalid_integer},
                    IntegerCase{"TIME", 0, error::invalid_integer},
                    // Based integers.
                    IntegerCase{"16#FF", 255, 0}, IntegerCase{"16#ff", 255, 0}, IntegerCase{"#FF", 255, 0},
                    IntegerCase{"2#101", 5, 0}, IntegerCase{"36#Z", 35, 0}, IntegerCase{"-16#10", -16, 0},
                    IntegerCase{"16#7FFFFFFF", INT32_MAX, 0}, IntegerCase{"-16#80000000", INT32_MIN, 0},
                    IntegerCase{"16#80000000", 0, error::integer_overflow},
                    IntegerCase{"8#9", 0, error::invalid_integer}, IntegerCase{"16#G", 0, error::invalid_integer},
                    IntegerCase{"1#1", 0, error::based_bad_radix}, IntegerCase{"37#1", 0, error::based_bad_radix},
                    IntegerCase{"0#1", 0, error::based_bad_radix}, IntegerCase{"16#1#2", 0, error::based_second_hash}));

// A field's characters collected whole and converted, as a read statement does after a column
// skip.
records::IntegerResult read_whole_integer(std::string_view field) {
  std::string chars(field);
  bool zero_dropped;
  std::size_t n = records::collect_whole(chars.data(), chars.size(), 'I', zero_dropped);
  return records::convert_integer(std::string_view(chars.data(), n));
}

records::RealResult read_whole_real(std::string_view field, int decimals) {
  std::string chars(field);
  return records::convert_whole_real(chars.data(), chars.size(), decimals);
}

// Whole collection: the field's characters as they stand in the record.
struct WholeIntegerCase {
  const char* field;
  std::int32_t value;
  int error;
};

void PrintTo(const WholeIntegerCase& c, std::ostream* os) { *os << '"' << c.field << '"'; }

class WholeIntegerField : public Trapped, public testing::WithParamInterface<WholeIntegerCase> {};

TEST_P(WholeIntegerField, Converts) {
  records::IntegerResult r = read_whole_integer(GetParam().field);
  EXPECT_EQ(r.error, GetParam().error) << GetParam().field;
  if (GetParam().error == 0) {
    EXPECT_EQ(r.value, GetParam().value) << GetParam().field;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, WholeIntegerField,
                         testing::Values(WholeIntegerCase{"  1 2 3  ", 123, 0}, WholeIntegerCase{"   -0042 ", -42, 0},
                                         WholeIntegerCase{"12,345678", 12, 0}, WholeIntegerCase{"12,abc", 12, 0},
                                         WholeIntegerCase{"         ", 0, 0}, WholeIntegerCase{"0 0 0-5", -5, 0},
                                         WholeIntegerCase{"\t7\t", 7, 0},
                                         WholeIntegerCase{"12\x1a"
                                                          "ab",
                                                          12, 0},
                                         WholeIntegerCase{"HEADING  ", 0, error::invalid_integer},
                                         WholeIntegerCase{"00002147483648", 0, error::integer_overflow}));

struct RealCase {
  const char* field;
  int decimals;
  float value;
  int error;
};

void PrintTo(const RealCase& c, std::ostream* os) { *os << '"' << c.field << "\" d=" << c.decimals; }

class WholeRealField : public Trapped, public testing::WithParamInterface<RealCase> {};

TEST_P(WholeRealField, Converts) {
  records::RealResult r = read_whole_real(GetParam().field, GetParam().decimals);
  EXPECT_EQ(r.error, GetParam().error) << GetParam().field;
  if (GetParam().error == 0) {
    EXPECT_EQ(r.value, GetParam().value) << GetParam().field;
    EXPECT_EQ(std::signbit(r.value), std::signbit(GetParam().value)) << GetParam().field;
  }
}

constexpr const char* double_overflow_point =
    "17976931348623158079372897140530341507993413271003782693617377898044496829276475094664901797"
    "75872070963302864166928879109465555478519404026306574886715058206819089020007083836762738548"
    "45817711531764475730270069855571366959622842914819860834936475292719074168444365510704342711"
    "559699508093042880177904174497792";

std::string below_double_overflow() {  // the overflow point less one in its last digit
  std::string s = double_overflow_point;
  s.back() = '1';
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WholeRealField,
    testing::Values(
        // The F9.4 and F5.2 examples of the spell table and day lines.
        RealCase{"   0.1234", 4, 0.1234f, 0}, RealCase{"     1234", 4, 0.1234f, 0}, RealCase{"   1.5E-1", 4, 0.15f, 0},
        RealCase{"     1E2 ", 4, 0.01f, 0}, RealCase{"         ", 4, 0.0f, 0}, RealCase{" 1.25", 2, 1.25f, 0},
        RealCase{"  125", 2, 1.25f, 0}, RealCase{"   .5", 2, 0.5f, 0},
        // Exponent forms.
        RealCase{"1.5+2", 0, 150.0f, 0}, RealCase{"1.5-2", 0, 0.015f, 0}, RealCase{"1.5d1", 0, 15.0f, 0},
        RealCase{"1.5D+1", 0, 15.0f, 0}, RealCase{"15e-1", 1, 0.15f, 0}, RealCase{"-2.5E0", 0, -2.5f, 0},
        RealCase{"1.", 3, 1.0f, 0}, RealCase{"-0", 0, -0.0f, 0}, RealCase{"-.0", 0, -0.0f, 0},
        // Dropped zeros count as digits; nothing is inserted.
        RealCase{"0E2", 2, 0.0f, 0}, RealCase{"0.", 2, 0.0f, 0}, RealCase{"00.5", 2, 0.5f, 0},
        RealCase{"0-5", 2, -0.05f, 0}, RealCase{"1.5,9", 0, 1.5f, 0}, RealCase{"+", 2, 0, error::invalid_real},
        RealCase{"-", 2, 0, error::invalid_real}, RealCase{".", 2, 0, error::invalid_real},
        RealCase{"E2", 2, 0, error::invalid_real}, RealCase{"1.2.3", 2, 0, error::invalid_real},
        RealCase{"1E", 2, 0, error::invalid_real}, RealCase{"1E+", 2, 0, error::invalid_real},
        RealCase{"1+", 2, 0, error::invalid_real}, RealCase{"1.5Q", 2, 0, error::invalid_real},
        RealCase{"1E2E3", 2, 0, error::invalid_real}, RealCase{"1.5\x1a", 2, 0, error::invalid_real},
        RealCase{"--1", 2, 0, error::invalid_real},
        // Rounding through double to float, long digit strings.
        RealCase{"0.1", 0, 0.1f, 0}, RealCase{"0.1000000000000000000000000001", 0, 0.1f, 0},
        RealCase{"123456789012345678901234567890", 0, 1.2345679e29f, 0}, RealCase{"16777217", 0, 16777216.0f, 0},
        RealCase{"16777219", 0, 16777220.0f, 0},
        // Range: float, double, and below double.
        RealCase{"3.4028234663852886E38", 0, FLT_MAX, 0}, RealCase{"3.4028235E38", 0, 0, error::single_overflow},
        RealCase{"-3.5E38", 0, 0, error::single_overflow}, RealCase{"1E39", 0, 0, error::single_overflow},
        RealCase{"1E308", 0, 0, error::single_overflow},
        RealCase{"1.7976931348623157E308", 0, 0, error::single_overflow},
        RealCase{"1.7976931348623159E308", 0, 0, error::real_overflow}, RealCase{"1E309", 0, 0, error::real_overflow},
        RealCase{"1E99999999999999", 0, 0, error::real_overflow}, RealCase{"1E-45", 0, 1e-45f, 0},
        RealCase{"1E-46", 0, 0.0f, 0}, RealCase{"-1E-400", 0, -0.0f, 0}, RealCase{"1E-99999999999999", 0, 0.0f, 0},
        RealCase{"0E99999999999", 0, 0.0f, 0}, RealCase{"1", 32767, 0.0f, 0}));

TEST_F(Trapped, DoubleOverflowPointIsExact) {
  // The 309 digits read as an integer are the point itself.
  std::string scaled_down = std::string(double_overflow_point) + "E-308";
  EXPECT_EQ(records::convert_real(double_overflow_point, 0).error, error::real_overflow);
  EXPECT_EQ(records::convert_real(below_double_overflow(), 0).error, error::single_overflow);
  EXPECT_EQ(records::convert_real(scaled_down, 0).value, 1.7976931f);
}

TEST_F(Trapped, ZeroDroppedByCollectionStillCountsAsADigit) {
  EXPECT_EQ(records::convert_real("E2", 2, true).error, 0);
  EXPECT_EQ(records::convert_real("E2", 2, false).error, error::invalid_real);
}

// Output fields.
struct RealOutputCase {
  float value;
  int width;
  int decimals;
  const char* text;
};

void PrintTo(const RealOutputCase& c, std::ostream* os) { *os << c.value << " F" << c.width << "." << c.decimals; }

class RealOutput : public Trapped, public testing::WithParamInterface<RealOutputCase> {};

TEST_P(RealOutput, Formats) {
  const RealOutputCase& c = GetParam();
  records::RecordText fast, by_digits;
  records::put_real_field(fast, c.value, c.width, c.decimals);
  records::put_real_field_by_digits(by_digits, c.value, c.width, c.decimals);
  EXPECT_EQ(fast.view(), c.text) << c.value << " F" << c.width << "." << c.decimals;
  EXPECT_EQ(by_digits.view(), c.text) << c.value << " F" << c.width << "." << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RealOutput,
    testing::Values(RealOutputCase{0.254f, 9, 3, "     .254"}, RealOutputCase{0.0f, 9, 3, "     .000"},
                    RealOutputCase{12.5f, 9, 3, "   12.500"}, RealOutputCase{1234567.0f, 9, 3, "*********"},
                    RealOutputCase{12345.678f, 9, 3, "12345.680"}, RealOutputCase{-0.0004f, 9, 3, "     .000"},
                    RealOutputCase{0.0005f, 9, 3, "     .001"}, RealOutputCase{0.00049f, 9, 3, "     .000"},
                    RealOutputCase{9.9996f, 9, 3, "   10.000"}, RealOutputCase{-1.5f, 9, 3, "   -1.500"},
                    RealOutputCase{-0.254f, 9, 3, "    -.254"}, RealOutputCase{100000.0f, 9, 3, "*********"},
                    RealOutputCase{99999.99f, 9, 3, "99999.990"}, RealOutputCase{-0.0f, 9, 3, "     .000"},
                    RealOutputCase{0.00004f, 9, 3, "     .000"}, RealOutputCase{-0.0005f, 9, 3, "    -.001"},
                    RealOutputCase{999.9999f, 8, 3, "1000.000"}, RealOutputCase{999.9999f, 7, 3, "*******"},
                    // d = 0: the "0." of a zero result, and rounding up from no kept digit.
                    RealOutputCase{0.0f, 3, 0, " 0."}, RealOutputCase{0.3f, 3, 0, " 0."},
                    RealOutputCase{-0.3f, 3, 0, " 0."}, RealOutputCase{0.7f, 3, 0, " 1."},
                    RealOutputCase{2.5f, 3, 0, " 3."}, RealOutputCase{-2.5f, 3, 0, "-3."},
                    RealOutputCase{0.0f, 1, 0, "*"},
                    // Half up on the 17 digits: 0.25 is exact, 0.35f lies below .35.
                    RealOutputCase{0.25f, 3, 1, " .3"}, RealOutputCase{0.35f, 3, 1, " .3"},
                    RealOutputCase{0.05f, 3, 1, " .1"}, RealOutputCase{-0.05f, 4, 1, " -.1"},
                    RealOutputCase{-0.04f, 4, 1, "  .0"}, RealOutputCase{0.0625f, 5, 3, " .063"},
                    // At most 7 significant digits; the places beyond are 0.
                    RealOutputCase{0.1f, 17, 15, " .100000000000000"}, RealOutputCase{1e10f, 14, 1, " 10000000000.0"},
                    RealOutputCase{1.23456789e10f, 14, 1, " 12345680000.0"},
                    RealOutputCase{123456.7f, 10, 2, " 123456.70"},
                    RealOutputCase{FLT_MAX, 42, 1, " 340282300000000000000000000000000000000.0"},
                    RealOutputCase{1.4e-45f, 5, 3, " .000"}, RealOutputCase{1e-10f, 13, 11, " .00000000010"},
                    RealOutputCase{123.456f, 8, 2, "  123.46"}, RealOutputCase{1.0f, 2, 0, "1."}));

TEST_F(Trapped, FastRealTextMatchesTheDigitsRule) {
  // Every 9973rd float up to 10^7, both signs, and the halves of the d-th place with their
  // neighbours, where the 17 digits and the exact value could round apart.
  auto check = [](float x) {
    for (int d = 0; d <= 8; ++d) {
      records::RecordText fast, by_digits;
      records::put_real_field(fast, x, 60, d);
      records::put_real_field_by_digits(by_digits, x, 60, d);
      ASSERT_EQ(fast.view(), by_digits.view()) << x << " F60." << d;
    }
  };
  for (std::uint32_t bits = 0; bits < 0x4B189680u; bits += 9973) {
    float x;
    std::memcpy(&x, &bits, sizeof x);
    check(x);
    check(-x);
  }
  for (int d = 0; d <= 7; ++d)
    for (int n = 0; n < 5000; ++n) {
      float half = static_cast<float>((n + 0.5) / std::pow(10.0, d));
      check(half);
      check(std::nextafter(half, 0.0f));
      check(std::nextafter(half, 1e9f));
    }
}

struct IntegerOutputCase {
  std::int32_t value;
  int width;
  const char* text;
};

void PrintTo(const IntegerOutputCase& c, std::ostream* os) { *os << c.value << " I" << c.width; }

class IntegerOutput : public Trapped, public testing::WithParamInterface<IntegerOutputCase> {};

TEST_P(IntegerOutput, Formats) {
  records::RecordText out;
  records::put_integer_field(out, GetParam().value, GetParam().width);
  EXPECT_EQ(out.view(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, IntegerOutput,
                         testing::Values(IntegerOutputCase{15, 12, "          15"}, IntegerOutputCase{0, 3, "  0"},
                                         IntegerOutputCase{-7, 2, "-7"}, IntegerOutputCase{-7, 1, "*"},
                                         IntegerOutputCase{10, 1, "*"}, IntegerOutputCase{2, 1, "2"},
                                         IntegerOutputCase{INT32_MIN, 11, "-2147483648"},
                                         IntegerOutputCase{INT32_MIN, 10, "**********"},
                                         IntegerOutputCase{INT32_MAX, 12, "  2147483647"}));

struct TextOutputCase {
  const char* text;
  int width;
  const char* field;
};

void PrintTo(const TextOutputCase& c, std::ostream* os) { *os << '"' << c.text << "\" A" << c.width; }

class TextOutput : public testing::TestWithParam<TextOutputCase> {};

TEST_P(TextOutput, Formats) {
  records::RecordText out;
  records::put_text_field(out, GetParam().text, GetParam().width);
  EXPECT_EQ(out.view(), GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(Table, TextOutput,
                         testing::Values(TextOutputCase{"TIME(MIN)", 12, "   TIME(MIN)"}, TextOutputCase{"ab", 2, "ab"},
                                         TextOutputCase{"abcdef", 3, "abc"}, TextOutputCase{"ab  ", 0, "ab  "},
                                         TextOutputCase{"", 3, "   "}, TextOutputCase{"", 0, ""}));

}  // namespace

// The shortcuts against the general rules, over every input they could take.

std::uint32_t bits_of(float x) {
  std::uint32_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// A field collected whole and read by the real field's grammar alone, without the shortcuts.
records::RealResult by_grammar(std::string field, int decimals) {
  bool zero_dropped;
  std::size_t n = records::collect_whole(field.data(), field.size(), 'F', zero_dropped);
  return records::convert_real_by_grammar({field.data(), n}, decimals, zero_dropped);
}

// Where the shortcut for plain fields gives a value, the grammar gives the same bits; whatever
// the statement's conversion gives, the grammar gives too. Returns whether the shortcut took it.
bool check_field(const std::string& field, int decimals) {
  const records::RealResult rule = by_grammar(field, decimals);
  std::string copy = field;
  const records::RealResult whole = records::convert_whole_real(copy.data(), copy.size(), decimals);
  EXPECT_EQ(whole.error, rule.error) << '"' << field << "\" d=" << decimals;
  if (rule.error == 0) {
    EXPECT_EQ(bits_of(whole.value), bits_of(rule.value)) << '"' << field << '"';
  }
  float fast;
  if (records::convert_plain_fields(field.data(), field.size(), field.size(), decimals, 1, &fast, 1) == 0) return false;
  EXPECT_EQ(rule.error, 0) << '"' << field << "\" d=" << decimals;
  EXPECT_EQ(bits_of(fast), bits_of(rule.value)) << '"' << field << "\" d=" << decimals;
  return true;
}

TEST_F(Trapped, EveryFiveColumnFieldReadsAsTheGrammarSays) {
  // Digits, blank, tab, signs, point and comma in every arrangement: F5.2 for all of them, the
  // other decimals for every seventh.
  const std::string alphabet = "0123456789 \t+-.,";
  int taken = 0;
  for (int code = 0; code < 16 * 16 * 16 * 16 * 16; ++code) {
    std::string field(5, ' ');
    for (int k = 0, c = code; k < 5; ++k, c /= 16)
      field[static_cast<std::size_t>(k)] = alphabet[static_cast<std::size_t>(c % 16)];
    taken += check_field(field, 2);
    if (code % 7 == 0)
      for (int d : {0, 1, 3, 4, 5, 30}) check_field(field, d);
    if (HasFailure()) return;
  }
  EXPECT_GT(taken, 100000);  // " 1.25", "  125", "-1.5 ", ... the shortcut takes its share
}

TEST_F(Trapped, NineColumnFieldsReadAsTheGrammarSays) {
  // F9.4 and wider fields, random texts that are mostly numbers written right-justified.
  std::mt19937 random(17);
  const std::string pieces[] = {" ", " ", " ", "0", "1", "5", "9", ".", "-", "+", "\t", "E", ","};
  int taken = 0;
  for (int n = 0; n < 300000; ++n) {
    const std::size_t width = n % 3 == 0 ? 9 : 6 + random() % 14;
    std::string field;
    if (n % 2 == 0) {  // a number as an F field writes it, perhaps with a stray character
      char text[48];
      std::snprintf(text, sizeof text, "%*.*f", static_cast<int>(width), static_cast<int>(random() % 6),
                    (static_cast<double>(random()) - 1e9) / std::pow(10.0, static_cast<double>(random() % 12)));
      field = std::string(text).substr(0, width);
      if (random() % 4 == 0) field[random() % width] = pieces[random() % std::size(pieces)][0];
    } else {
      while (field.size() < width) field += pieces[random() % std::size(pieces)];
    }
    taken += check_field(field, n % 3 == 0 ? 4 : static_cast<int>(random() % 8));
    if (HasFailure()) return;
  }
  EXPECT_GT(taken, 50000);
}

TEST_F(Trapped, RowFieldsAreWrittenAsTheDigitsRuleSays) {
  // Reals: F9.3 of random bit patterns, of values near the halves of the third place and of
  // zeros, and other widths and decimals; integers: I12 and other widths against plain digits.
  std::mt19937 random(23);
  for (int n = 0; n < 400000; ++n) {
    float x;
    if (n % 3 == 0) {
      std::uint32_t b = static_cast<std::uint32_t>(random());
      if ((b >> 23 & 0xFF) == 0xFF) continue;  // no infinity or NaN (a signalling one would trap)
      std::memcpy(&x, &b, sizeof x);
    } else {
      x = static_cast<float>((static_cast<double>(random() % 200000000) + 0.5) / 1000.0 - 100000.0);
      if (n % 3 == 1) x = std::nextafter(x, random() % 2 ? 1e9f : -1e9f);
    }
    if (n % 50 == 0) x = random() % 2 ? 0.0f : -0.0f;
    const int width = n % 2 ? 9 : static_cast<int>(random() % 40) + 1;
    const int decimals = n % 2 ? 3 : static_cast<int>(random() % 9);
    records::RecordText fast, by_digits;
    records::put_real_field(fast, x, width, decimals);
    records::put_real_field_by_digits(by_digits, x, width, decimals);
    ASSERT_EQ(fast.view(), by_digits.view()) << x << " F" << width << "." << decimals;

    const auto value = static_cast<std::int32_t>(n % 4 ? random() % 3000000 : random());
    const int columns = n % 2 ? 12 : static_cast<int>(random() % 40) + 1;
    const std::string digits = std::to_string(value);
    const std::string expected = digits.size() > static_cast<std::size_t>(columns)
                                     ? std::string(static_cast<std::size_t>(columns), '*')
                                     : std::string(columns - digits.size(), ' ') + digits;
    records::RecordText out;
    records::put_integer_field(out, value, columns);
    ASSERT_EQ(out.view(), expected) << value << " I" << columns;
  }
}
