#include "records/raise.h"

namespace records {

void stop_run() { throw RunEnd{RunEnd::Kind::stop, 'F', 0, Statement::read, ""}; }

void raise_error(int number, Statement statement, std::string_view file_name) {
  throw RunEnd{RunEnd::Kind::error, 'F', number, statement, std::string(file_name)};
}

}  // namespace records
