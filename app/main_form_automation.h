#pragma once

#include "app/automation/automation_server.h"

#include <QDBusConnection>

#include <functional>
#include <memory>

namespace fetchly {

class TDownloadForm;

// The automation service wired to the main window: AddDownLoadUrl goes to
// the window's AddUrl, then shows the window. `form` may return null while
// the window does not exist yet (calls wait in the event loop until then,
// and are dropped when there is no window).
std::unique_ptr<automation::TAutomationServer> MakeAutomationServer(QDBusConnection bus,
                                                                    std::function<TDownloadForm *()> form);

} // namespace fetchly
