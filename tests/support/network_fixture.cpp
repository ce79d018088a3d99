#include "support/network_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include <fmt/format.h>

#include "support/tool_runs.h"

namespace testing_support {

namespace fs = std::filesystem;
using raingen::network::CoordinateSystem;

namespace {

// Long enough for a run of several thousand days on a loaded machine.
constexpr int timeout_seconds = 280;

ChildSetup setup_in(const fs::path& dir) {
  ChildSetup setup;
  setup.directory = dir;
  setup.timeout_seconds = timeout_seconds;
  return setup;
}

}  // namespace

std::string gauge_record(const RainAt& rain, date::sys_days first_day) {
  std::string text = "time,mm\n";
  for (int d = 0; d < 36; ++d)
    for (int j = 0; j < 96; ++j) {
      const auto rained = rain.find({d % 6, j});
      text += date::format("%Y-%m-%d %H:%M", first_day + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
              fmt::format(",{}\n", rained == rain.end() ? "0" : rained->second);
    }
  return text;
}

const std::array<RainAt, 3> three_gauges{RainAt{{{0, 10}, "0.3"}, {{0, 11}, "0.2"}, {{3, 30}, "3.0"}, {{5, 0}, "1.5"}},
                                         RainAt{{{0, 10}, "1.2"}, {{2, 50}, "0.6"}, {{5, 95}, "0.6"}},
                                         RainAt{{{2, 50}, "0.6"}, {{3, 31}, "2.4"}, {{5, 95}, "3.0"}}};

void write_gauge_records(const TempDir& dir, const std::array<RainAt, 3>& rain, date::sys_days first_day) {
  for (std::size_t g = 0; g < 3; ++g) dir.write(fmt::format("{}.csv", char('a' + g)), gauge_record(rain[g], first_day));
}

std::array<std::string, 3> gauge_stations(CoordinateSystem system) {
  if (system == CoordinateSystem::degrees) return {"A@-2.50,-79.20", "B@-2.60,-79.30", "C@-2.50,-79.40"};
  return {"A@0,0", "B@1000,0", "C@0,1000"};
}

const std::vector<SitePlace> three_sites{{"EAST", {-2.52, -79.25}, {200, 300}},
                                         {"WEST", {-2.55, -79.32}, {500, 100.5}},
                                         {"MID", {-2.53, -79.28}, {300, 400}}};

std::string sites_table(CoordinateSystem system) {
  const bool degrees = system == CoordinateSystem::degrees;
  std::string text = degrees ? "name,lat,lon\n" : "name,x,y\n";
  for (const SitePlace& place : three_sites) {
    const raingen::network::Position& at = degrees ? place.degrees : place.planar;
    text += fmt::format("{},{},{}\n", place.name, at.a, at.b);
  }
  return text;
}

PreparedNetwork::PreparedNetwork(const NetworkPlan& plan) {
  write_gauge_records(dir, plan.rain);
  for (std::size_t g = 0; g < 3; ++g)
    if (!plan.records[g].empty()) dir.write(fmt::format("{}.csv", char('a' + g)), plan.records[g]);
  dir.write(plan.sites_file, plan.sites_text.empty() ? sites_table(plan.coordinates) : plan.sites_text);
  std::vector<std::string> command{"--network", "net", "--sites", plan.sites_file, "--days", std::to_string(plan.days)};
  for (const char* gauge : {"A=a.csv", "B=b.csv", "C=c.csv"}) command.insert(command.end(), {"--gauge", gauge});
  for (const std::string& station : gauge_stations(plan.coordinates))
    command.insert(command.end(), {"--station", station});
  command.insert(command.end(), plan.options.begin(), plan.options.end());
  const Outcome prepared = tool("raingen-prepare", command);
  EXPECT_EQ(prepared.exit_status, 0) << prepared.err;
}

Outcome PreparedNetwork::tool(const std::string& tool, const std::vector<std::string>& arguments) const {
  return run_tool_in(dir.path(), tool, arguments);
}

Outcome run_program_in(const fs::path& folder, int seed) {
  ChildSetup setup = setup_in(folder);
  setup.environment = {{"RAINGEN_SEED", std::to_string(seed)}};
  return run_raingen(setup);
}

Outcome run_command_in(const fs::path& dir, const std::vector<std::string>& command) {
  return run_in_child(setup_in(dir), [&] {
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  });
}

std::vector<long> table_thousandths(const fs::path& file) {
  const std::string text = read_file(file);
  const std::size_t heading = text.find("TIME(MIN)");  // a results file's; SOURCE.OUT has none
  const std::size_t first_row = heading == std::string::npos ? 0 : text.find('\n', heading);
  std::istringstream rows(first_row == std::string::npos ? "" : text.substr(first_row));
  std::vector<long> depths;
  long minutes = 0;
  for (std::string depth; rows >> minutes >> depth;) {
    const std::size_t point = depth.find('.');
    EXPECT_TRUE(point != std::string::npos && depth.size() - point == 4) << file << ": " << depth;
    EXPECT_EQ(minutes, 15 * static_cast<long>(depths.size() + 1)) << file;
    if (point == std::string::npos) return depths;
    depths.push_back(std::stol(depth.substr(0, point) + depth.substr(point + 1)));
  }
  return depths;
}

std::vector<long> plain_run(const fs::path& folder, int seed) {
  TempDir copy;
  fs::copy(folder, copy.path(), fs::copy_options::recursive);
  const Outcome run = run_program_in(copy.path(), seed);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  return table_thousandths(copy / "SOURCE.OUT");
}

}  // namespace testing_support
