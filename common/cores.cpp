#include "common/cores.h"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace raingen::common {

int available_cores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace raingen::common
