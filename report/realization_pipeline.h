// The realizations of an ensemble file handed to workers as they are read: the file is read on
// the calling thread, in order (the netCDF library is read from one thread at a time), while up
// to `jobs` workers compute on the realizations read before, so that a report on many
// realizations takes little longer than reading them. Only complete realizations are handed
// over; work(k, depths) must be safe to run for different k at once (each writing its own
// result), and its result must not depend on which worker runs it.
#pragma once

#include <functional>
#include <span>

#include "ensemble_file/ensemble_file.h"

namespace raingen::report {

// Runs work for every complete realization k (from 0) of the reader. With jobs <= 1 all on the
// calling thread. The first exception of a worker or of the reading is thrown here, after every
// worker has stopped.
void for_each_realization(const ensemble_file::EnsembleReader& reader, int jobs,
                          const std::function<void(long k, std::span<const float> depths)>& work);

}  // namespace raingen::report
