// A tool's command line read by CLI11, ended the same way in every tool: --help and --version
// print to standard output and end the tool with status 0; a command line CLI11 cannot read is a
// usage error (status 2) whose message points to --help.
#pragma once

#include <optional>

namespace CLI {
class App;
class Validator;
}

namespace raingen::common {

// Declares --version, which prints the tool's name (app's) and the version of raingen:
// "raingen-export 1.1.0".
void add_version_flag(CLI::App& app);

// A check for an option that takes a real number: a decimal number, no "nan" or "inf" (which the
// command-line parser would otherwise take, and every comparison with them is false).
CLI::Validator finite_number();

// Parses argv into app's options. Returns the exit status when the tool has nothing more to do
// (help or version printed), nothing when it goes on. Throws UsageError for a bad command line.
std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv);

}  // namespace raingen::common
