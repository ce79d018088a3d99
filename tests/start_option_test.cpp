// --start as the user gives it to each tool that puts the program's results on the calendar:
// raingen-export, raingen-ensemble and raingen-report take the same texts and refuse the others
// with the same words, so that a file one of them writes is read by another given the same start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tool_runs.h"

namespace {

using namespace testing_support;

// The tool run with this --start on inputs that are not there: a start it takes gets as far as
// the missing input (status 1), a start it refuses ends the run at once (status 2).
Outcome with_start(const TempDir& dir, const std::string& tool, const std::string& start) {
  ChildSetup setup;
  setup.directory = dir.path();
  std::vector<std::string> arguments;
  if (tool == "raingen-export") arguments = {"--format", "csv", "--start", start, "none.out", "out.csv"};
  if (tool == "raingen-ensemble")
    arguments = {"--realizations", "1", "--dir", "none", "--start", start, "--output", "e.nc"};
  if (tool == "raingen-report") arguments = {"--dir", "none", "--gauge", "A=none.csv", "--start", start};
  return run_tool_program(setup, tool, arguments);
}

TEST(StartOption, EveryToolTakesTheSameStartsAndRefusesTheSameWay) {
  const struct {
    const char* start;
    const char* refused;  // what follows "raingen-TOOL: --start 'START': ", or nothing when taken
  } cases[] = {
      {"2001-01-01", nullptr},
      {"2001-01-01 06:00", nullptr},
      {"2001-01-01T06:00", nullptr},
      {"2004-02-29 23:45", nullptr},
      {"2001-01-01 06:10", "day 1 begins on the 15-minute grid (minutes 00, 15, 30 or 45)"},
      {"2001-01-01 24:00", "no such time of day"},
      {"2003-02-29", "no such date"},
      {"0000-01-01", "no such date"},
      {"2001-01-01 6:00", "give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
      {"01/01/2001", "give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
      {"2001-01-01 06:00:00", "give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
  };
  TempDir dir;
  for (const auto& c : cases)
    for (const std::string tool : {"raingen-export", "raingen-ensemble", "raingen-report"}) {
      const Outcome outcome = with_start(dir, tool, c.start);
      if (c.refused) {
        EXPECT_EQ(outcome.exit_status, 2) << tool << " " << c.start;
        EXPECT_EQ(outcome.err, tool + ": --start '" + c.start + "': " + c.refused + "\n") << tool;
      } else {
        EXPECT_EQ(outcome.exit_status, 1) << tool << " " << c.start << ": " << outcome.err;
        EXPECT_EQ(outcome.err.find("--start"), std::string::npos) << tool << ": " << outcome.err;
        EXPECT_NE(outcome.err.find("none"), std::string::npos) << tool << ": the missing input named: " << outcome.err;
      }
      EXPECT_FALSE(dir.exists("out.csv") || dir.exists("e.nc") || dir.exists("none")) << tool << " wrote nothing";
    }
}

}  // namespace
