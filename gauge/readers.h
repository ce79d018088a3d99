// One reader per gauge record format, behind read_gauge (which opens the file once, picks the
// format from its first lines and checks that the options fit it). Each reads the rest of the
// file from its first line and fills facts; messages name lines.path().
#pragma once

#include <string>

#include "common/line_reader.h"
#include "gauge/calendar_series.h"
#include "gauge/read_gauge.h"

namespace raingen::gauge {

// Tip records: one row per bucket tip (time, depth, optional flag); see tips_reader.cpp.
CalendarSeries read_tips(common::LineReader& lines, const ReadOptions& options, ReadFacts& facts);
// CSV of interval depths: a time column (or a date and a time column) and value columns.
CalendarSeries read_csv(common::LineReader& lines, const ReadOptions& options, ReadFacts& facts);
// SWMM's user-prepared rain file: STA YYYY MM DD HH MM VALUE, wet intervals only.
CalendarSeries read_swmm(common::LineReader& lines, const ReadOptions& options, ReadFacts& facts);
// NOAA's 15-minute precipitation CSV: one day per row, 96 values in hundredths of an inch.
CalendarSeries read_noaa(common::LineReader& lines, const ReadOptions& options, ReadFacts& facts);

// The format the first lines show (at most 50 lines that hold something, within the reader's
// look-ahead); throws ToolError when they show none. The reader is left part way: start it again.
Format sniff_format(common::LineReader& lines);

// The separator of a delimited line: ',' if it has one, else ';', else a tab; 0 for none.
char separator_of(std::string_view line);

}  // namespace raingen::gauge
