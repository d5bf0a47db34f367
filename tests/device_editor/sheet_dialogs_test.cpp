// The sheet size, sheet colour and generic device dialogs without widgets,
// and the document commands that open them through a scripted runner: the
// input checks with their messages and focus, what OK, Cancel and "save as
// default" leave in the document, its undo history and Ostrel.ini.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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

// Points $OSTREL_HOME at a fresh folder for the test's life; the settings
// snapshot goes back to the defaults afterwards.
class ScopedHome {
public:
    ScopedHome() : m_folder(fs::temp_directory_path() / ("core41-" + std::to_string(::getpid()))) {
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        if (const char* old = std::getenv("OSTREL_HOME"))
            m_old = old;
        ::setenv("OSTREL_HOME", m_folder.c_str(), 1);
    }
    ~ScopedHome() {
        if (m_old)
            ::setenv("OSTREL_HOME", m_old->c_str(), 1);
        else
            ::unsetenv("OSTREL_HOME");
        fs::remove_all(m_folder);
        model::InstallProgramSettings(std::make_shared<const model::CProgramSettings>());
    }
    std::string Ini() const {
        std::ifstream in(m_folder / "Ostrel.ini", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    fs::path m_folder;
    std::optional<std::string> m_old;
};

using Host = sheet_test::CSheetUndoHost;

class Frame : public IDeviceMainFrame {
public:
    void ClearOutputList() override {}
    void ClearOutputBarShown() override {}
    void ClearDownloadingRecord() override {}
    void SetDeviceDocumentPath(const std::string&) override {}
    void UpdateStatusPanes(int selector) override { panes.push_back(selector); }
    void RefreshFrameTitles() override {}
    std::vector<int> panes;
};

// Each dialog runs the test's script; without one it is cancelled.
class ScriptRunner : public ISheetDialogRunner {
public:
    bool RunSheetSize(CSheetSizeController& d) override { return size && size(d); }
    bool RunSheetColours(CSheetColourController& d) override { return colours && colours(d); }
    bool RunAddGeneric(CAddGenericController& d) override { return generic && generic(d); }
    bool RunTextProperty(CTextPropertyController& d) override { return text && text(d); }
    void RunLinkView(CLinkViewController& d) override { linkRows = d.Rows().size(); }

    std::function<bool(CSheetSizeController&)> size;
    std::function<bool(CSheetColourController&)> colours;
    std::function<bool(CAddGenericController&)> generic;
    std::function<bool(CTextPropertyController&)> text;
    std::optional<std::size_t> linkRows;
};

// -- sheet size

TEST(SheetSizeDialog, TextsAreCheckedThenTheMinimum) {
    struct case_t {
        const char* width;
        const char* height;
        int message; // 0: accepted
        EDialogField focus;
    };
    const case_t cases[] = {
        {"499", "800", 137, EDialogField::Width},
        {"20001", "800", 137, EDialogField::Width},
        {"", "800", 137, EDialogField::Width},
        {"8a0", "800", 137, EDialogField::Width},
        {"-800", "800", 137, EDialogField::Width},
        {"99999999999999999999", "800", 137, EDialogField::Width},
        {"x", "x", 137, EDialogField::Width}, // the width first
        {"800", "499", 186, EDialogField::Height},
        {"800", "20001", 186, EDialogField::Height},
        {"800", "", 186, EDialogField::Height},
        {"800", "8a0", 186, EDialogField::Height},
        {"500", "500", 138, EDialogField::Width}, // below the devices' 600 x 700
        {"600", "699", 139, EDialogField::Height},
        {"600", "700", 0, EDialogField::None},
        {"20000", "20000", 0, EDialogField::None},
        {" 800 ", "\t900 ", 0, EDialogField::None},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(std::string("'") + c.width + "' x '" + c.height + "'");
        model::CRecordingMessages messages;
        CSheetSizeController dialog(1130, 1600, {600, 700});
        dialog.SetWidthText(c.width);
        dialog.SetHeightText(c.height);
        EXPECT_EQ(dialog.OnOk(), c.message == 0);
        EXPECT_EQ(dialog.Focus(), c.focus);
        EXPECT_EQ(messages.ShownIds(),
                  c.message == 0 ? std::vector<int>{} : std::vector<int>{c.message});
        if (c.message != 0) {
            EXPECT_EQ(dialog.Width(), 1130);
            EXPECT_EQ(dialog.Height(), 1600);
        }
    }
    CSheetSizeController dialog(1130, 1600, {});
    EXPECT_EQ(dialog.WidthText(), "1130");
    EXPECT_EQ(dialog.HeightText(), "1600");
    dialog.SetWidthText(" 800 ");
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_EQ(dialog.Width(), 800);
    EXPECT_EQ(dialog.Height(), 1600);
}

TEST(SheetSizeDialog, SaveAsDefaultIgnoresTheMinimumAndWritesTheTwoKeys) {
    ScopedHome home;
    model::CRecordingMessages messages;
    CSheetSizeController dialog(1130, 1600, {5000, 5000});
    dialog.SetWidthText("8a0");
    EXPECT_FALSE(dialog.SaveAsDefault());
    EXPECT_EQ(dialog.Focus(), EDialogField::Width);
    EXPECT_EQ(home.Ini(), "");
    dialog.SetWidthText(" 600");
    dialog.SetHeightText("700");
    EXPECT_TRUE(dialog.SaveAsDefault());
    EXPECT_EQ(home.Ini(), "[SheetSize]\nSheetWidth=600\nSheetHeight=700\n");
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{137});
    // New sheets take them at once.
    EXPECT_EQ(CZoDeviceDoc::NewSheetSettings().width, 600);
    EXPECT_EQ(CZoDeviceDoc::NewSheetSettings().height, 700);
}

// -- commands on a document

class SheetCommands : public ::testing::Test {
protected:
    SheetCommands() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
        doc.SetMainFrame(&frame);
        doc.SetModifiedFlag(false);
    }
    ~SheetCommands() override { doc.SetMainFrame(nullptr); }

    model::CUndoHistory& history() { return *doc.GetUndoHistory(); }
    const model::DeviceSheetSettings& sheet() const { return doc.GetSheetSettings(); }

    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    Host host{doc};
    Frame frame;
    ScriptRunner runner;
    model::CRecordingMessages messages;
};

TEST_F(SheetCommands, BothSizeCommandsRecordASheetStep) {
    for (const int command : {kCmdSheetSize, kCmdDocumentSize}) {
        SCOPED_TRACE(command);
        // An older sheet step: undoing the size must not undo it too, nor
        // must undoing it bring an old size back.
        ASSERT_TRUE(doc.OnCommand(CZoDeviceDoc::kCmdGrid));
        const model::DeviceSheetSettings before = sheet();
        runner.size = [](CSheetSizeController& d) {
            EXPECT_EQ(d.WidthText(), "1130");
            d.SetWidthText("2000");
            d.SetHeightText("3000");
            return d.OnOk();
        };
        frame.panes.clear();
        doc.SetModifiedFlag(false);
        ASSERT_TRUE(RunSheetDialogCommand(doc, command, runner, &frame));
        EXPECT_EQ(sheet().width, 2000);
        EXPECT_EQ(sheet().height, 3000);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(frame.panes, std::vector<int>{2});
        ASSERT_TRUE(history().Undo());
        EXPECT_EQ(sheet(), before);
        ASSERT_TRUE(history().Redo());
        EXPECT_EQ(sheet().width, 2000);
        ASSERT_TRUE(history().Undo());
        ASSERT_TRUE(history().Undo()); // the grid
        EXPECT_EQ(sheet().width, 1130);
        EXPECT_EQ(sheet().grid, 1);
    }
}

TEST_F(SheetCommands, ASizeDialogCancelledChangesNothing) {
    const std::size_t steps = history().GetStepCount();
    runner.size = [](CSheetSizeController& d) {
        d.SetWidthText("499");
        EXPECT_FALSE(d.OnOk());
        return false;
    };
    ASSERT_TRUE(RunSheetDialogCommand(doc, kCmdDocumentSize, runner, &frame));
    EXPECT_EQ(sheet().width, 1130);
    EXPECT_EQ(history().GetStepCount(), steps);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{137});
}

TEST_F(SheetCommands, ASizeBelowTheDevicesIsRefused) {
    const model::Size extent = doc.GetDevicesExtent();
    ASSERT_GT(extent.cx, 500);
    runner.size = [&](CSheetSizeController& d) {
        d.SetWidthText(std::to_string(extent.cx - 1));
        EXPECT_FALSE(d.OnOk());
        EXPECT_EQ(d.Focus(), EDialogField::Width);
        d.SetWidthText(std::to_string(extent.cx));
        return d.OnOk();
    };
    ASSERT_TRUE(RunSheetDialogCommand(doc, kCmdSheetSize, runner, &frame));
    EXPECT_EQ(sheet().width, extent.cx);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{138});
}

TEST_F(SheetCommands, ColoursCancelledLeaveTheSheetAsItWas) {
    const model::DeviceSheetSettings before = sheet();
    const std::size_t steps = history().GetStepCount();
    for (const int command : {kCmdColours, kCmdColourScheme}) {
        runner.colours = [&](CSheetColourController& d) {
            d.SetColour(ESheetColour::Background, 0x00FFEE);
            d.SetColour(ESheetColour::PhysicalLink, 0x0000FF);
            // The sheet shows them while the dialog is open.
            EXPECT_EQ(sheet().background, 0x00FFEEu);
            EXPECT_EQ(d.Colour(ESheetColour::PhysicalLink), 0x0000FFu);
            d.OnCancel();
            return false;
        };
        frame.panes.clear();
        ASSERT_TRUE(RunSheetDialogCommand(doc, command, runner, &frame));
        EXPECT_EQ(sheet(), before);
        EXPECT_EQ(history().GetStepCount(), steps);
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(frame.panes, std::vector<int>{1});
    }
}

TEST_F(SheetCommands, ColoursKeptWithOneStepThatUndoesToTheOldOnes) {
    const model::DeviceSheetSettings before = sheet();
    runner.colours = [](CSheetColourController& d) {
        d.SetColour(ESheetColour::NetworkLink, 0x00FF00);
        d.SetColour(ESheetColour::NetworkLink, 0x123456); // chosen twice
        d.SetColour(ESheetColour::Background, 0xEEEEEE);
        d.OnOk();
        return true;
    };
    const std::size_t steps = history().GetStepCount();
    ASSERT_TRUE(RunSheetDialogCommand(doc, kCmdColourScheme, runner, &frame));
    model::DeviceSheetSettings chosen = before;
    chosen.networkLink = 0x123456;
    chosen.background = 0xEEEEEE;
    EXPECT_EQ(sheet(), chosen);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(history().GetStepCount(), steps + 1);
    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(sheet(), before);
    ASSERT_TRUE(history().Redo());
    EXPECT_EQ(sheet(), chosen);
}

TEST_F(SheetCommands, ColoursSavedAsDefaultInDecimal) {
    ScopedHome home;
    CSheetColourController dialog(doc);
    dialog.SetColour(ESheetColour::Background, 0x00F0E0D0);
    EXPECT_TRUE(dialog.SaveAsDefault());
    EXPECT_EQ(home.Ini(), "[ColorScheme]\nSysDocBack=15786192\nSysPhysicalLine=0\n"
                          "SysNetLine=16711680\n");
    EXPECT_EQ(CZoDeviceDoc::NewSheetSettings().background, 0x00F0E0D0u);
    dialog.OnCancel();
}

TEST_F(SheetCommands, TheConnectionListOpensOnTheDocument) {
    ASSERT_TRUE(RunSheetDialogCommand(doc, kCmdLinkList, runner, &frame));
    EXPECT_EQ(runner.linkRows,
              std::optional<std::size_t>(0)); // the builder's units have short MACs
    EXPECT_FALSE(RunSheetDialogCommand(doc, CZoDeviceDoc::kCmdGrid, runner, &frame));
    EXPECT_FALSE(IsSheetDialogCommand(CZoDeviceDoc::kCmdGrid));
    EXPECT_TRUE(IsSheetDialogCommand(kCmdLinkList));
}

// -- generic device

TEST(AddGenericDialog, CountsMustBeOneToFifty) {
    struct case_t {
        const char* inputs;
        const char* outputs;
        int message;
        EDialogField focus;
    };
    const case_t cases[] = {
        {" 12 ", "1", 0, EDialogField::None},     {"1", "50", 0, EDialogField::None},
        {"0", "1", 4101, EDialogField::Inputs},   {"51", "1", 4101, EDialogField::Inputs},
        {"1a", "1", 4101, EDialogField::Inputs},  {"", "1", 4101, EDialogField::Inputs},
        {"x", "x", 4101, EDialogField::Inputs},   {"1", "0", 4102, EDialogField::Outputs},
        {"1", "51", 4102, EDialogField::Outputs}, {"1", "1a", 4102, EDialogField::Outputs},
        {"1", " ", 4102, EDialogField::Outputs},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(std::string("'") + c.inputs + "' / '" + c.outputs + "'");
        model::CRecordingMessages messages;
        CAddGenericController dialog("Device4");
        EXPECT_EQ(dialog.InputsText(), "1");
        EXPECT_EQ(dialog.NameText(), "Device4");
        dialog.SetInputsText(c.inputs);
        dialog.SetOutputsText(c.outputs);
        EXPECT_EQ(dialog.OnOk(), c.message == 0);
        EXPECT_EQ(dialog.Focus(), c.focus);
        EXPECT_EQ(messages.ShownIds(),
                  c.message == 0 ? std::vector<int>{} : std::vector<int>{c.message});
    }
    CAddGenericController dialog("Device4");
    dialog.SetInputsText(" 12 ");
    dialog.SetOutputsText("3");
    dialog.SetNameText("  ");
    ASSERT_TRUE(dialog.OnOk());
    EXPECT_EQ(dialog.InputsText(), "12"); // the edits show the trimmed texts
    EXPECT_EQ(dialog.Result().inputs, 12);
    EXPECT_EQ(dialog.Result().outputs, 3);
    EXPECT_EQ(dialog.Result().name, "");
}

TEST_F(SheetCommands, AGenericDropTakesTheDialogsValues) {
    CSheetDropDialogs dialogs(doc, dc, runner);
    doc.SetDialogs(&dialogs);
    runner.generic = [](CAddGenericController& d) {
        EXPECT_EQ(d.NameText(), "Device7");
        d.SetInputsText(" 3");
        d.SetOutputsText("2 ");
        d.SetNameText("Desk");
        return d.OnOk();
    };
    ASSERT_TRUE(doc.CreateDroppedDevice(600, 600, model::kModelGeneric, dc));
    const model::CBaseDevice* device = doc.FindDevice(7, 0);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->m_name, "Desk");
    EXPECT_EQ(device->m_inputCount, 3);
    EXPECT_EQ(device->m_outputCount, 2);
    runner.generic = nullptr; // cancelled
    EXPECT_FALSE(doc.CreateDroppedDevice(800, 600, model::kModelGeneric, dc));
    EXPECT_EQ(doc.FindDevice(8, 0), nullptr);
    doc.SetDialogs(nullptr);
}

} // namespace
