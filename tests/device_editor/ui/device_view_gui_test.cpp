// A device sheet as a document of the main window, on the offscreen
// platform: the painted sheet (grid, frame, running frame, a selected
// link), a link drawn with the mouse between two units by two clicks or a
// drag, undo and redo while a link is half drawn, a damaged sheet file
// refused with the open sheet untouched, the context menu of the right
// button, and printing (one PDF page; the printed frame and no grid on an
// image).
#include "device_editor/ui/device_windows.h"

#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "model/device_ny.h"
#include "shell/document_guards.h"
#include "shell/ui/palette_bar.h"
#include "tests/device_editor/ui/sheet_window_fixture.h"

namespace {

namespace de = device_editor;
namespace fs = std::filesystem;

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kRed(255, 0, 0);
// 0x8080FF as the printer draws it: red 0xFF, green and blue 0x80.
const QColor kPrintedFrame(0xFF, 0x80, 0x80);

// An item of a context menu as it showed.
struct item_t {
    int id;
    bool enabled;
    friend bool operator==(const item_t&, const item_t&) = default;
};
std::ostream& operator<<(std::ostream& out, const item_t& item) {
    return out << "{" << item.id << (item.enabled ? "" : " greyed") << "}";
}

class DeviceViewGui : public sheet_window_test::CSheetWindowTest {
protected:
    DeviceViewGui() : CSheetWindowTest("ostrel-device-view") {}

    // A unit of `model` (sub-type 3) with the id at (x, y).
    model::CBaseDevice* AddUnit(std::int32_t id, std::int32_t model, std::int32_t x,
                                std::int32_t y) {
        Doc().AddDevice(std::make_unique<model::CDeviceNy>(measurer, x, y, id, model, 3));
        return Doc().FindDevice(id, 3);
    }

    // The first channel of the device on that side (of that kind, -1 any).
    static model::CDeviceChnl* Channel(model::CBaseDevice& device, int direction, int kind) {
        for (const auto& channel : device.m_channels) {
            auto* c = model::AsDeviceChnl(channel.get());
            if (c != nullptr && c->m_direction == direction && (kind < 0 || c->m_kind == kind))
                return c;
        }
        return nullptr;
    }

    static QPoint Centre(const model::CDeviceChnl& channel) {
        const model::Point c = channel.m_rect.CenterPoint();
        return {c.x, c.y};
    }

    QImage Shot() { return view->viewport()->grab().toImage(); }

    // Halfway along the link being drawn, where its line shows (its end
    // follows the cursor, which the offscreen platform keeps apart from the
    // test's mouse events).
    QPoint DrawnHalfway() const {
        const model::CDeviceLink* drawn = view->Editor().DrawingLink();
        if (drawn == nullptr)
            return {};
        return {(drawn->m_start.x + drawn->m_end.x) / 2, (drawn->m_start.y + drawn->m_end.y) / 2};
    }

    // The items of the context menu the right button opens at `at`.
    std::vector<item_t> ContextMenuAt(QPoint at) {
        std::vector<item_t> items;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            for (const QAction* action : menu->actions())
                items.push_back({action->isSeparator() ? 0 : action->data().toInt(),
                                 action->isEnabled()});
            menu->close();
        });
        poll.start(10);
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
        return items;
    }
};

TEST_F(DeviceViewGui, PaintsGridFrameAndTheRunningFrame) {
    EXPECT_EQ(frame->Core().DeviceViewCount(), 1);
    EXPECT_EQ(frame->Core().OpenDeviceView(), window);

    QImage shot = Shot();
    EXPECT_EQ(shot.pixelColor(50, 50), kBlack) << "a grid dot";
    EXPECT_EQ(shot.pixelColor(55, 55), kWhite) << "between the dots";
    EXPECT_EQ(shot.pixelColor(2, 300), kGrey) << "the frame";
    EXPECT_EQ(shot.pixelColor(300, 2), kGrey) << "the frame";

    // The grid command switches the dots off.
    frame->RunCommand(de::CZoDeviceDoc::kCmdGrid);
    EXPECT_EQ(Shot().pixelColor(50, 50), kWhite);
    frame->RunCommand(de::CZoDeviceDoc::kCmdGrid);
    EXPECT_TRUE(frame->CommandState(de::CZoDeviceDoc::kCmdGrid).checked);

    // A download of this sheet that ends in the run state: red frame, no
    // grid, and no editing.
    frame->Core().OnAppNotify(0, shell::NOTIFY_DOWNLOAD_BEGIN);
    frame->Core().OnAppNotify(0, shell::NOTIFY_DOWNLOAD_DONE);
    ASSERT_EQ(frame->Core().RunningView(), window);
    shot = Shot();
    EXPECT_EQ(shot.pixelColor(2, 300), kRed);
    EXPECT_EQ(shot.pixelColor(50, 50), kWhite);
    EXPECT_FALSE(frame->CommandState(de::kCmdUndo).enabled);
    frame->Core().OnAppNotify(0, shell::NOTIFY_LEAVE_RUN);
    EXPECT_EQ(Shot().pixelColor(2, 300), kGrey);
}

// The hardware-configuration dialogs name a unit whose file they wrote or
// deleted; the active sheet reads the file from the program folder into its
// devices of that MAC (in any letter case), or takes the unit off them.
TEST_F(DeviceViewGui, AChangedUnitReachesTheSheetsDevices) {
    model::CBaseDevice* unit = AddUnit(1, 2, 100, 100);
    model::CBaseDevice* other = AddUnit(2, 2, 400, 100);
    unit->m_mac = "00602b000001";
    other->m_mac = "00602b000002";
    fs::create_directories(home.path() / "Configuration");
    std::ofstream(home.path() / "Configuration" / "00602b000001.ini")
        << "[InChannelProperty]\nInChannel1=3\n";
    std::ofstream(home.path() / "Configuration" / "00602b000002.ini")
        << "[InChannelProperty]\nInChannel1=3\n";
    Doc().SetModifiedFlag(false);

    frame->Core().SetChangedUnitMac("00602B000001");
    frame->Core().OnAppNotify(0, shell::NOTIFY_RELOAD_UNIT_CONFIG);
    EXPECT_EQ(model::AsDeviceChnl(unit->GetChnl(0))->m_property, 3);
    EXPECT_NE(model::AsDeviceChnl(other->GetChnl(0))->m_property, 3) << "another unit's file";
    EXPECT_TRUE(Doc().IsModified());

    frame->Core().OnAppNotify(0, shell::NOTIFY_REFRESH_HWCONFIG_DEVICES);
    EXPECT_EQ(unit->m_mac, "00602b");
    EXPECT_EQ(model::AsDeviceChnl(unit->GetChnl(0))->m_property, 0);
    EXPECT_EQ(other->m_mac, "00602b000002");
}

TEST_F(DeviceViewGui, DrawsALinkWithTheMouseAndShowsItRedWhenSelected) {
    model::CBaseDevice* a = AddUnit(1, 1, 100, 200);
    model::CBaseDevice* b = AddUnit(2, 1, 500, 400);
    ASSERT_TRUE(a && b);
    model::CDeviceChnl* from = Channel(*a, 1, -1);
    ASSERT_NE(from, nullptr);
    model::CDeviceChnl* to = Channel(*b, 0, from->m_kind);
    ASSERT_NE(to, nullptr);
    // Both channels configured for use.
    from->m_property = to->m_property = 4;
    const QPoint start = Centre(*from), end = Centre(*to);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, start);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::Link);
    QTest::mouseMove(view->viewport(), (start + end) / 2);
    QTest::mouseMove(view->viewport(), end);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, end);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::None);
    ASSERT_EQ(Doc().GetLinkCount(), 1);
    EXPECT_EQ(from->GetLinkCount(), 1);
    EXPECT_EQ(to->GetLinkCount(), 1);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_TRUE(frame->CommandState(de::kCmdUndo).enabled);

    // A click on the line selects it: red where it runs.
    const model::CDeviceLink* link = Doc().GetLink(0);
    const model::Point mid{(link->m_start.x + link->m_end.x) / 2,
                           (link->m_start.y + link->m_end.y) / 2};
    EXPECT_NE(Shot().pixelColor(mid.x, mid.y), kRed);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(mid.x, mid.y));
    EXPECT_EQ(Doc().GetSelectedLinkCount(), 1);
    const QImage shot = Shot();
    bool red = false;
    for (int dy = -1; dy <= 1; ++dy)
        red = red || shot.pixelColor(mid.x, mid.y + dy) == kRed;
    EXPECT_TRUE(red);

    // Undo through the frame takes the link away again.
    frame->RunCommand(de::kCmdUndo);
    EXPECT_EQ(Doc().GetLinkCount(), 0);
    EXPECT_EQ(from->GetLinkCount(), 0);
}

// Whether a line shows round `at` on the empty white sheet (grid dots left
// out).
bool LineShowsAround(const QImage& shot, QPoint at) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const int x = at.x() + dx, y = at.y() + dy;
            if (x % 10 == 0 && y % 10 == 0)
                continue;
            if (shot.pixelColor(x, y) != kWhite)
                return true;
        }
    return false;
}

TEST_F(DeviceViewGui, ALinkDraggedFromChannelToChannelIsMadeOrEndsAtTheRelease) {
    model::CBaseDevice* a = AddUnit(1, 1, 100, 200);
    model::CBaseDevice* b = AddUnit(2, 1, 500, 400);
    ASSERT_TRUE(a && b);
    model::CDeviceChnl* from = Channel(*a, 1, -1);
    ASSERT_NE(from, nullptr);
    model::CDeviceChnl* to = Channel(*b, 0, from->m_kind);
    ASSERT_NE(to, nullptr);
    auto* second = model::AsDeviceChnl(a->GetChnl(from->m_number + 1));
    ASSERT_NE(second, nullptr);
    from->m_property = to->m_property = second->m_property = 4;
    QWidget* viewport = view->viewport();
    const QPoint start = Centre(*from), end = Centre(*to);

    // Pressed on a channel, released on one that takes the link: made.
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QTest::mouseMove(viewport, (start + end) / 2);
    QTest::mouseMove(viewport, end);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::None);
    ASSERT_EQ(Doc().GetLinkCount(), 1);
    EXPECT_EQ(from->GetLinkCount(), 1);
    EXPECT_EQ(to->GetLinkCount(), 1);

    // Released on the empty sheet: no link, none left hanging from the
    // mouse, and the channel shows unconnected again.
    const QPoint away(333, 150);
    QTest::mousePress(viewport, Qt::LeftButton, {}, Centre(*second));
    QTest::mouseMove(viewport, away);
    const QPoint halfway = DrawnHalfway();
    ASSERT_TRUE(LineShowsAround(Shot(), halfway));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, away);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::None);
    EXPECT_EQ(view->Editor().DrawingLink(), nullptr);
    EXPECT_EQ(Doc().GetLinkCount(), 1);
    EXPECT_EQ(second->m_connected, 0);
    QTest::mouseMove(viewport, away + QPoint(40, 40));
    EXPECT_FALSE(LineShowsAround(Shot(), halfway));

    // A click on a channel still begins a link that follows the mouse to
    // the second click.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, Centre(*second));
    QTest::mouseMove(viewport, away);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::Link);
    EXPECT_TRUE(LineShowsAround(Shot(), DrawnHalfway()));
    QTest::mouseClick(viewport, Qt::RightButton, {}, away);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::None);
}

TEST_F(DeviceViewGui, UndoAndRedoEndAHalfDrawnLinkBeforeTheyAct) {
    model::CBaseDevice* b = AddUnit(2, 1, 500, 400);
    ASSERT_NE(b, nullptr);
    // Dropped from the palette: its creation is the step undo takes back.
    ASSERT_TRUE(Doc().CreateDroppedDevice(100, 200, 1, measurer));
    model::CBaseDevice* a = Doc().FindDevice(1, 3);
    ASSERT_NE(a, nullptr);
    model::CDeviceChnl* from = Channel(*a, 1, -1);
    model::CDeviceChnl* back = Channel(*b, 1, -1);
    ASSERT_TRUE(from && back);
    from->m_property = back->m_property = 4;
    QWidget* viewport = view->viewport();

    QTest::mouseClick(viewport, Qt::LeftButton, {}, Centre(*from));
    QTest::mouseMove(viewport, QPoint(300, 300));
    const QPoint halfway = DrawnHalfway();
    ASSERT_TRUE(LineShowsAround(Shot(), halfway));
    ASSERT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::Link);
    frame->RunCommand(de::kCmdUndo);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::None);
    EXPECT_EQ(view->Editor().DrawingLink(), nullptr);
    EXPECT_EQ(Doc().FindDevice(1, 3), nullptr) << "the undo itself went on";
    EXPECT_FALSE(LineShowsAround(Shot(), halfway));

    QTest::mouseClick(viewport, Qt::LeftButton, {}, Centre(*back));
    ASSERT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::Link);
    frame->RunCommand(de::kCmdRedo);
    EXPECT_EQ(view->Editor().DragMode(), de::CDeviceSheetEditor::EDragMode::None);
    EXPECT_EQ(back->m_connected, 0);
    EXPECT_NE(Doc().FindDevice(1, 3), nullptr);
    // The next click on the sheet begins a rubber band, no link.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(700, 100));
    EXPECT_EQ(Doc().GetLinkCount(), 0);
}

TEST_F(DeviceViewGui, ADamagedSheetIsRefusedBeforeTheOpenSheetCloses) {
    AddUnit(1, 1, 300, 300);
    Doc().SetModifiedFlag(true);
    // A sheet file cut short in its device array.
    const fs::path damaged = home.path() / "damaged.zo";
    {
        de::CZoDeviceDoc other;
        other.OnNewDocument();
        other.AddDevice(std::make_unique<model::CDeviceNy>(measurer, 100, 100, 1, 4, 1));
        const fs::path whole = home.path() / "whole.zo";
        other.OnSaveDocument(whole);
        std::ifstream in(whole, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(damaged, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }

    // Answers that would let the open sheet go unsaved.
    messages.ScriptAnswer(305, model::EMessageAnswer::Ok);
    messages.ScriptAnswer(324, model::EMessageAnswer::No);
    EXPECT_FALSE(shell::OpenDocumentFile(damaged.string(), frame->Core(), *frame));
    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{286}));
    EXPECT_TRUE(messages.AskedIds().empty()) << "no replace or save question";
    ASSERT_EQ(frame->ChildFrames().size(), 1u);
    EXPECT_EQ(deviceFrame->ActiveWindow(), window);
    EXPECT_EQ(Doc().GetDeviceCount(), 1);
    EXPECT_TRUE(Doc().IsModified());

    // A whole sheet replaces it after the question and the save prompt.
    const fs::path whole = home.path() / "whole.zo";
    ASSERT_TRUE(shell::OpenDocumentFile(whole.string(), frame->Core(), *frame));
    EXPECT_EQ(messages.AskedIds(), (std::vector<int>{305, 324}));
    ASSERT_TRUE(gui_test::WaitFor([&] { return frame->ChildFrames().size() == 1u; }));
    de::ui::CDeviceWindow* opened = deviceFrame->ActiveWindow();
    ASSERT_NE(opened, nullptr);
    EXPECT_NE(opened->Document().FindDevice(1, 1), nullptr);
    EXPECT_EQ(opened->Title(), "whole.zo");
    EXPECT_EQ(frame->Core().DeviceDocPath(), whole.string());
    window = nullptr;
    view = nullptr;
}

TEST_F(DeviceViewGui, ContextMenuFollowsWhatIsUnderTheButton) {
    model::CBaseDevice* unit = AddUnit(1, 1, 300, 300);
    ASSERT_NE(unit, nullptr);
    const model::Point body = unit->m_body.CenterPoint();

    // Empty sheet, nothing selected: the global popup, delete greyed.
    EXPECT_EQ(ContextMenuAt({700, 100}),
              (std::vector<item_t>{{de::kCmdDelete, false},
                                   {0, true},
                                   {de::kCmdSelectDevices, true},
                                   {de::kCmdSelectLinks, true},
                                   {de::kCmdSelectAll, true},
                                   {0, true},
                                   {32777, true},
                                   {32778, true}}));

    // A model-1 unit: no channel gain; the unit is selected alone.
    EXPECT_EQ(ContextMenuAt({body.x, body.y}),
              (std::vector<item_t>{{de::kCmdDspEdit, true},
                                   {0, true},
                                   {de::kCmdProperties, true},
                                   {0, true},
                                   {de::kCmdDelete, true}}));
    EXPECT_EQ(Doc().GetSelectedCount(), 1);

    // Now something is selected: delete is offered on the empty sheet too.
    EXPECT_TRUE(ContextMenuAt({700, 100}).front().enabled);
}

TEST_F(DeviceViewGui, PrintsOnePdfPage) {
    AddUnit(1, 1, 300, 300);
    const fs::path pdf = home.path() / "sheet.pdf";
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    ASSERT_TRUE(view->Print(printer));

    std::ifstream in(pdf, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    const std::regex page("/Type\\s*/Page[^s]");
    EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), page),
                            std::sregex_iterator()),
              1);
}

TEST_F(DeviceViewGui, PrintedSheetHasTheLightRedFrameAndNoGrid) {
    // A 1130 x 1600 sheet at 96 dpi on an 800 x 1100 page: scaled by 0.6875.
    QImage page(800, 1100, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        view->PaintForPrint(painter, 96, 96, {800, 1100});
    }
    EXPECT_EQ(page.pixelColor(1, 500), kPrintedFrame);
    EXPECT_EQ(page.pixelColor(500, 1), kPrintedFrame);
    for (int y = 400; y < 440; ++y)
        for (int x = 300; x < 340; ++x)
            ASSERT_EQ(page.pixelColor(x, y), kWhite) << x << ", " << y;
}

// Module codes of the DSP palette read as device models (1001 is the PC's):
// a drag from it is not the device palette's and places nothing here.
TEST_F(DeviceViewGui, OnlyTheDevicePalettesDragsAreTaken) {
    const std::size_t devices = Doc().Devices().size();
    for (const shell::EPaletteKind kind : {shell::EPaletteKind::Dsp, shell::EPaletteKind::Device}) {
        QMimeData mime;
        mime.setData(shell::ui::kPaletteItemMimeType, "1001");
        mime.setData(shell::ui::kPaletteKindMimeType, shell::ui::PaletteKindName(kind));
        QDragEnterEvent enter({100, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        EXPECT_EQ(enter.isAccepted(), kind == shell::EPaletteKind::Device)
            << shell::ui::PaletteKindName(kind);
        QDragLeaveEvent leave;
        QApplication::sendEvent(view->viewport(), &leave);
    }
    EXPECT_EQ(Doc().Devices().size(), devices);
}

} // namespace
