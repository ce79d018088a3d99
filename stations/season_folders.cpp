#include "stations/season_folders.h"

#include <fmt/format.h>

#include "common/checksum.h"
#include "common/tool_error.h"

namespace raingen::stations {

std::optional<Seasons> seasons_of_use(const std::optional<Seasons>& given, const RunFacts& facts,
                                      const std::string& facts_file) {
  if (!facts.seasons) return given;
  if (given && *given != facts.seasons->seasons)
    throw common::ToolError(
        facts_file, facts.seasons->line,
        fmt::format("this run directory's seasons are {} ({}), not the {} of --seasons: prepare "
                    "every station and INPUT.TXT of a run directory with one --seasons (or use "
                    "another --dir)",
                    season_names(facts.seasons->seasons), seasons_list(facts.seasons->seasons), seasons_list(*given)));
  return facts.seasons->seasons;
}

std::string stand_in_note(const common::ToolError& thin) {
  const std::string reason = thin.message();
  return reason.substr(0, reason.find_first_of(";:")) + ", too few to draw from";
}

std::vector<PreparedStation> prepare_in_seasons(const gauge::CalendarSeries& series, const StationId& id,
                                                const PrepareOptions& options, const std::string& source,
                                                const Seasons& seasons, StandIn* stand_in) {
  std::optional<ChangeResult> change, stand_in_change;
  const RecordDays days = record_days(series, options, source, &change);
  std::optional<RecordDays> stand_in_days;
  std::vector<PreparedStation> prepared;
  for (const Season& season : seasons) {
    try {
      prepared.push_back(prepare_days(days, kinds_in_season(days, season), id, options, source, season));
      prepared.back().summary.change = change;
    } catch (const common::ToolError& thin) {
      if (!stand_in || !stand_in->series) throw thinned_by_change(thin, options, change);
      if (!stand_in_days) stand_in_days = record_days(*stand_in->series, options, stand_in->source, &stand_in_change);
      prepared.push_back(
          prepare_days(*stand_in_days, kinds_in_season(*stand_in_days, season), id, options, stand_in->source, season));
      prepared.back().summary.change = stand_in_change;
      stand_in->notes.push_back(stand_in_note(thin));
    }
  }
  return prepared;
}

common::FileText season_file(RunFacts& facts, const Seasons& seasons, const std::filesystem::path& dir,
                             const Season& season, const std::string& name, std::string text) {
  if (!facts.seasons) facts.seasons = SeasonsFacts{.seasons = seasons};
  facts.seasons->put_file(season.name(), name, common::checksum_text(text));
  return {dir / season.name() / name, std::move(text)};
}

void write_with_season_folders(const std::vector<common::FileText>& files, const std::filesystem::path& dir,
                               const Seasons& seasons) {
  std::vector<std::filesystem::path> made;
  try {
    for (const Season& season : seasons) {
      const std::filesystem::path folder = dir / season.name();
      std::error_code error;
      if (std::filesystem::is_directory(folder, error)) continue;
      if (!std::filesystem::create_directory(folder, error) || error)
        throw common::ToolError(folder.string(), 0,
                                "cannot be made: " + (error ? error.message() : std::string("a file has its name")));
      made.push_back(folder);
    }
    common::write_together(files);
  } catch (...) {
    std::error_code ignored;
    for (const std::filesystem::path& folder : made) std::filesystem::remove(folder, ignored);  // only when empty
    throw;
  }
}

}  // namespace raingen::stations
