// The gauge records named on one command line: "--gauge ID=FILE", once per record, and the reading
// options of the gauge readers given either for every record ("--format csv") or for one
// ("--format ID:csv", ID one of the --gauge identifiers), so that a tool reading several records
// takes the same options as a tool reading one. A value for one record wins over a value for all.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace raingen::common {

struct GaugeArgument {
  std::string id;
  std::string path;
  // Reading options by name ("format", "csv"): the ones for every record first, then its own.
  std::vector<std::pair<std::string, std::string>> options;
};

// "ID=FILE" texts in the order given. Throws UsageError for a text without '=', an empty ID or
// FILE, or an ID named twice.
std::vector<GaugeArgument> parse_gauge_arguments(const std::vector<std::string>& texts);

// Hands the values of option `name` (as given on the command line, in order) to the records.
// A value that starts with "ID:" for an ID of a record belongs to that record alone. Throws
// UsageError when the option is given twice for every record or twice for one record.
void distribute_reading_option(std::vector<GaugeArgument>& gauges, const std::string& name,
                               const std::vector<std::string>& values);

}  // namespace raingen::common
