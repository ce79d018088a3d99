// Fuzz target: a whole run on a small data set whose files the fuzzer mutates. Input: INPUT.TXT
// and the nine station files of stations "STA1", "STA2", "STA3" (D_3, F_2, F_3 of each in
// turn), separated by "\n--\n". A stop or a run-time error report is a normal outcome; a crash,
// a sanitizer report, a floating-point trap or a hang is a finding.
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "generator/library.h"
#include "generator/shared.h"
#include "records/connections.h"
#include "records/console.h"
#include "records/run_end.h"

namespace {

// The program's own handler would finish the process with a report, which would leave the
// fuzzer without the input that caused it; an abort makes libFuzzer keep that input.
void on_float_trap(int) {
  constexpr char text[] = "run_fuzz: floating-point trap\n";
  ssize_t ignored = write(2, text, sizeof text - 1);
  (void)ignored;
  std::abort();
}

// The results file is named by the input; the fuzzer must not name a file outside this
// directory, so every "/" becomes "_".
std::string confined(std::string settings) {
  for (char& c : settings)
    if (c == '/') c = '_';
  return settings;
}

void clear_directory() {
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    std::error_code ignored;
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::enter_private_directory();
  // A fixed seed makes every run of an input draw the same days, so findings reproduce.
  setenv("RAINGEN_SEED", "17", 1);
  raingen::take_seed_from_environment();
  records::install_float_traps();
  signal(SIGFPE, on_float_trap);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz_support::split(data, size, 10);
  clear_directory();
  fuzz_support::write_whole_file("INPUT.TXT", confined(parts[0]));
  const char* suffixes[] = {"D_3.TXT", "F_2.TXT", "F_3.TXT"};
  for (int s = 1; s <= 3; ++s)
    for (int f = 0; f < 3; ++f)
      fuzz_support::write_whole_file("STA" + std::to_string(s) + suffixes[f], parts[3 * s - 2 + f]);

  try {
    raingen::run_driver();
  } catch (const records::RunEnd&) {
  }
  records::reset_connections();
  records::console::reset();
  raingen::reset_shared_state();
  // The reset forgets the seed setting too; take it again for the next input.
  raingen::take_seed_from_environment();
  return 0;
}
