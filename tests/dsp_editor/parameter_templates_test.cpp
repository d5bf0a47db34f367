// Parameter templates: the golden file of an equalizer saved as "EQ 1" and
// its round trip, the checks a template passes when it is read, the listing
// (other variants, renamed, cut and foreign files), the save checks, the
// read-only viewers and what they go with, and the view's save and load
// commands: loading into two members of a binding group is one undo step,
// sends the golden commands while live and one Undo puts both back.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/module_dialogs.h"
#include "dsp_editor/parameter_template_controller.h"
#include "dsp_editor/parameter_templates.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_equalizer.h"
#include "model/recording_messages.h"
#include "platform/archive/file.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

namespace de = dsp_editor;
namespace fs = std::filesystem;
using de::CParameterTemplateController;
using model::CAriEqualizer;
using model::CBaseAriModule;
using model::EMessageAnswer;
using Bytes = std::vector<std::uint8_t>;
using Result = CParameterTemplateController::EResult;

constexpr char kGolden[] = "amu_equalizer3_eq1.hex";
constexpr char kGoldenFile[] = "Equalizer3_EQ 1.amu";

// The equalizer of the golden file: variant 3 with edited bands whose
// sections are plain binary fractions.
void EditAsGolden(CAriEqualizer& eq) {
    eq.m_order = 6;
    eq.m_bandFlag[1] = 1;
    eq.m_gain[1] = 6.0;
    eq.m_bandwidth[1] = 1.0;
    eq.m_gain[2] = -12.0;
    eq.m_coeffs[0] = {1.0, -1.5, 0.5, -1.5, 0.5};
    eq.m_coeffs[1] = {1.25, -1.75, 0.625, -1.75, 0.875};
    eq.m_coeffs[2] = {0.75, -1.25, 0.375, -1.25, 0.125};
}

std::unique_ptr<CAriEqualizer> GoldenEqualizer() {
    auto eq = std::make_unique<CAriEqualizer>(9, 3, 10, 20);
    EditAsGolden(*eq);
    return eq;
}

Bytes Golden() {
    return dsp_test::LoadFixture(kGolden);
}

// A template of a new module of the type and variant, stored as `name`.
Bytes TemplateOf(std::int32_t variant, const std::string& name) {
    CAriEqualizer eq(1, variant, 0, 0);
    return de::StoreParameterTemplate(name, eq);
}

void Write(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    platform::archive::write_file_atomic(path, bytes);
}

Bytes Read(const fs::path& path) {
    return platform::archive::read_file(path);
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// The bytes with the int32 at `offset` replaced.
Bytes WithInt(Bytes bytes, std::size_t offset, std::int32_t value) {
    for (int k = 0; k < 4; ++k)
        bytes[offset + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(value >> (8 * k));
    return bytes;
}

// Offsets of the golden file's header fields and of the module's variant.
constexpr std::size_t kTagAt = 0, kVersionAt = 0x0f, kTypeAt = 0x13, kVariantAt = 0x17,
                      kModuleSubTypeAt = 0x13d;

// -- the file form

TEST(DspEditorParameterTemplate, EqualizerSavedAsEq1IsTheGoldenFileAndReadsBack) {
    const Bytes golden = Golden();
    const std::unique_ptr<CAriEqualizer> eq = GoldenEqualizer();
    EXPECT_EQ(de::ParameterTemplateFileName(*eq, "EQ 1"), kGoldenFile);
    EXPECT_EQ(de::StoreParameterTemplate("EQ 1", *eq), golden);

    de::LoadedAmu loaded = de::LoadParameterTemplate(golden, 9, 3, "EQ 1");
    ASSERT_EQ(loaded.problem, 0);
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_EQ(loaded.name, "EQ 1");
    const auto& back = dynamic_cast<const CAriEqualizer&>(*loaded.module);
    EXPECT_EQ(back.m_bandCount, 3);
    EXPECT_EQ(back.m_gain[2], -12.0);
    EXPECT_EQ(back.m_coeffs[1].a2, 0.875);
    EXPECT_EQ(de::StoreParameterTemplate("EQ 1", *loaded.module), golden);
}

TEST(DspEditorParameterTemplate, ReadingChecksTheHeaderAndTheModule) {
    const Bytes golden = Golden();
    Bytes otherTag = golden;
    otherTag[kTagAt + 9] = 'f';
    struct Row {
        const char* what;
        Bytes bytes;
        std::int32_t type, variant;
        std::optional<std::string> name;
        int problem;
    };
    const std::vector<Row> rows = {
        {"the golden file", golden, 9, 3, "EQ 1", 0},
        {"any name when none is asked", golden, 9, 3, std::nullopt, 0},
        {"version 1, read alike", WithInt(golden, kVersionAt, 1), 9, 3, "EQ 1", 0},
        {"another tag", otherTag, 9, 3, "EQ 1", 479},
        {"another name", golden, 9, 3, "EQ 2", 479},
        {"version 3", WithInt(golden, kVersionAt, 3), 9, 3, "EQ 1", 482},
        {"version 0", WithInt(golden, kVersionAt, 0), 9, 3, "EQ 1", 482},
        {"for another variant", golden, 9, 5, "EQ 1", 480},
        {"for another type", golden, 10, 3, "EQ 1", 480},
        {"a header for type 6, which has no class", WithInt(golden, kTypeAt, 6), 6, 3, "EQ 1", 481},
        {"a module of another variant than its header's", WithInt(golden, kModuleSubTypeAt, 5), 9,
         3, "EQ 1", 479},
        {"the module cut short", Cut(golden, golden.size() - 9), 9, 3, "EQ 1", 479},
        {"the header cut short", Cut(golden, kVariantAt + 2), 9, 3, "EQ 1", 479},
        {"no archive", Bytes{'n', 'o', 't', 'e', 's'}, 9, 3, std::nullopt, 479},
        {"empty", Bytes{}, 9, 3, std::nullopt, 479},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const de::LoadedAmu loaded =
            de::LoadParameterTemplate(row.bytes, row.type, row.variant, row.name);
        EXPECT_EQ(loaded.problem, row.problem);
        EXPECT_EQ(loaded.module != nullptr, row.problem == 0);
    }
}

// -- the dialog

// Attribute dialogs of equalizers as the factory makes them, recording what
// is done to them; each deletes itself when destroyed.
class RecordingViewer final : public de::IAttriDialog {
public:
    RecordingViewer(CBaseAriModule& module, std::vector<std::string>& log)
        : m_module(module), m_log(log) {}
    std::int32_t GetModuleId() const override { return m_module.m_id; }
    std::int32_t GetKind() const override { return 0; }
    void DestroyDialog() override {
        m_log.push_back("destroyed " + m_caption);
        delete this;
    }
    void SetMode(int mode) override { m_log.push_back("mode " + std::to_string(mode)); }
    void SetCaption(std::string_view caption) override { m_caption = caption; }
    void ShowDialog() override {
        const auto& eq = dynamic_cast<const CAriEqualizer&>(m_module);
        m_log.push_back("shown " + m_caption + " gain " + std::to_string(int(eq.m_gain[2])));
    }

private:
    CBaseAriModule& m_module;
    std::vector<std::string>& m_log;
    std::string m_caption;
};

// The view's window as the commands use it: it starts the dialog and
// answers it through `answer` (none: cancelled).
class ChoosingWindow final : public de::IDspViewWindow {
public:
    void Repaint() override {}
    void UpdatePropertyPanel() override {}
    bool RunSaveAriAttriDialog(CParameterTemplateController& dialog) override {
        dialog.OnInitDialog();
        runs.push_back({dialog.Mode(), dialog.Module().m_id});
        return answer && answer(dialog);
    }

    struct Run {
        CParameterTemplateController::EMode mode;
        std::int32_t moduleId;
        friend bool operator==(const Run&, const Run&) = default;
    };
    std::vector<Run> runs;
    std::function<bool(CParameterTemplateController&)> answer;
};

// A new sheet in a program folder of its own, with its view; equalizers of
// variant 3 get a recording dialog.
class DspEditorParameterTemplateSheet : public ::testing::Test {
protected:
    DspEditorParameterTemplateSheet() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        view->SetWindow(&window);
        de::AttriDialogFactory().Register(
            de::EAttriDialogClass::kEqualizer,
            [this](de::CZoDSPView&, CBaseAriModule& module, const de::AttriDialogChoice&) {
                return new RecordingViewer(module, viewerLog);
            });
    }
    ~DspEditorParameterTemplateSheet() override {
        view->SetWindow(nullptr);
        de::AttriDialogFactory().Register(de::EAttriDialogClass::kEqualizer, {});
    }

    fs::path Folder() const { return home.path() / "AttriModules"; }

    CBaseAriModule& Equalizer(std::int32_t x = 200, std::int32_t y = 40) {
        CBaseAriModule* m = doc->AddModule(model::kAriEqualizer, 3, x, y, 1);
        doc->ClearSelection();
        return *m;
    }

    test_support::CTempDir home{"amu"};
    test_support::ScopedEnv homeEnv{"OSTREL_HOME", home.path().string()};
    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    ChoosingWindow window;
    std::vector<std::string> viewerLog;
};

TEST_F(DspEditorParameterTemplateSheet, SavingEq1WritesTheGoldenFileIntoANewFolder) {
    const std::unique_ptr<CAriEqualizer> eq = GoldenEqualizer();
    EXPECT_EQ(de::ParameterTemplateFolder(), Folder());
    CParameterTemplateController dialog(*view, CParameterTemplateController::kModeSave, *eq);
    dialog.OnInitDialog();
    EXPECT_TRUE(dialog.Rows().empty());
    dialog.m_newName = "EQ 1";
    EXPECT_EQ(dialog.OnBnClickedOk(), Result::Ok);
    EXPECT_EQ(Read(Folder() / kGoldenFile), Golden());
    EXPECT_EQ(dialog.ChosenPath(), Folder() / kGoldenFile);
    EXPECT_TRUE(messages.Shown().empty());
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
}

TEST_F(DspEditorParameterTemplateSheet, ListsTheTemplatesOfTheVariantUnderTheirStoredNames) {
    Write(Folder() / kGoldenFile, Golden());
    Write(Folder() / "renamed.amu", TemplateOf(3, "Hall"));
    Write(Folder() / "Equalizer5_Wide.amu", TemplateOf(5, "Wide"));
    Write(Folder() / "cut.amu", Cut(Golden(), Golden().size() - 40));
    Write(Folder() / "short.amu", Cut(Golden(), 12));
    Write(Folder() / "empty.amu", {});
    Write(Folder() / "notes.txt", Bytes{'h', 'e', 'l', 'l', 'o'});
    fs::create_directories(Folder() / "folder.amu");

    CBaseAriModule& eq = Equalizer();
    CParameterTemplateController dialog(*view, CParameterTemplateController::kModeLoad, eq);
    dialog.OnInitDialog();
    const std::vector<de::ParameterTemplateRow> expected = {{"EQ 1", Folder() / kGoldenFile},
                                                            {"Hall", Folder() / "renamed.amu"}};
    EXPECT_EQ(dialog.Rows(), expected);
    EXPECT_FALSE(dialog.RowButtonsEnabled());
    dialog.SelectRow(1);
    EXPECT_TRUE(dialog.RowButtonsEnabled());
    dialog.SelectRow(2);
    EXPECT_FALSE(dialog.RowButtonsEnabled());

    // Load mode chooses the row's own file.
    EXPECT_EQ(dialog.OnBnClickedOk(), Result::Stay);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{483});
    EXPECT_EQ(dialog.FocusControl(), CParameterTemplateController::kCtlList);
    dialog.SelectRow(1);
    EXPECT_EQ(dialog.OnBnClickedOk(), Result::Ok);
    EXPECT_EQ(dialog.ChosenName(), "Hall");
    EXPECT_EQ(dialog.ChosenPath(), Folder() / "renamed.amu");

    // The module's fields: its name and, without an execution order, "not
    // set".
    EXPECT_EQ(dialog.ModuleName(), eq.m_name);
    EXPECT_EQ(dialog.ModuleIdText(), "未设定");

    fs::remove_all(Folder());
    dialog.OnInitDialog();
    EXPECT_TRUE(dialog.Rows().empty());
}

TEST_F(DspEditorParameterTemplateSheet, ARenamedFileIsViewedAndDeletedAsItself) {
    // "my eq.amu" holds "EQ 1"; "odd.amu" holds a name that, made into a
    // path, would lead out of the folder to "victim.amu".
    Write(Folder() / "my eq.amu", Golden());
    Write(Folder() / "odd.amu", TemplateOf(3, "x/../../victim"));
    fs::create_directories(Folder() / "Equalizer3_x");
    Write(home.path() / "victim.amu", Golden());

    CBaseAriModule& eq = Equalizer();
    {
        CParameterTemplateController dialog(*view, CParameterTemplateController::kModeLoad, eq);
        dialog.OnInitDialog();
        ASSERT_EQ(dialog.Rows().size(), 2u);
        EXPECT_EQ(dialog.Rows()[0].name, "EQ 1");

        dialog.SelectRow(0);
        dialog.OnBnClickedViewParams();
        dialog.SelectRow(1);
        dialog.OnBnClickedViewParams();
        EXPECT_EQ(viewerLog,
                  (std::vector<std::string>{"mode 0", "shown Equalizer_EQ 1 gain -12", "mode 0",
                                            "shown Equalizer_x/../../victim gain 0"}));
        // Viewers show modules off the sheet: the document lists none.
        EXPECT_TRUE(doc->AttriDialogs().empty());
        viewerLog.clear();

        messages.ScriptAnswer(486, EMessageAnswer::Yes);
        dialog.SelectRow(1);
        dialog.OnBnClickedDelete();
        dialog.SelectRow(0);
        dialog.OnBnClickedDelete();
        EXPECT_EQ(messages.AskedIds(), (std::vector<int>{486, 486}));
        EXPECT_TRUE(messages.Shown().empty());
        EXPECT_TRUE(dialog.Rows().empty());
        EXPECT_FALSE(dialog.RowButtonsEnabled());
        // Each delete took its file's viewer.
        EXPECT_EQ(viewerLog, (std::vector<std::string>{"destroyed Equalizer_x/../../victim",
                                                       "destroyed Equalizer_EQ 1"}));
    }
    EXPECT_FALSE(fs::exists(Folder() / "my eq.amu"));
    EXPECT_FALSE(fs::exists(Folder() / "odd.amu"));
    EXPECT_TRUE(fs::exists(home.path() / "victim.amu"));
}

TEST_F(DspEditorParameterTemplateSheet, DeletingAsksAndReportsAFileGoneAlready) {
    Write(Folder() / kGoldenFile, Golden());
    CBaseAriModule& eq = Equalizer();
    CParameterTemplateController dialog(*view, CParameterTemplateController::kModeLoad, eq);
    dialog.OnInitDialog();
    dialog.OnBnClickedDelete(); // nothing chosen: nothing asked
    EXPECT_TRUE(messages.Asked().empty());

    dialog.SelectRow(0);
    messages.ScriptAnswer(486, EMessageAnswer::No);
    messages.ScriptAnswer(486, EMessageAnswer::Yes);
    dialog.OnBnClickedDelete();
    EXPECT_EQ(dialog.Rows().size(), 1u);
    EXPECT_TRUE(fs::exists(Folder() / kGoldenFile));

    fs::remove(Folder() / kGoldenFile);
    dialog.OnBnClickedDelete();
    EXPECT_TRUE(dialog.Rows().empty());
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{477});
}

TEST_F(DspEditorParameterTemplateSheet, ViewersGoWithTheDialog) {
    Write(Folder() / kGoldenFile, Golden());
    Write(Folder() / "Equalizer3_Hall.amu", TemplateOf(3, "Hall"));
    CBaseAriModule& eq = Equalizer();
    {
        CParameterTemplateController dialog(*view, CParameterTemplateController::kModeSave, eq);
        dialog.OnInitDialog();
        for (int row : {0, 1, 0}) {
            dialog.SelectRow(row);
            dialog.OnBnClickedViewParams();
        }
        EXPECT_EQ(viewerLog.size(), 6u);
        viewerLog.clear();
    }
    EXPECT_EQ(viewerLog,
              (std::vector<std::string>{"destroyed Equalizer_EQ 1", "destroyed Equalizer_Hall",
                                        "destroyed Equalizer_EQ 1"}));
}

TEST_F(DspEditorParameterTemplateSheet, ViewingChecksTheFileAsItIsNow) {
    CBaseAriModule& eq = Equalizer();
    const fs::path file = Folder() / kGoldenFile;
    struct Row {
        const char* what;
        std::function<void()> change;
        int message;
    };
    const std::vector<Row> rows = {
        {"gone", [&] { fs::remove(file); }, 477},
        {"a folder in its place",
         [&] {
             fs::remove(file);
             fs::create_directories(file);
         },
         478},
        {"another version", [&] { Write(file, WithInt(Golden(), kVersionAt, 3)); }, 482},
        {"another name", [&] { Write(file, TemplateOf(3, "EQ 2")); }, 479},
        {"another variant", [&] { Write(file, TemplateOf(5, "EQ 1")); }, 480},
        {"cut short", [&] { Write(file, Cut(Golden(), 300)); }, 479},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(Folder());
        Write(file, Golden());
        model::CRecordingMessages shown;
        CParameterTemplateController dialog(*view, CParameterTemplateController::kModeLoad, eq);
        dialog.OnInitDialog();
        dialog.SelectRow(0);
        row.change();
        dialog.OnBnClickedViewParams();
        EXPECT_EQ(shown.ShownIds(), std::vector<int>{row.message});
        EXPECT_TRUE(viewerLog.empty());
    }
}

TEST_F(DspEditorParameterTemplateSheet, SaveChecksTheNameAndTheFiles) {
    const std::unique_ptr<CAriEqualizer> eq = GoldenEqualizer();
    const Bytes existing = TemplateOf(3, "EQ 1");
    struct Row {
        std::string what;
        std::string name;
        std::optional<EMessageAnswer> overwrite; // the answer to 485
        std::vector<int> shown;
        Result result;
        bool goldenWritten = false;
        bool folderIsAFile = false;
    };
    std::vector<Row> rows = {
        {"empty", "", std::nullopt, {473}, Result::Stay},
        {"an existing name, kept", "EQ 1", EMessageAnswer::No, {}, Result::Stay},
        {"an existing name, replaced", "EQ 1", EMessageAnswer::Yes, {}, Result::Ok, true},
        {"a new name", "EQ 2", std::nullopt, {}, Result::Ok},
        {"no folder can be made", "EQ 2", std::nullopt, {474}, Result::Close, false, true},
        {"too long for a file name", std::string(300, 'x'), std::nullopt, {476}, Result::Close},
    };
    for (const char c : de::kAmuForbiddenCharacters)
        rows.push_back({std::string("holding ") + c,
                        std::string("EQ") + c + "1",
                        std::nullopt,
                        {484},
                        Result::Stay});
    ASSERT_EQ(rows.size(), 15u);

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(Folder());
        if (row.folderIsAFile)
            Write(Folder(), existing);
        else
            Write(Folder() / kGoldenFile, existing);
        model::CRecordingMessages answers;
        if (row.overwrite)
            answers.ScriptAnswer(485, *row.overwrite);
        CParameterTemplateController dialog(*view, CParameterTemplateController::kModeSave, *eq);
        dialog.OnInitDialog();
        dialog.m_newName = row.name;

        EXPECT_EQ(dialog.OnBnClickedOk(), row.result);
        EXPECT_EQ(answers.ShownIds(), row.shown);
        EXPECT_EQ(answers.AskedIds(), row.overwrite ? std::vector<int>{485} : std::vector<int>{});
        if (row.result == Result::Stay) {
            EXPECT_EQ(dialog.FocusControl(), CParameterTemplateController::kCtlNewName);
        }
        if (!row.folderIsAFile) {
            EXPECT_EQ(Read(Folder() / kGoldenFile), row.goldenWritten ? Golden() : existing);
        }
        if (row.name == "EQ 2" && row.result == Result::Ok) {
            EXPECT_EQ(Read(Folder() / "Equalizer3_EQ 2.amu"),
                      de::StoreParameterTemplate("EQ 2", *eq));
        }
        if (row.shown == std::vector<int>{476}) {
            EXPECT_EQ(answers.Shown()[0].second, model::FormatMessage(476, ENAMETOOLONG));
        }
    }
}

// -- the view's commands

TEST_F(DspEditorParameterTemplateSheet, SaveCommandSavesTheFirstSelectedModule) {
    CBaseAriModule& first = Equalizer(200, 40);
    CBaseAriModule& second = Equalizer(200, 140);
    de::OnSaveAriModule(*view);
    EXPECT_TRUE(window.runs.empty()); // nothing selected

    doc->SelectModule(second);
    doc->SelectModule(first);
    window.answer = [](CParameterTemplateController& dialog) {
        dialog.m_newName = "Mine";
        return dialog.OnBnClickedOk() == Result::Ok;
    };
    de::OnSaveAriModule(*view);
    EXPECT_EQ(window.runs, (std::vector<ChoosingWindow::Run>{
                               {CParameterTemplateController::kModeSave, first.m_id}}));
    EXPECT_EQ(Read(Folder() / "Equalizer3_Mine.amu"), de::StoreParameterTemplate("Mine", first));
}

// The golden template chosen by name.
bool ChooseEq1(CParameterTemplateController& dialog) {
    for (std::size_t r = 0; r < dialog.Rows().size(); ++r)
        if (dialog.Rows()[r].name == "EQ 1")
            dialog.SelectRow(static_cast<int>(r));
    return dialog.OnBnClickedOk() == Result::Ok;
}

TEST_F(DspEditorParameterTemplateSheet, LoadingIntoTwoMembersOfAGroupIsOneStepSentWhileLive) {
    Write(Folder() / kGoldenFile, Golden());
    Write(Folder() / "Equalizer3_Hall.amu", TemplateOf(3, "Hall"));
    CBaseAriModule& a = Equalizer(200, 40);
    CBaseAriModule& b = Equalizer(200, 140);
    for (CBaseAriModule* m : {&a, &b}) {
        m->m_order = m == &a ? 5 : 6;
        m->m_group = 2;
        m->m_groupName = "Pair";
    }
    // Taken unselected: Undo clears the selection.
    const Bytes beforeA = de::StoreParameterTemplate("x", a);
    const Bytes beforeB = de::StoreParameterTemplate("x", b);
    doc->SelectModule(a);
    doc->SelectModule(b);
    std::vector<std::string> destroyed;
    dsp_test::FakeDialog dialogOfB(b.m_id, 0, destroyed);
    doc->AddAttriDialog(&dialogOfB);
    de::CDSPUndoHistory& history = *de::UndoHistoryOf(*doc);
    const std::int32_t steps = history.UndoCount();
    doc->SetModifiedFlag(false);
    doc->m_live = 1;

    window.answer = ChooseEq1;
    de::OnLoadAriModule(*view);

    EXPECT_EQ(window.runs, (std::vector<ChoosingWindow::Run>{
                               {CParameterTemplateController::kModeLoad, a.m_id},
                               {CParameterTemplateController::kModeLoad, b.m_id}}));
    for (CBaseAriModule* m : {&a, &b}) {
        const auto& eq = dynamic_cast<const CAriEqualizer&>(*m);
        EXPECT_EQ(eq.m_bandFlag[1], 1);
        EXPECT_EQ(eq.m_gain[1], 6.0);
        EXPECT_EQ(eq.m_bandwidth[1], 1.0);
        EXPECT_EQ(eq.m_gain[2], -12.0);
        EXPECT_EQ(eq.m_coeffs[1].b0, 1.25);
        EXPECT_EQ(eq.m_coeffs[2].a2, 0.125);
        EXPECT_EQ(m->m_order, m == &a ? 5 : 6); // parameters only
    }
    // Bands 2 and 3 differ from a new module's, for each member once: the
    // second load finds both already holding the template.
    EXPECT_EQ(view->Console().Queue(comm::EConsoleQueue::Control),
              (std::vector<std::string>{
                  "*NySET 5 607 2 1.250000e+000 -1.750000e+000 6.250000e-001#",
                  "*NySET 5 607 2 -1.750000e+000 8.750000e-001#",
                  "*NySET 5 607 3 7.500000e-001 -1.250000e+000 3.750000e-001#",
                  "*NySET 5 607 3 -1.250000e+000 1.250000e-001#",
                  "*NySET 6 607 2 1.250000e+000 -1.750000e+000 6.250000e-001#",
                  "*NySET 6 607 2 -1.750000e+000 8.750000e-001#",
                  "*NySET 6 607 3 7.500000e-001 -1.250000e+000 3.750000e-001#",
                  "*NySET 6 607 3 -1.250000e+000 1.250000e-001#",
              }));
    EXPECT_GE(dialogOfB.refreshes, 1);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(history.UndoCount(), steps + 1);

    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(de::StoreParameterTemplate("x", a), beforeA);
    EXPECT_EQ(de::StoreParameterTemplate("x", b), beforeB);
    doc->RemoveAttriDialog(b.m_id, 0);
}

TEST_F(DspEditorParameterTemplateSheet, ATemplateThatCannotBeLoadedIsPassedOver) {
    Write(Folder() / kGoldenFile, Golden());
    CBaseAriModule& eq = Equalizer();
    doc->SelectModule(eq);
    const Bytes before = de::StoreParameterTemplate("x", eq);
    const std::int32_t steps = de::UndoHistoryOf(*doc)->UndoCount();
    doc->SetModifiedFlag(false);
    doc->m_live = 1;

    const std::vector<std::pair<const char*, std::function<bool(CParameterTemplateController&)>>>
        answers = {
            {"cancelled", nullptr},
            {"cut after it was chosen",
             [](CParameterTemplateController& dialog) {
                 const bool ok = ChooseEq1(dialog);
                 platform::archive::write_file_atomic(dialog.ChosenPath(),
                                                      Cut(Golden(), Golden().size() / 2));
                 return ok;
             }},
        };
    for (const auto& [what, answer] : answers) {
        SCOPED_TRACE(what);
        window.answer = answer;
        de::OnLoadAriModule(*view);
        EXPECT_EQ(de::StoreParameterTemplate("x", eq), before);
        EXPECT_EQ(de::UndoHistoryOf(*doc)->UndoCount(), steps);
        EXPECT_TRUE(view->Console().Queue(comm::EConsoleQueue::Control).empty());
        EXPECT_FALSE(doc->IsModified());
    }
    EXPECT_EQ(window.runs.size(), 2u);
}

} // namespace
