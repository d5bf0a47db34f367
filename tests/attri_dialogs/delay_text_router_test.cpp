// The delay, text box and router dialogs' controllers over a sheet's real
// document, undo history, view and console (no sender thread).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "attri_dialogs/delay_controller.h"
#include "attri_dialogs/router_controller.h"
#include "attri_dialogs/text_controller.h"
#include "comm/dsp_console.h"
#include "dsp_test_support.h"
#include "model/program_settings.h"
#include "model/recording_messages.h"
#include "platform/gdi/recording_canvas.h"
#include "resources/message_ids.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
namespace gdi = platform::gdi;
using model::CAriDelay;
using model::CAriRouter;
using model::CAriText;
using Commands = std::vector<std::string>;

// A new model-1 sheet with one module of the type and variant added, at
// execution order 7, the sheet live and not modified.
class SheetWith : public ::testing::Test {
protected:
    template <class M> M& Add(std::int32_t type, std::int32_t variant) {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        auto* module = dynamic_cast<M*>(doc->AddModule(type, variant, 100, 100, 1));
        module->m_order = 7;
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        return *module;
    }
    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }
    // Undoes one step; whether there was no further one.
    bool UndoIsOneStep() {
        if (!view->CanUndo())
            return false;
        view->OnEditUndo();
        return !view->CanUndo();
    }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
};

// -- delay

class DelayDialog : public SheetWith {
protected:
    DelayDialog() : delay(Add<CAriDelay>(model::kAriDelay, 1)), dialog(*view, delay) {}

    bool Type(const std::string& text) {
        return dialog.OnDelayEdit(text, ad::EEditEvent::kTextChanged);
    }
    bool Leave() { return dialog.OnDelayEdit(dialog.DelayText(), ad::EEditEvent::kFocusLost); }

    CAriDelay& delay;
    ad::CAttriDelayController dialog;
};

TEST_F(DelayDialog, ShowsTheModulesDelayAndBypass) {
    EXPECT_EQ(dialog.MaxDelay(), 5.0);
    EXPECT_EQ(dialog.DelayText(), "5.00");
    EXPECT_EQ(dialog.Bypass(), 0);
    EXPECT_EQ(dialog.BypassCaption(), "Off");
}

TEST_F(DelayDialog, EnterClampsToTheVariantsRangeAndSendsTruncatedSamples) {
    struct Case {
        const char* typed;
        const char* shown;
        double stored;
        const char* command;
    } cases[] = {
        {"7\r\n", "5.00", 5.0, nullptr}, // the module's own value: nothing sent
        {"1\r\n", "1.00", 1.0, "*NySET 7 301 48#"},
        {"-3\r\n", "0.00", 0.0, "*NySET 7 301 0#"},
        {"4.5\r\n", "4.50", 4.5, "*NySET 7 301 216#"},
        {"9\r\n", "5.00", 5.0, "*NySET 7 301 240#"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        view->Console().ClearAll();
        EXPECT_EQ(Type(c.typed), c.command != nullptr);
        EXPECT_EQ(dialog.DelayText(), c.shown);
        EXPECT_EQ(delay.m_delay, c.stored);
        EXPECT_EQ(ControlQueue(), c.command ? Commands{c.command} : Commands{});
    }
}

TEST_F(DelayDialog, TheTypedValueIsStoredAndTheShownOneAppliedOnLeaving) {
    EXPECT_TRUE(Type("2.999\r\n"));
    EXPECT_EQ(dialog.DelayText(), "3.00");
    EXPECT_EQ(delay.m_delay, 2.999);
    EXPECT_TRUE(Leave());
    EXPECT_EQ(delay.m_delay, 3.0);
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 7 301 143#", "*NySET 7 301 144#"}));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(UndoIsOneStep());
    EXPECT_EQ(delay.m_delay, 5.0);
}

TEST_F(DelayDialog, ALoneMinusEmptiesTheEditAndAppliesNothing) {
    EXPECT_FALSE(Type("-"));
    EXPECT_EQ(dialog.DelayText(), "");
    EXPECT_FALSE(Type("2"));
    EXPECT_EQ(delay.m_delay, 5.0);
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(DelayDialog, TheSpinStepsTheShownDelayWithinRangeAndAppliesOnlyOnLeaving) {
    delay.m_delay = 1.0;
    dialog.Refresh();
    constexpr auto up = ad::CAttriDelayController::kSpinRest + 1;
    constexpr auto down = ad::CAttriDelayController::kSpinRest - 1;
    EXPECT_TRUE(dialog.OnSpin(up));
    EXPECT_TRUE(dialog.OnSpin(up));
    EXPECT_FALSE(dialog.OnSpin(ad::CAttriDelayController::kSpinRest));
    EXPECT_EQ(dialog.DelayText(), "1.04");
    EXPECT_EQ(delay.m_delay, 1.0);
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(Leave());
    EXPECT_EQ(delay.m_delay, 1.04);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 7 301 49#"});

    delay.m_delay = 0.01;
    dialog.Refresh();
    EXPECT_TRUE(dialog.OnSpin(down));
    EXPECT_EQ(dialog.DelayText(), "0.00");
    delay.m_delay = 4.99;
    dialog.Refresh();
    EXPECT_TRUE(dialog.OnSpin(up));
    EXPECT_EQ(dialog.DelayText(), "5.00");
}

TEST_F(DelayDialog, BypassTogglesAndDefaultsPutBackBypassAndMaximum) {
    EXPECT_TRUE(dialog.AtDefaults());
    EXPECT_FALSE(dialog.SetDefaultValues());
    EXPECT_FALSE(view->CanUndo());

    EXPECT_TRUE(dialog.OnBypass());
    EXPECT_EQ(dialog.BypassCaption(), "On");
    EXPECT_EQ(delay.m_bypass, 1);
    EXPECT_TRUE(Type("2\r\n"));
    view->Console().ClearAll();
    EXPECT_TRUE(dialog.SetDefaultValues());
    EXPECT_EQ(delay.m_bypass, 0);
    EXPECT_EQ(delay.m_delay, 5.0);
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 7 302 0#", "*NySET 7 301 240#"}));
}

TEST_F(DelayDialog, BypassIsSentAsItsSwitch) {
    EXPECT_TRUE(dialog.OnBypass());
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 7 302 1#"});
}

TEST_F(DelayDialog, ViewOnlyRestoresTheShownDelayAndTakesNoChange) {
    dialog.SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(Type("3\r\n"));
    EXPECT_FALSE(dialog.OnDelayEdit("3", ad::EEditEvent::kFocusLost));
    EXPECT_EQ(dialog.DelayText(), "5.00");
    EXPECT_FALSE(dialog.OnSpin(ad::CAttriDelayController::kSpinRest + 1));
    EXPECT_EQ(dialog.DelayText(), "5.00");
    EXPECT_FALSE(dialog.OnBypass());
    EXPECT_EQ(dialog.Bypass(), 0);
    EXPECT_EQ(delay.m_delay, 5.0);
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
}

// -- text box

// Points $OSTREL_HOME at a fresh folder for the test's life; the settings
// snapshot goes back to the defaults afterwards.
class ScopedHome {
public:
    ScopedHome()
        : m_folder(std::filesystem::temp_directory_path() /
                   ("attri35-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        if (const char* old = std::getenv("OSTREL_HOME"))
            m_old = old;
        ::setenv("OSTREL_HOME", m_folder.c_str(), 1);
    }
    ~ScopedHome() {
        if (m_old)
            ::setenv("OSTREL_HOME", m_old->c_str(), 1);
        else
            ::unsetenv("OSTREL_HOME");
        std::filesystem::remove_all(m_folder);
        model::InstallProgramSettings(std::make_shared<const model::CProgramSettings>());
    }
    std::filesystem::path Ini() const { return m_folder / "Ostrel.ini"; }

private:
    std::filesystem::path m_folder;
    std::optional<std::string> m_old;
};

class TextDialog : public SheetWith {
protected:
    TextDialog() : box(Add<CAriText>(model::kAriText, 1)), dialog(*view, box) {}

    CAriText& box;
    ad::CAttriTextController dialog;
    model::CRecordingMessages messages;
};

TEST_F(TextDialog, EveryKeystrokeAppliesAndTheRunUndoesAsOneStep) {
    const std::vector<std::string> typed{"TextX", "TextXY", "TextXYZ"};
    for (const std::string& text : typed) {
        EXPECT_TRUE(dialog.OnTextChanged(text));
        EXPECT_EQ(box.m_text, text);
    }
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(UndoIsOneStep());
    EXPECT_EQ(box.m_text, "Text");
    EXPECT_TRUE(ControlQueue().empty()) << "a text box is not in the unit";
}

TEST_F(TextDialog, LineBreaksAreCrLfInTheBoxAndLfInTheEdit) {
    struct Case {
        const char* edit;
        const char* box;
    } cases[] = {{"a\nb", "a\r\nb"}, {"\n\n", "\r\n\r\n"}, {"a\n", "a\r\n"}, {"ab", "ab"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edit);
        EXPECT_EQ(ad::CAttriTextController::ToBoxText(c.edit), c.box);
        EXPECT_EQ(ad::CAttriTextController::ToEditText(c.box), c.edit);
    }
    // A CR the edit hands over is not doubled.
    EXPECT_EQ(ad::CAttriTextController::ToBoxText("a\r\nb"), "a\r\nb");

    EXPECT_TRUE(dialog.OnTextChanged("a"));
    EXPECT_TRUE(dialog.OnTextChanged("a\n"));
    EXPECT_TRUE(dialog.OnTextChanged("a\nb"));
    EXPECT_EQ(box.m_text, "a\r\nb");
    dialog.Refresh();
    EXPECT_EQ(dialog.EditText(), "a\nb");
}

TEST_F(TextDialog, ColoursFontAndTransparencyApplyWithoutACommand) {
    model::LOGFONT font = gdi::MakeFont("Courier New", 20, gdi::FW_NORMAL);
    font.lfItalic = 1;
    EXPECT_TRUE(dialog.SetBackColour(0x00FF00));
    EXPECT_TRUE(dialog.SetTextColour(0x0000FF));
    EXPECT_TRUE(dialog.SetFont(font));
    EXPECT_TRUE(dialog.OnTransparency());
    EXPECT_EQ(dialog.BackColour(), 0x00FF00u);
    EXPECT_EQ(dialog.TextColour(), 0x0000FFu);
    EXPECT_EQ(dialog.Font(), font);
    EXPECT_EQ(dialog.Transparent(), 0);
    EXPECT_EQ(box.m_transparent, 0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_TRUE(UndoIsOneStep());
    EXPECT_EQ(box.m_colours[CAriText::kBodyColour], 0xFFFFFFu);
    EXPECT_EQ(box.m_font, gdi::MakeFont("Arial", 15, gdi::FW_BOLD));
    EXPECT_EQ(box.m_transparent, 1);
}

TEST_F(TextDialog, ABoxDifferingInAnythingTheResetSetsIsReset) {
    EXPECT_TRUE(dialog.AtDefaults());
    EXPECT_FALSE(dialog.SetDefaultValues());
    EXPECT_FALSE(view->CanUndo());

    struct Case {
        const char* name;
        void (*change)(CAriText&);
    } cases[] = {
        {"text", [](CAriText& b) { b.m_text = "Other"; }},
        {"font", [](CAriText& b) { b.m_font.lfItalic = 1; }},
        {"transparency", [](CAriText& b) { b.m_transparent = 0; }},
        {"background", [](CAriText& b) { b.m_colours[CAriText::kBodyColour] = 0x123456; }},
        {"text colour", [](CAriText& b) { b.m_colours[CAriText::kTextColour] = 0x654321; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change(box);
        EXPECT_FALSE(dialog.AtDefaults());
        EXPECT_TRUE(dialog.SetDefaultValues());
        EXPECT_TRUE(dialog.AtDefaults());
        EXPECT_EQ(box.m_text, "Text");
    }
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(TextDialog, SaveAsDefaultWritesTheColoursOnOkOnly) {
    const ScopedHome home;
    box.m_colours[CAriText::kBodyColour] = 0x0000FF; // pure red
    box.m_colours[CAriText::kTextColour] = 0x00FF00;

    messages.ScriptAnswer(resources::kMsgAskTextDefaults, model::EMessageAnswer::Cancel);
    messages.ScriptAnswer(resources::kMsgAskTextDefaults, model::EMessageAnswer::Ok);
    EXPECT_FALSE(dialog.SaveAsDefault());
    EXPECT_FALSE(std::filesystem::exists(home.Ini()));

    EXPECT_TRUE(dialog.SaveAsDefault());
    EXPECT_EQ(messages.AskedIds(), (std::vector<int>{246, 246}));
    std::ifstream file(home.Ini());
    std::stringstream written;
    written << file.rdbuf();
    EXPECT_NE(written.str().find("[ARITEXT]"), std::string::npos) << written.str();
    EXPECT_NE(written.str().find("RcBackColor=255"), std::string::npos) << written.str();
    EXPECT_NE(written.str().find("RcTypeColor=65280"), std::string::npos) << written.str();

    const CAriText fresh(99, 1, 0, 0);
    EXPECT_EQ(fresh.m_colours[CAriText::kBodyColour], 0x0000FFu);
    EXPECT_EQ(fresh.m_colours[CAriText::kTextColour], 0x00FF00u);
    EXPECT_FALSE(view->CanUndo());
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(TextDialog, ViewOnlyTakesNoChangeAndAsksNothing) {
    dialog.SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(dialog.OnTextChanged("Other"));
    EXPECT_FALSE(dialog.OnTransparency());
    EXPECT_EQ(dialog.Transparent(), 1);
    EXPECT_FALSE(dialog.SetBackColour(0));
    EXPECT_FALSE(dialog.SetFont(gdi::MakeFont("Courier New", 9)));
    EXPECT_FALSE(dialog.SaveAsDefault());
    EXPECT_TRUE(messages.AskedIds().empty());
    EXPECT_EQ(box.m_text, "Text");
    EXPECT_FALSE(view->CanUndo());
    EXPECT_FALSE(doc->IsModified());
}

// -- router

class RouterDialog : public SheetWith {
protected:
    RouterDialog() : router(Add<CAriRouter>(model::kAriRouter, 1)), dialog(*view, router) {}

    // The inputs output j shows selected, from 1.
    std::vector<int> Column(int j) const {
        std::vector<int> selected;
        for (int i = 0; i < dialog.Inputs(); ++i)
            if (dialog.Selected(i, j))
                selected.push_back(i + 1);
        return selected;
    }

    CAriRouter& router;
    ad::CAttriRouterController dialog;
};

TEST_F(RouterDialog, AClickRoutesTheInputAndASecondSwitchesTheOutputOff) {
    ASSERT_EQ(dialog.Inputs(), 4);
    ASSERT_EQ(dialog.Outputs(), 4);
    EXPECT_EQ(Column(0), std::vector<int>{1});
    EXPECT_TRUE(dialog.OnCrossPoint(2, 0));
    EXPECT_EQ(Column(0), std::vector<int>{3});
    EXPECT_TRUE(dialog.OnCrossPoint(2, 0));
    EXPECT_EQ(Column(0), std::vector<int>{});
    EXPECT_EQ(router.m_selectedInput[0], 0);
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 7 401 1 3#", "*NySET 7 401 1 0#"}));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(UndoIsOneStep());
    EXPECT_EQ(router.m_selectedInput[0], 1);
}

TEST_F(RouterDialog, OneInputFeedsSeveralOutputs) {
    for (int j = 0; j < 4; ++j)
        EXPECT_TRUE(dialog.OnCrossPoint(1, j));
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(Column(j), std::vector<int>{2}) << "output " << j + 1;
    EXPECT_EQ(ControlQueue().back(), "*NySET 7 401 4 2#");
    EXPECT_FALSE(dialog.OnCrossPoint(4, 0)) << "no fifth input";
}

TEST_F(RouterDialog, ViewOnlyLeavesTheButtonsAsTheModuleSays) {
    dialog.SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(dialog.OnCrossPoint(2, 0));
    EXPECT_EQ(Column(0), std::vector<int>{1});
    EXPECT_FALSE(view->CanUndo());
    EXPECT_TRUE(ControlQueue().empty());
}

TEST_F(RouterDialog, DefaultsOnADefaultRouterRecordNothing) {
    // As a dialog's module usually is; the flag is no parameter.
    ASSERT_TRUE(router.m_selected);
    EXPECT_FALSE(dialog.SetDefaultValues());
    EXPECT_FALSE(view->CanUndo());
    EXPECT_FALSE(doc->IsModified());

    EXPECT_TRUE(dialog.OnCrossPoint(3, 2));
    view->Console().ClearAll();
    EXPECT_TRUE(dialog.SetDefaultValues());
    EXPECT_EQ(Column(2), std::vector<int>{1});
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 7 401 3 1#"});
}

TEST(RouterLayout, SizesAndTablePerVariant) {
    struct Case {
        std::int32_t variant, channels, shift;
        gdi::Size window, maxTrack;
        gdi::Rect table;
    } cases[] = {
        {1, 4, 250, {141, 148}, {200, 200}, {8, 9, 124, 104}},
        {2, 8, 167, {224, 225}, {300, 300}, {8, 9, 208, 180}},
        {3, 16, 0, {393, 376}, {450, 450}, {8, 9, 376, 332}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        const ad::RouterLayout layout = ad::RouterLayoutOf(c.variant);
        EXPECT_EQ(layout.channels, c.channels);
        EXPECT_EQ(layout.labelShift, c.shift);
        EXPECT_EQ(layout.window, c.window);
        EXPECT_EQ(layout.maxTrack, c.maxTrack);
        EXPECT_EQ(layout.table, c.table);
        // The last button ends on the table's last row and before its label column.
        const gdi::Rect last = ad::CrossPointRect(c.channels - 1, c.channels - 1);
        EXPECT_EQ(last.bottom, c.table.bottom);
        EXPECT_EQ(last.right + 32 - 1, c.table.right);
    }
    EXPECT_EQ(ad::CrossPointRect(0, 0), (gdi::Rect{9, 28, 30, 47}));
    EXPECT_EQ(ad::RouterLayoutOf(4).channels, 0);
}

TEST(RouterLayout, TheTableIsGreyAndRuledWithThePen) {
    gdi::RecordingCanvas canvas;
    canvas.SelectPen(gdi::Pen::Solid(1, 0x000000));
    ad::DrawRouterTable(canvas, 1);
    const std::vector<std::string> lines = canvas.Lines();
    ASSERT_EQ(lines.size(), 1u + 6 + 5 + 1);
    EXPECT_EQ(lines.front(), "fill (8,9,124,104) 0xC0C0C0");
    EXPECT_EQ(lines[1], "polyline (8,9) (124,9) pen solid 1 0x000000");
    EXPECT_EQ(lines[6], "polyline (8,104) (124,104) pen solid 1 0x000000");
    EXPECT_EQ(lines[11], "polyline (92,9) (92,104) pen solid 1 0x000000");
    EXPECT_EQ(lines.back(), "polyline (124,9) (124,104) pen solid 1 0x000000");
}

} // namespace
