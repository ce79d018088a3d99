#include "ensemble/scratch_area.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

}  // namespace

ScratchArea::ScratchArea(const fs::path& output) {
  const fs::path directory = output.has_parent_path() ? output.parent_path() : fs::path(".");
  std::string name(".");
  name.append(output.filename().string()).append(".scratch-XXXXXX");
  std::string pattern = fs::absolute(directory / name).string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw ToolError(output.string(), 0, "cannot be written: no room for the realizations' directories beside it");
  path_ = pattern;
}

ScratchArea::~ScratchArea() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

RealizationFiles ScratchArea::prepare(const std::string& name, const ensemble_file::RunDirectory& inputs,
                                      const std::string* settings_text) const {
  RealizationFiles files;
  files.root = path_ / name;
  files.run = files.root / "run";
  files.out = files.root / "stdout";
  files.err = files.root / "stderr";
  std::error_code error;
  fs::create_directories(files.run, error);
  for (const std::string& input : inputs.input_names) {
    if (error) break;
    if (settings_text && input == common::settings_file_name) {
      write_file(files.run / input, *settings_text, error);
      continue;
    }
    fs::create_symlink(inputs.dir / input, files.run / input, error);
  }
  if (error) throw ToolError(files.run.string(), 0, "cannot be prepared: " + error.message());
  return files;
}

void ScratchArea::remove(const RealizationFiles& files) const {
  std::error_code error;
  fs::remove_all(files.root, error);
  if (error) throw ToolError(files.root.string(), 0, "cannot be removed: " + error.message());
}

}  // namespace raingen::ensemble
