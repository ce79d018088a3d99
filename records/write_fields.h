// Write statements: one or more records written to a unit (or the console) through a field
// list, or list-directed when the field list is nullptr.
//
//   WriteStatement write(100, "(I12,F9.3)");  write.integer(t);  write.real(v);  write.end();
//
// Nothing reaches the unit before end; any failure ends the run with the report of the
// statement (write) naming the file. A statement is a value of its caller; the record it builds
// is kept by its connection (a file's right after the records waiting to be written), so that
// statements allocate nothing once the storage has grown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/field_list.h"
#include "records/record_text.h"

namespace records {

struct Connection;

class WriteStatement {
 public:
  // field_list nullptr: list-directed. length -1: the text runs to its terminating NUL.
  WriteStatement(int unit, const char* field_list, int length = -1);
  WriteStatement(const WriteStatement&) = delete;
  WriteStatement& operator=(const WriteStatement&) = delete;

  void integer(std::int32_t item);
  void real(float item);
  void text(std::string_view item);         // copied at once
  void text(const char* item, int length);  // a negative length counts as 0
  // Converts what remains of the field list, ends the last record and writes it.
  void end();

 private:
  template <typename Actions>
  friend const Entry* walk_to_field(Walk& walk, Actions& actions, bool item_waiting);

  // The walk's actions.
  void move(std::int32_t columns) { pending_ += static_cast<std::size_t>(columns); }
  void record_break();
  [[noreturn]] void fail(int number);

  void end_record();
  void drop_record();
  const Entry& next_field();
  void write_list_directed();

  Connection& c_;
  // A file's record is built in place, after the records pending in its output; another's in
  // the connection's storage.
  bool in_place_;
  RecordText& text_;
  std::size_t record_start_;  // where the record being built starts in text_
  bool list_directed_ = false;
  Walk walk_;
  std::size_t pending_ = 0;  // blanks from column skips, written before the next field
  std::size_t breaks_ = 0;   // records ended by the field list's record breaks
  std::string items_;        // list-directed: the items, concatenated
};

}  // namespace records
