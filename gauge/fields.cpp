#include "gauge/fields.h"

#include <charconv>
#include <cmath>

namespace raingen::gauge {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '"')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '"')) text.remove_suffix(1);
  return text;
}

void split_fields(std::string_view line, char separator, std::vector<std::string_view>& fields,
                  std::size_t max_fields) {
  fields.clear();
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = fields.size() + 1 >= max_fields ? std::string_view::npos : line.find(separator, begin);
    if (end == std::string_view::npos) {
      fields.push_back(trim(line.substr(begin)));
      return;
    }
    fields.push_back(trim(line.substr(begin, end - begin)));
    begin = end + 1;
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

DepthKind read_depth(std::string_view text, double& value) {
  if (text.empty() || same_name(text, "NA") || same_name(text, "NaN")) return DepthKind::missing;
  const char* begin = text.data();
  if (*begin == '+') ++begin;
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return DepthKind::malformed;
  if (value < 0) return DepthKind::missing;  // -999, -9999 and every other negative reading
  return DepthKind::depth;
}

}  // namespace raingen::gauge
