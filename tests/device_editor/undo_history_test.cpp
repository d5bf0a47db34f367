// Undo and redo of device sheet edits on a real document, through an undo
// host that records what it is asked. After every step the
// document's links must have exactly one copy at each end channel and the
// connected flags must agree (sheet_builder::ExpectConsistent).
#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"

namespace {

using device_editor::CZoDeviceDoc;
using model::CBaseDevice;
using model::CUndoHistory;
using sheet_builder::ExpectConsistent;
using sheet_builder::Snapshot;

// The windows around one document: `active` is the document the active view
// shows (null: a view of another kind, or none).
class RecordingHost : public model::IUndoHost {
public:
    explicit RecordingHost(CZoDeviceDoc& doc) : active(&doc) { doc.SetUndoHost(this); }

    bool IsActiveViewOf(const model::IDeviceDoc& document) const override {
        return active == &document;
    }
    // As the view does: the document moves the link ends and announces them.
    void UpdateLinkEnds(CBaseDevice& device) override {
        moved.emplace_back(device.m_id, device.m_subType);
        if (active != nullptr)
            active->UpdateLinkEnds(device);
    }
    void InvalidateAll() override { ++invalidations; }
    void UpdateStatusPanes(int selector) override { panes.push_back(selector); }

    CZoDeviceDoc* active;
    std::vector<std::pair<int, int>> moved;
    int invalidations = 0;
    std::vector<int> panes;
};

class DeviceEditorUndo : public ::testing::Test {
protected:
    DeviceEditorUndo() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
    }

    CUndoHistory& history() { return *doc.GetUndoHistory(); }

    void Undo(const char* when) {
        history().Undo();
        ExpectConsistent(doc, when);
    }
    void Redo(const char* when) {
        history().Redo();
        ExpectConsistent(doc, when);
    }

    std::vector<CBaseDevice*> devices(std::initializer_list<std::pair<int, int>> keys) {
        std::vector<CBaseDevice*> out;
        for (const auto& [id, sub] : keys)
            out.push_back(doc.FindDevice(id, sub));
        return out;
    }

    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    RecordingHost host{doc};
};

TEST_F(DeviceEditorUndo, RecordingAfterUndoDropsTheUndoneSteps) {
    for (int step = 1; step <= 3; ++step) {
        doc.FindDevice(3, 0)->Offset(10, 0);
        history().AddAction(model::kUndoMove, devices({{3, 0}}), 10, 0);
    }
    Undo("first undo");
    Undo("second undo");
    EXPECT_EQ(history().GetPosition(), 1u);
    EXPECT_EQ(history().GetStepCount(), 3u);

    history().AddAction(model::kUndoMoveTitle, devices({{3, 0}}), 0, 10);
    EXPECT_EQ(history().GetStepCount(), 2u);
    EXPECT_EQ(history().GetPosition(), 2u);
    EXPECT_FALSE(history().CanRedo());
    const auto before = Snapshot(doc);
    Redo("nothing to redo");
    EXPECT_EQ(Snapshot(doc), before);
    EXPECT_EQ(history().GetPosition(), 2u);
}

TEST_F(DeviceEditorUndo, UndoAndRedoAtTheEndsDoNothing) {
    const auto before = Snapshot(doc);
    Undo("nothing to undo");
    EXPECT_EQ(history().GetPosition(), 0u);
    history().AddAction(model::kUndoMove, devices({{3, 0}}), 5, 5);
    Redo("nothing to redo");
    EXPECT_EQ(history().GetPosition(), 1u);
    EXPECT_EQ(host.invalidations, 0);
    EXPECT_EQ(Snapshot(doc), before);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DeviceEditorUndo, NothingHappensWhileAnotherViewIsActive) {
    doc.FindDevice(3, 0)->Offset(10, 0);
    history().AddAction(model::kUndoMove, devices({{3, 0}}), 10, 0);
    const auto before = Snapshot(doc);

    CZoDeviceDoc other;
    // Another device sheet's view, then a view of another kind (or none).
    for (CZoDeviceDoc* active : {&other, static_cast<CZoDeviceDoc*>(nullptr)}) {
        host.active = active;
        EXPECT_FALSE(history().Undo());
        ExpectConsistent(doc, "another view");
        EXPECT_EQ(history().GetPosition(), 1u);
        EXPECT_EQ(Snapshot(doc), before);
    }
    EXPECT_EQ(host.invalidations, 0);
    EXPECT_TRUE(sink.logged.empty()) << "another active view is no fault";
    EXPECT_FALSE(doc.IsModified());

    host.active = &doc;
    EXPECT_TRUE(history().Undo());
    EXPECT_EQ(history().GetPosition(), 0u);
    EXPECT_EQ(host.invalidations, 1);
    EXPECT_TRUE(doc.IsModified()) << "an undone step is a change to save";
}

TEST_F(DeviceEditorUndo, WithoutAHostUndoAndRedoRefuseAndSayWhy) {
    doc.FindDevice(3, 0)->Offset(10, 0);
    history().AddAction(model::kUndoMove, devices({{3, 0}}), 10, 0);
    history().AddAction(model::kUndoMoveTitle, devices({{3, 0}}), 0, 10);
    ASSERT_TRUE(history().Undo());
    const auto before = Snapshot(doc);
    doc.SetUndoHost(nullptr);

    EXPECT_FALSE(history().Undo());
    EXPECT_FALSE(history().Redo());
    EXPECT_EQ(history().GetPosition(), 1u);
    EXPECT_EQ(Snapshot(doc), before);
    ASSERT_EQ(sink.logged.size(), 2u);
    EXPECT_NE(sink.logged[0].second.find("undo refused"), std::string::npos)
        << sink.logged[0].second;
    EXPECT_NE(sink.logged[1].second.find("redo refused"), std::string::npos)
        << sink.logged[1].second;

    // Nothing to do is no refusal: the ends of the history stay quiet.
    doc.SetUndoHost(&host);
    ASSERT_TRUE(history().Undo());
    doc.SetUndoHost(nullptr);
    EXPECT_FALSE(history().Undo());
    EXPECT_EQ(sink.logged.size(), 2u);
}

TEST(DeviceEditorUndoHosts, TwoDocumentsEachUndoThroughTheirOwnHost) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc a, b;
    for (CZoDeviceDoc* d : {&a, &b}) {
        d->OnNewDocument();
        sheet_builder::Build(*d, dc);
    }
    RecordingHost host_a(a), host_b(b);
    const model::Rect start = a.FindDevice(3, 0)->m_body;
    for (auto [d, dx] : {std::pair{&a, 10}, std::pair{&b, 40}}) {
        d->MoveDevice(*d->FindDevice(3, 0), dx, 0);
        CBaseDevice* pc = d->FindDevice(3, 0);
        d->GetUndoHistory()->AddAction(model::kUndoMove, std::span<CBaseDevice* const>(&pc, 1), dx,
                                       0);
    }

    EXPECT_TRUE(a.GetUndoHistory()->Undo());
    EXPECT_EQ(a.FindDevice(3, 0)->m_body, start);
    EXPECT_EQ(b.FindDevice(3, 0)->m_body, start.Offset(40, 0)) << "the other document is left";
    EXPECT_EQ(host_a.moved, (std::vector<std::pair<int, int>>{{3, 0}}));
    EXPECT_TRUE(host_b.moved.empty());
    EXPECT_EQ(host_a.invalidations, 1);
    EXPECT_EQ(host_b.invalidations, 0);
    ExpectConsistent(a, "a undone");

    // b's windows now show a: b's history may not act, a's host is not
    // asked about b.
    host_b.active = &a;
    EXPECT_FALSE(b.GetUndoHistory()->Undo());
    EXPECT_EQ(b.GetUndoHistory()->GetPosition(), 1u);
    EXPECT_EQ(b.FindDevice(3, 0)->m_body, start.Offset(40, 0));
    EXPECT_EQ(host_b.invalidations, 0);

    host_b.active = &b;
    EXPECT_TRUE(b.GetUndoHistory()->Undo());
    EXPECT_EQ(b.FindDevice(3, 0)->m_body, start);
    EXPECT_TRUE(a.GetUndoHistory()->Redo());
    EXPECT_EQ(a.FindDevice(3, 0)->m_body, start.Offset(10, 0));
    EXPECT_EQ(b.FindDevice(3, 0)->m_body, start);
    EXPECT_EQ(host_a.invalidations, 2);
    EXPECT_EQ(host_b.invalidations, 1);
    EXPECT_TRUE(sink.logged.empty());
}

TEST_F(DeviceEditorUndo, MovesGoBackAndLinksFollow) {
    const auto before = Snapshot(doc);
    for (CBaseDevice* d : devices({{1, 1}, {3, 0}})) {
        doc.MoveDevice(*d, 30, 10);
        doc.UpdateLinkEnds(*d);
    }
    history().AddAction(model::kUndoMove, devices({{1, 1}, {3, 0}}), 30, 10);
    const auto moved = Snapshot(doc);

    Undo("move undone");
    EXPECT_EQ(Snapshot(doc), before);
    EXPECT_EQ(host.moved, (std::vector<std::pair<int, int>>{{1, 1}, {3, 0}}));
    Redo("move redone");
    EXPECT_EQ(Snapshot(doc), moved);

    // Titles move alone.
    doc.MoveDeviceTitle(*doc.FindDevice(2, 2), 0, -20);
    history().AddAction(model::kUndoMoveTitle, devices({{2, 2}}), 0, -20);
    Undo("title move undone");
    EXPECT_EQ(Snapshot(doc), moved);
    EXPECT_EQ(host.invalidations, 3);
}

TEST_F(DeviceEditorUndo, UndoingTheAddOfATwoHalfUnitRemovesBothHalves) {
    auto in = std::make_unique<model::CDeviceNy>(dc, 600, 500, 7, 4, 1);
    auto out = std::make_unique<model::CDeviceNy>(dc, 699, 500, 7, 4, 2);
    std::vector<CBaseDevice*> both = {in.get(), out.get()};
    doc.AddDevice(std::move(in));
    doc.AddDevice(std::move(out));
    history().AddAction(model::kUndoAdd, both, 0, 0);
    const auto added = Snapshot(doc);
    EXPECT_EQ(history().GetStep(0)->m_dx, 0);

    Undo("add undone");
    EXPECT_EQ(doc.FindDevice(7, 1), nullptr);
    EXPECT_EQ(doc.FindDevice(7, 2), nullptr);
    EXPECT_EQ(doc.GetDeviceCount(), 7);
    Redo("add redone");
    EXPECT_EQ(Snapshot(doc), added);
}

TEST_F(DeviceEditorUndo, UndoingADeletionBringsBackDevicesAndEachLinkOnce) {
    const auto before = Snapshot(doc);
    // As the deletion of a selection: the selected half with its other half.
    history().AddDeviceLinkAction(model::kUndoDelete, devices({{1, 1}, {1, 2}}), {});
    // Link 4 joins the two halves: both its ends are on deleted devices.
    EXPECT_EQ(history().GetStep(0)->m_links.size(), 3u) << "links 1, 2 and 4, each once";
    doc.DeleteDevice(1, 1);
    ExpectConsistent(doc, "deleted");
    const auto deleted = Snapshot(doc);
    EXPECT_EQ(doc.GetLinkCount(), 1);

    Undo("deletion undone");
    EXPECT_EQ(Snapshot(doc), before) << "every device and link as it was";
    EXPECT_EQ(doc.GetLinkCount(), 4);
    Redo("deletion redone");
    EXPECT_EQ(Snapshot(doc), deleted);
    Undo("deletion undone again");
    EXPECT_EQ(Snapshot(doc), before);
}

TEST_F(DeviceEditorUndo, PropertyChangeSwapsBackAndForth) {
    auto* amp = dynamic_cast<model::CDeviceQOVG*>(doc.FindDevice(2, 2));
    ASSERT_NE(amp, nullptr);
    amp->m_leftGain = -2.0f;
    amp->m_rightGain = -2.5f;
    const auto before = Snapshot(doc);

    history().AddDeviceLinkAction(model::kUndoChange, devices({{2, 2}}), {});
    amp->m_leftGain = -12.0f;
    amp->m_rightGain = 3.0f;
    amp->m_name = "Amp Hall";
    amp->m_alarmUpper[6] = 900;
    const auto after = Snapshot(doc);

    Undo("change undone");
    EXPECT_EQ(Snapshot(doc), before);
    EXPECT_EQ(amp, doc.FindDevice(2, 2)) << "changed in place";
    EXPECT_EQ(amp->m_leftGain, -2.0f) << "the gains come back with the rest";
    Redo("change redone");
    EXPECT_EQ(Snapshot(doc), after);
    EXPECT_EQ(amp->m_rightGain, 3.0f);
    Undo("change undone again");
    EXPECT_EQ(Snapshot(doc), before);
}

TEST_F(DeviceEditorUndo, ExchangeRestoresTheSelection) {
    CBaseDevice* amp = doc.FindDevice(2, 2);
    amp->m_selected = 1;
    doc.SetDeviceSelection(*amp, true);
    history().AddDeviceLinkAction(model::kUndoChange, devices({{2, 2}}), {});
    amp->m_selected = 0;
    doc.DeselectDevice(2, 2);

    Undo("selected again");
    EXPECT_EQ(amp->m_selected, 1);
    EXPECT_TRUE(doc.IsDeviceSelected(2, 2));
    Redo("unselected again");
    EXPECT_EQ(amp->m_selected, 0);
    EXPECT_FALSE(doc.IsDeviceSelected(2, 2));
}

TEST_F(DeviceEditorUndo, SheetSettingsSwapAndTheStatusBarRepaints) {
    const model::DeviceSheetSettings before = doc.GetSheetSettings();
    history().AddSheetAction(model::kUndoSheet, doc);
    model::DeviceSheetSettings changed = before;
    changed.grid = 0;
    changed.background = 0x00FFFF;
    doc.SetSheetSettings(changed);
    const model::DeviceSheetSettings after = doc.GetSheetSettings();

    Undo("settings undone");
    EXPECT_EQ(doc.GetSheetSettings(), before);
    EXPECT_EQ(host.panes, std::vector<int>{1});
    Redo("settings redone");
    EXPECT_EQ(doc.GetSheetSettings(), after);
    EXPECT_EQ(host.panes, (std::vector<int>{1, 1}));
}

TEST_F(DeviceEditorUndo, LinkStepsTakeTheCopiesAlong) {
    ASSERT_TRUE(doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 5, {3, 0, 1}, {4, 0, 0}, true)));
    history().AddLinkAction(model::kUndoAdd, std::vector<model::CDeviceLink*>{doc.FindLink(5)});
    const auto linked = Snapshot(doc);
    Undo("link add undone");
    EXPECT_EQ(doc.FindLink(5), nullptr);
    EXPECT_EQ(doc.FindChannel(3, 0, 1)->m_connected, 0);
    Redo("link add redone");
    EXPECT_EQ(Snapshot(doc), linked);

    // A deleted link comes back, and goes again.
    history().AddLinkAction(model::kUndoDelete, std::vector<model::CDeviceLink*>{doc.FindLink(3)});
    doc.DeleteLink(3);
    Undo("link deletion undone");
    EXPECT_EQ(Snapshot(doc), linked);
    Redo("link deletion redone");
    EXPECT_EQ(doc.FindLink(3), nullptr);
}

TEST_F(DeviceEditorUndo, CallsWithKindsTheyDoNotTakeRecordNothing) {
    const std::vector<CBaseDevice*> some = devices({{3, 0}});
    const std::vector<model::CDeviceLink*> links = {doc.FindLink(1)};
    history().AddAction(model::kUndoDelete, some, 0, 0);
    history().AddAction(model::kUndoChange, some, 0, 0);
    history().AddAction(model::kUndoSheet, some, 0, 0);
    history().AddLinkAction(model::kUndoMove, links);
    history().AddLinkAction(model::kUndoChange, links);
    history().AddDeviceLinkAction(model::kUndoAdd, some, links);
    history().AddDeviceLinkAction(model::kUndoSheet, some, links);
    history().AddSheetAction(model::kUndoChange, doc);
    history().AddAction(-1, some, 0, 0);
    EXPECT_EQ(history().GetStepCount(), 0u);
    EXPECT_EQ(history().GetPosition(), 0u);

    // dx, dy belong to moves only.
    history().AddAction(model::kUndoAdd, some, 4, 5);
    EXPECT_EQ(history().GetStep(0)->m_dx, 0);
    EXPECT_EQ(history().GetStep(0)->m_dy, 0);
}

TEST_F(DeviceEditorUndo, DevicesOfNoKnownKindAreReported) {
    auto odd = std::make_unique<CBaseDevice>();
    odd->m_id = 20;
    odd->m_kind = 9; // as a file may carry
    doc.AddDevice(std::move(odd));

    // A deletion step: the devices before the odd one come back, then the
    // undo stops with message 236.
    history().AddDeviceLinkAction(model::kUndoDelete, devices({{3, 0}, {20, 0}, {4, 0}}), {});
    for (int id : {3, 20, 4})
        doc.DeleteDevice(id, 0);
    Undo("deletion with an odd device undone");
    EXPECT_EQ(sink.ShownIds(), std::vector<int>{236});
    EXPECT_EQ(sink.shown[0].second, "执行重做操作时发现设备类型不匹配！");
    EXPECT_NE(doc.FindDevice(3, 0), nullptr);
    EXPECT_EQ(doc.FindDevice(20, 0), nullptr);
    EXPECT_EQ(doc.FindDevice(4, 0), nullptr);
    EXPECT_NE(doc.FindLink(1), nullptr) << "the PC's link has both ends again";
    EXPECT_EQ(doc.FindLink(3), nullptr) << "the generic device's link has lost an end";

    // A change step skips the odd device after message 222 and exchanges the
    // others.
    auto again = std::make_unique<CBaseDevice>();
    again->m_id = 21;
    again->m_kind = 0;
    doc.AddDevice(std::move(again));
    history().AddDeviceLinkAction(model::kUndoChange, devices({{21, 0}, {5, 0}}), {});
    doc.FindDevice(5, 0)->m_name = "Renamed";
    Undo("change with an odd device undone");
    EXPECT_EQ(sink.ShownIds(), (std::vector<int>{236, 222}));
    EXPECT_EQ(sink.shown[1].second, "    异常 104：撤销操作时不正确的设备类型 'UPDATE' 历史纪录！");
    EXPECT_EQ(doc.FindDevice(5, 0)->m_name, "Device5");
}

TEST_F(DeviceEditorUndo, StepsForDevicesThatAreGoneSkipThem) {
    history().AddAction(model::kUndoMove, devices({{4, 0}, {3, 0}}), 10, 10);
    history().AddDeviceLinkAction(model::kUndoChange, devices({{4, 0}}), {});
    doc.DeleteDevice(4, 0); // not recorded
    const model::Rect pc_body = doc.FindDevice(3, 0)->m_body;
    Undo("change of a gone device");
    Undo("move of a gone device");
    EXPECT_EQ(doc.FindDevice(4, 0), nullptr);
    EXPECT_EQ(doc.FindDevice(3, 0)->m_body, pc_body.Offset(-10, -10));
    EXPECT_TRUE(sink.shown.empty());
}

} // namespace
