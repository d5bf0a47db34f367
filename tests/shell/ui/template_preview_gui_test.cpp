// The template preview control on the offscreen platform: where two modules
// overlap the lower id shows, stretched over the control; without a
// document the control is white around its text.
#include "shell/ui/template_preview.h"

#include <gtest/gtest.h>

#include "gui_app.h"

#include <QImage>
#include <QTest>

#include "tests/shell/template_preview_sheet.h"

namespace {

using shell::ui::CStaticPreviewAriTemplate;

QRgb Pixel(QWidget& widget, int x, int y) {
    return widget.grab().toImage().pixel(x, y) & 0xFFFFFF;
}

TEST(TemplatePreviewGui, LowerIdCoversTheOverlapAndThePictureIsStretched) {
    // Module 1 spans (0, 0) .. (100, 50) and 2 (40, 30) .. (140, 80); the
    // picture is 150 x 90 with the modules 4 pixels in, shown twice as large.
    preview_test::CPreviewSheet sheet;
    sheet.AddDelay(1, 0, 0, "M1").m_colours[model::CBaseAriModule::kBodyColour] = 0x0000FF;
    sheet.AddDelay(2, 40, 30, "M2").m_colours[model::CBaseAriModule::kBodyColour] = 0xFF0000;

    CStaticPreviewAriTemplate preview;
    preview.resize(300, 180);
    preview.SetDocument(&sheet);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));

    // Sheet (60, 45): module 1's plain body, module 2's title strip.
    EXPECT_EQ(Pixel(preview, 2 * (60 + 4) + 1, 2 * (45 + 4) + 1), 0xFF0000u) << "module 1's body";
    // Sheet (120, 70): module 2 alone.
    EXPECT_EQ(Pixel(preview, 2 * (120 + 4) + 1, 2 * (70 + 4) + 1), 0x0000FFu) << "module 2's body";
    EXPECT_EQ(Pixel(preview, 299, 1), 0xFFFFFFu) << "the picture's white beside the modules";
}

TEST(TemplatePreviewGui, WithoutDocumentTheControlIsWhite) {
    CStaticPreviewAriTemplate preview;
    preview.resize(300, 180);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));

    const QImage image = preview.grab().toImage();
    EXPECT_EQ(image.pixel(2, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(297, 177) & 0xFFFFFF, 0xFFFFFFu);
    // The text lies on the middle row.
    bool dark = false;
    for (int x = 0; x < image.width() && !dark; ++x)
        for (int y = 84; y < 96 && !dark; ++y)
            dark = qGray(image.pixel(x, y)) < 128;
    EXPECT_TRUE(dark) << "no text in the middle";
}

} // namespace
