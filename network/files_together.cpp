#include "network/files_together.h"

namespace raingen::network {

void FilesTogether::add(const std::filesystem::path& target, std::string_view text) {
  common::check_output_target(target);
  files_.push_back(std::make_unique<common::OutputFile>(target));
  files_.back()->write(text);
  files_.back()->finish();
}

void FilesTogether::commit() {
  std::vector<common::OutputFile*> all;
  for (const std::unique_ptr<common::OutputFile>& file : files_) all.push_back(file.get());
  common::commit_all(all);
}

}  // namespace raingen::network
