// Fuzz target: an arbitrary field-list text and arbitrary record bytes, read with arbitrary
// items. Input: field list, "\n--\n", item kinds (one byte each), "\n--\n", the file's bytes.
// A run-time error report is a normal outcome; a crash, a sanitizer report or a hang is not.
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "records/connections.h"
#include "records/console.h"
#include "records/read_fields.h"
#include "records/run_end.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::enter_private_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz_support::split(data, size, 3);
  fuzz_support::write_whole_file("in.txt", parts[2]);
  // The text gets a buffer of exactly its size, so that reading past it is caught.
  const std::string& text = parts[0];
  std::unique_ptr<char[]> field_list(new char[text.size() + 1]);
  std::memcpy(field_list.get(), text.data(), text.size());
  field_list[text.size()] = '#';  // not a NUL: the length must be obeyed
  const std::string& kinds = parts[1].substr(0, 256);

  try {
    if (records::connect_unit(7, "in.txt", records::Status::old, true) != 0) std::abort();
    // A few statements in a row, so that record boundaries between statements are exercised.
    for (int statement = 0; statement < 3; ++statement) {
      records::ReadStatement read(7, field_list.get(), static_cast<int>(text.size()));
      for (unsigned char kind : kinds) {
        if (kind % 3 == 0) {
          std::int32_t value;
          read.integer(value);
        } else if (kind % 3 == 1) {
          float value;
          read.real(value);
        } else {
          int length = kind / 3 % 40 + 1;
          std::unique_ptr<char[]> value(new char[length]);
          read.text(value.get(), length);
        }
      }
      read.end();
    }
  } catch (const records::RunEnd&) {
  }
  records::reset_connections();
  records::console::reset();
  return 0;
}
