// The body of the gauge reader fuzz targets: the input is a record file, read in one format (or
// with the format told from its content) with options the input's first byte picks. A ToolError
// or a UsageError is a normal outcome; a crash, a sanitizer report, another exception, a hang or
// memory past the limit is a finding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gauge/read_options.h"

namespace fuzz_support {

int read_gauge_record(const std::uint8_t* data, std::size_t size, raingen::gauge::Format format);

}  // namespace fuzz_support
