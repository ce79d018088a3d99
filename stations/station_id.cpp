#include "stations/station_id.h"

#include <algorithm>

#include "common/tool_error.h"

namespace raingen::stations {

std::optional<StationId> StationId::from(std::string_view text) {
  const bool fits = !text.empty() && text.size() <= common::station_id_width &&
                    std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c <= '~' && c != '/'; });
  if (!fits) return std::nullopt;
  return StationId(std::string(text));
}

StationId StationId::given(std::string_view text, std::string_view what) {
  std::optional<StationId> id = from(text);
  if (!id) throw common::UsageError(fmt::format("{} '{}' must be {}", what, text, station_id_rule));
  return *std::move(id);
}

std::string StationId::file_name(common::StationFile file) const {
  std::string name = text_;
  if (name.size() < common::station_id_width) name.append(common::station_id_width - name.size(), ' ');
  name += common::station_file_suffix(file);
  const std::size_t first = name.find_first_not_of(' ');
  const std::size_t last = name.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
}

std::array<std::string, 3> StationId::file_names() const {
  std::array<std::string, 3> names;
  for (std::size_t k = 0; k < names.size(); ++k) names[k] = file_name(common::station_files[k]);
  return names;
}

}  // namespace raingen::stations
