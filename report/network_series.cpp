#include "report/network_series.h"

#include <memory>

namespace raingen::report {

RealizationSource single_realization(NetworkRealization realization) {
  // Shared, so that the source copies as std::function asks without copying the series.
  auto held = std::make_shared<std::optional<NetworkRealization>>(std::move(realization));
  return [held]() {
    std::optional<NetworkRealization> next = std::move(*held);
    held->reset();
    return next;
  };
}

}  // namespace raingen::report
