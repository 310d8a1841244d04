#include "app/main_form_automation.h"

#include "app/main_form.h"

namespace fetchly {

std::unique_ptr<automation::TAutomationServer> MakeAutomationServer(QDBusConnection bus,
                                                                    std::function<TDownloadForm *()> form)
{
    return std::make_unique<automation::TAutomationServer>(
        std::move(bus),
        [form](const QString &url) {
            if (TDownloadForm *window = form())
                window->AddUrl(url.toStdString());
        },
        [form] {
            if (TDownloadForm *window = form())
                window->ShowMainWindow();
        },
        [form](const automation::TDownloadRequest &request) {
            TDownloadForm *window = form();
            return window &&
                   window->AddHandedOverUrl(request.Url, TEntryHandover{request.Headers, request.FileName},
                                            request.StartNow);
        });
}

} // namespace fetchly
