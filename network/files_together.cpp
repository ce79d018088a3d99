#include "network/files_together.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::network {

namespace {

// Descriptors kept free for what else the tool opens meanwhile (the records read, the standard
// streams, the libraries).
constexpr rlim_t spare_descriptors = 64;

// Each file aside stays open until the renames (its descriptor holds the lock that tells a later
// tool it is no leftover), so a network of a hundred sites needs a thousand descriptors: more
// than the usual soft limit of 1024. The soft limit is raised as far as the hard limit allows;
// beyond that the tool stops, its files aside removed, saying what limit it needs.
}  // namespace

void make_room_for(std::size_t open_files, const std::filesystem::path& target) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t needed = static_cast<rlim_t>(open_files) + spare_descriptors;
  if (limit.rlim_cur == RLIM_INFINITY || needed <= limit.rlim_cur) return;
  if (limit.rlim_max == RLIM_INFINITY || needed <= limit.rlim_max) {
    const rlim_t wanted = std::max(needed, std::min<rlim_t>(2 * needed, limit.rlim_max));
    rlimit raised{wanted, limit.rlim_max};
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) return;
  }
  throw common::ToolError(
      target.string(), 0,
      fmt::format("cannot be written: the network's {} files are written together and kept open "
                  "until all are whole, which needs {} open files, and this system allows {} open "
                  "files (ulimit -n, hard limit {}); raise the limit or prepare fewer sites at once",
                  open_files, needed, limit.rlim_cur,
                  limit.rlim_max == RLIM_INFINITY ? std::string("none") : std::to_string(limit.rlim_max)));
}

std::size_t FilesTogether::add(const std::filesystem::path& target, std::string_view text) {
  common::check_output_target(target);
  make_room_for(files_.size() + 1, target);  // already made room for all of them (make_room_for), as a rule
  files_.push_back(std::make_unique<common::OutputFile>(target));
  files_.back()->write(text);
  files_.back()->write_out();
  return files_.size() - 1;
}

std::size_t FilesTogether::add_same(const std::filesystem::path& target, std::size_t same, std::string_view text) {
  std::optional<common::OutputFile> linked = common::OutputFile::linked_to(*files_.at(same), target);
  if (!linked) return add(target, text);
  files_.push_back(std::make_unique<common::OutputFile>(std::move(*linked)));
  return files_.size() - 1;
}

void FilesTogether::commit() {
  // One sync of the file system writes every file back at once; each file's own sync (in
  // commit_all) then finds nothing left to write. Far faster than a sync per file when there are
  // hundreds.
  if (!files_.empty()) {
    const int dir =
        ::open(files_.front()->target().parent_path().empty() ? "." : files_.front()->target().parent_path().c_str(),
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
