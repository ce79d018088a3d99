#include "generator/diagnostics.h"

#include <unistd.h>

#include <cerrno>
#include <string>

namespace raingen {

void diagnostic_line(std::string_view text) {
  std::string line = "raingen: ";
  line.append(text);
  line.push_back('\n');
  // One write call for the whole line where the system allows it, so that lines of one run
  // never interleave with other output on standard error.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(2, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nowhere to report a failing standard error
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace raingen
