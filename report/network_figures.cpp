#include "report/network_figures.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "common/tool_error.h"
#include "report/scratch_numbers.h"
#include "stats/blocks.h"
#include "stats/quantile.h"
#include "stats/statistics_csv.h"

namespace raingen::report {

namespace {

constexpr std::size_t levels = network_level_count;
constexpr std::size_t daily = levels - 1;
constexpr std::size_t chart_bands = 60;
constexpr std::size_t chunk_pairs = 1 << 14;  // pairs read back from the scratch file at a time
constexpr double none = std::numeric_limits<double>::quiet_NaN();

Pooled pooled(const std::vector<std::optional<double>>& values, std::size_t first_count) {
  Pooled p;
  p.count = first_count;
  std::vector<double> sorted;
  for (const auto& v : values)
    if (v) sorted.push_back(*v);
  if (sorted.empty()) return p;
  std::sort(sorted.begin(), sorted.end());
  p.value = stats::quantile(sorted, 0.5);
  if (values.size() > 1) {
    p.lower = stats::quantile(sorted, 0.05);
    p.upper = stats::quantile(sorted, 0.95);
  }
  return p;
}

std::optional<double> present(double value) { return std::isnan(value) ? std::nullopt : std::optional<double>(value); }
double or_none(const std::optional<double>& value) { return value.value_or(none); }

// Every site's blocks at a level.
std::vector<stats::Blocks> level_blocks(const std::vector<const gauge::CalendarSeries*>& sites, std::size_t level,
                                        double min_complete_percent) {
  std::vector<stats::Blocks> blocks;
  blocks.reserve(sites.size());
  for (const gauge::CalendarSeries* s : sites)
    blocks.push_back(stats::aggregate(*s, stats::network_levels[level], min_complete_percent));
  return blocks;
}

stats::JointWetness wetness(const std::vector<stats::Blocks>& blocks, double dry_threshold) {
  std::vector<const stats::Blocks*> all;
  for (const stats::Blocks& b : blocks) all.push_back(&b);
  return stats::joint_wetness(all, dry_threshold);
}

// The pairs (0,1), (0,2), ... (1,2), ... in order.
struct PairWalk {
  std::size_t sites, first = 0, second = 1;
  void next() {
    if (++second == sites) second = ++first + 1;
  }
};

// What the realizations leave in the scratch files: each one's pair correlations, level by level
// ([level][pair]), one realization after another; the first one's block pairs behind each.
struct GeneratedPairs {
  ScratchNumbers r, counts;
  std::vector<std::array<stats::JointWetness, levels>> wet;
  std::size_t days = 0;
};

void read_realizations(const RealizationSource& generated, const std::vector<std::string>& sites,
                       const NetworkInputs& in, double min_complete_percent, double dry_threshold,
                       GeneratedPairs& out) {
  while (std::optional<NetworkRealization> realization = generated()) {
    std::vector<std::string> names;
    std::vector<const gauge::CalendarSeries*> series;
    for (const SiteSeries& s : *realization) {
      names.push_back(s.site);
      series.push_back(&s.series);
    }
    if (names != sites)
      throw common::ToolError(fmt::format(
          "generated realization {} has the sites {}, not those of {} in its order ({})", out.wet.size() + 1,
          fmt::join(names, " "), (in.dir / network::manifest_file_name).string(), fmt::join(sites, " ")));
    if (out.wet.empty() && !series.empty()) out.days = series.front()->size() / calendar::intervals_per_day;
    std::array<stats::JointWetness, levels> wet{};
    for (std::size_t level = 0; level < levels; ++level) {
      const std::vector<stats::Blocks> blocks = level_blocks(series, level, min_complete_percent);
      for (std::size_t i = 0; i < blocks.size(); ++i)
        for (std::size_t j = i + 1; j < blocks.size(); ++j) {
          const stats::Correlation c = stats::block_correlation(blocks[i], blocks[j]);
          out.r.append(or_none(c.r));
          if (out.wet.empty()) out.counts.append(static_cast<double>(c.pairs));
        }
      wet[level] = wetness(blocks, dry_threshold);
    }
    out.wet.push_back(wet);
  }
  if (out.wet.empty()) throw common::ToolError("no generated realization to set against the records");
}

// The page's table: every pair, or each site's pair with its nearest site; sorted pair indices.
std::vector<std::size_t> table_pair_indices(const NetworkInputs& in, std::size_t pairs, bool& nearest) {
  const std::size_t sites = in.manifest.sites.size();
  nearest = pairs > table_pairs;
  std::vector<std::size_t> chosen;
  if (!nearest) {
    for (std::size_t p = 0; p < pairs; ++p) chosen.push_back(p);
    return chosen;
  }
  const auto index = [sites](std::size_t i, std::size_t j) { return i * sites - i * (i + 1) / 2 + (j - i - 1); };
  const network::NetworkManifest& m = in.manifest;
  for (std::size_t i = 0; i < sites; ++i) {
    std::size_t best = i == 0 ? 1 : 0;
    for (std::size_t j = 0; j < sites; ++j)
      if (j != i && network::distance(m.coordinates, m.sites[i].position, m.sites[j].position) <
                        network::distance(m.coordinates, m.sites[i].position, m.sites[best].position))
        best = j;
    chosen.push_back(index(std::min(i, best), std::max(i, best)));
  }
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  return chosen;
}

// The charts' accumulation at one level: points, or sums in bands of distance.
struct ChartAccumulator {
  bool banded = false;
  double band_width = 1;
  std::array<double, chart_bands> distance{}, record{}, generated{};
  std::array<std::size_t, chart_bands> pairs{}, records{}, generateds{};
  CorrelationPoints points;

  void add(double d, const std::optional<double>& r, const std::optional<double>& g) {
    if (!banded) {
      points.distance.push_back(d), points.record.push_back(or_none(r)), points.generated.push_back(or_none(g));
      return;
    }
    const std::size_t b = std::min(chart_bands - 1, static_cast<std::size_t>(d / band_width));
    distance[b] += d, ++pairs[b];
    if (r) record[b] += *r, ++records[b];
    if (g) generated[b] += *g, ++generateds[b];
  }
  CorrelationPoints finish() {
    points.banded = banded;
    for (std::size_t b = 0; banded && b < chart_bands; ++b) {
      if (pairs[b] == 0) continue;
      points.distance.push_back(distance[b] / static_cast<double>(pairs[b]));
      points.record.push_back(records[b] ? record[b] / static_cast<double>(records[b]) : none);
      points.generated.push_back(generateds[b] ? generated[b] / static_cast<double>(generateds[b]) : none);
    }
    return std::move(points);
  }
};

void write_wet_rows(common::OutputFile& csv, const std::string& series,
                    const std::array<stats::JointWetness, levels>& wet) {
  for (std::size_t level = 0; level < levels; ++level) {
    const int minutes = stats::network_levels[level];
    csv.write(stats::csv_row_text({series, minutes, "share_wet_at_all_sites", wet[level].share_at_all(), {}, {}, {}}));
    csv.write(stats::csv_row_text({series, minutes, "share_wet_at_any_site", wet[level].share_at_any(), {}, {}, {}}));
    csv.write(stats::csv_row_text(
        {series, minutes, "blocks_present_at_all_sites", static_cast<double>(wet[level].present), {}, {}, {}}));
  }
}

// Everything the output pass needs about one level's pairs, held for a chunk at a time.
class LevelPass {
 public:
  LevelPass(NetworkFigures& f, const NetworkInputs& in, GeneratedPairs& generated, std::size_t level,
            const std::vector<stats::Blocks>& record, const std::vector<std::size_t>& table, double max_distance)
      : f_(f), in_(in), generated_(generated), level_(level), record_(record), table_(table) {
    chart_.banded = f.pairs > chart_pairs;
    chart_.band_width = max_distance > 0 ? max_distance / chart_bands : 1;
  }

  void run(common::OutputFile& csv) {
    const std::size_t realizations = generated_.wet.size();
    std::vector<std::vector<double>> slices(realizations);
    std::vector<double> counts;
    PairWalk walk{f_.sites.size()};
    std::size_t next_table = 0;
    for (std::size_t first = 0; first < f_.pairs; first += chunk_pairs) {
      const std::size_t n = std::min(chunk_pairs, f_.pairs - first);
      for (std::size_t k = 0; k < realizations; ++k) {
        slices[k].resize(n);
        generated_.r.read((k * levels + level_) * f_.pairs + first, slices[k]);
      }
      counts.resize(n);
      generated_.counts.read(level_ * f_.pairs + first, counts);
      for (std::size_t q = 0; q < n; ++q, walk.next()) {
        std::vector<std::optional<double>> values;
        for (std::size_t k = 0; k < realizations; ++k) values.push_back(present(slices[k][q]));
        const bool listed = next_table < table_.size() && table_[next_table] == first + q;
        pair(csv, walk.first, walk.second, pooled(values, static_cast<std::size_t>(counts[q])),
             listed ? &f_.table[next_table++] : nullptr);
      }
    }
    f_.charts[level_] = chart_.finish();
  }

 private:
  void pair(common::OutputFile& csv, std::size_t i, std::size_t j, const Pooled& generated, PairFigures* listed) {
    const network::NetworkManifest& m = in_.manifest;
    const double distance = network::distance(m.coordinates, m.sites[i].position, m.sites[j].position);
    const stats::Correlation record = stats::block_correlation(record_[i], record_[j]);
    const int minutes = stats::network_levels[level_];
    const std::string sites = f_.sites[i] + "/" + f_.sites[j];
    csv.write(stats::csv_row_text({"record:" + sites, minutes, "correlation", record.r, distance, {}, {}}));
    csv.write(stats::csv_row_text(
        {"record:" + sites, minutes, "correlation_pairs", static_cast<double>(record.pairs), distance, {}, {}}));
    csv.write(stats::csv_row_text(
        {"generated:" + sites, minutes, "correlation", generated.value, distance, generated.lower, generated.upper}));
    csv.write(stats::csv_row_text(
        {"generated:" + sites, minutes, "correlation_pairs", static_cast<double>(generated.count), distance, {}, {}}));
    if (record.r && generated.value) {
      LevelMeans& means = f_.means[level_];
      means.record += *record.r, means.generated += *generated.value, ++means.pairs;
      if (level_ == daily) {
        ++f_.daily_tested;
        f_.daily_outside += correlations_differ(*record.r, record.pairs, *generated.value, generated.count);
      }
    }
    chart_.add(distance, record.r, generated.value);
    if (listed) {
      listed->first = i, listed->second = j, listed->distance = distance;
      listed->record[level_] = record;
      listed->generated[level_] = generated;
    }
  }

  NetworkFigures& f_;
  const NetworkInputs& in_;
  GeneratedPairs& generated_;
  std::size_t level_;
  const std::vector<stats::Blocks>& record_;
  const std::vector<std::size_t>& table_;
  ChartAccumulator chart_;
};

}  // namespace

bool correlations_differ(double r1, std::size_t n1, double r2, std::size_t n2) {
  if (n1 < 4 || n2 < 4) return false;
  const auto z = [](double r) { return std::atanh(std::clamp(r, -0.999999, 0.999999)); };
  const double se = std::sqrt(1.0 / static_cast<double>(n1 - 3) + 1.0 / static_cast<double>(n2 - 3));
  return std::fabs(z(r1) - z(r2)) > 1.96 * se;
}

Pooled NetworkFigures::generated_wet_at_all(std::size_t level) const {
  std::vector<std::optional<double>> values;
  for (const auto& wet : generated_wet) values.push_back(wet[level].share_at_all());
  return pooled(values, generated_wet.empty() ? 0 : generated_wet.front()[level].present);
}

NetworkFigures network_figures(const NetworkInputs& in, const RealizationSource& generated, double min_complete_percent,
                               double dry_threshold, const NetworkFileTally* file, common::OutputFile& csv) {
  NetworkFigures f;
  const network::NetworkManifest& m = in.manifest;
  for (const network::NetworkSite& site : m.sites) f.sites.push_back(site.name);
  f.unit = network::distance_unit(m);
  f.pairs = f.sites.size() * (f.sites.size() - std::min<std::size_t>(f.sites.size(), 1)) / 2;
  GeneratedPairs pairs;
  read_realizations(generated, f.sites, in, min_complete_percent, dry_threshold, pairs);
  f.generated_wet = pairs.wet;
  f.generated_days = pairs.days;
  f.file = file;

  const std::vector<std::size_t> table = table_pair_indices(in, f.pairs, f.table_of_nearest);
  f.table.resize(table.size());
  double max_distance = 0;
  for (PairWalk walk{f.sites.size()}; walk.first + 1 < f.sites.size(); walk.next())
    max_distance = std::max(
        max_distance, network::distance(m.coordinates, m.sites[walk.first].position, m.sites[walk.second].position));
  std::vector<const gauge::CalendarSeries*> records;
  for (const NetworkSiteInputs& s : in.sites) records.push_back(&s.record);
  csv.write(stats::statistics_csv_header);
  for (std::size_t level = 0; level < levels; ++level) {
    const std::vector<stats::Blocks> record = level_blocks(records, level, min_complete_percent);
    f.record_wet[level] = wetness(record, dry_threshold);
    LevelPass(f, in, pairs, level, record, table, max_distance).run(csv);
  }
  for (LevelMeans& means : f.means)
    if (means.pairs > 0)
      means.record /= static_cast<double>(means.pairs), means.generated /= static_cast<double>(means.pairs);

  write_wet_rows(csv, "record", f.record_wet);
  if (f.generated_wet.size() == 1) {
    write_wet_rows(csv, "generated", f.generated_wet.front());
  } else {
    for (std::size_t k = 0; k < f.generated_wet.size(); ++k)
      write_wet_rows(csv, fmt::format("realization:{}", file ? file->pooled[k] : static_cast<long>(k + 1)),
                     f.generated_wet[k]);
  }
  if (file) {
    const auto count = [&csv](const char* statistic, std::size_t n) {
      csv.write(stats::csv_row_text({"generated", {}, statistic, static_cast<double>(n), {}, {}, {}}));
    };
    count("realizations", static_cast<std::size_t>(file->realizations));
    count("realizations_pooled", file->pooled.size());
    count("realizations_left_out", file->left_out.size());
    count("failed_runs", static_cast<std::size_t>(file->failed_runs));
  }
  return f;
}

}  // namespace raingen::report
