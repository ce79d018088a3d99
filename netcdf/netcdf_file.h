// A netCDF-4 file (classic data model, so that every netCDF reader takes it) written through the
// netCDF-C library, or an existing file opened for reading, with each library call checked: a
// failure throws ToolError naming the file the user asked for, whatever path the library uses,
// and saying why in the user's terms where the library only says "NetCDF: HDF error".
#pragma once

#include <netcdf.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace raingen::netcdf {

class File {
 public:
  // Creates (or empties) the file at path; shown_name names it in messages.
  File(const std::filesystem::path& path, std::string shown_name);
  // Opens an existing file for reading only.
  struct ForReading {};
  File(const std::filesystem::path& path, std::string shown_name, ForReading);
  ~File();  // closes without checking when close() was not reached (a failure on the way)
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  int id() const { return id_; }
  const std::string& shown_name() const { return shown_name_; }
  // Throws ToolError "cannot be written: DOING: REASON" (or "cannot be read: ...") unless status
  // is NC_NOERR. The library's HDF error is told by what lies behind it: on writing, the system's
  // reason for the last failed call when there is one (a full disk, a file size limit); on
  // reading, data that fail their checksum or do not decompress (a damaged file).
  void check(int status, const char* doing) const;

  // Definitions (before end_definitions). A length of 0 makes the dimension unlimited.
  int define_dimension(const char* name, std::size_t length);
  int define_variable(const char* name, nc_type type, std::span<const int> dimensions);
  // A text attribute of a variable, or of the file with NC_GLOBAL.
  void put_text(int variable, const char* name, std::string_view text);
  // A numeric attribute of the given type.
  void put_numbers(int variable, const char* name, nc_type type, std::span<const double> values);
  // Deflate (after the shuffle filter, unless shuffle is false) and chunks of the given lengths,
  // one per dimension, for a variable written chunk by chunk in order (its values written once,
  // so never filled first).
  void compress(int variable, int deflate_level, std::span<const std::size_t> chunk, bool shuffle = true);
  // A Fletcher-32 checksum over each chunk of the given lengths, checked whenever it is read, for a
  // variable that is not compressed (whose damage nothing else would find).
  void checksum(int variable, std::span<const std::size_t> chunk);
  void end_definitions();

  // Reading: what the file holds, none where it lacks the name.
  // For a variable read once, in order: a cache of about a megabyte, enough for a read that does
  // not end on a chunk's edge, where the library's default keeps tens of megabytes of chunks read.
  void read_in_order(int variable) const;
  std::optional<std::size_t> dimension_length(const char* name) const;
  std::optional<int> find_variable(const char* name) const;
  std::optional<std::string> text_attribute(int variable, const char* name) const;
  bool has_attribute(int variable, const char* name) const;
  // An attribute that holds one integer (of any integer type); none when it is absent or holds
  // anything else.
  std::optional<long long> integer_attribute(int variable, const char* name) const;
  // The names of a variable's dimensions, in order.
  std::vector<std::string> dimension_names(int variable) const;
  nc_type type_of(int variable) const;
  // What is wrong with a variable a reader is about to read: none when it has the type and the
  // dimensions (by name, in order) its layout gives it, else "is int over (site), not int over
  // (realization)". Reading it into a buffer sized by the layout is safe only then.
  std::optional<std::string> shape_fault(int variable, nc_type type,
                                         std::span<const std::string_view> dimensions) const;
  // The bytes the file takes (0 when unknown): a declared dimension a reader allocates for is
  // bounded by what the file can hold.
  std::uintmax_t size() const { return size_; }

  // Closes the file, so that everything is on disk; throws ToolError on failure.
  void close();

 private:
  int id_ = -1;
  std::string shown_name_;
  bool reading_ = false;
  std::uintmax_t size_ = 0;
};

// The status a tool's main returns, ending the process itself when a file's close failed. The HDF5
// library keeps such a file (a full disk, a file size limit) and its exit handler then crashes on
// it (HDF5 1.10): the process ends without the exit handlers, its output streams flushed first.
int exit_status_after_files(int status);

}  // namespace raingen::netcdf
