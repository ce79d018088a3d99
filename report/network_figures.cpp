#include "report/network_figures.h"

#include <algorithm>

#include <fmt/format.h>

#include "common/tool_error.h"
#include "stats/quantile.h"

namespace raingen::report {

namespace {

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

std::vector<const gauge::CalendarSeries*> series_of(const std::vector<NetworkSiteInputs>& sites) {
  std::vector<const gauge::CalendarSeries*> out;
  for (const NetworkSiteInputs& s : sites) out.push_back(&s.record);
  return out;
}

}  // namespace

Pooled NetworkFigures::generated_r(std::size_t pair, std::size_t level) const {
  std::vector<std::optional<double>> values;
  for (const stats::NetworkCorrelation& g : generated) values.push_back(g.pairs[pair].at[level].r);
  return pooled(values, generated.empty() ? 0 : generated.front().pairs[pair].at[level].pairs);
}

Pooled NetworkFigures::generated_wet_at_all(std::size_t level) const {
  std::vector<std::optional<double>> values;
  for (const stats::NetworkCorrelation& g : generated) values.push_back(g.wet[level].share_at_all());
  return pooled(values, generated.empty() ? 0 : generated.front().wet[level].present);
}

NetworkFigures network_figures(const NetworkInputs& in, const RealizationSource& generated,
                               double min_complete_percent, double dry_threshold) {
  NetworkFigures f;
  const network::NetworkManifest& m = in.manifest;
  for (const network::NetworkSite& site : m.sites) f.sites.push_back(site.name);
  f.unit = network::distance_unit(m);
  f.record = stats::network_correlation(series_of(in.sites), min_complete_percent, dry_threshold);
  for (const stats::PairCorrelation& pair : f.record.pairs)
    f.distances.push_back(network::distance(m.coordinates, m.sites[pair.first].position, m.sites[pair.second].position));
  while (std::optional<NetworkRealization> realization = generated()) {
    std::vector<std::string> names;
    std::vector<const gauge::CalendarSeries*> series;
    for (const SiteSeries& s : *realization) {
      names.push_back(s.site);
      series.push_back(&s.series);
    }
    if (names != f.sites)
      throw common::ToolError(fmt::format("generated realization {} has the sites {}, not those of {} in its order ({})",
                                          f.generated.size() + 1, fmt::join(names, " "),
                                          (in.dir / network::manifest_file_name).string(), fmt::join(f.sites, " ")));
    if (f.generated.empty() && !series.empty()) f.generated_days = series.front()->size() / calendar::intervals_per_day;
    f.generated.push_back(stats::network_correlation(series, min_complete_percent, dry_threshold));
  }
  if (f.generated.empty()) throw common::ToolError("no generated realization to set against the records");
  return f;
}

std::vector<stats::CsvRow> network_csv_rows(const NetworkFigures& f) {
  std::vector<stats::CsvRow> rows;
  for (std::size_t level = 0; level < stats::network_levels.size(); ++level) {
    const int minutes = stats::network_levels[level];
    for (std::size_t p = 0; p < f.record.pairs.size(); ++p) {
      const stats::PairCorrelation& pair = f.record.pairs[p];
      const std::string sites = f.sites[pair.first] + "/" + f.sites[pair.second];
      const stats::Correlation& record = pair.at[level];
      const Pooled generated = f.generated_r(p, level);
      rows.push_back({"record:" + sites, minutes, "correlation", record.r, f.distances[p], {}, {}});
      rows.push_back({"record:" + sites, minutes, "correlation_pairs", static_cast<double>(record.pairs), f.distances[p], {}, {}});
      rows.push_back({"generated:" + sites, minutes, "correlation", generated.value, f.distances[p], generated.lower,
                      generated.upper});
      rows.push_back({"generated:" + sites, minutes, "correlation_pairs", static_cast<double>(generated.count),
                      f.distances[p], {}, {}});
    }
  }
  const auto wet_rows = [&rows](const std::string& series, const stats::NetworkCorrelation& c) {
    for (std::size_t level = 0; level < stats::network_levels.size(); ++level) {
      const int minutes = stats::network_levels[level];
      rows.push_back({series, minutes, "share_wet_at_all_sites", c.wet[level].share_at_all(), {}, {}, {}});
      rows.push_back({series, minutes, "share_wet_at_any_site", c.wet[level].share_at_any(), {}, {}, {}});
      rows.push_back({series, minutes, "blocks_present_at_all_sites", static_cast<double>(c.wet[level].present), {}, {}, {}});
    }
  };
  wet_rows("record", f.record);
  if (f.generated.size() == 1) {
    wet_rows("generated", f.generated.front());
  } else {
    for (std::size_t k = 0; k < f.generated.size(); ++k)
      wet_rows(fmt::format("realization:{}", f.file ? f.file->pooled[k] : static_cast<long>(k + 1)), f.generated[k]);
  }
  if (f.file) {
    const auto count = [&rows](const char* statistic, std::size_t n) {
      rows.push_back({"generated", {}, statistic, static_cast<double>(n), {}, {}, {}});
    };
    count("realizations", static_cast<std::size_t>(f.file->realizations));
    count("realizations_pooled", f.file->pooled.size());
    count("realizations_left_out", f.file->left_out.size());
    count("failed_runs", static_cast<std::size_t>(f.file->failed_runs));
  }
  return rows;
}

}  // namespace raingen::report
