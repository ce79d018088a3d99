#include "report/scratch_numbers.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/tool_error.h"

namespace raingen::report {

namespace {

[[noreturn]] void fail(const std::string& what) {
  throw common::ToolError(what + ": " + std::strerror(errno) + " (the network report's scratch file, in " +
                          std::filesystem::temp_directory_path().string() + ")");
}

}  // namespace

ScratchNumbers::ScratchNumbers() {
  std::string name = (std::filesystem::temp_directory_path() / "raingen-report-XXXXXX").string();
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0) fail("cannot make a scratch file");
  ::unlink(name.c_str());
  pending_.reserve(pending_limit);
}

ScratchNumbers::~ScratchNumbers() {
  if (fd_ >= 0) ::close(fd_);
}

void ScratchNumbers::flush() {
  const char* bytes = reinterpret_cast<const char*>(pending_.data());
  std::size_t left = pending_.size() * sizeof(double);
  off_t at = static_cast<off_t>(written_ * sizeof(double));
  while (left > 0) {
    const ssize_t done = ::pwrite(fd_, bytes, left, at);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) fail("cannot write the scratch file");
    bytes += done, left -= static_cast<std::size_t>(done), at += done;
  }
  written_ += pending_.size();
  pending_.clear();
}

void ScratchNumbers::read(std::size_t at, std::span<double> values) {
  if (!pending_.empty()) flush();
  char* bytes = reinterpret_cast<char*>(values.data());
  std::size_t left = values.size() * sizeof(double);
  off_t from = static_cast<off_t>(at * sizeof(double));
  while (left > 0) {
    const ssize_t done = ::pread(fd_, bytes, left, from);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) fail("cannot read the scratch file");
    bytes += done, left -= static_cast<std::size_t>(done), from += done;
  }
}

}  // namespace raingen::report
