// Reading a text file line by line, as the tools' readers need it: any line end (LF, CR LF, or a
// lone CR as old Mac files have), a UTF-8 byte-order mark at the start dropped, and the number of
// the line at hand kept for messages. Lines are views into a large buffer, valid until the next
// call; nothing is copied per line.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace raingen::common {

class LineReader {
 public:
  // Throws ToolError when the file cannot be opened ("-" reads standard input).
  explicit LineReader(std::string path);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its line end; false at the end of the file.
  bool next(std::string_view& line);
  long line_number() const { return line_number_; }  // 1-based, of the line last returned
  const std::string& path() const { return path_; }

 private:
  bool refill();
  std::size_t find(const char* data, std::size_t from, char c) const;  // end_ when not found

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t begin_ = 0;  // start of the unread part of buffer_
  std::size_t end_ = 0;    // end of the bytes in buffer_
  bool at_end_of_file_ = false;
  bool first_read_ = true;
  bool skip_lf_ = false;  // the last line ended in CR: a LF right after it belongs to it
  static constexpr std::size_t no_position = static_cast<std::size_t>(-1);
  std::size_t next_lf_ = no_position;  // the next LF at or after the scan (end_ when none is there)
  std::size_t next_cr_ = no_position;  // the same for CR
  long line_number_ = 0;
};

}  // namespace raingen::common
