// Work on items one after another, made on up to J threads at a time: make(k) for k = 0..n-1 runs
// ahead on other threads while this thread takes each result in order (take(k, result)), so that
// what is written is the same for any J and at most J results are held at once.
#pragma once

#include <cstddef>
#include <deque>
#include <future>
#include <utility>

namespace raingen::network {

// An exception of make (or take) ends it: the one of the lowest k comes first, once the threads
// at work have finished.
template <class Make, class Take>
void in_order(std::size_t count, int jobs, const Make& make, const Take& take) {
  if (jobs <= 1) {
    for (std::size_t k = 0; k < count; ++k) take(k, make(k));
    return;
  }
  using Result = decltype(make(std::size_t{}));
  std::deque<std::future<Result>> ahead;
  std::size_t next = 0;
  const auto launch = [&] { ahead.push_back(std::async(std::launch::async, make, next++)); };
  while (next < count && ahead.size() < static_cast<std::size_t>(jobs)) launch();
  for (std::size_t k = 0; k < count; ++k) {
    Result result = ahead.front().get();
    ahead.pop_front();
    if (next < count) launch();
    take(k, std::move(result));
  }
}

}  // namespace raingen::network
