// The DSP view's paint through its window and the Qt canvas, measured in
// one run against the least the same picture can cost: the modules' and
// links' own Draw onto the same QImage with the grid's points set straight
// into it; and a 200 x 200 repaint against the full one.
//
// The sheet holds 200 modules of every type in rows and 1,000 links between
// their pins, at 100%, the grid on.
//
// Usage: dsp_paint_bench [--rounds N]
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "dsp_editor/dsp_view_paint.h"
#include "dsp_editor/ui/dsp_view_widget.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/program_settings.h"
#include "model/recording_messages.h"
#include "platform/gdi/qt_canvas.h"
#include "bench/dsp_editor/bench_timing.h"

namespace {

namespace de = dsp_editor;
using model::CBaseAriModule;

constexpr int kModules = 200;
constexpr int kLinks = 1000;
constexpr int kColumns = 20;

// Modules of every type in rows of 20, then links from each module's
// outputs to the inputs of modules further on, round the sheet.
void FillSheet(de::CZoDSPDoc& doc) {
    struct kind_t {
        std::int32_t type, variant;
    };
    const kind_t kinds[] = {{3, 2},  {4, 1},  {5, 3},   {7, 1},  {8, 1}, {9, 10},
                            {10, 1}, {10, 4}, {11, 20}, {12, 1}, {13, 3}};
    doc.m_sheetWidth = kColumns * 150 + 40;
    doc.m_sheetHeight = (kModules / kColumns) * 260 + 40;
    doc.m_sheetColour = 0xFFFFFF;
    for (int n = 0; n < kModules; ++n) {
        const kind_t& kind = kinds[static_cast<std::size_t>(n) % std::size(kinds)];
        doc.AddModule(kind.type, kind.variant, 20 + (n % kColumns) * 150, 20 + (n / kColumns) * 260,
                      1);
    }
    const auto& modules = doc.Modules();
    for (int l = 0, n = 0; l < kLinks; ++n) {
        const CBaseAriModule& feed = *modules[static_cast<std::size_t>(n) % modules.size()];
        const CBaseAriModule& recv = *modules[static_cast<std::size_t>(n * 7 + 3) % modules.size()];
        if (feed.m_outputCount == 0 || recv.m_inputCount == 0 || &feed == &recv)
            continue;
        const std::int32_t out = feed.m_inputCount + n % feed.m_outputCount;
        const std::int32_t in = n % recv.m_inputCount;
        const model::Point a = recv.GetChnl(in)->m_rect.CenterPoint();
        const model::Point b = feed.GetChnl(out)->m_rect.CenterPoint();
        doc.AddLink(a.x, a.y, b.x, b.y, recv.m_id, in, feed.m_id, out);
        ++l;
    }
    doc.ClearSelection();
}

// The objects' own drawing and the grid's points, nothing else.
void DrawDirectly(const de::CZoDSPDoc& doc, QImage& image) {
    QPainter painter(&image);
    platform::gdi::QtCanvas canvas(painter);
    for (const auto& module : doc.Modules())
        module->Draw(canvas, 0, 0);
    for (const auto& link : doc.Links())
        link->Draw(canvas, 0, 0);
    painter.end();
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y <= doc.m_sheetHeight && y < image.height(); y += de::kGridStep)
        for (int x = 0; x <= doc.m_sheetWidth && x < image.width(); x += de::kGridStep)
            image.setPixel(x, y, black);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = dsp_bench::RoundsArgument(argc, argv, 7);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    model::InstallProgramSettings(std::make_shared<const model::CProgramSettings>());
    model::CRecordingMessages quiet;
    de::CZoDSPDoc doc;
    FillSheet(doc);
    de::CZoDSPView view(doc);
    de::ui::CZoDSPViewWidget widget(view);
    widget.setFrameShape(QFrame::NoFrame);
    widget.resize(doc.m_sheetWidth, doc.m_sheetHeight);
    widget.show();
    QApplication::processEvents();
    widget.OnInitialUpdate();
    QWidget& viewport = *widget.viewport();
    if (viewport.width() != doc.m_sheetWidth || viewport.height() != doc.m_sheetHeight) {
        std::fprintf(stderr, "the window does not show the whole sheet\n");
        return 1;
    }

    QImage image(viewport.size(), QImage::Format_RGB32);
    const auto full = [&] { viewport.render(&image); };
    const QRegion corner(QRect(1000, 500, 200, 200));
    const auto partial = [&] { viewport.render(&image, QPoint(), corner); };
    const auto direct = [&] { DrawDirectly(doc, image); };

    constexpr int kRepeats = 5;
    double best_full = 1e9, best_partial = 1e9, best_direct = 1e9;
    for (int r = 0; r < rounds; ++r) {
        best_full = std::min(best_full, dsp_bench::SecondsPerRun(full, kRepeats));
        best_partial = std::min(best_partial, dsp_bench::SecondsPerRun(partial, kRepeats));
        best_direct = std::min(best_direct, dsp_bench::SecondsPerRun(direct, kRepeats));
    }

    std::printf("sheet: %d x %d, %zu modules, %zu links\n", doc.m_sheetWidth, doc.m_sheetHeight,
                doc.Modules().size(), doc.Links().size());
    std::printf("full paint:    %.2f ms\n", best_full * 1e3);
    std::printf("direct draw:   %.2f ms\n", best_direct * 1e3);
    std::printf("200 x 200:     %.2f ms\n", best_partial * 1e3);
    std::printf("ratio paint: %.2f (target <= 2)\n", best_full / best_direct);
    std::printf("ratio partial: %.2f (target <= 0.2)\n", best_partial / best_full);
    return 0;
}
