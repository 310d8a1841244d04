#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

namespace fetchly {

// A file opened for reading by the copy, local or on a share.
class CopySource {
public:
    virtual ~CopySource() = default;
    // The size found by seeking to the end, then back to the start; -1 when
    // either seek fails.
    virtual std::int64_t Size() = 0;
    // Up to `count` bytes; 0 at the end, -1 on a read error.
    virtual ssize_t Read(char *buffer, std::size_t count) = 0;
};

// A local file; null when it cannot be opened for reading (or is a directory).
std::unique_ptr<CopySource> OpenLocalSource(const std::string &path);

} // namespace fetchly
