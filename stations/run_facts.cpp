#include "stations/run_facts.h"

#include <algorithm>

#include <fmt/format.h>

#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/sections_line.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/read_options.h"

namespace raingen::stations {

namespace {

using common::ToolError;

constexpr std::string_view separator = " = ";
constexpr std::string_view blanks = " \t";
using common::shown_line;

bool is_kind(std::string_view kind) {
  if (kind.empty() || kind[0] < 'a' || kind[0] > 'z') return false;
  return std::all_of(kind.begin(), kind.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; });
}

// The facts of one file, line by line.
class FactsParser {
 public:
  explicit FactsParser(std::string file) : file_(std::move(file)) {}

  void line(std::string_view text, long number) {
    line_ = number;
    const common::SectionsLine read = common::read_sections_line(text, file_, number);
    if (read.kind == common::SectionsLine::Kind::skipped) return;
    if (read.kind == common::SectionsLine::Kind::header) return header(read);
    const std::string_view key = read.key, value = read.value;
    switch (kind_) {
      case Kind::none: fail(fmt::format("'{}' comes before any [section]", shown_line(text)));
      case Kind::station: return station_key(key, value);
      case Kind::site: return site_key(key, value);
      case Kind::site_station: return site_station_key(key, value);
      case Kind::seasons: return seasons_key(key, value);
      case Kind::other: facts_.other_sections.back().lines.emplace_back(key, value); return;
    }
  }

  RunFacts finish() {
    end_section();
    return std::move(facts_);
  }

 private:
  enum class Kind { none, station, site, site_station, seasons, other };

  [[noreturn]] void fail(const std::string& what) const { throw ToolError(file_, line_, what); }
  [[noreturn]] void fail_at(long line, const std::string& what) const { throw ToolError(file_, line, what); }

  StationId section_id(std::string_view kind, std::string_view id) const {
    if (id.empty()) fail(fmt::format("[{}] needs the station's ID: [{} ID]", kind, kind));
    const std::optional<StationId> station = StationId::from(id);
    if (!station) fail(fmt::format("[{} {}]: the ID must be {}", kind, id, station_id_rule));
    return *station;
  }

  void header(const common::SectionsLine& read) {
    end_section();
    const std::string_view kind = read.section, id = read.name;
    if (!is_kind(kind) || (read.named && (id.empty() || id.find_first_of(blanks) != std::string_view::npos)))
      fail(
          fmt::format("'[{}]' is no section header: [KIND] or [KIND ID] (KIND in a-z, 0-9, '-'; the ID without blanks)",
                      shown_line(read.inside)));
    if (kind == "station") {
      StationFacts station{.id = section_id(kind, id), .line = line_};
      if (const StationFacts* before = facts_.station(station.id))
        fail(fmt::format("[station {}] is given twice (line {})", id, before->line));
      facts_.stations.push_back(std::move(station));
      kind_ = Kind::station;
    } else if (kind == "site") {
      if (!id.empty()) fail(fmt::format("[site {}]: the site section has no ID: [site]", id));
      if (facts_.site) fail(fmt::format("[site] is given twice (line {})", facts_.site->line));
      facts_.site = SiteFacts{.line = line_};
      kind_ = Kind::site;
    } else if (kind == "site-station") {
      SiteStationFacts site_station{.id = section_id(kind, id), .line = line_};
      if (facts_.site_station)
        fail(fmt::format("a second [site-station] section (the first at line {}): a run directory has one site",
                         facts_.site_station->line));
      facts_.site_station = std::move(site_station);
      kind_ = Kind::site_station;
    } else if (kind == "seasons") {
      if (!id.empty()) fail(fmt::format("[seasons {}]: the seasons section has no ID: [seasons]", id));
      if (facts_.seasons) fail(fmt::format("[seasons] is given twice (line {})", facts_.seasons->line));
      facts_.seasons = SeasonsFacts{.line = line_};
      kind_ = Kind::seasons;
    } else {
      facts_.other_sections.push_back({std::string(read.inside), {}});
      kind_ = Kind::other;
    }
    keys_seen_.clear();
    reading_ = {};
  }

  // A key that a section holds once.
  void once(std::string_view key) {
    const auto seen = std::find_if(keys_seen_.begin(), keys_seen_.end(), [&](const auto& k) { return k.first == key; });
    if (seen != keys_seen_.end()) fail(fmt::format("{} is given twice in this section (line {})", key, seen->second));
    keys_seen_.emplace_back(std::string(key), line_);
  }

  calendar::UtcOffset offset(std::string_view value) const {
    const std::optional<calendar::UtcOffset> offset = calendar::UtcOffset::parse(value);
    if (!offset) fail(fmt::format("utc_offset '{}' is not {}", shown_line(value), calendar::utc_offset_rule));
    return *offset;
  }

  void station_key(std::string_view key, std::string_view value) {
    StationFacts& station = facts_.stations.back();
    if (key == "record") {
      once(key);
      if (!std::filesystem::path(value).is_absolute())
        fail(fmt::format("record '{}' is not an absolute path", shown_line(value)));
      station.record = std::string(value);
    } else if (key == "reading") {
      const std::size_t equals = value.find('=');
      if (equals == std::string_view::npos) fail(fmt::format("reading '{}' is not NAME=VALUE", shown_line(value)));
      const std::string name(value.substr(0, equals)), option_value(value.substr(equals + 1));
      try {
        gauge::set_read_option(reading_, name, option_value);
      } catch (const common::UsageError& error) {
        fail(fmt::format("reading '{}': {}", shown_line(value), error.what()));
      }
      station.reading.emplace_back(name, option_value);
    } else if (key == "utc_offset") {
      once(key);
      station.utc_offset = offset(value);
    } else {
      station.other.emplace_back(key, value);
    }
  }

  void site_key(std::string_view key, std::string_view value) {
    SiteFacts& site = *facts_.site;
    if (key == "name") {
      once(key);
      site.name = std::string(value);
    } else if (key == "position") {
      once(key);
      try {
        site.position = parse_coordinates(value, "position");
      } catch (const common::UsageError& error) {
        fail(error.what());
      }
    } else if (key == "utc_offset") {
      once(key);
      site.utc_offset = offset(value);
    } else if (key == "network") {
      once(key);
      site.network = std::string(value);
    } else {
      site.other.emplace_back(key, value);
    }
  }

  void site_station_key(std::string_view key, std::string_view value) {
    SiteStationFacts& site_station = *facts_.site_station;
    if (key == "present") {
      once(key);
      const std::optional<weighting::Presence> present = weighting::parse_presence(value);
      if (!present) fail(fmt::format("present '{}' is neither all nor any", shown_line(value)));
      site_station.present = *present;
    } else if (key == "gauge") {
      const std::size_t blank = value.find(' ');
      const std::optional<StationId> id =
          blank == std::string_view::npos ? std::nullopt : StationId::from(value.substr(0, blank));
      const std::optional<long> distance =
          blank == std::string_view::npos ? std::nullopt : common::parse_integer(value.substr(blank + 1));
      if (!id || !distance || *distance < 0 || *distance > common::largest_distance)
        fail(fmt::format("gauge '{}' is not ID DISTANCE (a station ID, a whole number 0 to {})", shown_line(value),
                         common::largest_distance));
      for (const SiteStationGauge& gauge : site_station.gauges)
        if (gauge.id == *id) fail(fmt::format("gauge {} is given twice", *id));
      if (*id == site_station.id) fail(fmt::format("gauge {} is the site station itself", *id));
      site_station.gauges.push_back({*id, static_cast<int>(*distance)});
    } else {
      site_station.other.emplace_back(key, value);
    }
  }

  // season = NAME M-N; file = SEASON/NAME CHECKSUM
  void seasons_key(std::string_view key, std::string_view value) {
    SeasonsFacts& seasons = *facts_.seasons;
    if (key == "season") {
      const std::size_t blank = value.find(' ');
      const std::string_view first = value.substr(0, blank);
      const std::string_view second = blank == std::string_view::npos ? std::string_view{} : value.substr(blank + 1);
      const std::optional<Season> season = parse_season_range(second);
      if (!season || season->name() != first)
        fail(fmt::format("season '{}' is not NAME M-N, a range of months and its name (12-2 is Dec-Feb)",
                         shown_line(value)));
      for (const Season& before : seasons.seasons)
        if (before == *season) fail(fmt::format("season {} is given twice", first));
      seasons.seasons.push_back(*season);
    } else if (key == "file") {
      // The checksum follows the last blank: a station file's name holds its blank-padded id.
      const std::size_t last_blank = value.rfind(' ');
      const std::string_view path = value.substr(0, last_blank);
      const std::string_view checksum =
          last_blank == std::string_view::npos ? std::string_view{} : value.substr(last_blank + 1);
      const std::size_t slash = path.find('/');
      const std::string_view season = path.substr(0, slash);
      const std::string_view name = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
      const bool hexadecimal =
          checksum.size() == 16 && checksum.find_first_not_of("0123456789abcdef") == std::string_view::npos;
      if (season.empty() || name.empty() || name.find('/') != std::string_view::npos || !hexadecimal)
        fail(
            fmt::format("file '{}' is not SEASON/NAME CHECKSUM (a season's folder, a file name in it and 16 "
                        "hexadecimal digits)",
                        shown_line(value)));
      if (seasons.file(season, name)) fail(fmt::format("file {} is given twice", path));
      seasons.files.push_back({std::string(season), std::string(name), std::string(checksum), line_});
    } else {
      seasons.other.emplace_back(key, value);
    }
  }

  void end_section() {
    if (kind_ == Kind::site_station && facts_.site_station->gauges.size() != 3)
      fail_at(facts_.site_station->line, fmt::format("[site-station {}] gives {} gauges; a site station has 3",
                                                     facts_.site_station->id, facts_.site_station->gauges.size()));
    if (kind_ == Kind::seasons) end_seasons();
    kind_ = Kind::none;
  }

  void end_seasons() const {
    const SeasonsFacts& seasons = *facts_.seasons;
    if (const std::string fault = seasons_fault(seasons.seasons); !fault.empty())
      fail_at(seasons.line, "[seasons]: " + fault);
    for (const SeasonFile& file : seasons.files)
      if (std::none_of(seasons.seasons.begin(), seasons.seasons.end(),
                       [&](const Season& season) { return season.name() == file.season; }))
        fail_at(file.line, fmt::format("file {}: no season of [seasons] is named {}", file.path(), file.season));
  }

  std::string file_;
  long line_ = 0;
  RunFacts facts_;
  Kind kind_ = Kind::none;
  std::vector<std::pair<std::string, long>> keys_seen_;  // the keys held once, in this section
  gauge::ReadOptions reading_;  // this section's reading options so far, which a later one must fit
};

// "KEY = VALUE\n", or a ToolError for a value the file cannot hold.
void append(std::string& text, std::string_view key, std::string_view value) {
  if (value.find_first_of("\r\n") != std::string_view::npos)
    throw ToolError(
        fmt::format("{} '{}' holds a line end, which {} cannot keep", key, shown_line(value), run_facts_file_name));
  text += fmt::format("{}{}{}\n", key, separator, value);
}

void append_all(std::string& text, const FactLines& lines) {
  for (const auto& [key, value] : lines) append(text, key, value);
}

}  // namespace

const StationFacts* RunFacts::station(const StationId& id) const {
  const auto found = std::find_if(stations.begin(), stations.end(), [&](const StationFacts& s) { return s.id == id; });
  return found == stations.end() ? nullptr : &*found;
}

void RunFacts::put_station(StationFacts station) {
  if (site_station && site_station->id == station.id) site_station.reset();
  const auto found =
      std::find_if(stations.begin(), stations.end(), [&](const StationFacts& s) { return s.id == station.id; });
  if (found == stations.end())
    stations.push_back(std::move(station));
  else
    *found = std::move(station);
}

const SeasonFile* SeasonsFacts::file(std::string_view season, std::string_view name) const {
  const auto found = std::find_if(files.begin(), files.end(),
                                  [&](const SeasonFile& f) { return f.season == season && f.name == name; });
  return found == files.end() ? nullptr : &*found;
}

void SeasonsFacts::put_file(const std::string& season, const std::string& name, const std::string& checksum) {
  const auto found = std::find_if(files.begin(), files.end(),
                                  [&](const SeasonFile& f) { return f.season == season && f.name == name; });
  if (found == files.end())
    files.push_back({season, name, checksum});
  else
    found->checksum = checksum;
}

void RunFacts::put_site_station(SiteStationFacts facts) {
  std::erase_if(stations, [&](const StationFacts& s) { return s.id == facts.id; });
  site_station = std::move(facts);
}

std::string position_text(const Coordinates& position) {
  return fmt::format("{:.7f},{:.7f}", position.latitude, position.longitude);
}

RunFacts read_run_facts(const std::filesystem::path& dir) {
  const std::filesystem::path path = dir / run_facts_file_name;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {};
  common::LineReader reader(path.string());
  FactsParser parser(path.string());
  std::string_view line;
  while (reader.next(line)) parser.line(line, reader.line_number());
  return parser.finish();
}

std::string run_facts_text(const RunFacts& facts) {
  std::string text =
      "# raingen-prepare: facts of this run directory that INPUT.TXT and the station files do not\n"
      "# hold; raingen-export, raingen-ensemble and raingen-report read them.\n";
  for (const StationFacts& station : facts.stations) {
    text += fmt::format("[station {}]\n", station.id);
    if (station.record) append(text, "record", *station.record);
    for (const auto& [name, value] : station.reading) append(text, "reading", name + "=" + value);
    if (station.utc_offset) append(text, "utc_offset", station.utc_offset->text());
    append_all(text, station.other);
    text += "\n";
  }
  if (facts.site) {
    text += "[site]\n";
    if (facts.site->name) append(text, "name", *facts.site->name);
    if (facts.site->position) append(text, "position", position_text(*facts.site->position));
    if (facts.site->utc_offset) append(text, "utc_offset", facts.site->utc_offset->text());
    if (facts.site->network) append(text, "network", *facts.site->network);
    append_all(text, facts.site->other);
    text += "\n";
  }
  if (facts.site_station) {
    text += fmt::format("[site-station {}]\n", facts.site_station->id);
    append(text, "present", weighting::presence_name(facts.site_station->present));
    for (const SiteStationGauge& gauge : facts.site_station->gauges)
      append(text, "gauge", fmt::format("{} {}", gauge.id, gauge.distance));
    append_all(text, facts.site_station->other);
    text += "\n";
  }
  if (facts.seasons) {
    text += "[seasons]\n";
    for (const Season& season : facts.seasons->seasons)
      append(text, "season", fmt::format("{} {}", season.name(), season.range_text()));
    for (const SeasonFile& file : facts.seasons->files) append(text, "file", file.path() + " " + file.checksum);
    append_all(text, facts.seasons->other);
    text += "\n";
  }
  for (const OtherSection& section : facts.other_sections) {
    text += fmt::format("[{}]\n", section.header);
    append_all(text, section.lines);
    text += "\n";
  }
  if (text.ends_with("\n\n")) text.pop_back();  // no blank line at the end
  return text;
}

common::FileText run_facts_file(const std::filesystem::path& dir, const RunFacts& facts) {
  return {dir / run_facts_file_name, run_facts_text(facts)};
}

}  // namespace raingen::stations
