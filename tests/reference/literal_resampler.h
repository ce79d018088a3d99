// The literal day resampler, the reference for the program's own (see literal_resampler.cpp).
#pragma once

namespace raingen::reference {

// Same contract as raingen::draw_historical_day.
void literal_draw_historical_day();

}  // namespace raingen::reference
