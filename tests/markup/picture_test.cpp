#include "markup/qt/markup_picture.h"
#include "markup/qt/picture_store.h"
#include "tests/markup/gif_builder.h"
#include "tests/support/stalled_fifo.h"
#include "tests/support/temp_dir.h"

#include <QBuffer>
#include <QImage>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

namespace fetchly::markup::test {
namespace {

QByteArray PngBytes(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(MarkupPicture, AnimatedGifStepsByItsDelays)
{
    TMarkupPicture picture;
    picture.LoadFromData(BuildGif(4, 3, {{0, 50}, {1, 50}, {2, 50}}));
    ASSERT_FALSE(picture.Empty());
    EXPECT_EQ(picture.FrameCount(), 3);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(picture.FullWidth(), 4);
    EXPECT_EQ(picture.FullHeight(), 3);
    EXPECT_EQ(picture.FrameDelay(2), 50);
    EXPECT_EQ(picture.Image().pixelColor(0, 0), QColor(255, 0, 0));

    // Frame 2 after the second tick, then a change every fifth tick.
    std::vector<int> changedAt;
    for (int tick = 1; tick <= 17; ++tick) {
        if (picture.Animate())
            changedAt.push_back(tick);
    }
    EXPECT_EQ(changedAt, (std::vector<int>{2, 7, 12, 17}));
    EXPECT_EQ(picture.Frame(), 2); // 2, 3, 1, 2
    EXPECT_EQ(picture.Image().pixelColor(1, 1), QColor(0, 255, 0));
}

TEST(MarkupPicture, SettingTheFrameDecodesIt)
{
    TMarkupPicture picture;
    picture.LoadFromData(BuildGif(2, 2, {{0, 10}, {1, 10}, {2, 10}}));
    int notified = 0;
    picture.OnFrameChange = [&](TMarkupPicture &) { ++notified; };
    picture.SetFrame(3);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(picture.Image().pixelColor(0, 0), QColor(0, 0, 255));
}

TEST(MarkupPicture, GifWithoutControlExtensionsHasNoFramesAndIsDecodedWhole)
{
    TMarkupPicture picture;
    picture.LoadFromData(BuildGif(5, 4, {{3, 0}}, false));
    EXPECT_EQ(picture.FrameCount(), 0);
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 4);
    EXPECT_FALSE(picture.Animate());
}

TEST(MarkupPicture, OtherFormatsAreNotAnimations)
{
    TMarkupPicture picture;
    const QByteArray png = PngBytes(7, 5, Qt::green);
    picture.LoadFromData(png);
    EXPECT_EQ(picture.FrameCount(), -1);
    EXPECT_EQ(picture.Width(), 7);
    EXPECT_EQ(picture.FullHeight(), 5);

    QByteArray saved;
    QBuffer out(&saved);
    out.open(QIODevice::WriteOnly);
    picture.SaveToStream(out);
    EXPECT_EQ(saved, png);
}

TEST(MarkupPicture, DecodingErrorsRaiseAndFilesThatFailStayEmpty)
{
    TMarkupPicture picture;
    try {
        picture.LoadFromData(QByteArray("not a picture at all"));
        FAIL() << "no error";
    } catch (const EMarkupPictureError &e) {
        EXPECT_STREQ(e.what(), "Could not load image. Invalid format");
    }
    EXPECT_EQ(picture.Width(), 0);

    fetchly::test::TempDir dir;
    const auto bad = dir.write("bad.gif", "GIF89a garbage");
    picture.LoadFromFile(QString::fromStdString(bad.string()));
    EXPECT_TRUE(picture.Empty());
    picture.LoadFromFile(QString::fromStdString((dir.path() / "missing.png").string()));
    EXPECT_TRUE(picture.Empty());
}

TEST(MarkupPicture, UrlsLoadFilesAndResourcesOnlyAndRecordTheRest)
{
    fetchly::test::TempDir dir;
    const QByteArray png = PngBytes(3, 2, Qt::blue);
    const auto file =
        dir.write("Mixed/Pic.png", std::string(png.constData(), static_cast<std::size_t>(png.size())));

    TMarkupPicture fromFile;
    const QString url = QStringLiteral("file://") + QString::fromStdString(file.string());
    fromFile.LoadFromURL(url);
    EXPECT_FALSE(fromFile.Empty());
    EXPECT_EQ(fromFile.Width(), 3);
    EXPECT_EQ(fromFile.Identifier(), url.toUpper());

    TMarkupPicture web;
    web.LoadFromURL("http://example.invalid/a.gif");
    EXPECT_TRUE(web.Empty());
    EXPECT_EQ(web.Identifier(), "HTTP://EXAMPLE.INVALID/A.GIF");
    EXPECT_EQ(web.URL(), "http://example.invalid/a.gif");

    TMarkupPicture missing;
    missing.LoadFromURL("res://no-such-resource");
    EXPECT_TRUE(missing.Empty());
    EXPECT_EQ(missing.Identifier(), "RES://NO-SUCH-RESOURCE");

    // Markup values arrive upper-cased; resource names match in any case.
    TMarkupPicture resource;
    resource.LoadFromURL("RES://PICTURES/LOGO.PNG");
    ASSERT_FALSE(resource.Empty());
    EXPECT_EQ(resource.Width(), 6);
    EXPECT_EQ(resource.Image().pixelColor(0, 0), QColor(255, 128, 0));
}

TEST(MarkupPicture, FilesLoadOnlyWhenRegularAndAtMost16MiB)
{
    fetchly::test::TempDir dir;
    const QByteArray png = PngBytes(3, 2, Qt::blue);
    const auto padded = [&](const std::string &name, std::uintmax_t size) {
        const auto file = dir.write(name, std::string(png.constData(), static_cast<std::size_t>(png.size())));
        std::filesystem::resize_file(file, size); // decoders stop at the picture's end
        return QStringLiteral("file://") + QString::fromStdString(file.string());
    };
    TMarkupPicture picture;
    picture.LoadFromURL(padded("limit.png", 16u << 20));
    EXPECT_EQ(picture.Width(), 3);
    picture.LoadFromURL(padded("over.png", (16u << 20) + 1));
    EXPECT_TRUE(picture.Empty());

    const fetchly::test::StalledFifo fifo(dir.path() / "fifo.png");
    const auto start = std::chrono::steady_clock::now();
    picture.LoadFromURL(QStringLiteral("file://") + QString::fromStdString(fifo.path().string()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(picture.Empty());
}

TEST(MarkupPictureCache, FindsByExactIdentifierAndAnimatesAll)
{
    TMarkupPictureCache cache;
    MarkupPicture *added = cache.AddPicture("http://host/x.gif");
    EXPECT_EQ(cache.FindPicture("HTTP://HOST/X.GIF"), added);
    EXPECT_EQ(cache.FindPicture("http://host/x.gif"), nullptr);
    EXPECT_EQ(cache.Count(), 1);

    cache.Add().LoadFromData(BuildGif(2, 2, {{0, 0}, {1, 0}}));
    EXPECT_FALSE(cache.Animate());
    EXPECT_TRUE(cache.Animate());
}

TEST(PictureStore, NamesAreComparedUpperCased)
{
    TPictureStore store;
    TPictureStoreItem &item = store.Items().Add();
    item.SetName("Logo");
    item.SetTag(7);
    TMarkupPicture source;
    source.LoadFromData(PngBytes(4, 4, Qt::red));
    item.SetPicture(source);
    EXPECT_EQ(item.Picture().Data(), source.Data());

    EXPECT_EQ(store.FindPicture("LOGO"), &item.Picture());
    EXPECT_EQ(store.FindPicture("logo"), nullptr);
    EXPECT_EQ(store.FindPicture("OTHER"), nullptr);
    EXPECT_EQ(store.Items().Item(0).Tag(), 7);
    store.Items().Delete(0);
    EXPECT_EQ(store.FindPicture("LOGO"), nullptr);
}

} // namespace
} // namespace fetchly::markup::test
