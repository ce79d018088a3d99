#include "common/sections_line.h"

#include <fmt/format.h>

#include "common/text.h"
#include "common/tool_error.h"

namespace raingen::common {

namespace {

constexpr std::string_view separator = " = ";
constexpr std::string_view blanks = " \t";

}  // namespace

std::string shown_line(std::string_view line) {
  constexpr std::size_t most = 60;
  return line.size() <= most ? std::string(line) : std::string(line.substr(0, most)) + "...";
}

SectionsLine read_sections_line(std::string_view text, const std::string& file, long line) {
  SectionsLine read;
  const std::string_view content = trimmed(text, blanks);
  if (content.empty() || content[0] == '#') return read;
  if (content.front() == '[' && content.back() == ']') {
    const std::string_view inside = content.substr(1, content.size() - 2);
    const std::size_t blank = inside.find(' ');
    read.kind = SectionsLine::Kind::header;
    read.inside = inside;
    read.named = blank != std::string_view::npos;
    read.section = inside.substr(0, blank);
    read.name = blank == std::string_view::npos ? std::string_view{} : inside.substr(blank + 1);
    return read;
  }
  const std::size_t split = text.find(separator);
  if (split == std::string_view::npos || split == 0 ||
      text.substr(0, split).find_first_of(blanks) != std::string_view::npos)
    throw ToolError(file, line,
                    fmt::format("'{}' is neither a [section], a KEY = VALUE line nor a comment", shown_line(text)));
  read.kind = SectionsLine::Kind::key_value;
  read.key = text.substr(0, split);
  read.value = text.substr(split + separator.size());
  return read;
}

}  // namespace raingen::common
