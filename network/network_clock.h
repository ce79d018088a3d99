// The clock of a network's series: the one its sites' RAINGEN.TXT state (raingen-prepare --network
// --utc-offset writes it into every site's), or none at every site.
#pragma once

#include <filesystem>
#include <optional>

#include "calendar/utc_offset.h"
#include "network/network_manifest.h"

namespace raingen::network {

// Reads each site's RAINGEN.TXT in dir. Throws ToolError naming the first site whose clock is not
// the first site's: one file's times must mean the same instant at every site.
std::optional<calendar::UtcOffset> network_clock(const std::filesystem::path& dir, const NetworkManifest& manifest);

}  // namespace raingen::network
