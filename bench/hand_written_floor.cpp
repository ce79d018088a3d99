// The floor: the unavoidable work of a whole run without the record layer.
#include "bench/hand_written_floor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace bench {
namespace {

constexpr std::size_t block = 1 << 20;
constexpr int values_per_line = 96;
constexpr std::size_t first_value_column = 30;  // 0-based: 29 columns, then the blank
constexpr std::size_t line_columns = 605;
constexpr double powers[] = {1, 10, 100, 1000, 10000, 100000};

[[noreturn]] void give_up(const char* what, const std::string& name) {
  std::fprintf(stderr, "hand-written floor: %s: %s\n", what, name.c_str());
  std::exit(1);
}

// Five columns: blanks, an optional sign, digits and at most one point; without a point the
// last two digits are decimals. The quotient of two exact doubles is the nearest double, which
// is then rounded to the nearest float.
float five_columns(const char* p) {
  std::int32_t digits = 0;
  int after_point = -1;
  bool negative = false;
  for (int k = 0; k < 5; ++k) {
    const unsigned digit = static_cast<unsigned char>(p[k]) - static_cast<unsigned>('0');
    if (digit < 10) {
      digits = digits * 10 + static_cast<std::int32_t>(digit);
      if (after_point >= 0) ++after_point;
    } else if (p[k] == '.') {
      after_point = 0;
    } else if (p[k] == '-') {
      negative = true;
    }
  }
  const float magnitude = static_cast<float>(digits / powers[after_point < 0 ? 2 : after_point]);
  return negative ? -magnitude : magnitude;
}

// The day lines of one file, each converted into values; returns the check of the values.
std::uint64_t convert_day_file(const std::string& name, float* values) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) give_up("cannot open", name);
  auto buffer = std::make_unique_for_overwrite<char[]>(2 * block);
  std::size_t held = 0;
  std::uint64_t check = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get() + held, block);
    if (n < 0) give_up("cannot read", name);
    held += static_cast<std::size_t>(n);
    const char* line = buffer.get();
    const char* end = buffer.get() + held;
    while (line < end) {
      const char* lf = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
      if (!lf) {
        if (n > 0) break;  // an unfinished line: read on
        lf = end;          // the last line, without a line end
      }
      if (static_cast<std::size_t>(lf - line) < line_columns) give_up("a short day line", name);
      for (int j = 0; j < values_per_line; ++j) {
        values[j] = five_columns(line + first_value_column + 6 * static_cast<std::size_t>(j));
        check += value_check(values[j], j);
      }
      line = lf == end ? end : lf + 1;
    }
    held = static_cast<std::size_t>(end - line);
    std::memmove(buffer.get(), line, held);
    if (n == 0) break;
  }
  ::close(fd);
  return check;
}

// A file written 1 MiB at a time.
class BlockWriter {
 public:
  explicit BlockWriter(const std::string& name)
      : name_(name),
        fd_(::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)),
        buffer_(std::make_unique_for_overwrite<char[]>(block)) {
    if (fd_ < 0) give_up("cannot create", name);
  }
  ~BlockWriter() {
    flush();
    ::close(fd_);
  }
  // Room for one row, written out first when the block is full.
  char* room(std::size_t n) {
    if (used_ + n > block) flush();
    return buffer_.get() + used_;
  }
  void commit(std::size_t n) { used_ += n; }

 private:
  void flush() {
    if (used_ > 0 && ::write(fd_, buffer_.get(), used_) != static_cast<ssize_t>(used_)) give_up("cannot write", name_);
    used_ = 0;
  }
  std::string name_;
  int fd_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

// "(I12,F9.3)" and CR LF: 23 bytes. The value is scaled by 1000 and rounded half up, which is
// the record rule for every value of this data set (the caller compares the files).
std::size_t format_row(char* out, std::int32_t minutes, float value) {
  std::memset(out, ' ', 21);
  char* p = out + 12;
  std::uint32_t t = static_cast<std::uint32_t>(minutes);
  do {
    *--p = static_cast<char>('0' + t % 10);
    t /= 10;
  } while (t != 0);
  const bool negative = std::signbit(value);
  const auto scaled = static_cast<std::uint64_t>(std::fabs(static_cast<double>(value)) * 1000.0 + 0.5);
  if (scaled >= (negative ? 10000000u : 100000000u)) {
    std::memset(out + 12, '*', 9);
  } else {
    p = out + 21;
    std::uint64_t s = scaled;
    for (int k = 0; k < 3; ++k, s /= 10) *--p = static_cast<char>('0' + s % 10);
    *--p = '.';
    for (; s != 0; s /= 10) *--p = static_cast<char>('0' + s % 10);
    if (negative && scaled != 0) *--p = '-';
  }
  out[21] = '\r';
  out[22] = '\n';
  return 23;
}

}  // namespace

std::uint64_t hand_written_floor(const std::vector<std::string>& day_files, int days, const std::string& first_output,
                                 const std::string& second_output) {
  float values[values_per_line] = {};
  std::uint64_t check = 0;
  for (const std::string& name : day_files) check += convert_day_file(name, values);
  BlockWriter first(first_output), second(second_output);
  for (int d = 1; d <= days; ++d)
    for (int i = 1; i <= values_per_line; ++i) {
      const std::int32_t minutes = (d - 1) * 1440 + 15 * i;
      for (BlockWriter* out : {&first, &second}) out->commit(format_row(out->room(23), minutes, values[i - 1]));
    }
  return check;
}

}  // namespace bench
