// How a failed realization is listed on standard error: its number, seed and why, then what the
// program showed on standard output and standard error, line by line.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace raingen::ensemble {

// At most this many bytes of each stream are shown; the rest is counted.
inline constexpr std::size_t shown_stream_bytes = 4096;

// "raingen-ensemble: realization 3 (seed 3) failed: exit status 1\n"
// "    standard output: Program is Running, Please wait.\n"
// "    standard error:  run-time error F6205: READ(KAROF_2.TXT)\n"
// "                     - text item met by a numeric field\n"
// Lines are split at CR and LF, blank ones left out, blanks around each dropped and control
// characters shown as '?'; a stream with nothing to show says "(nothing)".
std::string failure_report(long number, int seed, std::string_view why, std::string_view standard_output,
                           std::string_view standard_error);

// The first shown_stream_bytes bytes of a file, with "... (N more bytes)" when it holds more; a
// file that cannot be read gives "(cannot be read)". An empty capture on a full disk says so:
// what the run wrote may have been lost, not never written.
std::string stream_excerpt(const std::filesystem::path& path);

// The note for an empty capture whose file system has free_bytes left: empty when there is room,
// else "(nothing captured: the disk holding FOLDER is full; what the run wrote may be lost)".
std::string empty_capture_note(const std::filesystem::path& folder, unsigned long long free_bytes);

}  // namespace raingen::ensemble
