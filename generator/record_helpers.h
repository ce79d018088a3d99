// The record statements that the generator's routines make again and again, written once: a
// list-directed record of one text (every console message is one), and a read of one record
// into one value.
#pragma once

#include <cstdint>
#include <string_view>

#include "generator/shared.h"
#include "records/connections.h"
#include "records/read_fields.h"
#include "records/write_fields.h"

namespace raingen {

// One list-directed record holding text, to a unit or to the console.
inline void write_list_directed(int unit, std::string_view text) {
  records::WriteStatement write(unit, nullptr);
  write.text(text);
  write.end();
}

inline void console_record(std::string_view text) { write_list_directed(records::console_unit, text); }

template <int Length>
void read_text_record(int unit, const char* field_list, FixedText<Length>& value) {
  records::ReadStatement read(unit, field_list);
  read.text(value.data(), Length);
  read.end();
}

inline void read_int_record(int unit, const char* field_list, std::int32_t& value) {
  records::ReadStatement read(unit, field_list);
  read.integer(value);
  read.end();
}

}  // namespace raingen
