#include "ensemble_file/ensemble_file.h"

#include <array>
#include <sstream>

#include "common/tool_error.h"
#include "netcdf/cf_series.h"

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

void put_int_attribute(File& file, int variable, const char* name, nc_type type, std::span<const int> values) {
  file.check(nc_put_att_int(file.id(), variable, name, type, values.size(), values.data()), name);
}

}  // namespace

EnsembleWriter::EnsembleWriter(const fs::path& path, const std::string& shown_name, const EnsembleLayout& layout)
    : file_(path, shown_name), intervals_(layout.intervals) {
  netcdf::put_cf_globals(file_, "Synthetic 15-minute rainfall at " + layout.site + ": an ensemble of realizations",
                            layout.source);
  file_.put_text(NC_GLOBAL, checksum_attribute, layout.checksum);
  const int realization = file_.define_dimension("realization", static_cast<std::size_t>(layout.realizations));
  const netcdf::CfTime time = netcdf::define_cf_time(file_, layout.start, layout.intervals);
  const int station = netcdf::define_station_name(file_, layout.site);

  number_ = file_.define_variable("realization", NC_INT, std::array{realization});
  file_.put_text(number_, "standard_name", "realization");
  file_.put_text(number_, "long_name", "number of the realization");
  seed_ = file_.define_variable("seed", NC_INT, std::array{realization});
  file_.put_text(seed_, "long_name", "RAINGEN_SEED of the realization's run");
  status_ = file_.define_variable("status", NC_BYTE, std::array{realization});
  file_.put_text(status_, "long_name", "how the realization's run ended");
  put_int_attribute(file_, status_, "flag_values", NC_BYTE, std::array{0, 1});
  file_.put_text(status_, "flag_meanings", "complete failed");

  // One chunk per realization (at most 2000 days, 750 KiB before compression): the file's index
  // of chunks, which the library keeps in memory, then grows by one entry per realization.
  const std::array chunk{std::size_t{1}, layout.intervals};
  rainfall_ = netcdf::define_depth(file_, "rainfall", std::array{realization, time.dimension}, NC_FLOAT,
                                      "mm", chunk, ensemble_deflate_level, ensemble_shuffle);
  // Every value is written (a failed realization's as the fill value), so the library never fills.
  file_.check(nc_put_att_float(file_.id(), rainfall_, "_FillValue", NC_FLOAT, 1, &failed_fill_value), "_FillValue");
  file_.end_definitions();

  netcdf::put_station_name(file_, station, layout.site);
  std::vector<int> ends;
  ends.reserve(netcdf::cf_time_chunk);
  for (std::size_t first = 0; first < layout.intervals; first += ends.size()) {
    ends.clear();
    for (std::size_t k = first; k < layout.intervals && ends.size() < netcdf::cf_time_chunk; ++k)
      ends.push_back(static_cast<int>(k + 1) * calendar::minutes_per_interval);
    netcdf::put_cf_times(file_, time, first, ends);
  }
}

void EnsembleWriter::put_realization(long index, int seed, signed char status, const float* depths) {
  const std::size_t at = static_cast<std::size_t>(index);
  const int number = static_cast<int>(index + 1);
  file_.check(nc_put_var1_int(file_.id(), number_, &at, &number), "realization");
  file_.check(nc_put_var1_int(file_.id(), seed_, &at, &seed), "seed");
  file_.check(nc_put_var1_schar(file_.id(), status_, &at, &status), "status");
  const std::array<std::size_t, 2> start{at, 0}, count{1, intervals_};
  file_.check(nc_put_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths), "rainfall");
}

void EnsembleWriter::put_complete(long index, int seed, std::span<const float> depths) {
  put_realization(index, seed, 0, depths.data());
}

void EnsembleWriter::put_failed(long index, int seed) {
  fill_row_.resize(intervals_, failed_fill_value);
  put_realization(index, seed, 1, fill_row_.data());
}

void EnsembleWriter::close() { file_.close(); }

EnsembleReader::EnsembleReader(const fs::path& path) : file_(path, path.string(), File::ForReading{}) {
  const auto realizations = file_.dimension_length("realization");
  const auto intervals = file_.dimension_length("time");
  if (!realizations || !intervals)
    throw common::ToolError(path.string(), 0, "is not an ensemble file: it has no realization and time dimensions");
  layout_.realizations = static_cast<long>(*realizations);
  layout_.intervals = *intervals;
  seed_ = variable("seed");
  status_ = variable("status");
  rainfall_ = variable("rainfall");
  const auto units = file_.text_attribute(rainfall_, "units");
  if (units != "mm") throw common::ToolError(path.string(), 0, "is not an ensemble file: rainfall is not in mm");
  const auto time_units = file_.text_attribute(variable("time"), "units");
  std::istringstream since(time_units.value_or(""));
  since >> date::parse("minutes since %F %T", layout_.start);
  if (since.fail() || !calendar::on_grid(layout_.start))
    throw common::ToolError(path.string(), 0, "is not an ensemble file: its time units are not 'minutes since' a start");
  check_times();
  std::string site(file_.dimension_length("name_strlen").value_or(0), '\0');
  file_.check(nc_get_var_text(file_.id(), variable("station_name"), site.data()), "station_name");
  layout_.site = site;
  layout_.source = file_.text_attribute(NC_GLOBAL, "source").value_or("");
  layout_.checksum = file_.text_attribute(NC_GLOBAL, checksum_attribute).value_or("");
}

int EnsembleReader::variable(const char* name) const {
  const auto found = file_.find_variable(name);
  if (!found) throw common::ToolError(file_.shown_name(), 0, std::string("is not an ensemble file: it has no variable ") + name);
  return *found;
}

// The report and the merge take interval k as (start + 15 k, start + 15 (k + 1)]: the file must say so.
void EnsembleReader::check_times() const {
  const int time = variable("time");
  std::vector<int> ends(netcdf::cf_time_chunk);
  for (std::size_t first = 0; first < layout_.intervals; first += ends.size()) {
    const std::size_t count = std::min(ends.size(), layout_.intervals - first);
    file_.check(nc_get_vara_int(file_.id(), time, &first, &count, ends.data()), "time");
    for (std::size_t k = 0; k < count; ++k)
      if (ends[k] != static_cast<long>(first + k + 1) * calendar::minutes_per_interval)
        throw common::ToolError(file_.shown_name(), 0,
                               "is not an ensemble file: its times do not step by 15 minutes from 15");
  }
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
  return value == 0;
}

void EnsembleReader::read(long index, std::span<float> depths) const {
  const std::array<std::size_t, 2> start{static_cast<std::size_t>(index), 0}, count{1, layout_.intervals};
  file_.check(nc_get_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths.data()), "rainfall");
}

}  // namespace raingen::ensemble_file
