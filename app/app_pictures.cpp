#include "app/app_pictures.h"

#include "app/app_pictures_svg.h"

#include <QApplication>
#include <QEvent>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

// Resources of a static library must be registered by hand.
static void registerPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace fetchly {

namespace {

QString resource(const char *name)
{
    registerPictures();
    return QStringLiteral(":/pictures/") + QLatin1String(name);
}

// An icon that draws its SVG at every size and ratio asked of it, where an
// icon of fixed bitmaps would scale one of them up and blur.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QString path) : m_path(std::move(path)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), picture);
    }

    // `size` is in device pixels: QIcon asks for the logical size times the ratio.
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        const QString key = QStringLiteral("fetchly-svg:%1:%2x%3:%4")
                                .arg(m_path)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(mode);
        QPixmap picture;
        if (QPixmapCache::find(key, &picture))
            return picture;
        picture = DrawPicture(m_path, size, 1.0);
        if (mode == QIcon::Disabled && qobject_cast<QApplication *>(QCoreApplication::instance())) {
            QStyleOption option;
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        QPixmapCache::insert(key, picture);
        return picture;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    // Any size can be drawn; these are offered to those who ask for a list
    // (window managers, tray hosts).
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine *clone() const override { return new SvgIconEngine(m_path); }
    QString key() const override { return QStringLiteral("fetchly-svg"); }

private:
    QString m_path;
};

QIcon svgIcon(const char *name)
{
    return QIcon(new SvgIconEngine(resource(name)));
}

// Remembers the ratio a widget's pictures were drawn for and reports a new one.
class PixelRatioWatch : public QObject {
public:
    PixelRatioWatch(QWidget *widget, std::function<void(qreal)> changed)
        : QObject(widget), m_widget(widget), m_ratio(widget->devicePixelRatioF()),
          m_changed(std::move(changed))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget &&
            (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show)) {
            const qreal ratio = m_widget->devicePixelRatioF();
            if (!qFuzzyCompare(ratio, m_ratio)) {
                m_ratio = ratio;
                m_changed(ratio);
            }
        }
        return false;
    }

private:
    QWidget *m_widget;
    qreal m_ratio;
    std::function<void(qreal)> m_changed;
};

} // namespace

QPixmap DrawPicture(const QString &path, QSize size, qreal ratio)
{
    const QImage image = DrawSvg(path, QSize(qRound(size.width() * ratio), qRound(size.height() * ratio)));
    if (image.isNull())
        return {};
    QPixmap picture = QPixmap::fromImage(image);
    picture.setDevicePixelRatio(ratio);
    return picture;
}

QList<QIcon> ToolbarPictures()
{
    static const char *const names[] = {"tool0_open.svg",    "tool1_save.svg",  "tool2_start.svg",
                                        "tool3_add.svg",     "tool4_empty.svg", "tool5_hide.svg",
                                        "tool6_options.svg", "tool7_stop.svg"};
    QList<QIcon> pictures;
    for (const char *name : names)
        pictures.append(svgIcon(name));
    return pictures;
}

QList<QPixmap> StatusPictures(qreal ratio)
{
    static const char *const names[] = {"status0_ready.svg", "status1_unused.svg", "status2_downloading.svg",
                                        "status3_downloaded.svg", "status4_failed.svg"};
    QList<QPixmap> pictures;
    for (const char *name : names)
        pictures.append(DrawPicture(resource(name), QSize(16, 16), ratio));
    return pictures;
}

QIcon AppIcon()
{
    return svgIcon("fetchly.svg");
}

void OnPixelRatioChange(QWidget *widget, std::function<void(qreal)> changed)
{
    new PixelRatioWatch(widget, std::move(changed));
}

} // namespace fetchly
