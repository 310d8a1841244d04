#include "tests/markup/gif_builder.h"

namespace fetchly::markup::test {

namespace {

void Le16(QByteArray &out, int v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

// LZW with a clear code before every pixel, so codes stay 3 bits wide.
QByteArray PixelData(int pixels, int colorIndex)
{
    QByteArray bits;
    unsigned acc = 0;
    int n = 0;
    auto put = [&](unsigned code) {
        acc |= code << n;
        n += 3;
        while (n >= 8) {
            bits.append(static_cast<char>(acc & 0xFF));
            acc >>= 8;
            n -= 8;
        }
    };
    for (int i = 0; i < pixels; ++i) {
        put(4);
        put(static_cast<unsigned>(colorIndex));
    }
    put(5);
    if (n > 0)
        bits.append(static_cast<char>(acc & 0xFF));

    QByteArray out;
    out.append(static_cast<char>(2)); // minimum code size
    for (qsizetype pos = 0; pos < bits.size(); pos += 255) {
        const QByteArray block = bits.mid(pos, 255);
        out.append(static_cast<char>(block.size()));
        out.append(block);
    }
    out.append(static_cast<char>(0));
    return out;
}

} // namespace

QByteArray BuildGif(int width, int height, const std::vector<GifFrameSpec> &frames,
                    bool withControlExtensions)
{
    QByteArray gif("GIF89a");
    Le16(gif, width);
    Le16(gif, height);
    gif.append(static_cast<char>(0xF1)); // global table of 4 colours
    gif.append(static_cast<char>(0));
    gif.append(static_cast<char>(0));
    const unsigned char table[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    gif.append(reinterpret_cast<const char *>(table), sizeof table);
    if (frames.size() > 1) {
        // Loop forever.
        const unsigned char loop[] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                                      'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
        gif.append(reinterpret_cast<const char *>(loop), sizeof loop);
    }
    for (const GifFrameSpec &frame : frames) {
        if (withControlExtensions) {
            gif.append("\x21\xF9\x04", 3);
            gif.append(static_cast<char>(0x04)); // keep the frame
            Le16(gif, frame.delay);
            gif.append(static_cast<char>(0));
            gif.append(static_cast<char>(0));
        }
        gif.append(static_cast<char>(0x2C));
        Le16(gif, 0);
        Le16(gif, 0);
        Le16(gif, width);
        Le16(gif, height);
        gif.append(static_cast<char>(0));
        gif.append(PixelData(width * height, frame.colorIndex));
    }
    gif.append(static_cast<char>(0x3B));
    return gif;
}

} // namespace fetchly::markup::test
