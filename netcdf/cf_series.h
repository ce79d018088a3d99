// How raingen's files describe a 15-minute rainfall series in CF-1.8 terms, shared by every
// netCDF file the tools write (one series here; realizations side by side in the ensemble's):
// - global: Conventions "CF-1.8", featureType "timeSeries", a title and a source;
// - time: int minutes since day 1 begins, at the end of each interval, with time_bnds holding
//   (end - 15, end], on the proleptic Gregorian calendar that the tools' dates follow;
// - station_name: the series' name, cf_role "timeseries_id";
// - the depths: mm (or in) per interval, lwe_thickness_of_precipitation_amount with
//   cell_methods "time: sum", deflated with the shuffle filter in chunks of 30 days.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "calendar/interval.h"
#include "netcdf/netcdf_file.h"

namespace raingen::netcdf {

inline constexpr int cf_deflate_level = 4;
inline constexpr std::size_t cf_time_chunk = 30 * calendar::intervals_per_day;

// The chunk length along a time dimension of the given length (0: unlimited): 30 days, or the
// whole dimension when it is shorter, since a chunk may not be longer than a fixed dimension.
inline std::size_t cf_chunk_length(std::size_t length) {
  return length == 0 || length > cf_time_chunk ? cf_time_chunk : length;
}

void put_cf_globals(File& file, const std::string& title, const std::string& source);

struct CfTime {
  int dimension = -1;
  int time = -1;    // int minutes since the start: end of each interval
  int bounds = -1;  // int (time, nv): start and end of each interval
};
// Defines the time dimension (length 0: unlimited), time and time_bnds.
CfTime define_cf_time(File& file, calendar::TimePoint start, std::size_t length);

// Defines station_name; its value goes in with put_station_name after end_definitions.
int define_station_name(File& file, const std::string& station);
void put_station_name(File& file, int variable, const std::string& station);

// Defines a depth variable over the given dimensions (time last) of type float or double, its
// units attribute `units` ("mm" or "in"), compressed in chunks of the given lengths (shuffled
// first unless shuffle is false).
int define_depth(File& file, const char* name, std::span<const int> dimensions, nc_type type,
                 std::string_view units, std::span<const std::size_t> chunk, int deflate_level = cf_deflate_level,
                 bool shuffle = true);

// Writes the time and bounds of count intervals from interval first (from 0), whose ends lie
// ends[k] minutes after the start.
void put_cf_times(File& file, const CfTime& time, std::size_t first, std::span<const int> ends);

}  // namespace raingen::netcdf
