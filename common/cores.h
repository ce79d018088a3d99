// How many cores this process may use: the default of every tool's --jobs.
#pragma once

namespace raingen::common {

// The cores of this process's CPU affinity mask, else the machine's; at least 1.
int available_cores();

}  // namespace raingen::common
