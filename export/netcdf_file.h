// A netCDF-4 file (classic data model, so that every netCDF reader takes it) written through the
// netCDF-C library, with each library call checked: a failure throws ToolError naming the file
// the user asked for, whatever path the library writes to.
#pragma once

#include <netcdf.h>

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace raingen::exporting {

class NetcdfFile {
 public:
  // Creates (or empties) the file at path; shown_name names it in messages.
  NetcdfFile(const std::filesystem::path& path, std::string shown_name);
  ~NetcdfFile();  // closes without checking when close() was not reached (a failure on the way)
  NetcdfFile(const NetcdfFile&) = delete;
  NetcdfFile& operator=(const NetcdfFile&) = delete;

  int id() const { return id_; }
  // Throws ToolError "cannot be written: DOING: REASON" unless status is NC_NOERR.
  void check(int status, const char* doing) const;

  // Definitions (before end_definitions). A length of 0 makes the dimension unlimited.
  int define_dimension(const char* name, std::size_t length);
  int define_variable(const char* name, nc_type type, std::span<const int> dimensions);
  // A text attribute of a variable, or of the file with NC_GLOBAL.
  void put_text(int variable, const char* name, std::string_view text);
  // Deflate (with the shuffle filter) and chunks of the given lengths, one per dimension, for a
  // variable written chunk by chunk in order (its values written once, so never filled first).
  void compress(int variable, int deflate_level, std::span<const std::size_t> chunk);
  void end_definitions();

  // Closes the file, so that everything is on disk; throws ToolError on failure.
  void close();

 private:
  int id_ = -1;
  std::string shown_name_;
};

}  // namespace raingen::exporting
