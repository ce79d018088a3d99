// Conversions of one output field: a value appended to a record in w columns.
//
// Pure functions of (value, width, decimals), so that each rule can be checked in a table.
// A value whose text is wider than the field gives w asterisks.
#pragma once

#include <cstdint>
#include <string_view>

#include "records/record_text.h"

namespace records {

// Aw (width 0: as wide as the text): blanks before a shorter text, the leftmost w characters of
// a longer one.
void put_text_field(RecordText& record, std::string_view text, int width);

// Iw: the decimal digits, "-" before a negative value, right-justified.
void put_integer_field(RecordText& record, std::int32_t value, int width);

// Fw.d: the 17-digit decimal expansion rounded to at most 7 significant digits and d places,
// right-justified, no "0" before the point.
void put_real_field(RecordText& record, float value, int width, int decimals);

// The same from the 17-digit expansion every time; put_real_field takes an exact integer path
// when the value allows it and must give the same text.
void put_real_field_by_digits(RecordText& record, float value, int width, int decimals);

}  // namespace records
