// Small text helpers every reader shares.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace raingen::common {

// The text without the given blanks at either end (a view into it).
inline std::string_view trimmed(std::string_view text, std::string_view blanks = " \t") {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The text in lower case (ASCII letters only).
inline std::string lowercase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace raingen::common
