// A file read whole into memory, the one way the tools take in a file at once (the program's
// settings, a realization's table, the inputs an ensemble checksums, the start of a run's
// captured output); files read line by line go through LineReader.
#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>

namespace raingen::common {

// The bytes of the file at path, or its first `limit` bytes when it is longer. Throws ToolError
// "FILE: cannot be read: REASON" when it cannot be opened or read (a directory among them).
std::string read_whole_file(const std::filesystem::path& path,
                            std::size_t limit = std::numeric_limits<std::size_t>::max());

}  // namespace raingen::common
