#include "tests/support/byte_pattern.h"

#include <algorithm>

namespace fetchly::test {

std::string patternBytes(std::size_t n)
{
    std::string block(251, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    std::string out;
    out.reserve(n);
    while (out.size() < n)
        out.append(block, 0, std::min(block.size(), n - out.size()));
    return out;
}

} // namespace fetchly::test
