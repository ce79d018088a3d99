// Write statements: one or more records written to a unit (or the console) through a field
// list, or list-directed when the field list is nullptr.
//
//   write_begin(100, "(I12,F9.3)");  write_int(t);  write_real(v);  write_end();
//
// Nothing reaches the unit before write_end; any failure ends the run with the report of the
// statement (write) naming the file.
#pragma once

#include <cstdint>

namespace records {

// field_list nullptr: list-directed. length -1: the text runs to its terminating NUL.
void write_begin(int unit, const char* field_list, int length = -1);
void write_int(std::int32_t item);
void write_real(float item);
void write_text(const char* item, int length);  // copied at once; a negative length counts as 0
void write_end();

}  // namespace records
