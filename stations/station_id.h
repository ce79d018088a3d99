// A station's identifier, the one rule every tool holds it to: 1 to 4 printable ASCII characters,
// none of them a blank or '/'. The program itself reads any four characters, but a blank would
// stand in the names of the station's files where the tools show none, and a '/' would put them in
// another directory; an identifier of this rule names its three files exactly as the tools show
// them, the same when padded and when opened.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "common/program_files.h"

namespace raingen::stations {

inline constexpr std::string_view station_id_rule = "1 to 4 printable ASCII characters, no blank or '/'";

class StationId {
 public:
  // No identifier yet (a setting still to be filled in): the settings file and the station-file
  // writer refuse it.
  StationId() = default;
  // text as an identifier, or none when the rule refuses it.
  static std::optional<StationId> from(std::string_view text);
  // text from a command line: throws UsageError "WHAT 'TEXT' must be 1 to 4 ..." when refused.
  static StationId given(std::string_view text, std::string_view what);

  const std::string& text() const { return text_; }
  bool empty() const { return text_.empty(); }

  // The name of one of its files as the program opens it: the identifier blank-padded to 4
  // characters, then the suffix, with blanks at both ends removed (which leaves an identifier of
  // the rule padded: "P3  D_3.TXT").
  std::string file_name(common::StationFile file) const;
  std::array<std::string, 3> file_names() const;  // in the order of common::station_files

  friend bool operator==(const StationId&, const StationId&) = default;

 private:
  explicit StationId(std::string text) : text_(std::move(text)) {}
  std::string text_;
};

}  // namespace raingen::stations

// Formats as its text, so that "{:<4}" pads it as the files do.
template <>
struct fmt::formatter<raingen::stations::StationId> : fmt::formatter<std::string_view> {
  auto format(const raingen::stations::StationId& id, fmt::format_context& context) const {
    return fmt::formatter<std::string_view>::format(id.text(), context);
  }
};
