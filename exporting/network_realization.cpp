#include "exporting/network_realization.h"

#include <cmath>
#include <memory>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"

namespace raingen::exporting {

namespace fs = std::filesystem;

namespace {

// The file's names, for a message on a file of another network.
std::string site_list(const ensemble_file::EnsembleLayout& layout) {
  std::string names;
  for (const ensemble_file::FileSite& site : layout.sites) names += (names.empty() ? "" : ", ") + site.name;
  return names;
}

// Each manifest site's index in the file, in the manifest's order; every site of the file matched.
std::vector<long> match_sites(const ensemble_file::NetworkReader& reader, const network::NetworkManifest& manifest,
                              const fs::path& manifest_file, const std::string& shown) {
  std::vector<long> columns;
  std::vector<bool> taken(static_cast<std::size_t>(reader.sites()), false);
  for (const network::NetworkSite& site : manifest.sites) {
    const std::optional<long> column = reader.site_index(site.name);
    if (!column)
      throw common::ToolError(manifest_file.string(), site.line,
                              fmt::format("site {} is not in {} (its sites: {}): the file holds another network's runs",
                                          site.name, shown, site_list(reader.layout())));
    columns.push_back(*column);
    taken[static_cast<std::size_t>(*column)] = true;
  }
  for (std::size_t s = 0; s < taken.size(); ++s)
    if (!taken[s])
      throw common::ToolError(shown, 0,
                              fmt::format("site {} is not in {}: the file holds another network's runs",
                                          reader.layout().sites[s].name, manifest_file.string()));
  return columns;
}

// A column's depths as the table states them: floats back to the nearest thousandth, which is the
// table's depth (a float holds a three-decimal depth to well within half a thousandth).
gauge::CalendarSeries column_series(const ensemble_file::NetworkReader& reader, long realization, long column,
                                    const std::string& name) {
  std::vector<float> depths(reader.layout().intervals);
  reader.read(realization, column, depths);
  std::vector<double> mm(depths.size());
  for (std::size_t k = 0; k < depths.size(); ++k)
    mm[k] = depths[k] == ensemble_file::failed_fill_value || !std::isfinite(depths[k])
                ? gauge::CalendarSeries::missing_value()
                : std::round(static_cast<double>(depths[k]) * 1000) / 1000;
  return gauge::CalendarSeries(name, reader.layout().start, std::move(mm));
}

}  // namespace

NetworkSources network_realization(const fs::path& dir, const fs::path& file, long realization) {
  NetworkSources found{network::read_network_manifest(dir), {}, {}};
  const fs::path manifest_file = dir / network::manifest_file_name;
  found.inputs = {manifest_file, file};
  if (found.manifest.sites_from == network::SitesFrom::swmm) found.inputs.push_back(found.manifest.sites_file);
  const auto reader = std::make_shared<const ensemble_file::NetworkReader>(file);
  const std::string shown = file.string();
  const std::vector<long> columns = match_sites(*reader, found.manifest, manifest_file, shown);
  found.clock = reader->layout().utc_offset;
  // A part of an ensemble holds its range of realizations, numbered as in the whole.
  const long index = ensemble_file::realization_index(shown, reader->layout().first_number(),
                                                      reader->layout().realizations, realization);
  std::vector<std::string> failed;
  for (std::size_t s = 0; s < columns.size(); ++s)
    if (!reader->complete(index, columns[s])) failed.push_back(found.manifest.sites[s].name);
  if (!failed.empty())
    throw common::ToolError(
        shown, 0,
        fmt::format("realization {} (seed {}) failed at site{} {}: the realization has no series "
                    "there to export",
                    realization, reader->seed(index), failed.size() > 1 ? "s" : "", fmt::join(failed, ", ")));
  for (std::size_t s = 0; s < columns.size(); ++s)
    found.sources.push_back({found.manifest.sites[s].name, shown,
                             [reader, index, column = columns[s], name = found.manifest.sites[s].name] {
                               return column_series(*reader, index, column, name);
                             }});
  return found;
}

}  // namespace raingen::exporting
