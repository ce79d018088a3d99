// Read statements: walking the field list over the records of a connection and collecting each
// field's characters for its item.
#include "records/read_fields.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "records/connections.h"
#include "records/errors.h"
#include "records/input_conversions.h"
#include "records/raise.h"

namespace records {
namespace {

constexpr int ctrl_z = 26;
constexpr int end_of_data = -1;

}  // namespace

ReadStatement::ReadStatement(int unit, const char* field_list, int length) : c_(unit_for_read(unit)) {
  start_walk(walk_, c_.statements.field_list(field_list, length));
}

void ReadStatement::fail(int number) { raise_error(number, Statement::read, c_.name); }

// The byte at the position if it belongs to the record's data, else end_of_data (CR, LF or the
// end of the file, not taken). The end of the file where a record should start is an error.
int ReadStatement::data_byte() {
  int b = peek_byte(c_);
  if (b == end_of_input) {
    if (!record_exists_) fail(error::end_of_file);
    return end_of_data;
  }
  record_exists_ = true;
  return b == '\r' || b == '\n' ? end_of_data : b;
}

// Takes up to n bytes of the record's data, copying them to out unless it is nullptr; stops
// before the end of the data. Returns the count taken.
std::size_t ReadStatement::take_data(std::size_t n, char* out) {
  std::size_t taken = 0;
  while (taken < n && data_byte() != end_of_data) {
    const std::string_view ahead = bytes_ahead(c_);
    const std::size_t run = std::min(n - taken, ahead.size());
    std::size_t k = 1;  // data_byte saw that the first is data
    while (k < run && ahead[k] != '\r' && ahead[k] != '\n') ++k;
    if (out) std::memcpy(out + taken, ahead.data(), k);
    take_bytes(c_, k);
    taken += k;
  }
  return taken;
}

void ReadStatement::move(std::int32_t columns) {
  skip_done_ = true;
  take_data(static_cast<std::size_t>(columns), nullptr);
}

// Passes over the rest of the record, its line end included.
void ReadStatement::record_break() {
  if (!record_exists_ && peek_byte(c_) == end_of_input) fail(error::end_of_file);
  while (peek_byte(c_) != end_of_input) {
    const std::string_view ahead = bytes_ahead(c_);
    const std::size_t lf = ahead.find('\n');
    if (lf != std::string_view::npos) {
      take_bytes(c_, lf + 1);
      break;
    }
    take_bytes(c_, ahead.size());
  }
  record_exists_ = false;
}

const Entry& ReadStatement::next_field() { return *next_field_of(walk_, *this); }

// One character at a time: blanks and tabs pass, a comma ends the field, an integer's leading
// zeros pass, and a real starting with a sign or point gets its "0".
std::size_t ReadStatement::collect_one_at_a_time(const Entry& f) {
  std::size_t n = 0;
  for (std::int32_t i = 0; i < f.width; ++i) {
    int b = data_byte();
    if (b == end_of_data) break;
    take_byte(c_);
    if (b == ',') break;
    if (b == ' ' || b == '\t') continue;
    if (b == ctrl_z) fail(error::end_of_file);
    if (f.letter == 'I' && n == 0 && b == '0') continue;
    field_[n++] = static_cast<char>(b);
  }
  if (f.letter == 'F' && n > 0) {
    if (field_[0] == '+' || field_[0] == '-') {
      std::memmove(field_ + 2, field_ + 1, n - 1);
      field_[1] = '0';
      ++n;
    } else if (field_[0] == '.') {
      std::memmove(field_ + 1, field_, n);
      field_[0] = '0';
      ++n;
    }
  }
  return n;
}

std::size_t ReadStatement::collect_numeric(const Entry& f) {
  if (!skip_done_) return collect_one_at_a_time(f);
  bool zero_dropped;
  std::size_t n = take_data(static_cast<std::size_t>(f.width), field_);
  return collect_whole(field_, n, f.letter, zero_dropped);
}

void ReadStatement::integer(std::int32_t& item) {
  const Entry& f = next_field();
  if (f.letter == 'A') fail(error::numeric_item_text_field);
  if (f.letter == 'F') fail(error::integer_item_real_field);
  IntegerResult r = convert_integer({field_, collect_numeric(f)});
  if (r.error != 0) fail(r.error);
  item = r.value;
}

void ReadStatement::real(float& item) {
  const Entry& f = next_field();
  if (f.letter == 'A') fail(error::numeric_item_text_field);
  if (f.letter == 'I') fail(error::real_item_integer_field);
  RealResult r;
  if (skip_done_) {
    std::size_t n = take_data(static_cast<std::size_t>(f.width), field_);
    r = convert_whole_real(field_, n, f.decimals);
  } else {
    r = convert_real({field_, collect_one_at_a_time(f)}, f.decimals);
  }
  if (r.error != 0) fail(r.error);
  item = r.value;
}

void ReadStatement::reals(float* items, int count, std::ptrdiff_t stride) {
  for (int k = 0; k < count;) {
    real(items[k * stride]);
    ++k;
    k += real_run(items + k * stride, count - k, stride);
  }
}

// After a field of a run, the further passes of the run that lie wholly within the record's data
// held ahead: each pass's column skip and field taken at once and the field converted as real
// converts it. The walk is left as if each pass had been walked. Returns the items filled.
int ReadStatement::real_run(float* items, int count, std::ptrdiff_t stride) {
  const Entry& end = walk_.list->entries[walk_.position];
  if (count == 0 || !skip_done_ || end.op != Op::group_end || !end.run) return 0;
  const Entry* body = &walk_.list->entries[end.count + 1];
  const std::size_t skip = body->op == Op::move ? static_cast<std::size_t>((body++)->count) : 0;
  const Entry& f = *body;
  if (f.letter != 'F') return 0;
  const std::size_t width = static_cast<std::size_t>(f.width);
  const std::string_view ahead = bytes_ahead(c_);
  // The record's data ends at its first CR or LF; the search for a CR stops at the LF, so that
  // a file without CRs is not searched to the end of what is held.
  std::size_t data = ahead.find('\n');
  if (data == std::string_view::npos) data = ahead.size();
  if (const void* cr = std::memchr(ahead.data(), '\r', data))
    data = static_cast<std::size_t>(static_cast<const char*>(cr) - ahead.data());

  // Passes that end before the data does, leaving the last pass of the group to the walk.
  std::int32_t& passes_left = walk_.passes_left[walk_.depth];
  const std::size_t step = skip + width;
  const std::size_t passes =
      std::min({static_cast<std::size_t>(count), data / step, static_cast<std::size_t>(std::max(passes_left - 1, 0))});
  std::size_t n = 0;
  for (;;) {
    n += convert_plain_fields(ahead.data() + n * step + skip, step, width, f.decimals, passes - n,
                              items + static_cast<std::ptrdiff_t>(n) * stride, stride);
    if (n == passes) break;
    // A field the shortcut does not take: converted as real converts it.
    std::memcpy(field_, ahead.data() + n * step + skip, width);
    RealResult r = convert_whole_real(field_, width, f.decimals);
    ++n;
    if (r.error != 0) {
      take_bytes(c_, n * step);
      passes_left -= static_cast<std::int32_t>(n);
      fail(r.error);
    }
    items[static_cast<std::ptrdiff_t>(n - 1) * stride] = r.value;
  }
  if (n > 0) {
    take_bytes(c_, n * step);
    passes_left -= static_cast<std::int32_t>(n);
    record_exists_ = true;
  }
  return static_cast<int>(n);
}

// Aw into a variable of length len: a wider field keeps its last len characters, a narrower one
// is padded with blanks, and so is whatever the record's end leaves unfilled.
void ReadStatement::text(char* item, int length) {
  const Entry& f = next_field();
  if (f.letter != 'A') fail(error::text_item_numeric_field);
  std::size_t len = length > 0 ? static_cast<std::size_t>(length) : 0;
  std::size_t w = f.width > 0 ? static_cast<std::size_t>(f.width) : len;
  std::size_t stored = 0;
  if (w <= len || take_data(w - len, nullptr) == w - len) stored = take_data(w < len ? w : len, item);
  std::memset(item + stored, ' ', len - stored);
}

void ReadStatement::end() {
  walk_to_end(walk_, *this);
  record_break();
}

}  // namespace records
