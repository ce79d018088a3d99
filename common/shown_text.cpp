#include "common/shown_text.h"

#include <fmt/format.h>

namespace raingen::common {

namespace {

// The length of the UTF-8 character at text[at] if it is valid and no control (C1), else 0.
std::size_t printable_utf8_length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // the range of the byte after the lead
  if (lead >= 0xc2 && lead <= 0xdf)
    length = 2;
  else if (lead >= 0xe0 && lead <= 0xef)
    length = 3;
  else if (lead >= 0xf0 && lead <= 0xf4)
    length = 4;
  else
    return 0;
  if (lead == 0xe0) low = 0xa0;   // no overlong forms
  if (lead == 0xed) high = 0x9f;  // no surrogates
  if (lead == 0xf0) low = 0x90;   // no overlong forms
  if (lead == 0xf4) high = 0x8f;  // nothing past U+10FFFF
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (byte(at + k) < 0x80 || byte(at + k) > 0xbf) return 0;
  if (lead == 0xc2 && byte(at + 1) <= 0x9f) return 0;  // a C1 control
  return length;
}

}  // namespace

std::string shown_text(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c < 0x7f) {
      shown += static_cast<char>(c);
      ++at;
      continue;
    }
    if (c >= 0x80) {
      if (const std::size_t length = printable_utf8_length(text, at)) {
        shown.append(text.substr(at, length));
        at += length;
        continue;
      }
    }
    switch (c) {
      case '\t': shown += "\\t"; break;
      case '\r': shown += "\\r"; break;
      case '\n': shown += "\\n"; break;
      default: shown += fmt::format("\\x{:02x}", c);
    }
    ++at;
  }
  return shown;
}

std::string excerpt(std::string_view text, std::size_t most) {
  if (text.size() <= most) return shown_text(text);
  std::size_t cut = most;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80) --cut;  // not inside a character
  return fmt::format("{}... ({} bytes)", shown_text(text.substr(0, cut)), text.size());
}

}  // namespace raingen::common
