// A small device sheet drawn through the Qt adapter into an image, probed at
// pixels its drawing rules fix (the offscreen platform; no display needed).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "device_test_support.h"
#include "model/device_chnl.h"
#include "model/device_document.h"
#include "model/device_external.h"
#include "model/device_link.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_text.h"
#include "platform/gdi/qt_canvas.h"

namespace {

namespace gdi = platform::gdi;

class ModelDeviceQtProbe : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QGuiApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "model_device_qt_probe_test";
            static char* argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }
};

TEST_F(ModelDeviceQtProbe, SheetLandsOnItsPixels) {
    device_test::TempHome home; // built-in colours
    QImage image(300, 220, QImage::Format_RGB32);
    image.fill(Qt::white);
    const gdi::QtTextMeasurer measurer;

    model::CDeviceExternal pc(measurer, 20, 40, 1, model::kModelPc, 0); // (20, 40, 82, 102)
    model::CDeviceNy unit(measurer, 150, 39, 2, 9, 1);                  // (150, 39, 240, 95)
    model::CDeviceText text(measurer, 20, 150, 3, "Hi      ", model::kModelText, 0);
    device_test::SettingsOnlySheet sheet;
    sheet.settings.physicalLink = 0x00AA00;
    model::CDeviceLink link; // PC-Out1 -> In 1, drawn from the PC
    link.m_id = 1;
    link.BeginAtChnl(*model::AsDeviceChnl(pc.GetChnl(0)));                   // (76, 60)
    link.m_end = model::AsDeviceChnl(unit.GetChnl(0))->m_rect.CenterPoint(); // (156, 60)
    link.HideLabel();
    model::AsDeviceChnl(pc.GetChnl(0))->AddLinkCopy(link);
    model::AsDeviceChnl(unit.GetChnl(0))->AddLinkCopy(link);
    {
        QPainter painter(&image);
        gdi::QtCanvas dc(painter);
        pc.Draw(dc, 0, 0);
        unit.Draw(dc, 0, 0);
        text.Draw(dc, 0, 0);
        link.DrawLink(dc, sheet, 0, 0);
    }
    const auto at = [&](int x, int y) { return gdi::FromQColor(image.pixelColor(x, y)); };
    struct row_t {
        const char* catches;
        int x, y;
        gdi::COLORREF colour;
    } rows[] = {
        {"the PC's screen from its picture", 45, 75, gdi::RGB(0x30, 0x60, 0xC0)},
        {"the picture's background", 25, 100, gdi::RGB(0xE8, 0xE8, 0xE8)},
        {"unit body in the model's colour", 195, 88, 0xD6F7FF},
        {"unit frame in its Fore colour", 150, 80, gdi::kBlack},
        {"nothing left of the unit", 149, 80, gdi::kWhite},
        {"connected input is black", 152, 57, gdi::kBlack},
        {"free network output is grey", 234, 72, 0xC0C0C0},
        {"the link in the physical-link colour", 116, 60, 0x00AA00},
        {"nothing beside the link", 116, 62, gdi::kWhite},
        {"text box background", text.m_body.right - 2, text.m_body.top + 2, 0xB4B4B4},
        {"nothing right of the text box", text.m_body.right, text.m_body.top + 2, gdi::kWhite},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(at(row.x, row.y), row.colour) << row.catches;
}

} // namespace
