#include "common/checksum.h"

#include <fmt/format.h>

namespace raingen::common {

void Checksum::add(std::string_view bytes) {
  for (const char c : bytes) hash_ = (hash_ ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
}

void Checksum::add_name(std::string_view name) {
  add(name);
  add(std::string_view("\0", 1));
}

std::string Checksum::text() const { return fmt::format("{:016x}", hash_); }

std::string checksum_text(std::string_view bytes) {
  Checksum checksum;
  checksum.add(bytes);
  return checksum.text();
}

}  // namespace raingen::common
