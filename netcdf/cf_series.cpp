#include "netcdf/cf_series.h"

#include <array>
#include <sstream>
#include <vector>

#include "calendar/time_text.h"

namespace raingen::netcdf {

namespace {

constexpr const char* time_calendar = "proleptic_gregorian";
constexpr const char* clock_attribute = "raingen_utc_offset";

void put_coordinate(File& file, int variable, const char* standard_name, const char* long_name, const char* units) {
  file.put_text(variable, "standard_name", standard_name);
  file.put_text(variable, "long_name", long_name);
  file.put_text(variable, "units", units);
}

}  // namespace

void put_cf_globals(File& file, const std::string& title, const std::string& source, const std::string& history,
                    bool located) {
  file.put_text(NC_GLOBAL, "Conventions", "CF-1.8");
  if (located) file.put_text(NC_GLOBAL, "featureType", "timeSeries");
  file.put_text(NC_GLOBAL, "title", title);
  file.put_text(NC_GLOBAL, "source", source);
  file.put_text(NC_GLOBAL, "history", history);
}

std::string cf_time_units(calendar::TimePoint start, const std::optional<calendar::UtcOffset>& utc_offset) {
  return "minutes since " + calendar::second_text(utc_offset ? start - utc_offset->offset() : start);
}

std::variant<CfStart, std::string> read_cf_start(const File& file, int time) {
  const std::string units = file.text_attribute(time, "units").value_or("");
  CfStart found;
  std::istringstream since(units);
  since >> date::parse("minutes since %F %T", found.start);
  if (since.fail()) return std::string("its time units are not 'minutes since' a start");
  std::string rest;
  std::getline(since, rest);
  if (const auto clock = file.text_attribute(time, clock_attribute)) {
    found.utc_offset = calendar::UtcOffset::parse(*clock);
    if (!found.utc_offset)
      return "its time " + std::string(clock_attribute) + " '" + *clock + "' is no offset from UTC (+HH:MM)";
    if (!rest.empty()) return "its time units end in '" + rest + "' and " + clock_attribute + " states the clock too";
    found.start += found.utc_offset->offset();
  } else if (!rest.empty()) {
    found.utc_offset = rest[0] == ' ' ? calendar::UtcOffset::parse(std::string_view(rest).substr(1)) : std::nullopt;
    if (!found.utc_offset) return "its time units end in '" + rest + "', which is no offset from UTC (+HH:MM)";
  }
  if (!calendar::on_grid(found.start))
    return std::string("its time units are not 'minutes since' a start on the 15-minute grid");
  return found;
}

CfTime define_cf_time(File& file, calendar::TimePoint start, const std::optional<calendar::UtcOffset>& utc_offset,
                      std::size_t length) {
  CfTime time;
  time.dimension = file.define_dimension("time", length);
  const int bounds_dimension = file.define_dimension("nv", 2);
  time.time = file.define_variable("time", NC_DOUBLE, std::array{time.dimension});
  file.put_text(time.time, "standard_name", "time");
  file.put_text(time.time, "long_name", "middle of the 15-minute interval");
  file.put_text(time.time, "units", cf_time_units(start, utc_offset));
  if (utc_offset) {
    file.put_text(time.time, clock_attribute, utc_offset->text());
    file.put_text(time.time, "comment",
                  "UTC. The series' days are those of the clock UTC" + utc_offset->text() +
                      " (the gauges'): shift these times by " + utc_offset->text() + " to read them on it");
  } else {
    file.put_text(time.time, "comment",
                  "the gauges' own clock, its offset from UTC not stated (CF readers take it for UTC)");
  }
  file.put_text(time.time, "calendar", time_calendar);
  file.put_text(time.time, "axis", "T");
  file.put_text(time.time, "bounds", "time_bnds");
  // A boundary variable takes its coordinate's units and calendar (CF checkers warn when it
  // repeats them).
  time.bounds = file.define_variable("time_bnds", NC_DOUBLE, std::array{time.dimension, bounds_dimension});
  const std::size_t chunk = cf_chunk_length(length);
  file.compress(time.time, cf_deflate_level, std::array{chunk});
  file.compress(time.bounds, cf_deflate_level, std::array{chunk, std::size_t{2}});
  return time;
}

void put_cf_times(File& file, const CfTime& time, std::size_t first, std::size_t count) {
  std::vector<double> middles, bounds;
  middles.reserve(count);
  bounds.reserve(2 * count);
  for (std::size_t k = first; k < first + count; ++k) {
    const double start = static_cast<double>(k) * calendar::minutes_per_interval;
    middles.push_back(cf_interval_time(k));
    bounds.push_back(start);
    bounds.push_back(start + calendar::minutes_per_interval);
  }
  const std::array<std::size_t, 2> start{first, 0}, counts{count, 2};
  file.check(nc_put_vara_double(file.id(), time.time, start.data(), counts.data(), middles.data()), "time");
  file.check(nc_put_vara_double(file.id(), time.bounds, start.data(), counts.data(), bounds.data()), "time_bnds");
}

std::string CfSite::coordinates() const { return located ? "lat lon station_name" : ""; }

CfSite define_site(File& file, const std::string& station, const std::optional<places::Coordinates>& position,
                   bool locate) {
  CfSite site;
  site.station = station;
  site.position = position;
  site.located = locate && position;
  if (position) {
    site.latitude = file.define_variable("lat", NC_DOUBLE, {});
    put_coordinate(file, site.latitude, "latitude", "latitude of the site", "degrees_north");
    site.longitude = file.define_variable("lon", NC_DOUBLE, {});
    put_coordinate(file, site.longitude, "longitude", "longitude of the site", "degrees_east");
  }
  const int length = file.define_dimension("name_strlen", station.size());
  site.name = file.define_variable("station_name", NC_CHAR, std::array{length});
  file.put_text(site.name, "long_name", "name of the site");
  // A series without a position is no located time series (no featureType), whose id this would be.
  if (site.located) file.put_text(site.name, "cf_role", "timeseries_id");
  file.put_text(site.name, "_Encoding", "utf-8");
  return site;
}

void put_site_coordinates(File& file, int variable, const CfSite& site) {
  if (const std::string coordinates = site.coordinates(); !coordinates.empty())
    file.put_text(variable, "coordinates", coordinates);
}

void put_site(File& file, const CfSite& site) {
  file.check(nc_put_var_text(file.id(), site.name, site.station.data()), "station_name");
  if (site.position) {
    file.check(nc_put_var_double(file.id(), site.latitude, &site.position->latitude), "lat");
    file.check(nc_put_var_double(file.id(), site.longitude, &site.position->longitude), "lon");
  }
}

int define_depth(File& file, const char* name, std::span<const int> dimensions, nc_type type, std::string_view units,
                 const CfSite& site, std::span<const std::size_t> chunk, int deflate_level, bool shuffle) {
  const int variable = file.define_variable(name, type, dimensions);
  file.put_text(variable, "standard_name", "lwe_thickness_of_precipitation_amount");
  file.put_text(variable, "long_name", "rainfall depth in the 15-minute interval");
  file.put_text(variable, "units", units);
  file.put_text(variable, "cell_methods", "time: sum");
  put_site_coordinates(file, variable, site);
  file.compress(variable, deflate_level, chunk, shuffle);
  return variable;
}

}  // namespace raingen::netcdf
