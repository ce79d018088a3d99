// A network's series, site after site in the order given, in one file:
// - csv in long form: "site,start,end,rainfall_mm" (or "rainfall_in"), then every interval of every
//   site, dry ones included, as the site csv writes them ("A,2001-01-01 00:00,2001-01-01 00:15,0.069");
// - a SWMM user-prepared rain file with one station per site, "STATION YYYY MM DD HH MM VALUE", wet
//   intervals only, each stamped at its start: SWMM reads each gage's station from the one file.
// Depths are written with three decimals. Each site's series must start where the first site's
// does and run for as long: the sites of one network run the same days.
#pragma once

#include <optional>

#include "calendar/utc_offset.h"

#include "common/output_file.h"
#include "exporting/export_settings.h"
#include "exporting/site_source.h"

namespace raingen::exporting {

// What the text says besides the depths: their units' label (csv) and the clock of the times,
// when stated (csv: after each time; the rain file: a comment line first).
struct NetworkText {
  DepthUnits units = DepthUnits::mm;
  std::optional<calendar::UtcOffset> clock;
};

// Each reads the sources one by one and writes to out (not committed). Throws ToolError naming a
// source whose series starts elsewhere or runs longer or shorter than the first's, or that holds a
// missing or negative interval.
void write_network_csv(const SiteSources& sources, const NetworkText& text, common::OutputFile& out);
void write_network_swmm_rain(const SiteSources& sources, const NetworkText& text, common::OutputFile& out);

}  // namespace raingen::exporting
