#pragma once

#include "base/unique_fd.h"

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace fetchly {

// A local file for a transfer's local side. Used for the local side of every
// transfer so no path leaves a descriptor open.
class LocalFile {
public:
    LocalFile() = default;
    LocalFile(const LocalFile &) = delete;
    LocalFile &operator=(const LocalFile &) = delete;

    // Creates (or empties) a file for writing; false on failure.
    bool Create(const std::string &path);
    bool OpenRead(const std::string &path);
    bool IsOpen() const { return m_fd.Valid(); }
    // Writes all bytes (retrying short writes); false on failure.
    bool WriteAll(const char *data, std::size_t size);
    // Reads up to `size` bytes; -1 on failure, 0 at the end.
    ssize_t Read(char *data, std::size_t size);
    // Cuts the open file to `size` bytes; false on failure.
    bool Truncate(long long size);
    // Size of the open file, -1 on failure.
    long long Size() const;
    // False when closing reported an error (data may not have reached the disk).
    bool Close();

private:
    TUniqueFd m_fd;
};

// True for an existing path that is not a directory.
bool FileExists(const std::string &path);
// True for a folder itself, not a symbolic link to one.
bool IsRealDirectory(const std::string &path);
// True when something that is not a folder is at `path` (a symbolic link
// counts, whatever it points to).
bool PathExists(const std::string &path);

} // namespace fetchly
