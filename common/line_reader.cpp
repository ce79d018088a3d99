#include "common/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "common/tool_error.h"

namespace raingen::common {

namespace {
constexpr std::size_t chunk = 1 << 20;
}

LineReader::LineReader(std::string path) : path_(std::move(path)) {
  fd_ = path_ == "-" ? STDIN_FILENO : ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw ToolError(path_, 0, std::string("cannot be read: ") + std::strerror(errno));
  buffer_.resize(2 * chunk);
}

LineReader::~LineReader() {
  if (fd_ > STDIN_FILENO) ::close(fd_);
}

// Moves the unread bytes to the front and reads more after them; false when nothing was added.
bool LineReader::refill() {
  if (at_end_of_file_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() - end_ < chunk) buffer_.resize(buffer_.size() * 2);
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ToolError(path_, line_number_ + 1, std::string("cannot be read: ") + std::strerror(errno));
    if (n == 0) {
      at_end_of_file_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(n);
    break;
  }
  if (first_read_) {
    first_read_ = false;
    if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) begin_ = 3;
  }
  return true;
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
      line = std::string_view(data + begin_, k - begin_);
      begin_ = k + 1;
      skip_lf_ = data[k] == '\r';
      ++line_number_;
      return true;
    }
    const std::size_t seen = end_ - begin_;
    if (!refill()) {
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
