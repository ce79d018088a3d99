#include "ensemble/scratch_area.h"

#include <cstdlib>

#include "common/tool_error.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;

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

RealizationFiles ScratchArea::prepare(long k, const ensemble_file::RunDirectory& inputs) const {
  RealizationFiles files;
  files.root = path_ / std::to_string(k);
  files.run = files.root / "run";
  files.out = files.root / "stdout";
  files.err = files.root / "stderr";
  std::error_code error;
  fs::create_directories(files.run, error);
  for (const std::string& name : inputs.input_names) {
    if (error) break;
    fs::create_symlink(inputs.dir / name, files.run / name, error);
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
