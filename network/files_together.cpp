#include "network/files_together.h"

#include <fcntl.h>
#include <unistd.h>

namespace raingen::network {

void FilesTogether::add(const std::filesystem::path& target, std::string_view text) {
  common::check_output_target(target);
  files_.push_back(std::make_unique<common::OutputFile>(target));
  files_.back()->write(text);
  files_.back()->write_out();
}

void FilesTogether::commit() {
  // One sync of the file system writes every file back at once; each file's own sync (in
  // commit_all) then finds nothing left to write. Far faster than a sync per file when there are
  // hundreds.
  if (!files_.empty()) {
    const int dir = ::open(files_.front()->target().parent_path().empty() ? "." : files_.front()->target().parent_path().c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::syncfs(dir);
      ::close(dir);
    }
  }
  std::vector<common::OutputFile*> all;
  for (const std::unique_ptr<common::OutputFile>& file : files_) all.push_back(file.get());
  common::commit_all(all);
}

}  // namespace raingen::network
