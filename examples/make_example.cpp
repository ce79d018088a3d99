// Writes the example data set of raingen: INPUT.TXT and the three files of each of three rain
// stations near a site, with invented but plausible values. Deterministic: the same files on
// every machine (the random numbers come from std::mt19937, whose output the language fixes,
// turned into numbers here rather than by the library's distributions, which it does not fix).
//
//   make_example [directory]     (default: examples/data)
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "common/tool_error.h"
#include "stations/settings_file.h"
#include "stations/station_files.h"

namespace {

struct StationPlan {
  const char* id;       // 4 characters
  int distance;         // km from the site
  int wet_days;         // historical day records
  double dry_continue;  // chance that a dry spell goes on for one more day
  double storm_scale;   // typical peak in mm per 15 minutes
  unsigned seed;
};

const StationPlan stations[] = {
    {"KARO", 4, 320, 0.78, 1.1, 1971},
    {"MELV", 7, 260, 0.82, 0.8, 1983},
    {"TWIN", 11, 380, 0.74, 1.4, 1995},
};

constexpr int spell_entry_count = 45;

class Numbers {
 public:
  explicit Numbers(unsigned seed) : engine_(seed) {}
  double uniform() { return (engine_() + 0.5) / 4294967296.0; }  // in (0, 1)
  int between(int low, int high) {                               // inclusive
    return low + static_cast<int>(uniform() * (high - low + 1));
  }

 private:
  std::mt19937 engine_;
};

std::string format(const char* pattern, auto... values) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, pattern, values...);
  return buffer;
}

// Cumulative frequency of dry spells of 1..N days for a spell that goes on each day with the
// given chance; the last entry is 1.0 so that every draw finds its length.
std::vector<double> spell_entries(const StationPlan& plan) {
  std::vector<double> entries;
  for (int k = 1; k <= spell_entry_count; ++k) {
    const double cumulative = k == spell_entry_count ? 1.0 : 1.0 - std::pow(plan.dry_continue, k);
    entries.push_back(std::round(cumulative * 1e4) / 1e4);
  }
  return entries;
}

struct Day {
  int year, month, day;
  double values[96];
  double total;
};

// One storm a day: it starts at some interval, rises quickly to a peak and tails off.
Day historical_day(const StationPlan& plan, Numbers& numbers, int index) {
  Day d{};
  const int days_per_year = (plan.wet_days + 9) / 10;
  d.year = 1986 + index / days_per_year;
  const int day_of_year = 1 + (index % days_per_year) * 360 / days_per_year + numbers.between(0, 5);
  d.month = 1 + (day_of_year - 1) / 30;
  d.day = 1 + (day_of_year - 1) % 30;
  if (d.month > 12) d.month = 12;
  if (d.month == 2 && d.day > 28) d.day = 28;
  const int start = numbers.between(1, 80);
  const int length = numbers.between(3, 40);
  const int rise = 1 + length / 5;
  const double peak = plan.storm_scale * -std::log(numbers.uniform()) + 0.05;
  for (int i = start; i < start + length && i <= 96; ++i) {
    const int step = i - start;
    const double shape = step < rise ? (step + 1.0) / rise : std::exp(-(step - rise) / (0.35 * length));
    double value = peak * shape * (0.6 + 0.8 * numbers.uniform());
    value = std::floor(value * 100.0 + 0.5) / 100.0;
    if (value > 25.0) value = 25.0;
    d.values[i - 1] = value;
    d.total += value;
  }
  return d;
}

void station_files(const std::filesystem::path& directory, const StationPlan& plan, int number) {
  Numbers numbers(plan.seed);
  raingen::stations::StationFiles station;
  station.id = raingen::stations::StationId::given(plan.id, "station");
  station.spell_title = format("%s DRY-SPELL LENGTHS, CUMULATIVE FREQUENCY", plan.id);
  station.spell_heading = "   LENGTH  CUMFREQ";
  station.spell_entries = spell_entries(plan);
  station.index_number = number;
  station.index_title = format(" %s historical wet days, 15-minute rainfall in mm", plan.id);
  station.index_heading = "      DAY  DATE        TOTAL(MM)";
  for (int k = 0; k < plan.wet_days; ++k) {
    const Day d = historical_day(plan, numbers, k);
    raingen::stations::DayRecord day;
    day.key = k + 1;
    day.label = format("%s %04d-%02d-%02d  TOTAL%7.2f", plan.id, d.year, d.month, d.day, d.total);
    day.note = format("  %04d-%02d-%02d %9.2f", d.year, d.month, d.day, d.total);
    std::copy(std::begin(d.values), std::end(d.values), day.depths.begin());
    station.days.push_back(day);
  }
  raingen::stations::write_station_files(directory, station);
}

void settings_file(const std::filesystem::path& directory) {
  raingen::stations::Settings settings;
  settings.site_name = "HILLCREST";
  for (int i = 0; i < 3; ++i)
    settings.stations[i] = {raingen::stations::StationId::given(stations[i].id, "station"), stations[i].distance};
  settings.day_count = 365;
  raingen::stations::write_settings(directory, settings);
}

}  // namespace

int main(int argc, char** argv) {
  return raingen::common::run_tool("make_example", [&] {
    const std::filesystem::path directory = argc > 1 ? argv[1] : "examples/data";
    std::filesystem::create_directories(directory);
    settings_file(directory);
    for (int i = 0; i < 3; ++i) station_files(directory, stations[i], i + 1);
    std::cout << "example data written to " << directory.string() << '\n';
    return 0;
  });
}
