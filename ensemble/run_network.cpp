#include "ensemble/run_network.h"

#include <vector>

#include <fmt/format.h>

#include "common/checksum.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "common/whole_file.h"
#include "ensemble/progress.h"
#include "ensemble/runs_into_file.h"
#include "ensemble/site_runs.h"
#include "run_directory/run_directory.h"
#include "stations/run_facts.h"
#include "network/site_folders.h"
#include "network/network_manifest.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using ensemble_file::EnsembleLayout;

namespace {

// What the network's ensemble makes: the sites, the series' length and its blocks.
struct NetworkPlan : RunPlan {
  fs::path dir;  // absolute
  network::NetworkManifest manifest;
  std::string checksum;
  std::optional<calendar::UtcOffset> clock;  // the one clock the sites' RAINGEN.TXT state, if any
};

// The sites' day count, when it is the series' length: the same in every site's INPUT.TXT.
int common_day_count(const NetworkPlan& plan) {
  const PlannedSite& first = plan.sites.front();
  for (const PlannedSite& site : plan.sites)
    if (site.run.day_count != first.run.day_count)
      throw ToolError((site.run.folders.front().run.dir / common::settings_file_name).string(), 0,
                      fmt::format("holds {} days where site {}'s holds {}: the sites of a network run the same days "
                                  "(prepare them together, or give --days)",
                                  site.run.day_count, first.name, first.run.day_count));
  return first.run.day_count;
}

// Every site's folder in the seasons of the first site's (none, or the same seasons).
void check_seasons(const NetworkPlan& plan, const PlannedSite& site) {
  if (plan.sites.empty() || site.run.seasons == plan.sites.front().run.seasons) return;
  const auto names = [](const stations::Seasons& seasons) {
    return seasons.empty() ? std::string("no seasons") : "the seasons " + stations::season_names(seasons);
  };
  throw ToolError(
      (site.run.dir / stations::run_facts_file_name).string(), 0,
      fmt::format("site {}'s folder is prepared in {} where site {}'s is in {}: the sites of a network "
                  "share their seasons (prepare them together)",
                  site.name, names(site.run.seasons), plan.sites.front().name, names(plan.sites.front().run.seasons)));
}

// NETWORK.TXT and every site's folder read and checked, and the output checked, before any run.
NetworkPlan checked_plan(const NetworkRequest& request) {
  common::check_product_target(request.output);
  NetworkPlan plan;
  std::error_code error;
  plan.dir = fs::absolute(request.dir, error);
  plan.manifest = network::read_network_manifest(plan.dir);
  plan.clock = network::read_site_folders(plan.dir, plan.manifest);
  // Of NETWORK.TXT and each site's folder name and inputs' checksum (each file read once).
  common::Checksum checksum;
  checksum.add_name(network::manifest_file_name);
  checksum.add(common::read_whole_file(plan.dir / network::manifest_file_name));
  for (const network::NetworkSite& site : plan.manifest.sites) {
    PlannedSite planned = plan_site(site.name, run_directory::read_run_folders(plan.dir / site.folder, !request.days));
    check_seasons(plan, planned);
    for (const run_directory::RunFolder& folder : planned.run.folders)
      for (const std::string& name : folder.run.input_names)
        if (fs::equivalent(request.output, folder.run.dir / name, error))
          throw common::UsageError(fmt::format("--output {} is {}, an input of site {}", request.output.string(),
                                               fs::relative(folder.run.dir / name, plan.dir, error).string(),
                                               site.name));
    checksum.add_name(site.folder);
    checksum.add(planned.run.checksum);
    plan.sites.push_back(std::move(planned));
  }
  plan.days = request.series_days(request.days ? 0 : common_day_count(plan));
  plan.blocks = lay_out_blocks(request.start, plan.days, plan.sites.front().run.seasons);
  plan.checksum = checksum.text();
  return plan;
}

std::string run_source(const NetworkRequest& request, const NetworkPlan& plan) {
  const ensemble_file::RealizationRange own = request.own_range();
  const long first_seed = request.first_seed + own.first - 1, last_seed = request.first_seed + own.last - 1;
  const std::string part = request.part_text();
  const stations::Seasons& seasons = plan.sites.front().run.seasons;
  const std::string where =
      fmt::format("raingen on each site's folder of {} ({} sites{})", (plan.dir / network::manifest_file_name).string(),
                  plan.sites.size(), seasons.empty() ? "" : ", seasons " + stations::season_names(seasons));
  if (plan.blocks.size() == 1 && plan.sites.front().run.seasons.empty())
    return fmt::format(
        "{}{}, RAINGEN_SEED {} to {}, realization k with the same seed at every site{}", where,
        plan.days == plan.sites.front().run.day_count ? "" : fmt::format(" with the day count set to {}", plan.days),
        first_seed, last_seed, part);
  return request.blocks_source(where, plan.days, plan.blocks.size()) + ", the same at every site" + part;
}

EnsembleLayout layout_of(const NetworkRequest& request, const NetworkPlan& plan) {
  EnsembleLayout layout = request.file_layout(plan.days, run_source(request, plan));
  if (!layout.utc_offset) layout.utc_offset = plan.clock;
  layout.coordinates = plan.manifest.coordinates;
  layout.map_unit = plan.manifest.map_unit;
  for (const network::NetworkSite& site : plan.manifest.sites) layout.sites.push_back({site.name, site.position});
  layout.checksum = plan.checksum;
  return layout;
}

}  // namespace

NetworkOutcome run_network(const NetworkRequest& request, const fs::path& program, std::ostream& messages,
                           bool terminal) {
  const NetworkPlan plan = checked_plan(request);
  NetworkOutcome outcome;
  const long realizations = request.own_range().size();
  outcome.runs = realizations * plan.sites_count();
  ProgressLine progress(messages, terminal, outcome.runs, "runs");
  outcome.failed = runs_into_file(
      request, layout_of(request, plan), outcome.runs, plan.blocks, program, progress,
      [&](ensemble_file::EnsembleWriter& writer) { return SiteRuns(request, plan, writer, messages, std::nullopt); },
      "runs");
  const double seconds = progress.seconds();
  messages << fmt::format(
      "raingen-ensemble: {}{} realizations at {} sites, {} runs in {:.1f} s ({:.1f} per s), {} failed: {}\n",
      request.part ? request.part->description() + ": " : "", realizations, plan.sites.size(), outcome.runs, seconds,
      seconds > 0 ? static_cast<double>(outcome.runs) / seconds : 0.0, outcome.failed, request.output.string());
  messages.flush();
  return outcome;
}

}  // namespace raingen::ensemble
