#include "ensemble/merge_ensembles.h"

#include <algorithm>
#include <memory>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using ensemble_file::EnsembleLayout;
using ensemble_file::EnsembleReader;
using ensemble_file::EnsembleWriter;

namespace {

void check_same_ensemble(const EnsembleReader& first, const EnsembleReader& other, const fs::path& first_name,
                         const fs::path& other_name) {
  const EnsembleLayout& a = first.layout();
  const EnsembleLayout& b = other.layout();
  const auto differs = [&](const char* what) {
    throw ToolError(other_name.string(), 0, fmt::format("{} differs from that of {}: the ensembles cannot be merged",
                                                        what, first_name.string()));
  };
  if (a.checksum != b.checksum) differs("the checksum of the inputs (raingen_inputs_checksum)");
  if (a.site != b.site) differs("the site");
  if (a.start != b.start) differs("the start (time units)");
  if (a.intervals != b.intervals) differs("the length (time)");
}

}  // namespace

MergeOutcome merge_ensembles(const std::vector<fs::path>& files, const fs::path& output, std::ostream& messages) {
  std::vector<std::unique_ptr<EnsembleReader>> readers;
  std::vector<int> seeds;
  MergeOutcome outcome;
  std::string source = "merged by raingen-ensemble from";
  for (const fs::path& file : files) {
    std::error_code error;
    if (fs::equivalent(file, output, error))
      throw common::UsageError(fmt::format("--output {} is one of the files to merge", output.string()));
    readers.push_back(std::make_unique<EnsembleReader>(file));
    const EnsembleReader& reader = *readers.back();
    if (readers.size() > 1) check_same_ensemble(*readers.front(), reader, files.front(), file);
    for (long k = 0; k < reader.layout().realizations; ++k) seeds.push_back(reader.seed(k));
    outcome.realizations += reader.layout().realizations;
    source += fmt::format("{} {} ({})", readers.size() == 1 ? ":" : ";", file.filename().string(), reader.layout().source);
  }
  std::sort(seeds.begin(), seeds.end());
  const auto twice = std::adjacent_find(seeds.begin(), seeds.end());
  if (twice != seeds.end())
    throw ToolError(fmt::format("seed {} is in more than one realization: the files overlap", *twice));

  EnsembleLayout layout = readers.front()->layout();
  layout.realizations = outcome.realizations;
  layout.source = source;
  common::OutputFile out(output);
  EnsembleWriter writer(out.hand_to_library(), output.string(), layout);
  std::vector<float> depths(layout.intervals);
  long index = 0;
  for (const auto& reader : readers) {
    for (long k = 0; k < reader->layout().realizations; ++k, ++index) {
      if (reader->complete(k)) {
        reader->read(k, depths);
        writer.put_complete(index, reader->seed(k), depths);
      } else {
        writer.put_failed(index, reader->seed(k));
        ++outcome.failed;
      }
    }
  }
  writer.close();
  out.commit();
  messages << fmt::format("raingen-ensemble: {} realizations from {} files, {} failed: {}\n", outcome.realizations,
                          files.size(), outcome.failed, output.string());
  return outcome;
}

}  // namespace raingen::ensemble
