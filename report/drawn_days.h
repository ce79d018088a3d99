// Which recorded days a generated day was drawn from. The results file does not say: the program
// copies whole historical days of its stations (IDF_2.TXT) and writes only the site value. A
// generated day is therefore matched against the day records of the run directory's station
// files: one station's day (a station at the site) or the weighted value of one day or a dry day
// of each station must give the day's 96 values to the 0.001 mm the results file is written in.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "calendar/interval.h"
#include "calendar/time_point.h"
#include "report/run_inputs.h"

namespace raingen::report {

using DayDepths = std::array<double, calendar::intervals_per_day>;

// A station's day records as the program may draw them: the label (columns 1-29, blanks at
// both ends removed) and the 96 depths of each.
struct StationDays {
  std::string id;
  std::vector<std::string> labels;
  std::vector<DayDepths> days;
};

// Reads IDF_2.TXT of station `id` in dir, as many lines as line 2 of IDF_3.TXT counts (all when
// it does not read): a line whose values do not read is left out (a run that drew it would have
// stopped). None when IDF_2.TXT cannot be opened.
std::optional<StationDays> read_station_days(const std::filesystem::path& dir, const std::string& id);

// For each station (in station order) the labels of its days that, weighted as the program weights
// its stations at these distances, give `day`; an empty label stands for a dry day. A station not
// weighted keeps an empty set. None when no combination gives the day. At most a few dozen
// combinations are looked at, enough for days recorded twice (the copy of the last record).
std::optional<std::array<std::set<std::string>, 3>> drawn_labels(const std::vector<double>& day,
                                                                 const std::array<StationDays, 3>& stations,
                                                                 const std::array<int, 3>& distances);

// One sentence for the page: which recorded day of each station the generated day starting at
// `start` (its 96 values `day`) was drawn from, read from the run's station files (a run of seasons:
// those of the season folder holding the day's month), or why it cannot be said.
std::string drawn_day_sentence(const GeneratedRun& run, calendar::TimePoint start, const std::vector<double>& day);

}  // namespace raingen::report
