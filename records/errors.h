// The error catalogue: every error number of the program and its message, in one list.
//
// The numbers of field lists and conversions follow the record rules; the others are this
// program's own choice (listed in the README). A run-time error report shows the letter F and
// the number, or M for the floating-point numbers; the report itself only formats.
#pragma once

#include <string_view>

// name, number, message
#define RECORDS_ERROR_CATALOGUE(ERROR)                                               \
  ERROR(integer_overflow, 6100, "integer overflow")                                  \
  ERROR(invalid_integer, 6101, "invalid integer")                                    \
  ERROR(real_overflow, 6102, "real overflow")                                        \
  ERROR(invalid_real, 6103, "invalid real")                                          \
  ERROR(single_overflow, 6104, "real beyond single precision")                       \
  ERROR(text_item_numeric_field, 6205, "text item met by a numeric field")           \
  ERROR(real_item_integer_field, 6206, "real item met by an integer field")          \
  ERROR(integer_item_real_field, 6207, "integer item met by a real field")           \
  ERROR(numeric_item_text_field, 6208, "numeric item met by a text field")           \
  ERROR(numeric_item_list_directed, 6209, "numeric item in list-directed output")    \
  ERROR(based_second_hash, 6302, "second '#' in based integer")                      \
  ERROR(based_bad_radix, 6303, "radix of based integer outside 2 to 36")             \
  ERROR(file_not_found, 6410, "file not found")                                      \
  ERROR(open_refused, 6411, "file cannot be opened")                                 \
  ERROR(connected_elsewhere, 6412, "file already connected to another unit")         \
  ERROR(too_many_connections, 6413, "too many files connected")                      \
  ERROR(no_file_name, 6414, "no file name given: console input ended")               \
  ERROR(unit_out_of_range, 6415, "unit number out of range")                         \
  ERROR(read_failed, 6500, "read failed")                                            \
  ERROR(end_of_file, 6501, "end of file")                                            \
  ERROR(write_failed, 6510, "write failed")                                          \
  ERROR(close_failed, 6511, "close failed")                                          \
  ERROR(rewind_failed, 6512, "rewind failed")                                        \
  ERROR(list_no_open, 6970, "field list does not begin with '('")                    \
  ERROR(list_unclosed, 6971, "field list ends before its closing ')'")               \
  ERROR(list_too_deep, 6972, "field list has groups nested more than 16 levels")     \
  ERROR(list_unknown_item, 6973, "unknown item in field list")                       \
  ERROR(list_width_expected, 6974, "field width expected")                           \
  ERROR(list_decimals_expected, 6975, "'.d' expected after the width of an F field") \
  ERROR(list_zero_width, 6976, "field width of zero")                                \
  ERROR(list_zero_count, 6977, "repeat count of zero")                               \
  ERROR(list_comma_expected, 6978, "',' expected in field list")                     \
  ERROR(list_number_too_large, 6979, "number too large in field list")               \
  ERROR(list_count_without_item, 6980, "repeat count without an item")               \
  ERROR(list_no_field, 6981, "field list has no field for the item")                 \
  ERROR(list_decimals_not_allowed, 6982, "decimals not allowed for this item")       \
  ERROR(list_too_long, 6983, "malformed field list")                                 \
  ERROR(math_traps_unavailable, 6200, "floating-point faults cannot be trapped")     \
  ERROR(math_invalid, 6201, "invalid floating-point operation")                      \
  ERROR(math_division_by_zero, 6202, "floating-point division by zero")              \
  ERROR(math_overflow, 6203, "floating-point overflow")

namespace records {

namespace error {
#define RECORDS_ERROR_NUMBER(name, number, message) inline constexpr int name = number;
RECORDS_ERROR_CATALOGUE(RECORDS_ERROR_NUMBER)
#undef RECORDS_ERROR_NUMBER

// Malformed field lists: the record rules keep list_no_open to last_field_list_error; those
// without an entry above share the text of list_too_long.
inline constexpr int last_field_list_error = 6992;
}  // namespace error

// The message of a number ("" when the catalogue has none).
std::string_view error_message(int number);

}  // namespace records
