#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <functional>

class QWidget;

// The program's pictures: SVG drawings compiled in as resources (written by
// scripts/make_pictures.py), drawn at the size and device pixel ratio they
// are shown at, so they stay crisp on scaled screens.
namespace fetchly {

// Toolbar pictures, designed at 32 by 32, indexes 0 to 7 (ImageList1; 7, Stop, came after the design). Each
// icon draws its SVG afresh for the size and ratio asked of it.
QList<QIcon> ToolbarPictures();
// Status pictures of the download list, 16 by 16 (ImageList2), drawn for
// `ratio` device pixels per pixel: 0 ready, 1 unused, 2 downloading,
// 3 downloaded, 4 failed.
QList<QPixmap> StatusPictures(qreal ratio);
// The program's icon (window, tray).
QIcon AppIcon();

// Draws the SVG at `path` into a transparent pixmap of `size` pixels at
// `ratio` device pixels per pixel. Null when the file is no SVG.
QPixmap DrawPicture(const QString &path, QSize size, qreal ratio);

// Calls `changed` with the widget's new device pixel ratio whenever the
// widget's window moves to a screen whose ratio differs from the last one.
void OnPixelRatioChange(QWidget *widget, std::function<void(qreal)> changed);

} // namespace fetchly
