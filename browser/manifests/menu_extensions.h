#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace fetchly::automation {

enum class TBrowserFamily { Firefox, Chromium };

// A per-user folder in which a browser looks for native messaging hosts.
struct TNativeHostFolder {
    QString browser; // for people: "Firefox (Snap)", "Brave"...
    TBrowserFamily family;
    QString folder;
    // The browser's own configuration folder: it exists once the browser has
    // run for this user, and `folder` lies below it.
    QString browserHome;

    bool BrowserInstalled() const;
};

// Every common browser's per-user folder, below the current $HOME and
// $XDG_CONFIG_HOME: Firefox (plain, Snap, Flatpak), LibreWolf (plain,
// Flatpak), Chromium, Chrome, Brave, Vivaldi and Edge.
std::vector<TNativeHostFolder> NativeHostFolders();

// The folders where browsers look for hosts installed for every user, which
// a system package may write: Firefox's and Chromium's. (Chrome and Edge
// read /etc/opt, which belongs to software in /opt; they get the per-user
// manifests.)
std::vector<TNativeHostFolder> SystemNativeHostFolders();

// The manifest that tells a browser of `family` where the host is and which
// extension may start it (only ours).
QByteArray NativeHostManifest(TBrowserFamily family, const QString &hostPath);

// The browser's context-menu entries, this platform's way: writes the host
// manifest for `hostPath` into the folder of every browser of
// NativeHostFolders() that is installed for this user, creating the hosts
// folder below the browser's own. Nothing is made for a browser that is not
// there, so a browser installed later gets its manifest at the next start. A
// folder that cannot be made is skipped silently; a manifest that cannot be
// written throws std::runtime_error. Returns the files written.
QStringList RegisterMenuExtensions(const QString &hostPath);

// The native host's path for a program at `programDir`: it is installed
// beside the program.
QString NativeHostPath(const QString &programDir);

} // namespace fetchly::automation
