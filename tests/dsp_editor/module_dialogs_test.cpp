// Opening the attribute dialogs from a DSP view, with dialogs made by a
// recording factory: which class, template and parent each module gets,
// one dialog per module and side raised rather than doubled, the place a
// new dialog takes, captions from the display name, and the removal,
// refresh and activation calls the dialogs make.
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dsp_editor/module_dialogs.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/recording_messages.h"

namespace {

namespace de = dsp_editor;
using de::AttriDialogChoice;
using de::CZoDSPDoc;
using de::CZoDSPView;
using de::EAttriDialogClass;
using model::CBaseAriModule;
using model::Point;
using model::Rect;
using model::Size;

// A dialog as the recording factory makes it: it keeps what the view asked
// of it.
class RecordingDialog final : public de::IAttriDialog {
public:
    RecordingDialog(const AttriDialogChoice& choice, Size size) : choice(choice), size(size) {}
    std::int32_t GetModuleId() const override { return choice.moduleId; }
    std::int32_t GetKind() const override { return choice.kind; }
    void DestroyDialog() override { calls.push_back("destroy"); }
    void RefreshControls() override { calls.push_back("refresh"); }
    void SetCaption(std::string_view text) override { caption = text; }
    Size WindowSize() const override { return size; }
    void MoveWindow(const Rect& rect) override { placed = rect; }
    void ShowDialog() override { calls.push_back("show"); }
    void HideDialog() override { calls.push_back("hide"); }
    void ActivateDialog() override { calls.push_back("activate"); }

    AttriDialogChoice choice;
    Size size;
    std::string caption;
    std::optional<Rect> placed;
    std::vector<std::string> calls;
};

// The window of the view, with the figures placing needs.
class FakeWindow final : public de::IDspViewWindow, public de::IAttriDialogHost {
public:
    void Repaint() override { calls.push_back("repaint"); }
    void UpdatePropertyPanel() override { calls.push_back("panel"); }
    double ZoomFactor() const override { return factor; }
    Point ScrollPosition() const override { return scroll; }
    std::optional<Rect> ViewRect() const override { return view; }
    void ActivateView() override { calls.push_back("activate view"); }
    void HidePropertyPanel() override { calls.push_back("hide panel"); }

    double factor = 1.0;
    Point scroll;
    std::optional<Rect> view = Rect{0, 0, 1000, 800};
    std::vector<std::string> calls;
};

constexpr EAttriDialogClass kEveryClass[] = {
    EAttriDialogClass::kInput,     EAttriDialogClass::kInputAll,  EAttriDialogClass::kOutput,
    EAttriDialogClass::kOutputAll, EAttriDialogClass::kDelay,     EAttriDialogClass::kRouter,
    EAttriDialogClass::kMixer,     EAttriDialogClass::kDynamic,   EAttriDialogClass::kSine,
    EAttriDialogClass::kNoise,     EAttriDialogClass::kEqualizer, EAttriDialogClass::kFilter,
    EAttriDialogClass::kCrossover, EAttriDialogClass::kText,      EAttriDialogClass::kMeter,
};

// A new sheet (inputs 1-8, outputs 9-16) with a delay (17), shown by a
// window; every dialog class is registered with a recording maker for the
// test's length.
class DspEditorAttriDialog : public ::testing::Test {
public:
    DspEditorAttriDialog() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<CZoDSPView>(*doc);
        view->SetWindow(&window);
        delay = doc->AddModule(model::kAriDelay, 1, 300, 400, 1);
        delay->m_displayName = "Lobby delay";
        doc->ClearSelection();
        for (EAttriDialogClass c : kEveryClass) {
            de::AttriDialogFactory().Register(
                c, [this](CZoDSPView& v, CBaseAriModule& m, const AttriDialogChoice& choice) {
                    EXPECT_EQ(&v, view.get());
                    made.push_back(m.m_id);
                    return &dialogs.emplace_back(choice, dialogSize);
                });
        }
    }
    ~DspEditorAttriDialog() override {
        for (EAttriDialogClass c : kEveryClass)
            de::AttriDialogFactory().Register(c, {});
    }

    CBaseAriModule& Module(std::int32_t id) { return *doc->GetModuleById(id); }
    RecordingDialog* Show(std::int32_t id, bool all = false) {
        return static_cast<RecordingDialog*>(view->ShowAttriDialog(Module(id), all));
    }
    // The listed dialogs as "id/kind".
    std::vector<std::string> Listed() const {
        std::vector<std::string> keys;
        for (const de::IAttriDialog* d : doc->AttriDialogs())
            keys.push_back(std::to_string(d->GetModuleId()) + "/" + std::to_string(d->GetKind()));
        return keys;
    }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    FakeWindow window;
    Size dialogSize{300, 200};
    // Owned here in place of themselves; they outlive the document, which
    // destroys those still listed.
    std::list<RecordingDialog> dialogs;
    std::vector<std::int32_t> made; // module ids the factory was asked for
    std::unique_ptr<CZoDSPDoc> doc;
    std::unique_ptr<CZoDSPView> view;
    CBaseAriModule* delay = nullptr;
};

TEST(DspEditorAttriDialogTable, EachTypeAndVariantGetsItsClassTemplateAndParent) {
    using C = EAttriDialogClass;
    struct Row {
        std::int32_t type, variant;
        bool all;
        std::optional<AttriDialogChoice> expected; // for a module with id 5
    };
    const Row rows[] = {
        {model::kAriInput, 1, false, AttriDialogChoice{C::kInput, 155, true, 5, 0}},
        {model::kAriInput, 1, true, AttriDialogChoice{C::kInputAll, 176, true, 0, 1}},
        {model::kAriOutput, 1, false, AttriDialogChoice{C::kOutput, 164, true, 5, 0}},
        {model::kAriOutput, 1, true, AttriDialogChoice{C::kOutputAll, 173, true, 1, 1}},
        // All channels means nothing to other modules.
        {model::kAriDelay, 2, true, AttriDialogChoice{C::kDelay, 159, false, 5, 0}},
        {model::kAriRouter, 1, false, AttriDialogChoice{C::kRouter, 172, false, 5, 0}},
        {model::kAriMixer, 8, false, AttriDialogChoice{C::kMixer, 163, false, 5, 0}},
        {model::kAriDynamic, 6, false, AttriDialogChoice{C::kDynamic, 158, false, 5, 0}},
        {model::kAriGenerator, 1, false, AttriDialogChoice{C::kSine, 154, false, 5, 0}},
        {model::kAriGenerator, 2, false, AttriDialogChoice{C::kNoise, 174, false, 5, 0}},
        {model::kAriGenerator, 3, false, AttriDialogChoice{C::kNoise, 174, false, 5, 0}},
        {model::kAriGenerator, 0, false, std::nullopt},
        {model::kAriGenerator, 4, false, std::nullopt},
        {model::kAriEqualizer, 51, false, AttriDialogChoice{C::kEqualizer, 157, false, 5, 0}},
        {model::kAriFilter, 3, false, AttriDialogChoice{C::kFilter, 156, false, 5, 0}},
        {model::kAriCrossover, 20, false, AttriDialogChoice{C::kCrossover, 160, false, 5, 0}},
        {model::kAriText, 1, false, AttriDialogChoice{C::kText, 235, false, 5, 0}},
        {model::kAriMeter, 4, false, AttriDialogChoice{C::kMeter, 175, false, 5, 0}},
        {model::kAriBase, 1, false, std::nullopt},
        {model::kAriGeneral, 1, false, std::nullopt},
        {14, 1, false, std::nullopt},
    };
    for (const Row& row : rows) {
        CBaseAriModule module;
        module.m_id = 5;
        module.m_typeCode = row.type;
        module.m_subType = row.variant;
        EXPECT_EQ(de::AttriDialogChoiceOf(module, row.all), row.expected)
            << "type " << row.type << " variant " << row.variant << " all " << row.all;
    }
}

TEST(DspEditorAttriDialogTable, ANewDialogSitsUnderTheModuleInsideTheView) {
    struct Row {
        const char* what;
        Rect body;
        double factor;
        Point scroll;
        std::optional<Rect> view;
        Rect expected;
    };
    const Size size{300, 200};
    const Rect view{0, 0, 1000, 800};
    const Row rows[] = {
        {"under the lower left corner", {100, 50, 200, 130}, 1.0, {}, view, {100, 130, 400, 330}},
        {"scaled, truncated, scrolled",
         {101, 50, 201, 131},
         1.25,
         {20, 30},
         view,
         {106, 133, 406, 333}},
        {"pulled in at the bottom right",
         {900, 500, 1000, 700},
         1.0,
         {},
         view,
         {700, 600, 1000, 800}},
        {"the view's right and bottom edges as they are",
         {900, 500, 1000, 700},
         1.0,
         {},
         Rect{50, 40, 950, 750},
         {650, 550, 950, 750}},
        {"scrolled past: not above or left of 0",
         {10, 10, 110, 60},
         0.5,
         {200, 200},
         view,
         {0, 0, 300, 200}},
        {"a view smaller than the dialog",
         {400, 100, 500, 200},
         1.0,
         {},
         Rect{0, 0, 250, 150},
         {0, 0, 300, 200}},
        {"no view: only kept off negative",
         {900, 500, 1000, 700},
         2.0,
         {},
         std::nullopt,
         {1800, 1400, 2100, 1600}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(de::PlaceAttriDialog(row.body, size, row.factor, row.scroll, row.view),
                  row.expected)
            << row.what;
    }
}

TEST_F(DspEditorAttriDialog, ASecondOpenRaisesTheOpenDialogInsteadOfMakingAnother) {
    RecordingDialog* first = Show(17);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->calls, std::vector<std::string>{"show"});
    EXPECT_EQ(first->choice.dialogClass, EAttriDialogClass::kDelay);

    EXPECT_EQ(Show(17), first);
    EXPECT_EQ(made, std::vector<std::int32_t>{17});
    EXPECT_EQ(first->calls, (std::vector<std::string>{"show", "show", "activate"}));
    EXPECT_EQ(Listed(), std::vector<std::string>{"17/0"});
}

TEST_F(DspEditorAttriDialog, TheAllChannelsDialogIsFoundFromAnyChannelOfItsSide) {
    RecordingDialog* inputs = Show(1, true);
    ASSERT_NE(inputs, nullptr);
    EXPECT_EQ(Show(3, true), inputs);
    EXPECT_EQ(Show(8, true), inputs);

    // Input 1's own dialog and the outputs' side are others; input 1's
    // single dialog (1/0) is not the all-outputs one (1/1).
    RecordingDialog* single = Show(1);
    RecordingDialog* outputs = Show(12, true);
    EXPECT_NE(single, inputs);
    EXPECT_NE(outputs, inputs);
    EXPECT_EQ(Show(9, true), outputs);
    EXPECT_EQ(made, (std::vector<std::int32_t>{1, 1, 12}));
    EXPECT_EQ(Listed(), (std::vector<std::string>{"0/1", "1/0", "1/1"}));
    EXPECT_EQ(inputs->calls,
              (std::vector<std::string>{"show", "show", "activate", "show", "activate"}));
}

TEST_F(DspEditorAttriDialog, ModulesWithoutADialogOpenNothing) {
    CBaseAriModule* generator = doc->AddModule(model::kAriGenerator, 1, 300, 600, 1);
    generator->m_subType = 4;
    EXPECT_EQ(view->ShowAttriDialog(*generator, false), nullptr);
    EXPECT_EQ(view->OpenAttriDialog(*generator, false), nullptr);
    EXPECT_TRUE(made.empty());
    EXPECT_TRUE(doc->AttriDialogs().empty());

    // A class nobody registered makes none either.
    de::AttriDialogFactory().Register(EAttriDialogClass::kDelay, {});
    EXPECT_EQ(Show(17), nullptr);
    EXPECT_TRUE(doc->AttriDialogs().empty());
}

TEST_F(DspEditorAttriDialog, CaptionsUseTheDisplayName) {
    Module(2).m_displayName = "Lectern";
    Module(10).m_displayName = "Hall left";
    EXPECT_EQ(Show(2)->caption, "Input Lectern");
    EXPECT_EQ(Show(2, true)->caption, "Input All Channel");
    EXPECT_EQ(Show(10)->caption, "Output Hall left");
    EXPECT_EQ(Show(10, true)->caption, "Output All Channel");
    ASSERT_NE(delay->m_name, delay->m_displayName);
    EXPECT_EQ(Show(17)->caption, "Lobby delay");
}

TEST_F(DspEditorAttriDialog, ANewDialogIsPlacedWithTheWindowsZoomAndScrollAndPulledInside) {
    window.factor = 1.5;
    window.scroll = {30, 40};
    window.view = Rect{0, 0, 800, 600};
    // The delay's lower left corner (300, bottom) lands at (420, 1.5 bottom
    // - 40), below the view: pulled up to 600 - 200.
    RecordingDialog* dialog = Show(17);
    ASSERT_TRUE(dialog->placed.has_value());
    EXPECT_EQ(*dialog->placed, (Rect{420, 400, 720, 600}));

    // Input 1 at the sheet's top left.
    window.factor = 1.0;
    window.scroll = {};
    const Rect body = Module(1).m_body;
    EXPECT_EQ(*Show(1)->placed, (Rect{Point{body.left, body.bottom}, dialogSize}));
}

TEST_F(DspEditorAttriDialog, OpeningForAViewerMakesACaptionedDialogWithoutListingPlacingOrShowing) {
    auto* dialog = static_cast<RecordingDialog*>(view->OpenAttriDialog(*delay, false));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption, "Lobby delay");
    EXPECT_FALSE(dialog->placed.has_value());
    EXPECT_TRUE(dialog->calls.empty());
    EXPECT_TRUE(doc->AttriDialogs().empty());
}

TEST_F(DspEditorAttriDialog, AClosingDialogLeavesTheListAndTheNextOpenMakesANewOne) {
    RecordingDialog* first = Show(17);
    Show(3);
    Show(3, true);
    view->RemoveAttriDialog(17, 0);
    view->RemoveAttriDialog(3, 1); // no such dialog: nothing happens
    EXPECT_EQ(Listed(), (std::vector<std::string>{"3/0", "0/1"}));
    EXPECT_EQ(first->calls, std::vector<std::string>{"show"}); // not destroyed by the view

    RecordingDialog* second = Show(17);
    EXPECT_NE(second, first);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"3/0", "0/1", "17/0"}));
}

TEST_F(DspEditorAttriDialog, EachRefreshReachesOnlyItsChannelsOrSidesDialogs) {
    RecordingDialog* input1 = Show(1);
    RecordingDialog* input3 = Show(3);
    RecordingDialog* allInputs = Show(3, true);
    RecordingDialog* output1 = Show(9);
    RecordingDialog* allOutputs = Show(9, true);
    RecordingDialog* delayDialog = Show(17);
    const std::vector<RecordingDialog*> all = {input1,  input3,     allInputs,
                                               output1, allOutputs, delayDialog};
    const auto refreshed = [&] {
        std::vector<RecordingDialog*> hit;
        for (RecordingDialog* d : all) {
            if (d->calls.back() == "refresh")
                hit.push_back(d);
            d->calls.push_back("-");
        }
        return hit;
    };
    using Hits = std::vector<RecordingDialog*>;
    view->RefreshInputDialog(2);
    EXPECT_EQ(refreshed(), Hits{input3});
    view->RefreshInputDialog(0);
    EXPECT_EQ(refreshed(), Hits{input1});
    view->RefreshInputAllDialog();
    EXPECT_EQ(refreshed(), Hits{allInputs});
    view->RefreshOutputDialog(0);
    EXPECT_EQ(refreshed(), Hits{output1});
    view->RefreshOutputAllDialog();
    EXPECT_EQ(refreshed(), Hits{allOutputs});
    view->RefreshOutputDialog(8); // id 17: the delay, not an output channel's
    EXPECT_EQ(refreshed(), Hits{delayDialog});
}

TEST_F(DspEditorAttriDialog, ASheetWithoutInputModulesRefreshesNoInputDialog) {
    for (std::int32_t id = 1; id <= 8; ++id)
        ASSERT_NE(doc->TakeModule(id), nullptr);
    RecordingDialog& stray = dialogs.emplace_back(
        AttriDialogChoice{EAttriDialogClass::kInput, 155, true, 1, 0}, dialogSize);
    RecordingDialog& strayAll = dialogs.emplace_back(
        AttriDialogChoice{EAttriDialogClass::kInputAll, 176, true, 0, 1}, dialogSize);
    doc->AddAttriDialog(&stray);
    doc->AddAttriDialog(&strayAll);
    view->RefreshInputDialog(0);
    view->RefreshInputAllDialog();
    EXPECT_TRUE(stray.calls.empty());
    EXPECT_TRUE(strayAll.calls.empty());
    // The outputs are still there: the all-outputs refresh reaches id 1 of
    // kind 1 only, never input 1's dialog.
    view->RefreshOutputAllDialog();
    EXPECT_TRUE(stray.calls.empty());
}

TEST_F(DspEditorAttriDialog, AClickOnAnAllChannelsDialogSelectsTheWholeSide) {
    Module(17).m_selected = 1;
    view->SelectModuleFromDialog(CZoDSPView::kDialogClickActive, &Module(12), true, nullptr);
    for (const auto& m : doc->Modules())
        EXPECT_EQ(m->m_selected != 0, m->m_id >= 9 && m->m_id <= 16) << m->m_id;
    EXPECT_EQ(view->m_selectedModules, 8);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"activate view", "panel", "repaint"}));
    ASSERT_EQ(frame.statuses.size(), 1u);
    EXPECT_EQ(frame.statuses[0].selectedModules, 8);
    EXPECT_EQ(frame.statuses[0].position, (Point{Module(12).m_body.left, Module(12).m_body.top}));
}

TEST_F(DspEditorAttriDialog, AClickSelectsTheLinkGivenElseTheModuleAlone) {
    model::CBaseLink* link = dsp_test::Connect(*doc, 1, 0, 17, 0);
    ASSERT_NE(link, nullptr);
    view->SelectModuleFromDialog(CZoDSPView::kDialogClickActive, delay, false, link);
    EXPECT_EQ(view->m_selectedModules, 0);
    EXPECT_EQ(view->m_selectedLinks, 1);
    ASSERT_EQ(frame.statuses.size(), 1u);
    EXPECT_EQ(frame.statuses[0].size, (Size{doc->m_sheetWidth, doc->m_sheetHeight}));

    // All channels means nothing to a delay.
    view->SelectModuleFromDialog(CZoDSPView::kDialogClickActive, delay, true, nullptr);
    EXPECT_EQ(view->m_selectedModules, 1);
    EXPECT_EQ(view->m_selectedLinks, 0);
    EXPECT_NE(delay->m_selected, 0);
    ASSERT_EQ(frame.statuses.size(), 2u);
    EXPECT_EQ(frame.statuses[1].size, (Size{delay->m_body.Width(), delay->m_body.Height()}));
}

TEST_F(DspEditorAttriDialog, DeactivationHidesTheDialogsOnlyWhenAnotherViewIsActive) {
    RecordingDialog* a = Show(17);
    RecordingDialog* b = Show(2);
    CZoDSPDoc otherDoc;
    CZoDSPView other(otherDoc);

    frame.activeView = view.get();
    view->SelectModuleFromDialog(CZoDSPView::kDialogInactive, delay, false, nullptr);
    // Activated otherwise than by a click: nothing either.
    view->SelectModuleFromDialog(CZoDSPView::kDialogActive, delay, false, nullptr);
    EXPECT_EQ(a->calls.back(), "show");
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(delay->m_selected, 0);

    frame.activeView = &other;
    view->SelectModuleFromDialog(CZoDSPView::kDialogInactive, delay, false, nullptr);
    EXPECT_EQ(a->calls.back(), "hide");
    EXPECT_EQ(b->calls.back(), "hide");
    EXPECT_EQ(window.calls, std::vector<std::string>{"hide panel"});
    EXPECT_TRUE(frame.statuses.empty());
}

} // namespace
