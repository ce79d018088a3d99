// Everything a report reads: the run directory's INPUT.TXT and the results file it names, and
// the gauge records of its stations, each read as the gauge readers read it.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/gauge_arguments.h"
#include "gauge/calendar_series.h"
#include "gauge/read_gauge.h"
#include "stations/settings_file.h"

namespace raingen::report {

struct GaugeRecord {
  common::GaugeArgument argument;  // as given: ID, file, reading options
  gauge::ReadFacts facts;
  gauge::CalendarSeries series;   // named "record:ID"
  int station = 0;                // 0-based station of INPUT.TXT
};

// A run directory's settings and the site series of its results file.
struct GeneratedRun {
  std::filesystem::path dir;
  stations::Settings settings;
  std::filesystem::path results_path;
  gauge::CalendarSeries generated;
};

// Reads dir/INPUT.TXT and the results file it names (day 1 beginning at day_one) into a series
// called name. Throws ToolError for anything either gets wrong, and for a results file whose
// day count is not that of INPUT.TXT.
GeneratedRun read_generated_run(const std::filesystem::path& dir, calendar::TimePoint day_one, const std::string& name);
// The same with dir/INPUT.TXT already read into settings.
GeneratedRun read_generated_run(const std::filesystem::path& dir, const stations::Settings& settings,
                                calendar::TimePoint day_one, const std::string& name);

struct RunInputs : GeneratedRun {  // generated is named "generated"
  std::vector<GaugeRecord> records; // in the order given
  // The record of each station, null where none was given.
  std::array<const gauge::CalendarSeries*, 3> station_records() const;
};

// Reads dir/INPUT.TXT, the results file it names (day 1 beginning at day_one) and every gauge
// record. Throws UsageError for a gauge whose ID is no station of INPUT.TXT or reading options that
// do not fit, ToolError for anything an input gets wrong, and for a results file whose day count
// is not that of INPUT.TXT.
RunInputs read_run_inputs(const std::filesystem::path& dir, const std::vector<common::GaugeArgument>& gauges,
                          calendar::TimePoint day_one);
// The same with dir/INPUT.TXT already read into settings.
RunInputs read_run_inputs(const std::filesystem::path& dir, const stations::Settings& settings,
                          const std::vector<common::GaugeArgument>& gauges, calendar::TimePoint day_one);

}  // namespace raingen::report
