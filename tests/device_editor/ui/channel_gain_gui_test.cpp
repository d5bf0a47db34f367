// The channel gain dialog on the offscreen platform, over a recording unit
// port and a unit file in a temporary program folder: the columns drawn from
// the stored steps, a gain button and a phantom bar clicked on an online
// unit, the width and scroll bar by model, F5, and the end of the dialog
// recording an offline change.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device_editor/ui/channel_gain_dialog.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_chnl.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "resources/message_ids.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/volume_bar_widget.h"
#include "tests/device_editor/run_state_recorders.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/temp_dir.h"

namespace {

namespace de = device_editor;
namespace deui = device_editor::ui;
namespace fs = std::filesystem;
using model::EMessageAnswer;

constexpr const char* kMac = "00602b123456";
constexpr const char* kUnitIp = "192.168.1.5";
constexpr int kRow24dB = 7;

// Runs the event loop until `done` holds; false after five seconds. (The
// QTRY macros only return from the test body when they fail: gtest never
// hears of it.)
bool Eventually(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 5000);
}

// Shows the widget and waits until it is the active window.
void ShowActive(QWidget& widget) {
    widget.show();
    widget.activateWindow();
    QApplication::setActiveWindow(&widget);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&widget, 5000));
}

class ChannelGainDialog : public ::testing::Test {
protected:
    ChannelGainDialog() { doc.OnNewDocument(); }

    // A unit (both halves of a two-half model) with the test MAC and a unit
    // file that makes `adjustable` inputs (1-based) microphone inputs.
    model::CBaseDevice& AddUnit(int model, const std::vector<int>& adjustable) {
        doc.AddDevice(std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, model, 1));
        if (model::IsTwoHalfModel(model))
            doc.AddDevice(std::make_unique<model::CDeviceNy>(dc, 300, 100, 1, model, 2));
        for (const auto& device : doc.Devices())
            device->m_mac = kMac;
        std::string file = "[InChannelProperty]\n";
        for (const int input : adjustable)
            file += "InChannel" + std::to_string(input) + "=3\n";
        fs::create_directories(home.path() / "Configuration");
        std::ofstream(home.path() / "Configuration" / (std::string(kMac) + ".ini")) << file;
        doc.SetModifiedFlag(false);
        return *doc.GetDevice(0);
    }
    static model::CDeviceChnl& Channel(model::CBaseDevice& unit, int index) {
        return *model::AsDeviceChnl(unit.m_channels[index]);
    }
    std::unique_ptr<deui::CDeviceDlgChnlGain> Open(model::CBaseDevice& unit) {
        return std::make_unique<deui::CDeviceDlgChnlGain>(doc, unit, port, home.path(),
                                                          de::SheetLock{}, nullptr);
    }

    test_support::CTempDir home{"ostrel-gain"};
    platform::gdi::FixedWidthMeasurer dc;
    de::CZoDeviceDoc doc;
    run_state_test::CRecordingPort port;
    model::CRecordingMessages messages;
};

TEST_F(ChannelGainDialog, ColumnsShowTheStoredStepsAndClicksReachAnOnlineUnit) {
    model::CBaseDevice& unit = AddUnit(4, {3});
    unit.m_name = "Stage";
    Channel(unit, 2).m_gainStep = 2;
    Channel(unit, 2).m_phantomPower = 1;
    unit.m_flag = 1;
    port.SetOnline(kMac, {1, kUnitIp});
    auto dialog = Open(unit);
    ShowActive(*dialog);

    EXPECT_TRUE(dialog->windowTitle().endsWith("(Stage)")) << dialog->windowTitle().toStdString();
    EXPECT_EQ(dialog->AddressLabel()->text().toStdString(), std::string("IP: ") + kUnitIp);
    EXPECT_EQ(dialog->ColumnLabel(2)->text(), "In 3");
    EXPECT_EQ(dialog->Button(2, 0)->text(), "+66 dB");
    EXPECT_EQ(dialog->Button(2, kRow24dB)->text(), "+24 dB");
    EXPECT_EQ(dialog->Button(2, 11)->text(), "0 dB");
    EXPECT_EQ(shell::ui::ControlIdOf(dialog->Button(2, 5)), 1014 + 24 + 5);
    EXPECT_EQ(shell::ui::ControlIdOf(dialog->PhantomBar(2)), 1278);
    for (int row = 0; row < deui::CDeviceDlgChnlGain::kRows; ++row)
        EXPECT_EQ(dialog->Button(2, row)->GetState(), row == 9 ? 1 : 0) << row; // +12 dB
    EXPECT_TRUE(dialog->Button(2, 0)->isEnabled());
    EXPECT_EQ(dialog->PhantomBar(2)->Bar().Pos(), 1);
    // Inputs the unit file does not make microphone inputs cannot be set.
    EXPECT_FALSE(dialog->Button(1, 0)->isEnabled());
    EXPECT_FALSE(dialog->PhantomBar(1)->isEnabled());
    EXPECT_EQ(dialog->PhantomBar(1)->Bar().Pos(), 0);

    messages.ScriptAnswer(resources::kMsgGainQuestion, EMessageAnswer::Yes);
    QTest::mouseClick(dialog->Button(2, kRow24dB), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return port.EventsWith("SETVO").size() == 1u; }));
    EXPECT_EQ(port.EventsWith("SETVO")[0], std::string("send ") + kUnitIp + " SETVO03036");
    EXPECT_EQ(dialog->Button(2, kRow24dB)->GetState(), 1);
    EXPECT_EQ(dialog->Button(2, 9)->GetState(), 0);

    // The bar is a switch: phantom power goes off without a question.
    QTest::mouseClick(dialog->PhantomBar(2), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return port.EventsWith("SETVO").size() == 2u; }));
    EXPECT_EQ(port.EventsWith("SETVO")[1], std::string("send ") + kUnitIp + " SETVO03004");
    EXPECT_EQ(dialog->PhantomBar(2)->Bar().Pos(), 0);
    EXPECT_EQ(messages.AskedIds(), std::vector<int>{resources::kMsgGainQuestion});

    // A failed send shows the stored step again.
    port.Reply("SETVO", {std::nullopt});
    QTest::mouseClick(dialog->Button(2, 0), Qt::LeftButton);
    ASSERT_TRUE(Eventually([&] { return port.EventsWith("SETVO").size() == 3u; }));
    EXPECT_EQ(dialog->Button(2, 0)->GetState(), 0);
    EXPECT_EQ(dialog->Button(2, kRow24dB)->GetState(), 1);

    // The background behind the address line is the dialog's own colour.
    const QImage picture = dialog->grab().toImage();
    EXPECT_EQ(picture.pixelColor(2, 2), QColor(0xD4, 0xD0, 0xC8));
}

TEST_F(ChannelGainDialog, WidthAndScrollBarFollowTheModel) {
    const struct {
        int model;
        int visibleColumns;
        int scrollMax;
    } cases[] = {{4, 8, 0}, {5, 8, 8}, {7, 4, 0}, {8, 8, 4}, {9, 2, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        de::CZoDeviceDoc sheet;
        sheet.OnNewDocument();
        auto unit = std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, c.model, 1);
        unit->m_mac = kMac;
        deui::CDeviceDlgChnlGain dialog(sheet, *unit, port, home.path(), {}, nullptr);
        dialog.show();
        const int last = c.visibleColumns - 1;
        EXPECT_LE(dialog.Button(last, 0)->geometry().right(), dialog.width());
        if (c.visibleColumns < deui::CDeviceDlgChnlGain::kColumns) {
            EXPECT_GE(dialog.Button(c.visibleColumns, 0)->x(), dialog.width());
        }
        EXPECT_EQ(dialog.ScrollBar()->isVisible(), c.scrollMax > 0);
        EXPECT_EQ(dialog.ScrollBar()->maximum(), c.scrollMax);
        // Without scrolling the dialog ends above the scroll bar.
        EXPECT_EQ(dialog.ScrollBar()->geometry().bottom() < dialog.height(), c.scrollMax > 0);
    }
}

TEST_F(ChannelGainDialog, TheScrollBarMovesTheColumnsOverTheInputs) {
    model::CBaseDevice& unit = AddUnit(5, {2, 16});
    Channel(unit, 15).m_phantomPower = 1;
    auto dialog = Open(unit);
    ShowActive(*dialog);
    QScrollBar* bar = dialog->ScrollBar();
    EXPECT_EQ(dialog->ColumnLabel(0)->text(), "In 1");
    EXPECT_FALSE(dialog->Button(0, 0)->isEnabled());
    EXPECT_TRUE(dialog->Button(1, 0)->isEnabled());

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(dialog->ColumnLabel(0)->text(), "In 2");
    EXPECT_TRUE(dialog->Button(0, 0)->isEnabled());
    EXPECT_FALSE(dialog->Button(1, 0)->isEnabled());

    // A page is eight inputs, held at the end of the range.
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), 8);
    EXPECT_EQ(dialog->ColumnLabel(0)->text(), "In 9");
    EXPECT_EQ(dialog->ColumnLabel(7)->text(), "In 16");
    EXPECT_EQ(dialog->PhantomBar(7)->Bar().Pos(), 1);
    EXPECT_EQ(dialog->Controller().ScrollPos(), 8);

    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar->value(), 0);
    bar->setSliderPosition(3); // the thumb dragged
    EXPECT_EQ(dialog->Controller().ScrollPos(), 3);
    EXPECT_EQ(dialog->ColumnLabel(0)->text(), "In 4");
    EXPECT_EQ(dialog->PhantomBar(7)->Bar().Pos(), 0);
}

TEST_F(ChannelGainDialog, F5GoesNoFurther) {
    model::CBaseDevice& unit = AddUnit(4, {1});
    auto dialog = Open(unit);
    ShowActive(*dialog);
    for (const QEvent::Type type : {QEvent::ShortcutOverride, QEvent::KeyPress}) {
        QKeyEvent f5(type, Qt::Key_F5, Qt::NoModifier);
        f5.ignore();
        QApplication::sendEvent(dialog->Button(0, 0), &f5);
        EXPECT_TRUE(f5.isAccepted()) << type;
    }
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ChannelGainDialog, EveryEndRecordsAnOfflineChangeOnce) {
    const std::pair<const char*, std::function<void(QDialog&)>> ends[] = {
        {"escape", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](QDialog& d) { d.close(); }},
        {"accept", [](QDialog& d) { d.accept(); }},
    };
    for (const auto& [name, end] : ends) {
        SCOPED_TRACE(name);
        de::CZoDeviceDoc sheet;
        sheet.OnNewDocument();
        auto unit = std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, 4, 1);
        unit->m_mac = kMac;
        model::CBaseDevice& device = *unit;
        sheet.AddDevice(std::move(unit));
        fs::create_directories(home.path() / "Configuration");
        std::ofstream(home.path() / "Configuration" / (std::string(kMac) + ".ini"))
            << "[InChannelProperty]\nInChannel1=3\n";
        sheet.SetModifiedFlag(false);
        const std::size_t steps = sheet.GetUndoHistory()->GetStepCount();

        deui::CDeviceDlgChnlGain dialog(sheet, device, port, home.path(), {}, nullptr);
        ShowActive(dialog);
        QTest::mouseClick(dialog.Button(0, 0), Qt::LeftButton);
        ASSERT_TRUE(Eventually([&] { return dialog.Button(0, 0)->GetState() == 1; }));
        EXPECT_EQ(Channel(device, 0).m_gainStep, 11);
        EXPECT_FALSE(sheet.IsModified());

        end(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(sheet.IsModified());
        EXPECT_EQ(sheet.GetUndoHistory()->GetStepCount(), steps + 1);
        // A click still queued when the dialog ended changes nothing more.
        emit dialog.Button(0, 5)->Command(1019, 0, dialog.Button(0, 5));
        EXPECT_EQ(Channel(device, 0).m_gainStep, 11);
    }
    EXPECT_TRUE(port.EventsWith("send").empty());
}

} // namespace
