#pragma once

#include "base/unique_fd.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fetchly::inspect {

// Sequential reading from a file or from memory, with the number of bytes
// left known up front so readers never allocate more than the input holds.
class InputSource {
public:
    virtual ~InputSource() = default;
    // Reads up to `count` bytes into `out` (replacing it); returns the number read.
    virtual std::size_t read(std::string &out, std::size_t count) = 0;
    // One byte, or -1 at the end.
    virtual int get() = 0;
    virtual int64_t remaining() const = 0;
    virtual void skip(int64_t count) = 0;
};

// Opens `path` to read when it is a regular file, without ever waiting: a FIFO
// or a device named like a download is refused at once, before any read.
// `size` receives the file's size. An invalid descriptor otherwise.
TUniqueFd OpenRegularFile(const std::string &path, int64_t &size);

class FileSource : public InputSource {
public:
    // Opens `path` for reading; `ok()` tells whether that worked.
    explicit FileSource(const std::string &path);
    bool ok() const { return m_file.Valid(); }
    int64_t size() const { return m_size; }
    std::size_t read(std::string &out, std::size_t count) override;
    int get() override;
    int64_t remaining() const override { return m_size - m_pos; }
    void skip(int64_t count) override;

private:
    bool refill();

    TUniqueFd m_file;
    int64_t m_size = 0;
    int64_t m_pos = 0;
    // Our own read-ahead, so that skipping small distances (ZIP entries) costs
    // no system call.
    std::string m_buffer;
    std::size_t m_bufPos = 0;
};

class MemorySource : public InputSource {
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    std::size_t read(std::string &out, std::size_t count) override;
    int get() override;
    int64_t remaining() const override { return static_cast<int64_t>(m_bytes.size() - m_pos); }
    void skip(int64_t count) override;

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

} // namespace fetchly::inspect
