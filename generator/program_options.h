// The program's two options, `--help` and `--version`, answered before anything else: each prints
// its text to standard output and ends the run with status 0, no file read or written. Only these
// two exact words as the first argument are options; every other argument stays a file name for a
// blank name in INPUT.TXT, so a run with other arguments is what it always was.
#pragma once

#include <optional>

namespace raingen {

// The exit status after answering the option in argv[1], or none when argv[1] is no option.
std::optional<int> answer_program_option(int argc, char** argv);

}  // namespace raingen
