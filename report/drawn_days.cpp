#include "report/drawn_days.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numeric>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/program_files.h"
#include "common/text.h"
#include "stations/station_id.h"
#include "weighting/weighted_record.h"

namespace raingen::report {
namespace {

// The results file holds the site value to 0.001 mm: a half of that, and a little for the
// program's arithmetic.
constexpr double written_tolerance = 0.0006;
constexpr int most_combinations = 48;

std::string trimmed(std::string_view text) { return std::string(common::trimmed(text, " ")); }

// A field as the program reads it: blank is 0, a number with a point as written, one without
// in hundredths.
std::optional<double> field_value(std::string_view field) {
  const std::string text = trimmed(field);
  if (text.empty()) return 0.0;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return text.find('.') == std::string::npos ? value / 100 : value;
}

std::optional<long> index_count(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || !std::getline(in, line)) return std::nullopt;
  if (line.size() <= common::key_width) return std::nullopt;
  const std::string text = trimmed(std::string_view(line).substr(common::key_width, common::number_width));
  long count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return count;
}

double total(const DayDepths& day) { return std::accumulate(day.begin(), day.end(), 0.0); }

// Whether share * day lies under what is left of the generated day, everywhere.
bool fits_under(const DayDepths& day, double share, const std::vector<double>& left) {
  for (std::size_t j = 0; j < day.size(); ++j)
    if (share * day[j] > left[j] + written_tolerance) return false;
  return true;
}

}  // namespace

std::optional<StationDays> read_station_days(const std::filesystem::path& dir, const std::string& id) {
  const auto station = stations::StationId::from(id);
  if (!station) return std::nullopt;
  std::ifstream in(dir / station->file_name(common::StationFile::day_records), std::ios::binary);
  if (!in) return std::nullopt;
  const std::optional<long> count = index_count(dir / station->file_name(common::StationFile::day_index));
  StationDays days;
  days.id = id;
  std::string line;
  for (long n = 0; (!count || n < *count) && std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    DayDepths depths{};
    bool reads = true;
    for (std::size_t j = 0; j < depths.size() && reads; ++j) {
      const std::size_t first = common::day_label_width + 1 + j * (common::depth_width + 1);
      if (first >= line.size()) break;  // a short line: the rest reads as 0
      const auto value = field_value(std::string_view(line).substr(first, common::depth_width));
      if (value) depths[j] = *value;
      reads = value.has_value();
    }
    if (!reads) continue;
    days.labels.push_back(trimmed(std::string_view(line).substr(0, std::min(line.size(), common::day_label_width))));
    days.days.push_back(depths);
  }
  return days;
}

namespace {

// A day a station may have given: one of its days, or a dry day (no label).
struct Candidate {
  const DayDepths* depths;
  const std::string* label;
};

// Each used station's candidates: a dry day, and its days that fit under the generated day.
std::array<std::vector<Candidate>, 3> candidates_of(const std::vector<double>& day,
                                                    const std::array<StationDays, 3>& stations,
                                                    const std::vector<int>& used, const std::array<double, 3>& shares) {
  static const DayDepths dry{};
  static const std::string no_label;
  std::array<std::vector<Candidate>, 3> candidates;
  for (int i : used) {
    const auto s = static_cast<std::size_t>(i);
    candidates[s].push_back({&dry, &no_label});
    for (std::size_t k = 0; k < stations[s].days.size(); ++k)
      if (fits_under(stations[s].days[k], shares[s], day))
        candidates[s].push_back({&stations[s].days[k], &stations[s].labels[k]});
  }
  return candidates;
}

}  // namespace

std::optional<std::array<std::set<std::string>, 3>> drawn_labels(const std::vector<double>& day,
                                                                 const std::array<StationDays, 3>& stations,
                                                                 const std::array<int, 3>& distances) {
  if (day.size() != calendar::intervals_per_day) return std::nullopt;
  const std::vector<int> used = weighting::stations_weighted(distances);
  const std::array<double, 3> shares = weighting::station_shares(distances);
  const std::array<std::vector<Candidate>, 3> candidates = candidates_of(day, stations, used, shares);
  // The last station's candidates by total: a day's total is known once the others are chosen.
  const auto last = static_cast<std::size_t>(used.back());
  std::vector<std::pair<double, std::size_t>> by_total;
  for (std::size_t k = 0; k < candidates[last].size(); ++k) by_total.push_back({total(*candidates[last][k].depths), k});
  std::sort(by_total.begin(), by_total.end());

  std::array<std::set<std::string>, 3> found;
  int combinations = 0;
  std::array<const Candidate*, 3> chosen{};
  std::vector<double> left = day;
  // Chooses a day of used[level] and goes on to the next; the last is looked up by its total and
  // checked interval by interval.
  auto search = [&](auto&& self, std::size_t level) -> void {
    if (combinations >= most_combinations) return;
    const auto s = static_cast<std::size_t>(used[level]);
    if (level + 1 < used.size()) {
      for (const Candidate& c : candidates[s]) {
        if (!fits_under(*c.depths, shares[s], left)) continue;
        for (std::size_t j = 0; j < left.size(); ++j) left[j] -= shares[s] * (*c.depths)[j];
        chosen[s] = &c;
        self(self, level + 1);
        for (std::size_t j = 0; j < left.size(); ++j) left[j] += shares[s] * (*c.depths)[j];
      }
      return;
    }
    const double needed = std::accumulate(left.begin(), left.end(), 0.0) / shares[s];
    const double slack = written_tolerance * calendar::intervals_per_day / shares[s];
    auto k = std::lower_bound(by_total.begin(), by_total.end(), std::pair{needed - slack, std::size_t{0}});
    for (; k != by_total.end() && k->first <= needed + slack && combinations < most_combinations; ++k) {
      const Candidate& c = candidates[s][k->second];
      bool equal = true;
      for (std::size_t j = 0; j < left.size() && equal; ++j)
        equal = std::abs(left[j] - shares[s] * (*c.depths)[j]) <= written_tolerance;
      if (!equal) continue;
      chosen[s] = &c;
      ++combinations;
      for (int i : used) found[static_cast<std::size_t>(i)].insert(*chosen[static_cast<std::size_t>(i)]->label);
    }
  };
  search(search, 0);
  if (combinations == 0) return std::nullopt;
  return found;
}

std::string drawn_day_sentence(const GeneratedRun& run, calendar::TimePoint start, const std::vector<double>& day) {
  const std::string date = calendar::day_text(calendar::day_of(start));
  std::filesystem::path dir = run.dir;
  if (!run.seasons.empty()) {
    const auto month = static_cast<unsigned>(date::year_month_day(calendar::day_of(start)).month());
    for (const stations::Season& season : run.seasons)
      if (season.holds(month)) dir /= season.name();
  }
  std::array<StationDays, 3> stations;
  std::array<int, 3> distances{};
  for (std::size_t i = 0; i < 3; ++i) distances[i] = run.settings.stations[i].distance;
  for (int i : weighting::stations_weighted(distances)) {
    const auto s = static_cast<std::size_t>(i);
    const std::string& id = run.settings.stations[s].id.text();
    auto days = read_station_days(dir, id);
    if (!days)
      return fmt::format(
          "{} of {}: which recorded day it was drawn from cannot be said: the day records of {} "
          "cannot be read in {}.",
          date, run.generated.name(), id, dir.string());
    stations[s] = std::move(*days);
  }
  const auto found = drawn_labels(day, stations, distances);
  if (!found)
    return fmt::format(
        "{} of {}: no day of the station files in {} (nor a dry day of a station) gives its "
        "values: which recorded day it was drawn from cannot be said (were the files changed after the run?).",
        date, run.generated.name(), dir.string());
  std::vector<std::string> parts;
  for (int i : weighting::stations_weighted(distances)) {
    const auto s = static_cast<std::size_t>(i);
    std::vector<std::string> labels;
    for (const std::string& label : (*found)[s]) labels.push_back(label.empty() ? "a dry day" : "'" + label + "'");
    parts.push_back(fmt::format("{} {}{}", run.settings.stations[s].id.text(), labels.size() > 1 ? "one of " : "",
                                fmt::join(labels, ", ")));
  }
  return fmt::format("{} of {} was drawn from the recorded day{} (the day files' labels): {}.", date,
                     run.generated.name(), parts.size() > 1 ? "s" : "", fmt::join(parts, "; "));
}

}  // namespace raingen::report
