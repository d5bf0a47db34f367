// One step of dragging the whole selection on a device sheet, through the
// sheet editor as the view drives it: every unit of the sheet selected, the
// mouse moved one grid step and back. Each step moves every unit and brings
// the ends of every link at its channels along, so its cost should grow with
// the sheet and no faster: sheets of 20, 100, 300 and 1000 units are timed
// in the same run and the fitted complexity is printed, with the time per
// unit of each size beside it.
//
// Usage: device_drag_bench [Google Benchmark options]
#include <benchmark/benchmark.h>

#include "bench/device_editor/device_sheet_fill.h"
#include "device_editor/device_sheet_editor.h"
#include "model/recording_messages.h"
#include "platform/gdi/fixed_width_measurer.h"

namespace {

using model::Point;
using model::Rect;

// A window that is never repainted: the editor's requests cost nothing here.
class QuietHost final : public device_editor::IDeviceEditorHost {
public:
    void SetCapture() override { capture_ = true; }
    void ReleaseCapture() override { capture_ = false; }
    bool HasCapture() const override { return capture_; }
    void SetTimer(int, int) override {}
    void KillTimer(int) override {}
    void SetCursor(device_editor::EDeviceCursor) override {}
    void SetToolTip(const std::string&) override {}
    void InvalidateLogical(const Rect&) override {}
    void InvalidateAll() override {}
    void UpdateAllViews() override {}
    Rect GetClientRect() const override { return {0, 0, 20000, 20000}; }
    Point GetScrollPosition() const override { return {}; }
    void ScrollTo(Point) override {}
    void SetScrollSize(model::Size) override {}
    Point GetCursorPosition() const override { return {}; }
    int PopupContextMenu(const device_editor::DeviceContextMenu&, Point) override { return 0; }
    bool IsDownloadingView() const override { return false; }
    bool IsRunningView() const override { return false; }

private:
    bool capture_ = false;
};

void DragStep(benchmark::State& state) {
    const int units = static_cast<int>(state.range(0));
    model::CRecordingMessages messages;
    platform::gdi::FixedWidthMeasurer dc;
    device_editor::CZoDeviceDoc doc;
    device_bench::FillSheet(doc, dc, units);
    QuietHost host;
    device_editor::CDeviceSheetEditor editor(doc, host, dc);
    const model::Size sheet{doc.GetSheetSettings().width, doc.GetSheetSettings().height};
    doc.SelectInRect({0, 0, sheet.cx, sheet.cy});
    // Grab the first unit in the middle of its body, below its title and
    // clear of its channels.
    const Rect body = doc.GetDevice(0)->m_body;
    const Point grab{body.left + body.Width() / 2, body.top + body.Height() / 2};
    editor.OnLButtonDown(grab, 0);
    if (editor.DragMode() != device_editor::CDeviceSheetEditor::EDragMode::BodyMove) {
        state.SkipWithError("the press did not start a move");
        return;
    }
    bool out = false;
    for (auto _ : state) {
        out = !out;
        editor.OnMouseMove({grab.x + (out ? 10 : 0), grab.y}, 0);
    }
    editor.OnLButtonUp({grab.x, grab.y}, 0);
    state.counters["links"] = doc.GetLinkCount();
    state.counters["per_unit"] = benchmark::Counter(
        units, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetComplexityN(units);
}

BENCHMARK(DragStep)->Arg(20)->Arg(100)->Arg(300)->Arg(1000)->Complexity()->Unit(
    benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
