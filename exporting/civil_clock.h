// The calendar fields of the rows' time stamps, for the text writers: the one calendar's clock,
// with a time outside the years it can write named by the table's row at hand.
#pragma once

#include "calendar/civil_clock.h"
#include "results/table_rows.h"

namespace raingen::exporting {

class CivilClock {
 public:
  explicit CivilClock(const results::TableRows& table) : table_(table) {}
  // Throws ToolError naming the table's row for a time outside the years 1 to 9999.
  calendar::CivilMinute at(calendar::TimePoint t);

 private:
  const results::TableRows& table_;
  calendar::CivilClock clock_;
};

}  // namespace raingen::exporting
