#include "ensemble_file/ensemble_file.h"

#include <algorithm>
#include <array>

#include "ensemble_file/file_definitions.h"

namespace raingen::ensemble_file {

EnsembleWriter::EnsembleWriter(const std::filesystem::path& path, const std::string& shown_name,
                               const EnsembleLayout& layout)
    : file_(path, shown_name), intervals_(layout.intervals) {
  const FileVariables ids = define_ensemble_file(file_, layout);
  seed_ = ids.seed;
  status_ = ids.status;
  rainfall_ = ids.rainfall;
}

void EnsembleWriter::put_depths(long realization, long site, std::size_t first, std::span<const float> depths) {
  const std::array<std::size_t, 3> start{first, static_cast<std::size_t>(realization), static_cast<std::size_t>(site)},
      count{depths.size(), 1, 1};
  file_.check(nc_put_vara_float(file_.id(), rainfall_, start.data(), count.data(), depths.data()), "rainfall");
}

void EnsembleWriter::put_seed(long realization, int seed) {
  const std::size_t at = static_cast<std::size_t>(realization);
  file_.check(nc_put_var1_int(file_.id(), seed_, &at, &seed), "seed");
}

void EnsembleWriter::put_complete(long realization, long site) {
  const std::array<std::size_t, 2> at{static_cast<std::size_t>(realization), static_cast<std::size_t>(site)};
  const signed char complete = 0;
  file_.check(nc_put_var1_schar(file_.id(), status_, at.data(), &complete), "status");
}

void EnsembleWriter::put_failed(long realization, long site) {
  const std::array<std::size_t, 2> at{static_cast<std::size_t>(realization), static_cast<std::size_t>(site)};
  const signed char failed = 1;
  file_.check(nc_put_var1_schar(file_.id(), status_, at.data(), &failed), "status");
  fill_part_.resize(std::min(intervals_, column_part_intervals), failed_fill_value);
  for (std::size_t first = 0; first < intervals_; first += fill_part_.size())
    put_depths(realization, site, first,
               std::span<const float>(fill_part_).first(std::min(fill_part_.size(), intervals_ - first)));
}

void EnsembleWriter::put_complete(long realization, int seed, std::span<const float> depths) {
  put_seed(realization, seed);
  put_depths(realization, 0, 0, depths);
  put_complete(realization, 0L);
}

void EnsembleWriter::close() { file_.close(); }

}  // namespace raingen::ensemble_file
