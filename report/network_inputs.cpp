#include "report/network_inputs.h"

#include <map>
#include <memory>

#include <fmt/format.h>

#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/read_gauge.h"
#include "gauge/read_options.h"
#include "network/site_folders.h"
#include "report/run_inputs.h"
#include "report/site_reference.h"
#include "stations/fragment_gauges.h"
#include "stations/run_facts.h"
#include "stations/settings_file.h"
#include "weighting/weighted_record.h"

namespace raingen::report {

namespace {

// The network's gauge records, each read once however many sites weigh it (by its file and
// reading options: one file read two ways is two records).
class RecordCache {
 public:
  // facts: the site folder's, which say how a coarse record was made 15-minute.
  const gauge::CalendarSeries& record(const common::GaugeArgument& g, std::vector<std::filesystem::path>& read,
                                      const stations::RunFacts& facts, const std::string& facts_file) {
    std::string key = g.path;
    for (const auto& [name, value] : g.options) key += fmt::format("\n{}={}", name, value);
    auto found = records_.find(key);
    if (found == records_.end()) {
      read.emplace_back(g.path);
      found = records_
                  .emplace(key,
                           stations::read_as_prepared(g, gauge::gauge_read_options(g.id, g.options), facts, facts_file))
                  .first;
    }
    return found->second;
  }

 private:
  std::map<std::string, gauge::CalendarSeries> records_;
};

}  // namespace

NetworkInputs read_network_inputs(const std::filesystem::path& dir, std::optional<weighting::Presence> present) {
  NetworkInputs in;
  in.dir = dir;
  in.manifest = network::read_network_manifest(dir);
  network::read_site_folders(dir, in.manifest);  // every folder of NETWORK.TXT's preparation, one clock
  in.read.push_back(dir / network::manifest_file_name);
  RecordCache cache;
  for (const network::NetworkSite& site : in.manifest.sites) {
    NetworkSiteInputs s;
    s.folder = dir / site.folder;
    // A run directory of seasons holds its INPUT.TXT in every season's folder, alike.
    const stations::RunFacts folder_facts = stations::read_run_facts(s.folder);
    const std::optional<stations::SeasonsFacts> seasons = folder_facts.seasons;
    s.seasons = seasons.has_value();
    const std::filesystem::path input =
        (seasons ? s.folder / seasons->seasons.front().name() : s.folder) / common::settings_file_name;
    const stations::Settings settings = stations::read_settings(input);
    in.read.push_back(input);
    s.results_name = settings.results_name;
    if (!seasons) in.read.push_back(s.folder / settings.results_name);
    const std::optional<SiteReference> reference = site_reference(s.folder, settings);
    if (!reference)
      throw common::ToolError((s.folder / stations::run_facts_file_name).string(), 0,
                              fmt::format("records no site station made of gauges at the site (distance 0) of {}: site "
                                          "{} of {} is no folder raingen-prepare made for a network",
                                          input.string(), site.name, (dir / network::manifest_file_name).string()));
    // A folder prepared apart from the network, or again since, weighs other gauges than the
    // manifest says: its record would not be the one the network's figures stand for.
    std::vector<std::string> recorded, listed;
    for (std::size_t g = 0; g < 3; ++g)
      recorded.push_back(fmt::format("{} {}", reference->gauges[g].id, reference->distances[g]));
    for (const network::SiteGauge& g : site.gauges) listed.push_back(fmt::format("{} {}", g.id, g.distance));
    if (recorded != listed)
      throw common::ToolError((dir / network::manifest_file_name).string(), site.line,
                              fmt::format("site {} is weighted from {}, but its folder's site station was made of {} "
                                          "({}): the folder is not this network's",
                                          site.name, fmt::join(listed, ", "), fmt::join(recorded, ", "),
                                          (s.folder / stations::run_facts_file_name).string()));
    s.present = present.value_or(reference->present);
    std::array<const gauge::CalendarSeries*, 3> records{};
    for (std::size_t g = 0; g < 3; ++g)
      records[g] = &cache.record(reference->gauges[g], in.read, folder_facts,
                                 (s.folder / stations::run_facts_file_name).string());
    s.gauges = fmt::format("{}", fmt::join(recorded, ", "));
    s.record = weighting::weighted_record("weighted-record:" + site.name, records, reference->distances, s.present);
    in.sites.push_back(std::move(s));
  }
  return in;
}

RealizationSource plain_runs(const NetworkInputs& inputs, calendar::TimePoint day_one) {
  auto done = std::make_shared<bool>(false);
  return [&inputs, day_one, done]() -> std::optional<NetworkRealization> {
    if (*done) return std::nullopt;
    *done = true;
    NetworkRealization realization;
    for (std::size_t k = 0; k < inputs.sites.size(); ++k) {
      const std::string& name = inputs.manifest.sites[k].name;
      const std::filesystem::path table = inputs.sites[k].folder / inputs.sites[k].results_name;
      std::error_code ignored;
      if (inputs.sites[k].seasons)
        throw common::ToolError((inputs.sites[k].folder / stations::run_facts_file_name).string(), 0,
                                fmt::format("site {}'s folder is a run directory of seasons, whose series is made by "
                                            "raingen-ensemble --network --days N: report on its file with --ensemble",
                                            name));
      if (!std::filesystem::exists(table, ignored))
        throw common::ToolError(table.string(), 0,
                                fmt::format("site {} has no results table: run the program in its folder first (the "
                                            "same RAINGEN_SEED at every site)",
                                            name));
      realization.push_back({name, read_generated_run(inputs.sites[k].folder, day_one, "generated:" + name).generated});
    }
    return realization;
  };
}

}  // namespace raingen::report
