// A small network for the network tools' end-to-end tests: three gauges' 15-minute records, a
// network directory made from them by raingen-prepare --network, and runs of the tools, the
// program and outside commands in a folder, with the tables the program writes read back.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <date/date.h>

#include "network/network_manifest.h"
#include "support/child.h"
#include "support/tool_runs.h"

namespace testing_support {

// Rain in mm, as a record states it, at (day % 6, interval of the day from 0); dry elsewhere.
using RainAt = std::map<std::pair<int, int>, const char*>;

inline constexpr date::sys_days first_record_day = date::sys_days{date::year{2001} / 1 / 1};

// Thirty-six days of a 15-minute record (csv "time,mm") from first_day, each reading stamped at
// the end of its interval.
std::string gauge_record(const RainAt& rain, date::sys_days first_day = first_record_day);

// The rain of gauges A, B and C: wet on days 0, 2, 3 and 5 of every six, each gauge at its own
// intervals and depths (A and B share day 0's interval 10; B and C day 2's interval 50 and day
// 5's last).
extern const std::array<RainAt, 3> three_gauges;

// Writes the records of gauges A, B and C into dir as a.csv, b.csv and c.csv.
void write_gauge_records(const TempDir& dir, const std::array<RainAt, 3>& rain = three_gauges,
                         date::sys_days first_day = first_record_day);

// The stations A, B and C as raingen-prepare --station takes them (ID@A,B) in either coordinate
// system: degrees around the sites below, or map units at three corners of a square of side 1000.
std::array<std::string, 3> gauge_stations(raingen::network::CoordinateSystem system);

// The sites EAST, WEST and MID between the gauges, at a position in each coordinate system.
struct SitePlace {
  const char* name;
  raingen::network::Position degrees, planar;
};
extern const std::vector<SitePlace> three_sites;

// The sites file of three_sites in this coordinate system ("name,lat,lon" or "name,x,y").
std::string sites_table(raingen::network::CoordinateSystem system);

// What raingen-prepare --network is given: the gauges' coordinate system, the file that names the
// sites (a sites table or a SWMM model) and its text, the gauges' rain and the days to generate.
struct NetworkPlan {
  raingen::network::CoordinateSystem coordinates = raingen::network::CoordinateSystem::degrees;
  std::string sites_file = "sites.csv";
  std::string sites_text{};  // empty: sites_table(coordinates)
  std::array<RainAt, 3> rain = three_gauges;
  std::array<std::string, 3> records{};  // the gauges' records as written; empty: made from rain
  int days = 60;
  std::vector<std::string> options{};  // more of raingen-prepare's options, e.g. --utc-offset
};

// DIR/net: a network directory made by raingen-prepare --network from gauges A, B and C (their
// records and the sites file written into DIR first), each site's folder a run directory. A
// failed preparation fails the calling test.
struct PreparedNetwork {
  TempDir dir;
  std::filesystem::path net = dir / "net";

  explicit PreparedNetwork(const NetworkPlan& plan = {});
  // Runs build/<tool> in DIR.
  Outcome tool(const std::string& tool, const std::vector<std::string>& arguments) const;
};

// Runs the program in folder with RAINGEN_SEED=seed; its results are left there.
Outcome run_program_in(const std::filesystem::path& folder, int seed);

// Runs command (its first word looked up on PATH) in dir.
Outcome run_command_in(const std::filesystem::path& dir, const std::vector<std::string>& command);

// The depths of a table the program wrote (SOURCE.OUT, or a results file after its heading), row
// by row in thousandths of a mm. Fails the calling test where a row is not the next 15 minutes
// with a three-decimal depth.
std::vector<long> table_thousandths(const std::filesystem::path& file);

// The depths (in thousandths) of the table a plain run of the program writes in folder with this
// seed; the run is made in a copy of the folder, which stays as it was. A failed run fails the
// calling test.
std::vector<long> plain_run(const std::filesystem::path& folder, int seed);

}  // namespace testing_support
