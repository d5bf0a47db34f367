// The unit dialogs as a device sheet window opens them: a double click on a
// monitored amplifier shows its status window below the unit (the same one
// again on the second double click), closing it or deleting the unit takes
// it from the document; the channel gain command opens the gain dialog of
// the unit; a double click on a matrix opens its route dialog.
#include "device_editor/ui/device_windows.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "device_editor/sheet_commands.h"
#include "device_editor/ui/amplifier_monitor_dialog.h"
#include "device_editor/ui/channel_gain_dialog.h"
#include "device_editor/ui/matrix_route_dialog.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "shell/ui/my_button_widget.h"
#include "tests/device_editor/ui/sheet_window_fixture.h"

namespace {

namespace de = device_editor;

using gui_test::WaitFor;

class UnitDialogsGui : public sheet_window_test::CSheetWindowTest {
protected:
    UnitDialogsGui() : CSheetWindowTest("ostrel-unit-dialogs") {}

    void Click(const model::CBaseDevice& device) {
        const model::Point c = device.m_body.CenterPoint();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(c.x, c.y));
    }
    void DoubleClick(const model::CBaseDevice& device) {
        const model::Point c = device.m_body.CenterPoint();
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(c.x, c.y));
    }
    de::ui::CDeviceDlgQOVGProperty* StatusDialog(std::int32_t id, std::int32_t subType) {
        auto* handle =
            dynamic_cast<de::ui::CAmplifierStatusWindow*>(Doc().FindStatusWindow(id, subType));
        return handle != nullptr ? handle->Dialog() : nullptr;
    }
};

TEST_F(UnitDialogsGui, AnAmplifiersStatusWindowOpensOnceBelowItAndGoesWithIt) {
    auto amp = std::make_unique<model::CDeviceQOVG>(measurer, 200, 20, 2, model::kModelQOVG, 2);
    amp->SetName("Amp", measurer);
    const model::Rect body = amp->m_body;
    Doc().AddDevice(std::move(amp));
    const model::CBaseDevice& unit = *Doc().FindDevice(2, 2);

    DoubleClick(unit);
    QPointer<de::ui::CDeviceDlgQOVGProperty> dialog = StatusDialog(2, 2);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitFor([&] { return dialog->isVisible(); }));
    EXPECT_EQ(Doc().GetStatusWindowCount(), 1);
    // Its left edge under the body's, pulled up only as far as the view
    // needs to show all of it.
    const QPoint origin = view->viewport()->mapToGlobal(QPoint(0, 0));
    const QRect placed = dialog->frameGeometry().translated(-origin);
    EXPECT_EQ(placed.left(), body.left);
    EXPECT_EQ(placed.top(),
              std::min(body.bottom, view->viewport()->height() - placed.height()));

    // The second double click shows the same window.
    DoubleClick(unit);
    EXPECT_EQ(StatusDialog(2, 2), dialog.data());
    EXPECT_EQ(Doc().GetStatusWindowCount(), 1);

    // Closed by the operator, the document lets it go.
    dialog->close();
    EXPECT_EQ(Doc().GetStatusWindowCount(), 0);
    ASSERT_TRUE(WaitFor([&] { return dialog.isNull(); }));

    // Opened again, deleting the unit closes it.
    DoubleClick(unit);
    dialog = StatusDialog(2, 2);
    ASSERT_NE(dialog, nullptr);
    // (The status window is the active window now: the command goes to the
    // sheet's window as the main window would route it.)
    Click(unit);
    ASSERT_TRUE(window->OnCommand(de::kCmdDelete));
    EXPECT_EQ(Doc().FindDevice(2, 2), nullptr);
    EXPECT_EQ(Doc().GetStatusWindowCount(), 0);
    EXPECT_TRUE(WaitFor([&] { return dialog.isNull(); }));
}

TEST_F(UnitDialogsGui, AStatusWindowNearTheEdgeStaysInTheView) {
    const int right = view->viewport()->width();
    auto amp = std::make_unique<model::CDeviceQOVG>(measurer, right - 40, 150, 3,
                                                    model::kModelQOVG, 2);
    amp->SetName("Edge", measurer);
    Doc().AddDevice(std::move(amp));
    DoubleClick(*Doc().FindDevice(3, 2));
    QPointer<de::ui::CDeviceDlgQOVGProperty> dialog = StatusDialog(3, 2);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitFor([&] { return dialog->isVisible(); }));
    const QRect client(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size());
    EXPECT_TRUE(client.contains(dialog->frameGeometry()))
        << dialog->frameGeometry().x() << "," << dialog->frameGeometry().y() << " "
        << dialog->frameGeometry().width() << "x" << dialog->frameGeometry().height() << " in "
        << client.x() << "," << client.y() << " " << client.width() << "x" << client.height();
}

TEST_F(UnitDialogsGui, TheChannelGainCommandOpensTheUnitsGainDialog) {
    auto stage = std::make_unique<model::CDeviceNy>(measurer, 300, 300, 1, 4, 1);
    stage->SetName("Stage", measurer);
    Doc().AddDevice(std::move(stage));
    Click(*Doc().FindDevice(1, 1));

    QString caption;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<de::ui::CDeviceDlgChnlGain*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        caption = dialog->windowTitle();
        dialog->reject();
    });
    frame->RunCommand(de::kCmdChannelGain);
    EXPECT_TRUE(caption.endsWith("(Stage)")) << caption.toStdString();
}

TEST_F(UnitDialogsGui, ADoubleClickOnAMatrixOpensItsRouteDialog) {
    Doc().AddDevice(std::make_unique<model::CDeviceMatrix>(measurer, 300, 200, 5, "M",
                                                           model::kModelMatrix, 4, 4));
    model::CBaseDevice& matrix = *Doc().GetDevice(0);
    matrix.m_name = "Hall";

    QString caption;
    bool routed = false;
    QTimer::singleShot(0, [&] {
        auto* dialog =
            qobject_cast<de::ui::CDeviceDlgMatrixProperty*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        caption = dialog->windowTitle();
        QTest::mouseClick(dialog->Cell(1, 2), Qt::LeftButton);
        routed = WaitFor([&] { return dialog->Controller().IsOn(1, 2); });
        dialog->close();
    });
    DoubleClick(matrix);
    EXPECT_TRUE(caption.endsWith("(Hall)")) << caption.toStdString();
    EXPECT_TRUE(routed);
    EXPECT_TRUE(Doc().IsModified());
}

} // namespace
