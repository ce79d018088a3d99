// Pieces shared by the files that make up the connection table (not for use outside it).
#pragma once

#include <string>
#include <string_view>

#include "records/connections.h"

namespace records::detail {

// What a name reaches: a disk file, one of the devices, or a device this host does not have.
enum class DeviceName { none, console, error_stream, null, absent };
DeviceName device_of(std::string_view name);

// The name for a blank name: the next command-line argument, else asked at the console. False
// when the console input ends or fails before a non-empty name is read.
bool find_blank_name(int unit, std::string& name);
void forget_command_line();

// Gives pending output to the system; false when the write fails (the output is dropped).
bool write_out(Connection& c);
void discard_input(Connection& c);
// Moves the read position of a seekable file to offset, keeping what was read ahead when the
// offset lies within it; false when the system refuses the move.
bool move_input(Connection& c, std::int64_t offset);
// Writes out what is pending and gives the system file back; false when either fails.
bool release(Connection& c);

}  // namespace records::detail
