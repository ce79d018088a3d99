#include "run_directory/run_directory.h"

#include <algorithm>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/checksum.h"
#include "common/output_file.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "common/whole_file.h"
#include "stations/run_facts.h"

namespace raingen::run_directory {
namespace fs = std::filesystem;
using common::ToolError;

namespace {

void check_inside(const fs::path& input, const std::string& what, const std::string& name) {
  if (name.find('/') != std::string::npos)
    throw ToolError(input.string(), 0,
                    fmt::format("{} '{}' holds a '/': every realization runs in a directory of its own, and "
                                "this name would reach outside it",
                                what, name));
}

// A file of the run directory as messages name it: as given, without "./" for the current one.
std::string shown_path(const fs::path& dir, const std::string& name) {
  return dir == "." || dir.empty() ? name : (dir / name).string();
}

}  // namespace

std::size_t RunDirectory::intervals() const {
  return static_cast<std::size_t>(settings.day_count) * calendar::intervals_per_day;
}

namespace {

// "not found: WHY", or, for a name that is there but no regular file, what it is: a FIFO would be
// waited on for ever by the program.
std::string missing_text(const fs::path& path, const std::string& why) {
  const std::string kind = common::irregular_file_kind(path);
  return kind.empty() ? "not found: " + why : "is " + kind + ", not a regular file: " + why;
}

}  // namespace

RunDirectory read_run_directory(const fs::path& dir, bool day_count_needed) {
  RunDirectory run;
  run.dir = fs::absolute(dir).lexically_normal();
  const fs::path input = shown_path(dir, std::string(common::settings_file_name));
  std::error_code error;
  if (!fs::is_regular_file(input, error))
    throw ToolError(input.string(), 0, missing_text(input, "a run directory holds INPUT.TXT"));
  run.settings = stations::read_settings(input);
  const stations::Settings& settings = run.settings;
  if (day_count_needed && (settings.day_count < 1 || settings.day_count > common::most_days))
    throw ToolError(
        input.string(), 9,
        fmt::format("the number of days is {}: an ensemble needs 1 to {}", settings.day_count, common::most_days));

  run.input_names.emplace_back(common::settings_file_name);
  for (const stations::StationSetting& station : settings.stations) {
    for (std::string name : station.id.file_names()) {
      if (std::find(run.input_names.begin(), run.input_names.end(), name) != run.input_names.end()) continue;
      if (!fs::is_regular_file(dir / name, error))
        throw ToolError(shown_path(dir, name), 0, missing_text(dir / name, "INPUT.TXT names this station file"));
      run.input_names.push_back(std::move(name));
    }
  }
  check_inside(input, "the results name", settings.results_name);
  const bool names_input =
      std::find(run.input_names.begin(), run.input_names.end(), settings.results_name) != run.input_names.end();
  if (names_input || settings.results_name == common::source_out_name)
    throw ToolError(input.string(), 1,
                    fmt::format("the results name '{}' names another file of the run: the program refuses it",
                                settings.results_name));
  run.checksum = inputs_checksum(dir, run.input_names);
  return run;
}

namespace {

// A season's folder read, each input checked against the checksum of RAINGEN.TXT.
RunFolder season_folder(const fs::path& dir, const stations::Season& season, const stations::SeasonsFacts& manifest,
                        bool day_count_needed, common::Checksum& checksum) {
  const std::string facts_file = shown_path(dir, std::string(stations::run_facts_file_name));
  const fs::path folder = dir / season.name();
  std::error_code error;
  if (!fs::is_directory(folder, error))
    throw ToolError(shown_path(dir, season.name()), 0,
                    fmt::format("missing: {} (line {}) lists season {}, whose folder holds its INPUT.TXT and station "
                                "files; prepare them again (raingen-prepare --dir {})",
                                facts_file, manifest.line, season.name(), dir.string()));
  RunFolder run{season, read_run_directory(folder, day_count_needed)};
  for (const std::string& name : run.run.input_names) {
    const std::string path = season.name() + "/" + name;
    const std::string bytes = common::read_whole_file(folder / name);
    const stations::SeasonFile* listed = manifest.file(season.name(), name);
    if (!listed)
      throw ToolError(shown_path(dir, path), 0,
                      fmt::format("was not written by raingen-prepare for season {} ({} holds no checksum of it): "
                                  "prepare it with raingen-prepare --dir {}",
                                  season.name(), facts_file, dir.string()));
    if (listed->checksum != common::checksum_text(bytes))
      throw ToolError(shown_path(dir, path), 0,
                      fmt::format("has changed since raingen-prepare wrote it ({} line {} holds the checksum of what "
                                  "it wrote): prepare it again",
                                  facts_file, listed->line));
    checksum.add_name(path);
    checksum.add(bytes);
  }
  return run;
}

}  // namespace

RunFolders read_run_folders(const fs::path& dir, bool day_count_needed) {
  RunFolders folders;
  folders.dir = fs::absolute(dir).lexically_normal();
  if (!folders.dir.has_filename()) folders.dir = folders.dir.parent_path();  // "/a/b", not "/a/b/"
  const stations::RunFacts facts = stations::read_run_facts(dir);
  if (!facts.seasons) {
    folders.folders.push_back({std::nullopt, read_run_directory(dir, day_count_needed)});
    folders.checksum = folders.folders.front().run.checksum;
    folders.day_count = folders.settings().day_count;
    return folders;
  }
  folders.seasons = facts.seasons->seasons;
  common::Checksum checksum;
  for (const stations::Season& season : folders.seasons) {
    folders.folders.push_back(season_folder(dir, season, *facts.seasons, day_count_needed, checksum));
    const RunFolder& first = folders.folders.front();
    const RunFolder& last = folders.folders.back();
    if (day_count_needed && last.run.settings.day_count != first.run.settings.day_count)
      throw ToolError(shown_path(dir, season.name() + "/" + std::string(common::settings_file_name)), 9,
                      fmt::format("the number of days is {}, in {}/INPUT.TXT {}: give the series' length (--days)",
                                  last.run.settings.day_count, first.season->name(), first.run.settings.day_count));
  }
  folders.checksum = checksum.text();
  folders.day_count = folders.settings().day_count;
  return folders;
}

std::string inputs_checksum(const fs::path& dir, const std::vector<std::string>& names) {
  common::Checksum checksum;
  for (const std::string& name : names) {
    checksum.add_name(name);
    checksum.add(common::read_whole_file(dir / name));
  }
  return checksum.text();
}

}  // namespace raingen::run_directory
