#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace fetchly::automation {

// The object behind /TUrlAdder. It has no state of its own: each call hands
// the URL to the main window's AddUrl and then shows the window. A caller is
// never told about a rejected URL or a failure inside the window, so the
// method cannot return a D-Bus error.
class TFetchlyAdder : public QObject {
    Q_OBJECT
public:
    using AddUrlFn = std::function<void(const QString &url)>;
    using ShowFn = std::function<void()>;

    TFetchlyAdder(AddUrlFn addUrl, ShowFn showWindow, QObject *parent = nullptr);

public Q_SLOTS:
    void AddDownLoadUrl(const QString &URL);

private:
    AddUrlFn m_addUrl;
    ShowFn m_showWindow;
};

} // namespace fetchly::automation
