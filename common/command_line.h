// A tool's command line read by CLI11, ended the same way in every tool: --help and --version
// print to standard output and end the tool with status 0; a command line CLI11 cannot read is a
// usage error (status 2) whose message points to --help.
#pragma once

#include <optional>

namespace CLI {
class App;
class Validator;
}  // namespace CLI

namespace raingen::common {

// Declares --version, which prints the tool's name (app's) and the version of raingen:
// "raingen-export 1.2.0".
void add_version_flag(CLI::App& app);

// The habits of every tool's files, for its --help: what is replaced, what a line may hold, what
// an interruption leaves.
inline constexpr const char* files_help = R"(Files:
  Inputs are read once, from start to end: a pipe, a FIFO, /dev/stdin, a process
  substitution or - (standard input) reads as a file does. A line longer than
  1048576 bytes (1 MiB) is an error naming the file and line. An output replaces
  only a regular file (or a name not yet taken): a directory, FIFO, device or
  socket named as an output is refused before any work (status 2), and so is an
  output that is one of the inputs. Every output is written aside
  (.NAME.partial-XXXXXX) and renamed into place when whole; interrupted (Ctrl-C,
  SIGTERM, SIGHUP) a tool removes it, changes nothing and ends with status 1.
  The partial file of a tool killed outright is removed by the next tool that
  writes into that folder.)";

// A check for an option that takes a real number: a decimal number, no "nan" or "inf" (which the
// command-line parser would otherwise take, and every comparison with them is false).
CLI::Validator finite_number();

// Parses argv into app's options. Returns the exit status when the tool has nothing more to do
// (help or version printed), nothing when it goes on. Throws UsageError for a bad command line.
std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv);

}  // namespace raingen::common
