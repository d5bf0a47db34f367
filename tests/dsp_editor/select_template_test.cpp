// The stored-template selection on ini files of its own: which units and
// templates are listed and which dead records are emptied, the preview copy
// of a template sheet (structure without parameters, silent about the
// unit's limits), the registration of template files with each refusal
// leaving the ini as it was, and the confirmation's checks and question.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dsp_editor/select_template_controller.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_test_support.h"
#include "model/ari_delay.h"
#include "model/ari_input.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "platform/profile/profile.h"
#include "resources/message_ids.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
namespace de = dsp_editor;
using de::CSelectTemplateController;
using de::CZoDSPDoc;
using model::EMessageAnswer;
using Ids = std::vector<int>;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Answers the Open dialog with the scripted path (none: Cancel).
class ScriptedChooser final : public de::IFileChooser {
public:
    std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseOpenFile(std::string_view filter) override {
        filters.emplace_back(filter);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> filters;
};

class TemplateFrame final : public de::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return {}; }
    std::int32_t NewSheetModel() const override { return 1; }
    std::string DeviceDocumentPath() const override { return {}; }
    void CleanRecentFiles() override { ++recentCleanings; }
    std::optional<std::vector<de::CZoDSPView*>> OpenDspViews() const override {
        if (!hasDspDocuments)
            return std::nullopt;
        return std::vector<de::CZoDSPView*>{};
    }
    bool hasDspDocuments = true;
    int recentCleanings = 0;
};

// The sheet of every template: the default channels, delay 17 fed by input
// 1 and feeding output 9.
std::unique_ptr<CZoDSPDoc> MakeSheet(dsp_test::FakeFrame& frame) {
    std::unique_ptr<CZoDSPDoc> doc = dsp_test::NewDocument(frame);
    doc->AddModule(model::kAriDelay, 1, 200, 40, 1);
    dsp_test::Connect(*doc, 1, 0, 17, 0);
    dsp_test::Connect(*doc, 17, 1, 9, 0);
    doc->ClearSelection();
    return doc;
}

class DspEditorSelectTemplate : public ::testing::Test {
protected:
    // A template file of `mac` stored for `slot`, with the names "Hall" and
    // the file's name.
    std::string WriteTemplate(const std::string& name, int slot,
                              const std::string& mac = "00602b0a0b0c",
                              const std::function<void(CZoDSPDoc&)>& change = {}) {
        dsp_test::FakeFrame frame;
        frame.mac = mac;
        std::unique_ptr<CZoDSPDoc> doc = MakeSheet(frame);
        doc->m_templateSlot = slot;
        doc->m_templateStructName = "Hall";
        doc->m_templateParamName = name;
        if (change)
            change(*doc);
        const std::string path = (dir.path() / name).string();
        platform::archive::write_file_atomic(path, doc->SaveDocument());
        return path;
    }
    std::string Path(const std::string& name) const { return (dir.path() / name).string(); }
    void WriteIni(const std::string& text) { std::ofstream(ini, std::ios::binary) << text; }
    std::string Slot(const std::string& mac, int slot) const {
        return platform::profile::ini_file_t(ini).read_string(mac + "-FirmAriTemplate",
                                                              std::to_string(slot), "<none>");
    }

    model::CRecordingMessages messages;
    test_support::CTempDir dir{"dspselect"};
    fs::path ini = dir.path() / "Ostrel.ini";
    ScriptedChooser chooser;
    TemplateFrame frame;
};

TEST_F(DspEditorSelectTemplate, ListsUnitsWithLiveTemplatesAndEmptiesDeadRecords) {
    const std::string eight = WriteTemplate("eight.dmu", 8);
    const std::string two = WriteTemplate("two.dmu", 2);
    // Unit 1's only template is gone; unit 2's only one sits in slot 8 and
    // its MAC is listed in capitals; unit 3 has one of two left; unit 4 is
    // unit 2 again.
    WriteIni("[FirAriTemplateNum]\nNumber=4\n"
             "[FirmAriTemplateDeviceMAC]\n1=00602b000001\n2=00602B000002\n3=00602b000003\n"
             "4=00602b000002\n"
             "[00602b000001-FirmAriTemplate]\n3=" +
             Path("gone.dmu") +
             "\n"
             "[00602B000002-FirmAriTemplate]\n8=" +
             eight +
             "\n8TYPENAME=Hall\n8CHILDTYPENAME=Night\n"
             "[00602b000003-FirmAriTemplate]\n2=" +
             two + "\n5=" + Path("missing.dmu") + "\n");

    CSelectTemplateController dialog(ini, &chooser, &frame);
    dialog.OnInitDialog();

    EXPECT_EQ(dialog.Units(), (std::vector<std::string>{"00602b000002", "00602b000003"}));
    EXPECT_EQ(Slot("00602b000001", 3), "");
    EXPECT_EQ(Slot("00602b000003", 5), "");
    EXPECT_EQ(Slot("00602b000003", 2), two);
    // The first unit is chosen, none of its templates yet.
    EXPECT_EQ(dialog.Mac(), "00602b000002");
    EXPECT_EQ(dialog.SelectedUnit(), 0);
    EXPECT_EQ(dialog.Slot(), 0);
    EXPECT_EQ(dialog.SelectedTemplate(), -1);
    EXPECT_EQ(dialog.Templates(),
              (std::vector<de::StoredTemplateRow>{{8, "Hall", "Night", eight}}));

    dialog.OnClickTemplate(0);
    EXPECT_EQ(dialog.Slot(), 8);
    EXPECT_EQ(dialog.SelectedTemplate(), 0);
    ASSERT_NE(dialog.PreviewDocument(), nullptr);

    // Another unit: its templates, no slot, no preview. A click beside the
    // rows changes nothing.
    dialog.OnClickUnit(1);
    EXPECT_EQ(dialog.Mac(), "00602b000003");
    EXPECT_EQ(dialog.SelectedUnit(), 1);
    EXPECT_EQ(dialog.Slot(), 0);
    EXPECT_EQ(dialog.PreviewDocument(), nullptr);
    EXPECT_EQ(dialog.Templates(), (std::vector<de::StoredTemplateRow>{{2, "", "", two}}));
    dialog.OnClickUnit(2);
    dialog.OnClickTemplate(-1);
    EXPECT_EQ(dialog.Mac(), "00602b000003");
    EXPECT_EQ(dialog.Slot(), 0);
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspEditorSelectTemplate, AnEmptyIniListsNothing) {
    CSelectTemplateController dialog(ini, &chooser, &frame);
    dialog.OnInitDialog();
    EXPECT_TRUE(dialog.Units().empty());
    EXPECT_TRUE(dialog.Templates().empty());
    EXPECT_EQ(dialog.Mac(), "");
    EXPECT_FALSE(fs::exists(ini));
}

// The preview shows the template's structure: modules at their places with
// their ids, names and hidden flags, the links and pins, the counters; the
// parameters are those of new modules.
TEST_F(DspEditorSelectTemplate, PreviewCopiesTheStructureButNotTheParameters) {
    const std::string path = WriteTemplate("hall.dmu", 3, "00602b0a0b0c", [](CZoDSPDoc& d) {
        auto& delay = dynamic_cast<model::CAriDelay&>(*d.GetModuleById(17));
        delay.m_delay = 2.5;
        delay.m_name = "Delay Hall";
        delay.m_displayName = "Hall delay";
        auto& input = dynamic_cast<model::CAriInput&>(*d.GetModuleById(1));
        input.m_mute = 1;
        d.GetModuleById(4)->m_hidden = 1;
        d.m_hiddenModules = 1;
        d.GetLinkById(1)->m_penWidth = 3;
        d.GetLinkById(1)->m_colour = 0x123456;
        d.m_moduleIdCounter = 40;
        d.m_linkIdCounter = 7;
        d.m_sheetWidth = 2000;
    });
    de::CStoredTemplateIni(ini).Record("00602b0a0b0c", 3, path, "Hall", "hall.dmu");
    const std::unique_ptr<CZoDSPDoc> source = de::OpenTemplateSheet(path);
    ASSERT_NE(source, nullptr);

    CSelectTemplateController dialog(ini, &chooser, &frame);
    std::vector<const CZoDSPDoc*> shown;
    dialog.SetPreviewChanged([&](const CZoDSPDoc* sheet) { shown.push_back(sheet); });
    dialog.OnInitDialog();
    dialog.OnClickTemplate(0);
    const CZoDSPDoc* preview = dialog.PreviewDocument();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(shown, (std::vector<const CZoDSPDoc*>{preview}));
    EXPECT_EQ(frame.recentCleanings, 1);

    EXPECT_EQ(preview->m_sheetWidth, 2000);
    EXPECT_EQ(preview->m_templateSlot, 3);
    EXPECT_EQ(preview->m_templateParamName, "hall.dmu");
    EXPECT_EQ(preview->m_moduleIdCounter, 40);
    EXPECT_EQ(preview->m_linkIdCounter, 7);
    EXPECT_EQ(preview->m_hiddenModules, 1);
    ASSERT_EQ(preview->Modules().size(), source->Modules().size());
    for (const auto& from : source->Modules()) {
        const model::CBaseAriModule* module = preview->GetModuleById(from->m_id);
        ASSERT_NE(module, nullptr) << from->m_id;
        EXPECT_EQ(module->m_typeCode, from->m_typeCode);
        EXPECT_EQ(module->m_body, from->m_body) << from->m_id;
        EXPECT_EQ(module->m_displayName, from->m_displayName);
        EXPECT_EQ(module->m_hidden, from->m_hidden) << from->m_id;
        EXPECT_EQ(module->m_selected, 0);
        for (int i = 0; i < module->GetChnlCount(); ++i) {
            EXPECT_EQ(module->GetChnl(i)->m_linkCount, from->GetChnl(i)->m_linkCount);
            EXPECT_EQ(module->GetChnl(i)->m_peerModule, from->GetChnl(i)->m_peerModule);
            EXPECT_EQ(module->GetChnl(i)->m_moduleId, from->m_id);
        }
    }
    EXPECT_EQ(preview->GetModuleById(17)->m_name, "Delay Hall");
    EXPECT_EQ(preview->GetModuleById(4)->m_hidden, 1);
    ASSERT_EQ(preview->Links().size(), 2u);
    const model::CBaseLink* link = preview->GetLinkById(1);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->m_penWidth, 3);
    EXPECT_EQ(link->m_colour, 0x123456u);
    EXPECT_EQ(link->m_start, source->GetLinkById(1)->m_start);
    EXPECT_EQ(link->m_selected, 0);

    // Parameters as a new module has them.
    const model::CAriDelay fresh(17, 1, 200, 40);
    EXPECT_NE(dynamic_cast<const model::CAriDelay&>(*source->GetModuleById(17)).m_delay,
              fresh.m_delay);
    EXPECT_EQ(dynamic_cast<const model::CAriDelay&>(*preview->GetModuleById(17)).m_delay,
              fresh.m_delay);
    EXPECT_EQ(dynamic_cast<const model::CAriInput&>(*preview->GetModuleById(1)).m_mute, 0);
    EXPECT_TRUE(messages.ShownIds().empty());

    // Cancel drops the preview, telling the window first.
    dialog.OnCancel();
    EXPECT_EQ(dialog.PreviewDocument(), nullptr);
    EXPECT_EQ(shown, (std::vector<const CZoDSPDoc*>{preview, nullptr}));
    EXPECT_EQ(de::CopySheetForPreview(nullptr), nullptr);
}

TEST_F(DspEditorSelectTemplate, ASheetOverTheUnitsLimitsPreviewsWithoutAMessage) {
    dsp_test::FakeFrame sheetFrame;
    std::unique_ptr<CZoDSPDoc> source = dsp_test::NewDocument(sheetFrame);
    {
        // Two delays of 100 ms need more memory than the unit has.
        model::CRecordingMessages building;
        source->AddModule(model::kAriDelay, 5, 200, 40, 1);
        source->AddModule(model::kAriDelay, 5, 200, 200, 1);
        ASSERT_EQ(building.ShownIds(), (Ids{resources::kMsgSpaceExceeded}));
    }

    const std::unique_ptr<CZoDSPDoc> copy = de::CopySheetForPreview(source.get());
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(copy->Modules().size(), 18u);
    // The messages go where they went before.
    copy->CheckResources();
    EXPECT_EQ(messages.ShownIds(), (Ids{resources::kMsgSpaceExceeded}));
}

TEST_F(DspEditorSelectTemplate, APreviewThatDoesNotOpenStaysEmpty) {
    std::ofstream(Path("broken.dmu"), std::ios::binary) << "not a sheet";
    de::CStoredTemplateIni(ini).Record("00602b0a0b0c", 4, Path("broken.dmu"), "Hall", "Broken");

    CSelectTemplateController dialog(ini, &chooser, &frame);
    dialog.OnInitDialog();
    dialog.OnClickTemplate(0);
    EXPECT_EQ(messages.ShownIds(), (Ids{resources::kMsgOpenFileFailed}));
    EXPECT_EQ(dialog.PreviewDocument(), nullptr);
    EXPECT_EQ(dialog.Slot(), 4);
}

// Adding a template file: each refusal leaves the ini byte for byte.
TEST_F(DspEditorSelectTemplate, AddingATemplateFileRefusesWhatItCannotRecord) {
    const std::string stored = WriteTemplate("stored.dmu", 2);
    de::CStoredTemplateIni(ini).Record("00602b0a0b0c", 2, stored, "Hall", "stored.dmu");
    std::ofstream(Path("broken.dmu"), std::ios::binary) << "not a sheet";
    struct row_t {
        const char* what;
        std::string file;
        bool dspDocuments;
        Ids shown;
    };
    const std::vector<row_t> rows = {
        {"slot 0", WriteTemplate("zero.dmu", 0), true, {resources::kMsgNotStoredTemplate}},
        {"slot 9", WriteTemplate("nine.dmu", 9), true, {resources::kMsgNotStoredTemplate}},
        {"occupied slot", WriteTemplate("again.dmu", 2), true, {resources::kMsgSlotTaken}},
        {"the same file", stored, true, {resources::kMsgSlotTaken}},
        {"non-hex MAC",
         WriteTemplate("hexless.dmu", 3, "00602b0a0b0g"),
         true,
         {resources::kMsgBadUnitMac}},
        {"MAC naming another section",
         WriteTemplate("bracket.dmu", 3, "00602b]\n[x"),
         true,
         {resources::kMsgBadUnitMac}},
        {"short MAC",
         WriteTemplate("short.dmu", 3, "00602b0a0b"),
         true,
         {resources::kMsgBadUnitMac}},
        {"not a sheet", Path("broken.dmu"), true, {resources::kMsgOpenFileFailed}},
        {"another extension, slot 0",
         WriteTemplate("zero.dsp", 0),
         true,
         {resources::kMsgBadFileFormat, resources::kMsgNotStoredTemplate}},
        {"no DSP document type",
         WriteTemplate("fine.dmu", 4),
         false,
         {resources::kMsgNoDocumentTemplate}},
    };
    const std::string before = ReadAll(ini);
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.what);
        model::CRecordingMessages shown;
        frame.hasDspDocuments = row.dspDocuments;
        chooser.answer = row.file;
        CSelectTemplateController dialog(ini, &chooser, &frame);
        dialog.OnInitDialog();
        dialog.OnBnClickedAddTemplate();
        EXPECT_EQ(shown.ShownIds(), row.shown);
        EXPECT_EQ(ReadAll(ini), before);
        EXPECT_EQ(dialog.Units(), (std::vector<std::string>{"00602b0a0b0c"}));
    }
    EXPECT_EQ(chooser.filters.back(), "DSP Template Files (*.dmu)|*.dmu||");

    // Cancel in the Open dialog: nothing at all.
    chooser.answer.reset();
    CSelectTemplateController dialog(ini, &chooser, &frame);
    dialog.OnBnClickedAddTemplate();
    EXPECT_EQ(ReadAll(ini), before);
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspEditorSelectTemplate, AddingATemplateOfANewUnitListsAndChoosesIt) {
    const std::string stored = WriteTemplate("stored.dmu", 2);
    de::CStoredTemplateIni(ini).Record("00602b0a0b0c", 2, stored, "Hall", "stored.dmu");
    CSelectTemplateController dialog(ini, &chooser, &frame);
    dialog.OnInitDialog();
    dialog.OnClickTemplate(0);
    ASSERT_NE(dialog.PreviewDocument(), nullptr);

    // A file of another name is warned about and taken all the same.
    chooser.answer = WriteTemplate("club.tpl", 6, "00602B0D0E0F");
    dialog.OnBnClickedAddTemplate();
    EXPECT_EQ(messages.ShownIds(), (Ids{resources::kMsgBadFileFormat}));
    EXPECT_EQ(dialog.Units(), (std::vector<std::string>{"00602b0a0b0c", "00602b0d0e0f"}));
    EXPECT_EQ(dialog.Mac(), "00602b0d0e0f");
    EXPECT_EQ(dialog.SelectedUnit(), 1);
    EXPECT_EQ(dialog.Slot(), 0);
    EXPECT_EQ(dialog.PreviewDocument(), nullptr);
    EXPECT_EQ(dialog.Templates(),
              (std::vector<de::StoredTemplateRow>{{6, "Hall", "club.tpl", *chooser.answer}}));
    const platform::profile::ini_file_t file(ini);
    EXPECT_EQ(file.read_string("FirAriTemplateNum", "Number", ""), "2");
    EXPECT_EQ(file.read_string("FirmAriTemplateDeviceMAC", "2", ""), "00602b0d0e0f");
    EXPECT_EQ(Slot("00602b0d0e0f", 6), *chooser.answer);

    // A second slot of a listed unit: the list of units stays.
    chooser.answer = WriteTemplate("five.dmu", 5);
    dialog.OnBnClickedAddTemplate();
    EXPECT_EQ(dialog.Mac(), "00602b0a0b0c");
    EXPECT_EQ(dialog.Templates().size(), 2u);
    EXPECT_EQ(file.read_string("FirAriTemplateNum", "Number", ""), "2");
    EXPECT_EQ(frame.recentCleanings, 3);

    // What a new dialog finds.
    CSelectTemplateController again(ini, &chooser, &frame);
    again.OnInitDialog();
    EXPECT_EQ(again.Units(), dialog.Units());
}

TEST_F(DspEditorSelectTemplate, SwitchNeedsASlotAndAUnitsMacAndAYes) {
    const std::string good = WriteTemplate("good.dmu", 8);
    const std::string odd = WriteTemplate("odd.dmu", 1);
    WriteIni("[FirAriTemplateNum]\nNumber=2\n"
             "[FirmAriTemplateDeviceMAC]\n1=00602b0a0b0c\n2=00602b0a0b0z\n"
             "[00602b0a0b0c-FirmAriTemplate]\n8=" +
             good +
             "\n"
             "[00602b0a0b0z-FirmAriTemplate]\n1=" +
             odd + "\n");
    struct row_t {
        const char* what;
        int unit;
        bool chooseTemplate;
        std::optional<EMessageAnswer> answer;
        Ids shown;
        bool closes;
    };
    const std::vector<row_t> rows = {
        {"no template", 0, false, std::nullopt, {resources::kMsgBadTemplateSlot}, false},
        {"a MAC that is no unit's", 1, true, std::nullopt, {resources::kMsgBadUnitMac}, false},
        {"Yes", 0, true, EMessageAnswer::Yes, {}, true},
        {"No", 0, true, EMessageAnswer::No, {}, false},
        {"Cancel", 0, true, EMessageAnswer::Cancel, {}, false},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.what);
        model::CRecordingMessages shown;
        if (row.answer)
            shown.ScriptAnswer(resources::kMsgAskSwitchTemplate, *row.answer);
        CSelectTemplateController dialog(ini, &chooser, &frame);
        dialog.OnInitDialog();
        dialog.OnClickUnit(row.unit);
        if (row.chooseTemplate)
            dialog.OnClickTemplate(0);
        EXPECT_EQ(dialog.OnOK(), row.closes);
        EXPECT_EQ(shown.ShownIds(), row.shown);
        if (row.answer) {
            ASSERT_EQ(shown.Asked().size(), 1u);
            EXPECT_EQ(shown.Asked()[0].second, "DSP的算法模板将要切换到模板 08，是否确定？");
            // The preview goes whatever the answer.
            EXPECT_EQ(dialog.PreviewDocument(), nullptr);
        } else {
            EXPECT_TRUE(shown.Asked().empty());
        }
        if (row.closes) {
            EXPECT_EQ(dialog.Mac(), "00602b0a0b0c");
            EXPECT_EQ(dialog.Slot(), 8);
        }
    }
}

} // namespace
