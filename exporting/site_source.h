// The series of a network's sites as the network export takes them: each site's name and a way to
// read its series, called once when the export reaches the site, so that one site's series is in
// memory at a time. The kept tables of a network directory give them (network_tables.h), and so
// does one realization of a network ensemble file (network_realization.h).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calendar/utc_offset.h"
#include "gauge/calendar_series.h"
#include "network/network_manifest.h"

namespace raingen::exporting {

struct SiteSource {
  std::string name;    // the rain file's station, the csv's site; a SWMM gage name
  std::string origin;  // where the series comes from, for messages (a file)
  // Interval k of the series covers (start + 15 k min, start + 15 (k + 1) min]; throws ToolError.
  std::function<gauge::CalendarSeries()> read;
};

using SiteSources = std::vector<SiteSource>;

// A network's sites as the export takes them, with the manifest that names them (the model's lines
// need it) and every file the export reads (an OUTPUT must be none of them).
struct NetworkSources {
  network::NetworkManifest manifest;
  SiteSources sources;
  std::vector<std::filesystem::path> inputs;
  std::optional<calendar::UtcOffset> clock{};  // of the series' times, when stated
};

}  // namespace raingen::exporting
