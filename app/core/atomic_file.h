#pragma once

#include <filesystem>
#include <string_view>
#include <sys/types.h>

namespace fetchly {

// Writes `bytes` to a temporary file beside `path` and renames it into place,
// so readers see either the old file or the whole new one, never a truncated
// one. The new file gets `mode` (the existing file's mode is not inherited:
// settings may hold passwords). Throws std::runtime_error with the reason;
// on failure the old file is untouched and no temporary file is left.
void WriteFileAtomically(const std::filesystem::path &path, std::string_view bytes, mode_t mode = 0644);

// Reads a whole file. Throws std::runtime_error when it cannot be opened or
// read, or when it is larger than `maxBytes`.
std::string ReadWholeFile(const std::filesystem::path &path, std::size_t maxBytes);

} // namespace fetchly
