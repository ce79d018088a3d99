// Read statements: walking the field list over the records of a connection and collecting each
// field's characters for its item.
#include "records/read_fields.h"

#include <cstring>

#include "records/connections.h"
#include "records/field_list.h"
#include "records/input_conversions.h"
#include "records/run_end.h"

namespace records {
namespace {

constexpr int ctrl_z = 26;
constexpr int end_of_data = -1;

// The one read statement in progress. A column skip already carried out switches numeric
// fields from collection one character at a time to collection of the whole field.
struct ReadStatement {
  Connection* c = nullptr;
  FieldList list;
  Walk walk;
  bool skip_done = false;
  bool record_exists = false;  // a byte of the current record (or its line end) has been seen
  char field[32768 + 8];       // a field's characters, widths go up to 32767

  [[noreturn]] void fail(int number) { raise_error(number, Statement::read, c->name); }

  // The byte at the position if it belongs to the record's data, else end_of_data (CR, LF or the
  // end of the file, not taken). The end of the file where a record should start is an error.
  int data_byte() {
    int b = peek_byte(*c);
    if (b == end_of_input) {
      if (!record_exists) fail(error::end_of_file);
      return end_of_data;
    }
    record_exists = true;
    return b == '\r' || b == '\n' ? end_of_data : b;
  }

  // Takes up to n bytes of the record's data, copying them to out unless it is nullptr; stops
  // before the end of the data. Returns the count taken.
  std::size_t take_data(std::size_t n, char* out) {
    std::size_t taken = 0;
    while (taken < n && data_byte() != end_of_data) {
      const char* at = c->input.get() + c->input_next;
      std::size_t run = std::min(n - taken, c->input_end - c->input_next);
      std::size_t k = 1;  // data_byte saw that the first is data
      while (k < run && at[k] != '\r' && at[k] != '\n') ++k;
      if (out) std::memcpy(out + taken, at, k);
      c->input_next += k;
      taken += k;
    }
    return taken;
  }

  void move(std::int32_t columns) {
    skip_done = true;
    take_data(static_cast<std::size_t>(columns), nullptr);
  }

  // Passes over the rest of the record, its line end included.
  void record_break() {
    if (!record_exists && peek_byte(*c) == end_of_input) fail(error::end_of_file);
    for (;;) {
      if (peek_byte(*c) == end_of_input) break;
      const char* at = c->input.get() + c->input_next;
      std::size_t run = c->input_end - c->input_next;
      const void* lf = std::memchr(at, '\n', run);
      if (lf) {
        c->input_next += static_cast<std::size_t>(static_cast<const char*>(lf) - at) + 1;
        break;
      }
      c->input_next = c->input_end;
    }
    record_exists = false;
  }

  const Entry& next_field() { return *walk_to_field(walk, *this, true); }

  // One character at a time: blanks and tabs pass, a comma ends the field, an integer's leading
  // zeros pass, and a real starting with a sign or point gets its "0".
  std::size_t collect_one_at_a_time(const Entry& f) {
    std::size_t n = 0;
    for (std::int32_t i = 0; i < f.width; ++i) {
      int b = data_byte();
      if (b == end_of_data) break;
      take_byte(*c);
      if (b == ',') break;
      if (b == ' ' || b == '\t') continue;
      if (b == ctrl_z) fail(error::end_of_file);
      if (f.letter == 'I' && n == 0 && b == '0') continue;
      field[n++] = static_cast<char>(b);
    }
    if (f.letter == 'F' && n > 0) {
      if (field[0] == '+' || field[0] == '-') {
        std::memmove(field + 2, field + 1, n - 1);
        field[1] = '0';
        ++n;
      } else if (field[0] == '.') {
        std::memmove(field + 1, field, n);
        field[0] = '0';
        ++n;
      }
    }
    return n;
  }

  std::string_view collect_numeric(const Entry& f, bool& zero_dropped) {
    zero_dropped = false;
    if (!skip_done) return {field, collect_one_at_a_time(f)};
    std::size_t n = take_data(static_cast<std::size_t>(f.width), field);
    return {field, collect_whole(field, n, f.letter, zero_dropped)};
  }
};

ReadStatement statement;

}  // namespace

void read_begin(int unit, const char* field_list, int length) {
  ReadStatement& s = statement;
  s.c = &unit_for_read(unit);
  compile_field_list(field_list, length, s.list);
  start_walk(s.walk, s.list);
  s.skip_done = false;
  s.record_exists = false;
}

void read_int(std::int32_t& item) {
  ReadStatement& s = statement;
  const Entry& f = s.next_field();
  if (f.letter == 'A') s.fail(error::numeric_item_text_field);
  if (f.letter == 'F') s.fail(error::integer_item_real_field);
  bool zero_dropped;
  IntegerResult r = convert_integer(s.collect_numeric(f, zero_dropped));
  if (r.error != 0) s.fail(r.error);
  item = r.value;
}

void read_real(float& item) {
  ReadStatement& s = statement;
  const Entry& f = s.next_field();
  if (f.letter == 'A') s.fail(error::numeric_item_text_field);
  if (f.letter == 'I') s.fail(error::real_item_integer_field);
  RealResult r;
  if (s.skip_done) {
    std::size_t n = s.take_data(static_cast<std::size_t>(f.width), s.field);
    r = convert_whole_real(s.field, n, f.decimals);
  } else {
    r = convert_real({s.field, s.collect_one_at_a_time(f)}, f.decimals);
  }
  if (r.error != 0) s.fail(r.error);
  item = r.value;
}

// Aw into a variable of length len: a wider field keeps its last len characters, a narrower one
// is padded with blanks, and so is whatever the record's end leaves unfilled.
void read_text(char* item, int length) {
  ReadStatement& s = statement;
  const Entry& f = s.next_field();
  if (f.letter != 'A') s.fail(error::text_item_numeric_field);
  std::size_t len = length > 0 ? static_cast<std::size_t>(length) : 0;
  std::size_t w = f.width > 0 ? static_cast<std::size_t>(f.width) : len;
  std::size_t stored = 0;
  if (w <= len || s.take_data(w - len, nullptr) == w - len)
    stored = s.take_data(w < len ? w : len, item);
  std::memset(item + stored, ' ', len - stored);
}

void read_end() {
  ReadStatement& s = statement;
  walk_to_field(s.walk, s, false);
  s.record_break();
}

}  // namespace records
