#include "markup/qt/picture_store.h"

namespace fetchly::markup {

TPictureStoreItem &TPictureStoreItems::Add()
{
    items_.push_back(std::make_unique<TPictureStoreItem>());
    return *items_.back();
}

void TPictureStoreItems::Delete(int index)
{
    if (index >= 0 && index < Count())
        items_.erase(items_.begin() + index);
}

TMarkupPicture *TPictureStore::Find(const QString &upperName) const
{
    for (int i = 0; i < items_.Count(); ++i) {
        TPictureStoreItem &item = items_.Item(i);
        if (item.Name().toUpper() == upperName)
            return &item.Picture();
    }
    return nullptr;
}

bool TPictureStore::Animate()
{
    bool changed = false;
    for (int i = 0; i < items_.Count(); ++i)
        changed = items_.Item(i).Picture().Animate() || changed;
    return changed;
}

MarkupPicture *TPictureStore::FindPicture(std::string_view upperName)
{
    return Find(QString::fromUtf8(upperName.data(), static_cast<qsizetype>(upperName.size())));
}

} // namespace fetchly::markup
