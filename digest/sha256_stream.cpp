#include "digest/sha256_stream.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace fetchly::digest {

struct TSha256Stream::TContext {
    struct Free {
        void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> handle{EVP_MD_CTX_new()};
};

namespace {

void check(int ok, const char *step)
{
    if (ok != 1)
        throw std::runtime_error(std::string("SHA-256: ") + step + " failed");
}

} // namespace

TSha256Stream::TSha256Stream() : m_context(std::make_unique<TContext>())
{
    if (!m_context->handle)
        throw std::runtime_error("SHA-256: no digest context");
    Reset();
}

TSha256Stream::~TSha256Stream() = default;
TSha256Stream::TSha256Stream(TSha256Stream &&) noexcept = default;
TSha256Stream &TSha256Stream::operator=(TSha256Stream &&) noexcept = default;

void TSha256Stream::Reset()
{
    check(EVP_DigestInit_ex(m_context->handle.get(), EVP_sha256(), nullptr), "starting");
}

void TSha256Stream::Update(const void *data, std::size_t size)
{
    if (size > 0)
        check(EVP_DigestUpdate(m_context->handle.get(), data, size), "adding bytes");
}

std::string TSha256Stream::FinishHex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    check(EVP_DigestFinal_ex(m_context->handle.get(), digest, &length), "finishing");
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0f];
    }
    Reset();
    return text;
}

std::string Sha256Hex(std::string_view bytes)
{
    TSha256Stream stream;
    stream.Update(bytes);
    return stream.FinishHex();
}

} // namespace fetchly::digest
