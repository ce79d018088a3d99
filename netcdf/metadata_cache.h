// The HDF5 metadata cache of a file the netCDF-C library has open. The chunk index of an ensemble
// file grows with realizations x days, and the library keeps the index nodes it has touched in
// that cache, which by default grows to 32 MiB: the writer's memory then grew with the work
// (29 MB at 64 realizations of 2,000 days, 56 MB at 64 of 36,525). A small cache evicts index
// nodes to the file as they fill and keeps memory flat, at about 2% of the writing time.
#pragma once

#include <filesystem>

namespace raingen::netcdf {

// The metadata cache size every file takes.
inline constexpr unsigned long metadata_cache_bytes = 256UL * 1024;

// Bounds the metadata cache of the HDF5 file open at path to metadata_cache_bytes. It changes
// how much the library holds, never what it writes; a file it does not find (another library
// build, a name the library changed) keeps the library's default.
void bound_metadata_cache(const std::filesystem::path& path);

}  // namespace raingen::netcdf
