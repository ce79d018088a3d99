// Where a network report's generated series come from: a source that gives one realization at a
// time, the series of every site of the network in NETWORK.TXT's order. A plain run in each site's
// folder is one realization; a network ensemble file gives one per realization, read one at a
// time, so that the figures of many realizations never hold more than one in memory.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gauge/calendar_series.h"

namespace raingen::report {

struct SiteSeries {
  std::string site;  // the site's name in NETWORK.TXT
  gauge::CalendarSeries series;
};

// One realization: a series for every site, in NETWORK.TXT's order.
using NetworkRealization = std::vector<SiteSeries>;

// Each call gives the next realization, none when there is no more.
using RealizationSource = std::function<std::optional<NetworkRealization>()>;

// A source of the one realization given.
RealizationSource single_realization(NetworkRealization realization);

}  // namespace raingen::report
