#include "ensemble/part_coverage.h"

#include <fmt/format.h>

#include "ensemble_file/ensemble_part.h"

namespace raingen::ensemble {

namespace {

// A message names at most this many runs of missing parts and parts held twice: a merge of the
// parts of a thousand tasks with most of them missing says so in a line.
constexpr std::size_t shown_at_most = 8;

// "a", "a and b", "a, b and c"; past shown_at_most items "a, b, ..., h, ..." (how many is said
// beside it).
std::string listed(const std::vector<std::string>& items) {
  std::string text;
  const std::size_t shown = std::min(items.size(), shown_at_most);
  for (std::size_t k = 0; k < shown; ++k) {
    if (k > 0) text += shown < items.size() || k + 1 < shown ? ", " : " and ";
    text += items[k];
  }
  if (shown < items.size()) text += ", ...";
  return text;
}

std::string span_text(long first, long last) {
  return first == last ? std::to_string(first) : fmt::format("{} to {}", first, last);
}

std::string missing_problem(long count, long realizations, const std::vector<std::vector<std::string>>& files_of) {
  std::vector<std::string> parts, held;
  long missing = 0;
  for (long index = 1; index <= count; ++index) {
    if (!files_of[static_cast<std::size_t>(index - 1)].empty()) continue;
    long last = index;
    while (last < count && files_of[static_cast<std::size_t>(last)].empty()) ++last;
    parts.push_back(span_text(index, last));
    held.push_back(span_text(ensemble_file::split_range(realizations, index, count).first,
                             ensemble_file::split_range(realizations, last, count).last));
    missing += last - index + 1;
    index = last;
  }
  if (missing == 0) return "";
  if (missing == 1)
    return fmt::format("part {} of {} (realization{} {}) is missing", parts[0], count,
                       held[0].find(' ') == std::string::npos ? "" : "s", held[0]);
  return fmt::format("{} parts of {} are missing: {} (realizations {})", missing, count, listed(parts), listed(held));
}

}  // namespace

std::string coverage_problems(long count, long realizations, const std::vector<std::vector<std::string>>& files_of) {
  std::vector<std::string> problems;
  if (std::string missing = missing_problem(count, realizations, files_of); !missing.empty())
    problems.push_back(std::move(missing));
  std::size_t doubled = 0;
  for (long index = 1; index <= count; ++index) {
    const std::vector<std::string>& files = files_of[static_cast<std::size_t>(index - 1)];
    if (files.size() < 2) continue;
    if (++doubled > shown_at_most) continue;
    problems.push_back(
        files.size() == 2 ? fmt::format("part {} of {} is in both {} and {}", index, count, files[0], files[1])
                          : fmt::format("part {} of {} is in {} files: {}", index, count, files.size(), listed(files)));
  }
  if (doubled > shown_at_most)
    problems.push_back(fmt::format("{} more parts are in two files or more", doubled - shown_at_most));
  std::string text;
  for (const std::string& problem : problems) text += (text.empty() ? "" : "; ") + problem;
  return text;
}

}  // namespace raingen::ensemble
