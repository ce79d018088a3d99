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
#include "netcdf/netcdf_file.h"
#include "network/network_manifest.h"

namespace raingen::ensemble_file {

struct NetworkFileSite {
  std::string name;
  network::Position position{};  // latitude and longitude, or x and y
  bool operator==(const NetworkFileSite& other) const {
    return name == other.name && position.a == other.position.a && position.b == other.position.b;
  }
};

struct NetworkLayout {
  calendar::TimePoint start;                      // when day 1 begins
  std::optional<calendar::UtcOffset> utc_offset;  // the clock of the times, when stated
  network::CoordinateSystem coordinates = network::CoordinateSystem::degrees;
  std::string map_unit;                // planar only
  std::vector<NetworkFileSite> sites;  // the site dimension, in NETWORK.TXT's order
  std::size_t intervals = 0;
  long realizations = 0;  // K, or the part's range's size
  int first_seed = 1;     // the seed of the file's first realization; each next one's is one more
  std::string source;
  std::string history;
  std::string checksum;  // of the inputs: 16 hexadecimal digits
  // When the file is a part of an ensemble: its place. Its realizations are then part->range(),
  // numbered as in the whole ensemble.
  std::optional<EnsemblePart> part;
  // The number of the file's first realization.
  long first_number() const { return part ? part->range().first : 1; }
};

class NetworkWriter {
 public:
  // Creates the file at path (shown_name in messages) and writes all but the depths and statuses.
  NetworkWriter(const std::filesystem::path& path, const std::string& shown_name, const NetworkLayout& layout);
  // Depths of realization index realization (from 0) at site index site, intervals first, first + 1, ...
  void put_depths(long realization, long site, std::size_t first, std::span<const float> depths);
  // That run complete, every depth of it put: status 0.
  void put_complete(long realization, long site);
  // That run failed: its depths the fill value, its status 1.
  void put_failed(long realization, long site);
  void close();

 private:
  netcdf::File file_;
  std::size_t intervals_;
  long sites_;
  int status_ = -1, rainfall_ = -1;
  std::vector<float> fill_part_;  // made at the first failure
};

class NetworkReader : private CheckedReading {
 public:
  // Opens a network ensemble file and checks that it is one: the variables above, times on the
  // 15-minute grid from the start, depths in mm, site names and positions. Throws ToolError
  // "FILE: is not a network ensemble file: what is wrong".
  explicit NetworkReader(const std::filesystem::path& path);

  // The facts (source, history and checksum as the file holds them).
  const NetworkLayout& layout() const { return layout_; }
  long sites() const { return static_cast<long>(layout_.sites.size()); }
  // The index of the site of that name (letter case ignored, as NETWORK.TXT's names), or none.
  std::optional<long> site_index(std::string_view name) const;
  int seed(long realization) const;     // RAINGEN_SEED of realization index (from 0)
  long number(long realization) const;  // its number in the ensemble (realization(realization))
  // Whether the run of realization index at site index is complete (ToolError for a status that is
  // neither 0 nor 1: a damaged file).
  bool complete(long realization, long site) const;
  // The depths of that run (layout().intervals of them); a failed run's are the fill value.
  void read(long realization, long site, std::span<float> depths) const;

 private:
  void read_start();
  void read_sites();
  void check_times() const;

  NetworkLayout layout_;
  std::vector<int> seeds_, numbers_;
  int status_ = -1, rainfall_ = -1;
};

// Whether the netCDF file at path has a site dimension: a network ensemble file rather than a
// one-site one (for a tool that takes either). Throws ToolError when it cannot be opened.
bool is_network_file(const std::filesystem::path& path);

}  // namespace raingen::ensemble_file
