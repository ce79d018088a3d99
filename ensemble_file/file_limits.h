// What a reader of an ensemble file takes from it, bounded before anything is allocated or used:
// a file states its dimensions, and a crafted one may state far more than it holds (a 63 KB file
// declaring 10^8 realizations) or values no run writes (NaN, 3e38, a negative depth).
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "calendar/interval.h"
#include "netcdf/netcdf_file.h"

namespace raingen::ensemble_file {

// The longest series the tools make: the table's times (minutes in 12 columns) hold this many days.
inline constexpr long most_series_days = 694444;
inline constexpr std::size_t most_intervals = static_cast<std::size_t>(most_series_days) * calendar::intervals_per_day;
// The longest name a file's names may have (a site's name has at most 63 characters).
inline constexpr std::size_t longest_name = 4096;
// The largest depth a table holds, F9.3's 99999.999 mm, as the file holds it: the nearest float.
inline constexpr float largest_depth = 99999.999f;  // == 100000.0f

struct DeclaredSizes {
  std::size_t realizations = 0, sites = 1, intervals = 0, name_length = 0;
};

// Calls refuse (which throws) when the sizes are more than the file can hold (each realization's
// seed and status, each site's name and position take bytes of their own: at least one each) or
// than the tools make.
void check_declared_sizes(const netcdf::File& file, const DeclaredSizes& sizes,
                          const std::function<void(const std::string&)>& refuse);

// Throws ToolError "FILE: realization K at SITE holds VALUE ...: the file is damaged" for a value of
// a complete run that is no depth: not finite, below 0 or above largest_depth.
void check_depths(std::span<const float> depths, const std::string& shown_name, const std::string& whose);

}  // namespace raingen::ensemble_file
