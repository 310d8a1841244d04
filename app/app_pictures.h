#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// The program's pictures, compiled in as resources (drawn by
// scripts/make_pictures.py).
namespace fetchly {

// Toolbar pictures, 32 by 32, indexes 0 to 6 (ImageList1).
QList<QPixmap> ToolbarPictures();
// Status pictures of the download list, 16 by 16 (ImageList2): 0 ready,
// 1 unused, 2 downloading, 3 downloaded, 4 failed.
QList<QPixmap> StatusPictures();
// The program's icon (window, tray, desktop entry).
QIcon AppIcon();

} // namespace fetchly
