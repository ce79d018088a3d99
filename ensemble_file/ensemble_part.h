// A part of an ensemble: part I of N of an ensemble of K realizations from seed S holds a
// contiguous range of its realizations, those a run of the whole ensemble on one machine would
// number floor((I-1) K / N) + 1 to floor(I K / N), with their seeds S + k - 1. The N parts cover
// 1..K once, in order, and their sizes differ by at most one. A part's file records I, N, K and S
// (global attributes raingen_part_index, raingen_part_count, raingen_part_realizations,
// raingen_part_first_seed) beside the inputs' checksum, so that a merge can tell which parts it
// has, which are missing and whether they belong together.
//
// A network's ensemble (a site dimension) splits the same way, by realizations: all sites of a
// realization are in its part (they share its seed), and the part's file records the same four
// numbers.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "netcdf/netcdf_file.h"

namespace raingen::ensemble_file {

// Realizations first..last (from 1), both included.
struct RealizationRange {
  long first = 1;
  long last = 0;
  long size() const { return last - first + 1; }
};

// Part index (1..count) of `units` units split into count contiguous ranges, in order, of sizes
// differing by at most one. Requires 1 <= index <= count <= units.
RealizationRange split_range(long units, long index, long count);

struct EnsemblePart {
  long index = 1;         // I, from 1
  long count = 1;         // N
  long realizations = 1;  // K: of the whole ensemble
  int first_seed = 1;     // S: of the whole ensemble's realization 1

  RealizationRange range() const { return split_range(realizations, index, count); }
  int seed_of(long realization) const { return static_cast<int>(first_seed + realization - 1); }
  // "part 2 of 4 (realizations 11 to 20)"
  std::string description() const;
};

// What is wrong with a part's numbers as a file records them (I outside 1..N, N above K, seeds past
// the largest), or "" when they make a part.
std::string part_fault(long index, long count, long realizations, long long first_seed);

// The index (from 0) of realization `number` (numbered as in the whole ensemble) in a file whose
// `count` realizations are numbered from `first`. Throws ToolError "FILE: holds realizations 1 to
// 4: there is no realization 9".
long realization_index(const std::string& shown_name, long first, long count, long number);

// The four global attributes of a part's file, written while the file is being defined.
void put_part_attributes(netcdf::File& file, const EnsemblePart& part);

// The part a file records, or none when it records none. Calls refuse (which throws) with what is
// wrong for some of the four attributes without the others, or numbers that make no part.
std::optional<EnsemblePart> read_part_attributes(const netcdf::File& file,
                                                 const std::function<void(const std::string&)>& refuse);

}  // namespace raingen::ensemble_file
