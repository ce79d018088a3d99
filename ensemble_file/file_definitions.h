// How the writer lays out an ensemble file of either layout (ensemble_file.h): its dimensions,
// variables and attributes, and the values known from the start.
#pragma once

#include "ensemble_file/ensemble_file.h"
#include "netcdf/netcdf_file.h"

namespace raingen::ensemble_file {

struct FileVariables {
  int number = -1, seed = -1, status = -1, rainfall = -1;
};

// Defines the file for layout, ends the definitions and puts the times, the site's or the sites'
// names and positions, and the realizations' numbers and seeds (layout.first_seed and on).
FileVariables define_ensemble_file(netcdf::File& file, const EnsembleLayout& layout);

}  // namespace raingen::ensemble_file
