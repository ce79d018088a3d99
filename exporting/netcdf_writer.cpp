#include "exporting/netcdf_writer.h"

#include <array>
#include <vector>

#include "netcdf/cf_series.h"
#include "netcdf/netcdf_file.h"

namespace raingen::exporting {

void write_netcdf(results::ResultsTable& table, const ExportSettings& settings, const std::filesystem::path& path,
                  const std::string& shown_name) {
  netcdf::File file(path, shown_name);
  netcdf::put_cf_globals(file, "Synthetic 15-minute rainfall at " + settings.station,
                 "raingen results table " + settings.input_name);
  // The length is known only at the table's end: rows are streamed, the dimension grows.
  const netcdf::CfTime time = netcdf::define_cf_time(file, settings.start, 0);
  const int station = netcdf::define_station_name(file, settings.station);
  const int depth = netcdf::define_depth(file, "rainfall", std::array{time.dimension}, NC_DOUBLE,
                                         units_text(settings.units), std::array{netcdf::cf_time_chunk});
  file.end_definitions();
  netcdf::put_station_name(file, station, settings.station);

  std::vector<int> ends;
  std::vector<double> depths;
  ends.reserve(netcdf::cf_time_chunk);
  depths.reserve(netcdf::cf_time_chunk);
  std::size_t written = 0;
  const auto put_block = [&] {
    netcdf::put_cf_times(file, time, written, ends);
    const std::size_t start = written, count = depths.size();
    file.check(nc_put_vara_double(file.id(), depth, &start, &count, depths.data()), "rainfall");
    written += count;
    ends.clear();
    depths.clear();
  };
  results::TableRow row;
  while (table.next(row)) {
    ends.push_back(static_cast<int>(row.minutes.count()));
    depths.push_back(row.depth());
    if (ends.size() == netcdf::cf_time_chunk) put_block();
  }
  if (!ends.empty()) put_block();
  file.close();
}

}  // namespace raingen::exporting
