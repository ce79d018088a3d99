// How a gauge record is to be read: its format (or recognised from the content), the column or
// station to take, how its times are stamped, and the period to keep. Every tool that reads gauge
// records takes these, under the same names: as command-line options of raingen-prepare
// (--format, --column, --swmm-station, --stamp, --from, --to) and as NAME=VALUE pairs wherever one
// command line names several records.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calendar/time_point.h"

namespace raingen::gauge {

enum class Format { automatic, tips, csv, swmm, noaa };
enum class Stamp { end, start };

struct ReadOptions {
  Format format = Format::automatic;
  std::string column;        // csv: the value column, by its header name (empty: the only one)
  std::string swmm_station;  // swmm: the station (empty: the only one in the file)
  std::optional<Stamp> stamp;  // csv, swmm: unset takes the format's own (csv end, swmm start)
  // The days to keep, both whole and included; unset: the record's own first and last day.
  // In a SWMM rain file, intervals of these days that the file does not list are dry.
  std::optional<calendar::Day> from, to;
  // A 15-minute depth at or above this is an error naming the line that brings it there (set by
  // a tool whose output cannot hold such a depth, never by the user).
  double depth_limit = std::numeric_limits<double>::infinity();
};

// "auto", "tips", "csv", "swmm", "noaa".
std::string_view format_name(Format format);

// Sets one option from its text; name is the long option without its dashes ("format",
// "column", "swmm-station", "stamp", "from", "to"). Throws UsageError for an unknown name or a
// value that does not fit, saying which.
void set_read_option(ReadOptions& options, std::string_view name, std::string_view value);

// Sets the options of one record of several, named by their names in order (a later value of a
// name wins). Throws UsageError as set_read_option does, prefixed "gauge ID: ".
ReadOptions gauge_read_options(const std::string& id, const std::vector<std::pair<std::string, std::string>>& options);

// A day as YYYY-MM-DD; nothing for any other text or a day the calendar lacks.
std::optional<calendar::Day> parse_day(std::string_view text);

// The rules of reading gauge records, for a tool's --help.
std::string_view reading_rules_help();

}  // namespace raingen::gauge
