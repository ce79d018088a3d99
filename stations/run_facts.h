// RAINGEN.TXT: what a run directory's INPUT.TXT and station files cannot say about it, kept beside
// them by raingen-prepare and read by raingen-export, raingen-ensemble and raingen-report (the
// program never reads it). This module is its one reader and writer.
//
//   [station ID]       a station prepared from a gauge record:
//                        record = its absolute path; reading = NAME=VALUE, a reading option as
//                        given (repeated, in order); utc_offset = +HH:MM, the clock the gauge kept
//   [site]             name = the site's name; position = LAT,LON (--site-at); utc_offset = the
//                      clock of the site series; network = the generation of the network's
//                      preparation that made this folder (network/network_manifest.h)
//   [site-station ID]  the site station ID made of gauges: present = all|any; gauge = GAUGE
//                      DISTANCE (three times, in the weighting's order)
//   [seasons]          a run directory of seasons (stations/seasons.h), the manifest its runner
//                      reads: season = NAME M-N, each season with the folder NAME that holds its
//                      INPUT.TXT and station files (every month in one season); file =
//                      NAME/FILE CHECKSUM, a file raingen-prepare wrote into a season's folder
//                      and the checksum of its bytes (common/checksum.h), so that a file changed
//                      since is told
//
// Text with LF line ends (CR LF reads the same); a line whose first non-blank is '#' is a comment,
// a blank line is nothing. A section begins with "[KIND]" or "[KIND ID]"; every other line is
// "KEY = VALUE": the key is the text before the first " = ", the value all that follows it (a path
// may hold blanks). Sections and keys this version does not know are kept when the file is
// rewritten and ignored otherwise, so that a newer file stays readable; comments are not kept.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calendar/utc_offset.h"
#include "common/output_file.h"
#include "stations/seasons.h"
#include "stations/station_id.h"
#include "stations/station_places.h"
#include "weighting/presence.h"

namespace raingen::stations {

inline constexpr std::string_view run_facts_file_name = "RAINGEN.TXT";

using FactLines = std::vector<std::pair<std::string, std::string>>;  // KEY, VALUE in file order

struct StationFacts {
  StationId id{};
  std::optional<std::string> record{};  // absolute; none for a record read from standard input
  FactLines reading{};                  // reading option NAME, VALUE: each as given, a later one winning
  std::optional<calendar::UtcOffset> utc_offset{};
  FactLines other{};  // keys this version does not know
  long line = 0;      // of its header in the file read; 0 when made here
};

struct SiteFacts {
  std::optional<std::string> name{};
  std::optional<Coordinates> position{};
  std::optional<calendar::UtcOffset> utc_offset{};
  std::optional<std::string> network{};  // the generation of the network preparation that made the folder
  FactLines other{};
  long line = 0;
};

struct SiteStationGauge {
  StationId id;
  int distance = 0;  // as INPUT.TXT would give it
};

struct SiteStationFacts {
  StationId id{};
  weighting::Presence present = weighting::Presence::all;
  std::vector<SiteStationGauge> gauges{};  // three, in the weighting's order
  FactLines other{};
  long line = 0;
};

struct SeasonFile {
  std::string season;    // the season's name: its folder
  std::string name;      // the file's name in that folder
  std::string checksum;  // of its bytes as written (common::checksum_text)
  long line = 0;
  std::string path() const { return season + "/" + name; }
};

struct SeasonsFacts {
  Seasons seasons{};
  std::vector<SeasonFile> files{};  // in the order written
  FactLines other{};
  long line = 0;

  const SeasonFile* file(std::string_view season, std::string_view name) const;  // null when none
  // Puts the checksum of a file written into a season's folder, in place of an earlier one.
  void put_file(const std::string& season, const std::string& name, const std::string& checksum);
};

struct OtherSection {  // a section this version does not know, kept as read
  std::string header;  // between the brackets
  FactLines lines;
};

struct RunFacts {
  std::vector<StationFacts> stations;  // no two with one ID
  std::optional<SiteFacts> site;
  std::optional<SiteStationFacts> site_station;
  std::optional<SeasonsFacts> seasons;
  std::vector<OtherSection> other_sections;

  const StationFacts* station(const StationId& id) const;  // null when none
  // Puts station in place of the section of its ID (or after the others). The station's files now
  // come from a record: a site station of that ID is no longer one.
  void put_station(StationFacts station);
  // Puts the site station in place of any other (a run directory has one site); its ID no longer
  // names a station prepared from a record.
  void put_site_station(SiteStationFacts site_station);
};

// Reads dir/RAINGEN.TXT; empty facts when there is none. Throws ToolError naming the file and line
// of every line that is malformed: neither comment, header nor "KEY = VALUE"; a header of a known
// kind without its ID or with an ID that breaks the identifier's rule; a section given twice; a
// known key given twice, or with a value that does not fit (a relative record path, a reading
// option that is no option or a value it refuses, an offset, a position, a presence or a gauge
// line that does not read); a site station without three distinct gauges; seasons whose lines do not
// read, that leave a month out or hold one twice, or a file line of no season listed.
RunFacts read_run_facts(const std::filesystem::path& dir);

// The text of the file: a comment saying what it is, then the stations, the site, the site station,
// the seasons and the other sections. Throws ToolError for a value the file cannot hold (a line end in it).
std::string run_facts_text(const RunFacts& facts);

// dir/RAINGEN.TXT with its text, for a tool that writes it together with other files.
common::FileText run_facts_file(const std::filesystem::path& dir, const RunFacts& facts);

// "-2.5000000,-79.2000000": the position as the file holds it.
std::string position_text(const Coordinates& position);

}  // namespace raingen::stations
