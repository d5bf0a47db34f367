// The DSP property panel without its window: number fields clamp on Enter
// or focus loss, an emptied caption falls back to the name, colours and the
// two buttons reach the document and the ini file, every edit marks the
// document modified without an undo step, the algorithm tab's facts, and
// the object list following the sheet both ways.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dsp_editor/property_panel_controller.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_classes.h"
#include "model/program_settings.h"
#include "model/recording_messages.h"
#include "platform/profile/profile.h"

namespace {

namespace fs = std::filesystem;
namespace de = dsp_editor;
using de::CPropertyPanelController;
using model::CBaseAriModule;
using model::CBaseLink;
using Panel = CPropertyPanelController;

class CountingWindow final : public de::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override {}
    int repaints = 0;
};

class CountingPanelWindow final : public de::IPropertyPanelWindow {
public:
    void Refresh() override { ++refreshes; }
    int refreshes = 0;
};

// A new sheet (8 inputs with ids 1-8, 8 outputs 9-16) with a view, an open
// panel and a temporary program folder, marked clean.
class DspEditorProperty : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "dsp_property_XXXXXX").string();
        home = ::mkdtemp(pattern.data());
        ::setenv("OSTREL_HOME", home.c_str(), 1);
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        view->SetWindow(&window);
        frame.activeView = view.get();
        panel = std::make_unique<CPropertyPanelController>(*view);
        panel->SetWindow(&panelWindow);
        panel->OnInitDialog();
        doc->SetModifiedFlag(false);
    }
    void TearDown() override {
        model::InstallProgramSettings(std::make_shared<const model::CProgramSettings>());
        ::unsetenv("OSTREL_HOME");
        std::error_code ec;
        fs::remove_all(home, ec);
    }

    CBaseAriModule* Add(std::int32_t type, std::int32_t variant) {
        CBaseAriModule* module = doc->AddModule(type, variant, 200, 40 + 100 * added++, 1);
        panel->AddModule(*module);
        return module;
    }
    CBaseLink* Link(std::int32_t feedId, std::int32_t feedPin, std::int32_t recvId,
                    std::int32_t recvPin) {
        CBaseLink* link = dsp_test::Connect(*doc, feedId, feedPin, recvId, recvPin);
        panel->AddLink(*link);
        return link;
    }
    int IniInt(const char* section, const char* key) const {
        return platform::profile::ini_file_t(home / "Ostrel.ini").read_int(section, key, -1);
    }

    fs::path home;
    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    CountingWindow window;
    CountingPanelWindow panelWindow;
    std::unique_ptr<CPropertyPanelController> panel;
    int added = 0;
};

TEST_F(DspEditorProperty, SheetSidesClampToTheirRangeOnEnterOrFocusLossOnly) {
    panel->OnFieldChange(Panel::kCtlSheetWidth, "300");
    EXPECT_EQ(doc->m_sheetWidth, 1260) << "typing alone stores nothing";
    EXPECT_FALSE(doc->IsModified());

    panel->OnFieldChange(Panel::kCtlSheetWidth, "300\r\n");
    EXPECT_EQ(panel->FieldText(Panel::kCtlSheetWidth), "500");
    EXPECT_EQ(doc->m_sheetWidth, 500);
    EXPECT_EQ(window.repaints, 1);

    panel->OnFieldChange(Panel::kCtlSheetHeight, "25000");
    panel->OnFieldKillFocus(Panel::kCtlSheetHeight);
    EXPECT_EQ(panel->FieldText(Panel::kCtlSheetHeight), "20000");
    EXPECT_EQ(doc->m_sheetHeight, 20000);

    // The same value again: written back, nothing stored or repainted.
    doc->SetModifiedFlag(false);
    panel->OnFieldChange(Panel::kCtlSheetHeight, "20000abc");
    panel->OnFieldKillFocus(Panel::kCtlSheetHeight);
    EXPECT_EQ(panel->FieldText(Panel::kCtlSheetHeight), "20000");
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(window.repaints, 2);
}

TEST_F(DspEditorProperty, LinkWidthKeepsZeroTurnsNegativeIntoOneAndStopsAtFifty) {
    CBaseLink* link = Link(1, 0, 9, 0);
    const struct {
        const char* typed;
        const char* shown;
        std::int32_t stored;
    } cases[] = {{"0\r\n", "0", 0}, {"-5\r\n", "1", 1}, {"80\r\n", "50", 50}, {"7x\r\n", "7", 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        panel->OnFieldChange(Panel::kCtlLinkWidth, c.typed);
        EXPECT_EQ(panel->FieldText(Panel::kCtlLinkWidth), c.shown);
        EXPECT_EQ(link->m_penWidth, c.stored);
    }
}

TEST_F(DspEditorProperty, AnEmptiedCaptionFallsBackToTheNameOrTheChannelsLastNineCharacters) {
    CBaseAriModule* input = doc->GetModuleById(1);
    ASSERT_EQ(input->m_name, "Input Channel-1");
    panel->SelectModule(*input);
    panel->OnFieldChange(Panel::kCtlCaption, "Mic\r\n");
    EXPECT_EQ(input->m_displayName, "Mic");

    panel->OnFieldChange(Panel::kCtlCaption, "");
    panel->OnFieldKillFocus(Panel::kCtlCaption);
    EXPECT_EQ(input->m_displayName, "Channel-1");

    CBaseAriModule* delay = Add(model::kAriDelay, 1);
    panel->OnFieldChange(Panel::kCtlCaption, "\r\n");
    EXPECT_EQ(delay->m_displayName, delay->m_name);

    // No module shown: the caption field changes nothing.
    panel->SelectSheet();
    panel->OnFieldChange(Panel::kCtlCaption, "Lost\r\n");
    EXPECT_EQ(delay->m_displayName, delay->m_name);
}

TEST_F(DspEditorProperty, DelayColourSavedAsDefaultRecoloursEveryDelayAndNewOnes) {
    CBaseAriModule* first = Add(model::kAriDelay, 1);
    CBaseAriModule* second = Add(model::kAriDelay, 3);
    CBaseAriModule* router = Add(model::kAriRouter, 1);
    const model::COLORREF routerColour = router->m_colours[CBaseAriModule::kTypeColour];
    panel->SelectModule(*first);
    panel->OnSwatchColour(Panel::kCtlTypeColour, 0x123456);
    EXPECT_EQ(panel->SwatchColour(Panel::kCtlTypeColour), 0x123456u);
    EXPECT_EQ(second->m_colours[CBaseAriModule::kTypeColour], 0xC8C800u) << "not yet";

    messages.ScriptAnswer(254, model::EMessageAnswer::Cancel);
    messages.ScriptAnswer(254, model::EMessageAnswer::Ok);
    panel->OnSaveAsDefault();
    EXPECT_EQ(second->m_colours[CBaseAriModule::kTypeColour], 0xC8C800u);
    EXPECT_EQ(IniInt("ARIDELAY", "RcTypeColor"), -1);

    panel->OnSaveAsDefault();
    EXPECT_EQ(messages.AskedIds(), (std::vector<int>{254, 254}));
    EXPECT_EQ(second->m_colours[CBaseAriModule::kTypeColour], 0x123456u);
    EXPECT_EQ(router->m_colours[CBaseAriModule::kTypeColour], routerColour);
    EXPECT_EQ(IniInt("ARIDELAY", "RcTypeColor"), 0x123456);
    EXPECT_EQ(
        doc->AddModule(model::kAriDelay, 2, 400, 40, 1)->m_colours[CBaseAriModule::kTypeColour],
        0x123456u);
}

TEST_F(DspEditorProperty, LinkAndSheetDefaultsGoToTheirSections) {
    CBaseLink* link = Link(1, 0, 9, 0);
    panel->OnFieldChange(Panel::kCtlLinkWidth, "3\r\n");
    panel->OnSwatchColour(Panel::kCtlLinkColour, 0x00FF00);
    panel->OnSaveAsDefault();
    EXPECT_EQ(IniInt("Link", "LinkWidth"), 3);
    EXPECT_EQ(IniInt("Link", "LinkColor"), 0x00FF00);
    EXPECT_EQ(model::ProgramSettings()->link.width, 3);

    panel->SelectSheet();
    panel->OnFieldChange(Panel::kCtlSheetWidth, "2000\r\n");
    panel->OnSaveAsDefault();
    EXPECT_EQ(IniInt("DSPSheet", "SheetWidth"), 2000);
    EXPECT_EQ(IniInt("DSPSheet", "SheetHeight"), 1800);
    EXPECT_EQ(IniInt("DSPSheet", "SheetColor"), 0xFFFFFF);

    panel->SelectLink(*link);
    panel->OnLoadInitialValues();
    EXPECT_EQ(link->m_penWidth, 1);
    EXPECT_EQ(link->m_colour, 0xB40000u);
    EXPECT_EQ(panel->FieldText(Panel::kCtlLinkWidth), "1");
}

TEST_F(DspEditorProperty, EveryEditMarksTheDocumentModifiedAndRecordsNoUndoStep) {
    CBaseAriModule* delay = Add(model::kAriDelay, 1);
    CBaseAriModule* other = Add(model::kAriDelay, 2);
    CBaseLink* link = Link(1, 0, delay->m_id, 0);
    other->m_colours[CBaseAriModule::kTypeColour] = 0x010101;
    const struct {
        const char* name;
        std::function<void()> edit;
    } edits[] = {
        {"sheet width",
         [&] {
             panel->SelectSheet();
             panel->OnFieldChange(Panel::kCtlSheetWidth, "900\r\n");
         }},
        {"sheet height", [&] { panel->OnFieldChange(Panel::kCtlSheetHeight, "900\r\n"); }},
        {"sheet colour", [&] { panel->OnSwatchColour(Panel::kCtlSheetColour, 0x0000FF); }},
        {"sheet initial", [&] { panel->OnLoadInitialValues(); }},
        {"link width",
         [&] {
             panel->SelectLink(*link);
             panel->OnFieldChange(Panel::kCtlLinkWidth, "4\r\n");
         }},
        {"link colour", [&] { panel->OnSwatchColour(Panel::kCtlLinkColour, 0x0000FF); }},
        {"link initial", [&] { panel->OnLoadInitialValues(); }},
        {"caption",
         [&] {
             panel->SelectModule(*delay);
             panel->OnFieldChange(Panel::kCtlCaption, "D\r\n");
         }},
        {"type colour", [&] { panel->OnSwatchColour(Panel::kCtlTypeColour, 0x0000FF); }},
        {"module default", [&] { panel->OnSaveAsDefault(); }},
        {"module initial", [&] { panel->OnLoadInitialValues(); }},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.name);
        doc->SetModifiedFlag(false);
        e.edit();
        EXPECT_TRUE(doc->IsModified());
        EXPECT_FALSE(view->CanUndo());
    }
    EXPECT_EQ(other->m_colours[CBaseAriModule::kTypeColour], 0x0000FFu);
    EXPECT_EQ(delay->m_colours[CBaseAriModule::kTypeColour], 0xC8C800u);
    EXPECT_EQ(delay->m_displayName, delay->m_name);
}

TEST_F(DspEditorProperty, CrossoverOutputsShowTheirBandLettersOnTheLinkTab) {
    const struct {
        std::int32_t variant;
        std::int32_t output; // from 0
        const char* port;
    } cases[] = {{19, 0, "L"}, {19, 1, "H"},  {20, 1, "M"},
                 {20, 2, "H"}, {21, 1, "LM"}, {21, 2, "HM"}};
    panel->OnSelChangeTab(Panel::ETab::Algorithm);
    std::int32_t output_module = 9;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        CBaseAriModule* crossover = Add(model::kAriCrossover, c.variant);
        crossover->m_displayName = "X";
        CBaseLink* link = Link(crossover->m_id, 1 + c.output, output_module++, 0);
        const Panel::Table table = panel->PropertyTable();
        ASSERT_EQ(table.rows.size(), 2u);
        EXPECT_EQ(table.columns, (std::vector<std::string>{"属性", "算法名称", "端口"}));
        EXPECT_EQ(table.rows[0], (std::vector<std::string>{"输出算法模块", "X", c.port}));
        EXPECT_EQ(table.rows[1][1], "Output Channel-" + std::to_string(link->m_sourceModule - 8));
        EXPECT_EQ(table.rows[1][2], "In");
    }
    // Another module's outputs are numbered.
    CBaseAriModule* mixer = Add(model::kAriMixer, 1);
    Link(1, 0, mixer->m_id, 1);
    EXPECT_EQ(panel->PropertyTable().rows[0],
              (std::vector<std::string>{"输出算法模块", "Input Channel-1", "Out"}));
    EXPECT_EQ(panel->PropertyTable().rows[1][2], "In 2");
}

TEST_F(DspEditorProperty, SheetAndModuleFactsOnTheAlgorithmTab) {
    CBaseAriModule* delay = Add(model::kAriDelay, 1);
    Link(1, 0, delay->m_id, 0);
    Link(delay->m_id, 1, 9, 0);
    Link(delay->m_id, 1, 10, 0);
    doc->m_spaceTotal = 8191;
    doc->m_timeTotal = 12500;
    panel->SelectSheet();
    panel->OnSelChangeTab(Panel::ETab::Algorithm);
    EXPECT_FALSE(panel->IsControlVisible(Panel::kCtlSheetWidth));
    EXPECT_TRUE(panel->IsControlVisible(Panel::kCtlProperties));
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(panel->PropertyTable().rows, (Rows{{"算法模块数目", "3 (17 图形)"},
                                                 {"连线数目", "3"},
                                                 {"总使用空间", "99%"},
                                                 {"总使用时间", "50%"}}));
    EXPECT_EQ(model::AlgorithmModuleCount(16), 2);

    panel->SelectModule(*delay);
    const Rows rows = panel->PropertyTable().rows;
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"ID", "未设定", ""}));
    EXPECT_EQ(rows[4], (std::vector<std::string>{"输入", "Input Channel-1", "输出"}));
    EXPECT_EQ(rows[5], (std::vector<std::string>{"输出", "2 连接", ""}));
}

TEST_F(DspEditorProperty, ObjectListFollowsTheSheetBothWays) {
    ASSERT_EQ(panel->Entries().size(), 17u);
    EXPECT_EQ(panel->Entries()[0], "Sheet");
    EXPECT_EQ(panel->Entries()[1], "Input Channel-1");
    CBaseAriModule* delay = Add(model::kAriDelay, 1);
    CBaseLink* link = Link(1, 0, delay->m_id, 0);
    EXPECT_EQ(panel->Entries().back(), "Link-" + std::to_string(link->m_id));
    EXPECT_EQ(panel->CurrentEntry(), 18);
    EXPECT_EQ(panel->Shown(), Panel::EShown::Link);
    EXPECT_TRUE(panel->IsControlVisible(Panel::kCtlLinkWidth));
    EXPECT_FALSE(panel->IsControlVisible(Panel::kCtlSheetWidth));

    // Choosing the delay's entry selects it in the sheet.
    panel->OnSelChangeObject(17);
    EXPECT_EQ(delay->m_selected, 1);
    EXPECT_EQ(link->m_selected, 0);
    EXPECT_EQ(view->m_selectedAriModules, 1);
    ASSERT_FALSE(frame.statuses.empty());
    EXPECT_EQ(frame.statuses.back().position,
              (model::Point{delay->m_body.left, delay->m_body.top}));
    EXPECT_EQ(panel->FieldText(Panel::kCtlCaption), delay->m_displayName);
    panel->OnSelChangeObject(0);
    EXPECT_EQ(delay->m_selected, 0);
    EXPECT_EQ(panel->Shown(), Panel::EShown::Sheet);

    // Deleting the delay takes its entry and its link's with it.
    doc->SelectModule(*delay);
    doc->DeleteSelection();
    doc->SelectModule(*doc->GetModuleById(1));
    doc->DeleteSelection(); // an input module stays
    panel->RebuildAfterDelete();
    EXPECT_EQ(panel->Entries().size(), 17u);
    EXPECT_EQ(panel->Entries()[1], "Input Channel-1");
    EXPECT_EQ(panel->Entries().back(), "Output Channel-8");
}

} // namespace
