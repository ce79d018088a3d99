#include "ensemble_file/file_limits.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::ensemble_file {

void check_declared_sizes(const netcdf::File& file, const DeclaredSizes& sizes,
                          const std::function<void(const std::string&)>& refuse) {
  const std::uintmax_t bytes = file.size();
  if (sizes.intervals > most_intervals)
    refuse(fmt::format("it declares {} intervals, more than the {} days of the longest series ({} intervals)",
                       sizes.intervals, most_series_days, most_intervals));
  if (sizes.name_length > longest_name)
    refuse(fmt::format("it declares names of {} characters, more than {}", sizes.name_length, longest_name));
  if (bytes > 0 && (sizes.realizations > bytes || sizes.sites > bytes ||
                    sizes.realizations > 8 * bytes / std::max<std::size_t>(sizes.sites, 1)))
    refuse(fmt::format("it declares {} realizations at {} site{}, more than a file of its size can hold",
                       sizes.realizations, sizes.sites, sizes.sites == 1 ? "" : "s"));
}

void check_depths(std::span<const float> depths, const std::string& shown_name, const std::string& whose) {
  for (std::size_t k = 0; k < depths.size(); ++k) {
    const float depth = depths[k];
    if (std::isfinite(depth) && depth >= 0 && depth <= largest_depth) continue;
    throw common::ToolError(shown_name, 0,
                            fmt::format("{} holds {} at interval {}, no depth a run writes (0 to 99999.999 mm): the "
                                        "file is damaged",
                                        whose, depth, k + 1));
  }
}

}  // namespace raingen::ensemble_file
