// Fuzz target: arbitrary field-list texts and items written to a file. Input: field list (a
// first byte 0xFF means list-directed), "\n--\n", the items: a kind byte, then 4 bytes of an
// integer or float, or a length byte and that many characters.
// Besides the sanitizers, it checks what a written file must be: whole records, each ended by
// CR LF.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "records/connections.h"
#include "records/console.h"
#include "records/run_end.h"
#include "records/write_fields.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::enter_private_directory();
  return 0;
}

namespace {

void write_items(records::WriteStatement& write, const std::string& items) {
  std::size_t at = 0;
  auto take = [&](std::size_t n) {
    std::string piece = items.substr(at, n);
    piece.resize(n, '\0');
    at = std::min(items.size(), at + n);
    return piece;
  };
  int count = 0;
  while (at < items.size() && count++ < 300) {
    unsigned char kind = static_cast<unsigned char>(take(1)[0]);
    if (kind % 3 == 0) {
      std::int32_t value;
      std::memcpy(&value, take(4).data(), 4);
      write.integer(value);
    } else if (kind % 3 == 1) {
      float value;
      std::memcpy(&value, take(4).data(), 4);
      write.real(value);
    } else {
      int length = static_cast<unsigned char>(take(1)[0]) % 200;
      std::string text = take(static_cast<std::size_t>(length));
      std::unique_ptr<char[]> copy(new char[text.size() + 1]);
      std::memcpy(copy.get(), text.data(), text.size());
      write.text(copy.get(), static_cast<int>(text.size()));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz_support::split(data, size, 2);
  const std::string& text = parts[0];
  bool list_directed = !text.empty() && static_cast<unsigned char>(text[0]) == 0xFF;
  std::unique_ptr<char[]> field_list(new char[text.size() + 1]);
  std::memcpy(field_list.get(), text.data(), text.size());
  field_list[text.size()] = '#';

  try {
    if (records::connect_unit(8, "out.txt", records::Status::unknown, true) != 0) std::abort();
    for (int statement = 0; statement < 2; ++statement) {
      records::WriteStatement write(8, list_directed ? nullptr : field_list.get(), static_cast<int>(text.size()));
      write_items(write, parts[1]);
      write.end();
    }
    records::close_unit(8);
  } catch (const records::RunEnd&) {
  }
  records::reset_connections();
  records::console::reset();

  std::string written = fuzz_support::read_whole_file("out.txt");
  if (!written.empty() && (written.size() < 2 || written.compare(written.size() - 2, 2, "\r\n") != 0))
    std::abort();  // a record without its line end
  std::remove("out.txt");
  return 0;
}
