#pragma once

#include <QString>

#include <functional>

class QAbstractItemView;
class QMimeData;

namespace fetchly {

// The type of a browser's list of dragged or copied links.
inline const QString UriListType = QStringLiteral("text/uri-list");

// True when `data` holds a list of links or plain text.
bool HoldsUrlText(const QMimeData *data);

// Makes `view` take drops of link lists and text, which it would otherwise
// treat as moves of its own lines, and hands them to `take`; a drop that
// `take` refuses (returns false for) goes on to the view.
void AcceptUrlDrops(QAbstractItemView *view, std::function<bool(const QMimeData *)> take);

} // namespace fetchly
