// What a network's readers take from its sites' RAINGEN.TXT for the network as a whole: that each
// folder is of the preparation NETWORK.TXT records (its generation), and the one clock of the
// network's series (raingen-prepare --network --utc-offset writes it into every site's), or none
// at every site.
#pragma once

#include <filesystem>
#include <optional>

#include "calendar/utc_offset.h"
#include "network/network_manifest.h"

namespace raingen::network {

// Reads each site's RAINGEN.TXT in dir. Throws ToolError naming the first site whose folder is of
// another preparation (a preparation cut short while its files were put in place leaves folders of
// two), or whose clock is not the first site's: one file's times must mean the same instant at
// every site. Returns the clock.
std::optional<calendar::UtcOffset> read_site_folders(const std::filesystem::path& dir, const NetworkManifest& manifest);

}  // namespace raingen::network
