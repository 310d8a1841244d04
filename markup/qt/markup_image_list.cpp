#include "markup/qt/markup_image_list.h"

namespace fetchly::markup {

TMarkupImageList::TMarkupImageList(QSize size, QObject *parent) : QObject(parent), size_(size) {}

int TMarkupImageList::Add(const QPixmap &pixmap)
{
    // A picture drawn for a scaled screen has more pixels than its size.
    if (pixmap.deviceIndependentSize().toSize() == size_ || pixmap.isNull()) {
        pixmaps_.push_back(pixmap);
    } else {
        QPixmap scaled =
            pixmap.scaled(size_ * pixmap.devicePixelRatio(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(pixmap.devicePixelRatio());
        pixmaps_.push_back(scaled);
    }
    emit Changed();
    return Count() - 1;
}

void TMarkupImageList::Clear()
{
    pixmaps_.clear();
    emit Changed();
}

} // namespace fetchly::markup
