#include "app_pictures.h"

#include <QString>

// Resources of a static library must be registered by hand.
static void registerPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace fetchly {

namespace {

QList<QPixmap> load(const char *const *names, int count)
{
    registerPictures();
    QList<QPixmap> pictures;
    for (int i = 0; i < count; ++i)
        pictures.append(QPixmap(QStringLiteral(":/pictures/") + QLatin1String(names[i])));
    return pictures;
}

} // namespace

QList<QPixmap> ToolbarPictures()
{
    static const char *const names[] = {"tool0_open.png",   "tool1_save.png",  "tool2_start.png",
                                        "tool3_add.png",    "tool4_empty.png", "tool5_hide.png",
                                        "tool6_options.png"};
    return load(names, 7);
}

QList<QPixmap> StatusPictures()
{
    static const char *const names[] = {"status0_ready.png", "status1_unused.png", "status2_downloading.png",
                                        "status3_downloaded.png", "status4_failed.png"};
    return load(names, 5);
}

QIcon AppIcon()
{
    registerPictures();
    QIcon icon;
    for (int size : {16, 32, 48, 128})
        icon.addFile(QStringLiteral(":/pictures/fetchly-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace fetchly
