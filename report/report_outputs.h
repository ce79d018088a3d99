// Where a report's two files go, for the report of one run directory and of a network alike: the
// folder (--output, else DIR/report) and statistics.csv and report.html in it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace raingen::report {

struct ReportOutcome {
  std::filesystem::path statistics_csv;
  std::filesystem::path report_html;
  std::vector<std::string> warnings;  // what the page notes and standard error should say too
};

// The outputs of a report on dir, checked before the work: the folder, if there, is a folder, and
// neither file is anything but a regular file. Throws UsageError.
ReportOutcome report_outputs(const std::filesystem::path& dir, const std::filesystem::path& output);

// Makes the outputs' folder; returns whether it was made here (and so is to be taken away again
// when the report fails). Throws ToolError.
bool make_output_folder(const ReportOutcome& outcome);

}  // namespace raingen::report
