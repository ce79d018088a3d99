// How raingen's files describe a 15-minute rainfall series in CF-1.8 terms, shared by every
// netCDF file the tools write (one series here; realizations side by side in the ensemble's):
// - global: Conventions "CF-1.8", a title, a source, a history (the command line that made the
//   file, as NCO and CDO write theirs), and featureType "timeSeries" only when the site's
//   position is known (CF requires the position of a time series);
// - time: double minutes since day 1 begins, at the MIDDLE of each interval, with time_bnds holding
//   its start and end, on the proleptic Gregorian calendar that the tools' dates follow. When the
//   clock's offset from UTC is stated, the units count from day 1's beginning in UTC ("minutes since
//   2001-01-01 05:00:00" for a series on UTC-05:00 that begins at midnight) and raingen_utc_offset
//   ("-05:00") names the series' own clock: every client (CDO, ncdump -t, xarray, R) then shows the
//   same instants, since none has to take an offset from the units (CDO and ncdump ignore one
//   there). Without it the units have no zone and the times are those of the series' own clock,
//   which comment says. A stamp inside the interval puts
//   every interval in the day and hour it belongs to, so that the plain daily and hourly sums of
//   CDO (daysum), xarray and pandas (resample) and R are right; a stamp at the end would put the
//   interval that ends at midnight into the next day;
// - lat, lon: the site's position as scalar coordinates, when it is known;
// - station_name: the series' name (UTF-8 text), cf_role "timeseries_id" when the position is known;
// - the depths: mm (or in) per interval, lwe_thickness_of_precipitation_amount with
//   cell_methods "time: sum" and, when the position is known, coordinates "lat lon station_name".
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "calendar/interval.h"
#include "calendar/utc_offset.h"
#include "netcdf/netcdf_file.h"
#include "places/position.h"

namespace raingen::netcdf {

inline constexpr int cf_deflate_level = 4;
inline constexpr std::size_t cf_time_chunk = 30 * calendar::intervals_per_day;

// The chunk length along a time dimension of the given length (0: unlimited): 30 days, or the
// whole dimension when it is shorter, since a chunk may not be longer than a fixed dimension.
inline std::size_t cf_chunk_length(std::size_t length) {
  return length == 0 || length > cf_time_chunk ? cf_time_chunk : length;
}

// The global attributes; featureType only with a position.
void put_cf_globals(File& file, const std::string& title, const std::string& source, const std::string& history,
                    bool located);

struct CfTime {
  int dimension = -1;
  int time = -1;    // double minutes since the start: the middle of each interval
  int bounds = -1;  // double (time, nv): start and end of each interval
};
// Defines the time dimension (length 0: unlimited), time and time_bnds, its units and clock as
// above for a series whose day 1 begins at start on the clock of utc_offset (when stated).
CfTime define_cf_time(File& file, calendar::TimePoint start, const std::optional<calendar::UtcOffset>& utc_offset,
                      std::size_t length);
// "minutes since 2001-01-01 00:00:00": from start, or from start in UTC when an offset is given.
std::string cf_time_units(calendar::TimePoint start, const std::optional<calendar::UtcOffset>& utc_offset);

// The start (on the series' own clock) and the clock of a time variable as define_cf_time writes
// them, or as earlier versions did (the offset after the units' start, that start on the series'
// clock); or what is wrong with them.
struct CfStart {
  calendar::TimePoint start;
  std::optional<calendar::UtcOffset> utc_offset;
};
std::variant<CfStart, std::string> read_cf_start(const File& file, int time);

// The time of interval k (from 0) in the file: its middle, 15 k + 7.5 minutes after the start.
inline double cf_interval_time(std::size_t k) {
  return static_cast<double>(k) * calendar::minutes_per_interval + calendar::minutes_per_interval / 2.0;
}

// Writes the times and bounds of count intervals from interval first (from 0).
void put_cf_times(File& file, const CfTime& time, std::size_t first, std::size_t count);

// The site: station_name, and lat and lon when the position is known. Defined before
// end_definitions, their values put with put_site after it.
struct CfSite {
  int name = -1;
  int latitude = -1, longitude = -1;
  std::string station;
  std::optional<places::Coordinates> position;
  bool located = false;  // the depths a located time series: linked to the position
  // The coordinates attribute of a depth variable: "lat lon station_name", or none ("") for
  // depths that are no located time series: they need no station coordinate, and CDO would take
  // the text variable for its x axis and skip the depths.
  std::string coordinates() const;
};
// With locate (and a position), the depths are a CF time series at the position (cf_role on the
// name, the coordinates attribute on the depths); without, the position is only stated (lat and
// lon unlinked), so that CDO takes a second dimension of the depths for their grid, not for levels.
CfSite define_site(File& file, const std::string& station, const std::optional<places::Coordinates>& position,
                   bool locate = true);
// Puts the site's coordinates attribute on a variable (none without a position). Every variable
// over the realizations takes it too, so that CDO finds one grid (the site) in the whole file.
void put_site_coordinates(File& file, int variable, const CfSite& site);
void put_site(File& file, const CfSite& site);

// Defines a depth variable over the given dimensions of type float or double, its units
// attribute `units` ("mm" or "in"), its coordinates those of the site, compressed in chunks of
// the given lengths (shuffled first unless shuffle is false).
int define_depth(File& file, const char* name, std::span<const int> dimensions, nc_type type, std::string_view units,
                 const CfSite& site, std::span<const std::size_t> chunk, int deflate_level = cf_deflate_level,
                 bool shuffle = true);

}  // namespace raingen::netcdf
