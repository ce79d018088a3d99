// Reading a gauge record file into the calendar series: the one entry for every tool.
#pragma once

#include <optional>
#include <string>

#include "gauge/calendar_series.h"
#include "gauge/fragments.h"
#include "gauge/read_options.h"

namespace raingen::gauge {

// What reading found out, for a tool's summary.
struct ReadFacts {
  Format format = Format::automatic;       // the format read (never automatic after a read)
  int step_minutes = 0;                    // interval records: the record's step; tips: 0
  long data_lines = 0;                     // lines that held a reading (tips, rows, days)
  std::optional<FragmentFacts> fragments;  // a coarse record made 15-minute
};

// Reads the record at path ("-" reads standard input, whose format must then be given) into a
// series of 15-minute depths in mm, named after the file (csv: the column, swmm: the station).
// The series runs from the first to the last interval the record touches, or over the days of
// options.from/to; every interval the record does not cover is missing (in a SWMM rain file,
// dry). Throws ToolError naming file and line for anything the record gets wrong, UsageError
// for options that do not fit the record.
CalendarSeries read_gauge(const std::string& path, const ReadOptions& options, ReadFacts* facts = nullptr);

}  // namespace raingen::gauge
