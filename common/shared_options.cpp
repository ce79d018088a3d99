#include "common/shared_options.h"

#include <fmt/format.h>

#include "common/command_line.h"
#include "common/tool_error.h"

namespace raingen::common {

CLI::Option* add_min_complete_option(CLI::App& app, double& percent, const std::string& help) {
  return app.add_option("--min-complete", percent, help)->check(finite_number());
}

void check_min_complete(double percent) {
  if (!(percent > 0 && percent <= 100))
    throw UsageError(fmt::format("--min-complete {:g} is not a percentage above 0 and at most 100", percent));
}

CLI::Option* add_threshold_option(CLI::App& app, double& mm, const std::string& help) {
  return app.add_option("--wet-threshold,--dry-threshold", mm, help)->check(finite_number());
}

void check_threshold(double mm) {
  if (!(mm >= 0)) throw UsageError(fmt::format("--wet-threshold {:g} is below 0", mm));
}

}  // namespace raingen::common
