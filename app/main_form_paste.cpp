// URLs that arrive as text: dropped onto the download list, pasted, or typed
// several at once into the Add URL box.
#include "app/main_form.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

namespace fetchly {

namespace {

const QString UriListType = QStringLiteral("text/uri-list");

bool holdsUrls(const QMimeData *data)
{
    return data && (data->hasFormat(UriListType) || data->hasText());
}

// Takes the drops onto the list's viewport, where the list box would
// otherwise treat them as moves of its own lines.
class UrlDropTarget : public QObject {
public:
    UrlDropTarget(TDownloadForm *form, QObject *parent) : QObject(parent), m_form(form) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (!holdsUrls(drag->mimeData()))
                return QObject::eventFilter(watched, event);
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!m_form->AddUrlsFromMime(drop->mimeData()))
                return QObject::eventFilter(watched, event);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    TDownloadForm *m_form;
};

} // namespace

void TDownloadForm::AddUrls(std::string_view text, TUrlTextKind kind)
{
    int added = 0;
    int refused = 0;
    for (const std::string &url : UrlsInText(text, kind))
        ++(putUrl(url) ? added : refused);
    // Shown once: a long paste must not refill the list per URL.
    if (added > 0)
        RebuildUrlBox();
    if (added + refused == 0) {
        SetStatusText(QStringLiteral("No URL found to add"));
        return;
    }
    SetStatusText(QStringLiteral("%1 URL%2 added, %3 refused (type not accepted)")
                      .arg(added)
                      .arg(added == 1 ? QString() : QStringLiteral("s"))
                      .arg(refused));
}

bool TDownloadForm::AddUrlsFromMime(const QMimeData *data)
{
    if (!holdsUrls(data))
        return false;
    if (data->hasFormat(UriListType))
        AddUrls(data->data(UriListType).toStdString(), TUrlTextKind::UriList);
    else
        AddUrls(data->text().toStdString());
    return true;
}

void TDownloadForm::PasteUrls1Click()
{
    if (!AddUrlsFromMime(QGuiApplication::clipboard()->mimeData()))
        SetStatusText(QStringLiteral("No URL found to add"));
}

void TDownloadForm::setUpUrlDrops()
{
    URLBox->setAcceptDrops(true);
    URLBox->viewport()->setAcceptDrops(true);
    URLBox->viewport()->installEventFilter(new UrlDropTarget(this, URLBox));
}

} // namespace fetchly
