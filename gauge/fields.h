// Pieces of a record line that every reader needs: splitting at a separator, the texts that mean
// "missing", and depths.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace raingen::gauge {

// The fields of a line split at separator, each without blanks around it; reuses fields' room.
// Splits at most max_fields - 1 times (the last field keeps the rest of the line).
void split_fields(std::string_view line, char separator, std::vector<std::string_view>& fields,
                  std::size_t max_fields = static_cast<std::size_t>(-1));

// Fields separated by blanks or tabs (runs of them count as one).
void split_words(std::string_view line, std::vector<std::string_view>& fields);

// The text without blanks, tabs or double quotes around it.
inline std::string_view trim(std::string_view text) { return common::trimmed(text, " \t\""); }

// What a depth field holds: a depth in mm (before any unit conversion), missing (empty, NA, NaN,
// -999, -9999 or any negative value), or nothing readable.
enum class DepthKind { depth, missing, malformed };
DepthKind read_depth(std::string_view text, double& value);

// Whether two names are the same apart from letter case.
bool same_name(std::string_view a, std::string_view b);

}  // namespace raingen::gauge
