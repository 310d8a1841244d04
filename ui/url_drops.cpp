#include "ui/url_drops.h"

#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include <utility>

namespace fetchly {

bool HoldsUrlText(const QMimeData *data)
{
    return data && (data->hasFormat(UriListType) || data->hasText());
}

namespace {

// Watches the view's viewport, where the drops arrive.
class UrlDropTarget : public QObject {
public:
    UrlDropTarget(std::function<bool(const QMimeData *)> take, QObject *parent)
        : QObject(parent), m_take(std::move(take))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return QObject::eventFilter(watched, event);
        // Entering and moving only ask whether the data would be taken.
        auto *drop = static_cast<QDropEvent *>(event);
        if (!(type == QEvent::Drop ? m_take(drop->mimeData()) : HoldsUrlText(drop->mimeData())))
            return QObject::eventFilter(watched, event);
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        return true;
    }

private:
    std::function<bool(const QMimeData *)> m_take;
};

} // namespace

void AcceptUrlDrops(QAbstractItemView *view, std::function<bool(const QMimeData *)> take)
{
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(new UrlDropTarget(std::move(take), view));
}

} // namespace fetchly
