#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "common/text.h"
#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"

namespace raingen::ensemble_file {
namespace fs = std::filesystem;

namespace {

const char* kind_text(EnsembleReader::Kind kind) {
  return kind == EnsembleReader::Kind::network ? "a network ensemble file" : "an ensemble file";
}

}  // namespace

EnsembleReader::EnsembleReader(const fs::path& path, Kind kind)
    : CheckedReading(path, kind_text(kind)), network_(kind == Kind::network) {
  check_kind(kind);
  read_shapes();
  if (file_.text_attribute(rainfall_, "units") != "mm") refuse("rainfall is not in mm");
  const netcdf::CfStart start = cf_start();
  layout_.start = start.start;
  layout_.utc_offset = start.utc_offset;
  check_times();
  seeds_.resize(static_cast<std::size_t>(layout_.realizations));
  file_.check(nc_get_var_int(file_.id(), shaped("seed", NC_INT, {"realization"}), seeds_.data()), "seed");
  if (!seeds_.empty()) layout_.first_seed = seeds_.front();
  if (network_) {
    numbers_.resize(seeds_.size());
    file_.check(nc_get_var_int(file_.id(), shaped("realization", NC_INT, {"realization"}), numbers_.data()),
                "realization");
    read_sites();
  } else {
    read_site();
  }
  layout_.source = file_.text_attribute(NC_GLOBAL, "source").value_or("");
  layout_.history = file_.text_attribute(NC_GLOBAL, "history").value_or("");
  layout_.checksum = file_.text_attribute(NC_GLOBAL, "raingen_inputs_checksum").value_or("");
  layout_.part = read_part_attributes(file_, [this](const std::string& what) { refuse(what); });
}

// A file of the other kind is told apart before its shapes are taken for faults.
void EnsembleReader::check_kind(Kind kind) const {
  const bool over_sites = file_.dimension_length("site").has_value();
  if (kind == Kind::one_site && over_sites)
    throw common::ToolError(file_.shown_name(), 0,
                            "is a network ensemble file (its depths are over sites), where a one-site ensemble file is "
                            "expected: a network's is read with --network DIR");
  if (kind == Kind::network && !over_sites && file_.dimension_length("realization") && file_.dimension_length("time") &&
      file_.find_variable("seed"))
    throw common::ToolError(file_.shown_name(), 0,
                            "is a one-site ensemble file (its depths are over no sites), where a network ensemble file "
                            "is expected: a one-site file is read without --network");
}

// Every variable's shape before any is read: each is read into a buffer its dimensions size.
void EnsembleReader::read_shapes() {
  const auto realizations = file_.dimension_length("realization");
  const auto intervals = file_.dimension_length("time");
  const auto sites = network_ ? file_.dimension_length("site") : std::optional<std::size_t>(1);
  if (!realizations || !intervals || !sites)
    refuse(network_ ? "it has no time, realization and site dimensions" : "it has no realization and time dimensions");
  check_declared_sizes(file_, {*realizations, *sites, *intervals, file_.dimension_length("name_strlen").value_or(0)},
                       [this](const std::string& what) { refuse(what); });
  layout_.realizations = static_cast<long>(*realizations);
  layout_.intervals = *intervals;
  if (network_) {
    status_ = shaped("status", NC_BYTE, {"realization", "site"});
    rainfall_ = shaped("rainfall", NC_FLOAT, {"time", "realization", "site"});
  } else {
    shaped("seed", NC_INT, {"realization"});
    status_ = shaped("status", NC_BYTE, {"realization"});
    rainfall_ = variable("rainfall");
    read_form();
  }
  file_.read_in_order(rainfall_);
}

void EnsembleReader::read_form() {
  if (file_.type_of(rainfall_) != NC_FLOAT) refuse("rainfall is not float");
  const std::vector<std::string> dimensions = file_.dimension_names(rainfall_);
  if (dimensions == std::vector<std::string>{"time", "realization"})
    time_first_ = true;
  else if (dimensions == std::vector<std::string>{"realization", "time"})
    time_first_ = false;
  else
    refuse("rainfall is over neither (time, realization) nor (realization, time)");
}

// The report and the merge take interval k as (start + 15 k, start + 15 (k + 1)]: the file must say
// so, with each interval stamped at its middle (or, in earlier one-site files, at its end).
void EnsembleReader::check_times() const {
  const int time = network_ ? shaped("time", NC_DOUBLE, {"time"}) : variable("time");
  if (file_.dimension_names(time) != std::vector<std::string>{"time"}) refuse("time is not over (time)");
  if (time_first_)
    check_stamps(time, layout_.intervals, netcdf::cf_interval_time,
                 "its times are not the middles of 15-minute intervals from the start (7.5, 22.5, ...)");
  else
    check_stamps(
        time, layout_.intervals,
        [](std::size_t interval) { return static_cast<double>(interval + 1) * calendar::minutes_per_interval; },
        "its times do not step by 15 minutes from 15");
}

// The one-site file's station_name, and lat and lon when it has them.
void EnsembleReader::read_site() {
  std::string site(file_.dimension_length("name_strlen").value_or(0), '\0');
  file_.check(nc_get_var_text(file_.id(), shaped("station_name", NC_CHAR, {"name_strlen"}), site.data()),
              "station_name");
  layout_.site = site.substr(0, site.find('\0'));
  if (file_.find_variable("lat") && file_.find_variable("lon")) {
    places::Coordinates position;
    file_.check(nc_get_var_double(file_.id(), shaped("lat", NC_DOUBLE, {}), &position.latitude), "lat");
    file_.check(nc_get_var_double(file_.id(), shaped("lon", NC_DOUBLE, {}), &position.longitude), "lon");
    layout_.position = position;
  }
}

// A network's sites' names and positions: lat and lon in degrees, or x and y in the map unit.
void EnsembleReader::read_sites() {
  const std::size_t sites = *file_.dimension_length("site");
  const std::size_t longest = file_.dimension_length("name_strlen").value_or(0);
  const int name = shaped("site_name", NC_CHAR, {"site", "name_strlen"});
  std::string names(sites * longest, '\0');
  if (!names.empty()) file_.check(nc_get_var_text(file_.id(), name, names.data()), "site_name");
  const bool degrees = file_.find_variable("lat").has_value();
  layout_.coordinates = degrees ? places::CoordinateSystem::degrees : places::CoordinateSystem::planar;
  if (!degrees) layout_.map_unit = file_.text_attribute(NC_GLOBAL, "raingen_map_unit").value_or("");
  const std::array<const char*, 2> coordinate = degrees ? std::array{"lat", "lon"} : std::array{"x", "y"};
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

std::optional<long> EnsembleReader::site_index(std::string_view name) const {
  const std::string wanted = common::lowercase(name);
  for (std::size_t s = 0; s < layout_.sites.size(); ++s)
    if (common::lowercase(layout_.sites[s].name) == wanted) return static_cast<long>(s);
  return std::nullopt;
}

int EnsembleReader::seed(long realization) const { return seeds_.at(static_cast<std::size_t>(realization)); }

long EnsembleReader::number(long realization) const {
  return network_ ? numbers_.at(static_cast<std::size_t>(realization)) : layout_.first_number() + realization;
}

// "realization K" or "realization K at site NAME".
std::string EnsembleReader::run_name(long number, long site) const {
  if (!network_) return fmt::format("realization {}", number);
  return fmt::format("realization {} at site {}", number, layout_.sites.at(static_cast<std::size_t>(site)).name);
}

bool EnsembleReader::complete(long realization, long site) const {
  const std::array<std::size_t, 2> at{static_cast<std::size_t>(realization), static_cast<std::size_t>(site)};
  signed char value = 1;
  file_.check(nc_get_var1_schar(file_.id(), status_, at.data(), &value), "status");
  if (value != 0 && value != 1)
    throw common::ToolError(file_.shown_name(), 0,
                            fmt::format("the status of {} is {}, neither 0 (complete) nor 1 (failed): the file is "
                                        "damaged",
                                        run_name(realization + 1, site), value));
  return value == 0;
}

void EnsembleReader::read(long realization, long site, std::size_t first, std::span<float> depths) const {
  const std::size_t at = static_cast<std::size_t>(realization);
  const std::array<std::size_t, 3> start =
      time_first_ ? std::array{first, at, static_cast<std::size_t>(site)} : std::array{at, first, std::size_t{0}};
  const std::array<std::size_t, 3> count = time_first_ ? std::array{depths.size(), std::size_t{1}, std::size_t{1}}
                                                       : std::array{std::size_t{1}, depths.size(), std::size_t{1}};
  file_.check(nc_get_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths.data()), "rainfall");
  if (complete(realization, site)) check_depths(depths, file_.shown_name(), run_name(number(realization), site));
}

void EnsembleReader::read(long index, std::span<float> depths) const {
  read(index, 0, 0, depths.first(std::min(depths.size(), layout_.intervals)));
}

bool is_network_file(const fs::path& path) {
  const netcdf::File file(path, path.string(), netcdf::File::ForReading{});
  return file.dimension_length("site").has_value();
}

}  // namespace raingen::ensemble_file
