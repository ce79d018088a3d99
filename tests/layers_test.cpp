// .ci/check-layers run on a copy of the sources: the tree as it is keeps its layers, and each kind
// of forbidden include added to it is named with its file and line, the check failing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// The check and the sources it reads (headers and sources of every top-level folder but the
// tests', benchmarks' and examples') in dir.
void copy_sources(const fs::path& dir) {
  const fs::path source = RAINGEN_SOURCE_DIR;
  fs::create_directories(dir / ".ci");
  fs::copy(source / ".ci/check-layers", dir / ".ci/check-layers");
  for (const auto& folder : fs::directory_iterator(source)) {
    const std::string name = folder.path().filename().string();
    if (!folder.is_directory() || name.starts_with(".") || name.starts_with("build") || name == "tests" ||
        name == "bench" || name == "examples")
      continue;
    for (const auto& file : fs::directory_iterator(folder.path())) {
      const std::string extension = file.path().extension().string();
      if (extension != ".h" && extension != ".cpp") continue;
      fs::create_directories(dir / name);
      fs::copy(file.path(), dir / name / file.path().filename());
    }
  }
}

Outcome check_layers(const fs::path& dir) {
  ChildSetup setup;
  setup.directory = dir;
  return run_program_file(setup, "/bin/bash", {".ci/check-layers"});
}

TEST(Layers, TheSourcesKeepTheirLayers) {
  TempDir dir;
  copy_sources(dir.path());
  const Outcome outcome = check_layers(dir.path());
  EXPECT_EQ(outcome.exit_status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  const std::string heading = "tool libraries, each including only those before it:";
  ASSERT_TRUE(outcome.out.starts_with(heading)) << outcome.out;
  std::istringstream words(outcome.out.substr(heading.size()));
  const std::vector<std::string> order{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
  const auto place = [&](const char* name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
  // Each library after every library it may include.
  for (const auto& [below, above] : {std::pair{"common", "gauge"},
                                     {"gauge", "stations"},
                                     {"weighting", "stations"},
                                     {"netcdf", "exporting"},
                                     {"netcdf", "ensemble_file"},
                                     {"stations", "ensemble_file"},
                                     {"places", "netcdf"},
                                     {"places", "stations"},
                                     {"ensemble_file", "ensemble"},
                                     {"ensemble_file", "report"},
                                     {"stats", "report"}})
    EXPECT_LT(place(below), place(above)) << below << " before " << above;
}

TEST(Layers, AForbiddenIncludeIsNamed) {
  struct Case {
    const char* file;  // where the include goes, after its first line
    const char* include;
    const char* message;  // what the check says of it
  };
  const Case cases[] = {
      {"report/make_report.cpp", "#include \"ensemble/run_ensemble.h\"",
       "report/make_report.cpp:2: forbidden include of ensemble/ (report/ may include common calendar gauge stats "
       "weighting results stations places ensemble_file run_directory network page)"},
      {"stations/days.cpp", "#include \"netcdf/cf_series.h\"",
       "stations/days.cpp:2: forbidden include of netcdf/ (stations/ may include common calendar gauge weighting "
       "places stats)"},
      {"netcdf/cf_series.h", "#include \"exporting/export_settings.h\"",
       "netcdf/cf_series.h:2: forbidden include of exporting/ (netcdf/ may include common calendar places)"},
      {"ensemble_file/ensemble_file.h", "#include \"ensemble/progress.h\"",
       "ensemble_file/ensemble_file.h:2: forbidden include of ensemble/ (ensemble_file/ may include common calendar "
       "gauge netcdf stations places weighting network)"},
      {"common/tool_error.h", "#include \"gauge/fields.h\"",
       "common/tool_error.h:2: forbidden include of gauge/ (common/ may include no other folder)"},
      {"generator/dist.cpp", "#include \"results/table_row.h\"",
       "generator/dist.cpp:2: forbidden include of results/ (the program includes none of the tools' code)"},
      {"records/errors.h", "#include \"common/program_files.h\"",
       "records/errors.h:2: forbidden include of common/ (the program includes none of the tools' code)"},
      {"tools/raingen_report.cpp", "#include \"support/child.h\"",
       "tools/raingen_report.cpp:2: forbidden include of support/ (a tool's main includes tool libraries only)"},
      {"season/season.h", "#include \"gauge/calendar_series.h\"",
       "season/ holds sources but is no layer: add it to .ci/check-layers and CMakeLists.txt"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    copy_sources(dir.path());
    const fs::path file = dir / c.file;
    fs::create_directories(file.parent_path());
    std::string text = fs::exists(file) ? read_file(file) : "#pragma once\n";
    text.insert(text.find('\n') + 1, std::string(c.include) + "\n");
    write_file(file, text);
    const Outcome outcome = check_layers(dir.path());
    EXPECT_EQ(outcome.exit_status, 1) << c.file;
    EXPECT_EQ(outcome.err, std::string("check-layers: ") + c.message + "\n") << c.file;
    EXPECT_EQ(outcome.out, "") << c.file;
  }
}

}  // namespace
