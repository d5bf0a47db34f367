// The status bar's colour swatches without a window: the caption colour
// rule, which sheet colour each pane shows, and what one swatch paints.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/gdi/recording_canvas.h"
#include "shell/status_panes.h"
#include "shell/status_swatch.h"

namespace {

namespace gdi = platform::gdi;
using shell::ContrastColour;
using shell::SheetColours;

TEST(StatusSwatch, ContrastColourOfFills) {
    struct Row {
        const char* what;
        gdi::COLORREF fill;
        gdi::COLORREF text;
    };
    const Row rows[] = {
        {"mid grey has no usable complement", gdi::RGB(120, 120, 120), 0xFFFFFF},
        {"black complements to white", 0x000000, 0xFFFFFF},
        {"white complements to black", 0xFFFFFF, 0x000000},
        {"two mid components suffice", gdi::RGB(101, 149, 0), 0xFFFFFF},
        {"the bounds are exclusive (100)", gdi::RGB(100, 100, 0), gdi::RGB(155, 155, 255)},
        {"the bounds are exclusive (150)", gdi::RGB(150, 150, 150), gdi::RGB(105, 105, 105)},
        {"one mid component is not enough", gdi::RGB(120, 0, 255), gdi::RGB(135, 255, 0)},
        {"mid green and blue, red far off", gdi::RGB(255, 120, 130), 0xFFFFFF},
        {"components keep their places", gdi::RGB(0x10, 0x20, 0x30), gdi::RGB(0xEF, 0xDF, 0xCF)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ContrastColour(row.fill), row.text) << row.what;
}

TEST(StatusSwatch, EachPaneShowsItsSheetColour) {
    const SheetColours colours{0x112233, 0x445566, 0x778899};
    EXPECT_EQ(shell::SwatchFill(shell::kPaneColour1, colours), 0x112233u) << "background";
    EXPECT_EQ(shell::SwatchFill(shell::kPaneColour2, colours), 0x445566u) << "physical link";
    EXPECT_EQ(shell::SwatchFill(shell::kPaneColour3, colours), 0x778899u) << "network link";
    EXPECT_EQ(shell::SwatchFill(shell::kPaneSheetSize, colours), std::nullopt);
    EXPECT_EQ(shell::SwatchFill(0, colours), std::nullopt);

    EXPECT_EQ(shell::SwatchCaption(shell::kPaneColour1), "模板背景");
    EXPECT_EQ(shell::SwatchCaption(shell::kPaneColour2), "物理连线");
    EXPECT_EQ(shell::SwatchCaption(shell::kPaneColour3), "虚拟连线");
}

TEST(StatusSwatch, PaintsFillThenCentredCaptionInContrast) {
    gdi::RecordingCanvas dc(6);
    const gdi::Rect pane{10, 2, 90, 20};
    const SheetColours colours{gdi::RGB(120, 120, 120), 0x000000, 0xFF0000};

    shell::PaintSwatch(dc, pane, shell::kPaneColour1, colours);
    ASSERT_EQ(dc.Ops().size(), 2u);
    const gdi::RecordedOp& fill = dc.Ops()[0];
    EXPECT_EQ(fill.kind, gdi::RecordedOp::Kind::Fill);
    EXPECT_EQ(fill.rect, pane);
    EXPECT_EQ(fill.colour, gdi::RGB(120, 120, 120));
    const gdi::RecordedOp& text = dc.Ops()[1];
    EXPECT_EQ(text.kind, gdi::RecordedOp::Kind::Text);
    EXPECT_EQ(text.text, "模板背景");
    EXPECT_EQ(text.colour, 0xFFFFFFu);
    // Centred: as much room left of the caption as right of it.
    const gdi::Size size = dc.MeasureText(dc.GetFont(), text.text);
    EXPECT_EQ(text.origin.x - pane.left, pane.right - (text.origin.x + size.cx));
    // The canvas is left as it was found.
    EXPECT_EQ(dc.GetBkMode(), gdi::OPAQUE);
    EXPECT_EQ(dc.GetTextColor(), gdi::kBlack);

    dc.Clear();
    shell::PaintSwatch(dc, pane, shell::kPaneColour3, colours);
    ASSERT_EQ(dc.Ops().size(), 2u);
    EXPECT_EQ(dc.Ops()[0].colour, 0xFF0000u);
    EXPECT_EQ(dc.Ops()[1].colour, 0x00FFFFu) << "blue's complement";

    dc.Clear();
    shell::PaintSwatch(dc, pane, shell::kPaneColour2, std::nullopt);
    EXPECT_TRUE(dc.Ops().empty()) << "no device sheet: the pane stays undrawn";
    shell::PaintSwatch(dc, pane, shell::kPaneSheetSize, colours);
    EXPECT_TRUE(dc.Ops().empty()) << "not a swatch";
}

} // namespace
