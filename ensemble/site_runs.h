// The runs of an ensemble, of one site or of a network's sites, as one scheduler makes them: unit n
// is the file's realization n / S at site n % S (S sites; one for a one-site ensemble), so that the
// sites of one realization run together; each block's table goes into the file as its turn comes,
// and, with --keep, into the realization's kept table.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/output_file.h"
#include "ensemble/block_runs.h"
#include "ensemble/calendar_blocks.h"
#include "ensemble/ensemble_runs.h"
#include "ensemble_file/ensemble_file.h"
#include "run_directory/run_directory.h"

namespace raingen::ensemble {

// A site as its runs are made: its run directory (or its seasons' folders) read once, and each
// folder's INPUT.TXT text for blocks whose day count differs from it.
struct PlannedSite {
  std::string name;  // a network's site's; empty for a one-site ensemble, whose failures name none
  run_directory::RunFolders run;
  std::vector<std::string> settings_texts;  // of run.folders
};

// The site's folders read; its INPUT.TXT texts read.
PlannedSite plan_site(std::string name, run_directory::RunFolders run);

// What an ensemble makes: its sites, the series' length and its blocks.
struct RunPlan {
  std::vector<PlannedSite> sites;
  long days = 0;
  std::vector<CalendarBlock> blocks;
  long sites_count() const { return static_cast<long>(sites.size()); }
};

class SiteRuns final : public RunTarget {
 public:
  // keep: where each realization's table is kept (SOURCE_0001.OUT ...), one-site ensembles only.
  SiteRuns(const EnsembleRuns& request, const RunPlan& plan, ensemble_file::EnsembleWriter& writer,
           std::ostream& messages, const std::optional<std::filesystem::path>& keep);

  int seed(long unit) const override;
  const run_directory::RunDirectory& folder(long unit, const CalendarBlock& block) const override;
  const std::string& settings_text(long unit, const CalendarBlock& block) const override;
  std::optional<std::string> put_block(long unit, const RunningRealization& run) override;
  void complete(long unit) override;
  // Listed by its realization (and site, and block when there are several), its depths the fill value.
  void fail(long unit, const RunningRealization& run, const std::string& why) override;

 private:
  void keep_block(long unit, const RunningRealization& run, const std::string& rows);
  long realization_of(long unit) const { return unit / plan_.sites_count(); }
  long site_of(long unit) const { return unit % plan_.sites_count(); }
  const PlannedSite& site(long unit) const { return plan_.sites[static_cast<std::size_t>(site_of(unit))]; }

  const EnsembleRuns& request_;
  const RunPlan& plan_;
  ensemble_file::EnsembleWriter& writer_;
  std::ostream& messages_;
  const std::optional<std::filesystem::path> keep_;
  const long first_;  // the number of the file's first realization
  std::vector<float> depths_;
  std::map<long, common::OutputFile> kept_;  // the laid-out tables being kept
};

}  // namespace raingen::ensemble
