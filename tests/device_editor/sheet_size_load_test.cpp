// A damaged .zo or .dsp whose sheet size is out of the int range's safe
// part (INT_MIN, INT_MAX, or just outside what the size dialogs allow)
// loads with the size held to 500..20000, and the sheet's drawing and the
// scroll extents at every zoom then stay within 32 bits (the sanitizer
// build stops at the first signed overflow).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "device_editor/sheet_drawing.h"
#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "dsp_editor/dsp_view_paint.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/sheet_size.h"
#include "platform/archive/file.h"
#include "platform/gdi/recording_canvas.h"

namespace {

using model::Rect;
using model::Size;

enum class EFile { Zo, Dsp };

struct SheetSizeCase {
    const char* name;
    EFile file;
    std::int32_t width, height;
    std::int32_t loadedWidth, loadedHeight;
};

// What an 800 x 600 view scrolled to the end of a sheet of this extent
// asks to be drawn: never left of or above the sheet's origin. Worked out in
// 64 bits, so that the test itself never overflows.
Rect FarCorner(std::int32_t width, std::int32_t height) {
    const auto span = [](std::int32_t side, std::int64_t view) {
        const std::int64_t end = std::max<std::int64_t>(side, view);
        return std::pair<std::int32_t, std::int32_t>(static_cast<std::int32_t>(end - view),
                                                     static_cast<std::int32_t>(end));
    };
    const auto [left, right] = span(width, 800);
    const auto [top, bottom] = span(height, 600);
    return {left, top, right, bottom};
}

class SheetSizeLoad : public ::testing::TestWithParam<SheetSizeCase> {
protected:
    device_test::TempHome home;
    device_test::RecordingSink messages;
};

TEST_P(SheetSizeLoad, LoadsHeldToTheDialogsRangeAndDrawsWithoutOverflow) {
    const SheetSizeCase& c = GetParam();
    platform::gdi::RecordingCanvas canvas;
    if (c.file == EFile::Zo) {
        const std::filesystem::path path = home.path() / "damaged.zo";
        {
            device_editor::CZoDeviceDoc writer;
            writer.OnNewDocument();
            model::DeviceSheetSettings sheet = writer.GetSheetSettings();
            sheet.width = c.width;
            sheet.height = c.height;
            writer.SetSheetSettings(sheet);
            writer.OnSaveDocument(path);
        }
        device_editor::CZoDeviceDoc doc;
        doc.OnOpenDocument(path);
        const model::DeviceSheetSettings& sheet = doc.GetSheetSettings();
        EXPECT_EQ(sheet.width, c.loadedWidth);
        EXPECT_EQ(sheet.height, c.loadedHeight);
        for (const int zoom :
             {device_editor::kZoomHalf, device_editor::kZoomNormal, device_editor::kZoomDouble}) {
            const Size scroll = device_editor::ScrollSize({sheet.width, sheet.height}, zoom);
            EXPECT_GT(scroll.cx, 0) << zoom;
            EXPECT_GT(scroll.cy, 0) << zoom;
        }
        device_editor::DrawSheet(canvas, doc, FarCorner(sheet.width, sheet.height), {});
        device_editor::DrawSheetForPrint(canvas, doc);
    } else {
        const std::filesystem::path path = home.path() / "damaged.dsp";
        {
            dsp_editor::CZoDSPDoc writer;
            writer.OnNewDocument();
            writer.m_sheetWidth = c.width;
            writer.m_sheetHeight = c.height;
            platform::archive::write_file_atomic(path, writer.SaveDocument());
        }
        dsp_editor::CZoDSPDoc doc;
        doc.OnOpenDocument(path);
        EXPECT_EQ(doc.m_sheetWidth, c.loadedWidth);
        EXPECT_EQ(doc.m_sheetHeight, c.loadedHeight);
        dsp_editor::CZoDSPView view(doc);
        for (int index = 0; index < 3; ++index) {
            doc.m_zoom = *dsp_editor::ZoomOfComboIndex(index);
            const Size scroll = view.Zoom().ScaledSheet();
            EXPECT_GT(scroll.cx, 0) << doc.m_zoom;
            EXPECT_GT(scroll.cy, 0) << doc.m_zoom;
            view.Zoom().OnDraw(canvas, FarCorner(doc.m_sheetWidth, doc.m_sheetHeight));
        }
    }
    EXPECT_FALSE(canvas.Ops().empty());
    EXPECT_TRUE(messages.shown.empty());
}

// Both kinds of file with each extreme; a size the dialogs allow loads as
// it was saved.
const SheetSizeCase kCases[] = {
    {"ZoIntMin", EFile::Zo, INT_MIN, INT_MIN, 500, 500},
    {"ZoIntMax", EFile::Zo, INT_MAX, INT_MAX, 20000, 20000},
    {"ZoIntMinWideIntMaxHigh", EFile::Zo, INT_MIN, INT_MAX, 500, 20000},
    {"ZoJustOutside", EFile::Zo, 499, 20001, 500, 20000},
    {"ZoInRange", EFile::Zo, 500, 20000, 500, 20000},
    {"DspIntMin", EFile::Dsp, INT_MIN, INT_MIN, 500, 500},
    {"DspIntMax", EFile::Dsp, INT_MAX, INT_MAX, 20000, 20000},
    {"DspIntMaxWideIntMinHigh", EFile::Dsp, INT_MAX, INT_MIN, 20000, 500},
    {"DspJustOutside", EFile::Dsp, 20001, 499, 20000, 500},
    {"DspInRange", EFile::Dsp, 1260, 1800, 1260, 1800},
};

INSTANTIATE_TEST_SUITE_P(Cases, SheetSizeLoad, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
