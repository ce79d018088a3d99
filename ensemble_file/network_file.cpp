#include "ensemble_file/network_file.h"

#include <algorithm>
#include <array>
#include <cctype>

#include <fmt/format.h>

#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"

namespace raingen::ensemble_file {
namespace fs = std::filesystem;
using netcdf::File;

namespace {

constexpr const char* checksum_attribute = "raingen_inputs_checksum";
constexpr const char* coordinates_attribute = "raingen_coordinates";
constexpr const char* map_unit_attribute = "raingen_map_unit";
// As the one-site ensemble's depths: compressed fast while the next runs go on.
constexpr int network_deflate_level = 1;
constexpr bool network_shuffle = false;
// The checksummed chunks of the variables over realizations and sites.
constexpr std::size_t per_run_chunk = 1 << 12;
constexpr std::size_t fill_part_length = 2000 * calendar::intervals_per_day;

const char* coordinates_text(network::CoordinateSystem coordinates) {
  return coordinates == network::CoordinateSystem::degrees ? "degrees" : "planar";
}

// The names of the site's two position variables, the first of each pair of coordinates.
std::array<const char*, 2> position_names(network::CoordinateSystem coordinates) {
  return coordinates == network::CoordinateSystem::degrees ? std::array{"lat", "lon"} : std::array{"x", "y"};
}

std::string lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
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
  const std::string unit = lower(map_unit);
  for (const Spelling& spelling : spellings)
    if (unit == spelling.name) return spelling.units;
  return "1";
}

}  // namespace

namespace {

// The dimensions and the variables of the realizations and the sites, as a network file defines them.
struct NetworkIds {
  netcdf::CfTime time;
  int realization = -1, site = -1, strlen = -1;
  int number = -1, seed = -1, status = -1, name = -1;
  std::array<int, 2> position{};
  std::size_t longest = 1;  // of the sites' names
};

void put_network_globals(netcdf::File& file, const NetworkLayout& layout) {
  const bool degrees = layout.coordinates == network::CoordinateSystem::degrees;
  netcdf::put_cf_globals(file,
                         fmt::format("Synthetic 15-minute rainfall at the {} sites of a gauge network: an ensemble of "
                                     "realizations",
                                     layout.sites.size()),
                         layout.source, layout.history, degrees);
  file.put_text(NC_GLOBAL, checksum_attribute, layout.checksum);
  file.put_text(NC_GLOBAL, coordinates_attribute, coordinates_text(layout.coordinates));
  if (!degrees) file.put_text(NC_GLOBAL, map_unit_attribute, layout.map_unit);
  if (layout.part) put_part_attributes(file, *layout.part);
}

void define_realizations(netcdf::File& file, const NetworkLayout& layout, NetworkIds& ids) {
  const std::size_t realizations = static_cast<std::size_t>(layout.realizations), sites = layout.sites.size();
  const std::size_t realization_chunk = std::min(realizations, per_run_chunk),
                    site_chunk = std::min(sites, per_run_chunk);
  ids.number = file.define_variable("realization", NC_INT, std::array{ids.realization});
  file.put_text(ids.number, "standard_name", "realization");
  file.put_text(ids.number, "long_name", "number of the realization");
  file.put_text(ids.number, "units", "1");
  // CDO reads a variable over (time, realization, site) as (time, level, cell) only when the
  // realizations are its Z axis: the sites are then one unstructured grid, the realizations its
  // levels, as in the one-site file. Without it CDO takes realization x site for a 2-D grid and skips
  // the depths unless K happens to equal the number of sites.
  file.put_text(ids.number, "axis", "Z");
  file.checksum(ids.number, std::array{realization_chunk});
  ids.seed = file.define_variable("seed", NC_INT, std::array{ids.realization});
  file.put_text(ids.seed, "long_name", "RAINGEN_SEED of the realization's run at every site");
  file.put_text(ids.seed, "units", "1");
  file.checksum(ids.seed, std::array{realization_chunk});
  ids.status = file.define_variable("status", NC_BYTE, std::array{ids.realization, ids.site});
  file.put_text(ids.status, "long_name", "how the run of the realization at the site ended");
  file.put_numbers(ids.status, "flag_values", NC_BYTE, std::array{0.0, 1.0});
  file.put_text(ids.status, "flag_meanings", "complete failed");
  file.put_text(ids.status, "units", "1");
  file.checksum(ids.status, std::array{realization_chunk, site_chunk});
}

void define_sites(netcdf::File& file, const NetworkLayout& layout, NetworkIds& ids) {
  const bool degrees = layout.coordinates == network::CoordinateSystem::degrees;
  const std::size_t site_chunk = std::min(layout.sites.size(), per_run_chunk);
  ids.name = file.define_variable("site_name", NC_CHAR, std::array{ids.site, ids.strlen});
  file.put_text(ids.name, "long_name", "name of the site");
  file.put_text(ids.name, "cf_role", "timeseries_id");
  file.put_text(ids.name, "_Encoding", "utf-8");
  const std::array<const char*, 2> names = position_names(layout.coordinates);
  for (std::size_t k = 0; k < 2; ++k) {
    ids.position[k] = file.define_variable(names[k], NC_DOUBLE, std::array{ids.site});
    if (degrees) {
      file.put_text(ids.position[k], "standard_name", k == 0 ? "latitude" : "longitude");
      file.put_text(ids.position[k], "long_name", k == 0 ? "latitude of the site" : "longitude of the site");
      file.put_text(ids.position[k], "units", k == 0 ? "degrees_north" : "degrees_east");
    } else {
      file.put_text(ids.position[k], "long_name",
                    fmt::format("{} of the site in the network's map unit ({})", names[k], layout.map_unit));
      file.put_text(ids.position[k], "units", planar_units(layout.map_unit));
    }
    file.checksum(ids.position[k], std::array{site_chunk});
  }
}

// The depth variable's attributes as every file of the tools has them (define_depth), but over
// the sites: the coordinates are per site, not the one-site scalars.
int define_network_rainfall(netcdf::File& file, const NetworkIds& ids, const std::string& coordinates) {
  const int rainfall =
      file.define_variable("rainfall", NC_FLOAT, std::array{ids.time.dimension, ids.realization, ids.site});
  file.put_text(rainfall, "standard_name", "lwe_thickness_of_precipitation_amount");
  file.put_text(rainfall, "long_name", "rainfall depth in the 15-minute interval");
  file.put_text(rainfall, "units", "mm");
  file.put_text(rainfall, "cell_methods", "time: sum");
  file.put_text(rainfall, "coordinates", coordinates);
  file.put_text(rainfall, "ancillary_variables", "status");
  file.compress(rainfall, network_deflate_level, std::array{netcdf::cf_time_chunk, std::size_t{1}, std::size_t{1}},
                network_shuffle);
  file.check(nc_put_att_float(file.id(), rainfall, "_FillValue", NC_FLOAT, 1, &failed_fill_value), "_FillValue");
  return rainfall;
}

// The values known from the start: the realizations' numbers and seeds, the sites' names and
// positions, the times.
void put_network_values(netcdf::File& file, const NetworkLayout& layout, const NetworkIds& ids) {
  const std::size_t realizations = static_cast<std::size_t>(layout.realizations), sites = layout.sites.size();
  std::vector<int> numbers(realizations), seeds(realizations);
  for (std::size_t k = 0; k < realizations; ++k) {
    numbers[k] = static_cast<int>(layout.first_number() + static_cast<long>(k));
    seeds[k] = static_cast<int>(layout.first_seed + static_cast<long>(k));
  }
  file.check(nc_put_var_int(file.id(), ids.number, numbers.data()), "realization");
  file.check(nc_put_var_int(file.id(), ids.seed, seeds.data()), "seed");
  std::string names_text(sites * ids.longest, '\0');
  std::array<std::vector<double>, 2> positions;
  for (std::size_t s = 0; s < sites; ++s) {
    std::copy(layout.sites[s].name.begin(), layout.sites[s].name.end(),
              names_text.begin() + static_cast<long>(s * ids.longest));
    positions[0].push_back(layout.sites[s].position.a);
    positions[1].push_back(layout.sites[s].position.b);
  }
  file.check(nc_put_var_text(file.id(), ids.name, names_text.data()), "site_name");
  const std::array<const char*, 2> names = position_names(layout.coordinates);
  for (std::size_t k = 0; k < 2; ++k)
    file.check(nc_put_var_double(file.id(), ids.position[k], positions[k].data()), names[k]);
  for (std::size_t first = 0; first < layout.intervals; first += netcdf::cf_time_chunk)
    netcdf::put_cf_times(file, ids.time, first, std::min(netcdf::cf_time_chunk, layout.intervals - first));
}

}  // namespace

NetworkWriter::NetworkWriter(const fs::path& path, const std::string& shown_name, const NetworkLayout& layout)
    : file_(path, shown_name), intervals_(layout.intervals), sites_(static_cast<long>(layout.sites.size())) {
  put_network_globals(file_, layout);
  NetworkIds ids;
  ids.time = netcdf::define_cf_time(file_, layout.start, layout.utc_offset, 0);
  ids.realization = file_.define_dimension("realization", static_cast<std::size_t>(layout.realizations));
  ids.site = file_.define_dimension("site", layout.sites.size());
  for (const NetworkFileSite& each : layout.sites) ids.longest = std::max(ids.longest, each.name.size());
  ids.strlen = file_.define_dimension("name_strlen", ids.longest);
  define_realizations(file_, layout, ids);
  status_ = ids.status;
  define_sites(file_, layout, ids);
  const std::array<const char*, 2> names = position_names(layout.coordinates);
  const std::string coordinates = fmt::format("{} {} site_name", names[0], names[1]);
  file_.put_text(status_, "coordinates", coordinates);
  rainfall_ = define_network_rainfall(file_, ids, coordinates);
  file_.end_definitions();
  put_network_values(file_, layout, ids);
}

void NetworkWriter::put_depths(long realization, long site, std::size_t first, std::span<const float> depths) {
  const std::array<std::size_t, 3> start{first, static_cast<std::size_t>(realization), static_cast<std::size_t>(site)},
      count{depths.size(), 1, 1};
  file_.check(nc_put_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths.data()), "rainfall");
}

void NetworkWriter::put_complete(long realization, long site) {
  const std::array<std::size_t, 2> at{static_cast<std::size_t>(realization), static_cast<std::size_t>(site)};
  const signed char complete = 0;
  file_.check(nc_put_var1_schar(file_.id(), status_, at.data(), &complete), "status");
}

void NetworkWriter::put_failed(long realization, long site) {
  const std::array<std::size_t, 2> at{static_cast<std::size_t>(realization), static_cast<std::size_t>(site)};
  const signed char failed = 1;
  file_.check(nc_put_var1_schar(file_.id(), status_, at.data(), &failed), "status");
  fill_part_.resize(std::min(intervals_, fill_part_length), failed_fill_value);
  for (std::size_t first = 0; first < intervals_; first += fill_part_.size())
    put_depths(realization, site, first,
               std::span<const float>(fill_part_).first(std::min(fill_part_.size(), intervals_ - first)));
}

void NetworkWriter::close() { file_.close(); }

NetworkReader::NetworkReader(const fs::path& path) : CheckedReading(path, "a network ensemble file") {
  const auto realizations = file_.dimension_length("realization");
  const auto intervals = file_.dimension_length("time");
  const auto sites = file_.dimension_length("site");
  if (realizations && intervals && !sites && file_.find_variable("seed"))
    throw common::ToolError(file_.shown_name(), 0,
                            "is a one-site ensemble file (its depths are over no sites), where a network ensemble file "
                            "is expected: a one-site file is read without --network");
  if (!realizations || !intervals || !sites) refuse("it has no time, realization and site dimensions");
  // Every variable's shape before any is read: each is read into a buffer its dimensions size.
  check_declared_sizes(file_, {*realizations, *sites, *intervals, file_.dimension_length("name_strlen").value_or(0)},
                       [this](const std::string& what) { refuse(what); });
  layout_.realizations = static_cast<long>(*realizations);
  layout_.intervals = *intervals;
  status_ = shaped("status", NC_BYTE, {"realization", "site"});
  rainfall_ = shaped("rainfall", NC_FLOAT, {"time", "realization", "site"});
  if (file_.text_attribute(rainfall_, "units") != "mm") refuse("rainfall is not in mm");
  read_start();
  check_times();
  seeds_.resize(*realizations);
  file_.check(nc_get_var_int(file_.id(), shaped("seed", NC_INT, {"realization"}), seeds_.data()), "seed");
  if (!seeds_.empty()) layout_.first_seed = seeds_.front();
  numbers_.resize(*realizations);
  file_.check(nc_get_var_int(file_.id(), shaped("realization", NC_INT, {"realization"}), numbers_.data()),
              "realization");
  read_sites();
  layout_.source = file_.text_attribute(NC_GLOBAL, "source").value_or("");
  layout_.history = file_.text_attribute(NC_GLOBAL, "history").value_or("");
  layout_.checksum = file_.text_attribute(NC_GLOBAL, checksum_attribute).value_or("");
  layout_.part = read_part_attributes(file_, [this](const std::string& what) { refuse(what); });
}

// The sites' names and positions: lat and lon in degrees, or x and y in the map unit.
void NetworkReader::read_sites() {
  const std::size_t sites = *file_.dimension_length("site");
  const std::size_t longest = file_.dimension_length("name_strlen").value_or(0);
  const int name = shaped("site_name", NC_CHAR, {"site", "name_strlen"});
  std::string names(sites * longest, '\0');
  if (!names.empty()) file_.check(nc_get_var_text(file_.id(), name, names.data()), "site_name");
  const bool degrees = file_.find_variable("lat").has_value();
  layout_.coordinates = degrees ? network::CoordinateSystem::degrees : network::CoordinateSystem::planar;
  if (!degrees) layout_.map_unit = file_.text_attribute(NC_GLOBAL, map_unit_attribute).value_or("");
  const std::array<const char*, 2> coordinate = position_names(layout_.coordinates);
  std::array<std::vector<double>, 2> positions;
  for (std::size_t k = 0; k < 2; ++k) {
    if (!file_.find_variable(coordinate[k]))
      refuse(std::string("it has no variable ") + coordinate[k] + " (nor lat and lon, nor x and y)");
    positions[k].resize(sites);
    file_.check(nc_get_var_double(file_.id(), shaped(coordinate[k], NC_DOUBLE, {"site"}), positions[k].data()),
                coordinate[k]);
  }
  for (std::size_t s = 0; s < sites; ++s) {
    std::string text = names.substr(s * longest, longest);
    text.resize(std::min(text.size(), text.find('\0')));
    if (text.empty()) refuse(fmt::format("site {} has no name", s + 1));
    layout_.sites.push_back({std::move(text), {positions[0][s], positions[1][s]}});
  }
}

std::optional<long> NetworkReader::site_index(std::string_view name) const {
  const std::string wanted = lower(name);
  for (std::size_t s = 0; s < layout_.sites.size(); ++s)
    if (lower(layout_.sites[s].name) == wanted) return static_cast<long>(s);
  return std::nullopt;
}

// The start and clock of the times (netcdf/cf_series.h).
void NetworkReader::read_start() {
  const netcdf::CfStart start = cf_start();
  layout_.start = start.start;
  layout_.utc_offset = start.utc_offset;
}

void NetworkReader::check_times() const {
  check_stamps(shaped("time", NC_DOUBLE, {"time"}), layout_.intervals, netcdf::cf_interval_time,
               "its times are not the middles of 15-minute intervals from the start (7.5, 22.5, ...)");
}

int NetworkReader::seed(long realization) const { return seeds_.at(static_cast<std::size_t>(realization)); }

long NetworkReader::number(long realization) const { return numbers_.at(static_cast<std::size_t>(realization)); }

bool NetworkReader::complete(long realization, long site) const {
  const std::array<std::size_t, 2> at{static_cast<std::size_t>(realization), static_cast<std::size_t>(site)};
  signed char value = 1;
  file_.check(nc_get_var1_schar(file_.id(), status_, at.data(), &value), "status");
  if (value != 0 && value != 1)
    throw common::ToolError(file_.shown_name(), 0,
                            fmt::format("the status of realization {} at site {} is {}, neither 0 (complete) nor 1 "
                                        "(failed): the file is damaged",
                                        realization + 1, layout_.sites.at(static_cast<std::size_t>(site)).name, value));
  return value == 0;
}

void NetworkReader::read(long realization, long site, std::span<float> depths) const {
  const std::array<std::size_t, 3> start{0, static_cast<std::size_t>(realization), static_cast<std::size_t>(site)},
      count{std::min(depths.size(), layout_.intervals), 1, 1};
  file_.check(nc_get_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths.data()), "rainfall");
  if (complete(realization, site))
    check_depths(depths.first(std::min(depths.size(), layout_.intervals)), file_.shown_name(),
                 fmt::format("realization {} at site {}", number(realization),
                             layout_.sites.at(static_cast<std::size_t>(site)).name));
}

bool is_network_file(const fs::path& path) {
  const File file(path, path.string(), File::ForReading{});
  return file.dimension_length("site").has_value();
}

}  // namespace raingen::ensemble_file
