#include "ensemble/run_ensemble.h"

#include <optional>
#include <vector>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "common/whole_file.h"
#include "ensemble/calendar_blocks.h"
#include "ensemble/progress.h"
#include "ensemble/runs_into_file.h"
#include "ensemble/site_runs.h"
#include "ensemble_file/ensemble_file.h"
#include "run_directory/run_directory.h"
#include "stations/settings_file.h"
#include "stations/run_facts.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using common::UsageError;
using ensemble_file::EnsembleLayout;
using ensemble_file::EnsembleWriter;
using run_directory::RunFolders;

namespace {

void check_output_is_no_input(const fs::path& output, const RunFolders& inputs) {
  std::error_code error;
  for (const run_directory::RunFolder& folder : inputs.folders)
    for (const std::string& name : folder.run.input_names)
      if (fs::equivalent(output, folder.run.dir / name, error))
        throw UsageError(fmt::format("--output {} is {}, an input of the run", output.string(),
                                     (folder.run.dir / name).lexically_relative(inputs.dir).string()));
}

// What the ensemble makes: the run directory (its one site), the series' length and its blocks.
struct Plan : RunPlan {
  const RunFolders& inputs() const { return sites.front().run; }
};

// An earlier ensemble's kept tables are never replaced: a --keep folder that holds any name this
// run would keep a table under is refused (the names are looked up in the folder, once); the
// tables of the other parts of the same ensemble may lie there.
void check_nothing_kept_there(const fs::path& keep, ensemble_file::RealizationRange own, long realizations) {
  std::error_code error;
  long found = 0;
  std::string first;
  for (fs::directory_iterator entry(keep, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    constexpr std::string_view prefix = "SOURCE_", suffix = ".OUT";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const long number = std::stol(digits);
    if (number < own.first || number > own.last || kept_table_name(number, realizations) != name) continue;
    if (found++ == 0 || name < first) first = name;
  }
  if (found > 0)
    throw UsageError(keep.string(),
                     fmt::format("already holds {}{}, kept by an earlier ensemble: --keep never replaces "
                                 "a kept table (give a new or an empty folder)",
                                 first, found > 1 ? fmt::format(" and {} more", found - 1) : ""));
}

// The run directory read and checked, the output's name and folder checked, and the kept tables'
// directory made, before any run: whatever would make the end fail is found before the runs.
Plan checked_plan(const EnsembleRequest& request) {
  common::check_product_target(request.output);
  if (request.keep) common::check_output_folder(*request.keep);
  Plan plan;
  plan.sites.push_back(plan_site("", run_directory::read_run_folders(request.dir, !request.days)));
  plan.days = request.series_days(plan.inputs().day_count);
  check_output_is_no_input(request.output, plan.inputs());
  plan.blocks = lay_out_blocks(request.start, plan.days, plan.inputs().seasons);
  if (request.keep) {
    std::error_code error;
    fs::create_directories(*request.keep, error);
    if (error) throw ToolError(request.keep->string(), 0, "cannot be made: " + error.message());
    check_nothing_kept_there(*request.keep, request.own_range(), request.realizations);
  }
  return plan;
}

std::string run_source(const EnsembleRequest& request, const Plan& plan) {
  const ensemble_file::RealizationRange own = request.own_range();
  const long first_seed = request.first_seed + own.first - 1, last_seed = request.first_seed + own.last - 1;
  const std::string part = request.part_text();
  if (plan.inputs().seasons.empty() && plan.blocks.size() == 1)
    return fmt::format(
        "raingen on {}{}, RAINGEN_SEED {} to {}{}", (plan.inputs().dir / common::settings_file_name).string(),
        plan.days == plan.inputs().day_count ? "" : fmt::format(" with its day count set to {}", plan.days), first_seed,
        last_seed, part);
  const std::string folders =
      plan.inputs().seasons.empty()
          ? (plan.inputs().dir / common::settings_file_name).string()
          : fmt::format("{} (seasons {})", plan.inputs().dir.string(), stations::season_names(plan.inputs().seasons));
  return request.blocks_source("raingen on " + folders, plan.days, plan.blocks.size()) + part;
}

// The file's description: the position and clock given, else those RAINGEN.TXT states for the site.
EnsembleLayout layout_of(const EnsembleRequest& request, const Plan& plan) {
  const stations::RunFacts facts = stations::read_run_facts(request.dir);
  EnsembleLayout layout = request.file_layout(plan.days, run_source(request, plan));
  if (!layout.utc_offset && facts.site) layout.utc_offset = facts.site->utc_offset;
  layout.position = request.site_at ? request.site_at : facts.site ? facts.site->position : std::nullopt;
  const std::string& site = plan.inputs().settings().site_name;
  layout.site = site.empty() ? std::string(common::default_site_name) : site;
  layout.checksum = plan.inputs().checksum;
  return layout;
}

}  // namespace

EnsembleOutcome run_ensemble(const EnsembleRequest& request, const fs::path& program, std::ostream& messages,
                             bool terminal) {
  const Plan plan = checked_plan(request);
  const long count = request.own_range().size();
  ProgressLine progress(messages, terminal, count);
  const EnsembleOutcome outcome{runs_into_file(
      request, layout_of(request, plan), count, plan.blocks, program, progress,
      [&](EnsembleWriter& writer) { return SiteRuns(request, plan, writer, messages, request.keep); }, "realizations")};
  messages << "raingen-ensemble: " << (request.part ? request.part->description() + ": " : "")
           << summary_text(count, outcome.failed, progress.seconds(), request.output.string()) << '\n';
  messages.flush();
  return outcome;
}

}  // namespace raingen::ensemble
