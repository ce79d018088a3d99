// An output file written aside and renamed into place: until commit() the target keeps whatever it
// held (or stays absent), and a tool that fails part way leaves no half-written file behind.
// Bytes are collected in a large buffer and written with few system calls.
//
// Only a regular file (or a name not yet taken) is ever replaced: a directory, a FIFO, a device
// or a socket named as an output is refused (a rename would put a regular file in its place).
// A tool that a signal interrupts (common/interruption.h) stops at its next write and removes
// its aside files; nothing is renamed once the signal is noted. The aside file is
// ".NAME.partial-XXXXXX" beside the target, and its writer holds a lock on it (an open file
// description lock) for as long as it lives. A tool killed outright (SIGKILL, a power cut) leaves
// it behind, unlocked: the next tool that writes into that folder removes every such file that
// no running tool holds, before it writes its own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace raingen::common {

// Refuses, before any work, a target that is no regular file: UsageError "TARGET: is a FIFO
// (named pipe), not a regular file: only a regular file is replaced by an output" (or a
// directory, a character device, a block device, a socket). A missing target is fine.
void refuse_irregular_target(const std::filesystem::path& target);

// refuse_irregular_target, and a target's folder that cannot be written is a ToolError
// "TARGET: cannot be written: REASON".
void check_output_target(const std::filesystem::path& target);
// check_output_target for what a tool makes of a run (an ensemble, an export): also refused, by
// name or through a symbolic link, is a file a run folder holds for itself (RAINGEN.TXT,
// NETWORK.TXT, INPUT.TXT, SOURCE.OUT, a station file), which only raingen-prepare and the program
// write: UsageError "TARGET: is RAINGEN.TXT, a file of the run folder: ...".
void check_product_target(const std::filesystem::path& target);
// check_output_target where the target's folder is there; refuse_irregular_target alone where it
// is still to be made (a season's folder, made when the files are written).
void check_future_output(const std::filesystem::path& target);

// Refuses, before any work, a folder of outputs that is there but is no directory (UsageError),
// or that is missing and cannot be made in the nearest folder above it that is there (ToolError).
void check_output_folder(const std::filesystem::path& folder);

// What an existing file at path is, for messages: "a directory", "a FIFO (named pipe)", ...;
// empty for a regular file or no file.
std::string irregular_file_kind(const std::filesystem::path& path);

class OutputFile {
 public:
  // The aside file is created in the target's directory (so that the rename stays on one file
  // system), with the mode a new file would get. Throws UsageError for a target that is no
  // regular file, ToolError when the aside file cannot be created.
  explicit OutputFile(std::filesystem::path target);
  // Standard output: written through, nothing to rename.
  static OutputFile standard_output();
  // The same file as original's (still aside, not yet committed) at target as well: a hard link to
  // its aside file, renamed into place when committed after it (commit_all, in that order). None
  // where the file system cannot link (the caller then writes a copy). original must outlive it.
  static std::optional<OutputFile> linked_to(const OutputFile& original, std::filesystem::path target);
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  ~OutputFile();  // an uncommitted aside file is removed

  void write(std::string_view bytes);
  // For a library that writes a file by name (netCDF): returns the aside path for the library to
  // write (this object keeps its descriptor, and so its lock); commit() then syncs and renames it.
  std::filesystem::path hand_to_library();
  // Writes what is buffered into the aside file and lets the buffer go, without syncing: for a
  // tool that writes many files and syncs their file system once (syncfs) before commit_all.
  void write_out();
  // Writes what is buffered, syncs and closes; throws ToolError on any failure.
  void finish();
  // finish(), then renames the aside file over the target. Throws Interrupted, renaming nothing,
  // when a signal has been noted.
  void commit();

  const std::filesystem::path& target() const { return target_; }

 private:
  OutputFile() = default;
  void flush_buffer();
  void put_in_place();
  void release();  // closes the descriptor (and so lets the lock go) of a file put in place
  friend void commit_all(std::vector<OutputFile*> files);

  std::filesystem::path target_;
  std::filesystem::path aside_;
  int fd_ = -1;
  bool is_standard_output_ = false;
  bool finished_ = false;
  bool committed_ = false;
  std::string buffer_;
};

// Finishes every file first and renames them only when all are complete, so a failure leaves
// every target as it was (a rename itself failing part way is the one exception). A signal noted
// before the first rename renames none; once they have begun, all are renamed.
void commit_all(std::vector<OutputFile*> files);

// A file whose whole content is known before it is written.
struct FileText {
  std::filesystem::path target;
  std::string text;
};

// Writes every file aside, then renames them together as commit_all does. Every target is
// checked (check_output_target) before anything is written.
void write_together(const std::vector<FileText>& files);

}  // namespace raingen::common
