// Whether the parts given to a merge make up their ensemble: each of parts 1..N once.
#pragma once

#include <string>
#include <vector>

namespace raingen::ensemble {

// files_of[I - 1] names the files that hold part I of `count` parts of an ensemble of
// `realizations`. Returns "" when each part is held by one file, else what is wrong, the missing
// parts first (with the realizations they hold), then each part held twice or more:
//   "part 3 of 4 (realizations 21 to 30) is missing"
//   "3 parts of 20 are missing: 2 and 5 to 6 (realizations 2 to 3 and 5 to 7); part 9 of 20 is in
//    both a.nc and b.nc"
std::string coverage_problems(long count, long realizations, const std::vector<std::vector<std::string>>& files_of);

}  // namespace raingen::ensemble
