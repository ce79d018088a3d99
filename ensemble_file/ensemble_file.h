// The ensemble's netCDF file: realizations side by side over the CF description of a 15-minute
// series that every netCDF file of the tools shares (netcdf/cf_series.h):
//   dimensions  time (unlimited), realization, nv, name_strlen
//   rainfall(time, realization)  float, mm per interval, _FillValue 9.96921e+36 where a
//                             realization failed, ancillary_variables "status"; deflated in chunks
//                             of 30 days x one realization
//   realization(realization)  int, 1..K                       standard_name "realization"
//   seed(realization)         int, the run's RAINGEN_SEED
//   status(realization)       byte, 0 complete, 1 failed      flag_values, flag_meanings
//   time, time_bnds, lat and lon (when the position is known), station_name and the global
//   attributes as in raingen-export's files, and raingen_inputs_checksum, which tells ensembles
//   of different inputs apart. The position is stated, not linked to the depths (no coordinates
//   attribute, no featureType): CDO then reads the realizations of a time step as one field, where
//   linked it takes them for K levels, one record each, and its memory grows by about 400 bytes a
//   record (11 GB for 35 realizations of 25 years). A part of an ensemble (ensemble_part.h) holds its own range of
//   realizations, numbered as in the whole ensemble, and records its place.
// Time comes first and is the record dimension, as CDO needs it (it takes realization for a
// vertical axis of K levels) and NCO's record operators (ncra) too; a chunk holds 30 days of one
// realization, so that a realization is written alone and a reader that goes time step by time
// step (CDO) decompresses each chunk once. realization, seed and status carry a Fletcher-32
// checksum (they are not compressed, so nothing else would find a damaged byte there).
// A realization is written whole as it completes, or part by part (the blocks of a series laid out
// along the calendar) and then its status, in any order, so memory grows neither with K nor with
// the length of the series.
//
// Earlier ensemble files (rainfall(realization, time), int times at the end of each interval, no
// position) are read as well: EnsembleReader gives the same realizations from either layout.
#pragma once

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/interval.h"
#include "calendar/utc_offset.h"
#include "ensemble_file/checked_reading.h"
#include "ensemble_file/ensemble_part.h"
#include "ensemble_file/file_limits.h"
#include "netcdf/cf_series.h"
#include "netcdf/netcdf_file.h"
#include "stations/station_places.h"

namespace raingen::ensemble_file {

inline constexpr float failed_fill_value = 9.96920996838686905e+36f;  // netCDF's default for float

struct EnsembleLayout {
  calendar::TimePoint start;                      // when day 1 begins
  std::optional<calendar::UtcOffset> utc_offset;  // the clock of the times, when stated
  std::optional<stations::Coordinates> position;  // the site's, when known
  std::string site;                               // station_name
  std::size_t intervals = 0;
  long realizations = 0;
  std::string source;
  std::string history;
  std::string checksum;  // of the inputs (run_directory.h)
  // When the file is a part of an ensemble: its place. Its realizations are then part->range(),
  // numbered as in the whole ensemble, and `realizations` is the range's size.
  std::optional<EnsemblePart> part;
  // The number of the file's first realization.
  long first_number() const { return part ? part->range().first : 1; }
};

class EnsembleWriter {
 public:
  // Creates the file at path (shown_name in messages) and writes all but the realizations.
  EnsembleWriter(const std::filesystem::path& path, const std::string& shown_name, const EnsembleLayout& layout);
  // Realization index (from 0) with its seed and depths (layout.intervals of them).
  void put_complete(long index, int seed, std::span<const float> depths);
  // Part of realization index: the depths of its intervals first, first + 1, ...
  void put_depths(long index, std::size_t first, std::span<const float> depths);
  // Realization index complete, every depth of it put: its number, seed and status 0.
  void put_complete(long index, int seed);
  // Realization index failed: its depths are the fill value, its status 1.
  void put_failed(long index, int seed);
  void close();

 private:
  void put_status(long index, int seed, signed char status);

  netcdf::File file_;
  std::size_t intervals_;
  long first_number_;
  int number_ = -1, seed_ = -1, status_ = -1, rainfall_ = -1;
  std::vector<float> fill_part_;  // made at the first failure
};

class EnsembleReader : private CheckedReading {
 public:
  // Opens an ensemble file and checks that it is one: the variables above, times on the 15-minute
  // grid from the start, depths in mm. Throws ToolError "FILE: what is wrong".
  explicit EnsembleReader(const std::filesystem::path& path);

  const EnsembleLayout& layout() const { return layout_; }
  int seed(long index) const;
  bool complete(long index) const;
  // The depths of realization index (layout().intervals of them).
  void read(long index, std::span<float> depths) const;
  // Those of its intervals first, first + 1, ..., depths.size() of them.
  void read(long index, std::size_t first, std::span<float> depths) const;

 private:
  void read_form();
  void read_start();
  void read_part();
  void check_times() const;

  EnsembleLayout layout_;
  bool time_first_ = true;  // rainfall(time, realization); earlier files hold (realization, time)
  int seed_ = -1, status_ = -1, rainfall_ = -1;
};

}  // namespace raingen::ensemble_file
