#include "exporting/network_export.h"

#include <filesystem>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "exporting/network_realization.h"
#include "exporting/network_tables.h"
#include "exporting/swmm_gage.h"
#include "exporting/swmm_subcatchments.h"

namespace raingen::exporting {

namespace fs = std::filesystem;

namespace {

void check_request(const ExportRequest& request) {
  if (request.format != ExportFormat::csv && request.format != ExportFormat::swmm_rain)
    throw common::UsageError("--network writes csv or swmm-rain: one file that holds every site");
  if (request.station || request.site_at || request.utc_offset)
    throw common::UsageError(std::string(request.station   ? "--station"
                                         : request.site_at ? "--site-at"
                                                           : "--utc-offset") +
                             " describes one site's series: with --network each site's comes from NETWORK.TXT");
  if (request.output.empty()) return;
  if (request.format == ExportFormat::swmm_rain) {
    if (const std::string fault = swmm_file_name_fault(request.output); !fault.empty())
      throw common::UsageError(request.output,
                               fault + ", which a SWMM gage line cannot name: give the file another name");
  }
  common::check_product_target(request.output);
}

}  // namespace

std::string network_model_lines(const NetworkFile& file, const SiteSources& sources,
                                const network::NetworkManifest& manifest) {
  if (file.format != ExportFormat::swmm_rain) return {};
  std::vector<std::string> names;
  for (const SiteSource& source : sources) names.push_back(source.name);
  std::string lines = swmm_network_gage_lines(names, file.text.units, file.output);
  if (manifest.sites_from != network::SitesFrom::swmm) return lines;
  lines += "\n;The subcatchments of " + manifest.sites_file + ", each on the gage of its own site\n";
  return lines + subcatchments_on_gages(manifest.sites_file, [&manifest](std::string_view name) {
           const network::NetworkSite* site = manifest.site(name);
           return site ? std::optional<std::string>(site->name) : std::nullopt;
         });
}

void write_network_file(const NetworkFile& file, const SiteSources& sources) {
  common::OutputFile out =
      file.output.empty() ? common::OutputFile::standard_output() : common::OutputFile(file.output);
  if (file.format == ExportFormat::swmm_rain)
    write_network_swmm_rain(sources, file.text, out);
  else
    write_network_csv(sources, file.text, out);
  out.commit();
}

void run_network_export(const ExportRequest& request, std::ostream& model_lines) {
  check_request(request);
  const NetworkSources tables = request.ensemble
                                    ? network_realization(*request.network, *request.ensemble, request.realization)
                                    : network_tables(*request.network, request.start);
  for (const fs::path& input : tables.inputs) {
    std::error_code ignored;
    if (!request.output.empty() && fs::equivalent(input, request.output, ignored))
      throw common::UsageError(
          request.output,
          "is " + input.string() + ", a file the export reads: it would be replaced; give another OUTPUT");
  }
  const NetworkFile file{request.format, {request.units, tables.clock}, request.output};
  const std::string lines = network_model_lines(file, tables.sources, tables.manifest);
  write_network_file(file, tables.sources);
  model_lines << lines;
}

}  // namespace raingen::exporting
