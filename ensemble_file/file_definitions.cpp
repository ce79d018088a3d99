#include "ensemble_file/file_definitions.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "common/text.h"
#include "netcdf/cf_series.h"

namespace raingen::ensemble_file {
using netcdf::File;

namespace {

// The depths of each run are compressed as it comes in, while the next runs: at level 1 this takes
// half the time of the tools' usual level 4, for a file about 15% larger. Without the shuffle
// filter (which the tools' double series gain from) a realization of the example, mostly dry
// intervals and depths of a few hundredths, compresses to half the size in three quarters of the
// time.
constexpr int ensemble_deflate_level = 1;
constexpr bool ensemble_shuffle = false;
// The checksummed chunks of the variables over the realizations: one for up to 65536 of a
// one-site file's; of a network's, over realizations and sites, 4096 along each.
constexpr std::size_t realization_chunk = 1 << 16;
constexpr std::size_t per_run_chunk = 1 << 12;

bool in_degrees(const EnsembleLayout& layout) { return layout.coordinates == places::CoordinateSystem::degrees; }

// The names of the sites' two position variables.
std::array<const char*, 2> position_names(const EnsembleLayout& layout) {
  return in_degrees(layout) ? std::array{"lat", "lon"} : std::array{"x", "y"};
}

// The units attribute of x and y: CF takes units that UDUNITS knows, and a map unit is whatever
// the sites file or the SWMM model says ("Meters", "Feet", "None", or none: "map unit"). Metres,
// feet and kilometres are named as UDUNITS names them; any other is a plain number, "1" (the map
// unit's own name stays in long_name and raingen_map_unit).
std::string planar_units(std::string_view map_unit) {
  struct Spelling {
    const char* name;
    const char* units;
  };
  static constexpr Spelling spellings[] = {{"m", "m"},     {"meters", "m"},      {"metres", "m"},     {"meter", "m"},
                                           {"metre", "m"}, {"ft", "ft"},         {"feet", "ft"},      {"foot", "ft"},
                                           {"km", "km"},   {"kilometers", "km"}, {"kilometres", "km"}};
  const std::string unit = common::lowercase(map_unit);
  for (const Spelling& spelling : spellings)
    if (unit == spelling.name) return spelling.units;
  return "1";
}

void put_globals(File& file, const EnsembleLayout& layout) {
  const std::string title =
      layout.over_sites() ? fmt::format("the {} sites of a gauge network", layout.sites.size()) : layout.site;
  netcdf::put_cf_globals(file, "Synthetic 15-minute rainfall at " + title + ": an ensemble of realizations",
                         layout.source, layout.history, layout.over_sites() && in_degrees(layout));
  file.put_text(NC_GLOBAL, "raingen_inputs_checksum", layout.checksum);
  if (layout.over_sites()) {
    file.put_text(NC_GLOBAL, "raingen_coordinates", in_degrees(layout) ? "degrees" : "planar");
    if (!in_degrees(layout)) file.put_text(NC_GLOBAL, "raingen_map_unit", layout.map_unit);
  }
  if (layout.part) put_part_attributes(file, *layout.part);
}

// Every value is written (a failed run's as the fill value), so the library never fills.
void put_fill(File& file, int rainfall) {
  file.put_text(rainfall, "ancillary_variables", "status");
  file.check(nc_put_att_float(file.id(), rainfall, "_FillValue", NC_FLOAT, 1, &failed_fill_value), "_FillValue");
}

void put_status_flags(File& file, int status) {
  file.put_numbers(status, "flag_values", NC_BYTE, std::array{0.0, 1.0});
  file.put_text(status, "flag_meanings", "complete failed");
  file.put_text(status, "units", "1");
}

// The one-site file's variables over the realizations. The position only stated: CDO then takes
// the realizations for the grid of one field a time step (one record per step, not one per
// realization: a 35 x 25-year file takes 1.3 GB, not 11 GB).
FileVariables define_one_site(File& file, const EnsembleLayout& layout, const netcdf::CfTime& time, int realization) {
  const std::array chunk{std::min(static_cast<std::size_t>(layout.realizations), realization_chunk)};
  const auto per_realization = [&](const char* name, nc_type type, const char* long_name) {
    const int variable = file.define_variable(name, type, std::array{realization});
    file.put_text(variable, "long_name", long_name);
    file.checksum(variable, chunk);
    return variable;
  };
  const netcdf::CfSite site = netcdf::define_site(file, layout.site, layout.position, false);
  FileVariables ids;
  ids.number = per_realization("realization", NC_INT, "number of the realization");
  file.put_text(ids.number, "standard_name", "realization");
  file.put_text(ids.number, "units", "1");
  ids.seed = per_realization("seed", NC_INT, "RAINGEN_SEED of the realization's run");
  file.put_text(ids.seed, "units", "1");
  ids.status = per_realization("status", NC_BYTE, "how the realization's run ended");
  put_status_flags(file, ids.status);
  ids.rainfall =
      netcdf::define_depth(file, "rainfall", std::array{time.dimension, realization}, NC_FLOAT, "mm", site,
                           std::array{netcdf::cf_time_chunk, std::size_t{1}}, ensemble_deflate_level, ensemble_shuffle);
  put_fill(file, ids.rainfall);
  file.end_definitions();
  netcdf::put_site(file, site);
  return ids;
}

void define_network_realizations(File& file, const EnsembleLayout& layout, int realization, int site,
                                 FileVariables& ids) {
  const std::size_t realizations = std::min(static_cast<std::size_t>(layout.realizations), per_run_chunk),
                    sites = std::min(layout.sites.size(), per_run_chunk);
  ids.number = file.define_variable("realization", NC_INT, std::array{realization});
  file.put_text(ids.number, "standard_name", "realization");
  file.put_text(ids.number, "long_name", "number of the realization");
  file.put_text(ids.number, "units", "1");
  // CDO reads a variable over (time, realization, site) as (time, level, cell) only when the
  // realizations are its Z axis: the sites are then one unstructured grid, the realizations its
  // levels, as in the one-site file. Without it CDO takes realization x site for a 2-D grid and skips
  // the depths unless K happens to equal the number of sites.
  file.put_text(ids.number, "axis", "Z");
  file.checksum(ids.number, std::array{realizations});
  ids.seed = file.define_variable("seed", NC_INT, std::array{realization});
  file.put_text(ids.seed, "long_name", "RAINGEN_SEED of the realization's run at every site");
  file.put_text(ids.seed, "units", "1");
  file.checksum(ids.seed, std::array{realizations});
  ids.status = file.define_variable("status", NC_BYTE, std::array{realization, site});
  file.put_text(ids.status, "long_name", "how the run of the realization at the site ended");
  put_status_flags(file, ids.status);
  file.checksum(ids.status, std::array{realizations, sites});
}

// The sites' names and positions: lat and lon, or x and y in the map unit.
std::array<int, 3> define_network_sites(File& file, const EnsembleLayout& layout, int site, int strlen) {
  const int name = file.define_variable("site_name", NC_CHAR, std::array{site, strlen});
  file.put_text(name, "long_name", "name of the site");
  file.put_text(name, "cf_role", "timeseries_id");
  file.put_text(name, "_Encoding", "utf-8");
  std::array<int, 3> ids{name, -1, -1};
  const std::array<const char*, 2> names = position_names(layout);
  for (std::size_t k = 0; k < 2; ++k) {
    const int variable = ids[k + 1] = file.define_variable(names[k], NC_DOUBLE, std::array{site});
    if (in_degrees(layout)) {
      file.put_text(variable, "standard_name", k == 0 ? "latitude" : "longitude");
      file.put_text(variable, "long_name", k == 0 ? "latitude of the site" : "longitude of the site");
      file.put_text(variable, "units", k == 0 ? "degrees_north" : "degrees_east");
    } else {
      file.put_text(variable, "long_name",
                    fmt::format("{} of the site in the network's map unit ({})", names[k], layout.map_unit));
      file.put_text(variable, "units", planar_units(layout.map_unit));
    }
    file.checksum(variable, std::array{std::min(layout.sites.size(), per_run_chunk)});
  }
  return ids;
}

// The depth variable's attributes as every file of the tools has them (define_depth), but over
// the sites: the coordinates are per site, not the one-site scalars.
int define_network_rainfall(File& file, std::array<int, 3> dimensions, const std::string& coordinates) {
  const int rainfall = file.define_variable("rainfall", NC_FLOAT, dimensions);
  file.put_text(rainfall, "standard_name", "lwe_thickness_of_precipitation_amount");
  file.put_text(rainfall, "long_name", "rainfall depth in the 15-minute interval");
  file.put_text(rainfall, "units", "mm");
  file.put_text(rainfall, "cell_methods", "time: sum");
  file.put_text(rainfall, "coordinates", coordinates);
  file.compress(rainfall, ensemble_deflate_level, std::array{netcdf::cf_time_chunk, std::size_t{1}, std::size_t{1}},
                ensemble_shuffle);
  return rainfall;
}

void put_network_sites(File& file, const EnsembleLayout& layout, const std::array<int, 3>& ids, std::size_t longest) {
  std::string names(layout.sites.size() * longest, '\0');
  std::array<std::vector<double>, 2> positions;
  for (std::size_t s = 0; s < layout.sites.size(); ++s) {
    std::copy(layout.sites[s].name.begin(), layout.sites[s].name.end(), names.begin() + static_cast<long>(s * longest));
    positions[0].push_back(layout.sites[s].position.a);
    positions[1].push_back(layout.sites[s].position.b);
  }
  file.check(nc_put_var_text(file.id(), ids[0], names.data()), "site_name");
  for (std::size_t k = 0; k < 2; ++k)
    file.check(nc_put_var_double(file.id(), ids[k + 1], positions[k].data()), position_names(layout)[k]);
}

FileVariables define_network(File& file, const EnsembleLayout& layout, const netcdf::CfTime& time, int realization) {
  const int site = file.define_dimension("site", layout.sites.size());
  std::size_t longest = 1;
  for (const FileSite& each : layout.sites) longest = std::max(longest, each.name.size());
  const int strlen = file.define_dimension("name_strlen", longest);
  FileVariables ids;
  define_network_realizations(file, layout, realization, site, ids);
  const std::array<int, 3> site_ids = define_network_sites(file, layout, site, strlen);
  const std::string coordinates = fmt::format("{} {} site_name", position_names(layout)[0], position_names(layout)[1]);
  file.put_text(ids.status, "coordinates", coordinates);
  ids.rainfall = define_network_rainfall(file, {time.dimension, realization, site}, coordinates);
  put_fill(file, ids.rainfall);
  file.end_definitions();
  put_network_sites(file, layout, site_ids, longest);
  return ids;
}

}  // namespace

FileVariables define_ensemble_file(File& file, const EnsembleLayout& layout) {
  put_globals(file, layout);
  // Unlimited, so that NCO's record operators take time as their record dimension.
  const netcdf::CfTime time = netcdf::define_cf_time(file, layout.start, layout.utc_offset, 0);
  const int realization = file.define_dimension("realization", static_cast<std::size_t>(layout.realizations));
  const FileVariables ids = layout.over_sites() ? define_network(file, layout, time, realization)
                                                : define_one_site(file, layout, time, realization);
  std::vector<int> numbers(static_cast<std::size_t>(layout.realizations)), seeds(numbers.size());
  for (std::size_t k = 0; k < numbers.size(); ++k) {
    numbers[k] = static_cast<int>(layout.first_number() + static_cast<long>(k));
    seeds[k] = static_cast<int>(layout.first_seed + static_cast<long>(k));
  }
  file.check(nc_put_var_int(file.id(), ids.number, numbers.data()), "realization");
  file.check(nc_put_var_int(file.id(), ids.seed, seeds.data()), "seed");
  for (std::size_t first = 0; first < layout.intervals; first += netcdf::cf_time_chunk)
    netcdf::put_cf_times(file, time, first, std::min(netcdf::cf_time_chunk, layout.intervals - first));
  return ids;
}

}  // namespace raingen::ensemble_file
