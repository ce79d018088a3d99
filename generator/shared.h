// The generator's shared arrays and values. They exist for the whole run and are zero at start;
// every routine reads and writes them here and takes no arguments. Arrays are indexed from 1
// (the spell table's entries from 0) in the order station, day, interval, the first index
// varying fastest.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <string_view>
#include <vector>

namespace raingen {

inline constexpr int station_count = 3;
inline constexpr int max_days = 2000;
inline constexpr int intervals_per_day = 96;
inline constexpr int max_spell_entries = 1201;

// An inclusive index range of one dimension.
template <int Low, int High>
struct Bounds {
  static constexpr int low = Low;
  static constexpr int high = High;
  static constexpr int extent = High - Low + 1;
};

// A fixed-size array indexed by its bounds, the first index varying fastest.
template <typename T, typename... Dims>
class Table {
 public:
  template <typename... Index>
  T& operator()(Index... index) {
    return cells_[offset(index...)];
  }
  template <typename... Index>
  const T& operator()(Index... index) const {
    return cells_[offset(index...)];
  }
  std::array<T, (Dims::extent * ...)>& cells() { return cells_; }
  const std::array<T, (Dims::extent * ...)>& cells() const { return cells_; }

 private:
  template <typename... Index>
  static constexpr std::size_t offset(Index... index) {
    static_assert(sizeof...(Index) == sizeof...(Dims));
    const int at[] = {static_cast<int>(index)...};
    constexpr int low[] = {Dims::low...};
    constexpr int high[] = {Dims::high...};
    constexpr int extent[] = {Dims::extent...};
    std::size_t result = 0;
    for (int k = static_cast<int>(sizeof...(Dims)) - 1; k >= 0; --k) {
      assert(at[k] >= low[k] && at[k] <= high[k]);
      (void)high;
      result = result * extent[k] + static_cast<std::size_t>(at[k] - low[k]);
    }
    return result;
  }
  std::array<T, (Dims::extent * ...)> cells_{};
};

// A fixed-length, blank-padded character value.
template <int Length>
struct FixedText {
  std::array<char, Length> chars{};
  static constexpr int length = Length;
  char* data() { return chars.data(); }
  const char* data() const { return chars.data(); }
  std::string_view view() const { return {chars.data(), chars.size()}; }
};

using Station = Bounds<1, station_count>;
using Day = Bounds<1, max_days>;
using Interval = Bounds<1, intervals_per_day>;

struct RunSettingsRecord {
  FixedText<11> results_name;
  FixedText<11> site_name;
  std::int32_t day_count = 0;
};

struct StationRecord {
  FixedText<4> station_id;
  FixedText<11> spell_file;  // station_id + "D_3.TXT"
  FixedText<11> day_file;    // station_id + "F_2.TXT"
  FixedText<11> index_file;  // station_id + "F_3.TXT"
  std::int32_t entry_count = 0;
  std::int32_t day_record_count = 0;
  std::int32_t distance = 0;
};

// Units of the files that are not a station's.
inline constexpr int input_unit = 500;
inline constexpr int results_unit = 100;
inline constexpr int source_unit = 900;

// The unit of a station's spell table, day records and day index: 10*s+1, +2, +3.
constexpr int spell_unit_of(int s) { return 10 * s + 1; }
constexpr int day_unit_of(int s) { return 10 * s + 2; }
constexpr int index_unit_of(int s) { return 10 * s + 3; }

inline RunSettingsRecord RunSettings;
inline Table<StationRecord, Station> StationTable;
inline std::int32_t current_station = 0;
inline Table<float, Station, Day, Interval> StationGrid;
inline Table<float, Day, Interval> SiteSeries;
inline Table<float, Station, Interval> DayPattern;
inline Table<float, Station, Bounds<0, max_spell_entries>> SpellTable;
inline Table<std::int32_t, Station> spell_length;
inline std::int32_t generator_state = 0;

// What the day resampler has learned of a station's F_2 and F_3 files during the run: their
// first `count` day records, with the index line of each, convert without error. It keeps where
// each of those day lines starts and where the index line after them starts, never a value.
struct KnownDayLines {
  std::int32_t count = 0;
  std::vector<std::int64_t> day_line_start{0};  // [k]: start of day line k; [0] is not used
  std::int64_t next_day_line = 0;               // start of day line count+1
  std::int64_t next_index_line = 0;             // start of the index line of day count+1
};
inline Table<KnownDayLines, Station> DayFilePositions;

// The seed that RAINGEN_SEED gives at start-up; when given it replaces the clock sum.
struct SeedSettingRecord {
  bool given = false;
  std::int32_t value = 0;
};
inline SeedSettingRecord SeedSetting;

// The run driver (main), and the routines of the run in the order it calls them.
void run_driver();
void read_run_configuration();  // fileio
void read_spell_tables();       // ecatf
void seed_from_clock();         // library
void set_seed(std::int32_t v);  // library
float next_random();            // library
void draw_spell_length();       // rat
void draw_historical_day();     // rrd
void weight_stations();         // dist

// Every shared array and value back to zero, as at program start (for tests).
inline void reset_shared_state() {
  RunSettings = {};
  StationTable = {};
  current_station = 0;
  StationGrid = {};
  SiteSeries = {};
  DayPattern = {};
  SpellTable = {};
  spell_length = {};
  generator_state = 0;
  SeedSetting = {};
  DayFilePositions = {};
}

}  // namespace raingen
