#include "weighting/presence_option.h"

#include "common/tool_error.h"

namespace raingen::weighting {

Presence present_option(const std::string& text) {
  const std::optional<Presence> present = parse_presence(text);
  if (!present) throw common::UsageError("--present '" + text + "' is neither all nor any");
  return *present;
}

}  // namespace raingen::weighting
