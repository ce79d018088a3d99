// Speed and memory of raingen-ensemble --network: S sites prepared by raingen-prepare
// --weighted-site from the three pau01 gauges at different distances (each a run directory of 2000
// days, NETWORK.TXT beside them), K realizations at --jobs 2, against the floor measured in the
// same run: the same S x K plain runs of the program two at a time side by side, each in its own
// copy of its site's folder, a new run started as soon as one ends. Then the peak memory of the
// network ensemble (the ensemble or its largest run, as wait4 reports it) at two sizes, to show it
// is flat in sites and realizations.
//
//   build/bench/network_ensemble_bench [S [K [REPETITIONS]]]
// (S 10, K 10 and 3 repetitions by default; the size is S 100, K 100.) Target: the
// ensemble within 1.2 times the floor. Times are wall-clock medians; the load average is shown.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/child_run.h"
#include "bench/median.h"
#include "network/network_manifest.h"

namespace {

using raingen::bench::median;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using raingen::bench::ChildRun;

// Runs a command in dir, standard output and error dropped; a failure ends the benchmark.
ChildRun run(const std::vector<std::string>& command, const fs::path& dir) {
  return raingen::bench::run_child(command, dir);
}

std::string load_average() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

std::string site_name(long s) {
  std::string name = std::to_string(s + 1);
  return name.insert(0, 1, 'S');
}

// S sites in net: site s weights the gauges at distances that differ from site to site.
void prepare_network(const fs::path& net, long sites) {
  using namespace raingen;
  const std::string records = RAINGEN_EXAMPLE_RECORDS;
  network::NetworkManifest manifest;
  manifest.station = stations::StationId::given("SITE", "bench");
  manifest.sites_file = (net / "sites.csv").string();
  const char* ids[3] = {"PD01", "PD02", "PD03"};
  for (int g = 0; g < 3; ++g)
    manifest.gauges.push_back(
        {stations::StationId::given(ids[g], "bench"), {-2.9 + 0.01 * g, -79.2}, records + ids[g][3] + "_raw.csv"});
  for (long s = 0; s < sites; ++s) {
    const fs::path folder = net / site_name(s);
    fs::create_directories(folder);
    const int d[3] = {static_cast<int>(1 + s % 7), static_cast<int>(1 + (s / 7) % 5), static_cast<int>(2 + s % 3)};
    std::vector<std::string> command{
        RAINGEN_PREPARE_PROGRAM, "--weighted-site", "SITE", "--site", site_name(s), "--days", "2000"};
    for (int g = 0; g < 3; ++g)
      command.insert(command.end(), {"--gauge", std::string(ids[g]) + "=" + records + ids[g][3] + "_raw.csv"});
    for (int g = 0; g < 3; ++g)
      command.insert(command.end(), {"--station", std::string(ids[g]) + "=" + std::to_string(d[g])});
    run(command, folder);
    network::NetworkSite site{site_name(s), {-2.9 + 0.001 * static_cast<double>(s), -79.2}, site_name(s), {}};
    for (int g = 0; g < 3; ++g) site.gauges.push_back({manifest.gauges[static_cast<std::size_t>(g)].id, d[g]});
    std::sort(site.gauges.begin(), site.gauges.end(), [](auto& p, auto& q) { return p.distance < q.distance; });
    manifest.sites.push_back(site);
  }
  std::ofstream(net / "NETWORK.TXT") << network::network_manifest_text(manifest);
}

// The S x K plain runs, run n being realization n / S + 1 at site n % S, two at a time, each slot
// in its own copy of each site's folder. Returns the wall-clock seconds.
double plain_runs_side_by_side(const fs::path& net, const fs::path& scratch, long sites, long k) {
  for (const char* slot : {"a", "b"})
    for (long s = 0; s < sites; ++s)
      fs::create_directories(scratch / slot / site_name(s)),
          fs::copy(net / site_name(s), scratch / slot / site_name(s));
  const auto start = Clock::now();
  pid_t running[2] = {0, 0};
  long next = 0;
  for (long ended = 0; ended < sites * k;) {
    for (int slot = 0; slot < 2; ++slot) {
      if (running[slot] != 0 || next >= sites * k) continue;
      const long n = next++;
      const fs::path folder = scratch / (slot == 0 ? "a" : "b") / site_name(n % sites);
      std::fflush(stdout);
      running[slot] = fork();
      if (running[slot] == 0) {
        if (chdir(folder.c_str()) != 0 || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
          _exit(125);
        setenv("RAINGEN_SEED", std::to_string(n / sites + 1).c_str(), 1);
        execl(RAINGEN_PROGRAM, RAINGEN_PROGRAM, static_cast<char*>(nullptr));
        _exit(126);
      }
    }
    int status = 0;
    const pid_t pid = wait(&status);
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "a plain run side by side ended with status %d\n", status);
      std::exit(1);
    }
    for (pid_t& slot : running)
      if (slot == pid) slot = 0;
    ++ended;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  fs::remove_all(scratch);
  return seconds;
}

ChildRun network_ensemble(const fs::path& dir, const fs::path& net, long k) {
  const ChildRun made = run({RAINGEN_ENSEMBLE_PROGRAM, "--network", net.string(), "-n", std::to_string(k), "--jobs",
                             "2", "--output", (dir / "network.nc").string()},
                            dir);
  fs::remove(dir / "network.nc");
  return made;
}

}  // namespace

int main(int argc, char** argv) {
  const long sites = argc > 1 ? std::atol(argv[1]) : 10;
  const long k = argc > 2 ? std::atol(argv[2]) : 10;
  const int repetitions = argc > 3 ? std::atoi(argv[3]) : 3;
  if (sites < 1 || k < 1 || repetitions < 1) {
    std::fprintf(stderr, "usage: network_ensemble_bench [S [K [REPETITIONS]]]\n");
    return 2;
  }
  char pattern[] = "/tmp/network-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  const long memory_sizes[2] = {8, 32};  // sites = realizations
  const long largest = std::max({sites, memory_sizes[1]});
  prepare_network(dir / "net", largest);
  // The network of S sites: the first S of the largest one's folders.
  const auto network_of = [&](long count) {
    const fs::path net = dir / ("net" + std::to_string(count));
    if (fs::exists(net)) return net;
    fs::create_directories(net);
    for (long s = 0; s < count; ++s) fs::create_directory_symlink(dir / "net" / site_name(s), net / site_name(s));
    std::ifstream in(dir / "net" / "NETWORK.TXT");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t cut = text.find("[site " + site_name(count) + "]");
    std::ofstream(net / "NETWORK.TXT") << (cut == std::string::npos ? text : text.substr(0, cut));
    return net;
  };
  std::printf("load average before: %s\n", load_average().c_str());
  std::printf(
      "%ld sites x %ld realizations x 2000 days at --jobs 2 against %ld plain runs two side by side, "
      "%d repetition(s)\n",
      sites, k, sites * k, repetitions);
  std::vector<double> floor, made;
  for (int r = 0; r < repetitions; ++r) {
    floor.push_back(plain_runs_side_by_side(network_of(sites), dir / "slots", sites, k));
    made.push_back(network_ensemble(dir, network_of(sites), k).seconds);
    std::printf("  repetition %d: plain runs %.1f s, network ensemble %.1f s (load %s)\n", r + 1, floor.back(),
                made.back(), load_average().c_str());
  }
  const double f = median(floor), m = median(made);
  std::printf("| %ld plain runs, two side by side (the floor) | %.1f s |\n", sites * k, f);
  std::printf(
      "| raingen-ensemble --network, %ld sites x %ld realizations, --jobs 2 | %.1f s | %.2f times the floor |\n", sites,
      k, m, m / f);
  std::printf("peak memory of the network ensemble (the ensemble or its largest run), 2000 days, --jobs 2:\n");
  for (long size : memory_sizes)
    std::printf("  %ld sites x %ld realizations: %.1f MiB\n", size, size,
                network_ensemble(dir, network_of(size), size).peak_mib);
  std::printf("load average after: %s\n", load_average().c_str());
  fs::remove_all(dir);
  return 0;
}
