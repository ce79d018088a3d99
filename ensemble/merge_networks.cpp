#include "ensemble/merge_networks.h"

#include <algorithm>

#include <fmt/format.h>

#include "common/output_file.h"
#include "common/tool_error.h"
#include "ensemble/merge_differences.h"
#include "ensemble/part_coverage.h"
#include "ensemble_file/ensemble_file.h"

namespace raingen::ensemble {
namespace fs = std::filesystem;
using common::ToolError;
using ensemble_file::EnsemblePart;
using ensemble_file::EnsembleLayout;
using ensemble_file::NetworkReader;
using ensemble_file::EnsembleWriter;

namespace {

std::string sites_text(const EnsembleLayout& layout) {
  std::string text;
  for (const ensemble_file::FileSite& site : layout.sites)
    text += fmt::format("{}{} at {},{}", text.empty() ? "" : "; ", site.name, site.position.a, site.position.b);
  return text;
}

// The first difference between the ensembles of two parts (a, the first part's; b, another's), or "".
std::string network_difference(const EnsembleLayout& a, const EnsembleLayout& b) {
  if (a.checksum != b.checksum) return "the checksum of the inputs (raingen_inputs_checksum)";
  if (a.sites != b.sites || a.coordinates != b.coordinates || a.map_unit != b.map_unit)
    return fmt::format("the sites and their positions ({}, theirs {})", sites_text(b), sites_text(a));
  if (std::string d = axis_difference({a.start, a.utc_offset, a.intervals}, {b.start, b.utc_offset, b.intervals});
      !d.empty())
    return d;
  return part_difference(*a.part, *b.part);
  return "";
}

// A part's file holds its realizations, numbered and seeded as in the whole.
void check_part_holds_its_realizations(const NetworkReader& reader, const fs::path& file) {
  const EnsemblePart& part = *reader.layout().part;
  const ensemble_file::RealizationRange own = part.range();
  const long held = reader.layout().realizations;
  if (held != own.size())
    throw ToolError(file.string(), 0,
                    fmt::format("holds {} realization{}, but {} holds {}: the part is cut short or changed", held,
                                held == 1 ? "" : "s", part.description(), own.size()));
  for (long k = 0; k < own.size(); ++k)
    if (reader.number(k) != own.first + k || reader.seed(k) != part.seed_of(own.first + k))
      throw ToolError(file.string(), 0,
                      fmt::format("holds realization {} with seed {} where {} of an ensemble from seed {} holds "
                                  "realization {} with seed {}: the file is changed",
                                  reader.number(k), reader.seed(k), part.description(), part.first_seed, own.first + k,
                                  part.seed_of(own.first + k)));
}

struct CheckedParts {
  EnsembleLayout layout;             // the merged file's
  std::vector<fs::path> files;      // in the order of their parts
  std::vector<EnsembleLayout> seen;  // each as the first pass read it
};

CheckedParts check_parts(const std::vector<fs::path>& given, const fs::path& output) {
  std::vector<EnsembleLayout> layouts;
  std::vector<std::vector<std::string>> files_of;
  for (const fs::path& file : given) {
    std::error_code error;
    if (fs::equivalent(file, output, error))
      throw common::UsageError(fmt::format("--output {} is one of the files to merge", output.string()));
    const NetworkReader reader(file);
    const EnsembleLayout& layout = reader.layout();
    if (!layout.part)
      throw ToolError(file.string(), 0,
                      "is a whole network ensemble, no part of one: network files merge as the parts of one ensemble "
                      "(--network with --part)");
    if (!layouts.empty()) {
      const std::string difference = network_difference(layouts.front(), layout);
      if (!difference.empty())
        throw ToolError(file.string(), 0,
                        fmt::format("{} differs from that of {}: the ensembles cannot be merged", difference,
                                    given.front().string()));
    }
    check_part_holds_its_realizations(reader, file);
    files_of.resize(static_cast<std::size_t>(layout.part->count));
    files_of[static_cast<std::size_t>(layout.part->index - 1)].push_back(file.string());
    layouts.push_back(layout);
  }
  const EnsemblePart& part = *layouts.front().part;
  const std::string problems = coverage_problems(part.count, part.realizations, files_of);
  if (!problems.empty()) throw ToolError(fmt::format("{}: {} is not written", problems, output.string()));

  std::vector<std::size_t> order(given.size());
  for (std::size_t f = 0; f < order.size(); ++f) order[f] = f;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return layouts[a].part->index < layouts[b].part->index; });
  CheckedParts parts;
  std::string source = "merged by raingen-ensemble from";
  for (std::size_t f : order) {
    parts.files.push_back(given[f]);
    parts.seen.push_back(layouts[f]);
    source +=
        fmt::format("{} {} ({})", parts.files.size() == 1 ? ":" : ";", given[f].filename().string(), layouts[f].source);
  }
  parts.layout = layouts[order.front()];
  parts.layout.realizations = part.realizations;
  parts.layout.first_seed = part.first_seed;
  parts.layout.source = source;
  parts.layout.part.reset();  // the whole ensemble
  return parts;
}

}  // namespace

NetworkMergeOutcome merge_networks(const std::vector<fs::path>& given, const fs::path& output,
                                   const std::string& history_entry, std::ostream& messages) {
  common::check_product_target(output);
  CheckedParts parts = check_parts(given, output);
  EnsembleLayout& layout = parts.layout;
  layout.history = layout.history.empty() ? history_entry : history_entry + "\n" + layout.history;
  NetworkMergeOutcome outcome{layout.realizations, static_cast<long>(layout.sites.size()), 0};

  common::OutputFile out(output);
  EnsembleWriter writer(out.hand_to_library(), output.string(), layout);
  std::vector<float> depths(layout.intervals);
  for (std::size_t f = 0; f < parts.files.size(); ++f) {
    const NetworkReader reader(parts.files[f]);
    // Checked in the first pass; a file replaced since then is not taken for it.
    const EnsembleLayout& now = reader.layout();
    if (!now.part || now.part->index != parts.seen[f].part->index || !network_difference(parts.seen[f], now).empty() ||
        now.realizations != parts.seen[f].realizations)
      throw ToolError(parts.files[f].string(), 0, "changed while the parts were merged");
    const long first = now.part->range().first - 1;
    for (long k = 0; k < now.realizations; ++k)
      for (long s = 0; s < outcome.sites; ++s) {
        if (reader.complete(k, s)) {
          reader.read(k, s, depths);
          writer.put_depths(first + k, s, 0, depths);
          writer.put_complete(first + k, s);
        } else {
          writer.put_failed(first + k, s);
          ++outcome.failed;
        }
      }
  }
  writer.close();
  out.commit();
  messages << fmt::format("raingen-ensemble: {} realizations at {} sites from {} parts, {} runs failed: {}\n",
                          outcome.realizations, outcome.sites, parts.files.size(), outcome.failed, output.string());
  return outcome;
}

}  // namespace raingen::ensemble
