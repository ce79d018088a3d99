// Text for SVG and HTML: escaped characters and coordinates with one decimal, C locale.
#pragma once

#include <string>
#include <string_view>

namespace raingen::page {

// &, <, >, " and ' as character references.
std::string escape(std::string_view text);
// One decimal, no "-0.0".
std::string coordinate(double value);

}  // namespace raingen::page
