#include "records/errors.h"

namespace records {
namespace {

struct Message {
  int number;
  std::string_view text;
};

constexpr Message catalogue[] = {
#define RECORDS_ERROR_MESSAGE(name, number, message) {error::name, message},
    RECORDS_ERROR_CATALOGUE(RECORDS_ERROR_MESSAGE)
#undef RECORDS_ERROR_MESSAGE
};

constexpr bool each_number_once() {
  for (const Message& a : catalogue) {
    int count = 0;
    for (const Message& b : catalogue) count += a.number == b.number ? 1 : 0;
    if (count != 1) return false;
  }
  return true;
}
static_assert(each_number_once(), "an error number stands twice in the catalogue");

}  // namespace

std::string_view error_message(int number) {
  for (const Message& m : catalogue)
    if (m.number == number) return m.text;
  if (number > error::list_too_long && number <= error::last_field_list_error)
    return error_message(error::list_too_long);
  return "";
}

}  // namespace records
