#include "common/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

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

namespace {

// The number of single-character insertions, deletions and substitutions that turn a into b.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The option of app nearest to a mistyped one (its "=VALUE" aside), when one is near enough to be
// what was meant: a third of its letters or two, whichever is more, changed at most.
std::optional<std::string> nearest_option(const CLI::App& app, std::string_view typed) {
  typed = typed.substr(0, typed.find('='));
  std::optional<std::string> best;
  std::size_t best_distance = std::max<std::size_t>(2, typed.size() / 3) + 1;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) {
      const std::size_t distance = edit_distance(typed, "--" + name);
      if (distance < best_distance) best_distance = distance, best = "--" + name;
    }
  }
  return best;
}

// The message naming an option of two names by the one typed (the message names the first).
std::string as_typed(const CLI::App& app, std::string message, int argc, char** argv) {
  for (const CLI::Option* option : app.get_options()) {
    const std::vector<std::string>& names = option->get_lnames();
    if (names.size() < 2 || message.rfind("--" + names.front() + ":", 0) != 0) continue;
    for (int k = 1; k < argc; ++k)
      for (const std::string& name : names) {
        const std::string_view word = argv[k];
        if (word == "--" + name || word.rfind("--" + name + "=", 0) == 0)
          return "--" + name + message.substr(names.front().size() + 2);
      }
  }
  return message;
}

// A CLI11 message, with the option meant when an unknown one is a near miss of one.
std::string usage_message(const CLI::App& app, const CLI::ParseError& error, int argc, char** argv) {
  std::string message = as_typed(app, error.what(), argc, argv);
  if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
    for (const std::string& extra : app.remaining()) {
      if (extra.size() < 2 || extra[0] != '-') continue;
      if (const auto meant = nearest_option(app, extra)) message += "; did you mean " + *meant + "?";
      break;
    }
  }
  return message + " (see --help)";
}

}  // namespace

std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return app.exit(done);
  } catch (const CLI::ParseError& error) {
    throw UsageError(usage_message(app, error, argc, argv));
  }
  return std::nullopt;
}

}  // namespace raingen::common
