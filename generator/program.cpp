// The program's entry: `--help` and `--version` answered first, then the run, whose every end is
// carried out by the record layer (exit status 0 after a normal end, 1 after a stop, an error
// report or a refused RAINGEN_SEED).
#include "generator/library.h"
#include "generator/program_options.h"
#include "generator/shared.h"
#include "records/connections.h"
#include "records/run_end.h"

int main(int argc, char** argv) {
  if (const auto status = raingen::answer_program_option(argc, argv)) return *status;
  // Before anything else, so that a bad seed leaves every file as it was.
  raingen::take_seed_from_environment();
  records::set_command_line(argc, argv);
  records::run_program(raingen::run_driver);
}
