#pragma once

#include <string>

namespace fetchly {

// The engine properties the options reach, until the transfer engine's own
// class takes this place as FetchEngine1.
struct TFetchEngineStandIn {
    bool FTPPassive = false;
    std::string Proxy;
    std::string ProxyPassword;
    std::string ProxyUserID;
    bool ShowDialog = true;
    bool ShowOpenFile = false;
    bool ShowOpenFolder = false;
};

} // namespace fetchly
