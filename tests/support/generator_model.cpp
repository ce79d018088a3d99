#include "support/generator_model.h"

#include "generator/shared.h"

namespace testing_support {

std::int64_t state_after(std::int64_t state) {
  if (state == 0) state = -1;
  std::int64_t next = 48271 * state % generator_modulus;
  if (next <= 0) next += generator_modulus;
  return next;
}

std::int64_t state_before(std::int64_t state) {
  // 48271 to the power modulus - 2 is its inverse modulo the prime modulus.
  std::int64_t inverse = 1, base = 48271, power = generator_modulus - 2;
  while (power > 0) {
    if (power & 1) inverse = inverse * base % generator_modulus;
    base = base * base % generator_modulus;
    power >>= 1;
  }
  return state * inverse % generator_modulus;
}

float value_of_state(std::int64_t state) { return static_cast<float>(static_cast<double>(state) / 2147483648.0); }

void arrange_next_value(float r) {
  const std::int64_t target = r == 1.0f ? generator_modulus - 1 : static_cast<std::int64_t>(double{r} * 2147483648.0);
  raingen::generator_state = static_cast<std::int32_t>(state_before(target));
}

}  // namespace testing_support
