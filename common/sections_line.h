// A line of the tools' facts files (RAINGEN.TXT, NETWORK.TXT): "[KIND]" or "[KIND NAME]" opens a
// section, "KEY = VALUE" (a key without blanks, the value as written) belongs to the section
// open, "#" begins a comment; blank lines are skipped.
#pragma once

#include <string>
#include <string_view>

namespace raingen::common {

struct SectionsLine {
  enum class Kind { skipped, header, key_value };
  Kind kind = Kind::skipped;
  std::string_view inside;   // of a header: what lies between the brackets
  std::string_view section;  // of a header: KIND, up to the first blank
  std::string_view name;     // of a header: NAME, after the first blank (empty when none)
  bool named = false;        // of a header: a blank follows KIND
  std::string_view key, value;
};

// The line read. Throws ToolError naming file and line for a line that is none of the three.
SectionsLine read_sections_line(std::string_view text, const std::string& file, long line);

// What a message shows of a line: enough to find it (its first 60 characters).
std::string shown_line(std::string_view line);

}  // namespace raingen::common
