#include "report/site_reference.h"

#include <fmt/format.h>

#include "common/tool_error.h"
#include "stations/run_facts.h"

namespace raingen::report {

std::optional<SiteReference> site_reference(const std::filesystem::path& dir, const stations::Settings& settings) {
  const stations::RunFacts facts = stations::read_run_facts(dir);
  if (!facts.site_station) return std::nullopt;
  const stations::SiteStationFacts& site = *facts.site_station;
  bool at_site = false;
  for (const stations::StationSetting& s : settings.stations) at_site |= s.id == site.id && s.distance == 0;
  if (!at_site) return std::nullopt;
  SiteReference reference;
  reference.site_station = site.id.text();
  reference.present = site.present;
  for (std::size_t i = 0; i < site.gauges.size() && i < 3; ++i) {
    const stations::SiteStationGauge& g = site.gauges[i];
    const stations::StationFacts* station = facts.station(g.id);
    if (!station || !station->record)
      throw common::ToolError((dir / stations::run_facts_file_name).string(), site.line,
                              fmt::format("site station {} was made of gauge {}, whose record it does not name (read "
                                          "from standard input?): give --gauge for the stations to compare",
                                          site.id, g.id));
    reference.gauges.push_back({g.id.text(), *station->record, station->reading});
    reference.distances[i] = g.distance;
  }
  return reference;
}

}  // namespace raingen::report
