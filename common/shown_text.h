// Text that came from a file or a command line, made safe to show in a message: a byte a terminal
// would act on (a control character, DEL, a C1 control, a byte that is no part of UTF-8) is
// written as an escape (\t, \r, \n, \x1b, \x00), so that a message is never cut at a NUL and never
// moves the cursor or changes colours; and a long field is shown by its beginning only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace raingen::common {

// The text with every such byte escaped; valid UTF-8 (accents, symbols) is kept as it is.
std::string shown_text(std::string_view text);

// The shortest excerpt a message quotes of a field or a line.
inline constexpr std::size_t excerpt_length = 40;

// shown_text of the text's first `most` bytes (cut between characters), followed by
// "... (N bytes)" when the text is longer.
std::string excerpt(std::string_view text, std::size_t most = excerpt_length);

}  // namespace raingen::common
