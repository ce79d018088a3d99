#include "network/site_folders.h"

#include <fmt/format.h>

#include "common/tool_error.h"
#include "stations/run_facts.h"

namespace raingen::network {

namespace {

std::string clock_text(const std::optional<calendar::UtcOffset>& clock) {
  return clock ? "UTC" + clock->text() : "no stated clock";
}

}  // namespace

std::optional<calendar::UtcOffset> read_site_folders(const std::filesystem::path& dir,
                                                     const NetworkManifest& manifest) {
  std::optional<calendar::UtcOffset> clock;
  const NetworkSite* first = nullptr;
  for (const NetworkSite& site : manifest.sites) {
    const stations::RunFacts facts = stations::read_run_facts(dir / site.folder);
    const std::string facts_file = (dir / site.folder / stations::run_facts_file_name).string();
    const std::string generation = facts.site && facts.site->network ? *facts.site->network : "";
    if (!manifest.generation.empty() && generation != manifest.generation)
      throw common::ToolError(facts_file, facts.site ? facts.site->line : 0,
                              fmt::format("site {}'s folder is of {}, not of the one {} records ({}): a preparation "
                                          "was cut short while its files were put in place; prepare the network again",
                                          site.name,
                                          generation.empty() ? std::string("no network preparation")
                                                             : "another network preparation (" + generation + ")",
                                          (dir / manifest_file_name).string(), manifest.generation));
    const std::optional<calendar::UtcOffset> own = facts.site ? facts.site->utc_offset : std::nullopt;
    if (first && own != clock)
      throw common::ToolError(facts_file, facts.site ? facts.site->line : 0,
                              fmt::format("site {} keeps {} where site {} keeps {}: the sites of a network share one "
                                          "clock (prepare them together with one --utc-offset)",
                                          site.name, clock_text(own), first->name, clock_text(clock)));
    if (!first) first = &site, clock = own;
  }
  return clock;
}

}  // namespace raingen::network
