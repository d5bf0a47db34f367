// The device sheet dialogs on the offscreen platform, each opened on a
// document of the main window: what it shows of its controller, what OK and
// Cancel leave in the document, and the window's commands and palette drops
// that open them. The connection list's printout goes into a PDF file.
#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>

#include "device_editor/link_view_controller.h"
#include "device_editor/sheet_commands.h"
#include "device_editor/ui/device_windows.h"
#include "device_editor/ui/link_view_dialog.h"
#include "device_editor/ui/sheet_dialog_widgets.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_text.h"
#include "model/undo_history.h"
#include "platform/app_paths/app_paths.h"
#include "resources/message_ids.h"
#include "shell/ui/locked_header.h"
#include "tests/device_editor/ui/sheet_window_fixture.h"

namespace {

namespace de = device_editor;
namespace ui = device_editor::ui;
namespace fs = std::filesystem;
using model::EMessageAnswer;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename W> W* Ctl(const QWidget& dialog, int id) {
    return dialog.findChild<W*>(QStringLiteral("ctl%1").arg(id));
}

QColor SwatchColour(QWidget& swatch) {
    return swatch.grab().toImage().pixelColor(swatch.width() / 2, swatch.height() / 2);
}

// Answers the first modal window of type T the event loop shows: polls
// every 10 ms until it is up, then runs `answer` on it once. A window that
// never comes within five seconds leaves Answered() false.
template <typename T> class CModalAnswer {
public:
    explicit CModalAnswer(std::function<void(T&)> answer) : m_answer(std::move(answer)) {
        m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(10);
    }
    bool Answered() const { return m_answered; }

private:
    void Poll() {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window == nullptr || !window->isVisible()) {
            if (std::chrono::steady_clock::now() > m_deadline)
                m_timer.stop();
            return;
        }
        m_timer.stop();
        m_answered = true;
        m_answer(*window);
    }

    std::function<void(T&)> m_answer;
    QTimer m_timer;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_answered = false;
};

// Picks `colour` in the colour dialog that opens next.
CModalAnswer<QColorDialog> PickColour(QColor colour) {
    return CModalAnswer<QColorDialog>([colour](QColorDialog& dialog) {
        dialog.setCurrentColor(colour);
        dialog.accept();
    });
}

void Click(const QWidget& dialog, int id) {
    auto* button = Ctl<QPushButton>(dialog, id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
}

// A new sheet in the main window, as the program opens it.
class SheetDialogsGui : public sheet_window_test::CSheetWindowTest {
protected:
    SheetDialogsGui() : CSheetWindowTest("ostrel-sheet-dialogs") {}

    model::CUndoHistory& History() { return *Doc().GetUndoHistory(); }

    model::CDeviceText* AddText(std::int32_t id, const std::string& text) {
        Doc().AddDevice(std::make_unique<model::CDeviceText>(measurer, 100, 100, id, text,
                                                             model::kModelText, 0));
        return dynamic_cast<model::CDeviceText*>(Doc().FindDevice(id, 0));
    }

    // A unit of model 1 (sub-type 3) named `name` with a 12-character MAC.
    model::CBaseDevice* AddUnit(std::int32_t id, const std::string& name, std::int32_t x) {
        Doc().AddDevice(std::make_unique<model::CDeviceNy>(measurer, x, 200, id, 1, 3));
        model::CBaseDevice* unit = Doc().FindDevice(id, 3);
        unit->m_name = name;
        unit->m_mac = "00112233AB0" + std::to_string(id);
        return unit;
    }

    // A link from the first output channel of `from` to the first input
    // channel of `to` of the same kind.
    void Link(std::int32_t linkId, model::CBaseDevice& from, model::CBaseDevice& to) {
        const auto index = [](model::CBaseDevice& device, int direction, int kind) {
            for (std::size_t i = 0; i < device.m_channels.size(); ++i) {
                const auto* c = model::AsDeviceChnl(device.m_channels[i]);
                if (c != nullptr && c->m_direction == direction && (kind < 0 || c->m_kind == kind))
                    return static_cast<std::int32_t>(i);
            }
            return -1;
        };
        const std::int32_t out = index(from, 1, -1);
        const model::CDeviceChnl* outChannel = Doc().FindChannel(from.m_id, from.m_subType, out);
        ASSERT_NE(outChannel, nullptr);
        const std::int32_t in = index(to, 0, outChannel->m_kind);
        const model::CDeviceChnl* inChannel = Doc().FindChannel(to.m_id, to.m_subType, in);
        ASSERT_NE(inChannel, nullptr);
        auto link = std::make_unique<model::CDeviceLink>();
        link->m_id = linkId;
        link->m_sourceModule = to.m_id;
        link->m_sourceSubType = to.m_subType;
        link->m_sourceChannel = in;
        link->m_destModule = from.m_id;
        link->m_destSubType = from.m_subType;
        link->m_destChannel = out;
        link->m_drawnFromOutput = 1;
        link->BeginAtChnl(*outChannel);
        link->m_end = inChannel->m_rect.CenterPoint();
        ASSERT_TRUE(Doc().AddLinkFromRecord(std::move(link)));
    }

    QColorDialog colours;
    QFontDialog fonts;
};

// -- sheet size

TEST_F(SheetDialogsGui, SheetSizeShowsTheSizeRefusesBadTextsAndTakesAGoodOne) {
    de::CSheetSizeController controller(1500, 1200, {600, 600});
    ui::CDeviceDlgSheetSize dialog(controller);
    dialog.show();
    auto* width = Ctl<QLineEdit>(dialog, ui::CDeviceDlgSheetSize::kWidthEdit);
    auto* height = Ctl<QLineEdit>(dialog, ui::CDeviceDlgSheetSize::kHeightEdit);
    ASSERT_TRUE(width && height);
    EXPECT_EQ(width->text(), "1500");
    EXPECT_EQ(height->text(), "1200");
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("文档模板大小设置"));

    struct case_t {
        const char* width;
        const char* height;
        int message;
        QLineEdit* focus;
    };
    const case_t refused[] = {
        {"499", "1200", 137, width}, {"8a0", "1200", 137, width},    {"1500", "", 186, height},
        {"550", "1200", 138, width}, {"1500", "20001", 186, height},
    };
    for (const case_t& c : refused) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        width->setText(c.width);
        height->setText(c.height);
        const std::size_t shown = messages.ShownIds().size();
        Click(dialog, ui::kOkButton);
        ASSERT_EQ(messages.ShownIds().size(), shown + 1);
        EXPECT_EQ(messages.ShownIds().back(), c.message);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.focusWidget(), c.focus);
    }
    width->setText(" 800 ");
    height->setText("20000");
    Click(dialog, ui::kOkButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(controller.Width(), 800);
    EXPECT_EQ(controller.Height(), 20000);
}

TEST_F(SheetDialogsGui, DocumentSizeCommandResizesTheViewsAndUndoesWithOneStep) {
    EXPECT_TRUE(frame->CommandState(de::kCmdDocumentSize).enabled);
    const model::DeviceSheetSettings before = Doc().GetSheetSettings();
    const int scrollBefore = view->horizontalScrollBar()->maximum();
    CModalAnswer<ui::CDeviceDlgSheetSize> answer([&](ui::CDeviceDlgSheetSize& dialog) {
        Ctl<QLineEdit>(dialog, ui::CDeviceDlgSheetSize::kWidthEdit)
            ->setText(QString::number(before.width + 1000));
        Click(dialog, ui::kOkButton);
    });
    frame->RunCommand(de::kCmdDocumentSize);
    ASSERT_TRUE(answer.Answered());
    EXPECT_EQ(Doc().GetSheetSettings().width, before.width + 1000);
    EXPECT_GT(view->horizontalScrollBar()->maximum(), scrollBefore) << "the view follows";
    EXPECT_TRUE(Doc().IsModified());

    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(Doc().GetSheetSettings().width, before.width);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), scrollBefore);

    // Cancel changes nothing and records nothing.
    const std::size_t steps = History().GetStepCount();
    CModalAnswer<ui::CDeviceDlgSheetSize> cancel(
        [](ui::CDeviceDlgSheetSize& dialog) { Click(dialog, ui::kCancelButton); });
    frame->RunCommand(de::kCmdSheetSize);
    ASSERT_TRUE(cancel.Answered());
    EXPECT_EQ(Doc().GetSheetSettings().width, before.width);
    EXPECT_EQ(History().GetStepCount(), steps);
}

// -- colours

TEST_F(SheetDialogsGui, ColoursShowOnTheSwatchesAndCancelPutsThemBack) {
    const model::DeviceSheetSettings before = Doc().GetSheetSettings();
    de::CSheetColourController controller(Doc());
    ui::CDeviceDlgColorSet dialog(controller, colours);
    dialog.show();
    auto* background = Ctl<QWidget>(dialog, ui::CDeviceDlgColorSet::kBackgroundSwatch);
    auto* physical = Ctl<QWidget>(dialog, ui::CDeviceDlgColorSet::kPhysicalSwatch);
    ASSERT_TRUE(background && physical);
    EXPECT_EQ(SwatchColour(*background), platform::gdi::ToQColor(before.background));
    EXPECT_EQ(SwatchColour(*physical), platform::gdi::ToQColor(before.physicalLink));

    const QColor blue(0, 0, 255);
    auto pick = PickColour(blue);
    QTest::mouseClick(background, Qt::LeftButton);
    ASSERT_TRUE(pick.Answered());
    EXPECT_EQ(Doc().GetSheetSettings().background, 0xFF0000u) << "into the sheet at once";
    EXPECT_EQ(SwatchColour(*background), blue);

    // Save as default writes the colours now shown, in decimal.
    Click(dialog, ui::CDeviceDlgColorSet::kSaveDefault);
    EXPECT_NE(ReadBytes(platform::app_paths::ProgramIniPath()).find("SysDocBack=16711680"),
              std::string::npos);

    // A colour dialog cancelled keeps the colour.
    CModalAnswer<QColorDialog> cancel([](QColorDialog& d) { d.reject(); });
    QTest::mouseClick(physical, Qt::LeftButton);
    ASSERT_TRUE(cancel.Answered());
    EXPECT_EQ(Doc().GetSheetSettings().physicalLink, before.physicalLink);

    Click(dialog, ui::kCancelButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Doc().GetSheetSettings(), before);
}

TEST_F(SheetDialogsGui, ColourCommandKeepsTheColoursWithAnUndoStep) {
    EXPECT_TRUE(frame->CommandState(de::kCmdColours).enabled);
    EXPECT_TRUE(frame->CommandState(de::kCmdColourScheme).enabled);
    const model::DeviceSheetSettings before = Doc().GetSheetSettings();
    CModalAnswer<ui::CDeviceDlgColorSet> answer([](ui::CDeviceDlgColorSet& dialog) {
        auto pick = PickColour(QColor(0, 255, 0));
        QTest::mouseClick(Ctl<QWidget>(dialog, ui::CDeviceDlgColorSet::kNetworkSwatch),
                          Qt::LeftButton);
        EXPECT_TRUE(pick.Answered());
        Click(dialog, ui::kOkButton);
    });
    frame->RunCommand(de::kCmdColourScheme);
    ASSERT_TRUE(answer.Answered());
    EXPECT_EQ(Doc().GetSheetSettings().networkLink, 0x00FF00u);
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(Doc().GetSheetSettings(), before);
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(Doc().GetSheetSettings().networkLink, 0x00FF00u);
}

// -- text boxes

TEST_F(SheetDialogsGui, TextDialogAppliesTextAtOnceRefusesWhatLeavesTheSheetAndCancelRestores) {
    model::CDeviceText* box = AddText(7, "Rack\r\nA");
    ASSERT_NE(box, nullptr);
    const model::Rect body = box->m_body;
    de::CTextPropertyController controller(Doc(), *box, measurer);
    ui::CDeviceDlgTextProperty dialog(controller, colours, fonts);
    dialog.show();
    auto* edit = Ctl<QPlainTextEdit>(dialog, ui::CDeviceDlgTextProperty::kTextEdit);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->toPlainText(), "Rack\nA") << "one line per line of the box";
    EXPECT_EQ(SwatchColour(*Ctl<QWidget>(dialog, ui::CDeviceDlgTextProperty::kBackSwatch)),
              platform::gdi::ToQColor(box->m_colours[0]));

    edit->setPlainText("Rack\nB and more");
    EXPECT_EQ(box->m_name, "Rack\r\nB and more");
    EXPECT_GT(box->m_body.Width(), body.Width()) << "the box sized to the text";

    // Far wider than the sheet: the box and the edit keep the text before.
    edit->setPlainText(QString(3000, 'W'));
    EXPECT_EQ(box->m_name, "Rack\r\nB and more");
    EXPECT_EQ(edit->toPlainText(), "Rack\nB and more");
    EXPECT_FALSE(edit->document()->isUndoAvailable());

    // A font too large for the sheet leaves the box as it was.
    const model::Rect sized = box->m_body;
    CModalAnswer<QFontDialog> hugeFont([](QFontDialog& d) {
        QFont font = d.currentFont();
        font.setPixelSize(4000);
        d.setCurrentFont(font);
        d.accept();
    });
    Click(dialog, ui::CDeviceDlgTextProperty::kFontButton);
    ASSERT_TRUE(hugeFont.Answered());
    EXPECT_EQ(box->m_body, sized);

    auto pick = PickColour(QColor(255, 0, 0));
    QTest::mouseClick(Ctl<QWidget>(dialog, ui::CDeviceDlgTextProperty::kTextSwatch),
                      Qt::LeftButton);
    ASSERT_TRUE(pick.Answered());
    EXPECT_EQ(box->m_colours[1], 0x0000FFu);
    Ctl<QCheckBox>(dialog, ui::CDeviceDlgTextProperty::kTransparent)->click();
    EXPECT_NE(box->m_transparent, 0);

    Click(dialog, ui::CDeviceDlgTextProperty::kCancel);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(box->m_name, "Rack\r\nA");
    EXPECT_EQ(box->m_body, body);
    EXPECT_EQ(box->m_transparent, 0);
    EXPECT_NE(box->m_colours[1], 0x0000FFu);
}

TEST_F(SheetDialogsGui, TextDialogRefusesAnEmptyTextWithoutAStepThenRecordsOne) {
    model::CDeviceText* box = AddText(7, "Rack");
    ASSERT_NE(box, nullptr);
    const std::size_t steps = History().GetStepCount();
    de::CTextPropertyController controller(Doc(), *box, measurer);
    ui::CDeviceDlgTextProperty dialog(controller, colours, fonts);
    dialog.show();
    auto* edit = Ctl<QPlainTextEdit>(dialog, ui::CDeviceDlgTextProperty::kTextEdit);
    edit->setPlainText("  ");
    Click(dialog, ui::kOkButton);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgEmptyText});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), edit);
    EXPECT_EQ(History().GetStepCount(), steps);

    edit->setPlainText("Stage");
    Click(dialog, ui::kOkButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(History().GetStepCount(), steps + 1);
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(dynamic_cast<model::CDeviceText*>(Doc().FindDevice(7, 0))->m_name, "Rack");
}

TEST_F(SheetDialogsGui, PropertiesCommandOnATextBoxOpensTheTextDialog) {
    model::CDeviceText* box = AddText(7, "Rack");
    ASSERT_NE(box, nullptr);
    view->Editor().SetCurrentDevice(box);
    CModalAnswer<ui::CDeviceDlgTextProperty> answer([](ui::CDeviceDlgTextProperty& dialog) {
        Ctl<QPlainTextEdit>(dialog, ui::CDeviceDlgTextProperty::kTextEdit)->setPlainText("Desk");
        Click(dialog, ui::kOkButton);
    });
    frame->RunCommand(de::kCmdProperties);
    ASSERT_TRUE(answer.Answered());
    EXPECT_EQ(dynamic_cast<model::CDeviceText*>(Doc().FindDevice(7, 0))->m_name, "Desk");
    EXPECT_TRUE(Doc().IsModified());
}

TEST_F(SheetDialogsGui, DroppedTextBoxConfirmedIsOneStepAndCancelledIsNone) {
    const std::size_t steps = History().GetStepCount();
    const int devices = Doc().GetDeviceCount();
    {
        CModalAnswer<ui::CDeviceDlgTextProperty> cancel([](ui::CDeviceDlgTextProperty& dialog) {
            Click(dialog, ui::CDeviceDlgTextProperty::kCancel);
        });
        EXPECT_FALSE(Doc().CreateDroppedDevice(200, 200, model::kModelText, measurer));
        ASSERT_TRUE(cancel.Answered());
        EXPECT_EQ(Doc().GetDeviceCount(), devices);
    }
    CModalAnswer<ui::CDeviceDlgTextProperty> answer([](ui::CDeviceDlgTextProperty& dialog) {
        Ctl<QPlainTextEdit>(dialog, ui::CDeviceDlgTextProperty::kTextEdit)->setPlainText(" Hall ");
        Click(dialog, ui::kOkButton);
    });
    EXPECT_TRUE(Doc().CreateDroppedDevice(200, 200, model::kModelText, measurer));
    ASSERT_TRUE(answer.Answered());
    ASSERT_EQ(Doc().GetDeviceCount(), devices + 1);
    EXPECT_EQ(History().GetStepCount(), steps + 1);
}

// -- generic devices

TEST_F(SheetDialogsGui, GenericDeviceDialogTrimsChecksTheCountsAndTakesAnyName) {
    de::CAddGenericController controller("Mixer");
    ui::CDeviceDlgAddGeneric dialog(controller);
    dialog.show();
    auto* inputs = Ctl<QLineEdit>(dialog, ui::CDeviceDlgAddGeneric::kInputsEdit);
    auto* outputs = Ctl<QLineEdit>(dialog, ui::CDeviceDlgAddGeneric::kOutputsEdit);
    auto* name = Ctl<QLineEdit>(dialog, ui::CDeviceDlgAddGeneric::kNameEdit);
    ASSERT_TRUE(inputs && outputs && name);
    EXPECT_EQ(inputs->text(), "1");
    EXPECT_EQ(outputs->text(), "1");
    EXPECT_EQ(name->text(), "Mixer");

    struct case_t {
        const char* inputs;
        const char* outputs;
        int message;
        QLineEdit* focus;
    };
    const case_t refused[] = {
        {"0", "1", resources::kMsgBadInputs, inputs},
        {"51", "1", resources::kMsgBadInputs, inputs},
        {"1a", "1", resources::kMsgBadInputs, inputs},
        {"2", "", resources::kMsgBadOutputs, outputs},
    };
    for (const case_t& c : refused) {
        SCOPED_TRACE(std::string(c.inputs) + " / " + c.outputs);
        inputs->setText(c.inputs);
        outputs->setText(c.outputs);
        Click(dialog, ui::kOkButton);
        EXPECT_EQ(messages.ShownIds().back(), c.message);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.focusWidget(), c.focus);
    }
    inputs->setText(" 12 ");
    outputs->setText("50");
    name->setText("");
    Click(dialog, ui::kOkButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(inputs->text(), "12") << "the trimmed text shows";
    EXPECT_EQ(controller.Result().inputs, 12);
    EXPECT_EQ(controller.Result().outputs, 50);
    EXPECT_EQ(controller.Result().name, "");
}

TEST_F(SheetDialogsGui, DroppedGenericDeviceTakesTheDialogsCounts) {
    const int devices = Doc().GetDeviceCount();
    CModalAnswer<ui::CDeviceDlgAddGeneric> answer([](ui::CDeviceDlgAddGeneric& dialog) {
        Ctl<QLineEdit>(dialog, ui::CDeviceDlgAddGeneric::kInputsEdit)->setText("3");
        Ctl<QLineEdit>(dialog, ui::CDeviceDlgAddGeneric::kOutputsEdit)->setText("2");
        Click(dialog, ui::kOkButton);
    });
    EXPECT_TRUE(Doc().CreateDroppedDevice(200, 200, model::kModelGeneric, measurer));
    ASSERT_TRUE(answer.Answered());
    ASSERT_EQ(Doc().GetDeviceCount(), devices + 1);
    const model::CBaseDevice* generic = Doc().GetDevice(devices);
    int inputs = 0, outputs = 0;
    for (const auto& channel : generic->m_channels)
        if (const auto* c = model::AsDeviceChnl(channel.get()))
            ++(c->m_direction == 0 ? inputs : outputs);
    EXPECT_EQ(inputs, 3);
    EXPECT_EQ(outputs, 2);
}

// -- connection list

TEST_F(SheetDialogsGui, ConnectionListShowsTheRowsUnderALockedHeaderAndExports) {
    model::CBaseDevice* stage = AddUnit(1, "Stage", 100);
    model::CBaseDevice* desk = AddUnit(2, "Desk", 500);
    Link(1, *stage, *desk);
    de::CLinkViewController controller(Doc());
    const fs::path saved = home.path() / "list.txt";
    QString proposed;
    ui::CDeviceDlgLinkView dialog(controller, nullptr, {}, [&](const QString& name) {
        proposed = name;
        return std::optional<QString>(QString::fromStdString(saved.string()));
    });
    dialog.show();

    QTreeWidget* list = dialog.List();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QTreeWidgetItem* row = list->topLevelItem(0);
    EXPECT_EQ(row->text(2), "Stage(AB01)");
    EXPECT_EQ(row->text(5), "Desk(AB02)");
    EXPECT_FALSE(row->icon(3).isNull()) << "the arrow";
    EXPECT_EQ(list->topLevelItem(1)->text(0), "void");
    EXPECT_EQ(list->headerItem()->text(1), QString::fromUtf8("输出通道"));
    auto* header = qobject_cast<shell::ui::CLockedHeaderCtrl*>(list->header());
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(header->IsLocked());
    EXPECT_EQ(header->sectionResizeMode(2), QHeaderView::Fixed);

    Click(dialog, ui::CDeviceDlgLinkView::kSaveButton);
    EXPECT_TRUE(proposed.endsWith(".txt"));
    EXPECT_EQ(ReadBytes(saved), de::LinkListText(controller.Rows()));

    Click(dialog, ui::CDeviceDlgLinkView::kExitButton);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SheetDialogsGui, ConnectionListPrintsAPdfPageAndSaysWhenThereIsNoPrinter) {
    model::CBaseDevice* stage = AddUnit(1, "Stage", 100);
    model::CBaseDevice* desk = AddUnit(2, "Desk", 500);
    Link(1, *stage, *desk);
    messages.ScriptAnswer(resources::kMsgAskPrint, EMessageAnswer::Ok);
    de::CLinkViewController controller(Doc());
    const fs::path pdf = home.path() / "list.pdf";
    ui::CDeviceDlgLinkView dialog(controller, nullptr, [&] {
        return ui::PdfLinkListPrinter(QString::fromStdString(pdf.string()));
    });
    Click(dialog, ui::CDeviceDlgLinkView::kPrintButton);
    const std::string bytes = ReadBytes(pdf);
    ASSERT_EQ(bytes.rfind("%PDF", 0), 0u);
    const std::regex page(R"(/Type\s*/Page\b[^s])");
    EXPECT_EQ(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page),
                            std::sregex_iterator()),
              1)
        << "one page";
    EXPECT_TRUE(messages.ShownIds().empty());

    ui::CDeviceDlgLinkView offline(controller, nullptr, [] { return nullptr; });
    Click(offline, ui::CDeviceDlgLinkView::kPrintButton);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgPrinterFailed});
}

TEST_F(SheetDialogsGui, ConnectionListCommandOpensTheList) {
    EXPECT_TRUE(frame->CommandState(de::kCmdLinkList).enabled);
    CModalAnswer<ui::CDeviceDlgLinkView> answer([](ui::CDeviceDlgLinkView& dialog) {
        EXPECT_EQ(dialog.List()->topLevelItemCount(), 0);
        Click(dialog, ui::CDeviceDlgLinkView::kExitButton);
    });
    frame->RunCommand(de::kCmdLinkList);
    EXPECT_TRUE(answer.Answered());
}

} // namespace
