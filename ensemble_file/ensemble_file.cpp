#include "ensemble_file/ensemble_file.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/tool_error.h"

namespace raingen::ensemble_file {
namespace fs = std::filesystem;
using netcdf::File;

namespace {

constexpr const char* checksum_attribute = "raingen_inputs_checksum";
// The depths of each realization are compressed as it comes in, while the next runs: at level 1
// this takes half the time of the tools' usual level 4, for a file about 15% larger. Without the
// shuffle filter (which the tools' double series gain from) a realization of the example, mostly
// dry intervals and depths of a few hundredths, compresses to half the size in three quarters of
// the time.
constexpr int ensemble_deflate_level = 1;
constexpr bool ensemble_shuffle = false;
// The checksummed chunks of realization, seed and status: one for up to 65536 realizations.
constexpr std::size_t realization_chunk = 1 << 16;
// The longest part of a failed realization's fill written at once.
constexpr std::size_t fill_part_length = 2000 * calendar::intervals_per_day;

int define_per_realization(File& file, const char* name, nc_type type, int dimension, std::size_t realizations,
                           const char* long_name) {
  const int variable = file.define_variable(name, type, std::array{dimension});
  file.put_text(variable, "long_name", long_name);
  file.checksum(variable, std::array{std::min(realizations, realization_chunk)});
  return variable;
}

}  // namespace

EnsembleWriter::EnsembleWriter(const fs::path& path, const std::string& shown_name, const EnsembleLayout& layout)
    : file_(path, shown_name), intervals_(layout.intervals), first_number_(layout.first_number()) {
  netcdf::put_cf_globals(file_, "Synthetic 15-minute rainfall at " + layout.site + ": an ensemble of realizations",
                         layout.source, layout.history, false);
  file_.put_text(NC_GLOBAL, checksum_attribute, layout.checksum);
  if (layout.part) put_part_attributes(file_, *layout.part);
  // Unlimited, so that NCO's record operators take time as their record dimension.
  const netcdf::CfTime time = netcdf::define_cf_time(file_, layout.start, layout.utc_offset, 0);
  const std::size_t realizations = static_cast<std::size_t>(layout.realizations);
  const int realization = file_.define_dimension("realization", realizations);
  // The position only stated: CDO then takes the realizations for the grid of one field a time step
  // (one record per step, not one per realization: a 35 x 25-year file takes 1.3 GB, not 11 GB).
  const netcdf::CfSite site = netcdf::define_site(file_, layout.site, layout.position, false);

  number_ =
      define_per_realization(file_, "realization", NC_INT, realization, realizations, "number of the realization");
  file_.put_text(number_, "standard_name", "realization");
  file_.put_text(number_, "units", "1");
  seed_ =
      define_per_realization(file_, "seed", NC_INT, realization, realizations, "RAINGEN_SEED of the realization's run");
  file_.put_text(seed_, "units", "1");
  status_ =
      define_per_realization(file_, "status", NC_BYTE, realization, realizations, "how the realization's run ended");
  file_.put_numbers(status_, "flag_values", NC_BYTE, std::array{0.0, 1.0});
  file_.put_text(status_, "flag_meanings", "complete failed");
  file_.put_text(status_, "units", "1");
  netcdf::put_site_coordinates(file_, seed_, site);
  netcdf::put_site_coordinates(file_, status_, site);

  const std::array chunk{netcdf::cf_time_chunk, std::size_t{1}};
  rainfall_ = netcdf::define_depth(file_, "rainfall", std::array{time.dimension, realization}, NC_FLOAT, "mm", site,
                                   chunk, ensemble_deflate_level, ensemble_shuffle);
  file_.put_text(rainfall_, "ancillary_variables", "status");
  // Every value is written (a failed realization's as the fill value), so the library never fills.
  file_.check(nc_put_att_float(file_.id(), rainfall_, "_FillValue", NC_FLOAT, 1, &failed_fill_value), "_FillValue");
  file_.end_definitions();

  netcdf::put_site(file_, site);
  for (std::size_t first = 0; first < layout.intervals; first += netcdf::cf_time_chunk)
    netcdf::put_cf_times(file_, time, first, std::min(netcdf::cf_time_chunk, layout.intervals - first));
}

void EnsembleWriter::put_status(long index, int seed, signed char status) {
  const std::size_t at = static_cast<std::size_t>(index);
  const int number = static_cast<int>(first_number_ + index);
  file_.check(nc_put_var1_int(file_.id(), number_, &at, &number), "realization");
  file_.check(nc_put_var1_int(file_.id(), seed_, &at, &seed), "seed");
  file_.check(nc_put_var1_schar(file_.id(), status_, &at, &status), "status");
}

void EnsembleWriter::put_depths(long index, std::size_t first, std::span<const float> depths) {
  const std::array<std::size_t, 2> start{first, static_cast<std::size_t>(index)}, count{depths.size(), 1};
  file_.check(nc_put_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths.data()), "rainfall");
}

void EnsembleWriter::put_complete(long index, int seed, std::span<const float> depths) {
  put_status(index, seed, 0);
  put_depths(index, 0, depths);
}

void EnsembleWriter::put_complete(long index, int seed) { put_status(index, seed, 0); }

void EnsembleWriter::put_failed(long index, int seed) {
  put_status(index, seed, 1);
  fill_part_.resize(std::min(intervals_, fill_part_length), failed_fill_value);
  for (std::size_t first = 0; first < intervals_; first += fill_part_.size())
    put_depths(index, first, std::span<const float>(fill_part_).first(std::min(fill_part_.size(), intervals_ - first)));
}

void EnsembleWriter::close() { file_.close(); }

EnsembleReader::EnsembleReader(const fs::path& path) : CheckedReading(path, "an ensemble file") {
  if (file_.dimension_length("site"))
    throw common::ToolError(file_.shown_name(), 0,
                            "is a network ensemble file (its depths are over sites), where a one-site ensemble file is "
                            "expected: a network's is read with --network DIR");
  const auto realizations = file_.dimension_length("realization");
  const auto intervals = file_.dimension_length("time");
  if (!realizations || !intervals) refuse("it has no realization and time dimensions");
  const std::size_t name_length = file_.dimension_length("name_strlen").value_or(0);
  // Every variable's shape before any is read: each is read into a buffer its dimensions size.
  check_declared_sizes(file_, {*realizations, 1, *intervals, name_length},
                       [this](const std::string& what) { refuse(what); });
  layout_.realizations = static_cast<long>(*realizations);
  layout_.intervals = *intervals;
  seed_ = shaped("seed", NC_INT, {"realization"});
  status_ = shaped("status", NC_BYTE, {"realization"});
  rainfall_ = variable("rainfall");
  read_form();
  if (file_.text_attribute(rainfall_, "units") != "mm") refuse("rainfall is not in mm");
  read_start();
  check_times();
  std::string site(name_length, '\0');
  file_.check(nc_get_var_text(file_.id(), shaped("station_name", NC_CHAR, {"name_strlen"}), site.data()),
              "station_name");
  layout_.site = site.substr(0, site.find('\0'));
  const auto latitude = file_.find_variable("lat"), longitude = file_.find_variable("lon");
  if (latitude && longitude) {
    stations::Coordinates position;
    file_.check(nc_get_var_double(file_.id(), shaped("lat", NC_DOUBLE, {}), &position.latitude), "lat");
    file_.check(nc_get_var_double(file_.id(), shaped("lon", NC_DOUBLE, {}), &position.longitude), "lon");
    layout_.position = position;
  }
  layout_.source = file_.text_attribute(NC_GLOBAL, "source").value_or("");
  layout_.history = file_.text_attribute(NC_GLOBAL, "history").value_or("");
  layout_.checksum = file_.text_attribute(NC_GLOBAL, checksum_attribute).value_or("");
  read_part();
}

// A part's place, all four numbers or none, and numbers that make a part.
void EnsembleReader::read_part() {
  layout_.part = read_part_attributes(file_, [this](const std::string& what) { refuse(what); });
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

// The start and clock of the times (netcdf/cf_series.h).
void EnsembleReader::read_start() {
  const netcdf::CfStart start = cf_start();
  layout_.start = start.start;
  layout_.utc_offset = start.utc_offset;
}

// The report and the merge take interval k as (start + 15 k, start + 15 (k + 1)]: the file must say
// so, with each interval stamped at its middle (or, in earlier files, at its end).
void EnsembleReader::check_times() const {
  const int time = variable("time");
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

int EnsembleReader::seed(long index) const {
  const std::size_t at = static_cast<std::size_t>(index);
  int value = 0;
  file_.check(nc_get_var1_int(file_.id(), seed_, &at, &value), "seed");
  return value;
}

bool EnsembleReader::complete(long index) const {
  const std::size_t at = static_cast<std::size_t>(index);
  signed char value = 1;
  file_.check(nc_get_var1_schar(file_.id(), status_, &at, &value), "status");
  if (value != 0 && value != 1)
    throw common::ToolError(file_.shown_name(), 0,
                            "the status of realization " + std::to_string(index + 1) + " is " + std::to_string(value) +
                                ", neither 0 (complete) nor 1 (failed): the file is damaged");
  return value == 0;
}

void EnsembleReader::read(long index, std::span<float> depths) const {
  read(index, 0, depths.first(std::min(depths.size(), layout_.intervals)));
}

void EnsembleReader::read(long index, std::size_t first, std::span<float> depths) const {
  const std::size_t at = static_cast<std::size_t>(index);
  const std::array<std::size_t, 2> start = time_first_ ? std::array{first, at} : std::array{at, first};
  const std::array<std::size_t, 2> count =
      time_first_ ? std::array{depths.size(), std::size_t{1}} : std::array{std::size_t{1}, depths.size()};
  file_.check(nc_get_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths.data()), "rainfall");
  if (complete(index))
    check_depths(depths, file_.shown_name(), "realization " + std::to_string(layout_.first_number() + index));
}

}  // namespace raingen::ensemble_file
