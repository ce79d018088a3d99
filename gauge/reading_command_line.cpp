#include "gauge/reading_command_line.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::gauge {

void add_reading_options(CLI::App& app, ReadingValues& values) {
  for (std::size_t k = 0; k < values.size(); ++k)
    app.add_option(std::string("--") + reading_options[k].name, values[k], reading_options[k].help)
        ->take_all()
        ->allow_extra_args(false);
}

ReadOptions read_options_of(const ReadingValues& values) {
  ReadOptions options;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (values[k].size() > 1) throw common::UsageError(fmt::format("--{} is given twice", reading_options[k].name));
    if (!values[k].empty()) set_read_option(options, reading_options[k].name, values[k].front());
  }
  return options;
}

void distribute_reading_options(std::vector<common::GaugeArgument>& gauges, const ReadingValues& values) {
  for (std::size_t k = 0; k < values.size(); ++k)
    common::distribute_reading_option(gauges, reading_options[k].name, values[k]);
}

}  // namespace raingen::gauge
