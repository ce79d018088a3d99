// Numbers in text, read and written in the C locale whatever the user's locale is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace raingen::common {

// A whole decimal number (optional sign) filling the text, blanks around it allowed.
std::optional<long> parse_integer(std::string_view text);
// A decimal real number (optional sign, point, exponent) filling the text, blanks around it
// allowed; no "inf" or "nan".
std::optional<double> parse_real(std::string_view text);

// The shortest text that reads back as the same double ("0.2", "1e-07"); for machine-read files.
std::string shortest_text(double value);

}  // namespace raingen::common
