#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fuzz_support {

void enter_private_directory() {
  char pattern[] = "/tmp/raingen-fuzz-XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  if (chdir(pattern) != 0) std::abort();
  int null = open("/dev/null", O_RDONLY);
  if (null < 0 || dup2(null, 0) < 0) std::abort();
  close(null);
}

std::vector<std::string> split(const std::uint8_t* data, std::size_t size, std::size_t parts) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> pieces;
  constexpr std::string_view separator = "\n--\n";
  while (pieces.size() + 1 < parts) {
    std::size_t at = rest.find(separator);
    if (at == std::string_view::npos) break;
    pieces.emplace_back(rest.substr(0, at));
    rest.remove_prefix(at + separator.size());
  }
  pieces.emplace_back(rest);
  pieces.resize(parts);
  return pieces;
}

void write_whole_file(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_whole_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzz_support
