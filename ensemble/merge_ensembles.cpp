#include "ensemble/merge_ensembles.h"

#include <algorithm>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"
#include "stations/station_places.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using ensemble_file::EnsembleLayout;
using ensemble_file::EnsembleReader;
using ensemble_file::EnsembleWriter;

namespace {

std::string position_text(const std::optional<stations::Coordinates>& position) {
  return position ? fmt::format("{},{}", position->latitude, position->longitude) : "none";
}

std::string clock_text(const std::optional<calendar::UtcOffset>& offset) {
  return offset ? offset->text() : "not stated";
}

void check_same_ensemble(const EnsembleLayout& a, const EnsembleLayout& b, const fs::path& first_name,
                         const fs::path& other_name) {
  const auto differs = [&](const std::string& what) {
    throw ToolError(other_name.string(), 0, fmt::format("{} differs from that of {}: the ensembles cannot be merged",
                                                        what, first_name.string()));
  };
  const auto same_position = [](const auto& p, const auto& q) {
    return p.has_value() == q.has_value() && (!p || (p->latitude == q->latitude && p->longitude == q->longitude));
  };
  if (a.checksum != b.checksum) differs("the checksum of the inputs (raingen_inputs_checksum)");
  if (a.site != b.site) differs("the site");
  if (!same_position(a.position, b.position))
    differs(fmt::format("the position (lat,lon {}, theirs {})", position_text(b.position), position_text(a.position)));
  if (a.start != b.start) differs("the start (time units)");
  if (a.utc_offset != b.utc_offset)
    differs(fmt::format("the clock (UTC offset {}, theirs {})", clock_text(b.utc_offset), clock_text(a.utc_offset)));
  if (a.intervals != b.intervals) differs("the length (time)");
}

// What the first pass learns: the merged file's layout and how many realizations each file has.
struct Parts {
  EnsembleLayout layout;
  std::vector<long> realizations;
};

Parts check_parts(const std::vector<fs::path>& files, const fs::path& output) {
  Parts parts;
  std::vector<int> seeds;
  std::string source = "merged by raingen-ensemble from";
  for (const fs::path& file : files) {
    std::error_code error;
    if (fs::equivalent(file, output, error))
      throw common::UsageError(fmt::format("--output {} is one of the files to merge", output.string()));
    const EnsembleReader reader(file);
    const EnsembleLayout& layout = reader.layout();
    if (parts.realizations.empty()) parts.layout = layout;
    else check_same_ensemble(parts.layout, layout, files.front(), file);
    for (long k = 0; k < layout.realizations; ++k) seeds.push_back(reader.seed(k));
    parts.realizations.push_back(layout.realizations);
    source += fmt::format("{} {} ({})", parts.realizations.size() == 1 ? ":" : ";", file.filename().string(),
                          layout.source);
  }
  std::sort(seeds.begin(), seeds.end());
  const auto twice = std::adjacent_find(seeds.begin(), seeds.end());
  if (twice != seeds.end())
    throw ToolError(fmt::format("seed {} is in more than one realization: the files overlap", *twice));
  parts.layout.source = source;
  parts.layout.realizations = static_cast<long>(seeds.size());
  return parts;
}

}  // namespace

MergeOutcome merge_ensembles(const std::vector<fs::path>& files, const fs::path& output,
                             const std::string& history_entry, std::ostream& messages) {
  Parts parts = check_parts(files, output);
  EnsembleLayout& layout = parts.layout;
  layout.history = layout.history.empty() ? history_entry : history_entry + "\n" + layout.history;
  MergeOutcome outcome;
  outcome.realizations = layout.realizations;

  common::OutputFile out(output);
  EnsembleWriter writer(out.hand_to_library(), output.string(), layout);
  std::vector<float> depths(layout.intervals);
  long index = 0;
  for (std::size_t f = 0; f < files.size(); ++f) {
    const EnsembleReader reader(files[f]);
    // The file was checked in the first pass; one replaced since then is not taken for it.
    check_same_ensemble(layout, reader.layout(), files.front(), files[f]);
    if (reader.layout().realizations != parts.realizations[f])
      throw ToolError(files[f].string(), 0, "changed while the ensembles were merged");
    for (long k = 0; k < reader.layout().realizations; ++k, ++index) {
      if (reader.complete(k)) {
        reader.read(k, depths);
        writer.put_complete(index, reader.seed(k), depths);
      } else {
        writer.put_failed(index, reader.seed(k));
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
