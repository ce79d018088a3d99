#include "stations/seasons.h"

#include <array>

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::stations {

namespace {

constexpr std::array<std::string_view, 12> month_names{"January",   "February", "March",    "April",
                                                       "May",       "June",     "July",     "August",
                                                       "September", "October",  "November", "December"};

std::string_view short_name(unsigned month) { return month_name(month).substr(0, 3); }

// 1 to 12 written in one or two digits, nothing else.
std::optional<unsigned> month_number(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  unsigned number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number < 1 || number > 12) return std::nullopt;
  return number;
}

}  // namespace

std::string_view month_name(unsigned month) { return month_names.at(month - 1); }

bool Season::holds(unsigned month) const {
  return first_month <= last_month ? month >= first_month && month <= last_month
                                   : month >= first_month || month <= last_month;
}

unsigned Season::month_count() const {
  return first_month <= last_month ? last_month - first_month + 1 : 12 - first_month + 1 + last_month;
}

std::string Season::name() const {
  if (first_month == last_month) return std::string(short_name(first_month));
  return fmt::format("{}-{}", short_name(first_month), short_name(last_month));
}

std::string Season::range_text() const {
  return first_month == last_month ? std::to_string(first_month) : fmt::format("{}-{}", first_month, last_month);
}

std::string Season::months_text() const {
  if (first_month == last_month) return std::string(month_name(first_month));
  return fmt::format("{} to {}", month_name(first_month), month_name(last_month));
}

std::optional<Season> parse_season_range(std::string_view text) {
  const std::size_t dash = text.find('-');
  const std::optional<unsigned> first = month_number(text.substr(0, dash));
  const std::optional<unsigned> last = dash == std::string_view::npos ? first : month_number(text.substr(dash + 1));
  if (!first || !last) return std::nullopt;
  return Season{*first, *last};
}

std::string seasons_fault(const Seasons& seasons) {
  for (unsigned month = 1; month <= 12; ++month) {
    std::vector<const Season*> holding;
    for (const Season& season : seasons)
      if (season.holds(month)) holding.push_back(&season);
    if (holding.empty())
      return fmt::format("{} is in no season: every month belongs to exactly one", month_name(month));
    if (holding.size() > 1)
      return fmt::format("{} is in two seasons ({} and {}): every month belongs to exactly one", month_name(month),
                         holding[0]->range_text(), holding[1]->range_text());
  }
  return {};
}

Seasons parse_seasons(std::string_view list, std::string_view option) {
  if (list == "quarters") return {{12, 2}, {3, 5}, {6, 8}, {9, 11}};
  Seasons seasons;
  if (list == "months") {
    for (unsigned month = 1; month <= 12; ++month) seasons.push_back({month, month});
    return seasons;
  }
  std::string_view rest = list;
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const std::optional<Season> season = parse_season_range(item);
    if (!season)
      throw common::UsageError(
          fmt::format("{} '{}': '{}' is not a range of months M-N or a month M (1 to 12); give "
                      "quarters, months or ranges such as 11-4,5-10",
                      option, list, item));
    seasons.push_back(*season);
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  if (const std::string fault = seasons_fault(seasons); !fault.empty())
    throw common::UsageError(fmt::format("{} '{}': {}", option, list, fault));
  return seasons;
}

std::string seasons_list(const Seasons& seasons) {
  std::string text;
  for (const Season& season : seasons) {
    if (!text.empty()) text += ',';
    text += season.range_text();
  }
  return text;
}

std::string season_names(const Seasons& seasons) {
  std::string text;
  for (const Season& season : seasons) {
    if (!text.empty()) text += ", ";
    text += season.name();
  }
  return text;
}

std::size_t season_of(const Seasons& seasons, calendar::Day day) {
  const unsigned month = static_cast<unsigned>(date::year_month_day{day}.month());
  for (std::size_t s = 0; s < seasons.size(); ++s)
    if (seasons[s].holds(month)) return s;
  throw common::ToolError(fmt::format("no season holds {}", month_name(month)));
}

}  // namespace raingen::stations
