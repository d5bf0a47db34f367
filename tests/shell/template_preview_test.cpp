// The template preview without a window: what reaches the off-screen
// picture and the control, drawn into recording canvases.
#include "shell/template_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/recording_canvas.h"
#include "resources/string_table.h"
#include "tests/shell/template_preview_sheet.h"

namespace {

namespace gdi = platform::gdi;
using preview_test::CPreviewSheet;

// Records what the preview draws off-screen and hands back a blank picture
// of the size asked for.
struct COffscreen {
    std::optional<gdi::Size> size;
    gdi::RecordingCanvas canvas;

    shell::OffscreenPainter Painter() {
        return [this](gdi::Size s, const std::function<void(gdi::Canvas&)>& draw) {
            size = s;
            draw(canvas);
            return gdi::Bitmap(s.cx, s.cy);
        };
    }
};

// The index of the first line that starts with `prefix`, or -1.
int Find(const std::vector<std::string>& lines, const std::string& prefix) {
    const auto it = std::find_if(lines.begin(), lines.end(),
                                 [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

int FindText(const std::vector<std::string>& lines, const std::string& text) {
    const auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind("text ", 0) == 0 && l.find("\"" + text + "\"") != std::string::npos;
    });
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

// Ids 1 and 2 overlap, 3 was deleted, 4 is hidden and lies furthest left and
// lowest, 5 is the highest; one link runs between 2 and 1.
class TemplatePreview : public ::testing::Test {
protected:
    void SetUp() override {
        sheet.AddDelay(1, 60, 50, "M1");
        sheet.AddDelay(2, 30, 40, "M2");
        sheet.AddDelay(4, 10, 100, "M4").m_hidden = 1;
        sheet.AddDelay(5, 40, 45, "M5");
        auto link = std::make_unique<model::CBaseLink>(1, gdi::Point{64, 86}, gdi::Point{126, 86},
                                                       1, 0, 2, 1);
        sheet.links.push_back(std::move(link));
        preview.SetDocument(&sheet);
    }

    CPreviewSheet sheet;
    COffscreen offscreen;
    shell::CTemplatePreview preview{offscreen.Painter()};
    gdi::RecordingCanvas dc{8};
};

TEST_F(TemplatePreview, PictureSpansEveryModuleAndIsStretchedOverTheControl) {
    // Modules span (10, 40) .. (160, 150), the hidden one included.
    preview.Paint(dc, {0, 0, 320, 240});
    ASSERT_TRUE(offscreen.size);
    EXPECT_EQ(*offscreen.size, (gdi::Size{160, 120}));
    EXPECT_EQ(dc.Lines(), std::vector<std::string>{"bitmap 160x120 (0,0,320,240)"});
    const auto lines = offscreen.canvas.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "fill (0,0,160,120) 0xFFFFFF");
}

TEST_F(TemplatePreview, ModulesFromTheHighestIdDownAtTheShiftThenLinks) {
    preview.Paint(dc, {0, 0, 320, 240});
    const auto lines = offscreen.canvas.Lines();
    // The shift is (4 - 10, 4 - 40); a body's outline lies one pixel
    // outside it.
    const int m5 = Find(lines, "rectangle (33,8,135,60) ");
    const int m2 = Find(lines, "rectangle (23,3,125,55) ");
    const int m1 = Find(lines, "rectangle (53,13,155,65) ");
    ASSERT_GE(m5, 0);
    EXPECT_LT(m5, m2);
    EXPECT_LT(m2, m1);
    EXPECT_LT(FindText(lines, "M5"), FindText(lines, "M2"));
    EXPECT_LT(FindText(lines, "M2"), FindText(lines, "M1"));
    EXPECT_EQ(FindText(lines, "M4"), -1);
    EXPECT_EQ(Find(lines, "rectangle (3,63,105,115) "), -1);
    // The link, shifted alike (its feeding end one pixel further left), on
    // top of every module.
    const int link = Find(lines, "polyline (48,50) (43,50) (134,50) (129,50) ");
    EXPECT_EQ(link, static_cast<int>(lines.size()) - 1);
}

TEST_F(TemplatePreview, ModulesAreLaidOverTheDocumentWithoutMovingThem) {
    preview.Paint(dc, {0, 0, 320, 240});
    EXPECT_EQ(sheet.ModuleById(1)->m_body, (gdi::Rect{60, 50, 160, 100}));
    EXPECT_EQ(sheet.links[0]->m_start, (gdi::Point{64, 86}));
}

TEST_F(TemplatePreview, SheetWithoutModulesIsWhite) {
    sheet.modules.clear();
    preview.Paint(dc, {0, 0, 320, 240});
    EXPECT_FALSE(offscreen.size);
    EXPECT_EQ(dc.Lines(), std::vector<std::string>{"fill (0,0,320,240) 0xFFFFFF"});
}

TEST_F(TemplatePreview, WithoutDocumentTheControlSaysSoInItsMiddle) {
    preview.SetDocument(nullptr);
    const gdi::Rect client{0, 0, 320, 240};
    preview.Paint(dc, client);
    EXPECT_FALSE(offscreen.size);
    const std::string text(resources::LoadString(shell::CTemplatePreview::kNoTemplateText));
    ASSERT_FALSE(text.empty());
    // Eight pixels a character, a cell as high as the font.
    const int width = 8 * static_cast<int>(gdi::text_layout::CountCharacters(text));
    const std::string origin =
        "(" + std::to_string((320 - width) / 2) + "," + std::to_string((240 - 15) / 2) + ")";
    EXPECT_EQ(dc.Lines(),
              (std::vector<std::string>{"fill (0,0,320,240) 0xFFFFFF",
                                        "text " + origin + " \"" + text +
                                            "\" Arial 15 700 0x000000 clip (0,0,320,240)"}));
    // The canvas is left as the control found it.
    EXPECT_EQ(dc.GetBkMode(), gdi::OPAQUE);
}

} // namespace
