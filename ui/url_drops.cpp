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
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (!HoldsUrlText(drag->mimeData()))
                return QObject::eventFilter(watched, event);
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!m_take(drop->mimeData()))
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
