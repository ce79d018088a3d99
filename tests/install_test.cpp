// `cmake --install` into a fresh prefix gives a working set: the program and the four tools in
// PREFIX/bin run the bundled example from there (the pau01 records installed with them prepared
// into station files, the program run, a 2-realization ensemble that finds the installed raingen
// beside itself) and make the same files, byte for byte, as the programs of the build tree (the
// ensemble file but for the run directory it names).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const char* const tools[] = {"raingen", "raingen-prepare", "raingen-report", "raingen-export", "raingen-ensemble"};

std::map<std::string, std::string> files_in(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), dir).string()] = read_file(entry.path());
  return files;
}

// The ensemble file as ncdump shows it, without its name, the run directory it names (source) and
// the time it was made (history).
std::string dumped_ensemble(const fs::path& file) {
  ChildSetup setup;
  setup.directory = file.parent_path();
  const Outcome dump = run_in_child(setup, [&] {
    std::string name = file.filename().string();
    char* argv[] = {const_cast<char*>("ncdump"), name.data(), nullptr};
    execvp("ncdump", argv);
    _exit(126);
  });
  EXPECT_EQ(dump.exit_status, 0) << dump.err;
  std::string kept;
  std::size_t begin = dump.out.find('\n') + 1;
  for (std::size_t end; (end = dump.out.find('\n', begin)) != std::string::npos; begin = end + 1)
    if (dump.out.compare(begin, 11, "\t\t:source =") != 0 && dump.out.compare(begin, 12, "\t\t:history =") != 0)
      kept += dump.out.substr(begin, end - begin + 1);
  return kept;
}

// The commands of the example (the README's first command, then an ensemble) with the programs in
// bin and the records in records, into run; what each showed on standard error, in order, the
// ensemble's timing taken out.
std::string run_example(const fs::path& bin, const fs::path& records, const fs::path& run) {
  ChildSetup setup;
  setup.directory = run;
  setup.timeout_seconds = 300;
  std::string shown;
  const auto step = [&](const std::string& program, const std::vector<std::string>& arguments) {
    const Outcome outcome = run_program_file(setup, (bin / program).string(), arguments);
    EXPECT_EQ(outcome.exit_status, 0) << program << ": " << outcome.err;
    shown += outcome.err;
  };
  for (const char* id : {"PD01", "PD02", "PD03"})
    step("raingen-prepare", {"--id", id, (records / (std::string("iMHEA_PAU_01_PD_0") + id[3] + "_raw.csv")).string()});
  step("raingen-prepare",
       {"--site", "PAU01", "--days", "2000", "--station", "PD01=1", "--station", "PD02=1", "--station", "PD03=1"});
  setup.environment = {{"RAINGEN_SEED", "42"}};
  step("raingen", {});
  setup.environment.clear();
  step("raingen-ensemble", {"--realizations", "2", "--jobs", "2", "--keep", "kept", "--output", "e.nc"});
  return std::regex_replace(shown, std::regex(R"( in [0-9]+\.[0-9] s \([0-9]+\.[0-9] per s\))"), " in T s");
}

TEST(Install, TheInstalledProgramsRunTheExampleAsTheBuiltOnes) {
  TempDir prefix, installed_run, built_run;
  ChildSetup setup;
  const Outcome install =
      run_program_file(setup, RAINGEN_CMAKE, {"--install", RAINGEN_TOOL_DIR, "--prefix", prefix.path().string()});
  ASSERT_EQ(install.exit_status, 0) << install.err;
  const fs::path bin = prefix / "bin";
  for (const char* tool : tools) {
    const Outcome version = run_program_file(setup, (bin / tool).string(), {"--version"});
    EXPECT_EQ(version.out, std::string(tool) + " " + RAINGEN_PROJECT_VERSION + "\n");
  }
  const fs::path records = prefix / "share/raingen/examples/pau01";
  EXPECT_EQ(files_in(records), files_in(RAINGEN_EXAMPLE_RECORDS));
  for (const char* document : {"README.md", "LICENSE", "CHANGELOG.md", "docs/formats.md", "docs/images"})
    EXPECT_TRUE(fs::exists(prefix / "share/doc/raingen" / document)) << document;
  for (const char* tool : tools)
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/man/man1" / (std::string(tool) + ".1"))) << tool;
  for (const char* script : {"ensemble.sbatch", "network.sbatch", "merge.sbatch"})
    EXPECT_EQ(::access((prefix / "share/raingen/examples/slurm" / script).c_str(), X_OK), 0) << script;
  EXPECT_EQ(files_in(prefix / "share/raingen/examples/recipes"),
            files_in(fs::path(RAINGEN_EXAMPLE_RECORDS).parent_path() / "recipes"));

  const std::string installed = run_example(bin, records, installed_run.path());
  const std::string built = run_example(RAINGEN_TOOL_DIR, RAINGEN_EXAMPLE_RECORDS, built_run.path());
  EXPECT_EQ(installed, "raingen-ensemble: 2 realizations in T s, 0 failed: e.nc\n");
  EXPECT_EQ(installed, built);
  auto files = files_in(installed_run.path()), built_files = files_in(built_run.path());
  // INPUT.TXT, RAINGEN.TXT, 9 station files, RESULTS.TXT, SOURCE.OUT, e.nc, 2 kept
  EXPECT_EQ(files.size(), 16u);
  // RAINGEN.TXT names each station's record where it was read: the same file in both places.
  const auto records_named = [](std::string text, const fs::path& records) {
    const std::string path = records.string();
    for (std::size_t at; (at = text.find(path)) != std::string::npos;) text.replace(at, path.size(), "RECORDS");
    return text;
  };
  files["RAINGEN.TXT"] = records_named(files["RAINGEN.TXT"], records);
  built_files["RAINGEN.TXT"] = records_named(built_files["RAINGEN.TXT"], RAINGEN_EXAMPLE_RECORDS);
  EXPECT_EQ(dumped_ensemble(installed_run / "e.nc"), dumped_ensemble(built_run / "e.nc"));
  files.erase("e.nc");
  built_files.erase("e.nc");
  EXPECT_TRUE(files == built_files) << "the installed programs wrote other files";

  // The ensemble runs the raingen beside it, and no other.
  fs::remove(bin / "raingen");
  setup.directory = installed_run.path();
  const Outcome alone =
      run_program_file(setup, (bin / "raingen-ensemble").string(), {"--realizations", "1", "--output", "f.nc"});
  EXPECT_EQ(alone.exit_status, 1);
  EXPECT_EQ(alone.err, "raingen-ensemble: " + (bin / "raingen").string() +
                           ": cannot be run: No such file or directory (raingen is looked for beside this program)\n");
}

}  // namespace
