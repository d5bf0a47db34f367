// The operator's main road through the program put together in this process
// (tests/ostrel/ostrel_fixture.h), walked with real events in one session:
// a new device sheet, a DSP unit dragged onto it from the device palette and
// given its stored hardware configuration, its DSP sheet opened, modules
// dragged from the DSP palette and linked with the mouse, an attribute
// dialog opened at 150 % scrolled, a download against the simulated unit
// with its progress window, a live change reaching the unit's journal, and
// the DSP sheet's windows following the switches between the two sheets.
#include "tests/ostrel/ostrel_fixture.h"

#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/ui/delay_dialog.h"
#include "device_editor/device_sheet_editor.h"
#include "device_editor/ui/device_property_dialog.h"
#include "device_editor/ui/device_view.h"
#include "device_editor/ui/device_windows.h"
#include "device_editor/unit_configuration.h"
#include "dsp_editor/dsp_commands.h"
#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/ui/dsp_view_widget.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "dsp_editor/zo_dsp_view.h"
#include "shell/ui/console_window.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/palette_bar.h"

namespace {

using namespace std::chrono_literals;
namespace de = device_editor;
using dsp_editor::ui::CDspWindow;
using shell::ui::CMainFrame;

// The unit the program folder holds a hardware configuration of: a
// QLA-206A, whose serial's first six digits end its MAC.
constexpr const char* kUnitModelName = "QLA-206A";
constexpr std::int32_t kUnitModel = 3;
constexpr const char* kUnitSerial = "0000a1-0010-00000001";
constexpr const char* kUnitMac = "00602b0000a1";

// Where the DSP sheet is viewed from while modules are placed, linked and
// opened: 150 % (zoom code 2), scrolled.
constexpr std::int32_t kZoom150 = 2;
constexpr QPoint kScroll(90, 30);

QMdiSubWindow* ChildOf(QWidget* view) {
    return qobject_cast<QMdiSubWindow*>(view->parentWidget());
}

// A palette drag's enter, one move and its drop at `at`, each sent to the
// viewport as a drag from the palette delivers them; whether the drop was
// taken.
bool DeliverDrop(QWidget* viewport, const QMimeData* mime, QPoint at) {
    QDragEnterEvent enter(at / 2, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::CopyAction, mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    return enter.isAccepted() && move.isAccepted() && drop.isAccepted();
}

// The palette's own drag of the item in `row` of `page`, the page chosen by
// its button; null when the palette refused it.
std::unique_ptr<QDrag> PaletteDrag(shell::ui::CPaletteBar& palette, int page, int row) {
    QTest::mouseClick(palette.PageButton(page), Qt::LeftButton);
    if (palette.Page() != page)
        return nullptr;
    return palette.MakeDrag(row);
}

// While the returned timer lives: once a modal dialog is up, `answer` is
// run on it if it is a T (and ends it), else its class is put in `wrong`
// and it is closed.
template <typename T>
std::unique_ptr<QTimer> AnswerModal(std::function<void(T&)> answer, std::string& wrong) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(),
                     [timer = timer.get(), answer, &wrong] {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (modal == nullptr || !modal->isVisible())
                             return;
                         timer->stop();
                         if (auto* dialog = qobject_cast<T*>(modal)) {
                             answer(*dialog);
                         } else {
                             wrong = modal->metaObject()->className();
                             modal->close();
                         }
                     });
    timer->start(10);
    return timer;
}

class OstrelMainRoad : public ostrel_test::OstrelProgramTest {
protected:
    // The sheet point's pixel in the DSP view at 150 %, scrolled.
    static QPoint OnScreen(model::Point sheet) {
        return QPoint(sheet.x * 3 / 2, sheet.y * 3 / 2) - kScroll;
    }
    // The centre of a channel's dot on screen.
    static QPoint DotOf(const model::CBaseAriModule& module, int channel) {
        return OnScreen(module.GetChnl(channel)->m_rect.CenterPoint());
    }
    static std::vector<shell::ui::CProgressWindow*> ProgressWindows(CMainFrame& frame) {
        const auto found = frame.findChildren<shell::ui::CProgressWindow*>();
        return {found.begin(), found.end()};
    }
    std::vector<std::string> JournalCommands() {
        return unit->journal_commands((home.path() / "journal.log").string());
    }
};

TEST_F(OstrelMainRoad, FromANewSheetToALiveChangeOnTheUnit) {
    ASSERT_TRUE(de::CUnitConfigFile(home.path()).Add(kUnitModelName, kUnitSerial));
    const int result = RunProgram([&](ostrel::COstrelProgram& program) {
        CMainFrame& frame = program.Frame();
        ASSERT_TRUE(gui_test::WaitFor([&] { return frame.Splash() == nullptr; }))
            << "the splash stayed";

        // 1. A new device sheet, in place of the one the start opened.
        messages.ScriptAnswer(324, model::EMessageAnswer::No);
        for (shell::ui::CChildFrame* child : frame.ChildFrames())
            ASSERT_TRUE(child->CloseDocument());
        ASSERT_TRUE(gui_test::WaitFor([&] { return frame.Core().DeviceViewCount() == 0; }));
        frame.RunCommand(shell::ID_FILE_NEW);
        de::ui::CDeviceWindow* sheet = program.DeviceWindows().ActiveWindow();
        ASSERT_NE(sheet, nullptr) << "File > New made no device sheet";
        ASSERT_EQ(sheet->Document().GetDeviceCount(), 0);
        ChildOf(sheet->Widget())->showMaximized();
        QWidget* sheetPort = sheet->Widget()->viewport();

        // 2. The unit dragged out of the device palette onto the sheet.
        ASSERT_NE(frame.DevicePalette(), nullptr);
        // The units' page, where the QLA-206A is its model's row.
        const std::unique_ptr<QDrag> unitDrag = PaletteDrag(*frame.DevicePalette(), 0, kUnitModel);
        ASSERT_NE(unitDrag, nullptr) << "the device palette gave no drag of a QLA-206A";
        EXPECT_EQ(unitDrag->mimeData()->data(shell::ui::kPaletteItemMimeType),
                  QByteArray::number(kUnitModel));
        EXPECT_EQ(unitDrag->mimeData()->data(shell::ui::kPaletteKindMimeType), "device");
        const QPoint unitDrop(120, 100);
        ASSERT_TRUE(sheetPort->rect().contains(unitDrop));
        EXPECT_TRUE(DeliverDrop(sheetPort, unitDrag->mimeData(), unitDrop));
        ASSERT_EQ(sheet->Document().GetDeviceCount(), 1) << "the unit did not land";
        model::CBaseDevice* unitDevice = sheet->Document().GetDevice(0);
        EXPECT_EQ(unitDevice->m_typeCode, kUnitModel);
        EXPECT_EQ(unitDevice->m_body.TopLeft(), (model::Point{unitDrop.x(), unitDrop.y()}));

        // Its stored hardware configuration chosen in its properties.
        const model::Point unitBody = unitDevice->m_body.CenterPoint();
        QTest::mouseClick(sheetPort, Qt::LeftButton, {}, QPoint(unitBody.x, unitBody.y));
        std::string wrongDialog;
        const std::unique_ptr<QTimer> answering = AnswerModal<de::ui::CDeviceDlgDeviceProperty>(
            [](de::ui::CDeviceDlgDeviceProperty& dialog) {
                const int mac = dialog.MacBox()->findText(kUnitMac);
                if (mac >= 0)
                    dialog.MacBox()->setCurrentIndex(mac);
                QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
            },
            wrongDialog);
        ASSERT_TRUE(frame.CommandState(de::kCmdProperties).enabled);
        frame.RunCommand(de::kCmdProperties);
        EXPECT_FALSE(answering->isActive()) << "no properties dialog came up";
        EXPECT_EQ(wrongDialog, "");
        unitDevice = sheet->Document().GetDevice(0);
        ASSERT_EQ(unitDevice->m_mac, kUnitMac) << "the stored unit was not offered";

        // 3. Its DSP sheet, by the sheet's own command on the chosen unit.
        ASSERT_TRUE(frame.CommandState(de::kCmdDspEdit).enabled);
        frame.RunCommand(de::kCmdDspEdit);
        CDspWindow* dsp = program.DspWindows().ActiveWindow();
        ASSERT_NE(dsp, nullptr) << "the unit's DSP sheet did not open";
        dsp_editor::CZoDSPDoc& doc = dsp->Document();
        EXPECT_EQ(doc.m_unitMac, kUnitMac);
        ASSERT_TRUE(gui_test::WaitFor([&] { return dsp->ConsoleWindow() != nullptr; }))
            << "the DSP sheet's console did not start";
        QMdiSubWindow* dspChild = ChildOf(dsp->Widget());
        dspChild->showMaximized();
        // No command reaches 150 %: a sheet stored at that zoom opens at it,
        // as this one is made to.
        doc.m_zoom = kZoom150;
        dsp->Widget()->OnInitialUpdate();
        dsp->Widget()->horizontalScrollBar()->setValue(kScroll.x());
        dsp->Widget()->verticalScrollBar()->setValue(kScroll.y());
        ASSERT_EQ(dsp->Widget()->ScrollPosition(), (model::Point{kScroll.x(), kScroll.y()}));
        QWidget* viewport = dsp->Widget()->viewport();

        // 4. Three modules from the DSP palette, each dropped a little past
        // a grid point and landing on it.
        struct Placed {
            const char* name;
            int page, row;
            std::int32_t type;
            model::Point at;
        };
        const Placed placed[] = {
            {"delay 5 ms", 0, 0, model::kAriDelay, {160, 20}},
            {"compressor", 3, 1, model::kAriDynamic, {260, 100}},
            {"four-channel meter", 8, 2, model::kAriMeter, {380, 20}},
        };
        std::vector<model::CBaseAriModule*> modules;
        for (const Placed& place : placed) {
            SCOPED_TRACE(place.name);
            const std::unique_ptr<QDrag> drag =
                PaletteDrag(*frame.DspPalette(), place.page, place.row);
            ASSERT_NE(drag, nullptr) << "the DSP palette refused the drag";
            EXPECT_EQ(drag->mimeData()->data(shell::ui::kPaletteKindMimeType), "dsp");
            const QPoint client = OnScreen(place.at) + QPoint(4, 7);
            ASSERT_TRUE(viewport->rect().contains(client));
            const std::size_t before = doc.Modules().size();
            EXPECT_TRUE(DeliverDrop(viewport, drag->mimeData(), client));
            ASSERT_EQ(doc.Modules().size(), before + 1) << "nothing landed";
            model::CBaseAriModule* module = doc.Modules()[before];
            EXPECT_EQ(module->m_typeCode, place.type);
            EXPECT_EQ(module->m_body.TopLeft(), place.at);
            modules.push_back(module);
        }
        model::CBaseAriModule* delay = modules[0];
        model::CBaseAriModule* compressor = modules[1];
        model::CBaseAriModule* meter = modules[2];
        for (const model::CBaseAriModule* module : modules)
            ASSERT_TRUE(viewport->rect().contains(
                QRect(OnScreen(module->m_body.TopLeft()), OnScreen(module->m_body.BottomRight()))))
                << "module " << module->m_id << " lies outside the view: " << module->m_body.right
                << "," << module->m_body.bottom << " in " << viewport->width() << "x"
                << viewport->height();

        // 5. Links drawn with two clicks each: the first input module's
        // output to the delay, the delay to the compressor, the compressor
        // to the meter.
        const model::CBaseAriModule* input = doc.GetModuleById(1);
        ASSERT_NE(input, nullptr);
        ASSERT_EQ(input->m_typeCode, model::kAriInput);
        struct Drawn {
            const model::CBaseAriModule* from;
            int output;
            const model::CBaseAriModule* to;
        };
        const Drawn drawn[] = {
            {input, input->m_inputCount, delay},
            {delay, delay->m_inputCount, compressor},
            {compressor, compressor->m_inputCount, meter},
        };
        for (const Drawn& link : drawn) {
            SCOPED_TRACE("link to module " + std::to_string(link.to->m_id));
            const std::size_t before = doc.Links().size();
            const QPoint from = DotOf(*link.from, link.output);
            const QPoint to = DotOf(*link.to, 0);
            ASSERT_TRUE(viewport->rect().contains(from));
            QTest::mouseClick(viewport, Qt::LeftButton, {}, from);
            ASSERT_EQ(dsp->ViewLogic().Gestures().Gesture(),
                      dsp_editor::CDspGestures::EGesture::Linking)
                << "the click on the output pin started no link";
            QTest::mouseMove(viewport, (from + to) / 2);
            QTest::mouseClick(viewport, Qt::LeftButton, {}, to);
            ASSERT_EQ(doc.Links().size(), before + 1) << "no link was drawn";
            const model::CBaseLink& made = *doc.Links()[before];
            EXPECT_EQ(made.m_destModule, link.from->m_id);
            EXPECT_EQ(made.m_sourceModule, link.to->m_id);
            EXPECT_EQ(made.m_sourceChannel, 0);
            EXPECT_EQ(dsp->ViewLogic().Gestures().Gesture(),
                      dsp_editor::CDspGestures::EGesture::Idle);
        }

        // 6. The delay's attribute dialog by a double click, inside the view.
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, OnScreen(delay->m_body.CenterPoint()));
        ASSERT_EQ(doc.AttriDialogs().size(), 1u) << "no attribute dialog opened";
        auto* dialog =
            dynamic_cast<attri_dialogs::ui::CDSPDlgAttriDelay*>(doc.AttriDialogs().front());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(gui_test::WaitFor([&] { return dialog->isVisible(); }));
        const QRect viewOnScreen(dsp->Widget()->mapToGlobal(QPoint(0, 0)), dsp->Widget()->size());
        EXPECT_TRUE(viewOnScreen.contains(dialog->frameGeometry()))
            << "the dialog lies outside the view";
        // Its corner under the module's lower left corner.
        const model::Point corner{delay->m_body.left, delay->m_body.bottom};
        EXPECT_EQ(dialog->geometry().topLeft(), viewport->mapToGlobal(OnScreen(corner)))
            << "the dialog is not under its module";

        // 7. The download, slowed so that its progress window is seen.
        ASSERT_EQ(unit->command("unit latency 150"), "ok");
        ASSERT_TRUE(frame.CommandState(dsp_editor::kCmdDownloadStart).enabled);
        frame.RunCommand(dsp_editor::kCmdDownloadStart);
        shell::ui::CProgressWindow* progress = nullptr;
        ASSERT_TRUE(gui_test::WaitFor(
            [&] {
                const auto windows = ProgressWindows(frame);
                progress = windows.empty() ? nullptr : windows.front();
                return progress != nullptr && progress->isVisible() && progress->Bar()->value() > 1;
            },
            15s))
            << "no progress window showed a moving bar";
        EXPECT_TRUE(viewOnScreen.contains(progress->frameGeometry().center()))
            << "the progress window is not over the view";
        ASSERT_EQ(unit->command("unit latency 2"), "ok");
        ASSERT_TRUE(gui_test::WaitFor(
            [&] { return doc.m_live == 1 && dsp->ViewLogic().Download().m_progress == 0; }, 30s))
            << "the download did not end live";
        ASSERT_TRUE(gui_test::WaitFor([&] { return ProgressWindows(frame).empty(); }))
            << "the progress window stayed";
        const std::vector<std::string> downloaded = JournalCommands();
        ASSERT_FALSE(downloaded.empty());
        EXPECT_EQ(downloaded.front(), "*NyRST#");
        EXPECT_NE(std::find(downloaded.begin(), downloaded.end(), "*NyRUN#"), downloaded.end());

        // 8. A live change: the delay's bypass switched in its dialog.
        ASSERT_TRUE(dialog->isVisible()) << "the download closed the dialog";
        auto* bypass = dialog->findChild<shell::ui::CMyButton*>();
        ASSERT_NE(bypass, nullptr);
        QTest::mouseClick(bypass, Qt::LeftButton, {}, bypass->rect().center());
        ASSERT_TRUE(
            gui_test::WaitFor([&] { return JournalCommands().size() > downloaded.size(); }, 10s))
            << "the change did not reach the unit";
        const std::vector<std::string> after = JournalCommands();
        EXPECT_EQ(after.back().rfind("*NySET ", 0), 0u) << after.back();

        // 9. The device sheet active: the DSP sheet's dialog and console
        // hide; back on the DSP sheet they show again.
        dsp->OnCommand(dsp_editor::kCmdConsole);
        QWidget* console = dsp->ConsoleWindow();
        ASSERT_TRUE(console->isVisible());
        frame.MdiArea()->setActiveSubWindow(ChildOf(sheet->Widget()));
        EXPECT_FALSE(dialog->isVisible()) << "the dialog stayed over the device sheet";
        EXPECT_FALSE(console->isVisible()) << "the console stayed over the device sheet";
        frame.MdiArea()->setActiveSubWindow(dspChild);
        EXPECT_TRUE(dialog->isVisible()) << "the dialog did not come back";
        EXPECT_TRUE(console->isVisible()) << "the console did not come back";
        EXPECT_TRUE(messages.ShownIds().empty());

        QCoreApplication::exit(0);
    });
    EXPECT_EQ(result, 0);
}

} // namespace
