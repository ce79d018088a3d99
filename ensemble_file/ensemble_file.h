// The ensembles' netCDF files, of one site and of a network's sites, written and read by one
// writer and one reader; the layout of each:
//
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
//
// The network ensemble's netCDF file: realizations of every site of a gauge network side by side,
// over the CF description of a 15-minute series that the tools' files share (netcdf/cf_series.h):
//   dimensions  time (unlimited), realization, site, nv, name_strlen
//   rainfall(time, realization, site)  float, mm per interval, _FillValue 9.96921e+36 where the
//                             run of that realization at that site failed, ancillary_variables
//                             "status"; deflated in chunks of 30 days x one realization x one site
//   realization(realization)  int, 1..K                       standard_name "realization", axis "Z"
//   seed(realization)         int, RAINGEN_SEED of realization k at every site: S + k - 1
//   status(realization, site) byte, 0 complete, 1 failed      flag_values, flag_meanings
//   site_name(site, name_strlen)  the sites' names (NETWORK.TXT's order), cf_role "timeseries_id"
//   lat(site), lon(site)      degrees north and east, when NETWORK.TXT's positions are in degrees;
//                             the file is then a CF timeSeries (featureType "timeSeries", the site
//                             its instance dimension)
//   x(site), y(site)          in the map unit, when they are planar: no lat and lon, and so no
//                             featureType (CF requires a time series' latitude and longitude);
//                             raingen_map_unit names the unit as NETWORK.TXT does, units as UDUNITS
//                             does ("m", "ft", "km"), or "1" for another (SWMM's "None")
//   time, time_bnds           minutes since day 1 begins, at the middle of each interval
//   global: Conventions, title, source, history, raingen_inputs_checksum (NETWORK.TXT and every
//           site's inputs), raingen_coordinates ("degrees" or "planar"); a part of an ensemble
//           (ensemble_part.h) holds its range of realizations at every site, numbered and seeded
//           as in the whole, and records its place as a one-site part does
// A chunk holds 30 days of one (realization, site) column, so that a column is written alone as
// its run ends and read alone without decompressing any other. realization, seed, status and the
// positions carry a Fletcher-32 checksum.
#pragma once

#include <cstddef>
#include <filesystem>
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
#include "netcdf/netcdf_file.h"
#include "places/position.h"

namespace raingen::ensemble_file {

// A long column is copied in parts of this many intervals (67 chunks of 30 days), so that the
// memory of a copy does not grow with the days and no chunk is read or written twice.
inline constexpr std::size_t column_part_intervals = 67 * 30 * calendar::intervals_per_day;

inline constexpr float failed_fill_value = 9.96920996838686905e+36f;  // netCDF's default for float

struct FileSite {
  std::string name;
  places::Position position{};  // latitude and longitude, or x and y
  bool operator==(const FileSite& other) const {
    return name == other.name && position.a == other.position.a && position.b == other.position.b;
  }
};

// Both layouts: a network's file has its sites along a site dimension; a one-site file (no
// `sites`) has none, and names its site by `site`, at `position` when known.
struct EnsembleLayout {
  calendar::TimePoint start;                      // when day 1 begins
  std::optional<calendar::UtcOffset> utc_offset;  // the clock of the times, when stated
  // A network's sites, in NETWORK.TXT's order, and how their positions are given.
  std::vector<FileSite> sites;
  places::CoordinateSystem coordinates = places::CoordinateSystem::degrees;
  std::string map_unit;  // planar only
  // A one-site file's site.
  std::string site;                             // station_name
  std::optional<places::Coordinates> position;  // when known
  std::size_t intervals = 0;
  long realizations = 0;  // K, or the part's range's size
  int first_seed = 1;     // the seed of the file's first realization; each next one's is one more
  std::string source;
  std::string history;
  std::string checksum;  // of the inputs (run_directory.h)
  // When the file is a part of an ensemble: its place. Its realizations are then part->range(),
  // numbered as in the whole ensemble.
  std::optional<EnsemblePart> part;
  // The number of the file's first realization.
  long first_number() const { return part ? part->range().first : 1; }
  bool over_sites() const { return !sites.empty(); }
  // The runs of a realization: one a site.
  long site_count() const { return over_sites() ? static_cast<long>(sites.size()) : 1; }
};

// Writes either layout. Realizations and sites are indexes from 0 (site 0 in a one-site file);
// every realization is numbered and seeded from the layout at the start, its runs' depths written
// as they come, in any order, and then each run's status.
class EnsembleWriter {
 public:
  // Creates the file at path (shown_name in messages) and writes all but the depths and statuses.
  EnsembleWriter(const std::filesystem::path& path, const std::string& shown_name, const EnsembleLayout& layout);
  // Depths of that run, its intervals first, first + 1, ...
  void put_depths(long realization, long site, std::size_t first, std::span<const float> depths);
  // The seed of a realization other than the layout's (the realizations of several files merged).
  void put_seed(long realization, int seed);
  // That run complete, every depth of it put: status 0.
  void put_complete(long realization, long site);
  // That run failed: its depths the fill value, its status 1.
  void put_failed(long realization, long site);
  // A one-site file's realization whole: its seed, its depths (layout.intervals of them), complete.
  void put_complete(long realization, int seed, std::span<const float> depths);
  void close();

 private:
  netcdf::File file_;
  std::size_t intervals_;
  // Depths are put over (time, realization, site) and statuses over (realization, site): a
  // one-site file's variables, without the site dimension, take the first indexes alone.
  int seed_ = -1, status_ = -1, rainfall_ = -1;
  std::vector<float> fill_part_;  // made at the first failure
};

// Reads either layout, and earlier one-site files (rainfall(realization, time), int times at the
// end of each interval, no position) as well.
class EnsembleReader : private CheckedReading {
 public:
  enum class Kind { one_site, network };
  // Opens an ensemble file of that kind and checks that it is one: the variables above, times on
  // the 15-minute grid from the start, depths in mm, the sites' names and positions. Throws
  // ToolError "FILE: what is wrong", and for a file of the other kind says how it is read.
  explicit EnsembleReader(const std::filesystem::path& path, Kind kind = Kind::one_site);

  // The facts (source, history and checksum as the file holds them).
  const EnsembleLayout& layout() const { return layout_; }
  long sites() const { return layout_.site_count(); }
  // The index of the site of that name (letter case ignored, as NETWORK.TXT's names), or none.
  std::optional<long> site_index(std::string_view name) const;
  int seed(long realization) const;     // RAINGEN_SEED of realization index (from 0)
  long number(long realization) const;  // its number in the ensemble
  // Whether the run of realization index at site index is complete (ToolError for a status that is
  // neither 0 nor 1: a damaged file).
  bool complete(long realization, long site) const;
  // The depths of that run, its intervals first, first + 1, ..., depths.size() of them; a failed
  // run's are the fill value.
  void read(long realization, long site, std::size_t first, std::span<float> depths) const;

  // A one-site file's realization index.
  bool complete(long index) const { return complete(index, 0); }
  void read(long index, std::span<float> depths) const;  // layout().intervals of them at most
  void read(long index, std::size_t first, std::span<float> depths) const { read(index, 0, first, depths); }

 private:
  void check_kind(Kind kind) const;
  void read_shapes();
  void read_form();
  void check_times() const;
  void read_site();
  void read_sites();
  std::string run_name(long realization, long site) const;

  EnsembleLayout layout_;
  bool network_;
  bool time_first_ = true;  // rainfall(time, realization); earlier files hold (realization, time)
  std::vector<int> seeds_, numbers_;
  int status_ = -1, rainfall_ = -1;
};

// A network's ensemble file, read run by run.
class NetworkReader : public EnsembleReader {
 public:
  explicit NetworkReader(const std::filesystem::path& path) : EnsembleReader(path, Kind::network) {}
  using EnsembleReader::complete;
  // The depths of that run (layout().intervals of them at most).
  void read(long realization, long site, std::span<float> depths) const {
    EnsembleReader::read(realization, site, 0, depths.first(std::min(depths.size(), layout().intervals)));
  }
};

// Whether the netCDF file at path has a site dimension: a network ensemble file rather than a
// one-site one (for a tool that takes either). Throws ToolError when it cannot be opened.
bool is_network_file(const std::filesystem::path& path);

}  // namespace raingen::ensemble_file
