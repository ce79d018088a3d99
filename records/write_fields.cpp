// Write statements: items converted into the record being built, by a field list or
// list-directed; each ended record goes to the connection whole.
#include "records/write_fields.h"

#include <string>

#include "records/connections.h"
#include "records/field_list.h"
#include "records/output_conversions.h"
#include "records/run_end.h"

namespace records {
namespace {

constexpr std::size_t list_directed_width = 79;
// Longer records come only from absurd column skips; they end the statement as a failed write.
constexpr std::size_t longest_record = std::size_t{1} << 24;

// The one write statement in progress. Its strings keep their storage from statement to
// statement, so a statement allocates nothing once they have grown.
struct WriteStatement {
  Connection* c = nullptr;
  bool list_directed = false;
  FieldList list;
  Walk walk;
  std::string record;
  std::size_t pending = 0;  // blanks from column skips, written before the next field
  std::string text;         // list-directed: the items, concatenated

  // Records already ended have been written; the unfinished one is dropped.
  [[noreturn]] void fail(int number) {
    record.clear();
    text.clear();
    raise_error(number, Statement::write, c->name);
  }

  void move(std::int32_t columns) { pending += static_cast<std::size_t>(columns); }

  void record_break() { end_record(); }

  void end_record() {
    write_record(*c, record);
    record.clear();
    pending = 0;
  }

  // Walks to the field of the next item and writes the pending blanks before it.
  const Entry& next_field() {
    const Entry& f = *walk_to_field(walk, *this, true);
    if (record.size() + pending + static_cast<std::size_t>(f.width) > longest_record)
      fail(error::write_failed);
    record.append(pending, ' ');
    pending = 0;
    return f;
  }
};

WriteStatement statement;

// A list-directed record: a blank, then the text in pieces of 79, and a blank record after a
// text that fills its last piece exactly.
void write_list_directed(WriteStatement& s) {
  std::string_view rest = s.text;
  do {
    std::string_view piece = rest.substr(0, list_directed_width);
    rest.remove_prefix(piece.size());
    s.record = ' ';
    s.record += piece;
    s.end_record();
    if (rest.empty() && piece.size() == list_directed_width) {
      s.record = ' ';
      s.end_record();
    }
  } while (!rest.empty());
}

}  // namespace

void write_begin(int unit, const char* field_list, int length) {
  WriteStatement& s = statement;
  s.c = &unit_for_write(unit);
  s.record.clear();
  s.text.clear();
  s.pending = 0;
  s.list_directed = field_list == nullptr;
  if (s.list_directed) return;
  compile_field_list(field_list, length, s.list);
  start_walk(s.walk, s.list);
}

void write_int(std::int32_t item) {
  WriteStatement& s = statement;
  if (s.list_directed) s.fail(error::numeric_item_list_directed);
  const Entry& f = s.next_field();
  if (f.letter == 'A') s.fail(error::numeric_item_text_field);
  if (f.letter == 'F') s.fail(error::integer_item_real_field);
  put_integer_field(s.record, item, f.width);
}

void write_real(float item) {
  WriteStatement& s = statement;
  if (s.list_directed) s.fail(error::numeric_item_list_directed);
  const Entry& f = s.next_field();
  if (f.letter == 'A') s.fail(error::numeric_item_text_field);
  if (f.letter == 'I') s.fail(error::real_item_integer_field);
  put_real_field(s.record, item, f.width, f.decimals);
}

void write_text(const char* item, int length) {
  WriteStatement& s = statement;
  std::string_view text(item, length > 0 ? static_cast<std::size_t>(length) : 0);
  if (s.list_directed) {
    if (s.text.size() + text.size() > longest_record) s.fail(error::write_failed);
    s.text += text;
    return;
  }
  const Entry& f = s.next_field();
  if (f.letter != 'A') s.fail(error::text_item_numeric_field);
  put_text_field(s.record, text, f.width);
}

void write_end() {
  WriteStatement& s = statement;
  if (s.list_directed) return write_list_directed(s);
  walk_to_field(s.walk, s, false);
  s.end_record();
}

}  // namespace records
