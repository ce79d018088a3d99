#include "records/system_io.h"

#include <unistd.h>

#include <cerrno>

namespace records {

bool write_all(int fd, std::string_view bytes) {
  const char* next = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, next, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    next += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

long read_some(int fd, char* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

long read_some_at(int fd, char* buffer, std::size_t size, std::int64_t offset) {
  for (;;) {
    ssize_t n = ::pread(fd, buffer, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

}  // namespace records
