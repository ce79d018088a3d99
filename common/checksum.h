// A 64-bit FNV-1a checksum, written as 16 lower-case hexadecimal digits: how the tools tell that
// inputs are the ones a file was made from (an ensemble's inputs, a season's files). It finds
// changed bytes; it is no protection against a change made on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace raingen::common {

class Checksum {
 public:
  void add(std::string_view bytes);
  // A name followed by a 0 byte, so that names and contents cannot run into each other.
  void add_name(std::string_view name);
  std::string text() const;  // 16 hexadecimal digits

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

// The checksum of bytes alone.
std::string checksum_text(std::string_view bytes);

}  // namespace raingen::common
