// Write statements: items converted into the record being built, by a field list or
// list-directed; each ended record goes to the connection whole.
#include "records/write_fields.h"

#include "records/connections.h"
#include "records/errors.h"
#include "records/output_conversions.h"
#include "records/raise.h"

namespace records {
namespace {

constexpr std::size_t list_directed_width = 79;
// Longer records come only from absurd column skips, and more record breaks from absurd repeat
// counts (a statement of nested groups of "/" could write for ever); either ends the statement
// as a failed write.
constexpr std::size_t longest_record = std::size_t{1} << 24;
constexpr std::size_t most_records = std::size_t{1} << 20;

}  // namespace

WriteStatement::WriteStatement(int unit, const char* field_list, int length)
    : c_(unit_for_write(unit)),
      in_place_(c_.device == Device::file),
      text_(in_place_ ? c_.output.text() : c_.statements.record()) {
  drop_record();
  list_directed_ = field_list == nullptr;
  if (!list_directed_) start_walk(walk_, c_.statements.field_list(field_list, length));
}

void WriteStatement::drop_record() {
  if (in_place_) {
    c_.output.drop_record();
  } else {
    text_.clear();
  }
  record_start_ = text_.size();
}

// Records already ended have been written; the unfinished one is dropped.
void WriteStatement::fail(int number) {
  drop_record();
  items_.clear();
  raise_error(number, Statement::write, c_.name);
}

// Out of line: inlined into the walk, it slows the walk to every field (about 3% of a whole run).
[[gnu::noinline]] void WriteStatement::record_break() {
  if (++breaks_ > most_records) fail(error::write_failed);
  end_record();
}

void WriteStatement::end_record() {
  if (in_place_) {
    if (!detail::end_file_record(c_)) raise_error(error::write_failed, Statement::write, c_.name);
  } else {
    write_record(c_, text_.view());
  }
  drop_record();  // none is left: it starts the next record
  pending_ = 0;
}

// Walks to the field of the next item and writes the pending blanks before it.
[[gnu::always_inline]] inline const Entry& WriteStatement::next_field() {
  const Entry& f = *next_field_of(walk_, *this);
  if (text_.size() - record_start_ + pending_ + static_cast<std::size_t>(f.width) > longest_record)
    fail(error::write_failed);
  if (pending_ > 0) text_.append(pending_, ' ');
  pending_ = 0;
  return f;
}

void WriteStatement::integer(std::int32_t item) {
  if (list_directed_) fail(error::numeric_item_list_directed);
  const Entry& f = next_field();
  if (f.letter == 'A') fail(error::numeric_item_text_field);
  if (f.letter == 'F') fail(error::integer_item_real_field);
  put_integer_field(text_, item, f.width);
}

void WriteStatement::real(float item) {
  if (list_directed_) fail(error::numeric_item_list_directed);
  const Entry& f = next_field();
  if (f.letter == 'A') fail(error::numeric_item_text_field);
  if (f.letter == 'I') fail(error::real_item_integer_field);
  put_real_field(text_, item, f.width, f.decimals);
}

void WriteStatement::text(std::string_view item) {
  if (list_directed_) {
    if (items_.size() + item.size() > longest_record) fail(error::write_failed);
    items_ += item;
    return;
  }
  const Entry& f = next_field();
  if (f.letter != 'A') fail(error::text_item_numeric_field);
  put_text_field(text_, item, f.width);
}

void WriteStatement::text(const char* item, int length) {
  text(std::string_view(item, length > 0 ? static_cast<std::size_t>(length) : 0));
}

// A list-directed record: a blank, then the text in pieces of 79, and a blank record after a
// text that fills its last piece exactly.
void WriteStatement::write_list_directed() {
  std::string_view rest = items_;
  do {
    std::string_view piece = rest.substr(0, list_directed_width);
    rest.remove_prefix(piece.size());
    text_.append(" ");
    text_.append(piece);
    end_record();
    if (rest.empty() && piece.size() == list_directed_width) {
      text_.append(" ");
      end_record();
    }
  } while (!rest.empty());
}

void WriteStatement::end() {
  if (list_directed_) return write_list_directed();
  walk_to_end(walk_, *this);
  end_record();
}

}  // namespace records
