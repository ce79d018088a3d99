// Rain events: runs of 15-minute intervals split by a dry gap, as storage and overflow work
// counts storms. An interval is wet when its depth is above 0. An event begins with a wet interval
// and ends with the last wet interval before at least gap_hours of dry intervals; an event whose
// depth is below min_depth is left out (a shower that fills nothing). Missing intervals in a run
// no longer than the gap (a logger's few lost readings) count as dry, as they do for the
// statistics. An event that a longer run of missing intervals or an end of the series cuts, or
// that comes closer to one than the gap, is of unknown extent: it is counted as censored and left
// out too.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <vector>

#include "gauge/calendar_series.h"

namespace raingen::stats {

struct EventRule {
  double gap_hours = 6;  // a multiple of 0.25
  double min_depth = 1;  // mm
};

struct Event {
  std::size_t first = 0, last = 0;  // its first and last wet interval
  double depth = 0;                 // mm
  double peak = 0;                  // its largest 15-minute depth, mm
  double duration_hours() const { return static_cast<double>(last - first + 1) / 4.0; }
};

struct Events {
  std::vector<Event> events;          // the whole events at or above the minimum depth, in order
  std::vector<double> between_hours;  // from one event's end to the next's start, when no interval
                                      // between them is missing
  std::size_t censored = 0;           // events of unknown extent, left out
  double years = 0;                   // observed intervals (present, or missing but dry as above),
                                      // in years of calendar::days_per_year
  std::optional<double> per_year() const;
};

Events events_of(const gauge::CalendarSeries& series, const EventRule& rule);

}  // namespace raingen::stats

namespace raingen::stats {

// What the report reads of a series' events, a few numbers whatever the series' length (so that
// every realization of an ensemble keeps them): counts and means, and each measure at the
// exceedance shares of event_shares (the value that that share of the events reach or pass).
inline constexpr double event_shares[] = {0.9, 0.7, 0.5, 0.3, 0.2, 0.1, 0.05, 0.02, 0.01, 0.005, 0.002, 0.001};
inline constexpr std::size_t event_share_count = std::size(event_shares);

enum class EventMeasure { depth, duration_hours, peak, between_hours };
inline constexpr EventMeasure event_measures[] = {EventMeasure::depth, EventMeasure::duration_hours, EventMeasure::peak,
                                                  EventMeasure::between_hours};

struct EventSummary {
  std::size_t count = 0, censored = 0;
  std::optional<double> per_year;
  std::array<std::optional<double>, 4> mean{};  // of each measure, in event_measures' order
  // At each share of event_shares: the value by linear interpolation between order statistics
  // (stats::quantile at 1 - share); NaN where the share is below 1 / n of that measure's values.
  std::array<std::array<double, event_share_count>, 4> at_share{};
};

EventSummary summarize(const Events& events);

}  // namespace raingen::stats
