// Where realizations run: a private directory beside the ensemble's output file (so that its
// files stay on the user's chosen file system), one subdirectory per realization, all removed when
// the work ends however it ends.
//
//   SCRATCH/k/run/     the program's working directory: links to the run directory's inputs (or
//                      those of a season's folder), INPUT.TXT itself when its day count is set,
//                      and what the program writes there (the results file, SOURCE.OUT)
//   SCRATCH/k/stdout   the program's standard output
//   SCRATCH/k/stderr   the program's standard error
// (k: the realization's number, or "k.b" for its block b when it has several.)
#pragma once

#include <filesystem>
#include <string>

#include "common/program_files.h"
#include "ensemble_file/run_directory.h"

namespace raingen::ensemble {

struct RealizationFiles {
  std::filesystem::path root;  // SCRATCH/k
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

  // Makes SCRATCH/name/run holding a symbolic link to each input of the run directory (the program
  // only reads them, so the inputs are never changed), but INPUT.TXT written with settings_text
  // when it is given. Throws ToolError.
  RealizationFiles prepare(const std::string& name, const ensemble_file::RunDirectory& inputs,
                           const std::string* settings_text = nullptr) const;
  // Removes SCRATCH/k and what it holds.
  void remove(const RealizationFiles& files) const;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace raingen::ensemble
