#include "common/command_line.h"

#include <CLI/CLI.hpp>

#include <string>

#include "common/numbers.h"
#include "common/shown_text.h"
#include "common/tool_error.h"
#include "common/version.h"

namespace raingen::common {

CLI::Validator finite_number() {
  return CLI::Validator(
      [](const std::string& text) -> std::string {
        if (parse_real(text)) return {};
        return "'" + shown_text(text) + "' is not a finite decimal number";
      },
      "NUMBER");
}

void add_version_flag(CLI::App& app) { app.set_version_flag("--version", app.get_name() + " " + version); }

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
