#include "common/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/tool_error.h"

namespace raingen::common {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t buffer_limit = 1 << 20;

std::string system_reason() { return std::strerror(errno); }

mode_t creation_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(fs::path target) : target_(std::move(target)) {
  const fs::path directory = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
  std::string aside_name(".");
  aside_name.append(target_.filename().string()).append(".partial-XXXXXX");
  std::string pattern = (directory / aside_name).string();
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) throw ToolError(target_.string(), 0, "cannot be written: " + system_reason());
  aside_ = pattern;
  ::fchmod(fd_, creation_mode());
  buffer_.reserve(buffer_limit);
}

OutputFile OutputFile::standard_output() {
  OutputFile out;
  out.target_ = "standard output";
  out.fd_ = STDOUT_FILENO;
  out.is_standard_output_ = true;
  out.buffer_.reserve(buffer_limit);
  return out;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : target_(std::move(other.target_)),
      aside_(std::move(other.aside_)),
      fd_(other.fd_),
      is_standard_output_(other.is_standard_output_),
      finished_(other.finished_),
      committed_(other.committed_),
      handed_to_library_(other.handed_to_library_),
      buffer_(std::move(other.buffer_)) {
  other.fd_ = -1;
  other.aside_.clear();
  other.committed_ = true;
}

OutputFile::~OutputFile() {
  if (is_standard_output_ || committed_) return;
  if (fd_ >= 0) ::close(fd_);
  if (!aside_.empty()) ::unlink(aside_.c_str());
}

void OutputFile::write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > buffer_limit) flush_buffer();
  if (bytes.size() > buffer_limit) {
    buffer_ = bytes;
    flush_buffer();
    return;
  }
  buffer_.append(bytes);
}

void OutputFile::flush_buffer() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw ToolError(target_.string(), 0, "cannot be written: " + system_reason());
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

fs::path OutputFile::hand_to_library() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  handed_to_library_ = true;
  return aside_;
}

// What a library wrote by name reaches the disk before the rename puts it in place.
void OutputFile::sync_aside_file() {
  const int fd = ::open(aside_.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!synced) throw ToolError(target_.string(), 0, "cannot be written: " + system_reason());
}

void OutputFile::finish() {
  if (finished_) return;
  if (fd_ >= 0) {
    flush_buffer();
    if (!is_standard_output_) {
      if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
        fd_ = -1;
        throw ToolError(target_.string(), 0, "cannot be written: " + system_reason());
      }
      fd_ = -1;
    }
  }
  finished_ = true;
}

void OutputFile::commit() {
  finish();
  if (handed_to_library_) sync_aside_file();
  if (is_standard_output_ || committed_) return;
  if (::rename(aside_.c_str(), target_.c_str()) != 0)
    throw ToolError(target_.string(), 0, "cannot be put in place: " + system_reason());
  committed_ = true;
}

void commit_all(std::vector<OutputFile*> files) {
  for (OutputFile* file : files) file->finish();
  for (OutputFile* file : files) file->commit();
}

void write_together(const std::vector<FileText>& files) {
  for (const FileText& file : files)
    if (fs::is_directory(file.target)) throw ToolError(file.target.string(), 0, "is a directory");
  std::vector<OutputFile> outputs;
  outputs.reserve(files.size());
  std::vector<OutputFile*> all;
  for (const FileText& file : files) {
    outputs.emplace_back(file.target);
    outputs.back().write(file.text);
    all.push_back(&outputs.back());
  }
  commit_all(all);
}

}  // namespace raingen::common
