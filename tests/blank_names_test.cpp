// Blank file names: taken from the command line in order, then asked at the console, and what
// happens when the console input ends first; in a piece of the program and in whole runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "records/connections.h"
#include "records/console.h"
#include "records/run_end.h"
#include "support/child.h"
#include "support/generator_runs.h"

namespace {

using namespace records;
using testing_support::ChildSetup;
using testing_support::Outcome;
using testing_support::run_in_child;
using testing_support::TempDir;

const std::string prompt_100 = "File name missing or blank - please enter file name\r\nUNIT 100? ";
const std::string prompt_900 = "File name missing or blank - please enter file name\r\nUNIT 900? ";

std::vector<std::string> arguments;  // the program's arguments in a child, its name first

void start_child() {
  console::reset();
  reset_connections();
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  set_command_line(static_cast<int>(argv.size()), argv.data());
}

// The name unit got, on standard error.
void tell_name(int unit) {
  Connection* c = find_unit(unit);
  std::string told = c ? "[" + c->name + "]" : "[not connected]";
  ::write(2, told.data(), told.size());
}

class BlankNamesTest : public ::testing::Test {
 protected:
  Outcome run(const std::string& input, const std::vector<std::string>& args, void (*body)()) {
    ChildSetup setup;
    setup.directory = dir.path();
    setup.input = input;
    arguments = args;
    arguments.insert(arguments.begin(), "raingen");
    return run_in_child(setup, [body] {
      start_child();
      body();
    });
  }
  TempDir dir;
};

TEST_F(BlankNamesTest, NoArgumentsPromptsAndReadsTheName) {
  Outcome o = run("  RESULT.TXT \n", {}, [] {
    int code = connect_unit(100, "           ", Status::unknown, true);
    tell_name(100);
    if (code != 0) _exit(2);
  });
  EXPECT_EQ(o.exit_status, 0);
  EXPECT_EQ(o.out, prompt_100);
  EXPECT_EQ(o.err, "[RESULT.TXT]");
  EXPECT_TRUE(dir.exists("RESULT.TXT"));
}

TEST_F(BlankNamesTest, OneArgumentServesTheFirstBlankNameAndTheSecondPrompts) {
  Outcome o = run("SECOND.TXT\r\n", {" FIRST.TXT "}, [] {
    connect_unit(100, "", Status::unknown, true);
    tell_name(100);
    connect_unit(900, " ", Status::unknown, true);
    tell_name(900);
  });
  EXPECT_EQ(o.out, prompt_900);
  EXPECT_EQ(o.err, "[FIRST.TXT][SECOND.TXT]");
}

TEST_F(BlankNamesTest, BlankAnswersAskAgain) {
  Outcome o = run("\n    \r\n  X  \r\n", {}, [] {
    connect_unit(100, "", Status::unknown, true);
    tell_name(100);
  });
  EXPECT_EQ(o.out, prompt_100 + prompt_100 + prompt_100);
  EXPECT_EQ(o.err, "[X]");
}

TEST_F(BlankNamesTest, BlankArgumentIsUsedUpAndThePromptAsked) {
  Outcome o = run("ASKED\n", {"   ", "B"}, [] {
    connect_unit(100, "", Status::unknown, true);
    tell_name(100);
    connect_unit(900, "", Status::unknown, true);
    tell_name(900);
  });
  EXPECT_EQ(o.out, prompt_100);
  EXPECT_EQ(o.err, "[ASKED][B]");
}

TEST_F(BlankNamesTest, LongAnswerKeeps260CharactersAndDropsTheRestOfItsLine) {
  std::string long_line = "     X.TXT" + std::string(290, ' ') + "junk\n";
  Outcome o = run(long_line + "Y.TXT\n", {}, [] {
    connect_unit(100, "", Status::unknown, true);
    tell_name(100);
    connect_unit(900, "", Status::unknown, true);
    tell_name(900);
  });
  EXPECT_EQ(o.out, prompt_100 + prompt_900);
  EXPECT_EQ(o.err, "[X.TXT][Y.TXT]");
}

TEST_F(BlankNamesTest, PromptEndsTheOpenConsoleLine) {
  Outcome o = run("OUT\n", {}, [] {
    run_program([] {
      console::show_record(" Hello");
      connect_unit(100, "", Status::unknown, true);
      console::show_record(" Next");
    });
  });
  EXPECT_EQ(o.exit_status, 0);
  EXPECT_EQ(o.out, "Hello\r\n" + prompt_100 + "\r\nNext\r\n");
}

TEST_F(BlankNamesTest, NegativeUnitNumberInThePrompt) {
  Outcome o = run("N\n", {}, [] { connect_unit(-5, "", Status::unknown, true); });
  EXPECT_EQ(o.out, "File name missing or blank - please enter file name\r\nUNIT -5? ");
}

TEST_F(BlankNamesTest, InputEndedGivesAFailureCode) {
  Outcome o = run("  \n", {}, [] {
    int code = connect_unit(100, "", Status::unknown, true);
    tell_name(100);
    _exit(code == error::no_file_name ? 0 : 2);
  });
  EXPECT_EQ(o.exit_status, 0);
  EXPECT_EQ(o.out, prompt_100 + prompt_100);
  EXPECT_EQ(o.err, "[not connected]");
}

TEST_F(BlankNamesTest, InputEndedAtFirstUseEndsTheRunWithAReport) {
  Outcome o = run("", {}, [] { run_program([] { unit_for_read(11); }); });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.out, "File name missing or blank - please enter file name\r\nUNIT 11? ");
  EXPECT_EQ(o.err, "\r\nrun-time error F6414: READ()\r\n- no file name given: console input ended\r\n");
}

TEST_F(BlankNamesTest, InputEndedWithoutReportFailureEndsTheRunWithTheOpenReport) {
  Outcome o = run("", {}, [] { run_program([] { connect_unit(100, "", Status::unknown, false); }); });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.err, "\r\nrun-time error F6414: OPEN()\r\n- no file name given: console input ended\r\n");
}

TEST_F(BlankNamesTest, FirstUseOfAWriteUnitAsksAndCreates) {
  Outcome o = run("NEW.TXT\n", {}, [] { run_program([] { write_record(unit_for_write(900), "row"); }); });
  EXPECT_EQ(o.exit_status, 0);
  EXPECT_EQ(o.out, prompt_900);
  EXPECT_EQ(dir.read("NEW.TXT"), "row\r\n");
}

// Whole runs whose results name in INPUT.TXT is blank. The prompt is console text, not a
// console record: whatever follows it shows as it would with the name given.
using Files = std::map<std::string, std::string>;

Files files_in(const TempDir& dir) {
  Files files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    files[entry.path().filename().string()] = dir.read(entry.path().filename().string());
  return files;
}

struct WholeRun {
  const char* name;
  std::vector<std::string> arguments;
  std::string input;     // standard input
  std::string missing;   // a station file removed before the run, if any
  std::string out, err;  // expected
  int status;
  bool results_like_a_named_run;  // RESULTS.TXT, SOURCE.OUT as with the name in INPUT.TXT
};

const std::string refused_out = "ERROR HAPPENS WHEN OPENING THE FILE.\r\n" + testing_support::stop_text + "\r\n";

TEST(BlankResultsNameRunTest, PromptIsNoConsoleRecord) {
  using testing_support::running_line;
  using testing_support::stop_text;
  const WholeRun runs[] = {
      {"answer names the results file", {}, "RESULTS.TXT\n", "", prompt_100 + running_line + "\r\n", "", 0, true},
      {"answer names a file already connected",
       {},
       "INPUT.TXT\n",
       "",
       prompt_100 + refused_out,
       "raingen: cannot open file: INPUT.TXT\n",
       1,
       false},
      {"argument names a file already connected",
       {"INPUT.TXT"},
       "",
       "",
       refused_out,
       "raingen: cannot open file: INPUT.TXT\n",
       1,
       false},
      {"blank argument used up, then the input ends",
       {"  "},
       "",
       "",
       prompt_100 + refused_out,
       "raingen: no file name given: console input ended\n",
       1,
       false},
      {"prompt is the only console text before a stop",
       {},
       "RESULTS.TXT\n",
       "ALFAF_2.TXT",
       prompt_100 + stop_text,
       "raingen: station file not found: ALFAF_2.TXT\n",
       1,
       false},
  };
  for (const WholeRun& r : runs) {
    TempDir dir;
    testing_support::Settings settings;
    settings.results_name = "";
    testing_support::write_standard_data(dir, settings);
    if (!r.missing.empty()) std::filesystem::remove(dir / r.missing);
    const Files before = files_in(dir);
    ChildSetup setup;
    setup.directory = dir.path();
    setup.input = r.input;
    setup.environment = {{"RAINGEN_SEED", "1"}};
    const Outcome o = testing_support::run_raingen(setup, r.arguments);
    EXPECT_EQ(o.out, r.out) << r.name;
    EXPECT_EQ(o.err, r.err) << r.name;
    EXPECT_EQ(o.exit_status, r.status) << r.name;

    Files expected = before;
    if (r.results_like_a_named_run) {
      TempDir named;
      testing_support::write_standard_data(named);
      EXPECT_EQ(testing_support::run_program_in(named, "1").exit_status, 0);
      expected["RESULTS.TXT"] = named.read("RESULTS.TXT");
      expected["SOURCE.OUT"] = named.read("SOURCE.OUT");
    } else if (!r.missing.empty()) {
      expected["RESULTS.TXT"] = "SYNTHETIC RAINFALL GENERATION\r\n  \r\nSITE NAME:  HILLSIDE   \r\n";
      expected["SOURCE.OUT"] = "";
    }
    EXPECT_EQ(files_in(dir), expected) << r.name;
  }
}

// The program's two options answer and touch nothing; every other argument keeps its meaning: a
// file name for a blank name, in order, and unused when no name is blank.
TEST(ProgramArgumentsTest, HelpAndVersionTouchNothingAndOtherArgumentsKeepTheirMeaning) {
  const struct {
    const char* name;
    bool results_blank;
    std::vector<std::string> arguments;
    const char* shown;  // in standard output; none: the run's console line
  } runs[] = {
      {"--help", false, {"--help"}, "Usage: raingen [NAME ...]\n"},
      {"--help with a blank name", true, {"--help", "RESULTS.TXT"}, "IDF_2.TXT     its historical wet days"},
      {"--version", false, {"--version"}, "raingen " RAINGEN_PROJECT_VERSION "\n"},
      {"arguments unused", false, {"--verbose", "--help"}, nullptr},
      {"first argument names the results file", true, {"RESULTS.TXT", "--version"}, nullptr},
  };
  TempDir named;
  testing_support::write_standard_data(named);
  ASSERT_EQ(testing_support::run_program_in(named, "1").exit_status, 0);
  for (const auto& r : runs) {
    TempDir dir;
    testing_support::Settings settings;
    if (r.results_blank) settings.results_name = "";
    testing_support::write_standard_data(dir, settings);
    Files expected = files_in(dir);
    ChildSetup setup;
    setup.directory = dir.path();
    setup.environment = {{"RAINGEN_SEED", "1"}};
    const Outcome o = testing_support::run_raingen(setup, r.arguments);
    EXPECT_EQ(o.exit_status, 0) << r.name;
    EXPECT_EQ(o.err, "") << r.name;
    if (r.shown) {
      EXPECT_NE(o.out.find(r.shown), std::string::npos) << r.name << ": " << o.out;
    } else {
      EXPECT_EQ(o.out, testing_support::running_line + "\r\n") << r.name;
      expected["RESULTS.TXT"] = named.read("RESULTS.TXT");
      expected["SOURCE.OUT"] = named.read("SOURCE.OUT");
    }
    EXPECT_EQ(files_in(dir), expected) << r.name;
  }
}

}  // namespace
