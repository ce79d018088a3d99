#include "report/network_file_runs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::report {

namespace {

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

void check_network_file_sites(const ensemble_file::NetworkReader& reader, const std::filesystem::path& file,
                              const NetworkInputs& inputs) {
  std::vector<std::string> lacking, foreign;
  std::set<std::string> network_names;  // letter case ignored, as NETWORK.TXT's names
  for (const network::NetworkSite& site : inputs.manifest.sites) {
    network_names.insert(upper(site.name));
    if (!reader.site_index(site.name)) lacking.push_back(site.name);
  }
  for (const ensemble_file::FileSite& site : reader.layout().sites)
    if (!network_names.contains(upper(site.name))) foreign.push_back(site.name);
  if (lacking.empty() && foreign.empty()) return;
  std::vector<std::string> what;
  if (!foreign.empty()) what.push_back(fmt::format("it has {}, not in the network", fmt::join(foreign, " ")));
  if (!lacking.empty()) what.push_back(fmt::format("it lacks {}", fmt::join(lacking, " ")));
  throw common::ToolError(file.string(), 0,
                          fmt::format("is not of the sites of {}: {}: give the file raingen-ensemble --network made "
                                      "from this network",
                                      (inputs.dir / network::manifest_file_name).string(), fmt::join(what, "; ")));
}

RealizationSource network_file_runs(const ensemble_file::NetworkReader& reader, const NetworkInputs& inputs,
                                    calendar::TimePoint day_one, NetworkFileTally& tally) {
  check_network_file_sites(reader, tally.file, inputs);
  // The file's column of each NETWORK.TXT site, in NETWORK.TXT's order.
  std::vector<long> columns;
  for (const network::NetworkSite& site : inputs.manifest.sites) columns.push_back(*reader.site_index(site.name));
  tally.realizations = reader.layout().realizations;
  auto next = std::make_shared<long>(0);
  return [&reader, &inputs, &tally, day_one, columns, next]() -> std::optional<NetworkRealization> {
    for (; *next < tally.realizations; ++*next) {
      const long k = *next;
      long failed = 0;
      for (const long column : columns) failed += reader.complete(k, column) ? 0 : 1;
      tally.failed_runs += failed;
      if (failed > 0) {
        tally.left_out.push_back(reader.number(k));
        continue;
      }
      tally.pooled.push_back(reader.number(k));
      ++*next;
      NetworkRealization realization;
      std::vector<float> depths(reader.layout().intervals);
      for (std::size_t s = 0; s < columns.size(); ++s) {
        reader.read(k, columns[s], depths);
        std::vector<double> table(depths.size());
        std::transform(depths.begin(), depths.end(), table.begin(),
                       [](float depth) { return std::nearbyint(static_cast<double>(depth) * 1000.0) / 1000.0; });
        const std::string& name = inputs.manifest.sites[s].name;
        realization.push_back({name, gauge::CalendarSeries("generated:" + name, day_one, std::move(table))});
      }
      return realization;
    }
    if (tally.pooled.empty())
      throw common::ToolError(
          tally.file.string(), 0,
          fmt::format("has no realization complete at every site ({} realizations, {} failed runs): "
                      "nothing to set against the records",
                      tally.realizations, tally.failed_runs));
    return std::nullopt;
  };
}

}  // namespace raingen::report
