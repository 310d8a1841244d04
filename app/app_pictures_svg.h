#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace fetchly {

// Draws the SVG file at `path` (a resource or a file) into a transparent
// image of `pixels`. A null image when it is no SVG or the size is empty.
// Plain Qt Gui, so build tools can draw the program's icons as well.
QImage DrawSvg(const QString &path, QSize pixels);

} // namespace fetchly
