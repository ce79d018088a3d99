#include "exporting/swmm_subcatchments.h"

#include <algorithm>
#include <cctype>

#include "common/line_reader.h"
#include "common/tool_error.h"

namespace raingen::exporting {

namespace {

constexpr std::string_view blanks = " \t";

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Where the field that begins at or after from lies in line: [begin, end); none at the line's end
// or at a ';' (the rest is a comment).
std::optional<std::pair<std::size_t, std::size_t>> field_at(std::string_view line, std::size_t from) {
  const std::size_t begin = line.find_first_not_of(blanks, from);
  if (begin == std::string_view::npos || line[begin] == ';') return std::nullopt;
  const std::size_t end = line.find_first_of(" \t;", begin);
  return std::pair{begin, end == std::string_view::npos ? line.size() : end};
}

}  // namespace

std::string subcatchments_on_gages(const std::string& inp_file,
                                   const std::function<std::optional<std::string>(std::string_view)>& gage_of) {
  common::LineReader lines(inp_file);
  std::string text;
  bool inside = false, seen = false;
  for (std::string_view line; lines.next(line);) {
    const std::size_t first = line.find_first_not_of(blanks);
    if (first != std::string_view::npos && line[first] == '[') {
      const std::size_t close = line.find(']', first);
      inside =
          upper(line.substr(first, close == std::string_view::npos ? close : close - first + 1)) == "[SUBCATCHMENTS]";
      if (inside && !seen) text += "[SUBCATCHMENTS]\n";
      seen = seen || inside;
      continue;
    }
    if (!inside) continue;
    const auto name = field_at(line, 0);
    if (!name) {  // a blank or comment line
      text.append(line) += '\n';
      continue;
    }
    const auto gage = field_at(line, name->second);
    if (!gage)
      throw common::ToolError(inp_file, lines.line_number(),
                              "a subcatchment line with no rain gage field: '" + std::string(line) + "'");
    const std::string_view subcatchment = line.substr(name->first, name->second - name->first);
    if (const std::optional<std::string> site_gage = gage_of(subcatchment)) {
      text.append(line.substr(0, gage->first)).append(*site_gage).append(line.substr(gage->second)) += '\n';
    } else {
      text.append(";").append(subcatchment).append(": no site of the network, its rain gage kept\n");
      text.append(line) += '\n';
    }
  }
  if (!seen) throw common::ToolError(inp_file, 0, "has no [SUBCATCHMENTS] section: no subcatchment to put on a gage");
  while (text.ends_with("\n\n")) text.pop_back();
  return text;
}

}  // namespace raingen::exporting
