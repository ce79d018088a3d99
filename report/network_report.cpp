#include "report/network_report.h"

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "common/output_file.h"
#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"
#include "report/network_figures.h"
#include "report/network_inputs.h"
#include "report/network_page.h"
#include "stats/statistics_csv.h"

namespace raingen::report {

ReportOutcome make_network_report(const NetworkReportRequest& request) {
  const ReportOutcome outcome = report_outputs(request.dir, request.output);

  const NetworkInputs in = read_network_inputs(request.dir, request.present);
  std::vector<std::filesystem::path> read = in.read;
  if (!request.ensemble.empty()) read.push_back(request.ensemble);
  for (const std::filesystem::path& output : {outcome.statistics_csv, outcome.report_html})
    for (const std::filesystem::path& input : read) {
      std::error_code ignored;
      if (std::filesystem::equivalent(output, input, ignored))
        throw common::UsageError(output.string(), fmt::format("is {}, which the network report reads: a report never "
                                                              "replaces its inputs",
                                                              input.string()));
    }
  calendar::TimePoint start = request.start;
  std::string clock;
  NetworkFileTally tally;
  tally.file = request.ensemble;
  std::optional<ensemble_file::NetworkReader> reader;
  if (!request.ensemble.empty()) {
    reader.emplace(request.ensemble);
    if (!request.start_given) start = reader->layout().start;
    if (reader->layout().utc_offset) clock = "UTC" + reader->layout().utc_offset->text();
  }
  // statistics.csv is written as the figures are made (a network's pairs are too many to hold);
  // an output folder made here is taken away again when the report fails.
  const bool made = make_output_folder(outcome);
  try {
    common::OutputFile csv(outcome.statistics_csv), html(outcome.report_html);
    const NetworkFigures figures = network_figures(
        in, reader ? network_file_runs(*reader, in, start, tally) : plain_runs(in, start),
        request.options.min_complete_percent, request.options.dry_threshold, reader ? &tally : nullptr, csv);
    html.write(network_report_html({&in, &figures, request.options, calendar::minute_text(start), clock}));
    common::commit_all({&csv, &html});
  } catch (...) {
    std::error_code ignored;
    if (made) std::filesystem::remove(outcome.statistics_csv.parent_path(), ignored);  // only when empty
    throw;
  }
  return outcome;
}

}  // namespace raingen::report
