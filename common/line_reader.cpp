#include "common/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "common/interruption.h"
#include "common/shown_text.h"
#include "common/tool_error.h"

namespace raingen::common {

namespace {
constexpr std::size_t chunk = LineReader::longest_line;  // one read's room at least
}

LineReader::LineReader(std::string path) : path_(std::move(path)) {
  if (path_ == "-") {
    fd_ = STDIN_FILENO;
  } else {
    // A FIFO's open waits for a writer; a signal ends the wait.
    while ((fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR) stop_if_interrupted();
    if (fd_ < 0) throw ToolError(path_, 0, std::string("cannot be read: ") + std::strerror(errno));
  }
  const std::uint64_t size = size_hint();
  if (size > 0) unread_size_ = size;
  buffer_.resize(static_cast<std::size_t>(
      std::min<std::uint64_t>(2 * chunk, unread_size_ == unknown_size ? 2 * chunk : size + 1)));
}

LineReader::~LineReader() {
  if (fd_ > STDIN_FILENO) ::close(fd_);
}

void LineReader::hold_start() { holding_ = true; }

void LineReader::start_again() {
  holding_ = false;
  look_ahead_full_ = false;
  begin_ = first_;
  skip_lf_ = false;
  next_lf_ = next_cr_ = no_position;
  line_number_ = 0;
}

std::uint64_t LineReader::size_hint() const {
  struct stat status {};
  if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

void LineReader::too_long(std::size_t line_begin) const {
  const std::string_view start(buffer_.data() + line_begin, std::min(end_ - line_begin, excerpt_length));
  throw ToolError(path_, line_number_ + 1,
                  fmt::format("is longer than {} bytes, the longest line a record may have; it begins '{}'",
                              longest_line, shown_text(start)));
}

// Moves the unread bytes to the front (unless the start is held) and reads more after them.
LineReader::Refill LineReader::refill() {
  stop_if_interrupted();  // a regular file's reads are not cut short by a signal: look every megabyte
  if (at_end_of_file_) return Refill::end_of_file;
  if (!holding_ && begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    first_ = 0;
  }
  // Room for a chunk, unless the rest of a regular file fits already. Beyond 2 chunks only a held
  // start grows the buffer: otherwise the unread part is one line, at most longest_line, and the
  // buffer holds it and a chunk more.
  const std::size_t room = buffer_.size() - end_;
  if (room < chunk && (unread_size_ == unknown_size || room <= unread_size_)) {
    if (holding_ && buffer_.size() >= longest_look_ahead) {
      look_ahead_full_ = true;
      return Refill::full;
    }
    if (holding_ || buffer_.size() < 2 * chunk)
      buffer_.resize(std::min(holding_ ? longest_look_ahead : 2 * chunk, std::max(2 * buffer_.size(), end_ + chunk)));
  }
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) {
      stop_if_interrupted();
      continue;
    }
    if (n < 0) throw ToolError(path_, line_number_ + 1, std::string("cannot be read: ") + std::strerror(errno));
    if (n == 0) {
      at_end_of_file_ = true;
      return Refill::end_of_file;
    }
    end_ += static_cast<std::size_t>(n);
    if (unread_size_ != unknown_size)
      unread_size_ -= std::min<std::uint64_t>(unread_size_, static_cast<std::uint64_t>(n));
    break;
  }
  if (first_read_) {
    first_read_ = false;
    if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) begin_ = first_ = 3;
  }
  return Refill::added;
}

std::size_t LineReader::find(const char* data, std::size_t from, char c) const {
  const void* at = std::memchr(data + from, c, end_ - from);
  return at ? static_cast<std::size_t>(static_cast<const char*>(at) - data) : end_;
}

bool LineReader::next(std::string_view& line) {
  std::size_t scanned = begin_;
  for (;;) {
    if (skip_lf_ && begin_ < end_) {
      if (buffer_[begin_] == '\n') ++begin_;
      skip_lf_ = false;
      scanned = begin_;
    }
    // The next LF and the next CR are each searched once per stretch of the buffer and
    // remembered, so that a file of lone CRs, or of LFs alone, is not rescanned for every line.
    const char* data = buffer_.data();
    if (next_lf_ == no_position || next_lf_ < scanned) next_lf_ = find(data, scanned, '\n');
    if (next_cr_ == no_position || next_cr_ < scanned) next_cr_ = find(data, scanned, '\r');
    const std::size_t k = std::min(next_lf_, next_cr_);
    if (k < end_) {
      if (k - begin_ > longest_line) too_long(begin_);
      line = std::string_view(data + begin_, k - begin_);
      begin_ = k + 1;
      skip_lf_ = data[k] == '\r';
      ++line_number_;
      return true;
    }
    if (end_ - begin_ > longest_line) too_long(begin_);
    const std::size_t seen = end_ - begin_;
    const Refill refilled = refill();
    if (refilled == Refill::full) return false;
    if (refilled == Refill::end_of_file) {
      if (skip_lf_) skip_lf_ = false;
      if (begin_ == end_) return false;
      line = std::string_view(buffer_.data() + begin_, end_ - begin_);  // a last line without an end
      begin_ = end_;
      ++line_number_;
      return true;
    }
    scanned = begin_ + seen;
    next_lf_ = next_cr_ = no_position;  // positions moved: search again
  }
}

}  // namespace raingen::common
