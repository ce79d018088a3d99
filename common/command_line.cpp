#include "common/command_line.h"

#include <CLI/CLI.hpp>

#include <string>

#include "common/tool_error.h"

namespace raingen::common {

std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::ParseError& error) {
    throw UsageError(std::string(error.what()) + " (see --help)");
  }
  return std::nullopt;
}

}  // namespace raingen::common
