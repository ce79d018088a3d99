#include "common/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/interruption.h"
#include "common/tool_error.h"

namespace raingen::common {

namespace {

// Closes the descriptor however the read ends.
class OpenFile {
 public:
  explicit OpenFile(const std::filesystem::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void cannot_read(const std::filesystem::path& path, int error) {
  throw ToolError(path.string(), 0, std::string("cannot be read: ") + std::strerror(error));
}

}  // namespace

std::string read_whole_file(const std::filesystem::path& path, std::size_t limit) {
  const OpenFile file(path);
  if (file.fd() < 0) cannot_read(path, errno);
  // A regular file's size is known: one allocation and, mostly, one read. A pipe or a device
  // grows the text as it comes.
  struct stat status {};
  const bool sized = ::fstat(file.fd(), &status) == 0 && S_ISREG(status.st_mode);
  std::string bytes(std::min(limit, sized ? static_cast<std::size_t>(status.st_size) + 1 : std::size_t{1} << 16), '\0');
  std::size_t held = 0;
  while (held < limit) {
    if (held == bytes.size()) bytes.resize(std::min(limit, 2 * bytes.size()));
    const ssize_t n = ::read(file.fd(), bytes.data() + held, bytes.size() - held);
    if (n < 0 && errno == EINTR) {
      stop_if_interrupted();
      continue;
    }
    if (n < 0) cannot_read(path, errno);
    if (n == 0) break;
    held += static_cast<std::size_t>(n);
  }
  bytes.resize(held);
  return bytes;
}

}  // namespace raingen::common
