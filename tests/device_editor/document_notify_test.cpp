// What the device document announces to its observers for each edit and
// for each undo and redo step: exact records (kind, key, bounds), in order.
// Expected bounds are taken from the objects before the change where the
// change itself would decide them, so that an announcement of the wrong
// rectangle (after instead of before) shows.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "change_recorder.h"
#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_external.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"

namespace {

using device_editor::CZoDeviceDoc;
using model::CBaseDevice;
using model::DocumentChange;
using model::Rect;
using Kind = model::DocumentChangeKind;
using changes_t = std::vector<DocumentChange>;

class ActiveHost : public model::IUndoHost {
public:
    explicit ActiveHost(CZoDeviceDoc& doc) : active(&doc) { doc.SetUndoHost(this); }
    bool IsActiveViewOf(const model::IDeviceDoc& d) const override { return active == &d; }
    void UpdateLinkEnds(CBaseDevice& device) override { active->UpdateLinkEnds(device); }
    void InvalidateAll() override {}
    void UpdateStatusPanes(int) override {}
    CZoDeviceDoc* active;
};

// The built sheet with a host whose active view shows it; the recorder hears
// only what follows the row's own set-up (Quiet()).
struct Sheet {
    Sheet() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
        doc.AttachObserver(&recorder);
    }
    ~Sheet() { doc.DetachObserver(&recorder); }

    void Quiet() { recorder.changes.clear(); }
    CBaseDevice& Device(int id, int sub) { return *doc.FindDevice(id, sub); }
    model::CUndoHistory& History() { return *doc.GetUndoHistory(); }
    void Record(std::int32_t kind, std::initializer_list<std::pair<int, int>> keys, int dx = 0,
                int dy = 0) {
        std::vector<CBaseDevice*> devices;
        for (auto [id, sub] : keys)
            devices.push_back(doc.FindDevice(id, sub));
        if (kind == model::kUndoChange || kind == model::kUndoDelete)
            History().AddDeviceLinkAction(kind, devices, {});
        else
            History().AddAction(kind, devices, dx, dy);
    }

    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    ActiveHost host{doc};
    change_recorder::ChangeRecorder recorder;
};

DocumentChange Added(const CBaseDevice& d) {
    return {Kind::ObjectAdded, d.m_id, d.m_subType, d.GetBoundRect(), {}};
}
DocumentChange Removed(int id, int sub, const Rect& bounds) {
    return {Kind::ObjectRemoved, id, sub, bounds, {}};
}
DocumentChange Changed(int id, int sub, const Rect& after, const Rect& before) {
    return {Kind::ObjectChanged, id, sub, after, before};
}
// A device whose channels took or lost a link copy: same place, repainted.
DocumentChange Touched(const CBaseDevice& d) {
    return Changed(d.m_id, d.m_subType, d.GetBoundRect(), d.GetBoundRect());
}
DocumentChange LinkAdded(const model::CDeviceLink& l) {
    return {Kind::LinkAdded, l.m_id, 0, l.GetBoundRect(), {}};
}
DocumentChange LinkRemoved(int id, const Rect& bounds) {
    return {Kind::LinkRemoved, id, 0, bounds, {}};
}
DocumentChange LinkChanged(int id, const Rect& after, const Rect& before) {
    return {Kind::LinkChanged, id, 0, after, before};
}
DocumentChange Whole(Kind kind) {
    return {kind, 0, 0, {}, {}};
}

std::vector<std::string> Texts(const changes_t& changes) {
    std::vector<std::string> out;
    for (const DocumentChange& c : changes)
        out.push_back(model::ToString(c));
    return out;
}

changes_t operator+(changes_t a, const changes_t& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct row_t {
    const char* catches;
    // Sets up (then Quiet()), acts, and returns what must have been heard.
    std::function<changes_t(Sheet&)> run;
};

void RunRows(std::span<const row_t> rows) {
    for (const row_t& r : rows) {
        Sheet s;
        const changes_t expected = r.run(s);
        EXPECT_EQ(s.recorder.Texts(), Texts(expected)) << r.catches;
        sheet_builder::ExpectConsistent(s.doc, r.catches);
    }
}

// Link 5 from the PC's second output to the generic device's input.
std::unique_ptr<model::CDeviceLink> Link5(const Sheet& s, bool selected) {
    auto link = sheet_builder::MakeLink(s.doc, 5, {3, 0, 1}, {4, 0, 0}, true);
    link->m_selected = selected ? 1 : 0;
    return link;
}

TEST(DeviceEditorNotifications, EditsAnnounceWhatChanged) {
    const row_t rows[] = {
        {"an unselected device is only added",
         [](Sheet& s) {
             s.doc.AddDevice(
                 std::make_unique<model::CDeviceExternal>(s.dc, 0, 500, 9, model::kModelCd, 0));
             return changes_t{Added(s.Device(9, 0))};
         }},
        {"a selected device joins the selection",
         [](Sheet& s) {
             auto cd =
                 std::make_unique<model::CDeviceExternal>(s.dc, 0, 500, 9, model::kModelCd, 0);
             cd->m_selected = 1;
             s.doc.AddDevice(std::move(cd));
             return changes_t{Added(s.Device(9, 0)), Whole(Kind::SelectionChanged)};
         }},
        {"a link repaints both end devices (input end first), then itself",
         [](Sheet& s) {
             s.doc.AddLinkFromRecord(Link5(s, false));
             return changes_t{Touched(s.Device(4, 0)), Touched(s.Device(3, 0)),
                              LinkAdded(*s.doc.FindLink(5))};
         }},
        {"a selected link joins the selection",
         [](Sheet& s) {
             s.doc.AddLinkFromRecord(Link5(s, true));
             return changes_t{Touched(s.Device(4, 0)), Touched(s.Device(3, 0)),
                              LinkAdded(*s.doc.FindLink(5)), Whole(Kind::SelectionChanged)};
         }},
        {"a loop on one device repaints it once",
         [](Sheet& s) {
             s.doc.AddLinkFromRecord(sheet_builder::MakeLink(s.doc, 5, {4, 0, 1}, {4, 0, 0}, true));
             return changes_t{Touched(s.Device(4, 0)), LinkAdded(*s.doc.FindLink(5))};
         }},
        {"a link with a missing end announces nothing",
         [](Sheet& s) {
             auto link = Link5(s, false);
             link->m_sourceModule = 99;
             EXPECT_FALSE(s.doc.AddLinkFromRecord(std::move(link)));
             return changes_t{};
         }},
        {"a deleted link: its end devices, then the area it covered",
         [](Sheet& s) {
             const Rect covered = s.doc.FindLink(3)->GetBoundRect();
             s.doc.DeleteLink(3);
             s.doc.DeleteLink(42); // no such link: nothing
             return changes_t{Touched(s.Device(4, 0)), Touched(s.Device(2, 2)),
                              LinkRemoved(3, covered)};
         }},
        {"a deleted selected link leaves the selection",
         [](Sheet& s) {
             s.doc.AddLinkFromRecord(Link5(s, true));
             const Rect covered = s.doc.FindLink(5)->GetBoundRect();
             s.Quiet();
             s.doc.DeleteLink(5);
             return changes_t{Touched(s.Device(4, 0)), Touched(s.Device(3, 0)),
                              LinkRemoved(5, covered), Whole(Kind::SelectionChanged)};
         }},
        {"detaching announces only channels that change",
         [](Sheet& s) {
             const Rect covered = s.doc.FindLink(1)->GetBoundRect();
             s.doc.DetachLink(*s.doc.FindLink(1));
             s.doc.DetachLink(*s.doc.FindLink(1));
             // The link has no copies left: its deletion touches no device.
             s.doc.DeleteLink(1);
             return changes_t{Touched(s.Device(1, 1)), Touched(s.Device(3, 0)),
                              LinkRemoved(1, covered)};
         }},
        {"a deleted unit: each half's links, then the half; never the going halves as changed",
         [](Sheet& s) {
             const Rect l1 = s.doc.FindLink(1)->GetBoundRect();
             const Rect l2 = s.doc.FindLink(2)->GetBoundRect();
             const Rect l4 = s.doc.FindLink(4)->GetBoundRect();
             const Rect in = s.Device(1, 1).GetBoundRect();
             const Rect out = s.Device(1, 2).GetBoundRect();
             s.doc.DeleteDevice(1, 1);
             return changes_t{LinkRemoved(4, l4), Removed(1, 2, out),      Touched(s.Device(3, 0)),
                              LinkRemoved(1, l1), Touched(s.Device(5, 0)), LinkRemoved(2, l2),
                              Removed(1, 1, in)};
         }},
        {"a deleted selected device leaves the selection",
         [](Sheet& s) {
             s.Device(3, 0).m_selected = 1;
             s.doc.SetDeviceSelection(s.Device(3, 0), true);
             const Rect l1 = s.doc.FindLink(1)->GetBoundRect();
             const Rect pc = s.Device(3, 0).GetBoundRect();
             s.Quiet();
             s.doc.DeleteDevice(3, 0);
             return changes_t{Touched(s.Device(1, 1)), LinkRemoved(1, l1), Removed(3, 0, pc),
                              Whole(Kind::SelectionChanged)};
         }},
        {"selection calls announce only real changes",
         [](Sheet& s) {
             s.doc.SetDeviceSelection(s.Device(2, 2), true);
             s.doc.SetDeviceSelection(s.Device(2, 2), true);
             s.doc.DeselectDevice(2, 3);
             s.doc.DeselectDevice(2, 2);
             s.doc.SetDeviceSelection(s.Device(2, 2), false);
             return changes_t{Whole(Kind::SelectionChanged), Whole(Kind::SelectionChanged)};
         }},
        {"a move gives the area before and after in one record",
         [](Sheet& s) {
             const Rect before = s.Device(3, 0).GetBoundRect();
             s.doc.MoveDevice(s.Device(3, 0), 30, 10);
             s.doc.MoveDevice(s.Device(3, 0), 0, 0);
             return changes_t{Changed(3, 0, before.Offset(30, 10), before)};
         }},
        {"a title move grows the area by the title's way",
         [](Sheet& s) {
             CBaseDevice& amp = s.Device(2, 2);
             const Rect before = amp.GetBoundRect();
             s.doc.MoveDeviceTitle(amp, 0, -200);
             EXPECT_EQ(amp.GetBoundRect().top, amp.GetTitleBoundRect().top);
             EXPECT_EQ(amp.GetBoundRect().bottom, before.bottom);
             return changes_t{Changed(2, 2, amp.GetBoundRect(), before)};
         }},
        {"link ends: only the links that moved, with before and after",
         [](Sheet& s) {
             const Rect before = s.doc.FindLink(1)->GetBoundRect();
             s.Device(3, 0).Offset(0, 40); // as a drag does, before the ends follow
             s.doc.UpdateLinkEnds(s.Device(3, 0));
             s.doc.UpdateLinkEnds(s.Device(3, 0)); // nothing left to move
             const Rect after = s.doc.FindLink(1)->GetBoundRect();
             EXPECT_EQ(after.bottom, before.bottom + 40);
             return changes_t{LinkChanged(1, after, before)};
         }},
        {"settings: only a real change",
         [](Sheet& s) {
             model::DeviceSheetSettings settings = s.doc.GetSheetSettings();
             s.doc.SetSheetSettings(settings);
             settings.grid = 0;
             s.doc.SetSheetSettings(settings);
             CZoDeviceDoc same;
             same.SetSheetSettings(settings);
             s.doc.CopySheetProperties(same);
             return changes_t{Whole(Kind::SettingsChanged)};
         }},
        {"the modified flag: only when it flips",
         [](Sheet& s) {
             s.doc.SetModifiedFlag(true);
             s.doc.SetModifiedFlag();
             s.doc.SetModifiedFlag(false);
             return changes_t{Whole(Kind::ModifiedChanged), Whole(Kind::ModifiedChanged)};
         }},
        {"a new sheet resets and clears the flag",
         [](Sheet& s) {
             s.doc.SetModifiedFlag();
             s.Quiet();
             s.doc.OnNewDocument();
             EXPECT_FALSE(s.doc.IsModified());
             return changes_t{Whole(Kind::Reset), Whole(Kind::ModifiedChanged)};
         }},
        {"an opened file resets; one that fails to load announces nothing",
         [](Sheet& s) {
             const std::vector<std::uint8_t> bytes = s.doc.SaveDocument();
             const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + 40);
             EXPECT_ANY_THROW(s.doc.OpenDocument(cut));
             s.doc.OpenDocument(bytes);
             return changes_t{Whole(Kind::Reset)};
         }},
        {"saving to a file clears the flag",
         [](Sheet& s) {
             s.doc.SetModifiedFlag();
             s.Quiet();
             s.doc.OnSaveDocument(s.home.path() / "sheet.zo");
             EXPECT_FALSE(s.doc.IsModified());
             return changes_t{Whole(Kind::ModifiedChanged)};
         }},
    };
    RunRows(rows);
}

TEST(DeviceEditorNotifications, UndoAndRedoAnnounceThroughTheSameCalls) {
    const row_t rows[] = {
        {"a move: the device back, its link back, then the flag; redo the other way",
         [](Sheet& s) {
             const Rect pc = s.Device(3, 0).GetBoundRect();
             const Rect link = s.doc.FindLink(1)->GetBoundRect();
             s.doc.MoveDevice(s.Device(3, 0), 30, 10);
             s.doc.UpdateLinkEnds(s.Device(3, 0));
             const Rect moved_link = s.doc.FindLink(1)->GetBoundRect();
             s.Record(model::kUndoMove, {{3, 0}}, 30, 10);
             s.Quiet();
             EXPECT_TRUE(s.History().Undo());
             EXPECT_TRUE(s.History().Redo());
             return changes_t{Changed(3, 0, pc, pc.Offset(30, 10)),
                              LinkChanged(1, link, moved_link), Whole(Kind::ModifiedChanged),
                              Changed(3, 0, pc.Offset(30, 10), pc),
                              LinkChanged(1, moved_link, link)};
         }},
        {"a title move",
         [](Sheet& s) {
             const Rect before = s.Device(2, 2).GetBoundRect();
             s.doc.MoveDeviceTitle(s.Device(2, 2), 0, -200);
             const Rect after = s.Device(2, 2).GetBoundRect();
             s.Record(model::kUndoMoveTitle, {{2, 2}}, 0, -200);
             s.doc.SetModifiedFlag();
             s.Quiet();
             s.History().Undo();
             return changes_t{Changed(2, 2, before, after)};
         }},
        {"an added unit: undo removes both halves, redo adds them",
         [](Sheet& s) {
             s.doc.AddDevice(std::make_unique<model::CDeviceNy>(s.dc, 600, 500, 7, 4, 1));
             s.doc.AddDevice(std::make_unique<model::CDeviceNy>(s.dc, 699, 500, 7, 4, 2));
             const Rect in = s.Device(7, 1).GetBoundRect();
             const Rect out = s.Device(7, 2).GetBoundRect();
             s.Record(model::kUndoAdd, {{7, 1}, {7, 2}});
             s.doc.SetModifiedFlag();
             s.Quiet();
             s.History().Undo();
             const changes_t undone = {Removed(7, 2, out), Removed(7, 1, in)};
             s.History().Redo();
             return undone + changes_t{Added(s.Device(7, 1)), Added(s.Device(7, 2))};
         }},
        {"an added link: undo deletes it, redo adds it, with its end devices",
         [](Sheet& s) {
             s.doc.AddLinkFromRecord(Link5(s, false));
             const Rect covered = s.doc.FindLink(5)->GetBoundRect();
             s.History().AddLinkAction(model::kUndoAdd,
                                       std::vector<model::CDeviceLink*>{s.doc.FindLink(5)});
             s.doc.SetModifiedFlag();
             s.Quiet();
             s.History().Undo();
             s.History().Redo();
             return changes_t{Touched(s.Device(4, 0)), Touched(s.Device(3, 0)),
                              LinkRemoved(5, covered), Touched(s.Device(4, 0)),
                              Touched(s.Device(3, 0)), LinkAdded(*s.doc.FindLink(5))};
         }},
        {"a deleted device: undo brings it and its link back, redo takes them again",
         [](Sheet& s) {
             const Rect pc = s.Device(3, 0).GetBoundRect();
             const Rect link = s.doc.FindLink(1)->GetBoundRect();
             s.Record(model::kUndoDelete, {{3, 0}});
             s.doc.DeleteDevice(3, 0);
             s.doc.SetModifiedFlag();
             s.Quiet();
             s.History().Undo();
             // The restored PC holds its copy of link 1 already: only the
             // unit's channel takes one.
             const changes_t undone = {Added(s.Device(3, 0)), Touched(s.Device(1, 1)),
                                       LinkAdded(*s.doc.FindLink(1))};
             s.History().Redo();
             return undone + changes_t{Touched(s.Device(1, 1)), Changed(3, 0, pc, pc),
                                       LinkRemoved(1, link), Removed(3, 0, pc)};
         }},
        {"a property change: changed in place, and the selection follows the flag",
         [](Sheet& s) {
             CBaseDevice& amp = s.Device(2, 2);
             amp.m_selected = 1;
             s.doc.SetDeviceSelection(amp, true);
             s.Record(model::kUndoChange, {{2, 2}});
             amp.m_selected = 0;
             s.doc.DeselectDevice(2, 2);
             s.doc.SetModifiedFlag();
             const Rect bounds = amp.GetBoundRect();
             s.Quiet();
             s.History().Undo();
             return changes_t{Changed(2, 2, bounds, bounds), Whole(Kind::SelectionChanged)};
         }},
        {"sheet settings: exchanged both ways",
         [](Sheet& s) {
             s.History().AddSheetAction(model::kUndoSheet, s.doc);
             model::DeviceSheetSettings settings = s.doc.GetSheetSettings();
             settings.background = 0x00FFFF;
             s.doc.SetSheetSettings(settings);
             s.doc.SetModifiedFlag();
             s.Quiet();
             s.History().Undo();
             s.History().Redo();
             return changes_t{Whole(Kind::SettingsChanged), Whole(Kind::SettingsChanged)};
         }},
        {"a refused undo announces nothing",
         [](Sheet& s) {
             s.doc.MoveDevice(s.Device(3, 0), 30, 10);
             s.Record(model::kUndoMove, {{3, 0}}, 30, 10);
             s.Quiet();
             s.host.active = nullptr;
             EXPECT_FALSE(s.History().Undo());
             return changes_t{};
         }},
    };
    RunRows(rows);
}

} // namespace
