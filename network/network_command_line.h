// raingen-prepare --network DIR: its command line (stations/prepare_command_line.h gathers the
// values) checked and turned into a NetworkCommand, which is then carried out.
#pragma once

#include <ostream>

#include "stations/prepare_command_line.h"

namespace raingen::network {

// Throws UsageError for an option --network does not take (--id, RECORD, --site, --site-at,
// --weighted-site, --seasons), a missing --sites or --days, or a --station that is not ID@A,B;
// then runs the preparation (network/prepare_network.h).
void run_network_command_line(const stations::PrepareCommandLine& line, std::ostream& out);

}  // namespace raingen::network
