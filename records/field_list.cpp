// Compiling a field-list text into its FieldList.
#include "records/field_list.h"

#include <cstring>

namespace records {
namespace {

constexpr std::int32_t largest_number = 32767;
// A column skip longer than any record: the collapsed moves of nested groups saturate here.
constexpr std::int64_t longest_move = 1 << 30;

// The text as the compiler sees it: blanks skipped, letters in upper case, 0 at the end.
class Source {
 public:
  Source(const char* text, int length)
      : text_(text), length_(length < 0 ? std::strlen(text) : static_cast<std::size_t>(length)) {}

  char peek() {
    while (at_ < length_ && text_[at_] == ' ') ++at_;
    if (at_ == length_) return 0;
    char c = text_[at_];
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  void take() { ++at_; }
  std::size_t length() const { return length_; }
  std::size_t taken() const { return at_; }  // characters looked at so far
  bool digit_next() {
    char c = peek();
    return c >= '0' && c <= '9';
  }
  // Digits at the position; above 32767 the result is -1 (all digits are still taken).
  std::int32_t number() {
    std::int32_t value = 0;
    while (digit_next()) {
      if (value >= 0) {
        value = value * 10 + (peek() - '0');
        if (value > largest_number) value = -1;
      }
      take();
    }
    return value;
  }

 private:
  const char* text_;
  std::size_t length_;
  std::size_t at_ = 0;
};

class Compiler {
 public:
  Compiler(Source& source, FieldList& list) : in_(source), list_(list) {}

  void run() {
    list_.size = 0;
    if (in_.peek() != '(') {
      fail(error::list_no_open);
      return;
    }
    in_.take();
    items();
  }

 private:
  // The items of the outer parentheses and of every group inside them, up to the final ")".
  void items() {
    bool need_separator = false;  // an item was just compiled, so ',' or '/' must come next
    for (;;) {
      char c = in_.peek();
      if (c == 0) {
        fail(error::list_unclosed);
        return;
      }
      if (c == ')') {
        in_.take();
        if (depth_ == 0) {
          list_end();
          return;
        }
        if (!group_end()) return;
        need_separator = true;
        continue;
      }
      if (c == ',') {
        if (!need_separator && !after_slash_) {
          fail(error::list_unknown_item);
          return;
        }
        in_.take();
        need_separator = false;
        after_slash_ = false;
        continue;
      }
      if (c == '/') {
        in_.take();
        if (!add({.op = Op::record_break})) return;
        need_separator = false;
        after_slash_ = true;
        continue;
      }
      if (need_separator) {
        fail(error::list_comma_expected);
        return;
      }
      if (!item()) return;
      need_separator = list_.entries[list_.size - 1].op != Op::group_start;
      after_slash_ = false;
    }
  }

  // One item other than "/" and ")": a column skip, a field or a group start, with its count.
  // False when it failed.
  bool item() {
    std::int32_t count = 1;
    bool counted = in_.digit_next();
    if (counted) {
      count = in_.number();
      if (count < 0) return fail(error::list_number_too_large);
    }
    char c = in_.peek();
    if (c == 'X') {
      in_.take();
      if (count == 0) return fail(error::list_zero_count);
      if (in_.peek() == '.') return fail(error::list_decimals_not_allowed);
      return add({.op = Op::move, .count = count});
    }
    if (counted && count == 0 && (c == 'I' || c == 'F' || c == 'A' || c == '(')) return fail(error::list_zero_count);
    if (c == 'I' || c == 'F' || c == 'A') {
      in_.take();
      return field(c, count);
    }
    if (c == '(') {
      in_.take();
      return group_start(count);
    }
    if (counted) {
      if (c == 0) return fail(error::list_unclosed);
      if (c == ',' || c == '/' || c == ')') return fail(error::list_count_without_item);
    }
    return fail(error::list_unknown_item);
  }

  bool field(char letter, std::int32_t count) {
    Entry e{.op = Op::field, .letter = letter, .count = count};
    if (in_.digit_next()) {
      e.width = in_.number();
      if (e.width < 0) return fail(error::list_number_too_large);
      if (e.width == 0) return fail(error::list_zero_width);
    } else if (letter != 'A') {
      return fail(error::list_width_expected);
    }
    if (letter == 'F') {
      if (in_.peek() != '.') return fail(error::list_decimals_expected);
      in_.take();
      if (!in_.digit_next()) return fail(error::list_decimals_expected);
      e.decimals = in_.number();
      if (e.decimals < 0) return fail(error::list_number_too_large);
    } else if (in_.peek() == '.') {
      return fail(error::list_decimals_not_allowed);
    }
    return add(e);
  }

  bool group_start(std::int32_t count) {
    if (depth_ == max_group_depth) return fail(error::list_too_deep);
    if (depth_ == 0) reversion_ = list_.size;
    starts_[depth_++] = list_.size;
    return add({.op = Op::group_start, .count = count});
  }

  // A group holding nothing but column skips becomes one column skip, so that no count, however
  // large, makes the walk loop over skips; an empty group disappears.
  bool group_end() {
    int start = starts_[--depth_];
    std::int64_t columns = 0;
    bool only_moves = true;
    for (int i = start + 1; i < list_.size; ++i) {
      if (list_.entries[i].op != Op::move) only_moves = false;
      columns += list_.entries[i].count;
    }
    if (only_moves) {
      columns *= list_.entries[start].count;
      if (columns > longest_move) columns = longest_move;
      list_.size = start;
      if (columns == 0) return true;
      return add({.op = Op::move, .count = static_cast<std::int32_t>(columns)});
    }
    Entry end{.op = Op::group_end, .count = start};
    const Entry* body = &list_.entries[start + 1];
    const int body_size = list_.size - start - 1;
    const Entry& last = list_.entries[list_.size - 1];
    end.run = last.op == Op::field && last.count == 1 && (body_size == 1 || (body_size == 2 && body->op == Op::move));
    return add(end);
  }

  void list_end() {
    bool field_after = false;
    for (int i = reversion_; i < list_.size; ++i)
      if (list_.entries[i].op == Op::field) field_after = true;
    add({.op = Op::list_end, .count = reversion_, .width = field_after ? 1 : 0});
  }

  bool add(const Entry& e) {
    // One place stays free for the error entry.
    if (list_.size == max_entries - 1) return fail(error::list_too_long);
    list_.entries[list_.size++] = e;
    return true;
  }

  bool fail(int number) {
    list_.entries[list_.size++] = Entry{.op = Op::fail, .count = number};
    return false;
  }

  Source& in_;
  FieldList& list_;
  int depth_ = 0;
  int starts_[max_group_depth] = {};
  int reversion_ = 0;
  bool after_slash_ = false;
};

}  // namespace

namespace {

void remember_text(const Source& source, const char* text, FieldList& list) {
  list.text_length = 0;
  if (source.taken() > static_cast<std::size_t>(max_remembered_text)) return;
  for (int i = 0; i < list.size; ++i)
    if (list.entries[i].op == Op::fail) return;
  std::memcpy(list.text, text, source.taken());
  list.text_length = static_cast<int>(source.taken());
}

}  // namespace

void compile_field_list(const char* text, int length, FieldList& list) {
  if (compiled_from(text, length, list)) return;
  Source source(text, length);
  Compiler(source, list).run();
  remember_text(source, text, list);
}

}  // namespace records
