#include "report/report_outputs.h"

#include "common/output_file.h"
#include "common/tool_error.h"

namespace raingen::report {

ReportOutcome report_outputs(const std::filesystem::path& dir, const std::filesystem::path& output) {
  const std::filesystem::path out_dir = output.empty() ? dir / "report" : output;
  common::check_output_folder(out_dir);
  ReportOutcome outcome;
  outcome.statistics_csv = out_dir / "statistics.csv";
  outcome.report_html = out_dir / "report.html";
  for (const std::filesystem::path& file : {outcome.statistics_csv, outcome.report_html})
    common::refuse_irregular_target(file);  // the folder itself may still be to make
  return outcome;
}

bool make_output_folder(const ReportOutcome& outcome) {
  const std::filesystem::path out_dir = outcome.statistics_csv.parent_path();
  const bool made = !std::filesystem::exists(out_dir);
  std::error_code error;
  std::filesystem::create_directories(out_dir, error);
  if (error) throw common::ToolError(out_dir.string(), 0, "cannot make the output directory: " + error.message());
  return made;
}

}  // namespace raingen::report
