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

}  // namespace records::detail
