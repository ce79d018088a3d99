#include "ensemble/site_runs.h"

#include <algorithm>
#include <span>

#include <fmt/format.h>

#include "common/program_files.h"
#include "common/whole_file.h"
#include "ensemble/failure_report.h"
#include "ensemble/realization_table.h"
#include "ensemble/run_ensemble.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;

PlannedSite plan_site(std::string name, run_directory::RunFolders run) {
  PlannedSite site{std::move(name), std::move(run), {}};
  for (const run_directory::RunFolder& folder : site.run.folders)
    site.settings_texts.push_back(common::read_whole_file(folder.run.dir / common::settings_file_name));
  return site;
}

SiteRuns::SiteRuns(const EnsembleRuns& request, const RunPlan& plan, ensemble_file::EnsembleWriter& writer,
                   std::ostream& messages, const std::optional<fs::path>& keep)
    : request_(request),
      plan_(plan),
      writer_(writer),
      messages_(messages),
      keep_(keep),
      first_(request.own_range().first) {
  long longest = 0;
  for (const CalendarBlock& block : plan.blocks) longest = std::max(longest, block.days);
  depths_.resize(static_cast<std::size_t>(longest) * calendar::intervals_per_day);
}

int SiteRuns::seed(long unit) const {
  return static_cast<int>(request_.first_seed + first_ - 1 + realization_of(unit));
}

const run_directory::RunDirectory& SiteRuns::folder(long unit, const CalendarBlock& block) const {
  return site(unit).run.folders[block.season].run;
}

const std::string& SiteRuns::settings_text(long unit, const CalendarBlock& block) const {
  return site(unit).settings_texts[block.season];
}

std::optional<std::string> SiteRuns::put_block(long unit, const RunningRealization& run) {
  const CalendarBlock& place = plan_.blocks[run.block];
  const std::span<float> depths(depths_.data(), static_cast<std::size_t>(place.days) * calendar::intervals_per_day);
  const bool laying_out = keep_ && plan_.blocks.size() > 1;
  LaidOutRows rows{.first_row = place.first_day * calendar::intervals_per_day, .text = {}};
  if (std::optional<std::string> failure =
          read_realization_table(run.files.source_out(), depths, laying_out ? &rows : nullptr))
    return failure;
  writer_.put_depths(realization_of(unit), site_of(unit), static_cast<std::size_t>(rows.first_row), depths);
  if (keep_) keep_block(unit, run, rows.text);
  return std::nullopt;
}

// A table of one block is kept as the program wrote it (aside, synced, then renamed into place, so
// that a kept file is whole or absent); the tables of several are laid out into one.
void SiteRuns::keep_block(long unit, const RunningRealization& run, const std::string& rows) {
  const fs::path target = *keep_ / kept_table_name(first_ + realization_of(unit), request_.realizations);
  if (plan_.blocks.size() == 1) {
    common::OutputFile kept(target);
    kept.write(common::read_whole_file(run.files.source_out()));
    kept.commit();
    return;
  }
  auto kept = kept_.find(unit);
  if (kept == kept_.end()) kept = kept_.try_emplace(unit, target).first;
  kept->second.write(rows);
}

void SiteRuns::complete(long unit) {
  writer_.put_complete(realization_of(unit), site_of(unit));
  if (const auto kept = kept_.find(unit); kept != kept_.end()) {
    kept->second.commit();
    kept_.erase(kept);
  }
}

void SiteRuns::fail(long unit, const RunningRealization& run, const std::string& why) {
  writer_.put_failed(realization_of(unit), site_of(unit));
  const std::optional<stations::Season>& season = site(unit).run.folders[plan_.blocks[run.block].season].season;
  const std::string where = site(unit).name.empty() ? "" : fmt::format("site {}: ", site(unit).name);
  messages_ << failure_report(first_ + realization_of(unit), seed(unit),
                              where + block_text(run, plan_.blocks, season ? season->name() : "") + why,
                              stream_excerpt(run.files.out), stream_excerpt(run.files.err));
  messages_.flush();
  kept_.erase(unit);  // its aside file removed
}

std::string kept_table_name(long number, long realizations) {
  const int width = std::max<int>(4, static_cast<int>(std::to_string(realizations).size()));
  return fmt::format("SOURCE_{:0{}}.OUT", number, width);
}

}  // namespace raingen::ensemble
