#include "markup_image_list.h"

namespace fetchly::markup {

TMarkupImageList::TMarkupImageList(QSize size, QObject *parent) : QObject(parent), size_(size) {}

int TMarkupImageList::Add(const QPixmap &pixmap)
{
    if (pixmap.size() == size_ || pixmap.isNull())
        pixmaps_.push_back(pixmap);
    else
        pixmaps_.push_back(pixmap.scaled(size_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    emit Changed();
    return Count() - 1;
}

void TMarkupImageList::Clear()
{
    pixmaps_.clear();
    emit Changed();
}

} // namespace fetchly::markup
