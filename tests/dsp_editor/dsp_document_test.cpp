// The DSP document's sheet: a new sheet, adding modules and links, deleting
// the selection, the device model, the modified mark and what views hear.
#include <gtest/gtest.h>

#include "dsp_test_support.h"
#include "model/ari_input.h"
#include "model/ari_output.h"
#include "model/device_models.h"
#include "model/program_settings.h"
#include "model/recording_messages.h"
#include "resources/message_ids.h"
#include "tests/device_editor/change_recorder.h"

namespace {

using dsp_test::Connect;

using dsp_editor::CZoDSPDoc;
using dsp_test::FakeFrame;
using model::CBaseAriModule;
using namespace model;

TEST(DspEditorDocument, NewSheetHoldsTheSixteenChannelsAndTheFramesUnit) {
    FakeFrame frame;
    frame.mac = "00602b112233";
    frame.model = 3;
    auto settings = std::make_shared<CProgramSettings>();
    settings->dspSheet = {2000, 1500, 0x123456};
    InstallProgramSettings(settings);
    auto doc = dsp_test::NewDocument(frame);
    InstallProgramSettings(std::make_shared<const CProgramSettings>());

    ASSERT_EQ(doc->Modules().size(), 16u);
    for (std::int32_t k = 0; k < 16; ++k) {
        const CBaseAriModule& m = *doc->Modules()[static_cast<std::size_t>(k)];
        SCOPED_TRACE(k);
        EXPECT_EQ(m.m_id, k + 1);
        EXPECT_EQ(m.m_typeCode, k < 8 ? kAriInput : kAriOutput);
        EXPECT_EQ(m.m_body.left, k < 8 ? 20 : 600);
        EXPECT_EQ(m.m_body.top, 20 + 70 * (k % 8));
        EXPECT_EQ(m.m_name,
                  (k < 8 ? "Input Channel-" : "Output Channel-") + std::to_string(k % 8 + 1));
        EXPECT_EQ(m.m_displayName, "Channel-" + std::to_string(k % 8 + 1));
    }
    EXPECT_EQ(doc->m_moduleIdCounter, 16);
    EXPECT_EQ(doc->m_nameCounters, (std::array<std::int32_t, 10>{}));
    EXPECT_EQ(doc->m_sheetWidth, 2000);
    EXPECT_EQ(doc->m_sheetHeight, 1500);
    EXPECT_EQ(doc->m_sheetColour, 0x123456u);
    EXPECT_EQ(doc->m_unitMac, "00602b112233");
    EXPECT_EQ(doc->m_deviceModel, 3);
    EXPECT_EQ(static_cast<CAriInput&>(*doc->Modules()[0]).m_modelName, ModelName(3));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(doc->GetTitle().ends_with(" *"));
    EXPECT_EQ(doc->m_templateSlot, 0);
    EXPECT_EQ(doc->m_templateStructName, "TypeName");
    EXPECT_EQ(doc->m_templateParamName, "ChildTypeName");
    EXPECT_EQ(doc->m_spaceTotal, 317);
    EXPECT_EQ(doc->m_timeTotal, 9296);
    EXPECT_EQ(doc->m_resourcesOk, 1);
    EXPECT_EQ(doc->m_orderOk, 0);
    EXPECT_EQ(doc->m_programBuilt, 0);
    EXPECT_EQ(doc->m_live, 0);
}

TEST(DspEditorDocument, AddModuleNamesNumbersAndPlacesByTheTable) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    struct Row {
        std::int32_t type, variant, x, y;
        const char* name; // null: no module
        std::int32_t id;
    } rows[] = {
        {kAriMixer, 1, 100, 100, "Mixer-1", 17},
        {kAriDelay, 1, 100, 100, "Delay-1", 18}, // its own counter, not the mixer's
        {kAriDelay, 2, 100, 100, "Delay-2", 19},
        {kAriGeneral, 1, 100, 100, nullptr, 20}, // uses up id 20
        {14, 1, 100, 100, nullptr, 21},
        {kAriRouter, 1, 100, 100, "Router-1", 22},
        {kAriDynamic, 1, 100, 100, "Dynamic-1", 23},
        {kAriGenerator, 1, 100, 100, "Generator-1", 24},
        {kAriEqualizer, 1, 100, 100, "Equalizer-1", 25},
        {kAriFilter, 1, 100, 100, "Filter-1", 26},
        {kAriCrossover, 19, 100, 100, "CrossOver-1", 27},
        {kAriText, 1, 100, 100, "Text-1", 28},
        {kAriMeter, 1, 100, 100, "Meter-1", 29},
        {kAriInput, 1, 100, 100, "Input Channel-30", 30},
        {kAriOutput, 1, 100, 100, "Output Channel-23", 31},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        CBaseAriModule* m = doc->AddModule(r.type, r.variant, r.x, r.y, 1);
        EXPECT_EQ(doc->m_moduleIdCounter, r.id);
        if (r.name == nullptr) {
            EXPECT_EQ(m, nullptr);
            continue;
        }
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->m_id, r.id);
        EXPECT_EQ(m->m_name, r.name);
        EXPECT_EQ(m->m_typeCode == kAriInput || m->m_typeCode == kAriOutput
                      ? "Channel-" + std::string(r.name).substr(std::string(r.name).find('-') + 1)
                      : std::string(r.name),
                  m->m_displayName);
        EXPECT_EQ(m->m_selected, 1);
        EXPECT_EQ(doc->GetModuleById(r.id), m);
    }
    // Only the newest module is selected.
    std::int32_t selected = 0;
    for (const auto& m : doc->Modules())
        selected += m->m_selected;
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(doc->m_nameCounters[CZoDSPDoc::kDelayCounter], 2);
    EXPECT_EQ(doc->m_nameCounters[CZoDSPDoc::kMeterCounter], 1);
}

TEST(DspEditorDocument, AddModuleKeepsTenInsideTheSheet) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    doc->m_sheetWidth = 1000;
    doc->m_sheetHeight = 800;
    struct Row {
        std::int32_t x, y, left, top;
    } rows[] = {
        {5, 5, 10, 10},       {-40, 100, 10, 100},
        {890, 100, 890, 100}, // right edge exactly at 990
        {950, 100, 890, 100}, // shifted left to touch 990
        {100, 790, 100, 740}, // bottom edge 790 + 50 shifted up to 790
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.x);
        CBaseAriModule* m = doc->AddModule(kAriDelay, 1, r.x, r.y, 1);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->m_body.Width(), 100);
        EXPECT_EQ(m->m_body.Height(), 50);
        EXPECT_EQ(m->m_body.left, r.left);
        EXPECT_EQ(m->m_body.top, r.top);
        // The pins move with the body.
        EXPECT_EQ(m->GetChnl(0)->m_rect.left, m->m_body.left + 4);
        EXPECT_EQ(m->GetChnl(0)->m_rect.top, m->m_body.top + 32);
    }
}

TEST(DspEditorDocument, TextAndMeterModulesLeaveTheStateFlagsAlone) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    for (const std::int32_t type : {kAriText, kAriMeter, kAriDelay}) {
        SCOPED_TRACE(type);
        doc->m_orderOk = 1;
        doc->m_live = 1;
        doc->m_resourcesOk = 0;
        doc->AddModule(type, 1, 100, 100, 1);
        const bool structural = type == kAriDelay;
        EXPECT_EQ(doc->m_orderOk, structural ? 0 : 1);
        EXPECT_EQ(doc->m_live, structural ? 0 : 1);
        EXPECT_EQ(doc->m_resourcesOk, structural ? 1 : 0); // the check ran
    }
}

TEST(DspEditorDocument, AddLinkRecordsTheFeederAndClearsTheOrderUnlessIntoAMeter) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    CBaseAriModule* delay = doc->AddModule(kAriDelay, 1, 200, 100, 1);
    CBaseAriModule* meter = doc->AddModule(kAriMeter, 1, 200, 300, 1);
    ASSERT_TRUE(delay && meter);

    doc->m_orderOk = doc->m_programBuilt = doc->m_live = 1;
    doc->SetModifiedFlag(false);
    CBaseLink* into_meter = doc->AddLink(1, 2, 3, 4, meter->m_id, 0, delay->m_id, 1);
    ASSERT_NE(into_meter, nullptr);
    EXPECT_EQ(doc->m_orderOk, 1);
    EXPECT_EQ(doc->m_programBuilt, 1);
    EXPECT_EQ(doc->m_live, 1);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(into_meter->m_id, 1);
    EXPECT_EQ(into_meter->m_start, (Point{1, 2}));
    EXPECT_EQ(into_meter->m_end, (Point{3, 4}));
    EXPECT_EQ(into_meter->m_selected, 1);
    EXPECT_EQ(delay->m_selected, 0);
    EXPECT_EQ(meter->GetChnl(0)->m_peerModule, delay->m_id);
    EXPECT_EQ(meter->GetChnl(0)->m_peerChannel, 1);
    EXPECT_EQ(meter->GetChnl(0)->m_linkCount, 0); // the drawing view counts

    CBaseLink* into_delay = doc->AddLink(0, 0, 0, 0, delay->m_id, 0, 1, 0);
    ASSERT_NE(into_delay, nullptr);
    EXPECT_EQ(into_delay->m_id, 2);
    EXPECT_EQ(doc->m_orderOk, 0);
    EXPECT_EQ(doc->m_programBuilt, 0);
    EXPECT_EQ(doc->m_live, 0);

    // A missing module or pin changes nothing, not even the counter.
    doc->SetModifiedFlag(false);
    EXPECT_EQ(doc->AddLink(0, 0, 0, 0, 99, 0, 1, 0), nullptr);
    EXPECT_EQ(doc->AddLink(0, 0, 0, 0, delay->m_id, 5, 1, 0), nullptr);
    EXPECT_EQ(doc->AddLink(0, 0, 0, 0, delay->m_id, 0, 1, -1), nullptr);
    EXPECT_EQ(doc->m_linkIdCounter, 2);
    EXPECT_EQ(doc->Links().size(), 2u);
    EXPECT_FALSE(doc->IsModified());
}

TEST(DspEditorDocument, DetachAndAttachMoveALinkOffAndOnItsPins) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    CBaseAriModule* delay = doc->AddModule(kAriDelay, 1, 200, 100, 1);
    CBaseLink* link = Connect(*doc, 1, 0, delay->m_id, 0);
    EXPECT_EQ(delay->GetChnl(0)->m_linkCount, 1);
    EXPECT_EQ(doc->GetModuleById(1)->GetChnl(0)->m_linkCount, 1);
    doc->DetachLinkPins(*link);
    EXPECT_EQ(delay->GetChnl(0)->m_linkCount, 0);
    EXPECT_EQ(delay->GetChnl(0)->m_peerModule, 0);
    EXPECT_EQ(doc->GetModuleById(1)->GetChnl(0)->m_linkCount, 0);
    doc->AttachLinkPins(*link);
    EXPECT_EQ(delay->GetChnl(0)->m_linkCount, 1);
    EXPECT_EQ(delay->GetChnl(0)->m_peerModule, 1);
    EXPECT_EQ(delay->GetChnl(0)->m_peerChannel, 0);
}

TEST(DspEditorDocument, DeletingOnlyInputsAndOutputsDeletesNothing) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    dsp_test::RecordingUndo* undo = nullptr;
    doc->SetUndoFactory([&](CZoDSPDoc&) {
        auto u = std::make_unique<dsp_test::RecordingUndo>();
        undo = u.get();
        return u;
    });
    doc->OnNewDocument();
    doc->SetModifiedFlag(false);
    doc->m_orderOk = 1;
    for (const auto& m : doc->Modules())
        m->m_selected = 1;
    doc->DeleteSelection();
    EXPECT_EQ(doc->Modules().size(), 16u);
    for (const auto& m : doc->Modules())
        EXPECT_EQ(m->m_selected, 0);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->m_orderOk, 1);
    EXPECT_EQ(doc->m_moduleDeleted, 0);
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(undo->log, std::vector<std::string>{"step"});
}

TEST(DspEditorDocument, DeleteSelectionTakesModulesWithTheirLinksAndDialogs) {
    model::CRecordingMessages messages;
    FakeFrame frame;
    auto doc = std::make_unique<CZoDSPDoc>();
    dsp_test::RecordingUndo* undo = nullptr;
    doc->SetUndoFactory([&](CZoDSPDoc&) {
        auto u = std::make_unique<dsp_test::RecordingUndo>();
        undo = u.get();
        return u;
    });
    doc->SetMainFrame(&frame);
    doc->OnNewDocument();
    CBaseAriModule* a = doc->AddModule(kAriDelay, 1, 200, 100, 1); // 17
    CBaseAriModule* b = doc->AddModule(kAriDelay, 1, 200, 300, 1); // 18
    CBaseAriModule* c = doc->AddModule(kAriDelay, 1, 200, 500, 1); // 19
    Connect(*doc, 1, 0, a->m_id, 0);                               // link 1
    Connect(*doc, a->m_id, 1, b->m_id, 0);                         // link 2
    Connect(*doc, b->m_id, 1, 9, 0);                               // link 3
    CBaseLink* cOut = Connect(*doc, c->m_id, 1, 10, 0);            // link 4
    std::vector<std::string> destroyed;
    dsp_test::FakeDialog dlgA(17, 0, destroyed), dlgAll(1, 1, destroyed), dlgB(18, 0, destroyed);
    doc->AddAttriDialog(&dlgAll);
    doc->AddAttriDialog(&dlgA);
    doc->AddAttriDialog(&dlgB);
    const std::int32_t space_before = doc->m_spaceTotal;

    doc->ClearSelection();
    a->m_selected = 1;
    cOut->m_selected = 1;
    doc->GetModuleById(2)->m_selected = 1; // an input: only unselected
    doc->m_orderOk = doc->m_programBuilt = 1;
    doc->SetModifiedFlag(false);
    change_recorder::ChangeRecorder changes;
    doc->AttachObserver(&changes);
    doc->DeleteSelection();
    doc->DetachObserver(&changes);

    EXPECT_EQ(doc->GetModuleById(17), nullptr);
    EXPECT_EQ(doc->Modules().size(), 18u);
    ASSERT_EQ(doc->Links().size(), 1u);
    EXPECT_EQ(doc->Links()[0]->m_id, 3);
    // The pins the deleted links left.
    EXPECT_EQ(doc->GetModuleById(1)->GetChnl(0)->m_linkCount, 0);
    EXPECT_EQ(doc->GetModuleById(18)->GetChnl(0)->m_linkCount, 0);
    EXPECT_EQ(doc->GetModuleById(18)->GetChnl(0)->m_peerModule, 0);
    EXPECT_EQ(doc->GetModuleById(18)->GetChnl(1)->m_linkCount, 1);
    EXPECT_EQ(doc->GetModuleById(19)->GetChnl(1)->m_linkCount, 0);
    EXPECT_EQ(doc->GetModuleById(10)->GetChnl(0)->m_linkCount, 0);
    EXPECT_EQ(doc->GetModuleById(2)->m_selected, 0);

    EXPECT_EQ(destroyed, std::vector<std::string>{"17/0"});
    ASSERT_EQ(doc->AttriDialogs().size(), 2u);
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(undo->log,
              (std::vector<std::string>{"step", "link 1", "link 2", "module 17", "link 4"}));
    EXPECT_EQ(undo->modules[0]->GetChnl(0)->m_linkCount, 0); // kept as it left the sheet

    EXPECT_EQ(doc->m_moduleDeleted, 1);
    EXPECT_EQ(doc->m_linkDeleted, 1);
    EXPECT_EQ(doc->m_orderOk, 0);
    EXPECT_EQ(doc->m_programBuilt, 0);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_LT(doc->m_spaceTotal, space_before); // the check ran again

    const std::vector<std::string> expected = {
        "LinkRemoved 1",     "LinkRemoved 2",      "ObjectRemoved 17/0", "LinkRemoved 4",
        "ObjectChanged 1/0", "ObjectChanged 10/0", "ObjectChanged 18/0", "ObjectChanged 19/0",
        "SelectionChanged",  "ModifiedChanged"};
    std::vector<std::string> kinds;
    for (const DocumentChange& c : changes.changes)
        kinds.push_back(ToString(c).substr(0, ToString(c).find(" (")));
    EXPECT_EQ(kinds, expected);
    EXPECT_TRUE(messages.ShownIds().empty());
    doc.reset(); // destroys the two dialogs still listed
    EXPECT_EQ(destroyed, (std::vector<std::string>{"17/0", "1/1", "18/0"}));
}

TEST(DspEditorDocument, NothingIsDeletedWhileLive) {
    model::CRecordingMessages messages;
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    CBaseAriModule* a = doc->AddModule(kAriDelay, 1, 200, 100, 1);
    doc->m_live = 1;
    doc->SetModifiedFlag(false);
    ASSERT_EQ(a->m_selected, 1);
    doc->DeleteSelection();
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgDeleteWhileLive});
    EXPECT_EQ(doc->GetModuleById(17), a);
    EXPECT_EQ(a->m_selected, 0);
    EXPECT_FALSE(doc->IsModified());
}

TEST(DspEditorDocument, TheModifiedMarkIsAddedOnceAndRemovedOnlyWhenPresent) {
    CZoDSPDoc doc;
    doc.SetTitle("Hall(00602b0a0b0c)");
    doc.SetModifiedFlag(true);
    doc.SetModifiedFlag(true);
    EXPECT_EQ(doc.GetTitle(), "Hall(00602b0a0b0c) *");
    doc.SetModifiedFlag(false);
    EXPECT_EQ(doc.GetTitle(), "Hall(00602b0a0b0c)");
    doc.SetModifiedFlag(false);
    EXPECT_EQ(doc.GetTitle(), "Hall(00602b0a0b0c)");
    // Renamed while modified: nothing of the new title is cut.
    doc.SetModifiedFlag(true);
    doc.SetTitle("Stage");
    doc.SetModifiedFlag(false);
    EXPECT_EQ(doc.GetTitle(), "Stage");
}

TEST(DspEditorDocument, SetDeviceModelColoursThePhysicalChannels) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    doc->SetModifiedFlag(false);
    struct Row {
        std::int32_t model;
        std::int32_t firstGreenInput;  // ids from here up are physical (17: none)
        std::int32_t firstGreenOutput; // likewise
    } rows[] = {{1, 17, 17}, {2, 17, 9}, {3, 7, 11}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.model);
        doc->SetDeviceModel(r.model);
        EXPECT_EQ(doc->m_deviceModel, r.model);
        for (const auto& m : doc->Modules()) {
            const bool input = m->m_typeCode == kAriInput;
            const bool green = m->m_id >= (input ? r.firstGreenInput : r.firstGreenOutput);
            EXPECT_EQ(m->m_colours[CBaseAriModule::kBodyColour],
                      green ? CAriInput::kPhysicalBodyColour : CBaseAriModule::kDefaultBodyColour)
                << m->m_id;
            const std::string& name = input ? static_cast<CAriInput&>(*m).m_modelName
                                            : static_cast<CAriOutput&>(*m).m_modelName;
            EXPECT_EQ(name, ModelName(r.model));
        }
    }
    EXPECT_FALSE(doc->IsModified());
}

TEST(DspEditorDocument, ModulesByOrderOnlyWhileTheOrderHolds) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    CBaseAriModule* a = doc->AddModule(kAriDelay, 1, 200, 100, 1);
    EXPECT_EQ(doc->GetModuleByOrder(1), nullptr);
    ASSERT_EQ(doc->AssignExecutionOrder(), 1);
    EXPECT_EQ(doc->GetModuleByOrder(1), doc->GetModuleById(1));
    EXPECT_EQ(doc->GetModuleByOrder(2), a);
    EXPECT_EQ(doc->GetModuleByOrder(3), doc->GetModuleById(9));
    EXPECT_EQ(doc->GetModuleByOrder(0), nullptr);
    EXPECT_EQ(doc->GetModuleByOrder(4), nullptr);
    doc->m_orderOk = 0;
    EXPECT_EQ(doc->GetModuleByOrder(2), nullptr);
}

TEST(DspEditorDocument, CreateAriModuleMakesEveryClassButTheGeneralOne) {
    for (std::int32_t type = -1; type <= 14; ++type) {
        SCOPED_TRACE(type);
        const auto module = dsp_editor::CreateAriModule(type);
        if (type < 1 || type > 13 || type == kAriGeneral) {
            EXPECT_EQ(module, nullptr);
            continue;
        }
        ASSERT_NE(module, nullptr);
        CZoDSPDoc doc;
        const CBaseAriModule* made = doc.AddModule(type, type == kAriCrossover ? 19 : 1, 10, 10, 1);
        ASSERT_NE(made, nullptr);
        EXPECT_STREQ(module->GetRuntimeClass().name, made->GetRuntimeClass().name);
    }
}

TEST(DspEditorDocument, ViewsHearAddedModulesAndLinks) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    doc->SetModifiedFlag(false);
    change_recorder::ChangeRecorder changes;
    doc->AttachObserver(&changes);
    CBaseAriModule* a = doc->AddModule(kAriDelay, 1, 200, 100, 1);
    doc->AddLink(10, 20, 30, 40, a->m_id, 0, 1, 0);
    doc->ClearSelection();
    doc->ClearSelection(); // nothing left to clear
    doc->DetachObserver(&changes);
    const std::vector<std::string> expected = {
        ToString(DocumentChange{DocumentChangeKind::ObjectAdded, 17, 0, {196, 96, 304, 154}, {}}),
        "ModifiedChanged",
        "SelectionChanged",
        ToString(DocumentChange{DocumentChangeKind::LinkAdded, 1, 0, {-9, 16, 49, 44}, {}}),
        "SelectionChanged",
        "SelectionChanged"};
    EXPECT_EQ(changes.Texts(), expected);
}

} // namespace
