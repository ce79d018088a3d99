#include "exporting/network_tables.h"

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "network/site_folders.h"
#include "results/results_series.h"
#include "stations/run_facts.h"
#include "stations/settings_file.h"

namespace raingen::exporting {

namespace fs = std::filesystem;

NetworkSources network_tables(const fs::path& dir, calendar::TimePoint start) {
  NetworkSources tables{network::read_network_manifest(dir), {}, {}};
  const fs::path manifest_file = dir / network::manifest_file_name;
  tables.inputs.push_back(manifest_file);
  tables.clock = network::read_site_folders(dir, tables.manifest);
  if (tables.manifest.sites_from == network::SitesFrom::swmm) tables.inputs.push_back(tables.manifest.sites_file);
  for (const network::NetworkSite& site : tables.manifest.sites) {
    const fs::path folder = dir / site.folder;
    std::error_code error;
    if (!fs::is_directory(folder, error))
      throw common::ToolError(manifest_file.string(), site.line,
                              fmt::format("site {}: its folder {} is missing", site.name, folder.string()));
    if (stations::read_run_facts(folder).seasons)
      throw common::ToolError((folder / stations::run_facts_file_name).string(), 0,
                              fmt::format("site {}'s folder is a run directory of seasons, whose series is made by "
                                          "raingen-ensemble --network --days N: export from its file with --ensemble",
                                          site.name));
    const fs::path settings_file = folder / common::settings_file_name;
    const stations::Settings settings = stations::read_settings(settings_file);
    const fs::path table = folder / settings.results_name;
    if (!fs::exists(table, error))
      throw common::ToolError(
          table.string(), 0,
          fmt::format("is missing: the table of site {} (run the program in {} first)", site.name, folder.string()));
    tables.inputs.push_back(settings_file);
    tables.inputs.push_back(table);
    const int days = settings.day_count;
    tables.sources.push_back({site.name, table.string(), [table, start, days, name = site.name] {
                                gauge::CalendarSeries series = results::read_results_series(table.string(), start);
                                if (series.size() != static_cast<std::size_t>(days) * calendar::intervals_per_day)
                                  throw common::ToolError(
                                      table.string(), 0,
                                      fmt::format("holds {} days where its INPUT.TXT runs {}: the "
                                                  "table of site {} is not the run's whole table",
                                                  series.size() / calendar::intervals_per_day, days, name));
                                return series;
                              }});
  }
  return tables;
}

}  // namespace raingen::exporting
