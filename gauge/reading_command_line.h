// The reading options on a tool's command line, declared in one place for every tool that reads
// gauge records (raingen-prepare in each of its uses, raingen-report's --gauge): each option of
// reading_options, taking one value each time it is given, so that a stray word is named as such
// instead of passing for a second value. The values are kept as given and checked once the tool
// knows whether it reads one record or several.
#pragma once

#include <array>
#include <iterator>
#include <string>
#include <vector>

#include "common/gauge_arguments.h"
#include "gauge/read_options.h"

namespace CLI {
class App;
}

namespace raingen::gauge {

// The values of each reading option, in the order of reading_options, as given.
using ReadingValues = std::array<std::vector<std::string>, std::size(reading_options)>;

// Declares --format, --column, --swmm-station, --stamp, --from and --to on app, into values.
void add_reading_options(CLI::App& app, ReadingValues& values);

// The options of the one record a command line reads. Throws UsageError for an option given
// twice or a value that does not fit (as set_read_option does).
ReadOptions read_options_of(const ReadingValues& values);

// Hands the values to the records named by --gauge: a value for every record, or for one as
// "ID:VALUE" (common::distribute_reading_option). Throws UsageError as that does.
void distribute_reading_options(std::vector<common::GaugeArgument>& gauges, const ReadingValues& values);

}  // namespace raingen::gauge
