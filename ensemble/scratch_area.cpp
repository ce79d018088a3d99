#include "ensemble/scratch_area.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "common/tool_error.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;

namespace {

// A small file of the scratch area, written at once (nothing outside reads it before the run).
void write_file(const fs::path& path, const std::string& text, std::error_code& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (!written) error = std::error_code(errno, std::generic_category());
  if (fd >= 0 && ::close(fd) != 0 && !error) error = std::error_code(errno, std::generic_category());
}

constexpr std::string_view scratch_marker = ".scratch-";
constexpr std::size_t unique_length = 6;  // mkdtemp's XXXXXX

bool is_scratch_name(std::string_view name) {
  if (name.size() < 1 + scratch_marker.size() + unique_length || name.front() != '.') return false;
  return name.substr(name.size() - unique_length - scratch_marker.size(), scratch_marker.size()) == scratch_marker;
}

// The directory at path opened and locked, if no one else holds it and it is still the directory
// of that name; -1 otherwise.
int lock_directory(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat by_descriptor {
  }, by_name{};
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &by_descriptor) == 0 && ::lstat(path.c_str(), &by_name) == 0 &&
      by_name.st_dev == by_descriptor.st_dev && by_name.st_ino == by_descriptor.st_ino)
    return fd;
  ::close(fd);
  return -1;
}

// Removes the scratch directories of killed ensembles in folder: those no running one holds.
void remove_abandoned_scratch(const fs::path& folder) {
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return;
  std::vector<fs::path> abandoned;
  while (const dirent* entry = ::readdir(directory))
    if (is_scratch_name(entry->d_name)) abandoned.push_back(folder / entry->d_name);
  ::closedir(directory);
  for (const fs::path& path : abandoned) {
    const int fd = lock_directory(path);
    if (fd < 0) continue;
    std::error_code ignored;
    fs::remove_all(path, ignored);
    ::close(fd);
  }
}

}  // namespace

ScratchArea::ScratchArea(const fs::path& output) {
  const fs::path directory = output.has_parent_path() ? output.parent_path() : fs::path(".");
  remove_abandoned_scratch(directory);
  std::string name(".");
  name.append(output.filename().string()).append(scratch_marker).append(unique_length, 'X');
  while (lock_fd_ < 0) {
    std::string pattern = fs::absolute(directory / name).string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw ToolError(output.string(), 0, "cannot be written: no room for the realizations' directories beside it");
    path_ = pattern;
    lock_fd_ = lock_directory(path_);  // fails only if another ensemble's cleaning took it first: make another
  }
}

ScratchArea::~ScratchArea() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  ::close(lock_fd_);
}

RealizationFiles ScratchArea::take(const run_directory::RunDirectory& inputs, const std::string* settings_text) {
  const auto reusable =
      std::find_if(free_.begin(), free_.end(), [&](const Slot& slot) { return slot.inputs == inputs.dir; });
  if (reusable != free_.end()) {
    lent_.push_back(std::move(*reusable));
    free_.erase(reusable);
    set_settings(lent_.back(), inputs, settings_text);
    return lent_.back().files;
  }
  Slot slot;
  slot.inputs = inputs.dir;
  slot.written = {inputs.settings.results_name, std::string(common::source_out_name)};
  RealizationFiles& files = slot.files;
  files.root = path_ / std::to_string(++made_);
  files.run = files.root / "run";
  files.out = files.root / "stdout";
  files.err = files.root / "stderr";
  std::error_code error;
  fs::create_directories(files.run, error);
  for (const std::string& input : inputs.input_names) {
    if (error) break;
    if (input != common::settings_file_name) fs::create_symlink(inputs.dir / input, files.run / input, error);
  }
  if (error) throw ToolError(files.run.string(), 0, "cannot be prepared: " + error.message());
  slot.settings = "";  // neither a link nor a text yet
  set_settings(slot, inputs, settings_text);
  lent_.push_back(std::move(slot));
  return lent_.back().files;
}

void ScratchArea::set_settings(Slot& slot, const run_directory::RunDirectory& inputs,
                               const std::string* settings_text) const {
  const std::optional<std::string> wanted = settings_text ? std::optional<std::string>(*settings_text) : std::nullopt;
  if (slot.settings == wanted) return;
  const fs::path target = slot.files.run / common::settings_file_name;
  std::error_code error;
  fs::remove(target, error);
  if (!error) {
    if (settings_text)
      write_file(target, *settings_text, error);
    else
      fs::create_symlink(inputs.dir / common::settings_file_name, target, error);
  }
  if (error) throw ToolError(target.string(), 0, "cannot be prepared: " + error.message());
  slot.settings = wanted;
}

void ScratchArea::give_back(const RealizationFiles& files) {
  const auto lent =
      std::find_if(lent_.begin(), lent_.end(), [&](const Slot& slot) { return slot.files.run == files.run; });
  if (lent == lent_.end()) return;
  std::error_code error;
  for (const std::string& name : lent->written) {
    fs::remove(files.run / name, error);
    if (error) throw ToolError((files.run / name).string(), 0, "cannot be removed: " + error.message());
  }
  free_.push_back(std::move(*lent));
  lent_.erase(lent);
}

}  // namespace raingen::ensemble
