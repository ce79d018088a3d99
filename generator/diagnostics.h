// Diagnostic lines on standard error: "raingen: <text>" and a line feed, written at once.
//
// They name what the console messages leave unsaid (which file is missing, which one could not
// be opened) and sit beside the run-time error report, not inside it.
#pragma once

#include <string_view>

namespace raingen {

void diagnostic_line(std::string_view text);

}  // namespace raingen
