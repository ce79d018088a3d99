// NETWORK.TXT, the manifest of a network directory: written and read back whole, in both
// coordinate systems, and every malformed line named by file and line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tool_error.h"
#include "network/network_manifest.h"
#include "support/child.h"

namespace {

using namespace raingen::network;
using raingen::common::ToolError;
using raingen::stations::StationId;
using testing_support::TempDir;

StationId id(const char* text) { return StationId::given(text, "test identifier"); }

NetworkManifest planar_network() {
  NetworkManifest m;
  m.coordinates = CoordinateSystem::planar;
  m.map_unit = "Meters";
  m.present = raingen::weighting::Presence::any;
  m.station = id("SITE");
  m.sites_file = "/models/town.inp";
  m.sites_from = SitesFrom::swmm;
  m.gauges = {{id("G1"), {0, 0}, "/data/g1.csv"},
              {id("G2"), {1000, 0}, "/data/g 2.csv"},
              {id("G3"), {0, 1500.5}, std::nullopt}};
  m.sites = {{"S1", {250, 300}, "S1", {{id("G1"), 39}, {id("G2"), 86}, {id("G3"), 123}}},
             {"sub-2.b", {700, 100}, "sub-2.b", {{id("G2"), 32}, {id("G1"), 71}, {id("G3"), 160}}}};
  return m;
}

TEST(NetworkManifest, ReadsBackWhatItWrote) {
  for (const CoordinateSystem system : {CoordinateSystem::planar, CoordinateSystem::degrees}) {
    NetworkManifest m = planar_network();
    m.coordinates = system;
    if (system == CoordinateSystem::degrees) {
      m.gauges[1].position = {-2.5, -79.25};
      m.gauges[2].position = {0, 150.5};
      m.sites[0].position = {25, 30};
      m.sites[1].position = {45.1234567, 7.5};
    }
    TempDir dir;
    dir.write("NETWORK.TXT", network_manifest_text(m));
    const NetworkManifest back = read_network_manifest(dir.path());
    EXPECT_EQ(network_manifest_text(back), network_manifest_text(m));
    ASSERT_EQ(back.sites.size(), 2u);
    EXPECT_EQ(back.sites[1].name, "sub-2.b");
    EXPECT_EQ(back.sites[1].gauges[2].distance, 160);
    EXPECT_EQ(back.gauges[1].position.b, m.gauges[1].position.b);
    EXPECT_EQ(back.gauges[1].record, "/data/g 2.csv");
    EXPECT_FALSE(back.gauges[2].record);
    EXPECT_EQ(back.site("SUB-2.B"), &back.sites[1]);  // SWMM's names ignore letter case
    EXPECT_EQ(back.present, raingen::weighting::Presence::any);
  }
}

TEST(NetworkManifest, DistancesInTheSystemsUnit) {
  EXPECT_DOUBLE_EQ(distance(CoordinateSystem::planar, {0, 0}, {300, 400}), 500);
  // One degree of latitude on the mean sphere: 6371.0088 km x pi / 180.
  EXPECT_NEAR(distance(CoordinateSystem::degrees, {10, 20}, {11, 20}), 111.1951, 1e-4);
  NetworkManifest m = planar_network();
  EXPECT_EQ(distance_unit(m), "Meters");
  m.coordinates = CoordinateSystem::degrees;
  EXPECT_EQ(distance_unit(m), "km");
}

TEST(NetworkManifest, SiteNamesThatCannotNameAFolderAndAGage) {
  for (const char* good : {"S1", "SUB_12", "a-b.c", "X#2", "1"}) EXPECT_FALSE(site_name_problem(good)) << good;
  for (const char* bad : {"", "two words", "a/b", "a\\b", "q\"uote", "semi;colon", ".hidden", "-dash", "[SECTION]"})
    EXPECT_TRUE(site_name_problem(bad)) << bad;
  EXPECT_TRUE(site_name_problem(std::string(64, 'x')));
  EXPECT_FALSE(site_name_problem(std::string(63, 'x')));
}

TEST(NetworkManifest, NamesTheLineOfWhatItCannotRead) {
  const std::string head = "[network]\ncoordinates = planar\nstation = SITE\n[gauge G1]\nposition = 0,0\n";
  const std::string site = "[site S1]\nposition = 1,1\nfolder = S1\ngauge = G1 1\ngauge = G1 2\ngauge = G1 3\n";
  struct Case {
    std::string text;
    std::string error;  // LINE: message start
  };
  const std::vector<Case> cases{
      {head + site, ""},
      {"station = X\n", "1: 'station = X' comes before any [section]"},
      {head + "[site S1]\nposition = 1\n", "7: position '1' is not X,Y"},
      {"[network]\ncoordinates = degrees\nstation = SITE\n[gauge G1]\nposition = 91,0\n",
       "5: position '91,0' is not LAT,LON"},
      {head + "[site two words]\n", "6: [site two words]: a site name is printable ASCII"},
      {head + site + "[site s1]\n", "12: [site s1]: the site S1 (line 6) has that name"},
      {head + "[site S1]\nposition = 1,1\nfolder = ../x\n", "8: folder '../x' is not a folder inside"},
      {head + "[site S1]\nposition = 1,1\nfolder = ./\n", "8: folder './' is not a folder inside"},
      {head + site + "[site S2]\nposition = 1,1\nfolder = ./s1/\n",
       "14: folder './s1/' is the folder of site S1 (line 6)"},
      {head + "[site S1]\nposition = 1,1\nfolder = S1\ngauge = G1 1000\n", "9: gauge 'G1 1000' is not ID DISTANCE"},
      {head + "[site S1]\nposition = 1,1\nfolder = S1\ngauge = G1 1\n", "6: [site S1] names 1 gauges"},
      {head + "[site S1]\nposition = 1,1\nposition = 2,2\n", "8: position is given twice"},
      {head + "[gauge G1]\n", "6: [gauge G1] is given twice (line 4)"},
      {head + "[site S1]\nposition = 1,1\nfolder = S1\ngauge = G9 1\ngauge = G1 2\ngauge = G1 3\n",
       "6: [site S1] is weighted from gauge G9"},
      {"[network]\nstation = SITE\n[gauge G1]\nposition = 0,0\n", "4: a position comes before [network] says"},
      {"[network]\ncoordinates = planar\n[gauge G1]\nposition = 0,0\n" + site,
       "1: [network] does not name the site station"},
      {head, "0: lists no [site]"},
      {"# nothing\n", "0: has no [network] section"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.write("NETWORK.TXT", c.text);
    std::string error;
    try {
      read_network_manifest(dir.path());
    } catch (const ToolError& e) {
      EXPECT_EQ(e.file(), (dir / "NETWORK.TXT").string());
      error = std::to_string(e.line()) + ": " + e.what();
    }
    if (c.error.empty())
      EXPECT_EQ(error, "") << c.text;
    else
      EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.text << "\ngave: " << error;
  }
}

}  // namespace
