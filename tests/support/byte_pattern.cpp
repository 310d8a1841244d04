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

std::string zipNaming(const std::string &name)
{
    std::string zip = std::string("PK\x03\x04", 4) + std::string(22, '\0');
    zip += static_cast<char>(name.size());
    zip += std::string(3, '\0');
    return zip + name + "PK\x05\x06" + std::string(18, '\0');
}

} // namespace fetchly::test
