// The text box dialog without widgets, on the builder's sheet with the
// fixed-width measurer (Arial 12: 12 high, 6 wide a character; the sheet is
// 1130 x 1600): every change applied at once, a change that would make the
// box too large taken back, Cancel restoring the box byte for byte, the
// undo step on OK, a palette drop, and the defaults in Ostrel.ini.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device_editor/add_generic_controller.h"
#include "device_editor/link_view_controller.h"
#include "device_editor/sheet_colour_controller.h"
#include "device_editor/sheet_commands.h"
#include "device_editor/sheet_size_controller.h"
#include "device_editor/text_property_controller.h"
#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_text.h"
#include "model/program_settings.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"
#include "tests/device_editor/sheet_undo_host.h"

namespace {

namespace fs = std::filesystem;
using namespace device_editor;
using model::CDeviceText;

using Host = sheet_test::CSheetUndoHost;

// Only the text dialog is scripted here.
class TextRunner : public ISheetDialogRunner {
public:
    bool RunSheetSize(CSheetSizeController&) override { return false; }
    bool RunSheetColours(CSheetColourController&) override { return false; }
    bool RunAddGeneric(CAddGenericController&) override { return false; }
    bool RunTextProperty(CTextPropertyController& d) override { return script(d); }
    void RunLinkView(CLinkViewController&) override {}
    std::function<bool(CTextPropertyController&)> script;
};

class TextDialog : public ::testing::Test {
protected:
    TextDialog() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
        doc.SetModifiedFlag(false);
    }

    CDeviceText& box() { return static_cast<CDeviceText&>(*doc.FindDevice(6, 0)); }
    std::vector<std::uint8_t> Bytes() { return device_test::StoreObject(box()); }
    model::CUndoHistory& history() { return *doc.GetUndoHistory(); }

    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    Host host{doc};
    model::CRecordingMessages messages;
};

TEST_F(TextDialog, EveryChangeIsAppliedAndATooWideTextIsTakenBack) {
    CTextPropertyController dialog(doc, box(), dc);
    EXPECT_EQ(dialog.EditText(), "Rack A");
    ASSERT_TRUE(dialog.OnTextChanged("Rack AB"));
    EXPECT_EQ(box().m_name, "Rack AB");
    EXPECT_EQ(box().m_body.Width(), 7 * 6);
    const model::Rect body = box().m_body;
    // 200 characters are 1200 wide: more than the sheet.
    EXPECT_FALSE(dialog.OnTextChanged(std::string(200, 'x')));
    EXPECT_EQ(box().m_name, "Rack AB");
    EXPECT_EQ(box().m_body, body);
    EXPECT_EQ(dialog.EditText(), "Rack AB");
    // Lines: the edit's "\n" is the box's "\r\n".
    ASSERT_TRUE(dialog.OnTextChanged("Rack\nA"));
    EXPECT_EQ(box().m_name, "Rack\r\nA");
    EXPECT_EQ(box().m_body.Height(), 2 * 12);
    EXPECT_EQ(dialog.EditText(), "Rack\nA");
    dialog.OnCancel();
}

TEST_F(TextDialog, ATextNearTheEdgeIsMovedBackOnTheSheet) {
    CTextPropertyController dialog(doc, box(), dc);
    // 150 characters, 900 wide from x 20: the box goes left to fit.
    ASSERT_TRUE(dialog.OnTextChanged(std::string(150, 'x')));
    const model::Rect bound = box().GetBoundRect();
    EXPECT_LE(bound.right, 1130 - 10);
    EXPECT_GE(bound.left, 0);
    dialog.OnCancel();
}

TEST_F(TextDialog, ATooLargeFontLeavesTheBoxAsItWas) {
    CTextPropertyController dialog(doc, box(), dc);
    const std::vector<std::uint8_t> before = Bytes();
    model::LOGFONT huge = box().m_font;
    huge.lfHeight = 2000;
    EXPECT_FALSE(dialog.SetFont(huge));
    EXPECT_EQ(Bytes(), before);
    model::LOGFONT larger = box().m_font;
    larger.lfHeight = 24;
    ASSERT_TRUE(dialog.SetFont(larger));
    EXPECT_EQ(box().m_font.lfHeight, 24);
    EXPECT_EQ(box().m_body.Height(), 24);
    EXPECT_EQ(box().m_body.Width(), 6 * 12);
    dialog.OnCancel();
}

TEST_F(TextDialog, CancelRestoresTheBoxByteForByte) {
    const std::vector<std::uint8_t> before = Bytes();
    CTextPropertyController dialog(doc, box(), dc);
    ASSERT_TRUE(dialog.OnTextChanged("Rack A\nsecond line"));
    dialog.SetTextColour(0x0000FF);
    dialog.SetBackColour(0x00FF00);
    dialog.SetTransparent(true);
    model::LOGFONT font = box().m_font;
    font.lfHeight = 30;
    font.lfWeight = 700;
    font.lfFaceName = "Courier";
    ASSERT_TRUE(dialog.SetFont(font));
    EXPECT_EQ(dialog.TextColour(), 0x0000FFu);
    EXPECT_TRUE(dialog.Transparent());
    ASSERT_NE(Bytes(), before);
    const std::size_t steps = history().GetStepCount();
    dialog.OnCancel();
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(history().GetStepCount(), steps);
}

TEST_F(TextDialog, OkChecksTheTextFirstAndRecordsOneStep) {
    const std::vector<std::uint8_t> before = Bytes();
    const std::size_t steps = history().GetStepCount();
    CTextPropertyController dialog(doc, box(), dc);
    ASSERT_TRUE(dialog.OnTextChanged("  \n "));
    EXPECT_FALSE(dialog.OnOk());
    EXPECT_FALSE(dialog.OnOk());
    EXPECT_EQ(messages.ShownIds(), (std::vector<int>{240, 240}));
    EXPECT_EQ(history().GetStepCount(), steps);
    ASSERT_TRUE(dialog.OnTextChanged("Rack B"));
    dialog.SetBackColour(0x123456);
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_EQ(history().GetStepCount(), steps + 1);
    EXPECT_TRUE(doc.IsModified());
    const std::vector<std::uint8_t> edited = Bytes();
    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(Bytes(), before);
    ASSERT_TRUE(history().Redo());
    EXPECT_EQ(Bytes(), edited);
}

TEST_F(TextDialog, TheViewsPropertiesCommandRunsTheDialog) {
    TextRunner runner;
    runner.script = [](CTextPropertyController& d) {
        d.OnTextChanged("Rack C");
        return d.OnOk();
    };
    const std::size_t steps = history().GetStepCount();
    EXPECT_TRUE(EditTextProperties(doc, box(), dc, runner));
    EXPECT_EQ(box().m_name, "Rack C");
    EXPECT_EQ(history().GetStepCount(), steps + 1);
}

TEST_F(TextDialog, ADroppedBoxConfirmedWithOkIsOneStep) {
    TextRunner runner;
    CSheetDropDialogs dialogs(doc, dc, runner);
    doc.SetDialogs(&dialogs);
    runner.script = [](CTextPropertyController& d) {
        EXPECT_EQ(d.EditText(), "Text");
        d.OnTextChanged(" Stage\nleft ");
        d.SetTransparent(true);
        return d.OnOk();
    };
    const std::size_t steps = history().GetStepCount();
    ASSERT_TRUE(doc.CreateDroppedDevice(300, 500, model::kModelText, dc));
    EXPECT_EQ(history().GetStepCount(), steps + 1);
    const auto* text = dynamic_cast<const CDeviceText*>(doc.FindDevice(7, 0));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->m_name, "Stage\r\nleft");
    EXPECT_EQ(text->m_transparent, 1);
    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(doc.FindDevice(7, 0), nullptr);

    runner.script = [](CTextPropertyController& d) {
        d.OnTextChanged("gone");
        d.OnCancel();
        return false;
    };
    EXPECT_FALSE(doc.CreateDroppedDevice(300, 500, model::kModelText, dc));
    EXPECT_EQ(doc.GetDeviceCount(), 7);
    doc.SetDialogs(nullptr);
}

TEST_F(TextDialog, SaveAsDefaultWritesTheSchemeAndTheFont) {
    const fs::path home = fs::temp_directory_path() / ("core41-text-" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    const char* old = std::getenv("OSTREL_HOME");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("OSTREL_HOME", home.c_str(), 1);

    CTextPropertyController dialog(doc, box(), dc);
    dialog.SetBackColour(0x00C0FFEE);
    dialog.SetTextColour(0x0000FF);
    dialog.SetTransparent(true);
    model::LOGFONT font = box().m_font;
    font.lfHeight = -16;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfFaceName = "Courier New";
    ASSERT_TRUE(dialog.SetFont(font));
    EXPECT_TRUE(dialog.SaveAsDefault());
    std::ifstream in(home / "Ostrel.ini", std::ios::binary);
    const std::string ini{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(ini, "[ColorScheme]\n"
                   "TEXTBack=12648430\n"
                   "TEXTFore=255\n"
                   "TEXTTransparent=1\n"
                   "\n"
                   "[TextDeviceFont]\n"
                   "Height=-16\n"
                   "Width=0\n"
                   "Escapement=0\n"
                   "Orientation=0\n"
                   "Weight=700\n"
                   "Italic=1\n"
                   "Underline=0\n"
                   "StrikeOut=0\n"
                   "CharSet=1\n"
                   "OutPrecision=0\n"
                   "ClipPrecision=0\n"
                   "Quality=0\n"
                   "PitchAndFamily=32\n"
                   "FaceName=Courier New\n");
    // A new box takes them at once.
    const CDeviceText fresh(dc, 100, 100, 9, "New", model::kModelText, 0);
    EXPECT_EQ(fresh.m_font, font);
    EXPECT_EQ(fresh.m_transparent, 1);
    EXPECT_EQ(fresh.m_colours[0], 0x00C0FFEEu);
    EXPECT_EQ(fresh.m_colours[1], 0x0000FFu);
    dialog.OnCancel();

    if (saved)
        ::setenv("OSTREL_HOME", saved->c_str(), 1);
    else
        ::unsetenv("OSTREL_HOME");
    fs::remove_all(home);
    model::InstallProgramSettings(std::make_shared<const model::CProgramSettings>());
}

} // namespace
