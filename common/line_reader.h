// Reading a text file line by line, as the tools' readers need it: any line end (LF, CR LF, or a
// lone CR as old Mac files have), a UTF-8 byte-order mark at the start dropped, and the number of
// the line at hand kept for messages. Lines are views into a buffer, valid until the next call;
// nothing is copied per line. The file is opened and read once, from its start to its end, so a
// pipe, standard input, a FIFO or a process substitution reads as a file does; and a reader that
// must look at the first lines before it knows how to read them (a format told from its content)
// holds them and starts again on the same bytes. Memory stays within a few megabytes whatever the
// file: a line longer than longest_line is an error, not a reason to grow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace raingen::common {

class LineReader {
 public:
  // The longest line any record may have: far above any real one (a row of a hundred gauges is a
  // few kilobytes), far below what would strain memory.
  static constexpr std::size_t longest_line = std::size_t{1} << 20;
  // How much of a file's beginning hold_start() keeps at most.
  static constexpr std::size_t longest_look_ahead = 4 * longest_line;

  // Throws ToolError when the file cannot be opened ("-" reads standard input), Interrupted when a
  // signal comes while the open waits (a FIFO without a writer).
  explicit LineReader(std::string path);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its line end; false at the end of the file (or of the look-ahead while
  // the start is held). Throws ToolError "FILE:LINE: is longer than ..." for a line longer than
  // longest_line, ToolError when the file cannot be read, Interrupted after a signal.
  bool next(std::string_view& line);
  long line_number() const { return line_number_; }  // 1-based, of the line last returned
  const std::string& path() const { return path_; }

  // Keeps every byte from the start of the file (at most longest_look_ahead of them), so that
  // start_again() can return to the first line. Call before the first next().
  void hold_start();
  // Whether next() stopped because the look-ahead was full rather than at the end of the file.
  bool look_ahead_full() const { return look_ahead_full_; }
  // Back to the first line, as if nothing had been read; the start is no longer held.
  void start_again();

  // The size of a regular file in bytes, 0 for a pipe or a device: a hint for what to expect.
  std::uint64_t size_hint() const;

 private:
  enum class Refill { added, end_of_file, full };
  Refill refill();
  std::size_t find(const char* data, std::size_t from, char c) const;  // end_ when not found
  [[noreturn]] void too_long(std::size_t line_begin) const;

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t first_ = 0;  // where the first line starts (after a byte-order mark)
  std::size_t begin_ = 0;  // start of the unread part of buffer_
  std::size_t end_ = 0;    // end of the bytes in buffer_
  bool at_end_of_file_ = false;
  bool first_read_ = true;
  bool holding_ = false;
  bool look_ahead_full_ = false;
  bool skip_lf_ = false;  // the last line ended in CR: a LF right after it belongs to it
  // What a regular file still holds by its size when opened (unknown for a pipe): a small file's
  // buffer is its size, not megabytes.
  static constexpr std::uint64_t unknown_size = static_cast<std::uint64_t>(-1);
  std::uint64_t unread_size_ = unknown_size;
  static constexpr std::size_t no_position = static_cast<std::size_t>(-1);
  std::size_t next_lf_ = no_position;  // the next LF at or after the scan (end_ when none is there)
  std::size_t next_cr_ = no_position;  // the same for CR
  long line_number_ = 0;
};

}  // namespace raingen::common
