#include "markup/qt/markup_picture.h"

#include "base/fd_io.h"
#include "base/unique_fd.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QUrl>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchly::markup {

namespace {

// Pictures named by a list line are read on the UI thread and held in memory.
constexpr qint64 kMaxPictureFile = 16 * 1024 * 1024;

// The bytes of a regular file of at most kMaxPictureFile bytes; nothing for
// anything else. Opening without blocking keeps a FIFO from hanging, and the
// type is checked before a single byte is read, so a device is never read.
std::optional<QByteArray> ReadPictureFile(const QString &path)
{
    const TUniqueFd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file.Valid() || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > kMaxPictureFile)
        return std::nullopt;
    QByteArray data;
    data.resize(static_cast<qsizetype>(st.st_size));
    const std::size_t done = ReadFully(file.Get(), data.data(), static_cast<std::size_t>(data.size()));
    data.resize(static_cast<qsizetype>(done)); // a file that shrank meanwhile gives what it held
    return data;
}

} // namespace

void TMarkupPicture::Clear()
{
    data_.clear();
    empty_ = true;
    image_ = QImage();
    framesCounted_ = false;
    frames_.clear();
    screenWidth_ = screenHeight_ = 0;
    frameLeft_ = frameTop_ = frameWidth_ = frameHeight_ = 0;
    frame_ = 1;
    tickCount_ = -1;
    nextDue_ = -1;
}

void TMarkupPicture::SetData(const QByteArray &data)
{
    Clear();
    data_ = data;
    empty_ = false;
}

void TMarkupPicture::LoadFromData(const QByteArray &data)
{
    SetData(data);
    DecodeCurrentFrame();
    if (OnChange)
        OnChange(*this);
}

void TMarkupPicture::LoadFromStream(QIODevice &stream)
{
    LoadFromData(stream.readAll());
}

void TMarkupPicture::LoadFromFile(const QString &path)
{
    std::optional<QByteArray> data;
    if (path.startsWith(QLatin1Char(':'))) {
        QFile resource(path); // built into the program
        if (resource.open(QIODevice::ReadOnly))
            data = resource.readAll();
    } else {
        data = ReadPictureFile(path);
    }
    if (!data) {
        Clear();
        return;
    }
    try {
        LoadFromData(*data);
    } catch (const EMarkupPictureError &) {
        Clear();
    }
}

void TMarkupPicture::LoadFromResource(const QString &name)
{
    QString path = QStringLiteral(":/") + name;
    if (!QFile::exists(path)) {
        // Resource names are not case-sensitive here, and markup values
        // arrive upper-cased.
        path.clear();
        QDirIterator it(QStringLiteral(":/"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString candidate = it.next();
            if (candidate.mid(2).compare(name, Qt::CaseInsensitive) == 0) {
                path = candidate;
                break;
            }
        }
    }
    if (!path.isEmpty())
        LoadFromFile(path);
}

void TMarkupPicture::LoadFromURL(const QString &url)
{
    const QString upper = url.toUpper();
    url_ = url;
    identifier_ = upper;
    if (upper.startsWith(QLatin1String("RES://"))) {
        LoadFromResource(url.mid(6));
    } else if (upper.startsWith(QLatin1String("FILE://"))) {
        const QUrl parsed(url);
        const QString path = parsed.isValid() && parsed.isLocalFile() ? parsed.toLocalFile() : url.mid(7);
        LoadFromFile(path);
    }
    // Anything else is recorded, never fetched: the picture stays empty.
}

void TMarkupPicture::SaveToStream(QIODevice &stream) const
{
    stream.write(data_);
}

void TMarkupPicture::Assign(const TMarkupPicture &other)
{
    if (&other == this)
        return;
    if (other.empty_) {
        Clear();
    } else {
        SetData(other.data_);
        frame_ = 1;
        try {
            DecodeCurrentFrame();
        } catch (const EMarkupPictureError &) {
            image_ = QImage();
        }
    }
    stretch_ = other.stretch_;
    if (OnChange)
        OnChange(*this);
}

std::span<const std::uint8_t> TMarkupPicture::Bytes() const
{
    return {reinterpret_cast<const std::uint8_t *>(data_.constData()),
            static_cast<std::size_t>(data_.size())};
}

const std::vector<GifFrameInfo> &TMarkupPicture::Frames() const
{
    if (!framesCounted_) {
        frames_ = IsGif(Bytes()) ? FindGifFrames(Bytes()) : std::vector<GifFrameInfo>{};
        framesCounted_ = true;
    }
    return frames_;
}

int TMarkupPicture::FrameCount() const
{
    if (empty_ || !IsGif(Bytes()))
        return -1;
    return static_cast<int>(Frames().size());
}

int TMarkupPicture::FrameDelay(int frame) const
{
    const auto &frames = Frames();
    if (frame < 1 || frame > static_cast<int>(frames.size()))
        return 0;
    return frames[static_cast<std::size_t>(frame - 1)].delay;
}

void TMarkupPicture::SetFrame(int frame)
{
    frame_ = std::max(1, frame);
    if (!empty_)
        DecodeCurrentFrame();
    if (OnFrameChange)
        OnFrameChange(*this);
}

void TMarkupPicture::DecodeCurrentFrame()
{
    image_ = QImage();
    frameLeft_ = frameTop_ = 0;
    screenWidth_ = screenHeight_ = 0;

    const auto bytes = Bytes();
    const auto &frames = Frames();
    int skip = 0;
    if (IsGif(bytes) && !frames.empty()) {
        GifLogicalScreen(bytes, screenWidth_, screenHeight_);
        if (frame_ > static_cast<int>(frames.size()))
            frame_ = 1;
        const GifFrameInfo &info = frames[static_cast<std::size_t>(frame_ - 1)];
        frameLeft_ = info.left;
        frameTop_ = info.top;
        frameWidth_ = info.width;
        frameHeight_ = info.height;
        skip = frame_ - 1;
    }

    QByteArray copy;
    try {
        copy = data_;
        copy.detach();
    } catch (const std::bad_alloc &) {
        throw EMarkupPictureError("Could not allocate memory for image");
    }
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        throw EMarkupPictureError("Could not create image stream");
    if (copy.isEmpty())
        throw EMarkupPictureError("Empty image stream created");

    // Qt's reader composes each GIF frame onto the ones before it, so reading
    // up to the current frame gives that frame as it is shown.
    QImageReader reader(&buffer);
    QImage image;
    for (int i = 0; i <= skip; ++i) {
        QImage next;
        if (!reader.read(&next))
            break;
        image = next;
    }
    if (image.isNull()) {
        if (reader.error() != QImageReader::UnknownError || !reader.errorString().isEmpty())
            throw EMarkupPictureError("Could not load image. Invalid format");
        throw EMarkupPictureError("Could not load image");
    }
    image_ = image;
}

void TMarkupPicture::Draw(QPainter &painter, QPoint topLeft) const
{
    if (empty_ || image_.isNull())
        return;
    const QPaintDevice *device = painter.device();
    const int dpiX = device && device->logicalDpiX() > 0 ? device->logicalDpiX() : 96;
    const int dpiY = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    const QSize size(image_.width() * dpiX / 96, image_.height() * dpiY / 96);
    if (size == image_.size())
        painter.drawImage(topLeft, image_);
    else
        painter.drawImage(QRect(topLeft, size), image_);
}

void TMarkupPicture::DrawStretched(QPainter &painter, const QRect &rect) const
{
    if (empty_ || image_.isNull())
        return;
    painter.drawImage(rect, image_);
}

void TMarkupPicture::Draw(QPainter &painter, const QRect &rect) const
{
    if (stretch_)
        DrawStretched(painter, rect);
    else
        Draw(painter, rect.topLeft());
}

bool TMarkupPicture::Animate()
{
    if (empty_ || FrameCount() < 2)
        return false;
    bool changed = false;
    if (tickCount_ * 10 >= nextDue_) {
        frame_ = frame_ % FrameCount() + 1;
        try {
            DecodeCurrentFrame();
        } catch (const EMarkupPictureError &) {
            // A frame the decoder cannot read keeps the last good picture.
        }
        nextDue_ += FrameDelay(frame_);
        changed = true;
        if (OnFrameChange)
            OnFrameChange(*this);
    }
    ++tickCount_;
    return changed;
}

TMarkupPicture &TMarkupPictureCache::Add()
{
    pictures_.push_back(std::make_unique<TMarkupPicture>());
    return *pictures_.back();
}

TMarkupPicture *TMarkupPictureCache::Find(const QString &id) const
{
    for (const auto &picture : pictures_) {
        if (picture->Identifier() == id)
            return picture.get();
    }
    return nullptr;
}

bool TMarkupPictureCache::Animate()
{
    bool changed = false;
    for (const auto &picture : pictures_)
        changed = picture->Animate() || changed;
    return changed;
}

MarkupPicture *TMarkupPictureCache::FindPicture(std::string_view id)
{
    return Find(QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())));
}

MarkupPicture *TMarkupPictureCache::AddPicture(std::string_view url)
{
    TMarkupPicture &picture = Add();
    picture.LoadFromURL(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())));
    return &picture;
}

} // namespace fetchly::markup
