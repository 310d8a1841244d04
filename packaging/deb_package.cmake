# The Debian package: `cpack` in a configured build tree (or
# scripts/package.sh) writes fetchly_VERSION_ARCH.deb of whatever
# `cmake --install` installs, installed below /usr whatever prefix the tree
# was configured with, so the tree the tests use makes the package too.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fetchly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brindlewick)
set(CPACK_PACKAGE_CONTACT "${FETCHLY_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet file downloader with reports of the files")
# The synopsis is the summary above; CPack indents the paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Fetchly collects URLs in a list (typed in, loaded from a list file or sent
from the browser's context menu) and downloads them into a target folder,
all at once or one at a time, with progress, transfer rate and time left.
A downloaded photo, ZIP archive, MP3 or Windows program gets a short report
(EXIF data, entries, ID3 tag, version strings).

The same engine uploads over HTTP and FTP and copies files from network
shares, also from the command line without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

# Installed to /usr: DESTDIR staging, so the absolute folders of the system
# install (/etc/chromium/...) land in the package and not on this machine.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# The libraries the programs link decide the dependencies; the window needs
# a Qt platform plugin besides, which no program links. libsmbclient is
# loaded only when a share is read, so it is recommended, not required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsmbclient")

# Stripped programs in the package, their debugging symbols in a
# fetchly-dbgsym package beside it (CPack strips them itself).
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)

set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${host_manifest_conffiles})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
