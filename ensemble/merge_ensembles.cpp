#include "ensemble/merge_ensembles.h"

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
using ensemble_file::EnsembleLayout;
using ensemble_file::EnsembleReader;
using ensemble_file::EnsembleWriter;

namespace {

std::string position_text(const std::optional<places::Coordinates>& position) {
  return position ? fmt::format("{},{}", position->latitude, position->longitude) : "none";
}

std::string sites_text(const EnsembleLayout& layout) {
  std::string text;
  for (const ensemble_file::FileSite& site : layout.sites)
    text += fmt::format("{}{} at {},{}", text.empty() ? "" : "; ", site.name, site.position.a, site.position.b);
  return text;
}

// The first difference between the sites of two files, as "WHAT (THIS, theirs THAT)", or "".
std::string site_difference(const EnsembleLayout& a, const EnsembleLayout& b) {
  if (a.over_sites()) {
    if (a.sites != b.sites || a.coordinates != b.coordinates || a.map_unit != b.map_unit)
      return fmt::format("the sites and their positions ({}, theirs {})", sites_text(b), sites_text(a));
    return "";
  }
  const auto same_position = [](const auto& p, const auto& q) {
    return p.has_value() == q.has_value() && (!p || (p->latitude == q->latitude && p->longitude == q->longitude));
  };
  if (a.site != b.site) return "the site";
  if (!same_position(a.position, b.position))
    return fmt::format("the position (lat,lon {}, theirs {})", position_text(b.position), position_text(a.position));
  return "";
}

// The first difference between the ensembles of two files, or "".
std::string ensemble_difference(const EnsembleLayout& a, const EnsembleLayout& b) {
  if (a.checksum != b.checksum) return "the checksum of the inputs (raingen_inputs_checksum)";
  if (std::string d = site_difference(a, b); !d.empty()) return d;
  if (std::string d = axis_difference({a.start, a.utc_offset, a.intervals}, {b.start, b.utc_offset, b.intervals});
      !d.empty())
    return d;
  if (a.part && b.part) return part_difference(*a.part, *b.part);
  return "";
}

void check_same_ensemble(const EnsembleLayout& a, const EnsembleLayout& b, const fs::path& first_name,
                         const fs::path& other_name) {
  const std::string difference = ensemble_difference(a, b);
  if (!difference.empty())
    throw ToolError(
        other_name.string(), 0,
        fmt::format("{} differs from that of {}: the ensembles cannot be merged", difference, first_name.string()));
  if (a.part.has_value() != b.part.has_value()) {
    const auto what = [](const EnsembleLayout& layout) {
      return layout.part ? layout.part->description() + " of an ensemble" : std::string("no part of an ensemble");
    };
    throw ToolError(other_name.string(), 0,
                    fmt::format("is {}, and {} is {}: parts merge with the other parts of their ensemble alone",
                                what(b), first_name.string(), what(a)));
  }
}

// A part's file holds its realizations, numbered and seeded as in the whole: so many, seeds S + k - 1.
void check_part_holds_its_realizations(const EnsembleReader& reader, const fs::path& file) {
  const ensemble_file::EnsemblePart& part = *reader.layout().part;
  const ensemble_file::RealizationRange own = part.range();
  const long held = reader.layout().realizations;
  if (held != own.size())
    throw ToolError(file.string(), 0,
                    fmt::format("holds {} realization{}, but {} holds {}: the part is cut short or changed", held,
                                held == 1 ? "" : "s", part.description(), own.size()));
  for (long k = 0; k < own.size(); ++k) {
    const long number = own.first + k;
    if (reader.number(k) != number)
      throw ToolError(file.string(), 0,
                      fmt::format("holds realization {} where {} holds realization {}: the file is changed",
                                  reader.number(k), part.description(), number));
    if (reader.seed(k) != part.seed_of(number))
      throw ToolError(file.string(), 0,
                      fmt::format("realization {} has seed {}, but {} of an ensemble from seed {} gives it seed {}: "
                                  "the file is changed",
                                  number, reader.seed(k), part.description(), part.first_seed, part.seed_of(number)));
  }
}

// What the first pass learns: the merged file's layout, the files in the order they are merged,
// and how many realizations each has.
struct Parts {
  EnsembleLayout layout;
  bool of_one_ensemble = false;  // the files are the parts of one ensemble
  std::vector<fs::path> files;
  std::vector<EnsembleLayout> seen;  // each file's, as the first pass read it
};

// Whether a file read again is as the first pass saw it.
bool unchanged(const EnsembleLayout& seen, const EnsembleLayout& now) {
  return ensemble_difference(seen, now).empty() && seen.realizations == now.realizations &&
         seen.part.has_value() == now.part.has_value() && (!seen.part || seen.part->index == now.part->index);
}

// One file of the first pass: compared with the first, its part's realizations or its seeds noted.
EnsembleLayout check_file(const fs::path& file, const fs::path& output, EnsembleReader::Kind kind,
                          const std::vector<EnsembleLayout>& layouts, const fs::path& first, std::vector<int>& seeds,
                          std::vector<std::vector<std::string>>& files_of) {
  std::error_code error;
  if (fs::equivalent(file, output, error))
    throw common::UsageError(fmt::format("--output {} is one of the files to merge", output.string()));
  const EnsembleReader reader(file, kind);
  const EnsembleLayout& layout = reader.layout();
  if (layout.over_sites() && !layout.part)
    throw ToolError(file.string(), 0,
                    "is a whole network ensemble, no part of one: network files merge as the parts of one ensemble "
                    "(--network with --part)");
  if (!layouts.empty()) check_same_ensemble(layouts.front(), layout, first, file);
  if (layout.part) {
    check_part_holds_its_realizations(reader, file);
    files_of.resize(static_cast<std::size_t>(layout.part->count));
    files_of[static_cast<std::size_t>(layout.part->index - 1)].push_back(file.string());
  } else {
    for (long k = 0; k < layout.realizations; ++k) seeds.push_back(reader.seed(k));
  }
  return layout;
}

// Files that are parts of an ensemble go in the order of their parts, which must be there once
// each; plain ensembles go in the order given, and no seed may be in two of them.
std::vector<std::size_t> merge_order(const std::vector<EnsembleLayout>& layouts, std::vector<int> seeds,
                                     const std::vector<std::vector<std::string>>& files_of, const fs::path& output) {
  std::vector<std::size_t> order(layouts.size());
  for (std::size_t f = 0; f < order.size(); ++f) order[f] = f;
  if (const auto& part = layouts.front().part) {
    const std::string problems = coverage_problems(part->count, part->realizations, files_of);
    if (!problems.empty()) throw ToolError(fmt::format("{}: {} is not written", problems, output.string()));
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return layouts[a].part->index < layouts[b].part->index; });
  } else {
    std::sort(seeds.begin(), seeds.end());
    const auto twice = std::adjacent_find(seeds.begin(), seeds.end());
    if (twice != seeds.end())
      throw ToolError(fmt::format("seed {} is in more than one realization: the files overlap", *twice));
  }
  return order;
}

Parts check_parts(const std::vector<fs::path>& given, const fs::path& output, EnsembleReader::Kind kind) {
  std::vector<EnsembleLayout> layouts;
  std::vector<int> seeds;
  std::vector<std::vector<std::string>> files_of;
  for (const fs::path& file : given)
    layouts.push_back(check_file(file, output, kind, layouts, given.front(), seeds, files_of));
  Parts parts;
  std::string source = "merged by raingen-ensemble from";
  const std::vector<std::size_t> order = merge_order(layouts, std::move(seeds), files_of, output);
  parts.layout = layouts[order.front()];
  parts.layout.realizations = 0;
  for (std::size_t f : order) {
    parts.files.push_back(given[f]);
    parts.seen.push_back(layouts[f]);
    parts.layout.realizations += layouts[f].realizations;
    source +=
        fmt::format("{} {} ({})", parts.files.size() == 1 ? ":" : ";", given[f].filename().string(), layouts[f].source);
  }
  parts.layout.source = source;
  parts.of_one_ensemble = parts.layout.part.has_value();
  if (parts.layout.part) parts.layout.first_seed = parts.layout.part->first_seed;
  parts.layout.part.reset();  // the whole ensemble
  return parts;
}

// Copies the depths of run (k, s) of reader into run (index, s) of writer, part by part.
void copy_depths(const EnsembleReader& reader, long k, long s, EnsembleWriter& writer, long index,
                 std::vector<float>& part) {
  const std::size_t intervals = reader.layout().intervals;
  for (std::size_t first = 0; first < intervals; first += part.size()) {
    const std::span<float> depths = std::span<float>(part).first(std::min(part.size(), intervals - first));
    reader.read(k, s, first, depths);
    writer.put_depths(index, s, first, depths);
  }
}

// Copies every run of the files, in their order, into writer; returns the runs failed.
long copy_runs(const Parts& parts, EnsembleReader::Kind kind, EnsembleWriter& writer) {
  std::vector<float> part(std::min(parts.layout.intervals, ensemble_file::column_part_intervals));
  long index = 0, failed = 0;
  for (std::size_t f = 0; f < parts.files.size(); ++f) {
    const EnsembleReader reader(parts.files[f], kind);
    // The file was checked in the first pass; one replaced since then is not taken for it.
    if (!unchanged(parts.seen[f], reader.layout()))
      throw ToolError(parts.files[f].string(), 0, "changed while the ensembles were merged");
    for (long k = 0; k < reader.layout().realizations; ++k, ++index) {
      writer.put_seed(index, reader.seed(k));
      for (long s = 0; s < reader.sites(); ++s) {
        if (reader.complete(k, s)) {
          copy_depths(reader, k, s, writer, index, part);
          writer.put_complete(index, s);
        } else {
          writer.put_failed(index, s);
          ++failed;
        }
      }
    }
  }
  return failed;
}

}  // namespace

MergeOutcome merge_ensembles(const std::vector<fs::path>& given, const fs::path& output,
                             const std::string& history_entry, std::ostream& messages) {
  common::check_product_target(output);  // a FIFO or a device is refused before any file is read
  const EnsembleReader::Kind kind = !given.empty() && ensemble_file::is_network_file(given.front())
                                        ? EnsembleReader::Kind::network
                                        : EnsembleReader::Kind::one_site;
  Parts parts = check_parts(given, output, kind);
  EnsembleLayout& layout = parts.layout;
  layout.history = layout.history.empty() ? history_entry : history_entry + "\n" + layout.history;
  MergeOutcome outcome{layout.realizations, layout.site_count(), 0};

  common::OutputFile out(output);
  EnsembleWriter writer(out.hand_to_library(), output.string(), layout);
  outcome.failed = copy_runs(parts, kind, writer);
  writer.close();
  out.commit();
  const std::size_t files = parts.files.size();
  if (layout.over_sites())
    messages << fmt::format("raingen-ensemble: {} realizations at {} sites from {} parts, {} runs failed: {}\n",
                            outcome.realizations, outcome.sites, files, outcome.failed, output.string());
  else
    messages << fmt::format("raingen-ensemble: {} realizations from {} {}, {} failed: {}\n", outcome.realizations,
                            files, parts.of_one_ensemble ? "parts" : "files", outcome.failed, output.string());
  return outcome;
}

}  // namespace raingen::ensemble
