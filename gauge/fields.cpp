#include "gauge/fields.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace raingen::gauge {

void split_fields(std::string_view line, char separator, std::vector<std::string_view>& fields,
                  std::size_t max_fields) {
  fields.clear();
  const char* at = line.data();
  const char* const end = at + line.size();
  for (;;) {
    const void* found =
        fields.size() + 1 >= max_fields ? nullptr : std::memchr(at, separator, static_cast<std::size_t>(end - at));
    const char* stop = found ? static_cast<const char*>(found) : end;
    fields.push_back(trim(std::string_view(at, static_cast<std::size_t>(stop - at))));
    if (!found) return;
    at = stop + 1;
  }
}

void split_words(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    const std::size_t begin = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    if (at > begin) fields.push_back(line.substr(begin, at - begin));
  }
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[k]) != lower(b[k])) return false;
  }
  return true;
}

namespace {

// A plain decimal "digits[.digits]" of at most 15 digits, exactly as from_chars would read it: the
// digits as a whole number and a power of ten are both exact doubles, so one division rounds
// correctly. Most depths in records look like this ("0", "0.2", "12.75").
bool plain_decimal(std::string_view text, double& value) {
  static constexpr double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (text.size() > 16) return false;
  std::int64_t digits = 0;
  int count = 0, decimals = -1;
  for (char c : text) {
    if (c == '.' && decimals < 0) {
      decimals = 0;
      continue;
    }
    if (c < '0' || c > '9') return false;
    digits = digits * 10 + (c - '0');
    ++count;
    if (decimals >= 0) ++decimals;
  }
  if (count == 0 || count > 15) return false;
  value = static_cast<double>(digits) / powers[decimals < 0 ? 0 : decimals];
  return true;
}

}  // namespace

DepthKind read_depth(std::string_view text, double& value) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') {  // most readings of most records: "0"
    value = text[0] - '0';
    return DepthKind::depth;
  }
  if (plain_decimal(text, value)) return DepthKind::depth;
  if (text.empty() || same_name(text, "NA") || same_name(text, "NaN")) return DepthKind::missing;
  const char* begin = text.data();
  if (*begin == '+') ++begin;
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return DepthKind::malformed;
  if (value < 0) return DepthKind::missing;  // -999, -9999 and every other negative reading
  return DepthKind::depth;
}

}  // namespace raingen::gauge
