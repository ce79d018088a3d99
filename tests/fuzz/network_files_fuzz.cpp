// Fuzz target: the two texts a network is read from: NETWORK.TXT (as raingen-ensemble, -export and
// -report read it) and a sites file, as a CSV and as a SWMM input file (as raingen-prepare
// --network reads it). A ToolError is a normal outcome; a crash, a sanitizer report, another
// exception or a hang is a finding. What reads must hold to the rules the readers promise.
#include <filesystem>
#include <string_view>

#include "common/tool_error.h"
#include "fuzz_support.h"
#include "network/network_manifest.h"
#include "network/sites_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::enter_private_directory();
  std::filesystem::create_directory("net");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace raingen::network;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzz_support::write_whole_file("net/NETWORK.TXT", text);
  try {
    const NetworkManifest manifest = read_network_manifest("net");
    for (const NetworkSite& site : manifest.sites)
      if (site_name_problem(site.name) || site.gauges.size() != 3 || !manifest.gauge(site.gauges[0].id))
        __builtin_trap();
    // What it wrote reads back as the same text.
    fuzz_support::write_whole_file("net/NETWORK.TXT", network_manifest_text(manifest));
    if (network_manifest_text(read_network_manifest("net")) != network_manifest_text(manifest)) __builtin_trap();
  } catch (const raingen::common::ToolError&) {
  }
  for (const char* name : {"sites.csv", "model.inp"}) {
    fuzz_support::write_whole_file(name, text);
    try {
      const SiteList list = read_sites(name);
      if (list.sites.empty()) __builtin_trap();
      for (const SiteAt& site : list.sites)
        if (site_name_problem(site.name)) __builtin_trap();
    } catch (const raingen::common::ToolError&) {
    }
  }
  return 0;
}
