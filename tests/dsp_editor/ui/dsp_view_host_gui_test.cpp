// The DSP view's window in the main window, assembled as the program
// assembles it (the DSP document kind and the attribute dialogs registered),
// on the offscreen platform: modules dragged out of the DSP palette and
// dropped with real drag-and-drop events land where they are dropped, at
// 150 % and scrolled, and nothing lands while the sheet runs live; an
// attribute dialog opens under its module and inside the view, activating
// it activates its view's frame, and losing the activation while another
// view is active hides it.
#include "dsp_editor/ui/dsp_windows.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "attri_dialogs/ui/attri_base_dialog.h"
#include "attri_dialogs/ui/attri_dialog_registry.h"
#include "dsp_editor/module_dialogs.h"
#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/ui/dsp_view_widget.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"
#include "shell/ui/palette_bar.h"
#include "tests/dsp_editor/dsp_test_support.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/temp_dir.h"

namespace {

namespace de = dsp_editor;
namespace fs = std::filesystem;
using Gesture = de::CDspGestures::EGesture;

// A unit that is never on line: the view's sender waits idle.
class CNoUnit final : public comm::ISenderComponents {
public:
    bool Create() override { return true; }
    void Release() override {}
    std::optional<std::string> FindUnit(const std::string&) override { return std::nullopt; }
    std::unique_ptr<comm::IUnitMailbox> Mailbox(const std::string&) override { return nullptr; }
};

// The scroll position every test views its sheet from, at zoom code 2.
constexpr QPoint kScroll(150, 90);

class DspViewHostGui : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("OSTREL_HOME", home.path().c_str(), 1);
        model::SetUiThread(&uiThread);
        frame = std::make_unique<shell::ui::CMainFrame>(home.path());
        dspFrame = de::ui::RegisterDspWindows(*frame);
        dspFrame->makeSenderComponents = [] { return std::make_unique<CNoUnit>(); };
        attri_dialogs::ui::RegisterAttriDialogs(de::AttriDialogFactory());
        ASSERT_TRUE(frame->CreateMainWindow());
        frame->resize(1280, 960);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    void TearDown() override {
        frame.reset();
        dspFrame.reset();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
    }

    // Opens a sheet stored at zoom code 2 (150 %) in a child frame of a
    // fixed size, scrolled to kScroll.
    de::ui::CDspWindow* OpenSheet(const std::string& name) {
        dsp_test::FakeFrame sheetFrame;
        auto doc = dsp_test::NewDocument(sheetFrame);
        doc->m_zoom = 2;
        const fs::path path = home.path() / name;
        platform::archive::write_file_atomic(path, doc->SaveDocument());
        if (!frame->OpenDocument(path.string()))
            return nullptr;
        de::ui::CDspWindow* window = dspFrame->ActiveWindow();
        if (window == nullptr)
            return nullptr;
        frame->ActiveChildFrame()->resize(720, 560);
        QApplication::processEvents();
        de::ui::CZoDSPViewWidget& widget = *window->Widget();
        widget.horizontalScrollBar()->setValue(kScroll.x());
        widget.verticalScrollBar()->setValue(kScroll.y());
        return window;
    }

    // The DSP palette's drag of a row of a page, as the palette makes it
    // when the user starts dragging.
    std::unique_ptr<QDrag> PaletteDrag(int page, int row) {
        shell::ui::CPaletteBar& palette = *frame->DspPalette();
        palette.SelectPage(page);
        return palette.MakeDrag(row);
    }

    // The drag's enter, one move and its drop at the client point, each sent
    // to the viewport; whether the move and the drop were taken.
    struct Delivery {
        bool moveTaken = false;
        bool dropTaken = false;
    };
    static Delivery DeliverDrop(QWidget* viewport, const QMimeData* mime, QPoint at) {
        const QPoint entry(at.x() / 2, at.y() / 2);
        QDragEnterEvent enter(entry, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QDropEvent drop(at, Qt::CopyAction, mime, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        return {move.isAccepted(), drop.isAccepted()};
    }

    test_support::CTempDir home{"ostrel-dsp-view-host"};
    shell::ui::CQtUiThread uiThread;
    model::CRecordingMessages messages;
    std::unique_ptr<shell::ui::CMainFrame> frame;
    std::unique_ptr<de::ui::CDspFrame> dspFrame;
};

// Three modules dragged from the palette land where they are dropped: the
// client point scrolled and shrunk to sheet units (pixels / 1.5, truncated)
// and put on the 10-unit grid, each one undo step and selected alone.
TEST_F(DspViewHostGui, PaletteDropsLandWhereTheyAreDroppedOnTheGrid) {
    de::ui::CDspWindow* window = OpenSheet("unit.dsp");
    ASSERT_NE(window, nullptr);
    de::CZoDSPDoc& doc = window->Document();
    QWidget* viewport = window->Widget()->viewport();
    ASSERT_GE(viewport->width(), 400);
    ASSERT_GE(viewport->height(), 320);
    ASSERT_EQ(window->Widget()->ScrollPosition(), (model::Point{kScroll.x(), kScroll.y()}));
    const de::CDSPUndoHistory* history = de::UndoHistoryOf(doc);
    ASSERT_NE(history, nullptr);

    struct Row {
        const char* name;
        int page, row;
        QPoint client;
        std::int32_t type, variant;
        model::Point placed;
    };
    const Row rows[] = {
        // (25 + 150) / 1.5 = 116.7, (40 + 90) / 1.5 = 86.7
        {"delay 5 ms near the corner", 0, 0, {25, 40}, model::kAriDelay, 1, {110, 80}},
        // 358 / 1.5 = 238.7, 227 / 1.5 = 151.3
        {"compressor mid-view", 3, 1, {208, 137}, model::kAriDynamic, 2, {230, 150}},
        // 541 / 1.5 = 360.7, 395 / 1.5 = 263.3
        {"four-channel meter low right", 8, 2, {391, 305}, model::kAriMeter, 3, {360, 260}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t modules = doc.Modules().size();
        const std::size_t steps = history->UndoCount();
        const std::unique_ptr<QDrag> drag = PaletteDrag(row.page, row.row);
        ASSERT_NE(drag, nullptr) << "the palette refused the drag";
        const Delivery delivered = DeliverDrop(viewport, drag->mimeData(), row.client);
        EXPECT_TRUE(delivered.moveTaken);
        EXPECT_TRUE(delivered.dropTaken);
        ASSERT_EQ(doc.Modules().size(), modules + 1);
        const model::CBaseAriModule& placed = *doc.Modules()[doc.Modules().size() - 1];
        EXPECT_EQ(placed.m_typeCode, row.type);
        EXPECT_EQ(placed.m_subType, row.variant);
        EXPECT_EQ(placed.m_body.TopLeft(), row.placed);
        EXPECT_EQ(placed.m_selected, 1);
        EXPECT_EQ(history->UndoCount(), steps + 1);
        EXPECT_EQ(window->ViewLogic().Gestures().Gesture(), Gesture::Idle);
    }
    EXPECT_TRUE(messages.ShownIds().empty());
}

// While the sheet runs live the palette starts no drag, and a drag begun
// before it went live is refused over the sheet and adds nothing. A device
// palette's item is no module, and a drag that ended elsewhere leaves no
// placement pending in the view.
TEST_F(DspViewHostGui, NothingLandsWhileLiveNorFromTheDevicePalette) {
    de::ui::CDspWindow* window = OpenSheet("unit.dsp");
    ASSERT_NE(window, nullptr);
    de::CZoDSPDoc& doc = window->Document();
    QWidget* viewport = window->Widget()->viewport();
    const std::size_t modules = doc.Modules().size();

    const std::unique_ptr<QDrag> drag = PaletteDrag(0, 0);
    ASSERT_NE(drag, nullptr);
    doc.m_live = 1;
    EXPECT_EQ(PaletteDrag(0, 1), nullptr);
    const Delivery live = DeliverDrop(viewport, drag->mimeData(), {208, 137});
    EXPECT_FALSE(live.moveTaken);
    EXPECT_FALSE(live.dropTaken);
    EXPECT_EQ(doc.Modules().size(), modules);
    doc.m_live = 0;

    // The device palette's PC, whose model code reads as a filter's module
    // code.
    QMimeData device;
    device.setData(shell::ui::kPaletteItemMimeType, "1001");
    device.setData(shell::ui::kPaletteKindMimeType,
                   shell::ui::PaletteKindName(shell::EPaletteKind::Device));
    QDragEnterEvent enter({100, 100}, Qt::CopyAction, &device, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_EQ(doc.Modules().size(), modules);

    // A drag the user let go of over the palette: the placement the frame
    // began ends with the next mouse event over the view, which then shows
    // no drop cursor and takes clicks again.
    ASSERT_NE(PaletteDrag(0, 2), nullptr);
    ASSERT_EQ(window->ViewLogic().Gestures().Gesture(), Gesture::ListDrag);
    QTest::mouseMove(viewport, {300, 200});
    EXPECT_EQ(window->ViewLogic().Gestures().Gesture(), Gesture::Idle);
    EXPECT_NE(viewport->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(doc.Modules().size(), modules);
}

// At 150 % and scrolled, a module's dialog opens with its corner under the
// module's lower left corner; one for a module at the view's lower right is
// pulled back inside the view's window.
TEST_F(DspViewHostGui, AttributeDialogOpensUnderItsModuleInsideTheView) {
    de::ui::CDspWindow* window = OpenSheet("unit.dsp");
    ASSERT_NE(window, nullptr);
    de::CZoDSPDoc& doc = window->Document();
    de::ui::CZoDSPViewWidget& widget = *window->Widget();
    QWidget* viewport = widget.viewport();

    // A delay at (200, 160): on screen at (300, 240) - scroll = (150, 150).
    model::CBaseAriModule* delay = doc.AddModule(model::kAriDelay, 1, 200, 160, 1);
    ASSERT_NE(delay, nullptr);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, {160, 160});
    ASSERT_EQ(doc.AttriDialogs().size(), 1u);
    auto* dialog = dynamic_cast<attri_dialogs::ui::CDSPDlgAttriBase*>(doc.AttriDialogs().front());
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    const int bottom = static_cast<int>(delay->m_body.bottom * 1.5) - kScroll.y();
    EXPECT_EQ(dialog->geometry().topLeft(), viewport->mapToGlobal(QPoint(150, bottom)));

    // A module whose lower right corner lies 20 pixels inside the viewport's.
    const QPoint corner(viewport->width() - 20, viewport->height() - 20);
    model::CBaseAriModule* filter = doc.AddModule(model::kAriFilter, 1, 0, 0, 1);
    ASSERT_NE(filter, nullptr);
    const model::Point target{(corner.x() + kScroll.x()) * 2 / 3 - filter->m_body.Width(),
                              (corner.y() + kScroll.y()) * 2 / 3 - filter->m_body.Height()};
    doc.MoveModule(*filter, target.x - filter->m_body.left, target.y - filter->m_body.top);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, corner - QPoint(10, 10));
    ASSERT_EQ(doc.AttriDialogs().size(), 2u);
    auto* pulled = dynamic_cast<attri_dialogs::ui::CDSPDlgAttriBase*>(doc.AttriDialogs().back());
    ASSERT_NE(pulled, nullptr);
    const QRect view(widget.mapToGlobal(QPoint(0, 0)), widget.size());
    EXPECT_EQ(pulled->geometry().right(), view.right());
    EXPECT_EQ(pulled->geometry().bottom(), view.bottom());
    EXPECT_TRUE(view.contains(pulled->geometry()));
}

// Activating a dialog makes its view's frame the active one and selects
// its module; a dialog that loses the activation while another view is
// active hides, with every dialog of its sheet.
TEST_F(DspViewHostGui, ActivatingADialogActivatesItsViewsFrame) {
    de::ui::CDspWindow* first = OpenSheet("first.dsp");
    ASSERT_NE(first, nullptr);
    shell::ui::CChildFrame* firstChild = frame->ActiveChildFrame();
    de::CZoDSPDoc& doc = first->Document();
    model::CBaseAriModule* delay = doc.AddModule(model::kAriDelay, 1, 200, 160, 1);
    ASSERT_NE(delay, nullptr);
    model::CBaseAriModule* meter = doc.AddModule(model::kAriMeter, 1, 400, 160, 1);
    ASSERT_NE(meter, nullptr);
    first->ViewLogic().ShowAttriDialog(*delay, false);
    first->ViewLogic().ShowAttriDialog(*meter, false);
    ASSERT_EQ(doc.AttriDialogs().size(), 2u);
    auto* dialog = dynamic_cast<attri_dialogs::ui::CDSPDlgAttriBase*>(doc.AttriDialogs().front());
    ASSERT_NE(dialog, nullptr);
    // The platform activates the dialog it showed last; that settles first.
    auto* last = dynamic_cast<QWidget*>(doc.AttriDialogs().back());
    ASSERT_TRUE(QTest::qWaitForWindowActive(last));
    // Out of sight before its frame goes out of front, the meter's dialog
    // does not come back with it: the offscreen platform would give it the
    // activation as it shows.
    doc.AttriDialogs().back()->HideDialog();

    de::ui::CDspWindow* second = OpenSheet("second.dsp");
    ASSERT_NE(second, nullptr);
    shell::ui::CChildFrame* secondChild = frame->ActiveChildFrame();
    ASSERT_NE(secondChild, firstChild);
    doc.ClearSelection();
    // The first sheet's frame hid its dialogs as it went out of front; one
    // shown again meanwhile (as a parameter template shows its dialog).
    ASSERT_FALSE(dialog->isVisible());
    dialog->ShowDialog();

    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    ASSERT_TRUE(gui_test::WaitFor([&] { return dspFrame->ActiveWindow() == first; }))
        << "the dialog's view did not become the active one";
    EXPECT_EQ(frame->ActiveChildFrame(), firstChild);
    EXPECT_EQ(frame->Core().ActiveDspView(), first);
    EXPECT_EQ(delay->m_selected, 1);
    EXPECT_EQ(meter->m_selected, 0);

    // Another view made active behind the dialog, then the main window
    // activated: the first sheet's dialogs go out of sight.
    frame->MdiArea()->setActiveSubWindow(secondChild);
    ASSERT_EQ(dspFrame->ActiveWindow(), second);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    ASSERT_TRUE(gui_test::WaitFor([&] { return !dialog->isVisible(); }))
        << "the dialog stayed in sight";
    for (de::IAttriDialog* listed : doc.AttriDialogs())
        EXPECT_FALSE(dynamic_cast<QWidget*>(listed)->isVisible());
    EXPECT_EQ(dspFrame->ActiveWindow(), second);
}

} // namespace
