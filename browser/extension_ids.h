#pragma once

// Names that the program, the native messaging host and the browser
// extension must agree on (the bus names are in app/automation/bus_names.h). The extension ids are fixed: the
// Chromium one is derived from the public key in browser/extension/chromium/manifest.json, the Firefox one is
// the gecko id in browser/extension/firefox/manifest.json.
namespace fetchly::automation {

inline constexpr char kNativeHostName[] = "orvfetchly.turladder";
inline constexpr char kNativeHostExecutable[] = "fetchly-native-host";
inline constexpr char kChromiumExtensionId[] = "ilgmkbdnjkcmjfmiocmdnnedeaimocob";
inline constexpr char kChromiumOrigin[] = "chrome-extension://ilgmkbdnjkcmjfmiocmdnnedeaimocob/";
inline constexpr char kFirefoxExtensionId[] = "fetchly@fetchly.brindlewick";

} // namespace fetchly::automation
