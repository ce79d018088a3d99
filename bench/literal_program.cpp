// The program built with the literal day resampler in place of its own, for the whole-run
// benchmark: linked before the generator library, this definition is the one the driver calls.
#include "generator/shared.h"
#include "reference/literal_resampler.h"

namespace raingen {

void draw_historical_day() { reference::literal_draw_historical_day(); }

}  // namespace raingen
