#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// A SHA-256 computed piece by piece as bytes go by (a download as it is
// written), so the digest of a file costs no second read. Plain C++ on
// OpenSSL's EVP interface; nothing else of the program is needed.
namespace fetchly::digest {

class TSha256Stream {
public:
    // Throws std::runtime_error when OpenSSL cannot provide SHA-256.
    TSha256Stream();
    ~TSha256Stream();
    TSha256Stream(TSha256Stream &&) noexcept;
    TSha256Stream &operator=(TSha256Stream &&) noexcept;

    void Update(const void *data, std::size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // The digest of everything given so far, as 64 lower-case hex digits;
    // the stream then starts over, empty.
    std::string FinishHex();
    // Forgets what was given (a download that starts again from zero).
    void Reset();

private:
    struct TContext;
    std::unique_ptr<TContext> m_context;
};

// The digest of `bytes` in one call.
std::string Sha256Hex(std::string_view bytes);

} // namespace fetchly::digest
