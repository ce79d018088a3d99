#include "report/network_page.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "report/page_names.h"
#include "report/report_page.h"

namespace raingen::report {

namespace {

constexpr const char* record_color = "#222222";
constexpr const char* generated_color = "#d62728";
constexpr std::size_t daily = stats::network_levels.size() - 1;

std::string level_name(std::size_t level) {
  switch (stats::network_levels[level]) {
    case 15: return "15 minutes";
    case 60: return "1 hour";
    default: return "1 day";
  }
}

std::string share_text(std::optional<double> share) { return share ? fmt::format("{:.2f}%", 100 * *share) : "-"; }

std::string pooled_text(const Pooled& p) {
  if (!p.value) return "-";
  if (!p.lower) return display_number(p.value);
  return fmt::format("{} ({} to {})", display_number(p.value), display_number(p.lower), display_number(p.upper));
}

// Where the generated series came from, said once for the paragraphs and the table.
std::string generated_source(const NetworkFigures& f) {
  if (!f.file) {
    return f.realizations() > 1 ? fmt::format("the median of {} realizations, with their 5-95% band", f.realizations())
                                : "the plain runs in the sites' folders, one seed for all";
  }
  const std::string file = f.file->file.string();
  if (f.realizations() == 1)
    return fmt::format("realization {} of {}, the only one complete at every site: no band", f.file->pooled.front(),
                       file);
  return fmt::format("the median of the {} realizations of {} complete at every site, with their 5-95% band",
                     f.realizations(), file);
}

// What the file held that the pooled figures leave out.
std::string left_out_text(const NetworkFileTally& t) {
  if (t.left_out.empty())
    return fmt::format(
        "Every run of the file's {} realizations is complete at every site: all are pooled, no failed run.",
        t.realizations);
  return fmt::format(
      "{} of the file's {} realizations are left out of the pooled figures, each with a failed run at one site or more "
      "({} failed runs in all; realizations {}): the band is made of the other {}.",
      t.left_out.size(), t.realizations, t.failed_runs, fmt::join(t.left_out, ", "), t.pooled.size());
}

Chart correlation_chart(const NetworkFigures& f, std::size_t level) {
  const CorrelationPoints& points = f.charts[level];
  Chart chart;
  chart.title = "Correlation of " + level_name(level) + " depths" + (points.banded ? ", band means" : "");
  chart.x.label = "distance between the sites (" + f.unit + ")";
  chart.x.include_zero = true;
  chart.y.label = "Pearson r";
  chart.y.include_zero = true;
  chart.y.high = 1;
  Line record, generated;
  record.label = "weighted records";
  generated.label = f.realizations() > 1 ? "generated (median)" : "generated";
  record.color = record_color;
  generated.color = generated_color;
  record.marker_radius = 4.5;  // a ring around the generated value of the same pair
  for (Line* line : {&record, &generated}) {
    line->markers = true;
    line->joined = false;  // pairs of sites, no curve
  }
  for (std::size_t p = 0; p < points.distance.size(); ++p) {
    record.points.push_back({points.distance[p], points.record[p]});
    generated.points.push_back({points.distance[p], points.generated[p]});
  }
  chart.lines = {record, generated};
  return chart;
}

void sites_section(HtmlPage& page, const NetworkPage& content) {
  const NetworkInputs& in = *content.inputs;
  page.heading(2, "The sites");
  std::vector<std::vector<std::string>> rows;
  for (std::size_t k = 0; k < in.sites.size(); ++k) {
    const network::NetworkSite& site = in.manifest.sites[k];
    const gauge::CalendarSeries& record = in.sites[k].record;
    std::size_t present = 0;
    for (std::size_t i = 0; i < record.size(); ++i) present += record.present(i);
    rows.push_back(
        {site.name, network::position_text(in.manifest.coordinates, site.position), site.folder, in.sites[k].gauges,
         record.empty() ? "(no interval)"
                        : calendar::minute_text(record.start()) + " to " + calendar::minute_text(record.end()),
         record.empty()
             ? "-"
             : fmt::format("{:.1f}%", 100.0 * static_cast<double>(present) / static_cast<double>(record.size())),
         in.sites[k].present == weighting::Presence::all ? "all" : "any"});
  }
  page.table(
      {"site",
       in.manifest.coordinates == network::CoordinateSystem::degrees ? "position (lat,lon)"
                                                                     : "position (x,y, " + in.manifest.map_unit + ")",
       "folder", "gauges (ID distance)", "weighted record", "present", "present where"},
      rows);
}

void correlation_section(HtmlPage& page, const NetworkFigures& f) {
  page.heading(2, "Correlation between sites against distance");
  page.paragraph(fmt::format(
      "Pearson's r of each pair of sites' depths summed into blocks of 15 minutes, 1 hour and 1 day aligned to "
      "midnight, over the blocks present at both, for the weighted records (each site's gauges weighted as its "
      "site station was made) and for the generated series ({}). Distances are {} between the sites' positions in "
      "NETWORK.TXT.",
      generated_source(f), f.unit == "km" ? "great-circle km" : "straight lines in " + f.unit));
  if (f.file) page.paragraph(left_out_text(*f.file));
  if (f.pairs == 0) {
    page.paragraph("The network has one site: there is no pair of sites to correlate.");
    return;
  }
  if (f.charts.front().banded)
    page.paragraph(
        fmt::format("The network's {} pairs are too many to draw one by one: each point is the mean r of the "
                    "pairs in a band of distance (a sixtieth of the longest), at their mean distance ({} "
                    "bands hold pairs).",
                    f.pairs, f.charts.front().distance.size()));
  std::vector<std::string> svgs;
  for (std::size_t level = 0; level < stats::network_levels.size(); ++level)
    svgs.push_back(render_svg(correlation_chart(f, level)));
  page.figures(svgs);
  std::vector<std::string> header{"site", "site", "distance (" + f.unit + ")"};
  for (std::size_t level = 0; level < stats::network_levels.size(); ++level)
    for (const char* which : {"record r", "generated r"})
      header.push_back(fmt::format("{}, {}", which, level_name(level)));
  header.push_back("days present, record / generated");
  std::vector<std::vector<std::string>> rows;
  for (const PairFigures& pair : f.table) {
    std::vector<std::string> row{f.sites[pair.first], f.sites[pair.second], display_number(pair.distance)};
    for (std::size_t level = 0; level < stats::network_levels.size(); ++level) {
      row.push_back(display_number(pair.record[level].r));
      row.push_back(pooled_text(pair.generated[level]));
    }
    row.push_back(fmt::format("{} / {}", pair.record[daily].pairs, pair.generated[daily].count));
    rows.push_back(std::move(row));
  }
  if (f.table_of_nearest)
    page.paragraph(
        fmt::format("The table lists each site's pair with its nearest site: {} of the network's {} pairs. "
                    "Every pair's figures are in statistics.csv.",
                    f.table.size(), f.pairs));
  page.table(header, rows);
}

void wet_section(HtmlPage& page, const NetworkFigures& f) {
  page.heading(2, "Wet at all sites together");
  page.paragraph(fmt::format(
      "The share of blocks present at every site that are wet (above the dry threshold) at all {} sites at once, and "
      "at one at least. A storm that covers the network wets every site together; series drawn apart at each site "
      "would do so about as often as the product of the sites' wet shares.",
      f.sites.size()));
  std::vector<std::vector<std::string>> rows;
  for (std::size_t level = 0; level < stats::network_levels.size(); ++level) {
    const stats::JointWetness& record = f.record_wet[level];
    const Pooled generated = f.generated_wet_at_all(level);
    std::string generated_all = share_text(generated.value);
    if (generated.lower)
      generated_all += " (" + share_text(generated.lower) + " to " + share_text(generated.upper) + ")";
    rows.push_back({level_name(level), share_text(record.share_at_all()), generated_all,
                    share_text(record.share_at_any()), share_text(f.generated_wet.front()[level].share_at_any()),
                    std::to_string(record.present), std::to_string(f.generated_wet.front()[level].present)});
  }
  page.table({"block", "wet at all, record", "wet at all, generated", "wet at any, record", "wet at any, generated",
              "blocks present at all, record", "blocks present at all, generated"},
             rows);
}

std::string generated_row(const NetworkFigures& f, const NetworkPage& content) {
  const std::string clock = content.clock.empty() ? "" : " (" + content.clock + ")";
  if (f.file)
    return fmt::format(
        "{} realizations of {} days from {}, pooled from its {} ({} left out: a failed run at one site or "
        "more; {} failed runs), day 1 at {}{}",
        f.realizations(), f.generated_days, f.file->file.string(), f.file->realizations, f.file->left_out.size(),
        f.file->failed_runs, content.start, clock);
  if (f.realizations() == 1)
    return fmt::format("the plain run in each site's folder: {} days, day 1 at {}", f.generated_days, content.start);
  return fmt::format("{} realizations of {} days, day 1 at {}", f.realizations(), f.generated_days, content.start);
}

}  // namespace

std::vector<std::string> network_shortfalls(const NetworkFigures& f) {
  std::vector<std::string> out;
  if (f.pairs == 0) {
    out.push_back("The network has one site: there is no pair of sites to correlate.");
    return out;
  }
  std::vector<std::string> levels;
  for (std::size_t level = 0; level < stats::network_levels.size(); ++level) {
    const LevelMeans& m = f.means[level];
    if (m.pairs == 0) continue;
    levels.push_back(
        fmt::format("{} {} against {}", level_name(level), display_number(m.generated), display_number(m.record)));
  }
  if (!levels.empty())
    out.push_back(fmt::format("Mean correlation over the pairs, generated against the weighted records: {}.",
                              fmt::join(levels, "; ")));
  const std::size_t outside = f.daily_outside, tested = f.daily_tested;
  if (tested > 0)
    out.push_back(fmt::format(
        "{} of {} pairs' generated daily r differs from the weighted records' by more than sampling error (Fisher's z, "
        "5%, taking days as independent).",
        outside, tested));
  out.push_back(
      "The generated correlation can only be as high as the record's for the dates drawn: every generated day is one "
      "network day of the records at every site at once, so the generated r estimates the records' r over the days "
      "drawn, and the shorter the run the wider its spread. Between days the sites move to another drawn day together: "
      "a storm that crosses midnight is cut at every site alike, and a moving storm's lag between sites is only the "
      "one its recorded day held.");
  const LevelMeans& day = f.means[daily];
  if (day.pairs > 0 && day.record > 0.2 && day.generated < 0.5 * day.record)
    out.push_back(fmt::format(
        "Here the generated daily correlation ({}) is less than half the records' ({}): the sites' generated days are "
        "not the same dates. Sites prepared one by one, each with its own spell table and dates rather than as a "
        "network, draw their days apart whatever the seed, and their correlation is near zero.",
        display_number(day.generated), display_number(day.record)));
  return out;
}

std::string network_report_html(const NetworkPage& content) {
  const NetworkInputs& in = *content.inputs;
  const NetworkFigures& f = *content.figures;
  HtmlPage page("raingen report: network " + in.dir.string());
  page.heading(1, "raingen report: network " + in.dir.string());
  page.paragraph(fmt::format(
      "Does the rain generated at the network's {} sites go together as the records' does? Each site's weighted record "
      "(its three gauges weighted as its site station was made) is set against the series generated in its folder: "
      "the correlation of every pair of sites against the distance between them, and how often all sites are wet at "
      "once. The statistics of each site alone are in raingen-report --dir on its folder.",
      f.sites.size()));
  page.heading(2, "Where the method falls short");
  for (const std::string& sentence : network_shortfalls(f)) page.paragraph(sentence);
  page.heading(2, "The network");
  page.table({"setting", "value"},
             {{"network directory", in.dir.string()},
              {"sites", std::to_string(f.sites.size())},
              {"coordinates", in.manifest.coordinates == network::CoordinateSystem::degrees
                                  ? "degrees (distances in great-circle km)"
                                  : "planar (distances in " + f.unit + ")"},
              {"generated", generated_row(f, content)},
              {"dry block (--wet-threshold)", fmt::format("depth at most {:g} mm", content.options.dry_threshold)},
              {"block kept (--min-complete)",
               fmt::format("at least {:g}% of its 15-minute values present", content.options.min_complete_percent)}});
  sites_section(page, content);
  correlation_section(page, f);
  wet_section(page, f);
  return page.finish();
}

}  // namespace raingen::report
