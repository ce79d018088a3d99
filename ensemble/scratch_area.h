// Where realizations run: a private directory beside the ensemble's output file (so that its
// files stay on the user's chosen file system), one subdirectory per run under way, all removed
// when the work ends however it ends.
//
//   SCRATCH/n/run/     the program's working directory: links to the inputs of the run directory
//                      (or of a season's folder), INPUT.TXT itself when its day count is set, and
//                      what the program writes there (the results file, SOURCE.OUT)
//   SCRATCH/n/stdout   the program's standard output
//   SCRATCH/n/stderr   the program's standard error
//
// A run's directory is given back once its table is taken in, and the next run on the same folder
// takes it again: what the run wrote is removed, the links stay (making them costs more than a
// short run of the program on a busy file system).
//
// The tool holds a lock (flock) on SCRATCH while it lives. One killed outright (SIGKILL) leaves
// SCRATCH behind unlocked: the next ensemble that makes its scratch directory in that folder
// removes every ".NAME.scratch-XXXXXX" directory that no running ensemble holds.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/program_files.h"
#include "run_directory/run_directory.h"

namespace raingen::ensemble {

struct RealizationFiles {
  std::filesystem::path root;  // SCRATCH/n
  std::filesystem::path run;
  std::filesystem::path out;
  std::filesystem::path err;
  std::filesystem::path source_out() const { return run / common::source_out_name; }
};

class ScratchArea {
 public:
  // Creates a fresh directory ".NAME.scratch-XXXXXX" beside output. Throws ToolError.
  explicit ScratchArea(const std::filesystem::path& output);
  ~ScratchArea();  // removes the directory and everything in it
  ScratchArea(const ScratchArea&) = delete;
  ScratchArea& operator=(const ScratchArea&) = delete;

  // A directory for a run on inputs, holding a symbolic link to each of them (the program only
  // reads them, so the inputs are never changed), but INPUT.TXT written as settings_text when that
  // is given: one given back by an earlier run on the same inputs, or a new one. Throws ToolError.
  RealizationFiles take(const run_directory::RunDirectory& inputs, const std::string* settings_text = nullptr);
  // The directory of a run whose table is taken in (or dropped): what the run wrote is removed and
  // the directory kept for the next run on the same inputs. Throws ToolError.
  void give_back(const RealizationFiles& files);

  const std::filesystem::path& path() const { return path_; }

 private:
  struct Slot {
    RealizationFiles files;
    std::filesystem::path inputs;         // the folder its links reach
    std::vector<std::string> written;     // the names a run writes: the results file, SOURCE.OUT
    std::optional<std::string> settings;  // INPUT.TXT's text when written; none: a link
  };
  void set_settings(Slot& slot, const run_directory::RunDirectory& inputs, const std::string* settings_text) const;

  std::filesystem::path path_;
  std::vector<Slot> free_;
  std::vector<Slot> lent_;
  long made_ = 0;
  int lock_fd_ = -1;  // SCRATCH opened and locked
};

}  // namespace raingen::ensemble
