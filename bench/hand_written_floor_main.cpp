// The hand-written floor as a program of its own, so that the whole-run benchmark can run it the
// way it runs the program: a process started, its memory first touched, its files closed.
//
//   hand_written_floor DAYS FIRST_OUTPUT SECOND_OUTPUT DAY_FILE...
// Prints the check of the values converted (see hand_written_floor.h).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/hand_written_floor.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s DAYS FIRST_OUTPUT SECOND_OUTPUT DAY_FILE...\n", argv[0]);
    return 2;
  }
  const std::vector<std::string> day_files(argv + 4, argv + argc);
  const std::uint64_t check = bench::hand_written_floor(day_files, std::atoi(argv[1]), argv[2], argv[3]);
  std::printf("%llu\n", static_cast<unsigned long long>(check));
  return 0;
}
