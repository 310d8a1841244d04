#include "app/app_pictures_svg.h"

#include <QPainter>
#include <QSvgRenderer>

namespace fetchly {

QImage DrawSvg(const QString &path, QSize pixels)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid() || pixels.isEmpty())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), pixels));
    return image;
}

} // namespace fetchly
