// raingen-export --network DIR --ensemble FILE.nc --realization K on a network that raingen-prepare
// --network made from the subcatchments of a small SWMM model: realization K of the file exported
// is byte for byte the folders' export after plain runs with that realization's seed (csv, the rain
// file and the lines to paste); a file written here with its sites in another order is exported in
// NETWORK.TXT's, and refused when a run of the realization failed, the realization is not there or
// the sites are not the manifest's, with nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <date/date.h>
#include <fmt/format.h>

#include "ensemble_file/ensemble_file.h"
#include "network/network_manifest.h"
#include "support/network_fixture.h"

namespace {

using namespace testing_support;
using namespace raingen;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// DIR/net: the network of the model's three subcatchments between gauges A, B and C, 60 days.
struct Network : PreparedNetwork {
  Network()
      : PreparedNetwork({.coordinates = network::CoordinateSystem::planar,
                         .sites_file = "town.inp",
                         .sites_text = "[SUBCATCHMENTS]\n;;Name Rain Gage Outlet Area\nSC1 G1 J1 1 25 500 0.5 0\n"
                                       "SC2 G1 J1 2 25 500 0.5 0\nSC3 G1 J1 3 25 500 0.5 0\n\n[MAP]\nUnits Meters\n\n"
                                       "[POLYGONS]\nSC1 100 100\nSC1 300 100\nSC1 300 300\nSC2 600 100\nSC2 800 100\n"
                                       "SC2 700 200\nSC3 100 600\nSC3 300 600\nSC3 200 700\n"}) {}
  Outcome export_to(const Args& arguments) const {
    Args all{"--network", "net"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return tool("raingen-export", all);
  }
  // The export's file (then removed, so that the next export may take its name) and its standard error.
  std::pair<std::string, std::string> exported(const Args& arguments, const std::string& output) const {
    Args all = arguments;
    all.push_back(output);
    const Outcome outcome = export_to(all);
    EXPECT_EQ(outcome.exit_status, 0) << outcome.err;
    const std::string text = dir.exists(output) ? dir.read(output) : "";
    fs::remove(dir / output);
    return {text, outcome.err};
  }
};

TEST(NetworkFileExport, ARealizationIsThePlainRunsOfItsSeedInEveryFolder) {
  const Network n;
  const Outcome made = n.tool("raingen-ensemble", {"--network", "net", "-n", "2", "--seed", "7", "--jobs", "2",
                                                   "--start", "2001-03-01 06:00", "-o", "ens.nc"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  const int seed = ensemble_file::NetworkReader(n.dir / "ens.nc").seed(1);
  EXPECT_EQ(seed, 8);
  std::map<std::string, std::pair<std::string, std::string>> from_file;
  for (const char* format : {"csv", "swmm-rain"})
    from_file[format] = n.exported({"--ensemble", "ens.nc", "--realization", "2", "--format", format}, "rain.out");
  for (const char* site : {"SC1", "SC2", "SC3"}) {
    ASSERT_EQ(run_program_in(n.net / site, seed).exit_status, 0);
    EXPECT_NE(from_file["swmm-rain"].first.find(fmt::format("\n{} 2001 ", site)), std::string::npos)
        << "no rain at " << site;
  }
  for (const char* format : {"csv", "swmm-rain"})
    EXPECT_EQ(n.exported({"--start", "2001-03-01 06:00", "--format", format}, "rain.out"), from_file[format]) << format;
  EXPECT_NE(from_file["swmm-rain"].second.find("[SUBCATCHMENTS]\n;;Name Rain Gage Outlet Area\nSC1 SC1 J1 1 25"),
            std::string::npos)
      << from_file["swmm-rain"].second;
}

// A file of one day from 2004-02-29 written here: sites in the order given, site s (from 0) wet at
// interval 23 (s + 1) alone with depth[s], realization 2's runs failed at the sites named.
void write_network_file(const fs::path& path, const std::vector<std::string>& sites,
                        const std::vector<std::string>& failed) {
  ensemble_file::EnsembleLayout layout;
  layout.start = date::sys_days{date::year{2004} / 2 / 29};
  layout.coordinates = network::CoordinateSystem::planar;
  layout.map_unit = "m";
  for (const std::string& site : sites) layout.sites.push_back({site, {1, 2}});
  layout.intervals = 96;
  layout.realizations = 2;
  layout.first_seed = 7;
  layout.checksum = "0123456789abcdef";
  ensemble_file::EnsembleWriter writer(path, path.string(), layout);
  const float depth[] = {1.25f, 0.069f, 2.0f, 0.5f};
  for (long k = 0; k < 2; ++k)
    for (long s = 0; s < static_cast<long>(sites.size()); ++s) {
      if (k == 1 && std::find(failed.begin(), failed.end(), sites[static_cast<std::size_t>(s)]) != failed.end()) {
        writer.put_failed(k, s);
        continue;
      }
      std::vector<float> depths(96, 0.0f);
      depths[static_cast<std::size_t>(s + 1) * 23] = depth[s];
      writer.put_depths(k, s, 0, depths);
      writer.put_complete(k, s);
    }
  writer.close();
}

TEST(NetworkFileExport, RefusesAFailedRunAMissingRealizationOrOtherSitesWritingNothing) {
  const Network n;
  write_network_file(n.dir / "failed.nc", {"SC3", "sc1", "SC2"}, {"SC2", "SC3"});
  write_network_file(n.dir / "other.nc", {"SC1", "SC2", "SC9"}, {});
  write_network_file(n.dir / "more.nc", {"SC1", "SC2", "SC3", "SC4"}, {});
  n.dir.write("out.txt", "old\n");
  // Realization 1 of the file whose sites are in another order: each site its own column.
  const Outcome taken =
      n.export_to({"--ensemble", "failed.nc", "--realization", "1", "--format", "swmm-rain", "out.txt"});
  EXPECT_EQ(taken.exit_status, 0) << taken.err;
  EXPECT_EQ(n.dir.read("out.txt"),
            "SC1 2004 02 29 11 30 0.069\nSC2 2004 02 29 17 15 2.000\nSC3 2004 02 29 05 45 1.250\n");
  EXPECT_TRUE(taken.err.starts_with("[RAINGAGES]\nSC1 VOLUME 0:15 1.0 FILE \"out.txt\" SC1 MM\n")) << taken.err;
  n.dir.write("out.txt", "old\n");

  const std::string manifest = n.dir.read("net/NETWORK.TXT");
  const long sc3_line =
      1 + std::count(manifest.begin(), manifest.begin() + static_cast<long>(manifest.find("[site SC3]")), '\n');
  const std::string elsewhere = ": the file holds another network's runs";
  const std::vector<std::tuple<const char*, Args, int, std::string>> cases = {
      {"a failed run",
       {"--ensemble", "failed.nc", "--realization", "2", "--format", "csv"},
       1,
       "failed.nc: realization 2 (seed 8) failed at sites SC2, SC3: the realization has no series there to export"},
      {"no such realization",
       {"--ensemble", "failed.nc", "--realization", "3", "--format", "csv"},
       1,
       "failed.nc: holds realizations 1 to 2: there is no realization 3"},
      {"a site missing",
       {"--ensemble", "other.nc", "--realization", "1", "--format", "swmm-rain"},
       1,
       fmt::format("net/NETWORK.TXT:{}: site SC3 is not in other.nc (its sites: SC1, SC2, SC9){}", sc3_line,
                   elsewhere)},
      {"a site too many",
       {"--ensemble", "more.nc", "--realization", "1", "--format", "csv"},
       1,
       "more.nc: site SC4 is not in net/NETWORK.TXT" + elsewhere},
      {"OUTPUT the file",
       {"--ensemble", "failed.nc", "--realization", "1", "--format", "csv", "failed.nc"},
       2,
       "failed.nc: is failed.nc, a file the export reads: it would be replaced; give another OUTPUT"},
      {"no realization",
       {"--ensemble", "failed.nc", "--format", "csv"},
       2,
       "--ensemble FILE.nc needs --realization K: the realization to export"},
      {"no file",
       {"--realization", "1", "--format", "csv"},
       2,
       "--realization K is a realization of --ensemble FILE.nc: give the file"},
      {"realization 0",
       {"--ensemble", "failed.nc", "--realization", "0", "--format", "csv"},
       2,
       "--realization 0: from 1"},
      {"a start",
       {"--ensemble", "failed.nc", "--realization", "1", "--start", "2004-01-01", "--format", "csv"},
       2,
       "--start: the ensemble file states when day 1 begins"},
  };
  const auto entries = [&n] {
    const auto listed = fs::recursive_directory_iterator(n.dir.path());
    return std::distance(fs::begin(listed), fs::end(listed));
  };
  const auto before = entries();
  const std::string file = n.dir.read("failed.nc");
  for (const auto& [what, arguments, status, message] : cases) {
    SCOPED_TRACE(what);
    Args command = arguments;
    if (command.back() == "csv" || command.back() == "swmm-rain") command.push_back("out.txt");
    const Outcome outcome = n.export_to(command);
    EXPECT_EQ(outcome.exit_status, status);
    EXPECT_EQ(outcome.err, "raingen-export: " + message + "\n");
    EXPECT_EQ(outcome.out + n.dir.read("out.txt"), "old\n");
    EXPECT_TRUE(n.dir.read("failed.nc") == file);
    EXPECT_EQ(entries(), before);  // no aside file
  }
  // Without --network the file is taken for a one-site file, and it says what it is.
  const Outcome alone =
      n.tool("raingen-export", {"--ensemble", "failed.nc", "--realization", "1", "--format", "csv", "out.txt"});
  EXPECT_EQ(alone.exit_status, 1);
  EXPECT_EQ(alone.err,
            "raingen-export: failed.nc: is a network ensemble file (its depths are over sites), where a "
            "one-site ensemble file is expected: a network's is read with --network DIR\n");
}

}  // namespace
