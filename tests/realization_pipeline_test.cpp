// The realizations of an ensemble file handed to workers as it is read: every complete
// realization once, with its own depths, whatever the number of workers; failed ones never;
// the first failure of a worker ends the reading and is thrown, without waiting for ever.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "ensemble_file/ensemble_file.h"
#include "report/realization_pipeline.h"
#include "support/child.h"

namespace {

using namespace raingen;
using testing_support::TempDir;

constexpr long count = 13;
constexpr std::size_t intervals = 96 * 3;

// Realization k holds k + i / 1000 in interval i; 3 and 7 failed.
void write_ensemble(const std::filesystem::path& path) {
  ensemble_file::EnsembleLayout layout;
  layout.start = date::sys_days{date::year{2001} / 1 / 1};
  layout.site = "S";
  layout.intervals = intervals;
  layout.realizations = count;
  layout.source = "test";
  layout.checksum = "0123456789abcdef";
  ensemble_file::EnsembleWriter writer(path, path.string(), layout);
  for (long k = 0; k < count; ++k) {
    if (k == 3 || k == 7) {
      writer.put_failed(k, static_cast<int>(k + 1));
      continue;
    }
    std::vector<float> depths(intervals);
    for (std::size_t i = 0; i < intervals; ++i) depths[i] = static_cast<float>(k) + static_cast<float>(i) / 1000;
    writer.put_complete(k, static_cast<int>(k + 1), depths);
  }
  writer.close();
}

TEST(RealizationPipeline, EveryCompleteRealizationOnceWithItsDepths) {
  TempDir dir;
  write_ensemble(dir / "e.nc");
  const ensemble_file::EnsembleReader reader(dir / "e.nc");
  for (int jobs : {1, 2, 5}) {
    std::vector<double> sums(count, -1);
    std::vector<int> calls(count, 0);
    std::atomic<int> total{0};
    report::for_each_realization(reader, jobs, [&](long k, std::span<const float> depths) {
      ASSERT_EQ(depths.size(), intervals);
      ++calls[static_cast<std::size_t>(k)];  // each k its own element: no two workers share one
      sums[static_cast<std::size_t>(k)] = std::accumulate(depths.begin(), depths.end(), 0.0);
      ++total;
    });
    EXPECT_EQ(total, count - 2) << jobs;
    for (long k = 0; k < count; ++k) {
      const bool failed = k == 3 || k == 7;
      EXPECT_EQ(calls[static_cast<std::size_t>(k)], failed ? 0 : 1) << jobs << " " << k;
      double expected = 0;
      for (std::size_t i = 0; i < intervals; ++i) expected += static_cast<float>(k) + static_cast<float>(i) / 1000;
      if (!failed) {
        EXPECT_EQ(sums[static_cast<std::size_t>(k)], expected) << jobs << " " << k;
      }
    }
  }
}

TEST(RealizationPipeline, AWorkersFailureEndsTheReadingAndIsThrown) {
  TempDir dir;
  write_ensemble(dir / "e.nc");
  const ensemble_file::EnsembleReader reader(dir / "e.nc");
  for (int jobs : {1, 3}) {
    std::atomic<long> after{0};
    try {
      report::for_each_realization(reader, jobs, [&](long k, std::span<const float>) {
        if (k == 5) throw std::runtime_error("realization 6 is wrong");
        if (k > 5) ++after;
      });
      ADD_FAILURE() << "nothing thrown with " << jobs << " jobs";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "realization 6 is wrong");
    }
    // On one thread nothing runs after the failure (with workers, those read before it was
    // seen may still run).
    if (jobs == 1) {
      EXPECT_EQ(after, 0);
    }
  }
}

}  // namespace
