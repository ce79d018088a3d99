// The reference of a run whose site station raingen-prepare --weighted-site made of gauges: the
// three gauges, their records and reading options and their distances, and how present intervals
// were taken, as it recorded them in the run directory's RAINGEN.TXT. The report weighs those
// records into the weighted record the site station was made of, without the user repeating them.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/gauge_arguments.h"
#include "stations/settings_file.h"
#include "weighting/presence.h"

namespace raingen::report {

struct SiteReference {
  std::string site_station;                   // its ID
  std::vector<common::GaugeArgument> gauges;  // three, in the weighting's order: ID, record, reading options
  std::array<int, 3> distances{};
  weighting::Presence present = weighting::Presence::all;
};

// Reads dir/RAINGEN.TXT: none when it records no site station, or when INPUT.TXT (settings) does
// not put that station at the site (distance 0). Throws ToolError naming RAINGEN.TXT and the site
// station's line for a gauge whose record it does not hold (one read from standard input), and
// for anything read_run_facts refuses.
std::optional<SiteReference> site_reference(const std::filesystem::path& dir, const stations::Settings& settings);

}  // namespace raingen::report
