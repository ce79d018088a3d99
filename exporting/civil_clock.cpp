#include "exporting/civil_clock.h"

#include "common/tool_error.h"

namespace raingen::exporting {

calendar::CivilMinute CivilClock::at(calendar::TimePoint t) {
  try {
    return clock_.at(t);
  } catch (const common::ToolError& error) {
    throw common::ToolError(table_.path(), table_.line_number(), error.what());
  }
}

}  // namespace raingen::exporting
