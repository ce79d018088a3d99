#include "exporting/netcdf_writer.h"

#include <array>
#include <vector>

#include "netcdf/cf_series.h"
#include "netcdf/netcdf_file.h"

namespace raingen::exporting {

void write_netcdf(results::TableRows& table, const ExportSettings& settings, const std::filesystem::path& path,
                  const std::string& shown_name) {
  netcdf::File file(path, shown_name);
  netcdf::put_cf_globals(file, "Synthetic 15-minute rainfall at " + settings.station,
                         "raingen results table " + settings.input_name, settings.history,
                         settings.position.has_value());
  // The length is known only at the table's end: rows are streamed, the dimension grows.
  const netcdf::CfTime time = netcdf::define_cf_time(file, settings.start, settings.utc_offset, 0);
  const netcdf::CfSite site = netcdf::define_site(file, settings.station, settings.position);
  const int depth = netcdf::define_depth(file, "rainfall", std::array{time.dimension}, NC_DOUBLE,
                                         units_text(settings.units), site, std::array{netcdf::cf_time_chunk});
  file.end_definitions();
  netcdf::put_site(file, site);

  std::vector<double> depths;
  depths.reserve(netcdf::cf_time_chunk);
  std::size_t written = 0;
  // The table's rows follow one another from 15 minutes without a gap (the table checks it), so
  // row k is interval k from the start.
  const auto put_block = [&] {
    netcdf::put_cf_times(file, time, written, depths.size());
    const std::size_t start = written, count = depths.size();
    file.check(nc_put_vara_double(file.id(), depth, &start, &count, depths.data()), "rainfall");
    written += count;
    depths.clear();
  };
  results::TableRow row;
  while (table.next(row)) {
    depths.push_back(row.depth());
    if (depths.size() == netcdf::cf_time_chunk) put_block();
  }
  if (!depths.empty()) put_block();
  file.close();
}

}  // namespace raingen::exporting
