// The monitored amplifier's status window and limits dialog on a sheet, on
// the offscreen platform: the poller's notifications reaching the window
// through the handle the document keeps, the bars and value fields, the
// sleep switch, the blinking alarm field, the gain box and slider, the
// limits dialog's refusals and storing, and the handle's lifetime against
// the window's parent.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device_editor/amplifier_limits_controller.h"
#include "device_editor/amplifier_monitor_controller.h"
#include "device_editor/run_state.h"
#include "device_editor/ui/amplifier_monitor_dialog.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/device_qovg.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "resources/message_ids.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/my_slider.h"
#include "shell/ui/volume_bar_widget.h"
#include "tests/device_editor/sheet_undo_host.h"
#include "tests/shell/ui/gui_app.h"

namespace {

namespace de = device_editor;
namespace deui = device_editor::ui;
using Dialog = deui::CDeviceDlgQOVGProperty;
using Limits = deui::CDeviceDlgQOVGSetAttri;

constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kGrey = 0xD4D0C8; // 0xC8D0D4 as Qt reads pixels

using Host = sheet_test::CSheetUndoHost;

// Waits are QTest::qWaitFor under an assertion: the QTRY_ macros report to
// a QTest run, which gtest never sees.

// A value field's colour away from its text.
QRgb FieldColour(QLabel* field) {
    return field->grab().toImage().pixel(4, 4) & 0xFFFFFF;
}

void Notify(de::IDeviceStatusWindow& window, int code) {
    // As the run state delivers it: by name, on whatever the document keeps.
    auto* target = dynamic_cast<QObject*>(&window);
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(target, "appNotify", Q_ARG(int, code)));
}

class AmplifierDialogsGui : public ::testing::Test {
protected:
    AmplifierDialogsGui() {
        doc.OnNewDocument();
        auto made = std::make_unique<model::CDeviceQOVG>(dc, 100, 100, 2, model::kModelQOVG, 2);
        made->m_mac = "00602b00a1b2";
        doc.AddDevice(std::move(made));
        doc.SetModifiedFlag(false);
    }
    model::CDeviceQOVG& unit() { return static_cast<model::CDeviceQOVG&>(*doc.FindDevice(2, 2)); }
    // Opens the status window under `parent` as the document would.
    std::unique_ptr<de::IDeviceStatusWindow> Open(QWidget* parent = nullptr) {
        auto window =
            deui::MakeAmplifierStatusWindow(doc, unit(), {}, parent, [this] { ++closed; });
        Dialog* dialog = DialogOf(*window);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        return window;
    }
    static Dialog* DialogOf(de::IDeviceStatusWindow& window) {
        return static_cast<deui::CAmplifierStatusWindow&>(window).Dialog();
    }

    platform::gdi::FixedWidthMeasurer dc;
    de::CZoDeviceDoc doc;
    Host host{doc};
    model::CRecordingMessages messages;
    int closed = 0;
};

// --- the status window --------------------------------------------------------------

TEST_F(AmplifierDialogsGui, NewReadingsMoveTheBarsAndFillTheFields) {
    unit().m_alarmLower[5] = 136;
    unit().m_alarmUpper[5] = 869;
    auto window = Open();
    Dialog* dialog = DialogOf(*window);
    EXPECT_EQ(window->DeviceId(), 2);
    EXPECT_EQ(window->DeviceSubType(), 2);
    EXPECT_EQ(dialog->windowTitle().toStdString(), dialog->Controller().Title());
    EXPECT_EQ(unit().m_queryRequests[0], 1) << "the sleep state is asked for";
    EXPECT_EQ(dialog->CaptionText(0)->text(), "电流(安)");
    EXPECT_TRUE(dialog->ScaleText(0).startsWith("15.0\n\n12.8"));
    const auto& current = dialog->Bar(Dialog::kCurrentBar)->Bar();
    EXPECT_EQ(current.Maximum(), 1024);
    EXPECT_EQ(current.Marker1(), 869);
    EXPECT_EQ(current.Marker2(), 136);
    EXPECT_EQ(dialog->Bar(Dialog::kLeftVolumeBar)->Bar().Maximum(), 1210);
    EXPECT_EQ(dialog->Bar(Dialog::kLeftVolumeBar)->Bar().Marker1(), 1000);
    // Nothing read yet: unknown readings, empty fields.
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(dialog->ValueField(k)->text(), "") << k;

    unit().m_analogSamples = {-1, -1, -1, -1, -1, 825, -1, 500};
    unit().m_rawDisplay[7] = 1;
    unit().m_leftVolume = -100.0f;
    unit().m_rightVolume = 21.0f;
    Notify(*window, de::kNotifyStatusReadings);
    EXPECT_EQ(dialog->ValueField(0)->text(), "12.1");
    EXPECT_EQ(dialog->ValueField(1)->text(), "") << "an unknown voltage stays empty";
    EXPECT_EQ(dialog->ValueField(2)->text(), "500") << "raw display";
    EXPECT_EQ(current.Pos(), 864);
    EXPECT_EQ(dialog->Bar(Dialog::kVoltageBar)->Bar().Pos(), 1);
    EXPECT_EQ(dialog->Bar(Dialog::kTemperatureBar)->Bar().Pos(), 501);
    EXPECT_EQ(dialog->Bar(Dialog::kLeftVolumeBar)->Bar().Pos(), 1);
    EXPECT_EQ(dialog->Bar(Dialog::kRightVolumeBar)->Bar().Pos(), 1210) << "1211 held in range";
    EXPECT_EQ(dialog->VolumeText(0)->text(), "-100.0");
    EXPECT_EQ(dialog->VolumeText(1)->text(), "21.0");
}

TEST_F(AmplifierDialogsGui, TheSleepSwitchFollowsTheUnitAndAsksForAChange) {
    unit().m_digitalOutputLevels[0] = 0;
    auto window = Open();
    shell::ui::CMyButton* sleep = DialogOf(*window)->SleepButton();
    EXPECT_EQ(sleep->text(), "On");
    EXPECT_EQ(sleep->GetState(), 1);

    unit().m_digitalOutputLevels[0] = 1;
    Notify(*window, de::kNotifyStatusSleep);
    EXPECT_EQ(sleep->text(), "Off");
    EXPECT_EQ(sleep->GetState(), 0);

    QTest::mouseClick(sleep, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return unit().m_outputToggleRequests[0] == 1; }, 5000));
    EXPECT_EQ(sleep->text(), "On");
    EXPECT_EQ(sleep->GetState(), 1);
    EXPECT_FALSE(doc.IsModified()) << "a request, not a stored change";
}

TEST_F(AmplifierDialogsGui, AReadingOutsideItsLimitsBlinksRedWhileMonitored) {
    unit().m_flag = 1;
    unit().m_globalAlarm = 1;
    unit().m_alarmOn[5] = unit().m_alarmOn[6] = 1;
    unit().m_alarmLower[5] = 341;
    unit().m_alarmUpper[5] = 682;
    unit().m_analogSamples[5] = 700;
    unit().m_analogSamples[6] = -1; // unknown: never an alarm
    auto window = Open();
    Dialog* dialog = DialogOf(*window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return FieldColour(dialog->ValueField(0)) == kRed; }, 5000));
    EXPECT_EQ(FieldColour(dialog->ValueField(1)), kGrey);
    EXPECT_EQ(dialog->BlinkTimer().interval(), de::amplifier::kBlinkMs);

    // Global monitoring off: all grey, the timer slows down.
    unit().m_globalAlarm = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return dialog->BlinkTimer().interval() == de::amplifier::kIdleMs; }, 5000));
    EXPECT_EQ(FieldColour(dialog->ValueField(0)), kGrey);
}

TEST_F(AmplifierDialogsGui, TheGainBoxAndTheSliderStoreBothGains) {
    unit().m_leftGain = unit().m_rightGain = 0.0f;
    auto window = Open();
    Dialog* dialog = DialogOf(*window);
    QLineEdit* box = dialog->GainBox();
    shell::ui::CMySliderCtrl* slider = dialog->GainSlider();
    EXPECT_EQ(box->text(), "0.0");
    EXPECT_EQ(slider->GetPos(), 1);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));

    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "-6");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FLOAT_EQ(unit().m_leftGain, -6.0f);
    EXPECT_FLOAT_EQ(unit().m_rightGain, -6.0f);
    EXPECT_EQ(unit().m_gainSetRequest, 1);
    EXPECT_EQ(box->text(), "-6.0");
    EXPECT_EQ(slider->GetPos(), 61);
    EXPECT_TRUE(dialog->isVisible()) << "Enter stays in the box";
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(closed, 0);

    // An emptied box shows the gain again when it loses the focus.
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    slider->setFocus();
    EXPECT_EQ(box->text(), "-6.0");
    EXPECT_FLOAT_EQ(unit().m_leftGain, -6.0f);

    // One step down on the slider: the box follows, the end stores it.
    QTest::keyClick(slider, Qt::Key_Down);
    EXPECT_EQ(slider->GetPos(), 62);
    EXPECT_EQ(box->text(), "-6.1");
    EXPECT_FLOAT_EQ(unit().m_leftGain, -6.1f);
    EXPECT_FLOAT_EQ(unit().m_rightGain, -6.1f);
    ASSERT_TRUE(doc.GetUndoHistory()->Undo());
    EXPECT_FLOAT_EQ(unit().m_leftGain, -6.0f);
}

TEST_F(AmplifierDialogsGui, TheLimitsDialogOpensModallyAndItsAnswersReachIt) {
    auto window = Open();
    Dialog* dialog = DialogOf(*window);
    // Works the modal dialog from inside its loop, once it is open.
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, dialog, [&] {
        Limits* limits = dialog->LimitsDialog();
        if (limits == nullptr || !limits->isVisible())
            return;
        poll.stop();
        seen = true;
        EXPECT_EQ(limits->NameEdit(0)->text().toStdString(), unit().m_analogNames[5]);
        // The poller read the channels: the window passes 1047 on.
        unit().m_analogNames[5] = "amp current";
        Notify(*window, de::kNotifyChannelsRead);
        EXPECT_EQ(limits->NameEdit(0)->text(), "amp current");
        // The temperature shown raw: its scale is rebuilt after OK.
        limits->UnitBox(2)->setCurrentIndex(1);
        EXPECT_EQ(limits->Field(2, Limits::kScaleUpper)->text(), "1023");
        limits->accept();
        if (limits->isVisible())
            limits->reject();
    });
    poll.start(10);
    QTest::mouseClick(dialog->LimitsButton(), Qt::LeftButton);
    ASSERT_TRUE(seen);
    EXPECT_EQ(dialog->LimitsDialog(), nullptr);
    EXPECT_EQ(unit().m_rawDisplay[7], 1);
    EXPECT_TRUE(dialog->ScaleText(2).startsWith("1023\n\n"));
    EXPECT_TRUE(dialog->isVisible());
}

// --- the limits dialog ------------------------------------------------------------

TEST_F(AmplifierDialogsGui, TheLimitsDialogRefusesWithTheMessageAndStoresOnOk) {
    de::CAmplifierLimitsController controller(doc, unit());
    Limits limits(controller, nullptr);
    limits.show();
    limits.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&limits));
    EXPECT_EQ(limits.UnitBox(0)->count(), 2);
    EXPECT_EQ(limits.UnitBox(0)->currentIndex(), 0);
    EXPECT_EQ(limits.Field(0, Limits::kScaleUpper)->text(), "15.0");
    QPushButton* ok = limits.findChild<QPushButton*>("ok");

    const struct {
        int row;
        Limits::EField field;
        const char* typed;
        int message;
    } refusals[] = {
        {0, Limits::kScaleLower, "", resources::kMsgScaleLowerEmpty},
        {1, Limits::kAlarmUpper, "100.5", resources::kMsgAlarmUpperRange},
        {2, Limits::kAlarmUpper, "0", resources::kMsgAlarmOrder},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.message);
        QLineEdit* field = limits.Field(r.row, r.field);
        const QString was = field->text();
        field->setText(QString::fromUtf8(r.typed));
        const auto shown = messages.ShownIds().size();
        QTest::mouseClick(ok, Qt::LeftButton);
        ASSERT_EQ(messages.ShownIds().size(), shown + 1);
        EXPECT_EQ(messages.ShownIds().back(), r.message);
        EXPECT_TRUE(limits.isVisible());
        EXPECT_TRUE(field->hasFocus()) << "the failing field takes the focus";
        field->setText(was);
    }
    // Download refuses the same way and stores nothing.
    limits.Field(0, Limits::kScaleLower)->clear();
    QTest::mouseClick(limits.DownloadButton(), Qt::LeftButton);
    EXPECT_EQ(messages.ShownIds().back(), resources::kMsgScaleLowerEmpty);
    EXPECT_EQ(unit().m_analogRunFlags1[5], 0);
    limits.Field(0, Limits::kScaleLower)->setText("0.0");

    limits.NameEdit(1)->clear();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(messages.ShownIds().back(), resources::kMsgChannelNameEmpty);
    EXPECT_TRUE(limits.NameEdit(1)->hasFocus());
    limits.NameEdit(1)->setText("volts");

    EXPECT_FALSE(doc.IsModified());
    limits.Field(0, Limits::kAlarmUpper)->setText("12.1");
    limits.AlarmBox(1)->setChecked(false);
    limits.GlobalBox()->setChecked(true);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(limits.result(), QDialog::Accepted);
    EXPECT_FALSE(limits.isVisible());
    EXPECT_EQ(unit().m_alarmUpper[5], 825);
    EXPECT_EQ(unit().m_alarmOn[6], 0);
    EXPECT_EQ(unit().m_globalAlarm, 1);
    EXPECT_EQ(unit().m_analogNames[6], "volts");
    EXPECT_TRUE(doc.IsModified());
}

// --- the handle the document keeps ------------------------------------------------

TEST_F(AmplifierDialogsGui, DestroyingTheHandleDeletesTheWindowWithoutClosingIt) {
    auto window = Open();
    QPointer<Dialog> dialog = DialogOf(*window);
    window.reset();
    EXPECT_FALSE(dialog->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(closed, 0) << "the document let it go: no closing to report";
}

TEST_F(AmplifierDialogsGui, AWindowGoneWithItsParentLeavesTheHandleHarmless) {
    auto parent = std::make_unique<QWidget>();
    auto window = Open(parent.get());
    QPointer<Dialog> dialog = DialogOf(*window);
    parent.reset();
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(DialogOf(*window), nullptr);
    Notify(*window, de::kNotifyStatusReadings); // reaches nothing
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closed, 0);
}

TEST_F(AmplifierDialogsGui, ClosingTellsTheOwnerOnceAndTheOwnerMayDropTheHandle) {
    std::unique_ptr<de::IDeviceStatusWindow> window;
    int dropped = 0;
    window = deui::MakeAmplifierStatusWindow(doc, unit(), {}, nullptr, [&] {
        ++dropped;
        window.reset(); // as the document removes it
    });
    QPointer<Dialog> dialog = DialogOf(*window);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_EQ(dropped, 1);
    EXPECT_EQ(window, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());

    // OK closes the same way.
    window = deui::MakeAmplifierStatusWindow(doc, unit(), {}, nullptr, [&] {
        ++dropped;
        window.reset();
    });
    dialog = DialogOf(*window);
    dialog->show();
    QTest::mouseClick(dialog->findChild<QPushButton*>("ok"), Qt::LeftButton);
    EXPECT_EQ(dropped, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

} // namespace
