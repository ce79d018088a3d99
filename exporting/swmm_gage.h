// The lines of a SWMM input file that make a rain gage read an exported file: a VOLUME gage with
// a 0:15 interval, and for the time-series file the [TIMESERIES] line that names the file.
#pragma once

#include <string>
#include <vector>

#include "exporting/export_settings.h"

namespace raingen::exporting {

enum class SwmmFile { timeseries, rain };

// The lines, each ending in "\n", ready to be pasted into SWMM's input file. file is the exported
// file's name as given; empty when it went to standard output (the lines then say OUTPUT).
std::string swmm_gage_lines(SwmmFile kind, const ExportSettings& settings, const std::string& file);

// The [RAINGAGES] lines of a network's rain file: one VOLUME gage with a 0:15 interval a site,
// named as the site and reading the site's station of the file, in the order given.
std::string swmm_network_gage_lines(const std::vector<std::string>& sites, DepthUnits units, const std::string& file);

// Why a name cannot be a SWMM station or time-series name (blank, or holds a blank, a quote or a
// ';'), or an empty text when it can.
std::string swmm_name_fault(const std::string& name);

// Why a gage line cannot name this file between its double quotes ("holds a double quote", ...:
// SWMM ends the name at a quote and the line at a ';' or a line end, quoted or not), or nothing.
std::string swmm_file_name_fault(const std::string& file);

}  // namespace raingen::exporting
