#include "gauge/record_step.h"

#include "calendar/interval.h"
#include "gauge/reading_errors.h"

namespace raingen::gauge {

std::optional<calendar::Minutes> infer_step(const std::string& path, std::span<const Reading> readings,
                                            bool coarse_allowed) {
  if (readings.size() < 2) return std::nullopt;
  calendar::Minutes step{};
  long step_line = 0;
  for (std::size_t k = 1; k < readings.size(); ++k) {
    check_order(path, readings[k].line, readings[k - 1].time, readings[k].time);
    const calendar::Minutes spacing = readings[k].time - readings[k - 1].time;
    if (k == 1 || spacing < step) {
      step = spacing;
      step_line = readings[k].line;
    }
  }
  if (step > calendar::interval_length && !coarse_allowed) coarse_step(path, step_line, step.count());
  return step;
}

}  // namespace raingen::gauge
