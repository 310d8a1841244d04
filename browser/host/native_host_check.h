#pragma once

#include <QString>

namespace fetchly::host {

// `fetchly-native-host --check`: tells a person, browser by browser, whether
// the browser will find this host (a manifest in its folder naming this
// program) and whether Fetchly can be reached on the session bus. Returns 0
// when at least one browser finds the host and the bus can reach Fetchly.
int RunHostCheck(const QString &hostPath);

} // namespace fetchly::host
