// Ensemble files written with netCDF-C as a hostile hand would write them: the tools' layout (one
// site, or a network's), small and valid by default, with one part of it made wrong.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace testing_support {

struct CraftedEnsemble {
  bool network = false;
  std::size_t realizations = 2, sites = 2, intervals = 96;
  std::string seed_over = "realization";  // the dimension seed is defined over
  std::size_t name_rows = 0;              // network: site_name over a dimension of this many rows (0: site)
  std::size_t name_length = 4;            // name_strlen
  float odd_depth = 0;                    // put at realization 1, interval 3 (site 1) when not 0
};

// Writes the file; throws std::runtime_error when netCDF-C refuses a call.
void write_crafted_ensemble(const std::filesystem::path& path, const CraftedEnsemble& craft);

}  // namespace testing_support
