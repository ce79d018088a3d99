// Shared pieces of the fuzz targets: a private working directory, quiet standard streams, and
// a way to split one fuzz input into parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz_support {

// Moves into a fresh temporary directory and points standard input at /dev/null (a prompt for
// a file name must meet the end of input, never wait). Call once, from LLVMFuzzerInitialize.
void enter_private_directory();

// Splits data at each occurrence of the separator byte sequence "\n--\n", giving at most
// `parts` pieces (the last takes the rest); missing pieces are empty.
std::vector<std::string> split(const std::uint8_t* data, std::size_t size, std::size_t parts);

void write_whole_file(const std::string& name, std::string_view bytes);
std::string read_whole_file(const std::string& name);

}  // namespace fuzz_support
