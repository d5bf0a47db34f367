// The device sheet view's repaint of a window's worth of a sheet of 300
// units, through the Qt canvas onto an image the size of a large window, at
// normal and double zoom; against it, in the same run, the same repaint with
// its text left out (nothing drawn, nothing measured): what the rest of the
// picture costs. The text's share is what the channel labels, titles and
// captions add.
//
// Usage: device_paint_bench [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>

#include "bench/device_editor/device_sheet_fill.h"
#include "device_editor/sheet_drawing.h"
#include "model/recording_messages.h"
#include "platform/gdi/qt_canvas.h"

namespace {

namespace gdi = platform::gdi;

constexpr int kUnits = 300;
constexpr int kWidth = 1600;
constexpr int kHeight = 1200;

// The Qt canvas with no text at all.
class TextlessCanvas final : public gdi::QtCanvas {
public:
    using QtCanvas::QtCanvas;
    gdi::Size MeasureText(const gdi::LOGFONT& font, std::string_view) const override {
        return {0, font.lfHeight > 0 ? font.lfHeight : 12};
    }

protected:
    void DoText(gdi::Point, std::string_view, const gdi::LOGFONT&, gdi::COLORREF,
                const gdi::Rect*) override {}
};

template <class CanvasType> void Repaint(benchmark::State& state) {
    const int zoom = static_cast<int>(state.range(0));
    model::CRecordingMessages messages;
    gdi::QtTextMeasurer measurer;
    device_editor::CZoDeviceDoc doc;
    device_bench::FillSheet(doc, measurer, kUnits);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        CanvasType canvas(painter);
        canvas.SetMapping(device_editor::ZoomMapping(zoom, {0, 0}));
        model::Rect clip = canvas.DPtoLP(model::Rect{0, 0, kWidth, kHeight});
        clip.NormalizeRect();
        device_editor::DrawSheet(canvas, doc, clip.Inflated(2, 2), {});
    }
}

void SheetRepaint(benchmark::State& state) {
    Repaint<gdi::QtCanvas>(state);
}

void SheetRepaintWithoutText(benchmark::State& state) {
    Repaint<TextlessCanvas>(state);
}

BENCHMARK(SheetRepaintWithoutText)
    ->ArgName("zoom")
    ->Arg(device_editor::kZoomNormal)
    ->Arg(device_editor::kZoomDouble)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SheetRepaint)
    ->ArgName("zoom")
    ->Arg(device_editor::kZoomNormal)
    ->Arg(device_editor::kZoomDouble)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
