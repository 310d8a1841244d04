#pragma once

#include <cstddef>
#include <string>

namespace fetchly::test {

// `n` bytes of a pattern that repeats every 251 bytes, the same the HTTP
// peer serves: a prime period, so a power-of-two chunk written twice or
// skipped shows as wrong bytes.
std::string patternBytes(std::size_t n);

// The smallest ZIP archive the inspector reports: one local header naming
// `name` (no data), then the end record.
std::string zipNaming(const std::string &name);

} // namespace fetchly::test
