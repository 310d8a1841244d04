// Figures for the list rendering: Measure and Draw of a typical status line of
// the download list, and a 10,000-item list filled and measured.
//   QT_QPA_PLATFORM=offscreen build/bench/markup/markup_bench

#include "markup/core/draw_markup.h"
#include "markup/qt/markup_image_list.h"
#include "markup/qt/markup_list_box.h"
#include "markup/qt/qt_markup_surface.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace fetchly::markup;

namespace {

const std::string kReadyLine = "<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> "
                               "http://downloads.example.org/releases/fetchly-1.0.zip     "
                               "<B>Ready for Download</B></FONT>";
const std::string kDownloadingLine =
    "<IMG src=\"idx:2\"><FONT face=\"Trebuchet MS\"> "
    "http://downloads.example.org/releases/fetchly-1.0.zip       "
    "<B>DownLoading</B>... 1,234 KB of 5,678 KB  Transfer Rate : 345.6 KB/s</FONT>";

TMarkupImageList &StatusImages()
{
    static TMarkupImageList images(QSize(16, 16));
    if (images.Count() == 0) {
        for (QColor c : {Qt::green, Qt::gray, Qt::blue, Qt::darkGreen, Qt::red}) {
            QPixmap pixmap(16, 16);
            pixmap.fill(c);
            images.Add(pixmap);
        }
    }
    return images;
}

MarkupParams Params(RenderMode mode)
{
    MarkupParams params;
    params.bounds = {0, 0, 700, 4096};
    params.images = &StatusImages();
    params.mode = mode;
    return params;
}

MarkupFont BaseFont()
{
    MarkupFont font;
    font.name = "Trebuchet MS";
    font.size = 8;
    return font;
}

void Measure(benchmark::State &state, const std::string &line)
{
    QImage device(700, 40, QImage::Format_RGB32);
    const MarkupParams params = Params(RenderMode::Measure);
    for (auto _ : state) {
        TQtMarkupSurface surface(&device, nullptr, QApplication::palette());
        surface.SetFont(BaseFont());
        benchmark::DoNotOptimize(DrawMarkup(surface, line, params));
    }
}

void Draw(benchmark::State &state, const std::string &line)
{
    QImage image(700, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const MarkupParams params = Params(RenderMode::Draw);
    for (auto _ : state) {
        TQtMarkupSurface surface(&image, &painter, QApplication::palette());
        surface.SetFont(BaseFont());
        surface.SetFill(0xFFFFFF);
        benchmark::DoNotOptimize(DrawMarkup(surface, line, params));
    }
}

void BM_MeasureReadyLine(benchmark::State &state)
{
    Measure(state, kReadyLine);
}
void BM_MeasureDownloadingLine(benchmark::State &state)
{
    Measure(state, kDownloadingLine);
}
void BM_DrawReadyLine(benchmark::State &state)
{
    Draw(state, kReadyLine);
}
void BM_DrawDownloadingLine(benchmark::State &state)
{
    Draw(state, kDownloadingLine);
}

// A list line of a URL of 100,000 "&", each written as "&amp;", measured and
// drawn: the cost of one paint of such a line.
void BM_MeasureAndDrawAmpersandUrl(benchmark::State &state)
{
    std::string line = "<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> http://h/";
    for (int i = 0; i < 100000; ++i)
        line += "&amp;";
    line += ".zip     <B>Ready for Download</B></FONT>";
    QImage image(700, 40, QImage::Format_RGB32);
    QPainter painter(&image);
    const MarkupParams measure = Params(RenderMode::Measure);
    const MarkupParams draw = Params(RenderMode::Draw);
    for (auto _ : state) {
        TQtMarkupSurface surface(&image, &painter, QApplication::palette());
        surface.SetFont(BaseFont());
        benchmark::DoNotOptimize(DrawMarkup(surface, line, measure));
        benchmark::DoNotOptimize(DrawMarkup(surface, line, draw));
    }
}

void BM_FillList10000(benchmark::State &state)
{
    QStringList lines;
    for (int i = 0; i < 10000; ++i) {
        const std::string &line = (i % 2) ? kDownloadingLine : kReadyLine;
        lines << QString::fromStdString(line).replace("fetchly-1.0", QString("file-%1").arg(i));
    }
    TMarkupListBox box;
    box.resize(700, 400);
    box.SetImages(&StatusImages());
    for (auto _ : state) {
        box.clear();
        box.addItems(lines);
        box.doItemsLayout();
        benchmark::DoNotOptimize(box.ItemHeight(9999));
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
}

} // namespace

BENCHMARK(BM_MeasureReadyLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeasureDownloadingLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawReadyLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawDownloadingLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeasureAndDrawAmpersandUrl)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FillList10000)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

namespace {
void BM_Advance(benchmark::State &state)
{
    QFont font("Trebuchet MS");
    font.setPointSize(8);
    QImage device(10, 10, QImage::Format_RGB32);
    QFontMetrics fm(font, &device);
    const QString s = "http://downloads.example.org/releases/fetchly-1.0.zip ";
    for (auto _ : state)
        benchmark::DoNotOptimize(fm.horizontalAdvance(s));
}
void BM_Height(benchmark::State &state)
{
    QImage device(10, 10, QImage::Format_RGB32);
    TQtMarkupSurface surface(&device, nullptr, QApplication::palette());
    MarkupFont a = BaseFont(), b = BaseFont();
    b.bold = true;
    for (auto _ : state) {
        surface.SetFont(a);
        benchmark::DoNotOptimize(surface.TextHeight("gh"));
        surface.SetFont(b);
        benchmark::DoNotOptimize(surface.TextHeight("gh"));
    }
}
} // namespace
BENCHMARK(BM_Advance);
BENCHMARK(BM_Height);
