#include "transfer/share_connection.h"

#include "transfer/smb_library.h"
#include "transfer/url_functions.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fetchly {

namespace {

bool startsWith(const std::string &s, const std::string &prefix)
{
    return s.rfind(prefix, 0) == 0;
}

std::string lowerAscii(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// "host[:port]/share[/more]" with "/" separators; nothing when incomplete.
std::optional<ShareLocation> parseSmbRest(std::string rest)
{
    while (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    auto slash = rest.find('/');
    if (slash == std::string::npos || slash == 0)
        return std::nullopt;
    ShareLocation loc;
    loc.kind = ShareLocation::Kind::Smb;
    std::string server = rest.substr(0, slash);
    loc.path = rest.substr(slash + 1);
    while (!loc.path.empty() && loc.path.front() == '/')
        loc.path.erase(0, 1);
    if (loc.path.empty())
        return std::nullopt;
    auto colon = server.rfind(':');
    // An IPv6 address in brackets keeps its colons.
    if (colon != std::string::npos && server.find(']', colon) == std::string::npos) {
        std::string port = server.substr(colon + 1);
        server.erase(colon);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        unsigned long value = std::stoul(port);
        if (value == 0 || value > 65535)
            return std::nullopt;
        loc.port = static_cast<std::uint16_t>(value);
    }
    if (server.empty())
        return std::nullopt;
    loc.host = server;
    return loc;
}

std::string errnoText(int err, const std::string &what)
{
    return what + ": " + (err ? std::strerror(err) : "unknown error");
}

void *userDataOf(SMBCCTX *c)
{
    std::string why;
    const SmbApi *api = LoadSmbLibrary(why);
    return api ? api->getOptionUserData(c) : nullptr;
}

} // namespace

std::optional<ShareLocation> ParseShareLocation(const std::string &text)
{
    if (text.empty())
        return std::nullopt;
    if (startsWith(lowerAscii(text.substr(0, 6)), "smb://"))
        return parseSmbRest(text.substr(6));
    if (startsWith(text, "\\\\") || startsWith(text, "//")) {
        std::string rest = text.substr(2);
        for (char &c : rest)
            if (c == '\\')
                c = '/';
        return parseSmbRest(rest);
    }
    ShareLocation loc;
    loc.kind = ShareLocation::Kind::LocalDirectory;
    loc.path = text;
    return loc;
}

// One libsmbclient context with the credentials its authentication callback
// hands out. Shared with the files opened through it, which must not outlive
// the context they were opened with.
struct SmbShareContext {
    const SmbApi *api = nullptr;
    SMBCCTX *ctx = nullptr;
    std::string workgroup, user, password;
    std::string baseUrl; // smb://host[:port]/share[/dir]

    ~SmbShareContext() { release(); }

    bool release()
    {
        if (!ctx)
            return false;
        int rc = api->free_context(ctx, 1);
        ctx = nullptr;
        return rc == 0;
    }

    static void auth(SMBCCTX *c, const char *, const char *, char *wg, int wglen, char *un, int unlen,
                     char *pw, int pwlen)
    {
        // The context's user data is set before any callback can come.
        auto *self = static_cast<SmbShareContext *>(userDataOf(c));
        if (!self)
            return;
        auto put = [](char *dst, int len, const std::string &value) {
            if (len <= 0)
                return;
            std::size_t n = std::min(value.size(), static_cast<std::size_t>(len - 1));
            std::memcpy(dst, value.data(), n);
            dst[n] = '\0';
        };
        if (!self->workgroup.empty())
            put(wg, wglen, self->workgroup);
        put(un, unlen, self->user);
        put(pw, pwlen, self->password);
    }
};

namespace {

class ShareSource final : public CopySource {
public:
    ShareSource(std::shared_ptr<SmbShareContext> smb, SMBCFILE *file) : m_smb(std::move(smb)), m_file(file) {}
    ~ShareSource() override
    {
        // A released context has closed its files already.
        if (SMBCCTX *ctx = m_smb->ctx)
            m_smb->api->getFunctionClose(ctx)(ctx, m_file);
    }
    ShareSource(const ShareSource &) = delete;
    ShareSource &operator=(const ShareSource &) = delete;

    std::int64_t Size() override
    {
        SMBCCTX *ctx = m_smb->ctx;
        if (!ctx)
            return -1;
        auto lseek = m_smb->api->getFunctionLseek(ctx);
        off_t end = lseek(ctx, m_file, 0, SEEK_END);
        if (end < 0 || lseek(ctx, m_file, 0, SEEK_SET) != 0)
            return -1;
        return end;
    }

    ssize_t Read(char *buffer, std::size_t count) override
    {
        SMBCCTX *ctx = m_smb->ctx;
        if (!ctx)
            return -1;
        ssize_t n = m_smb->api->getFunctionRead(ctx)(ctx, m_file, buffer, count);
        return n < 0 ? -1 : n;
    }

private:
    std::shared_ptr<SmbShareContext> m_smb;
    SMBCFILE *m_file;
};

} // namespace

ShareConnection::ShareConnection() = default;

ShareConnection::~ShareConnection() = default;

bool ShareConnection::Connected() const
{
    return m_location.has_value();
}

bool ShareConnection::Connect(const std::string &share, const std::string &user, const std::string &password)
{
    if (Connected())
        Disconnect();
    m_lastError.clear();
    m_mayPass = false;
    auto location = ParseShareLocation(share);
    if (!location) {
        m_lastError = "not a share: " + share;
        return false;
    }
    if (location->kind == ShareLocation::Kind::LocalDirectory) {
        std::error_code ec;
        if (!std::filesystem::is_directory(location->path, ec) ||
            ::access(location->path.c_str(), R_OK | X_OK) != 0) {
            m_lastError = errnoText(ec ? ec.value() : errno, location->path);
            return false;
        }
        m_location = location;
        return true;
    }

    // Each copy makes, uses and frees its context on one thread (the run's
    // worker), which is what libsmbclient supports.
    std::string why;
    const SmbApi *api = LoadSmbLibrary(why);
    if (!api) {
        m_lastError = why;
        return false;
    }
    auto smb = std::make_shared<SmbShareContext>();
    smb->api = api;
    auto backslash = user.find('\\');
    if (backslash != std::string::npos) {
        smb->workgroup = user.substr(0, backslash);
        smb->user = user.substr(backslash + 1);
    } else {
        smb->user = user;
    }
    smb->password = password;
    smb->ctx = api->new_context();
    if (!smb->ctx) {
        m_lastError = errnoText(errno, "cannot create an SMB context");
        return false;
    }
    api->setDebug(smb->ctx, 0);
    api->setOptionUserData(smb->ctx, smb.get());
    api->setFunctionAuthDataWithContext(smb->ctx, &SmbShareContext::auth);
    api->setOptionUseKerberos(smb->ctx, 0);
    api->setOptionFallbackAfterKerberos(smb->ctx, 1);
    // Wrong credentials must fail, not fall back to a guest login.
    api->setOptionNoAutoAnonymousLogin(smb->ctx, !user.empty());
    if (!api->init_context(smb->ctx)) {
        m_lastError = errnoText(errno, "cannot set up the SMB client");
        api->free_context(smb->ctx, 1);
        smb->ctx = nullptr;
        return false;
    }
    std::string server = location->host;
    if (location->port != 0)
        server += ":" + std::to_string(location->port);
    smb->baseUrl = "smb://" + server + "/" + PercentEncodePath(location->path, kSharePathKeeps);

    SMBCFILE *dir = api->getFunctionOpendir(smb->ctx)(smb->ctx, smb->baseUrl.c_str());
    if (!dir) {
        const int err = errno;
        m_lastError = errnoText(err, share);
        m_mayPass = err == ECONNREFUSED || err == ETIMEDOUT || err == EHOSTUNREACH || err == ENETUNREACH ||
                    err == ECONNRESET || err == EAGAIN;
        return false;
    }
    api->getFunctionClosedir(smb->ctx)(smb->ctx, dir);
    m_smbShared = smb;
    m_location = location;
    return true;
}

bool ShareConnection::Disconnect()
{
    if (!Connected()) {
        m_lastError = "no share is connected";
        return false;
    }
    bool ok = true;
    if (m_smbShared) {
        ok = m_smbShared->release();
        if (!ok)
            m_lastError = errnoText(errno, "cannot release the share");
        m_smbShared.reset();
    }
    m_location.reset();
    return ok;
}

std::unique_ptr<CopySource> ShareConnection::OpenRead(const std::string &relativePath)
{
    if (!Connected()) {
        m_lastError = "no share is connected";
        return nullptr;
    }
    std::string rel = relativePath;
    if (m_location->kind == ShareLocation::Kind::LocalDirectory) {
        std::string path = m_location->path;
        if (!path.empty() && path.back() != '/')
            path += '/';
        auto source = OpenLocalSource(path + rel);
        if (!source)
            m_lastError = errnoText(errno, path + rel);
        return source;
    }
    for (char &c : rel)
        if (c == '\\')
            c = '/';
    while (!rel.empty() && rel.front() == '/')
        rel.erase(0, 1);
    if (!m_smbShared || !m_smbShared->ctx) {
        m_lastError = "no share is connected";
        return nullptr;
    }
    SMBCCTX *ctx = m_smbShared->ctx;
    std::string url = m_smbShared->baseUrl + "/" + PercentEncodePath(rel, kSharePathKeeps);
    SMBCFILE *file = m_smbShared->api->getFunctionOpen(ctx)(ctx, url.c_str(), O_RDONLY, 0);
    if (!file) {
        m_lastError = errnoText(errno, rel);
        return nullptr;
    }
    return std::make_unique<ShareSource>(m_smbShared, file);
}

} // namespace fetchly
