// A realization's SOURCE.OUT taken into the ensemble: every row read and checked by the results
// table reader, each depth stored as the 32-bit float nearest to the table's three-decimal value.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace raingen::ensemble {

// The 32-bit float nearest to thousandths / 1000 (ties to even). Dividing in double and rounding
// once more to float gives exactly that: a double quotient of this kind never lands on a point
// halfway between two floats unless the exact value lies there too.
float depth_as_float(long thousandths);

// Fills depths (one per row) from the table at path. Returns what is wrong when the table does not
// parse or does not hold exactly depths.size() rows ("SOURCE.OUT:LINE: what"), none when it does.
std::optional<std::string> read_realization_table(const std::filesystem::path& path, std::span<float> depths);

}  // namespace raingen::ensemble
