// Read statements: one record group read from a unit through a field list.
//
//   ReadStatement read(unit, "(14X,I3)");  read.integer(distance);  read.end();
//
// Every item is converted as soon as it is presented; any failure ends the run with the report
// of the statement (read) naming the file. A statement is a value of its caller: nothing of it
// outlives it but the position it leaves in the file and the compiled field list, which its
// connection keeps for the next statement.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records/field_list.h"

namespace records {

struct Connection;

class ReadStatement {
 public:
  // Starts the statement on unit (connected on first use); length -1: the field list runs to its
  // terminating NUL. No character is read yet.
  ReadStatement(int unit, const char* field_list, int length = -1);
  ReadStatement(const ReadStatement&) = delete;
  ReadStatement& operator=(const ReadStatement&) = delete;

  void integer(std::int32_t& item);
  void real(float& item);
  // count real items, the k-th at items[k * stride]: the same as count calls of real, each item
  // stored as soon as it is converted. The passes of a run of identical F fields (see Entry)
  // that lie within the record's data already read ahead are converted straight from there.
  void reals(float* items, int count, std::ptrdiff_t stride = 1);
  void text(char* item, int length);
  // Carries the field list to its end and passes over the rest of the record.
  void end();

 private:
  template <typename Actions>
  friend const Entry* walk_to_field(Walk& walk, Actions& actions, bool item_waiting);

  // The walk's actions.
  void move(std::int32_t columns);
  void record_break();
  [[noreturn]] void fail(int number);

  int data_byte();
  std::size_t take_data(std::size_t n, char* out);
  const Entry& next_field();
  std::size_t collect_one_at_a_time(const Entry& f);
  std::size_t collect_numeric(const Entry& f);
  int real_run(float* items, int count, std::ptrdiff_t stride);

  Connection& c_;
  Walk walk_;
  // A column skip already carried out switches numeric fields from collection one character at
  // a time to collection of the whole field.
  bool skip_done_ = false;
  bool record_exists_ = false;  // a byte of the current record (or its line end) has been seen
  char field_[32768 + 8];       // a field's characters; widths go up to 32767
};

}  // namespace records
