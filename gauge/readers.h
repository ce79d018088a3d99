// One reader per gauge record format, behind read_gauge (which picks the format and checks that
// the options fit it). Each reads the whole file at path and fills facts.
#pragma once

#include <string>

#include "gauge/calendar_series.h"
#include "gauge/read_gauge.h"

namespace raingen::gauge {

// Tip records: one row per bucket tip (time, depth, optional flag); see tips_reader.cpp.
CalendarSeries read_tips(const std::string& path, const ReadOptions& options, ReadFacts& facts);
// CSV of interval depths: a time column (or a date and a time column) and value columns.
CalendarSeries read_csv(const std::string& path, const ReadOptions& options, ReadFacts& facts);
// SWMM's user-prepared rain file: STA YYYY MM DD HH MM VALUE, wet intervals only.
CalendarSeries read_swmm(const std::string& path, const ReadOptions& options, ReadFacts& facts);
// NOAA's 15-minute precipitation CSV: one day per row, 96 values in hundredths of an inch.
CalendarSeries read_noaa(const std::string& path, const ReadOptions& options, ReadFacts& facts);

// The format the first lines of the file show; throws ToolError when they show none.
Format sniff_format(const std::string& path);

// The separator of a delimited line: ',' if it has one, else ';', else a tab; 0 for none.
char separator_of(std::string_view line);

}  // namespace raingen::gauge
