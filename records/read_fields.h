// Read statements: one record group read from a unit through a field list.
//
//   read_begin(unit, "(14X,I3)");  read_int(distance);  read_end();
//
// Every item is converted as soon as it is presented; any failure ends the run with the report
// of the statement (read) naming the file.
#pragma once

#include <cstdint>

namespace records {

// length -1: the text runs to its terminating NUL.
void read_begin(int unit, const char* field_list, int length = -1);
void read_int(std::int32_t& item);
void read_real(float& item);
void read_text(char* item, int length);
void read_end();

}  // namespace records
