// The matrix route dialog on the offscreen platform, over a recording unit
// port: the cells show the table and a click moves a row's crosspoint, the
// keys that would end a dialog do nothing, the close box records one undo
// step, and the units hear of a click only while the sheet runs.
//
//   id 1  QLM-0808A input half   Send 2 (channel 9)  -> matrix In 2
//   id 3  QLM-0808A output half  Rece 3 (channel 2)  <- matrix Out 1
//   id 9  matrix "Stage" 4 x 4
#include <QColor>
#include <QImage>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device_editor/matrix_route_controller.h"
#include "device_editor/ui/matrix_route_dialog.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/text_fit.h"
#include "tests/device_editor/run_state_recorders.h"
#include "tests/device_editor/sheet_builder.h"
#include "tests/device_editor/sheet_undo_host.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/shipped_language.h"

namespace {

namespace de = device_editor;
namespace deui = device_editor::ui;
using Lines = std::vector<std::string>;
using Table = model::CDeviceMatrix::route_table_t;

const Table kOpened = {{{1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 1, 0, 0}}};

using Host = sheet_test::CSheetUndoHost;

class MatrixRouteDialog : public ::testing::Test {
protected:
    MatrixRouteDialog() {
        doc.OnNewDocument();
        AddUnit(1, 1, "00602b001122", 100);
        AddUnit(3, 2, "00602b003344", 400);
        doc.AddDevice(std::make_unique<model::CDeviceMatrix>(dc, 300, 400, 9, "M",
                                                             model::kModelMatrix, 4, 4));
        static_cast<model::CDeviceNy*>(doc.FindDevice(1, 1))->m_bundle1 = 7;
        EXPECT_TRUE(
            doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 1, {1, 1, 9}, {9, 0, 1}, true)));
        EXPECT_TRUE(
            doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 2, {9, 0, 4}, {3, 2, 2}, true)));
        matrix().m_name = "Stage";
        matrix().m_routes = kOpened;
        doc.SetModifiedFlag(false);
        port.SetOnline("00602b001122", {1, "192.168.1.11"});
        port.SetOnline("00602b003344", {1, "192.168.1.13"});
    }

    void AddUnit(int id, int subType, const char* mac, int x) {
        auto unit = std::make_unique<model::CDeviceNy>(dc, x, 100, id, 4, subType);
        unit->m_mac = mac;
        doc.AddDevice(std::move(unit));
    }
    model::CDeviceMatrix& matrix() {
        return static_cast<model::CDeviceMatrix&>(*doc.FindDevice(9, 0));
    }

    std::unique_ptr<deui::CDeviceDlgMatrixProperty> Open() {
        auto dialog = std::make_unique<deui::CDeviceDlgMatrixProperty>(doc, matrix(), port,
                                                                       de::SheetLock{}, nullptr);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get(), 5000));
        return dialog;
    }

    // The table as the cells show it.
    static Table Shown(const deui::CDeviceDlgMatrixProperty& dialog) {
        Table shown{};
        for (int output = 0; output < 4; ++output)
            for (int input = 0; input < 4; ++input)
                shown[output][input] = dialog.Cell(output, input)->GetState();
        return shown;
    }

    // A click reaches the dialog from the event loop.
    static void Click(deui::CDeviceDlgMatrixProperty& dialog, int output, int input,
                      const Table& expected) {
        QTest::mouseClick(dialog.Cell(output, input), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Shown(dialog) == expected; }, 5000))
            << "cell (" << output << ", " << input << ")";
    }

    platform::gdi::FixedWidthMeasurer dc;
    de::CZoDeviceDoc doc;
    Host host{doc};
    run_state_test::CRecordingPort port;
    model::CRecordingMessages messages;
};

TEST_F(MatrixRouteDialog, CellsShowTheTableAndAClickMovesTheRowsCrosspoint) {
    auto dialog = Open();
    EXPECT_TRUE(dialog->windowTitle().endsWith("(Stage)")) << dialog->windowTitle().toStdString();
    EXPECT_EQ(Shown(*dialog), kOpened);

    Table expected = kOpened;
    expected[0] = {0, 1, 0, 0};
    Click(*dialog, 0, 1, expected);
    expected[0] = {0, 0, 0, 1};
    Click(*dialog, 0, 3, expected);
    EXPECT_EQ(matrix().m_routes, expected);
    // A set cell clears and the row stays empty.
    expected[3] = {0, 0, 0, 0};
    Click(*dialog, 3, 1, expected);
    EXPECT_EQ(matrix().m_routes, expected);

    // Nothing is stored before the dialog closes, and outside the run state
    // the units hear nothing.
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(port.EventsWith("send").empty());
    EXPECT_TRUE(port.Lines().empty());
}

TEST_F(MatrixRouteDialog, ARoutedCellLooksDifferentFromAnUnroutedOne) {
    auto dialog = Open();
    // The middle of a cell is the plug of its route picture.
    const auto middle = [&](int output, int input) {
        shell::ui::CMyButton* cell = dialog->Cell(output, input);
        return cell->grab().toImage().pixelColor(cell->width() / 2, cell->height() / 2);
    };
    const QColor routed = middle(0, 0);
    const QColor unrouted = middle(0, 1);
    EXPECT_NE(routed, unrouted);
    // A green plug in the one, an empty dark socket in the other.
    EXPECT_GT(routed.green(), 100) << routed.name().toStdString();
    EXPECT_LT(routed.red(), 60) << routed.name().toStdString();
    EXPECT_LT(unrouted.green(), 60) << unrouted.name().toStdString();

    // After a click the picture follows the table.
    Table expected = kOpened;
    expected[0] = {0, 1, 0, 0};
    Click(*dialog, 0, 1, expected);
    EXPECT_EQ(middle(0, 1), routed);
    EXPECT_EQ(middle(0, 0), unrouted);
}

TEST_F(MatrixRouteDialog, OnlyTheCloseBoxEndsItWithOneUndoStep) {
    model::CUndoHistory& history = *doc.GetUndoHistory();
    const std::size_t steps = history.GetStepCount();
    deui::CDeviceDlgMatrixProperty dialog(doc, matrix(), port, {}, nullptr);
    bool clicked = false;
    bool escapeKeptIt = false;
    bool enterKeptIt = false;
    QTimer::singleShot(0, &dialog, [&] {
        QTest::mouseClick(dialog.Cell(2, 3), Qt::LeftButton);
        clicked = QTest::qWaitFor([&] { return dialog.Cell(2, 3)->GetState() == 1; }, 5000);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(dialog.Cell(2, 3), Qt::Key_Escape);
        escapeKeptIt = dialog.isVisible();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QTest::keyClick(dialog.Cell(2, 3), Qt::Key_Enter);
        enterKeptIt = dialog.isVisible();
        dialog.close();
    });
    // Only a dialog that never ends would meet this.
    QTimer::singleShot(20000, &dialog, [&] { dialog.done(77); });
    EXPECT_NE(dialog.exec(), 77);
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(escapeKeptIt);
    EXPECT_TRUE(enterKeptIt);
    EXPECT_FALSE(dialog.isVisible());

    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(history.GetStepCount(), steps + 1);
    // Ending it again records nothing more.
    dialog.close();
    dialog.reject();
    EXPECT_EQ(history.GetStepCount(), steps + 1);

    Table changed = kOpened;
    changed[2] = {0, 0, 0, 1};
    EXPECT_EQ(matrix().m_routes, changed);
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(matrix().m_routes, kOpened);
}

TEST_F(MatrixRouteDialog, TheUnitsHearOfAClickOnlyWhileTheSheetRuns) {
    const struct {
        bool running;
        Lines sent;
    } cases[] = {
        {false, {}},
        {true, {"send 192.168.1.13 ROUTE33441122030211003007"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.running);
        matrix().m_routes = kOpened;
        port.Clear();
        port.SetRunning(c.running);
        auto dialog = Open();
        Table expected = kOpened;
        expected[0] = {0, 1, 0, 0};
        Click(*dialog, 0, 1, expected);
        EXPECT_EQ(port.EventsWith("send"), c.sent);
        EXPECT_EQ(port.Lines().size(), c.sent.size());
    }
}

// The caption names the matrix after the dialog's title; in either shipped
// language the window is wide enough for a title bar to show it whole.
TEST_F(MatrixRouteDialog, TheCaptionFitsTheWindowInEitherLanguage) {
    for (const char* pack : {"rcEng", "rcChs"}) {
        SCOPED_TRACE(pack);
        const test_support::ScopedShippedLanguage language(pack);
        auto dialog = Open();
        EXPECT_TRUE(
            dialog->windowTitle().endsWith(QString::fromStdString("(" + matrix().m_name + ")")));
        EXPECT_GE(dialog->width(), shell::ui::CaptionWidth(*dialog, dialog->windowTitle()));
    }
}

} // namespace
