// --present all|any, as every tool that weighs records takes it.
#pragma once

#include <string>

#include "weighting/presence.h"

namespace raingen::weighting {

// The presence --present names. Throws UsageError "--present 'X' is neither all nor any".
Presence present_option(const std::string& text);

}  // namespace raingen::weighting
