#include "page/svg_text.h"

#include <cmath>

#include <fmt/format.h>

namespace raingen::page {

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string coordinate(double value) {
  const double rounded = std::round(value * 10.0) / 10.0;
  return fmt::format("{:.1f}", rounded == 0 ? 0.0 : rounded);
}

}  // namespace raingen::page
