#pragma once

#include "transfer/copy_source.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace fetchly {

// Where a copy's share is: an SMB share reached through libsmbclient, or a
// local directory (a share already mounted, or any folder).
struct ShareLocation {
    enum class Kind { Smb, LocalDirectory };
    Kind kind = Kind::LocalDirectory;
    std::string host;       // Smb: server name or address
    std::uint16_t port = 0; // Smb: 0 for the default port
    std::string path;       // Smb: "share" or "share/sub/dir"; local: the directory
};

// Reads an FTPHost text: "smb://host[:port]/share[/dir]", "//host[:port]/share"
// or "\\host\share" name an SMB share; anything else is a local directory.
// Nothing for an empty text or an SMB form without a host or share.
std::optional<ShareLocation> ParseShareLocation(const std::string &text);

struct SmbShareContext;

// The connection to one share for the duration of a copy: Connect logs in
// and opens the share's root, Disconnect releases it. Used from one thread.
class ShareConnection {
public:
    ShareConnection();
    ~ShareConnection();
    ShareConnection(const ShareConnection &) = delete;
    ShareConnection &operator=(const ShareConnection &) = delete;

    // True when the share could be reached with these credentials (an empty
    // user logs in as guest) and its root can be listed.
    bool Connect(const std::string &share, const std::string &user, const std::string &password);
    // Releases the connection; false when there was none to release or the
    // release failed.
    bool Disconnect();
    bool Connected() const;
    // Why the last Connect or Disconnect failed.
    const std::string &LastError() const { return m_lastError; }
    // Whether the last Connect failed on the way to the server (refused,
    // unreachable, timed out), so that trying again later may succeed.
    bool LastFailureMayPass() const { return m_mayPass; }

    // Opens a file below the share's root ("/" or "\" separate folders) for
    // reading; null when it cannot be opened (LastError says why).
    std::unique_ptr<CopySource> OpenRead(const std::string &relativePath);

private:
    std::shared_ptr<SmbShareContext> m_smbShared;
    std::optional<ShareLocation> m_location;
    std::string m_lastError;
    bool m_mayPass = false;
};

} // namespace fetchly
