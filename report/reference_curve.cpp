#include "report/reference_curve.h"

#include <algorithm>
#include <cmath>

#include "stats/l_moments.h"

namespace raingen::report {

stats::ReturnLevel level_at(const stats::DesignRainfall& design, stats::DesignMethod method, int minutes,
                            double years) {
  stats::ReturnLevel none{years, {}, {}, {}};
  const auto d = std::find_if(design.durations.begin(), design.durations.end(),
                              [minutes](const stats::DurationDesign& x) { return x.minutes == minutes; });
  if (d == design.durations.end()) return none;
  const auto& periods = stats::design_return_periods;
  if (const auto p = std::find(periods.begin(), periods.end(), years); p != periods.end())
    return d->levels(method)[static_cast<std::size_t>(p - periods.begin())];
  if (method == stats::DesignMethod::gev && d->gev) return {years, stats::gev_quantile(*d->gev, 1 - 1 / years), {}, {}};
  return none;
}

std::string reference_lies(double depth, const stats::ReturnLevel& level) {
  if (!level.lower || !level.upper) return "";
  return depth < *level.lower ? "below" : depth > *level.upper ? "above" : "inside";
}

}  // namespace raingen::report
