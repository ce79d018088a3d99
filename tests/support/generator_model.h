// A test-side model of the run's random generator, worked out in 64-bit arithmetic: it lets a
// test arrange the next value a routine draws, and predict the draws of a whole run.
#pragma once

#include <cstdint>

namespace testing_support {

inline constexpr std::int64_t generator_modulus = 2147483647;

// The state after one step from state (state 0 is taken as -1).
std::int64_t state_after(std::int64_t state);
// A state whose step leads to the given state (1..2^31-2).
std::int64_t state_before(std::int64_t state);
// The value a draw returns when it steps to state.
float value_of_state(std::int64_t state);

// Sets the generator so that its next draw returns r (r a float whose value times 2^31 is a
// whole number in 1..2^31-2, or exactly 1.0).
void arrange_next_value(float r);

// The values a run draws from a seed, one after the other.
class DrawModel {
 public:
  explicit DrawModel(std::int64_t seed) : state_(seed) {}
  float next() {
    state_ = state_after(state_);
    return value_of_state(state_);
  }

 private:
  std::int64_t state_;
};

}  // namespace testing_support
