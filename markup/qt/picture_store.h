#pragma once

#include "markup/qt/markup_picture.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace fetchly::markup {

// A named picture of a picture store.
class TPictureStoreItem {
public:
    TMarkupPicture &Picture() { return picture_; }
    const TMarkupPicture &Picture() const { return picture_; }
    // Copies the other picture's data.
    void SetPicture(const TMarkupPicture &picture) { picture_.Assign(picture); }
    const QString &Name() const { return name_; }
    void SetName(const QString &name) { name_ = name; }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

private:
    TMarkupPicture picture_;
    QString name_;
    int tag_ = 0;
};

class TPictureStoreItems {
public:
    TPictureStoreItem &Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TPictureStoreItem &Item(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
    void Delete(int index);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TPictureStoreItem>> items_;
};

// Pictures that markup refers to by name ("<IMG src="logo">"). Names are
// compared upper-cased, as markup values arrive upper-cased.
class TPictureStore : public QObject, public MarkupPictureStore {
    Q_OBJECT
public:
    explicit TPictureStore(QObject *parent = nullptr) : QObject(parent) {}

    TPictureStoreItems &Items() { return items_; }
    const TPictureStoreItems &Items() const { return items_; }
    // The picture of the first item whose upper-cased name equals `upperName`.
    TMarkupPicture *Find(const QString &upperName) const;
    bool Animate();

    MarkupPicture *FindPicture(std::string_view upperName) override;

private:
    TPictureStoreItems items_;
};

} // namespace fetchly::markup
