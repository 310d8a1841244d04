#pragma once

#include "markup/core/gif_frames.h"
#include "markup/core/markup_surface.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QIODevice;
class QPainter;

namespace fetchly::markup {

class EMarkupPictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A picture that keeps its encoded data (BMP, GIF, JPEG, ICO, PNG...) in
// memory, decodes the current frame for drawing and steps through the frames
// of an animated GIF. Sizes are pixels at 96 dots per inch.
class TMarkupPicture : public MarkupPicture {
public:
    TMarkupPicture() = default;

    // Replaces the data and decodes the current frame; a decoding failure
    // raises EMarkupPictureError and leaves nothing to draw.
    void LoadFromStream(QIODevice &stream);
    void LoadFromData(const QByteArray &data);
    // A file that cannot be read or decoded leaves the picture empty.
    void LoadFromFile(const QString &path);
    // A resource of the program (Qt resource, looked up ignoring case); a
    // missing one leaves the picture empty.
    void LoadFromResource(const QString &name);
    // RES://name and FILE://path are loaded; any other URL is only recorded.
    void LoadFromURL(const QString &url);
    void SaveToStream(QIODevice &stream) const;
    void Assign(const TMarkupPicture &other);

    bool Empty() const override { return empty_; }
    int Width() const override { return image_.isNull() ? 0 : image_.width(); }
    int Height() const override { return image_.isNull() ? 0 : image_.height(); }
    int FullWidth() const override { return screenWidth_ != 0 ? screenWidth_ : Width(); }
    int FullHeight() const override { return screenHeight_ != 0 ? screenHeight_ : Height(); }
    int FrameCount() const override;
    // The decoder composes every frame onto the full logical screen.
    int DrawOffsetLeft() const override { return 0; }
    int DrawOffsetTop() const override { return 0; }

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch) { stretch_ = stretch; }
    int Frame() const { return frame_; }
    // Decodes that frame (when there is data) and raises OnFrameChange.
    void SetFrame(int frame);
    int FrameLeft() const { return frameLeft_; }
    int FrameTop() const { return frameTop_; }
    int FrameWidth() const { return frameWidth_; }
    int FrameHeight() const { return frameHeight_; }
    // Delay of a frame (from 1) in hundredths of a second; 0 when unknown.
    int FrameDelay(int frame) const;

    const QString &Identifier() const { return identifier_; }
    const QString &URL() const { return url_; }
    const QByteArray &Data() const { return data_; }
    const QImage &Image() const { return image_; }

    // Nothing when empty or not decoded; else at its own size scaled to the
    // painter's resolution, or stretched when Stretch() is set.
    void Draw(QPainter &painter, QPoint topLeft) const;
    void DrawStretched(QPainter &painter, const QRect &rect) const;
    void Draw(QPainter &painter, const QRect &rect) const;

    // One tick of the animation (every 100 ms); true when the frame changed.
    bool Animate();

    std::function<void(TMarkupPicture &)> OnFrameChange;
    std::function<void(TMarkupPicture &)> OnChange;

private:
    void SetData(const QByteArray &data);
    void Clear();
    void DecodeCurrentFrame();
    std::span<const std::uint8_t> Bytes() const;
    const std::vector<GifFrameInfo> &Frames() const;

    QByteArray data_;
    bool empty_ = true;
    QImage image_;
    QString identifier_;
    QString url_;
    bool stretch_ = false;
    int frame_ = 1;
    mutable bool framesCounted_ = false;
    mutable std::vector<GifFrameInfo> frames_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    int frameLeft_ = 0;
    int frameTop_ = 0;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    long long tickCount_ = -1;
    long long nextDue_ = -1;
};

// The pictures that the renderer loads by URL, one cache per list box.
class TMarkupPictureCache : public MarkupPictureCache {
public:
    TMarkupPicture &Add();
    // The first picture whose identifier equals `id` exactly.
    TMarkupPicture *Find(const QString &id) const;
    bool Animate();
    int Count() const { return static_cast<int>(pictures_.size()); }
    TMarkupPicture &Picture(int index) const { return *pictures_.at(static_cast<std::size_t>(index)); }
    void Clear() { pictures_.clear(); }

    MarkupPicture *FindPicture(std::string_view id) override;
    MarkupPicture *AddPicture(std::string_view url) override;

private:
    std::vector<std::unique_ptr<TMarkupPicture>> pictures_;
};

} // namespace fetchly::markup
