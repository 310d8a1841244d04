#pragma once

#include "markup/core/markup_surface.h"

#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QVector>

namespace fetchly::markup {

// The image list behind "idx:N" in markup: pictures of one size, by index.
class TMarkupImageList : public QObject, public MarkupImageList {
    Q_OBJECT
public:
    explicit TMarkupImageList(QSize size, QObject *parent = nullptr);

    // Adds a picture, scaled to the list's size when it differs; returns its index.
    int Add(const QPixmap &pixmap);
    void Clear();
    const QPixmap &Pixmap(int index) const { return pixmaps_.at(index); }

    int Count() const override { return static_cast<int>(pixmaps_.size()); }
    int ImageWidth() const override { return size_.width(); }
    int ImageHeight() const override { return size_.height(); }

signals:
    void Changed();

private:
    QSize size_;
    QVector<QPixmap> pixmaps_;
};

} // namespace fetchly::markup
