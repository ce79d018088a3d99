// Fuzz target: a gauge record read as noaa (or, as the first byte picks, with its format told
// from its content) by the reader every tool uses. See gauge_reader_fuzz.h.
#include "fuzz_support.h"
#include "gauge_reader_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::enter_private_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz_support::read_gauge_record(data, size, raingen::gauge::Format::noaa);
}
