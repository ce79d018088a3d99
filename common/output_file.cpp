#include "common/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "common/interruption.h"
#include "common/program_files.h"
#include "common/tool_error.h"

namespace raingen::common {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t buffer_limit = 1 << 20;
constexpr std::string_view partial_marker = ".partial-";
constexpr std::size_t unique_length = 6;  // mkstemp's XXXXXX

std::string system_reason() { return std::strerror(errno); }

mode_t creation_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

fs::path folder_of(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path("."); }

// A write lock on the whole file, held by this open file description until it is closed (not
// by the process: another descriptor of the same file closed elsewhere does not drop it).
bool lock_whole_file(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool is_partial_name(std::string_view name) {
  if (name.size() < 1 + partial_marker.size() + unique_length || name.front() != '.') return false;
  return name.substr(name.size() - unique_length - partial_marker.size(), partial_marker.size()) == partial_marker;
}

// Removes the aside files of killed writers in folder: regular files by the aside name that no
// running writer holds locked. Each folder is looked at once per process.
void remove_abandoned_partials(const fs::path& folder) {
  static std::set<std::string> looked_at;
  if (!looked_at.insert(folder.string()).second) return;
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return;
  while (const dirent* entry = ::readdir(directory)) {
    if (!is_partial_name(entry->d_name)) continue;
    const fs::path path = folder / entry->d_name;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat by_descriptor {
    }, by_name{};
    // Locked: a live writer's. Unlocked: its writer is gone, unless the name now holds another
    // file (a writer that just made it locks it next, sees it unlinked and makes another).
    if (::fstat(fd, &by_descriptor) == 0 && S_ISREG(by_descriptor.st_mode) && lock_whole_file(fd) &&
        ::lstat(path.c_str(), &by_name) == 0 && by_name.st_dev == by_descriptor.st_dev &&
        by_name.st_ino == by_descriptor.st_ino)
      ::unlink(path.c_str());
    ::close(fd);
  }
  ::closedir(directory);
}

}  // namespace

std::string irregular_file_kind(const fs::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return {};
  if (S_ISDIR(status.st_mode)) return "a directory";
  if (S_ISFIFO(status.st_mode)) return "a FIFO (named pipe)";
  if (S_ISCHR(status.st_mode)) return "a character device";
  if (S_ISBLK(status.st_mode)) return "a block device";
  if (S_ISSOCK(status.st_mode)) return "a socket";
  return "no regular file";
}

void refuse_irregular_target(const fs::path& target) {
  if (const std::string kind = irregular_file_kind(target); !kind.empty())
    throw UsageError(target.string(),
                     "is " + kind + ", not a regular file: only a regular file is replaced by an output");
}

void check_output_target(const fs::path& target) {
  refuse_irregular_target(target);
  const fs::path folder = folder_of(target);
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    throw ToolError(target.string(), 0, "cannot be written: " + system_reason());
}

namespace {

// The name of a run folder's own file that the target is, by its name or a symbolic link's
// target, or "".
std::string run_file_named(const fs::path& target) {
  std::error_code ignored;
  const fs::path resolved = fs::weakly_canonical(target, ignored);
  for (const fs::path& path : {target, ignored ? target : resolved}) {
    std::string name = path.filename().string();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "RAINGEN.TXT" || name == "NETWORK.TXT" || name == settings_file_name || name == source_out_name)
      return name;
    for (const char* suffix : {"D_3.TXT", "F_2.TXT", "F_3.TXT"})
      if (name.size() == 11 && name.ends_with(suffix)) return name + " (a station file)";
  }
  return "";
}

}  // namespace

void check_product_target(const fs::path& target) {
  if (const std::string name = run_file_named(target); !name.empty())
    throw UsageError(target.string(), "is " + name +
                                          ", a file a run folder holds for itself: an output never replaces "
                                          "it; give another name");
  check_output_target(target);
}

void check_future_output(const fs::path& target) {
  std::error_code ignored;
  if (fs::is_directory(folder_of(target), ignored))
    check_output_target(target);
  else
    refuse_irregular_target(target);
}

void check_output_folder(const fs::path& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) == 0) {
    if (!S_ISDIR(status.st_mode))
      throw UsageError(folder.string(),
                       "is " + (S_ISREG(status.st_mode) ? std::string("a regular file") : irregular_file_kind(folder)) +
                           ", not a directory: the outputs go into a directory");
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
      throw ToolError(folder.string(), 0, "cannot be written: " + system_reason());
    return;
  }
  // Missing: it is made in the nearest folder above that is there, which must let it be made.
  fs::path above = fs::absolute(folder).lexically_normal();
  while (above.has_relative_path() && ::stat(above.c_str(), &status) != 0) above = above.parent_path();
  if (!S_ISDIR(status.st_mode))
    throw UsageError(folder.string(), above.string() + " is no directory: the outputs' folder cannot be made");
  if (::access(above.c_str(), W_OK | X_OK) != 0)
    throw ToolError(folder.string(), 0, "cannot be made: " + system_reason());
}

OutputFile::OutputFile(fs::path target) : target_(std::move(target)) {
  check_output_target(target_);
  const fs::path folder = folder_of(target_);
  remove_abandoned_partials(folder);
  std::string aside_name(".");
  aside_name.append(target_.filename().string()).append(partial_marker).append(unique_length, 'X');
  for (;;) {
    std::string pattern = (folder / aside_name).string();
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) throw ToolError(target_.string(), 0, "cannot be written: " + system_reason());
    aside_ = pattern;
    struct stat status {};
    if (lock_whole_file(fd_) && ::fstat(fd_, &status) == 0 && status.st_nlink > 0) break;
    ::close(fd_);  // another tool's cleaning took it between its making and its lock: make another
    fd_ = -1;
  }
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

std::optional<OutputFile> OutputFile::linked_to(const OutputFile& original, fs::path target) {
  check_output_target(target);
  OutputFile linked;
  linked.target_ = std::move(target);
  std::string aside_name(".");
  aside_name.append(linked.target_.filename().string()).append(partial_marker).append(unique_length, 'X');
  for (;;) {
    // A free name, then the link under it: taken meanwhile by another file, another name.
    std::string pattern = (folder_of(linked.target_) / aside_name).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw ToolError(linked.target_.string(), 0, "cannot be written: " + system_reason());
    ::unlink(pattern.c_str());
    ::close(fd);
    if (::link(original.aside_.c_str(), pattern.c_str()) == 0) {
      linked.aside_ = pattern;
      break;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  // Nothing to write or sync: the original's descriptor writes and syncs the one file, and its
  // lock, on the file under both names, tells other tools that the link is no leftover.
  linked.finished_ = true;
  return linked;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : target_(std::move(other.target_)),
      aside_(std::move(other.aside_)),
      fd_(other.fd_),
      is_standard_output_(other.is_standard_output_),
      finished_(other.finished_),
      committed_(other.committed_),
      buffer_(std::move(other.buffer_)) {
  other.fd_ = -1;
  other.aside_.clear();
  other.committed_ = true;
}

OutputFile::~OutputFile() {
  if (is_standard_output_) return;
  if (committed_) {
    release();
    return;
  }
  if (!aside_.empty()) ::unlink(aside_.c_str());  // unlinked before its lock goes with the descriptor
  if (fd_ >= 0) ::close(fd_);
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
  stop_if_interrupted();
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) {
      stop_if_interrupted();
      continue;
    }
    if (n <= 0) throw ToolError(target_.string(), 0, "cannot be written: " + system_reason());
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
}

void OutputFile::write_out() {
  if (fd_ < 0 || finished_) return;
  flush_buffer();
  std::string().swap(buffer_);
}

fs::path OutputFile::hand_to_library() {
  // The library opens the aside file by its name while this object keeps it locked; HDF5's own
  // lock (a flock) is not needed on a file nobody else opens, and on a network file system it
  // could clash with this one.
  ::setenv("HDF5_USE_FILE_LOCKING", "FALSE", 0);
  return aside_;
}

void OutputFile::finish() {
  if (finished_) return;
  if (fd_ >= 0) {
    flush_buffer();
    std::string().swap(buffer_);  // a finished file waiting to be renamed holds no memory
    if (!is_standard_output_) {
      // The descriptor syncs whatever was written to the file, by this object or by a library.
      if (::fsync(fd_) != 0) throw ToolError(target_.string(), 0, "cannot be written: " + system_reason());
    }
  }
  finished_ = true;
}

void OutputFile::put_in_place() {
  if (is_standard_output_ || committed_) return;
  check_output_target(target_);  // still no directory, FIFO or device
  if (::rename(aside_.c_str(), target_.c_str()) != 0)
    throw ToolError(target_.string(), 0, "cannot be put in place: " + system_reason());
  committed_ = true;
}

void OutputFile::release() {
  if (fd_ >= 0 && !is_standard_output_) ::close(fd_);
  fd_ = -1;
}

void OutputFile::commit() {
  finish();
  stop_if_interrupted();
  put_in_place();
  release();
}

// The descriptors close only when every file is in place: a file linked to another (linked_to)
// stays locked through its original's until its own rename.
void commit_all(std::vector<OutputFile*> files) {
  for (OutputFile* file : files) file->finish();
  stop_if_interrupted();
  for (OutputFile* file : files) file->put_in_place();
  for (OutputFile* file : files) file->release();
}

void write_together(const std::vector<FileText>& files) {
  for (const FileText& file : files) check_output_target(file.target);
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
