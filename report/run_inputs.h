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
#include "report/site_reference.h"
#include "stations/seasons.h"
#include "stations/settings_file.h"

namespace raingen::report {

struct GaugeRecord {
  common::GaugeArgument argument;  // as given: ID, file, reading options
  gauge::ReadFacts facts;
  gauge::CalendarSeries series;  // named "record:ID"
  int station = 0;               // 0-based station of the weighting (RunInputs::weighted_ids)
};

// A run directory's settings and the site series of its results file.
struct GeneratedRun {
  std::filesystem::path dir;
  stations::Settings settings;
  stations::Seasons seasons;  // as its RAINGEN.TXT declares them; empty: none
  std::filesystem::path results_path;
  gauge::CalendarSeries generated;
};

// Reads dir/INPUT.TXT (in a run directory of seasons, the INPUT.TXT of its season folders, alike,
// each folder checked against RAINGEN.TXT) and the results file it names, or the table `results`
// when given (a table of any whole number of days, such as a laid-out table that raingen-ensemble
// --days N --keep kept), day 1 beginning at day_one, into a series called name. Throws ToolError
// for anything they get wrong, for a results file whose day count is not that of INPUT.TXT, and
// for a run directory of seasons without `results` (its series are laid out by raingen-ensemble).
GeneratedRun read_generated_run(const std::filesystem::path& dir, calendar::TimePoint day_one, const std::string& name,
                                const std::filesystem::path& results = {});

struct RunInputs : GeneratedRun {    // generated is named "generated"
  std::vector<GaugeRecord> records;  // in the order given
  // The stations the weighted record weighs, by ID and distance: INPUT.TXT's, or, when no --gauge
  // is given, the gauges the site station was made of (site).
  std::array<std::string, 3> weighted_ids;
  std::array<int, 3> distances{};
  std::optional<SiteReference> site;  // the records are those RAINGEN.TXT recorded of the site station
  // The record of each station, null where none was given.
  std::array<const gauge::CalendarSeries*, 3> station_records() const;
};

// Reads dir/INPUT.TXT, the results file it names or `results` (read_generated_run) and every gauge
// record; with no gauge given, the records of the gauges that made the run's site station as
// RAINGEN.TXT records them (site_reference.h). Throws UsageError for a gauge whose ID is no
// station of INPUT.TXT, reading options that do not fit, or no gauge given in a run without a
// site station made of gauges, ToolError for anything an input gets wrong, and for a results file whose day count
// is not that of INPUT.TXT.
RunInputs read_run_inputs(const std::filesystem::path& dir, const std::vector<common::GaugeArgument>& gauges,
                          calendar::TimePoint day_one, const std::filesystem::path& results = {});

}  // namespace raingen::report
