// Small text helpers every reader shares.
#pragma once

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace raingen::common {

// The text without the given blanks at either end (a view into it).
inline std::string_view trimmed(std::string_view text, std::string_view blanks = " \t") {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The fields of a line between separators, each trimmed of blanks (views into the line).
inline std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(separator, from)) != std::string_view::npos; from = at + 1)
    parts.push_back(trimmed(text.substr(from, at - from)));
  parts.push_back(trimmed(text.substr(from)));
  return parts;
}

// The text in lower case (ASCII letters only).
inline std::string lowercase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace raingen::common
