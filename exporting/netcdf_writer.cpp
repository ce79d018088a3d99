#include "exporting/netcdf_writer.h"

#include <array>
#include <vector>

#include "exporting/cf_series.h"
#include "exporting/netcdf_file.h"

namespace raingen::exporting {

void write_netcdf(results::ResultsTable& table, const ExportSettings& settings, const std::filesystem::path& path,
                  const std::string& shown_name) {
  NetcdfFile file(path, shown_name);
  put_cf_globals(file, "Synthetic 15-minute rainfall at " + settings.station,
                 "raingen results table " + settings.input_name);
  // The length is known only at the table's end: rows are streamed, the dimension grows.
  const CfTime time = define_cf_time(file, settings.start, 0);
  const int station = define_station_name(file, settings.station);
  const int depth = define_depth(file, "rainfall", std::array{time.dimension}, NC_DOUBLE, settings.units,
                                 std::array{cf_time_chunk});
  file.end_definitions();
  put_station_name(file, station, settings.station);

  std::vector<int> ends;
  std::vector<double> depths;
  ends.reserve(cf_time_chunk);
  depths.reserve(cf_time_chunk);
  std::size_t written = 0;
  const auto put_block = [&] {
    put_cf_times(file, time, written, ends);
    const std::size_t start = written, count = depths.size();
    file.check(nc_put_vara_double(file.id(), depth, &start, &count, depths.data()), "rainfall");
    written += count;
    ends.clear();
    depths.clear();
  };
  results::TableRow row;
  while (table.next(row)) {
    ends.push_back(static_cast<int>(row.minutes));
    depths.push_back(row.depth());
    if (ends.size() == cf_time_chunk) put_block();
  }
  if (!ends.empty()) put_block();
  file.close();
}

}  // namespace raingen::exporting
