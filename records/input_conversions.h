// Conversions of one input field: its characters into a 32-bit integer or float.
//
// Pure functions, so that each rule can be checked in a table. The read statement collects a
// field's characters (whole, or one at a time from the connection) and hands the collected text
// here; error 0 means the value converted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace records {

struct IntegerResult {
  std::int32_t value = 0;
  int error = 0;
};

struct RealResult {
  float value = 0.0f;
  int error = 0;
};

// Whole collection of a numeric field's characters (kind 'I' or 'F'), in place: blanks and
// tabs dropped, zeros before the first other character dropped, the value ended by a comma (and
// for an integer by Ctrl-Z). Returns the collected length; zero_dropped tells whether a zero
// was dropped, which still counts as a digit of a real.
std::size_t collect_whole(char* chars, std::size_t length, char kind, bool& zero_dropped);

// An optional sign and decimal digits, or a based integer r#digits. Nothing, or a sign alone,
// is 0.
IntegerResult convert_integer(std::string_view text);

// An optional sign, digits with at most one decimal point (decimals implied when it has none),
// then optionally an exponent: E or D with an optional sign, or a sign alone, and digits.
// Nothing collected is 0.0. zero_dropped: leading zeros were dropped by the collection.
RealResult convert_real(std::string_view text, int decimals, bool zero_dropped = false);

// The same without the shortcut for plain numbers: the real field's grammar, always.
RealResult convert_real_by_grammar(std::string_view text, int decimals, bool zero_dropped = false);

// A real field's characters, collected whole (in place) and converted.
RealResult convert_whole_real(char* chars, std::size_t length, int decimals);

// The common case of a field collected whole, straight from its characters, which stay as they
// are: blanks and tabs, an optional sign before the first digit or point, digits and at most one
// point, at least one digit, at most 18 digits. False for anything else; where it gives a value,
// convert_whole_real gives the same.
bool convert_plain_field(const char* chars, std::size_t width, int decimals, float& value);

// count fields of the same width, step characters apart from first, converted as
// convert_plain_field converts them into items[k * stride], up to the first that is not plain.
// Returns how many were converted.
std::size_t convert_plain_fields(const char* first, std::size_t step, std::size_t width, int decimals,
                                 std::size_t count, float* items, std::ptrdiff_t stride);

}  // namespace records
