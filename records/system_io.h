// Raw transfers to and from file descriptors, shared by the connections, the console and the
// ends of a run. None of them throws: the callers decide how a failure ends the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace records {

// Writes all the bytes, looping on partial writes and interrupted calls. False on failure.
bool write_all(int fd, std::string_view bytes);

// Reads at most size bytes; the count, 0 at the end of the file, -1 on failure.
long read_some(int fd, char* buffer, std::size_t size);

// The same from the given offset of a seekable file, leaving the file position as it is.
long read_some_at(int fd, char* buffer, std::size_t size, std::int64_t offset);

}  // namespace records
