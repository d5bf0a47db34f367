// The DSP sheet's undo history driven as the view and the dialogs drive it:
// every edit, undo and redo leaves the file form of the sheet as it was at
// that step and the pins' link counts and feeders in agreement with the
// links; structural steps are refused whole while live or downloading;
// parameter steps merge, undo while live with the unit's commands and
// refresh the dialogs; template loads, hide, show-all and groups come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/parameter_copy.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_delay.h"
#include "model/ari_equalizer.h"
#include "model/ari_input.h"
#include "model/ari_mixer.h"
#include "model/ari_router.h"
#include "model/ari_text.h"
#include "model/recording_messages.h"

namespace {

using dsp_editor::CDSPUndoHistory;
using dsp_editor::CZoDSPDoc;
using dsp_editor::CZoDSPView;
using model::CBaseAriModule;
using model::CBaseLink;
using Bytes = std::vector<std::uint8_t>;
using Commands = std::vector<std::string>;
namespace de = dsp_editor;

class FakeWindow final : public de::IDspViewWindow {
public:
    void Repaint() override { ++repaints; }
    void UpdatePropertyPanel() override { ++panelUpdates; }
    int repaints = 0;
    int panelUpdates = 0;
};

// Every pin counts the links drawn to it, and an input pin names the pin
// that feeds it (none: 0, 0).
void ExpectPinsAgreeWithLinks(const CZoDSPDoc& doc) {
    for (const auto& module : doc.Modules()) {
        for (int i = 0; i < module->GetChnlCount(); ++i) {
            const model::CBaseChnl* pin = module->GetChnl(i);
            int count = 0;
            const CBaseLink* feeder = nullptr;
            for (const auto& link : doc.Links()) {
                const bool receiving =
                    link->m_sourceModule == module->m_id && link->m_sourceChannel == i;
                const bool feeding = link->m_destModule == module->m_id && link->m_destChannel == i;
                count += (receiving ? 1 : 0) + (feeding ? 1 : 0);
                if (receiving)
                    feeder = link.get();
            }
            SCOPED_TRACE("module " + std::to_string(module->m_id) + " pin " + std::to_string(i));
            EXPECT_EQ(pin->m_linkCount, count);
            if (i < module->m_inputCount) {
                EXPECT_EQ(pin->m_peerModule, feeder != nullptr ? feeder->m_destModule : 0);
                EXPECT_EQ(pin->m_peerChannel, feeder != nullptr ? feeder->m_destChannel : 0);
            }
        }
    }
}

// Empty when equal, else where the two first differ.
std::string Difference(const Bytes& got, const Bytes& want) {
    const auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    if (g == got.end() && w == want.end())
        return {};
    return "first difference at offset " + std::to_string(g - got.begin()) + " of " +
           std::to_string(got.size()) + " and " + std::to_string(want.size()) + " bytes";
}

std::vector<std::int32_t> ModuleIds(const CZoDSPDoc& doc) {
    std::vector<std::int32_t> ids;
    for (const auto& module : doc.Modules())
        ids.push_back(module->m_id);
    return ids;
}

std::vector<std::int32_t> LinkIds(const CZoDSPDoc& doc) {
    std::vector<std::int32_t> ids;
    for (const auto& link : doc.Links())
        ids.push_back(link->m_id);
    return ids;
}

// A new sheet shown by the frame's active view, with the edits the view and
// the attribute dialogs record.
// Public: the case tables record through it.
class DspEditorUndo : public ::testing::Test {
public:
    DspEditorUndo() { NewSheet(); }

    // Starts again on a new sheet, shown by a new active view.
    void NewSheet() {
        view.reset();
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<CZoDSPView>(*doc);
        view->SetWindow(&window);
        frame.activeView = view.get();
    }

    CDSPUndoHistory& History() { return *de::UndoHistoryOf(*doc); }

    // The file form with the selection (view state that edits and undo set
    // differently) cleared.
    Bytes SheetBytes() {
        doc->ClearSelection();
        return doc->SaveDocument();
    }

    // The same without the name and id counters: they only grow, so that a
    // name or id once given is not given again while the sheet is open.
    Bytes SheetBytesButCounters() {
        Bytes bytes = SheetBytes();
        constexpr std::size_t kCountersAt = 20, kCountersEnd = 68; // 10 names, module, link
        std::fill(bytes.begin() + kCountersAt, bytes.begin() + kCountersEnd, 0);
        return bytes;
    }

    CBaseAriModule* Place(std::int32_t type, std::int32_t variant, std::int32_t x, std::int32_t y) {
        CBaseAriModule* module = doc->AddModule(type, variant, x, y, doc->m_deviceModel);
        History().BeginStep();
        History().AddAction(de::kUndoAdd, *module);
        return module;
    }

    CBaseLink* Draw(std::int32_t feedId, std::int32_t feedPin, std::int32_t recvId,
                    std::int32_t recvPin) {
        CBaseLink* link = dsp_test::Connect(*doc, feedId, feedPin, recvId, recvPin);
        History().BeginStep();
        History().AddLinkAction(de::kUndoAdd, *link);
        return link;
    }

    void Move(CBaseAriModule& module, std::int32_t dx, std::int32_t dy) {
        History().BeginStep();
        doc->MoveModule(module, dx, dy);
        History().AddAction(de::kUndoMove, module, dx, dy);
    }

    // One parameter change as a dialog makes it: recorded before the
    // change, the after-copy brought up to date after it.
    template <class T> void Change(CBaseAriModule& module, std::function<void(T&)> edit) {
        CBaseAriModule* after = History().AddAction(de::kUndoParameters, module, 0, 0, true);
        ASSERT_NE(after, nullptr);
        edit(dynamic_cast<T&>(module));
        comm::CDSPDlgShowCMD quiet;
        de::SendParameterChanges(module, *after, false, quiet);
    }

    void Hide(const std::vector<std::int32_t>& ids, std::int32_t hidden) {
        History().BeginStep();
        for (const std::int32_t id : ids)
            History().AddHideAction(*doc->GetModuleById(id), hidden);
        for (const std::int32_t id : ids)
            doc->GetModuleById(id)->m_hidden = hidden;
        doc->m_hiddenModules = hidden;
    }

    void Group(CBaseAriModule& module, std::int32_t group, const std::string& name) {
        History().BeginStep();
        module.m_group = group;
        module.m_groupName = name;
        History().AddAction(de::kUndoGroup, module);
    }

    void Delete(const std::vector<std::int32_t>& moduleIds) {
        doc->ClearSelection();
        for (const std::int32_t id : moduleIds)
            doc->GetModuleById(id)->m_selected = 1;
        doc->DeleteSelection();
    }

    // An attribute dialog open on the sheet; it outlives the document.
    dsp_test::FakeDialog& OpenDialog(std::int32_t id, std::int32_t kind) {
        dsp_test::FakeDialog& dialog = dialogs.emplace_back(id, kind, destroyed);
        doc->AddAttriDialog(&dialog);
        return dialog;
    }

    Commands ControlQueue() { return view->Console().Queue(comm::EConsoleQueue::Control); }

    model::CRecordingMessages messages;
    dsp_test::FakeFrame frame;
    FakeWindow window;
    std::vector<std::string> destroyed;
    std::list<dsp_test::FakeDialog> dialogs;
    std::unique_ptr<CZoDSPDoc> doc;
    std::unique_ptr<CZoDSPView> view; // goes before its document
};

TEST_F(DspEditorUndo, EveryStepUndoesAndRedoesToTheBytesRecordedAtIt) {
    std::vector<Bytes> at{SheetBytesButCounters()};
    std::vector<std::string> what{"new sheet"};
    const auto step = [&](const std::string& name, const std::function<void()>& edit) {
        edit();
        ExpectPinsAgreeWithLinks(*doc);
        what.push_back(name);
        at.push_back(SheetBytesButCounters());
    };
    CBaseAriModule* a = nullptr;
    CBaseAriModule* b = nullptr;
    step("place A", [&] { a = Place(model::kAriDelay, 3, 200, 100); });
    step("place B", [&] { b = Place(model::kAriDelay, 3, 200, 300); });
    step("draw input 1 to A", [&] { Draw(1, 0, a->m_id, 0); });
    step("draw A to output 9", [&] { Draw(a->m_id, 1, 9, 0); });
    step("draw A to B", [&] { Draw(a->m_id, 1, b->m_id, 0); });
    step("move A", [&] { Move(*a, 30, 20); });
    step("change B twice", [&] {
        Change<model::CAriDelay>(*b, [](auto& m) { m.m_delay = 5.0; });
        Change<model::CAriDelay>(*b, [](auto& m) { m.m_bypass = 1; });
    });
    step("hide input 8", [&] { Hide({8}, 1); });
    step("group B", [&] { Group(*b, 1, "G1"); });
    step("delete B with its link", [&] { Delete({b->m_id}); });
    ASSERT_EQ(History().UndoCount(), 10);

    for (std::size_t k = at.size() - 1; k > 0; --k) {
        SCOPED_TRACE("undo " + what[k]);
        ASSERT_TRUE(History().Undo());
        ExpectPinsAgreeWithLinks(*doc);
        EXPECT_EQ(Difference(SheetBytesButCounters(), at[k - 1]), "");
    }
    EXPECT_FALSE(view->CanUndo());
    for (std::size_t k = 1; k < at.size(); ++k) {
        SCOPED_TRACE("redo " + what[k]);
        ASSERT_TRUE(History().Redo());
        ExpectPinsAgreeWithLinks(*doc);
        EXPECT_EQ(Difference(SheetBytesButCounters(), at[k]), "");
    }
    EXPECT_FALSE(view->CanRedo());
    EXPECT_TRUE(messages.ShownIds().empty());
}

TEST_F(DspEditorUndo, UndoingADeletionPutsTheModuleAndBothLinksBackAtTheEnd) {
    Place(model::kAriDelay, 1, 200, 100); // 17
    Place(model::kAriDelay, 1, 200, 300); // 18
    Draw(1, 0, 17, 0);                    // link 1
    Draw(17, 1, 9, 0);                    // link 2
    Draw(18, 1, 10, 0);                   // link 3
    Delete({17});
    EXPECT_EQ(doc->GetModuleById(17), nullptr);
    ExpectPinsAgreeWithLinks(*doc);

    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(ModuleIds(*doc).back(), 17);
    EXPECT_EQ(doc->Modules().size(), 18u);
    EXPECT_EQ(LinkIds(*doc), (std::vector<std::int32_t>{3, 2, 1}));
    ExpectPinsAgreeWithLinks(*doc);
    EXPECT_EQ(doc->GetModuleById(17)->m_selected, 1);
    EXPECT_EQ(doc->GetLinkById(1)->m_selected, 1);

    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(doc->GetModuleById(17), nullptr);
    EXPECT_EQ(LinkIds(*doc), (std::vector<std::int32_t>{3}));
    ExpectPinsAgreeWithLinks(*doc);
}

TEST_F(DspEditorUndo, ParameterChangesMergeOnlyForOneModuleInARow) {
    struct Case {
        const char* what;
        std::vector<int> changed; // 0 module A, 1 module B
        int steps;
    };
    const Case cases[] = {
        {"A, A", {0, 0}, 1},
        {"A, B, A", {0, 1, 0}, 3},
        {"A, A, B, B", {0, 0, 1, 1}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto sheet = dsp_test::NewDocument(frame);
        CDSPUndoHistory& history = *de::UndoHistoryOf(*sheet);
        CBaseAriModule* modules[] = {sheet->AddModule(model::kAriDelay, 1, 200, 100, 1),
                                     sheet->AddModule(model::kAriDelay, 1, 200, 300, 1)};
        double value = 1.0;
        for (const int which : c.changed) {
            CBaseAriModule* after =
                history.AddAction(de::kUndoParameters, *modules[which], 0, 0, true);
            auto& delay = dynamic_cast<model::CAriDelay&>(*modules[which]);
            delay.m_delay = value;
            dynamic_cast<model::CAriDelay&>(*after).m_delay = value;
            value += 1.0;
        }
        EXPECT_EQ(history.UndoCount(), c.steps);
        EXPECT_EQ(history.Actions().size(), static_cast<std::size_t>(c.steps));
    }
}

TEST_F(DspEditorUndo, AChangeAfterAnUndoBeginsANewStepAndDropsTheUndoneOne) {
    CBaseAriModule* a = doc->AddModule(model::kAriDelay, 3, 200, 100, 1);
    auto& delay = dynamic_cast<model::CAriDelay&>(*a);
    Change<model::CAriDelay>(*a, [](auto& m) { m.m_delay = 1.0; }); // step 1
    Place(model::kAriMixer, 1, 400, 400);                           // step 2
    ASSERT_TRUE(History().Undo());
    ASSERT_EQ(History().Position(), 1);
    EXPECT_TRUE(view->CanRedo());

    // Step 1 is done and holds a change of A, but it is no longer the
    // newest: the change goes into a step of its own.
    Change<model::CAriDelay>(*a, [](auto& m) { m.m_delay = 7.0; });
    EXPECT_EQ(History().UndoCount(), 2);
    EXPECT_EQ(History().RedoCount(), 0);
    EXPECT_FALSE(view->CanRedo());
    EXPECT_EQ(History().Actions().size(), 2u);
    EXPECT_EQ(doc->Modules().size(), 17u);

    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(delay.m_delay, 1.0);
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(delay.m_delay, 20.0);
    ASSERT_TRUE(History().Redo());
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(delay.m_delay, 7.0);
    EXPECT_EQ(doc->Modules().size(), 17u);
}

TEST_F(DspEditorUndo, StructuralStepsAreRefusedWholeWhileLiveOrDownloading) {
    struct Case {
        const char* what;
        std::function<void(DspEditorUndo&)> record;
        int undoMessage;
        int redoMessage;
    };
    const Case cases[] = {
        {"move", [](DspEditorUndo& t) { t.Move(*t.doc->GetModuleById(17), 20, 0); }, 300, 300},
        {"add module", [](DspEditorUndo& t) { t.Place(model::kAriMixer, 1, 400, 600); }, 301, 302},
        {"add link", [](DspEditorUndo& t) { t.Draw(17, 1, 10, 0); }, 301, 302},
        {"delete", [](DspEditorUndo& t) { t.Delete({17}); }, 302, 301},
        {"template load",
         [](DspEditorUndo& t) {
             t.History().BeginStep();
             t.History().AddSheetAction();
             t.doc->CreateDefaultChannels();
         },
         303, 303},
        // A parameter action recorded last, so visited first, is not undone
        // either: the step goes whole or not at all.
        {"move, then parameters in the same step",
         [](DspEditorUndo& t) {
             CBaseAriModule& m = *t.doc->GetModuleById(17);
             t.Move(m, 20, 0);
             CBaseAriModule* after = t.History().AddAction(de::kUndoParameters, m);
             dynamic_cast<model::CAriDelay&>(m).m_delay = 1.0;
             dynamic_cast<model::CAriDelay&>(*after).m_delay = 1.0;
         },
         300, 300},
    };
    for (const Case& c : cases) {
        for (const bool live : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (live ? ", live" : ", downloading"));
            NewSheet();
            doc->AddModule(model::kAriDelay, 1, 200, 100, 1); // 17
            dsp_test::Connect(*doc, 1, 0, 17, 0);
            c.record(*this);
            const auto busy = [&](bool on) {
                doc->m_live = on && live ? 1 : 0;
                view->Download().m_progress = on && !live ? 1 : 0;
            };
            const auto refused = [&](bool undo, int message) {
                const Bytes before = SheetBytes();
                const std::int32_t position = History().Position();
                busy(true);
                EXPECT_FALSE(undo ? History().Undo() : History().Redo());
                busy(false);
                ASSERT_FALSE(messages.ShownIds().empty());
                EXPECT_EQ(messages.ShownIds().back(), message);
                EXPECT_EQ(Difference(SheetBytes(), before), "");
                EXPECT_EQ(History().Position(), position);
                EXPECT_TRUE(ControlQueue().empty());
            };
            refused(true, c.undoMessage);
            ASSERT_TRUE(History().Undo());
            refused(false, c.redoMessage);
        }
    }
}

TEST_F(DspEditorUndo, AParameterUndoWhileLiveQueuesTheUnitCommandsAndRefreshesTheDialogs) {
    CBaseAriModule* a = doc->AddModule(model::kAriDelay, 3, 200, 100, 1);
    a->m_order = 5;
    const dsp_test::FakeDialog& single = OpenDialog(a->m_id, 0);
    const dsp_test::FakeDialog& other = OpenDialog(9, 0);
    const dsp_test::FakeDialog& inputs = OpenDialog(0, 1);
    doc->m_orderOk = 1;
    doc->m_programBuilt = 1;
    doc->m_live = 1;
    Change<model::CAriDelay>(*a, [](auto& m) { m.m_delay = 10.5; });
    Change<model::CAriDelay>(*a, [](auto& m) { m.m_bypass = 1; });

    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 5 302 0#", "*NySET 5 301 960#"}));
    EXPECT_EQ(single.refreshes, 1);
    EXPECT_EQ(other.refreshes, 0);
    EXPECT_EQ(inputs.refreshes, 0);
    // A parameter step leaves the running program as it is.
    EXPECT_EQ(doc->m_orderOk, 1);
    EXPECT_EQ(doc->m_programBuilt, 1);

    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(ControlQueue(), (Commands{"*NySET 5 302 0#", "*NySET 5 301 960#", "*NySET 5 302 1#",
                                        "*NySET 5 301 504#"}));
    EXPECT_EQ(single.refreshes, 2);
    EXPECT_TRUE(destroyed.empty());
}

TEST_F(DspEditorUndo, AChannelParameterUndoRefreshesItsSidesAllChannelsDialog) {
    CBaseAriModule* input = doc->GetModuleById(3);
    const dsp_test::FakeDialog& inputs = OpenDialog(0, 1);
    const dsp_test::FakeDialog& outputs = OpenDialog(1, 1);
    Change<model::CAriInput>(*input, [](auto& m) { m.m_mute = 1; });
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(dynamic_cast<model::CAriInput&>(*input).m_mute, 0);
    EXPECT_EQ(inputs.refreshes, 1);
    EXPECT_EQ(outputs.refreshes, 0);
    EXPECT_TRUE(ControlQueue().empty()); // not live
}

TEST_F(DspEditorUndo, AStepClearsTheOrderAndProgramOnlyWhenItChangesTheStructure) {
    struct Case {
        const char* what;
        std::function<void(DspEditorUndo&)> record;
        bool structural;
        bool panel;
    };
    const Case cases[] = {
        {"move", [](DspEditorUndo& t) { t.Move(*t.doc->GetModuleById(17), 10, 10); }, false, false},
        {"add", [](DspEditorUndo& t) { t.Place(model::kAriDelay, 1, 400, 400); }, true, true},
        {"add link", [](DspEditorUndo& t) { t.Draw(17, 1, 9, 0); }, true, true},
        {"delete", [](DspEditorUndo& t) { t.Delete({17}); }, true, true},
        {"parameters",
         [](DspEditorUndo& t) {
             t.Change<model::CAriDelay>(*t.doc->GetModuleById(17), [](auto& m) { m.m_bypass = 1; });
         },
         false, true},
        {"hide", [](DspEditorUndo& t) { t.Hide({1}, 1); }, false, false},
        {"group", [](DspEditorUndo& t) { t.Group(*t.doc->GetModuleById(17), 2, "G2"); }, false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewSheet();
        doc->AddModule(model::kAriDelay, 1, 200, 100, 1); // 17
        c.record(*this);
        for (const bool undo : {true, false}) {
            doc->m_orderOk = 1;
            doc->m_programBuilt = 1;
            doc->SetModifiedFlag(false);
            frame.statuses.clear();
            const int repaints = window.repaints, panels = window.panelUpdates;
            ASSERT_TRUE(undo ? History().Undo() : History().Redo());
            EXPECT_EQ(doc->m_orderOk, c.structural ? 0 : 1);
            EXPECT_EQ(doc->m_programBuilt, c.structural ? 0 : 1);
            EXPECT_EQ(window.repaints, repaints + 1);
            EXPECT_EQ(window.panelUpdates, panels + (c.panel ? 1 : 0));
            EXPECT_TRUE(doc->IsModified());
            ASSERT_EQ(frame.statuses.size(), 1u);
            const de::DspStatusFigures& s = frame.statuses[0];
            EXPECT_EQ(s.modules, static_cast<std::int32_t>(doc->Modules().size()));
            EXPECT_EQ(s.links, static_cast<std::int32_t>(doc->Links().size()));
            EXPECT_EQ(s.spaceUsed, doc->m_spaceTotal);
            EXPECT_EQ(s.timeUsed, doc->m_timeTotal);
            // Redo shows the ids as not set whatever the order flag says.
            EXPECT_EQ(s.idsSet, undo && !c.structural);
        }
    }
}

TEST_F(DspEditorUndo, UndoingATemplateLoadBringsBackTheSheetAndItsSettings) {
    doc->AddModule(model::kAriMixer, 1, 300, 300, 1);
    dsp_test::Connect(*doc, 1, 0, 17, 0);
    doc->m_hiddenModules = 0;
    const Bytes old_sheet = SheetBytes();
    OpenDialog(17, 0);

    // What loading a template does: the snapshot takes the sheet, the
    // template's modules, links and settings fill it.
    History().BeginStep();
    de::CDSPUndoSnapshotAction* snapshot = History().AddSheetAction();
    EXPECT_TRUE(doc->Modules().empty());
    EXPECT_TRUE(doc->Links().empty());
    EXPECT_EQ(destroyed, std::vector<std::string>{"17/0"});
    doc->m_sheetWidth = 2000;
    doc->m_sheetHeight = 900;
    doc->CreateDefaultChannels();
    const std::int32_t eq = doc->AddModule(model::kAriEqualizer, 3, 300, 100, 1)->m_id;
    ASSERT_NE(dsp_test::Connect(*doc, doc->Modules()[0]->m_id, 0, eq, 0), nullptr);
    doc->m_nameCounters[CZoDSPDoc::kEqualizerCounter] = 4;
    doc->m_moduleIdCounter = 40;
    doc->m_linkIdCounter = 12;
    doc->m_hiddenModules = 1;
    doc->CheckResources();
    const Bytes new_sheet = SheetBytes();
    doc->m_orderOk = 1;

    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(Difference(SheetBytes(), old_sheet), "");
    EXPECT_EQ(doc->m_sheetWidth, 1260);
    EXPECT_EQ(doc->m_hiddenModules, 0);
    EXPECT_EQ(doc->m_orderOk, 0);
    EXPECT_FALSE(snapshot->m_documentHoldsNew);
    ExpectPinsAgreeWithLinks(*doc);

    doc->m_orderOk = 1;
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(Difference(SheetBytes(), new_sheet), "");
    EXPECT_EQ(doc->m_moduleIdCounter, 40);
    EXPECT_EQ(doc->m_orderOk, 0);
    EXPECT_TRUE(snapshot->m_documentHoldsNew);
    ExpectPinsAgreeWithLinks(*doc);
}

TEST_F(DspEditorUndo, HideAndShowAllComeBackWithEachModulesOwnFlag) {
    Hide({1, 2}, 1);
    std::vector<std::int32_t> channels;
    for (std::int32_t id = 1; id <= 16; ++id)
        channels.push_back(id);
    Hide(channels, 0); // show all
    const auto hidden = [&] {
        std::vector<std::int32_t> ids;
        for (const auto& m : doc->Modules())
            if (m->m_hidden != 0)
                ids.push_back(m->m_id);
        return ids;
    };

    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(hidden(), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(doc->m_hiddenModules, 1);
    // Only the modules left visible are selected.
    EXPECT_EQ(doc->GetModuleById(1)->m_selected, 0);
    EXPECT_EQ(doc->GetModuleById(3)->m_selected, 1);

    ASSERT_TRUE(History().Redo());
    EXPECT_TRUE(hidden().empty());
    EXPECT_EQ(doc->m_hiddenModules, 0);

    ASSERT_TRUE(History().Undo());
    ASSERT_TRUE(History().Undo());
    EXPECT_TRUE(hidden().empty());
    EXPECT_EQ(doc->m_hiddenModules, 0);
}

TEST_F(DspEditorUndo, AGroupStepClearsAndSetsTheGroup) {
    CBaseAriModule* a = doc->AddModule(model::kAriDelay, 1, 200, 100, 1);
    Group(*a, 3, "Front");
    ASSERT_TRUE(History().Undo());
    EXPECT_EQ(a->m_group, 0);
    EXPECT_EQ(a->m_groupName, "");
    EXPECT_EQ(a->m_selected, 1);
    ASSERT_TRUE(History().Redo());
    EXPECT_EQ(a->m_group, 3);
    EXPECT_EQ(a->m_groupName, "Front");
}

TEST_F(DspEditorUndo, UndoWorksOnlyThroughTheActiveViewOfItsDocument) {
    CBaseAriModule* a = Place(model::kAriDelay, 1, 200, 100);
    auto other = dsp_test::NewDocument(frame);
    CZoDSPView other_view(*other);
    for (CZoDSPView* active : {static_cast<CZoDSPView*>(nullptr), &other_view}) {
        frame.activeView = active;
        EXPECT_FALSE(History().Undo());
        EXPECT_EQ(doc->GetModuleById(17), a);
        EXPECT_EQ(History().Position(), 1);
        // Recording does not depend on the active view.
        std::unique_ptr<CBaseAriModule> copy = History().CloneModule(*a);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->m_id, 17);
    }
    frame.activeView = view.get();
    EXPECT_TRUE(History().Undo());
    EXPECT_EQ(doc->GetModuleById(17), nullptr);
}

TEST_F(DspEditorUndo, ACloneHoldsTheModulesParametersAndIdentity) {
    struct Case {
        const char* what;
        std::int32_t type;
        std::int32_t variant;
        std::function<void(CBaseAriModule&)> edit;
    };
    const Case cases[] = {
        {"delay", model::kAriDelay, 4,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriDelay&>(m).m_delay = 12.5; }},
        {"mixer cross-point", model::kAriMixer, 2,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriMixer&>(m).m_crossPoint[1][1] = -6.0; }},
        {"equalizer gain", model::kAriEqualizer, 3,
         [](CBaseAriModule& m) {
             auto& eq = dynamic_cast<model::CAriEqualizer&>(m);
             eq.m_gain[1] = 4.0;
             eq.m_coeffs[1] = {1.5, -1.0, 0.5, -0.75, 0.25};
         }},
        {"router selection", model::kAriRouter, 2,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriRouter&>(m).m_selectedInput[5] = 3; }},
        {"text", model::kAriText, 1,
         [](CBaseAriModule& m) { dynamic_cast<model::CAriText&>(m).m_text = "stage left"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CBaseAriModule* module = doc->AddModule(c.type, c.variant, 200, 100, 1);
        c.edit(*module);
        module->m_group = 2;
        module->m_groupName = "Pair";
        std::unique_ptr<CBaseAriModule> copy = History().CloneModule(*module);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->m_typeCode, c.type);
        EXPECT_EQ(copy->m_subType, c.variant);
        EXPECT_EQ(copy->m_id, module->m_id);
        EXPECT_EQ(copy->m_inputCount, module->m_inputCount);
        EXPECT_EQ(copy->m_outputCount, module->m_outputCount);
        EXPECT_EQ(copy->m_group, 2);
        EXPECT_EQ(copy->m_groupName, "Pair");
        // Copying the clone back while live would send nothing: no
        // parameter differs.
        comm::CDSPDlgShowCMD console;
        de::SendParameterChanges(*copy, *module, true, console);
        EXPECT_TRUE(console.Queue(comm::EConsoleQueue::Control).empty());
    }
    CBaseAriModule general;
    general.m_typeCode = model::kAriGeneral;
    EXPECT_EQ(History().CloneModule(general), nullptr);
    EXPECT_EQ(History().AddAction(de::kUndoParameters, general, 0, 0, true), nullptr);
    EXPECT_EQ(History().UndoCount(), 0);
}

TEST_F(DspEditorUndo, ALinkDrawnWhileLiveRecordsNothing) {
    doc->AddModule(model::kAriDelay, 1, 200, 100, 1);
    CBaseLink* link = dsp_test::Connect(*doc, 1, 0, 17, 0);
    History().BeginStep();
    doc->m_live = 1;
    History().AddLinkAction(de::kUndoAdd, *link);
    EXPECT_TRUE(History().Actions().empty());
}

// The view's side of the console and of the status panes.
TEST_F(DspEditorUndo, TheViewAnswersFromItsDocument) {
    doc->m_deviceModel = 3;
    CBaseAriModule* a = doc->AddModule(model::kAriMixer, 1, 200, 100, 1);
    a->m_order = 2;
    doc->m_outputOrder = 3;
    EXPECT_EQ(view->DeviceModelCode(), 3);
    EXPECT_EQ(view->ModuleTypeByOrder(2), std::nullopt); // order not set
    doc->m_orderOk = 1;
    EXPECT_EQ(view->ModuleTypeByOrder(2), model::kAriMixer);
    EXPECT_EQ(view->ModuleTypeByOrder(4), std::nullopt);

    dsp_test::Connect(*doc, 1, 0, a->m_id, 0); // the only selection
    doc->GetModuleById(1)->m_selected = 1;
    a->m_selected = 1;
    view->CountSelection();
    EXPECT_EQ(view->m_selectedModules, 2);
    EXPECT_EQ(view->m_selectedAriModules, 1);
    EXPECT_EQ(view->m_selectedLinks, 1);
    const de::DspStatusFigures figures = view->StatusFigures(true);
    EXPECT_EQ(figures.position, (model::Point{20, 20})); // the first selected: input 1
    EXPECT_EQ(figures.size, doc->GetModuleById(1)->m_body.GetSize());
    EXPECT_EQ(figures.modules, 17);
    EXPECT_EQ(figures.links, 1);
    doc->ClearSelection();
    EXPECT_EQ(view->StatusFigures(false).size, (model::Size{1260, 1800}));
}

} // namespace
