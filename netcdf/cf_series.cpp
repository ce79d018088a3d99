#include "netcdf/cf_series.h"

#include <array>
#include <vector>

#include "calendar/time_text.h"

namespace raingen::netcdf {

void put_cf_globals(File& file, const std::string& title, const std::string& source) {
  file.put_text(NC_GLOBAL, "Conventions", "CF-1.8");
  file.put_text(NC_GLOBAL, "featureType", "timeSeries");
  file.put_text(NC_GLOBAL, "title", title);
  file.put_text(NC_GLOBAL, "source", source);
}

CfTime define_cf_time(File& file, calendar::TimePoint start, std::size_t length) {
  CfTime time;
  time.dimension = file.define_dimension("time", length);
  const int bounds_dimension = file.define_dimension("nv", 2);
  time.time = file.define_variable("time", NC_INT, std::array{time.dimension});
  file.put_text(time.time, "standard_name", "time");
  file.put_text(time.time, "long_name", "end of the 15-minute interval");
  file.put_text(time.time, "units", "minutes since " + calendar::second_text(start));
  file.put_text(time.time, "calendar", "proleptic_gregorian");
  file.put_text(time.time, "axis", "T");
  file.put_text(time.time, "bounds", "time_bnds");
  time.bounds = file.define_variable("time_bnds", NC_INT, std::array{time.dimension, bounds_dimension});
  const std::size_t chunk = cf_chunk_length(length);
  file.compress(time.time, cf_deflate_level, std::array{chunk});
  file.compress(time.bounds, cf_deflate_level, std::array{chunk, std::size_t{2}});
  return time;
}

int define_station_name(File& file, const std::string& station) {
  const int length = file.define_dimension("name_strlen", station.size());
  const int variable = file.define_variable("station_name", NC_CHAR, std::array{length});
  file.put_text(variable, "long_name", "name of the site");
  file.put_text(variable, "cf_role", "timeseries_id");
  return variable;
}

void put_station_name(File& file, int variable, const std::string& station) {
  file.check(nc_put_var_text(file.id(), variable, station.data()), "station_name");
}

int define_depth(File& file, const char* name, std::span<const int> dimensions, nc_type type,
                 std::string_view units, std::span<const std::size_t> chunk, int deflate_level, bool shuffle) {
  const int variable = file.define_variable(name, type, dimensions);
  file.put_text(variable, "standard_name", "lwe_thickness_of_precipitation_amount");
  file.put_text(variable, "long_name", "rainfall depth in the 15-minute interval");
  file.put_text(variable, "units", units);
  file.put_text(variable, "cell_methods", "time: sum");
  file.put_text(variable, "coordinates", "station_name");
  file.compress(variable, deflate_level, chunk, shuffle);
  return variable;
}

void put_cf_times(File& file, const CfTime& time, std::size_t first, std::span<const int> ends) {
  std::vector<int> bounds;
  bounds.reserve(2 * ends.size());
  for (int end : ends) {
    bounds.push_back(end - calendar::minutes_per_interval);
    bounds.push_back(end);
  }
  const std::array<std::size_t, 2> start{first, 0}, count{ends.size(), 2};
  file.check(nc_put_vara_int(file.id(), time.time, start.data(), count.data(), ends.data()), "time");
  file.check(nc_put_vara_int(file.id(), time.bounds, start.data(), count.data(), bounds.data()), "time_bnds");
}

}  // namespace raingen::netcdf
