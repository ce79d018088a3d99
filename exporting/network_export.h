// A network's export: every site's series in one file, in place only when every site has been read
// and written (nothing of a failed export is left behind), and for the SWMM rain file the lines that
// put the model on it: a rain gage a site and, for a network whose sites are the subcatchments of a
// SWMM input file, that file's [SUBCATCHMENTS] section with each subcatchment on its own site's gage.
#pragma once

#include <ostream>
#include <string>

#include "exporting/export_run.h"
#include "exporting/network_writers.h"
#include "exporting/site_source.h"
#include "network/network_manifest.h"

namespace raingen::exporting {

struct NetworkFile {
  ExportFormat format = ExportFormat::csv;  // csv or swmm_rain
  NetworkText text;
  std::string output;  // empty: standard output
};

// The lines to paste into the model for the rain file (swmm_rain only; empty for csv): the gages
// of the sources, then the manifest's model's subcatchments on them where its sites came from one.
// Throws ToolError for a model file that cannot be read (swmm_subcatchments.h).
std::string network_model_lines(const NetworkFile& file, const SiteSources& sources,
                                const network::NetworkManifest& manifest);

// Writes the sources' file (network_writers.h), in place on return.
void write_network_file(const NetworkFile& file, const SiteSources& sources);

// The export of request.network's kept tables (network_tables.h), or of request.realization of
// its ensemble file request.ensemble (network_realization.h), to request.output; the model's lines
// go to model_lines once the file is in place. Throws UsageError for a format or an option
// that has no meaning for a network, or an OUTPUT that is a file the export reads; ToolError as
// the tables, the model file and the writers do.
void run_network_export(const ExportRequest& request, std::ostream& model_lines);

}  // namespace raingen::exporting
