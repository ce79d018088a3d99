#include "common/gauge_arguments.h"

#include <algorithm>

#include "common/tool_error.h"

namespace raingen::common {

std::vector<GaugeArgument> parse_gauge_arguments(const std::vector<std::string>& texts) {
  std::vector<GaugeArgument> gauges;
  for (const std::string& text : texts) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
      throw UsageError("--gauge " + text + ": ID=FILE expected");
    GaugeArgument g{text.substr(0, equals), text.substr(equals + 1), {}};
    if (std::any_of(gauges.begin(), gauges.end(), [&](const GaugeArgument& o) { return o.id == g.id; }))
      throw UsageError("--gauge " + g.id + " is given twice");
    gauges.push_back(std::move(g));
  }
  return gauges;
}

void distribute_reading_option(std::vector<GaugeArgument>& gauges, const std::string& name,
                               const std::vector<std::string>& values) {
  std::vector<std::string> general;
  std::vector<std::vector<std::string>> own(gauges.size());
  for (const std::string& value : values) {
    const std::size_t colon = value.find(':');
    bool taken = false;
    if (colon != std::string::npos)
      for (std::size_t g = 0; g < gauges.size() && !taken; ++g)
        if (value.compare(0, colon, gauges[g].id) == 0 && gauges[g].id.size() == colon) {
          own[g].push_back(value.substr(colon + 1));
          taken = true;
        }
    if (!taken) general.push_back(value);
  }
  if (general.size() > 1) throw UsageError("--" + name + " is given twice for every gauge");
  for (std::size_t g = 0; g < gauges.size(); ++g) {
    if (own[g].size() > 1) throw UsageError("--" + name + " is given twice for gauge " + gauges[g].id);
    // A record's own value after the general one, so that it is applied last.
    if (!general.empty()) gauges[g].options.emplace_back(name, general.front());
    if (!own[g].empty()) gauges[g].options.emplace_back(name, own[g].front());
  }
}

}  // namespace raingen::common
