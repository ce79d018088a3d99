// An output file written aside and renamed into place: until commit() the target keeps whatever it
// held (or stays absent), and a tool that fails part way leaves no half-written file behind.
// Bytes are collected in a large buffer and written with few system calls.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace raingen::common {

class OutputFile {
 public:
  // The aside file is created in the target's directory (so that the rename stays on one file
  // system), with the mode a new file would get. Throws ToolError when it cannot be created.
  explicit OutputFile(std::filesystem::path target);
  // Standard output: written through, nothing to rename.
  static OutputFile standard_output();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  ~OutputFile();  // an uncommitted aside file is removed

  void write(std::string_view bytes);
  // For a library that writes a file by name (netCDF): closes this object's descriptor and
  // returns the aside path for the library to write; commit() then renames it.
  std::filesystem::path hand_to_library();
  // Writes what is buffered, syncs and closes; throws ToolError on any failure.
  void finish();
  // finish(), then renames the aside file over the target.
  void commit();

  const std::filesystem::path& target() const { return target_; }

 private:
  OutputFile() = default;
  void flush_buffer();
  void sync_aside_file();

  std::filesystem::path target_;
  std::filesystem::path aside_;
  int fd_ = -1;
  bool is_standard_output_ = false;
  bool finished_ = false;
  bool committed_ = false;
  bool handed_to_library_ = false;
  std::string buffer_;
};

// Finishes every file first and renames them only when all are complete, so a failure leaves
// every target as it was (a rename itself failing part way is the one exception).
void commit_all(std::vector<OutputFile*> files);

// A file whose whole content is known before it is written.
struct FileText {
  std::filesystem::path target;
  std::string text;
};

// Writes every file aside, then renames them together as commit_all does. A target that is a
// directory would fail its rename after the others were put in place, so it is refused (ToolError)
// before anything is written.
void write_together(const std::vector<FileText>& files);

}  // namespace raingen::common
