#include "app/automation/url_adder.h"

namespace fetchly::automation {

TFetchlyAdder::TFetchlyAdder(AddUrlFn addUrl, ShowFn showWindow, QObject *parent)
    : QObject(parent), m_addUrl(std::move(addUrl)), m_showWindow(std::move(showWindow))
{
}

void TFetchlyAdder::AddDownLoadUrl(const QString &URL)
{
    // Both steps run whatever the other did: the window comes up even when
    // adding failed, and nothing escapes into the D-Bus reply.
    try {
        if (m_addUrl)
            m_addUrl(URL);
    } catch (...) {
    }
    try {
        if (m_showWindow)
            m_showWindow();
    } catch (...) {
    }
}

} // namespace fetchly::automation
