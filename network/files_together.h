// Many files written as they are made and put in place together: each is written aside when added
// (so that its text need not be kept), and commit() syncs them and renames them all as
// common::commit_all does. Until then every target keeps what it held; a FilesTogether destroyed
// uncommitted removes its aside files. For a tool whose outputs are too large to hold at once
// (common::write_together holds every text until the end).
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "common/output_file.h"

namespace raingen::network {

// Raises the soft limit of open files to what open_files files written together need, as far as
// the hard limit allows; else throws ToolError naming target, the count and the limits. Called
// before the work, with every file the use will write, so that nothing is read or written aside
// for a use that cannot be put in place.
void make_room_for(std::size_t open_files, const std::filesystem::path& target);

class FilesTogether {
 public:
  // Writes text aside for target (whose folder must be there) and returns its index. Throws
  // UsageError for a target that is no regular file, ToolError when it cannot be written.
  std::size_t add(const std::filesystem::path& target, std::string_view text);
  // The file of index `same` (whose text is text) at target too: a hard link to it where the file
  // system allows (one copy of the bytes on disk), else a copy of text. Returns target's index.
  std::size_t add_same(const std::filesystem::path& target, std::size_t same, std::string_view text);
  void commit();
  std::size_t size() const { return files_.size(); }

 private:
  std::vector<std::unique_ptr<common::OutputFile>> files_;
};

}  // namespace raingen::network
