// The device document's editing operations on small sheets built in code:
// selection, placement with the snap rule, palette drops of every model,
// links completed from either end, deletion of the selection, the grid
// command, the title marker and the hooks into the main frame. After every
// change, undo and redo, each link must have exactly one copy at each end
// channel (sheet_builder::ExpectConsistent).
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "change_recorder.h"
#include "device_editor/device_doc_seams.h"
#include "device_editor/sheet_snap.h"
#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_models.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "model_fixtures.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"
#include "tests/device_editor/sheet_undo_host.h"

namespace {

using device_editor::CZoDeviceDoc;
using device_editor::SnapToGrid;
using model::CBaseDevice;
using model::CDeviceChnl;
using sheet_builder::ExpectConsistent;
using sheet_builder::Snapshot;

// Undo and redo act only through a host whose active view shows the
// document.
using Host = sheet_test::CSheetUndoHost;

class Frame : public device_editor::IDeviceMainFrame {
public:
    void ClearOutputList() override { calls.push_back("output list"); }
    void ClearOutputBarShown() override { calls.push_back("output bar"); }
    void ClearDownloadingRecord() override { calls.push_back("downloading"); }
    void SetDeviceDocumentPath(const std::string& p) override { calls.push_back("path " + p); }
    void UpdateStatusPanes(int selector) override {
        calls.push_back("pane " + std::to_string(selector));
    }
    void RefreshFrameTitles() override { ++titleRefreshes; }

    std::vector<std::string> calls;
    int titleRefreshes = 0;
};

class Dialogs : public device_editor::IDeviceDocDialogs {
public:
    std::optional<device_editor::GenericDeviceEntry> AddGeneric(const std::string& name) override {
        proposed = name;
        return generic;
    }
    bool EditText(model::CDeviceText& text) override {
        if (textOk)
            text.m_name = "Stage\r\nleft";
        return textOk;
    }

    std::optional<device_editor::GenericDeviceEntry> generic =
        device_editor::GenericDeviceEntry{"Desk", 2, 3};
    bool textOk = true;
    std::string proposed;
};

class StatusWindow : public device_editor::IDeviceStatusWindow {
public:
    StatusWindow(std::int32_t id, std::int32_t sub, int& alive)
        : id_(id), sub_(sub), alive_(alive) {
        ++alive_;
    }
    ~StatusWindow() override { --alive_; }
    std::int32_t DeviceId() const override { return id_; }
    std::int32_t DeviceSubType() const override { return sub_; }

private:
    std::int32_t id_, sub_;
    int& alive_;
};

class DeviceEditorEdit : public ::testing::Test {
protected:
    DeviceEditorEdit() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
    }

    model::CUndoHistory& history() { return *doc.GetUndoHistory(); }
    // Undoes and redoes the newest step, checking the links after each.
    void UndoRedo(const char* what) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(history().Undo());
        ExpectConsistent(doc, "after undo");
        ASSERT_TRUE(history().Redo());
        ExpectConsistent(doc, "after redo");
    }
    std::set<std::pair<int, int>> Selected() const {
        std::set<std::pair<int, int>> out;
        for (int i = 0; i < doc.GetSelectedCount(); ++i)
            out.emplace(doc.GetSelected(i)->m_id, doc.GetSelected(i)->m_subType);
        return out;
    }
    void SetSheet(int width, int height) {
        model::DeviceSheetSettings s = doc.GetSheetSettings();
        s.width = width;
        s.height = height;
        doc.SetSheetSettings(s);
    }

    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    Host host{doc};
};

TEST(DeviceEditorSnap, RoundsToTensTowardsZeroUnlessTheRemainderIsSixOrMore) {
    const std::pair<int, int> rows[] = {{16, 20}, {15, 10}, {-16, -10}, {-15, -10}, {0, 0},
                                        {5, 0},   {6, 10},  {-6, 0},    {-26, -20}, {1131, 1130}};
    for (const auto& [in, out] : rows)
        EXPECT_EQ(SnapToGrid(in), out) << in;
}

TEST_F(DeviceEditorEdit, SelectDeviceAnswersByTheRules) {
    CBaseDevice* pc = doc.FindDevice(3, 0);
    CBaseDevice* half = doc.FindDevice(1, 2);
    CBaseDevice* twin = doc.FindDevice(1, 1);
    using S = std::set<std::pair<int, int>>;
    struct row_t {
        const char* what;
        CBaseDevice* device;
        bool add;
        int result;
        S after;
    } rows[] = {
        {"nothing to clear", nullptr, false, 0, {}},
        {"select alone", pc, false, 2, {{3, 0}}},
        {"again, no add", pc, false, 0, {{3, 0}}},
        {"add a half (its twin stays out)", half, true, 1, {{3, 0}, {1, 2}}},
        {"selected one without add keeps the multiple selection", pc, false, 0, {{3, 0}, {1, 2}}},
        {"toggle out", pc, true, 1, {{1, 2}}},
        {"no device with add", nullptr, true, 0, {{1, 2}}},
        {"another alone", twin, false, 2, {{1, 1}}},
        {"clear", nullptr, false, 2, {}},
    };
    for (const row_t& r : rows) {
        EXPECT_EQ(doc.SelectDevice(r.device, r.add), r.result) << r.what;
        EXPECT_EQ(Selected(), r.after) << r.what;
        for (const auto& d : doc.Devices())
            EXPECT_EQ(d->m_selected != 0, r.after.contains({d->m_id, d->m_subType}))
                << r.what << ": flag of " << d->m_id << "/" << d->m_subType;
    }
}

TEST_F(DeviceEditorEdit, SelectingOneKindClearsTheOtherAndFlagsFollow) {
    model::CDeviceLink* link = doc.FindLink(2);
    EXPECT_EQ(doc.SelectLink(link, false), 2);
    EXPECT_EQ(doc.SelectLink(doc.FindLink(2), false), 0);
    EXPECT_EQ(doc.SelectLink(doc.FindLink(3), true), 1);
    EXPECT_EQ(doc.GetSelectedLinkCount(), 2);
    // A device selected alone clears the links too.
    EXPECT_EQ(doc.SelectDevice(doc.FindDevice(4, 0), false), 2);
    EXPECT_EQ(doc.GetSelectedLinkCount(), 0);
    EXPECT_EQ(link->m_selected, 0);
    EXPECT_EQ(doc.SelectLink(nullptr, false), 2);
    EXPECT_EQ(doc.GetSelectedCount(), 0);

    doc.SelectLink(link, true);
    doc.UnselectLink(2);
    EXPECT_EQ(link->m_selected, 0);
    EXPECT_EQ(doc.GetSelectedLinkCount(), 0);
}

TEST_F(DeviceEditorEdit, RectangleAddsWhatLiesWhollyInsideAndKeepsTheRest) {
    doc.SelectDevice(doc.FindDevice(6, 0), false);
    change_recorder::ChangeRecorder rec;
    doc.AttachObserver(&rec);
    // Around both halves of the unit: link 4 has both ends inside, links 1
    // and 2 one end only.
    doc.SelectInRect({90, 90, 350, 250});
    EXPECT_EQ(Selected(), (std::set<std::pair<int, int>>{{6, 0}, {1, 1}, {1, 2}}));
    ASSERT_EQ(doc.GetSelectedLinkCount(), 1);
    EXPECT_EQ(doc.GetSelectedLink(0)->m_id, 4);
    EXPECT_EQ(rec.OfKind(model::DocumentChangeKind::SelectionChanged).size(), 1u);
    doc.SelectInRect({90, 90, 350, 250});
    EXPECT_EQ(doc.GetSelectedCount(), 3) << "nothing twice";
    EXPECT_EQ(rec.changes.size(), 1u) << "no change, no announcement";
    doc.DetachObserver(&rec);

    const model::Rect bounds = doc.GetSelectionBounds();
    for (const auto& key : Selected()) {
        const model::Rect b = doc.FindDevice(key.first, key.second)->GetBoundRect();
        EXPECT_TRUE(bounds.left <= b.left && bounds.right >= b.right && bounds.top <= b.top &&
                    bounds.bottom >= b.bottom);
    }
    doc.Unselect(1, 1);
    EXPECT_EQ(doc.FindDevice(1, 1)->m_selected, 0);
    doc.SelectDevice(nullptr, false);
    EXPECT_EQ(doc.GetSelectionBounds(), model::Rect{});
}

TEST_F(DeviceEditorEdit, ExtentAndMacLookups) {
    int right = 0, bottom = 0;
    for (const auto& d : doc.Devices()) {
        right = std::max(right, d->GetBoundRect().right - 5);
        bottom = std::max(bottom, d->GetBoundRect().bottom - 5);
    }
    EXPECT_EQ(doc.GetDevicesExtent(), (model::Size{right, bottom}));
    CZoDeviceDoc empty;
    EXPECT_EQ(empty.GetDevicesExtent(), (model::Size{0, 0}));

    doc.FindDevice(2, 2)->m_mac = "00602B0A0B0C";
    EXPECT_TRUE(doc.HasDeviceMac("00602B0A0B0C"));
    EXPECT_FALSE(doc.HasDeviceMac("00602b0a0b0c")) << "exact comparison";
}

TEST_F(DeviceEditorEdit, LinkRulesOfOneChannelAndOfAPair) {
    CDeviceChnl& send = device_test::chnl(*doc.FindDevice(1, 1), 2); // network send, link 2
    CDeviceChnl& in_used = device_test::chnl(*doc.FindDevice(1, 1), 0);
    CDeviceChnl& pc_free = device_test::chnl(*doc.FindDevice(3, 0), 1);
    CDeviceChnl& amp_rece = device_test::chnl(*doc.FindDevice(2, 2), 1);
    CDeviceChnl& out_half_in = device_test::chnl(*doc.FindDevice(1, 2), 0);
    // New units' channels stay off until their configuration file says
    // otherwise.
    for (CDeviceChnl* c : {&send, &in_used, &amp_rece, &out_half_in})
        c->m_property = 1;
    ASSERT_EQ(send.m_networkSend, 1);
    EXPECT_TRUE(CZoDeviceDoc::CanLinkChannel(send)) << "a network send takes several links";
    EXPECT_FALSE(CZoDeviceDoc::CanLinkChannel(in_used)) << "an occupied input";
    EXPECT_TRUE(CZoDeviceDoc::CanLinkChannel(pc_free));
    const std::int32_t property = pc_free.m_property;
    pc_free.m_property = 0;
    EXPECT_FALSE(CZoDeviceDoc::CanLinkChannel(pc_free)) << "property 0";
    pc_free.m_property = property;

    EXPECT_TRUE(CZoDeviceDoc::CanLinkChannels(send, amp_rece)) << "network out to network in";
    EXPECT_TRUE(CZoDeviceDoc::CanLinkChannels(amp_rece, send)) << "from the input end";
    EXPECT_FALSE(CZoDeviceDoc::CanLinkChannels(pc_free, amp_rece)) << "kind mismatch";
    EXPECT_FALSE(CZoDeviceDoc::CanLinkChannels(out_half_in, amp_rece)) << "same direction";
    EXPECT_FALSE(CZoDeviceDoc::CanLinkChannels(pc_free, in_used)) << "occupied target";
}

TEST_F(DeviceEditorEdit, ConnectLinkFromEitherEndNamesTheInputAsSource) {
    // Matrix Send 1 (output) and amplifier Rece 2 (input), network channels.
    struct row_t {
        const char* what;
        bool fromOutput;
    } rows[] = {{"drawn from the output", true}, {"drawn from the input", false}};
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        CDeviceChnl& out = device_test::chnl(*doc.FindDevice(5, 0), 1);
        CDeviceChnl& in = device_test::chnl(*doc.FindDevice(2, 2), 1);
        CDeviceChnl& from = r.fromOutput ? out : in;
        CDeviceChnl& to = r.fromOutput ? in : out;
        auto link = std::make_unique<model::CDeviceLink>();
        link->BeginAtChnl(from);
        const std::size_t steps = history().GetPosition();
        doc.SetModifiedFlag(false);
        ASSERT_TRUE(doc.ConnectLink(from, to, std::move(link)));
        const model::CDeviceLink* added = doc.FindLink(5);
        ASSERT_NE(added, nullptr) << "the smallest free id";
        EXPECT_EQ(added->m_sourceModule, 2);
        EXPECT_EQ(added->m_sourceSubType, 2);
        EXPECT_EQ(added->m_sourceChannel, 1);
        EXPECT_EQ(added->m_destModule, 5);
        EXPECT_EQ(added->m_destChannel, 1);
        EXPECT_EQ(added->m_drawnFromOutput, r.fromOutput ? 1 : 0);
        EXPECT_EQ(added->m_kind, model::kLinkNetwork);
        EXPECT_EQ(added->m_start, from.m_rect.CenterPoint());
        EXPECT_EQ(added->m_end, to.m_rect.CenterPoint());
        EXPECT_TRUE(doc.IsModified());
        ASSERT_EQ(history().GetStepCount(), steps + 1);
        EXPECT_EQ(history().GetStep(steps)->m_kind, model::kUndoAdd);
        ExpectConsistent(doc, "connected");
        UndoRedo("connect");
        ASSERT_TRUE(history().Undo());
        EXPECT_EQ(doc.FindLink(5), nullptr);
        EXPECT_EQ(in.m_connected, 0);
        ExpectConsistent(doc, "undone");
    }
}

TEST_F(DeviceEditorEdit, ConnectLinkRefusesAChannelOfNoDevice) {
    CDeviceChnl stray("x", 0, 99, 0, {}, 1, model::kChnlPhysical, 0);
    EXPECT_FALSE(doc.ConnectLink(stray, device_test::chnl(*doc.FindDevice(4, 0), 0),
                                 std::make_unique<model::CDeviceLink>()));
    EXPECT_EQ(doc.GetLinkCount(), 4);
}

TEST_F(DeviceEditorEdit, DeletingOneHalfTakesTheUnitAndEveryLinkOfEitherHalf) {
    const sheet_builder::snapshot_t before = Snapshot(doc);
    doc.SelectDevice(doc.FindDevice(1, 2), false);
    const std::size_t steps = history().GetStepCount();
    ASSERT_TRUE(doc.DeleteSelection());
    EXPECT_EQ(doc.FindDevice(1, 1), nullptr);
    EXPECT_EQ(doc.FindDevice(1, 2), nullptr);
    ASSERT_EQ(doc.GetLinkCount(), 1);
    EXPECT_EQ(doc.GetLink(0)->m_id, 3);
    EXPECT_EQ(doc.GetSelectedCount(), 0);
    EXPECT_EQ(device_test::chnl(*doc.FindDevice(3, 0), 0).m_connected, 0) << "far end let go";
    ASSERT_EQ(history().GetStepCount(), steps + 1);
    EXPECT_EQ(history().GetStep(steps)->m_kind, model::kUndoDelete);
    ExpectConsistent(doc, "deleted");
    UndoRedo("delete");

    ASSERT_TRUE(history().Undo());
    ExpectConsistent(doc, "undone");
    // Put back as before, the selected half selected again.
    doc.SelectDevice(nullptr, false);
    EXPECT_EQ(Snapshot(doc), before);
}

TEST_F(DeviceEditorEdit, DeletingSelectedLinksAndDevicesIsOneStep) {
    doc.SelectLink(doc.FindLink(3), false);
    doc.SelectDevice(doc.FindDevice(3, 0), true);
    const std::size_t steps = history().GetStepCount();
    ASSERT_TRUE(doc.DeleteSelection());
    EXPECT_EQ(history().GetStepCount(), steps + 1);
    EXPECT_EQ(doc.FindLink(1), nullptr) << "the PC's link";
    EXPECT_EQ(doc.FindLink(3), nullptr);
    EXPECT_EQ(doc.GetLinkCount(), 2);
    UndoRedo("delete links and a device");
}

TEST_F(DeviceEditorEdit, DeletingNothingRecordsNothing) {
    const std::size_t steps = history().GetStepCount();
    doc.SetModifiedFlag(false);
    EXPECT_FALSE(doc.DeleteSelection());
    EXPECT_EQ(history().GetStepCount(), steps);
    EXPECT_FALSE(doc.IsModified());
}

// A PC whose bound rectangle is placed at (left, top) on a 400 x 300 sheet.
class DeviceEditorFit : public DeviceEditorEdit {
protected:
    DeviceEditorFit() { SetSheet(400, 300); }
    std::unique_ptr<CBaseDevice> At(std::int32_t model, std::int32_t sub, std::int32_t left,
                                    std::int32_t top) {
        std::unique_ptr<CBaseDevice> d =
            model == model::kModelPc
                ? std::unique_ptr<CBaseDevice>(
                      std::make_unique<model::CDeviceExternal>(dc, 100, 100, 50, model, 0))
                : std::unique_ptr<CBaseDevice>(
                      std::make_unique<model::CDeviceNy>(dc, 100, 100, 50, model, sub));
        const model::Rect b = d->GetBoundRect();
        d->Offset(left - b.left, top - b.top);
        return d;
    }
};

TEST_F(DeviceEditorFit, OffsetsSnapToTheGrid) {
    const int w = At(model::kModelPc, 0, 0, 0)->GetBoundRect().Width();
    const int h = At(model::kModelPc, 0, 0, 0)->GetBoundRect().Height();
    struct row_t {
        const char* what;
        int left, top, dx, dy;
    } rows[] = {
        {"inside", 50, 50, 0, 0},
        {"16 past the left edge", -6, 50, 20, 0},
        {"15 past the left edge", -5, 50, 10, 0},
        {"16 past the right edge", 400 - 10 - w + 16, 50, -10, 0},
        {"26 past the right edge", 400 - 10 - w + 26, 50, -20, 0},
        {"16 past the bottom", 50, 300 - 10 - h + 16, 0, -10},
        {"16 past the top", 50, -6, 0, 20},
    };
    for (const row_t& r : rows) {
        auto d = At(model::kModelPc, 0, r.left, r.top);
        const model::Rect before = d->GetBoundRect();
        EXPECT_TRUE(doc.FitsOnSheet(*d, false)) << r.what;
        EXPECT_EQ(d->GetBoundRect().left - before.left, r.dx) << r.what;
        EXPECT_EQ(d->GetBoundRect().top - before.top, r.dy) << r.what;
    }
}

TEST_F(DeviceEditorFit, RoomForATwinAndTooLarge) {
    auto half = At(9, 1, 0, 50);
    const int w = half->GetBoundRect().Width();
    const int body = half->GetBodySize().cx;
    // 34 short of room for a second half of the body's width.
    half = At(9, 1, 400 - 20 - body - w + 34, 50);
    const model::Rect before = half->GetBoundRect();
    EXPECT_TRUE(doc.FitsOnSheet(*half, true));
    EXPECT_EQ(half->GetBoundRect().left - before.left, -30);
    // Without the twin it lies inside already.
    half = At(9, 1, 400 - 20 - body - w + 34, 50);
    EXPECT_TRUE(doc.FitsOnSheet(*half, false));
    EXPECT_EQ(half->GetBoundRect(), before);

    SetSheet(w, 300);
    EXPECT_FALSE(doc.FitsOnSheet(*half, false)) << "as wide as the sheet";
    EXPECT_EQ(half->GetBoundRect(), before);
}

TEST_F(DeviceEditorFit, MovingADocumentDeviceIsAnnounced) {
    CBaseDevice* pc = doc.FindDevice(3, 0);
    doc.MoveDevice(*pc, 500, 0);
    change_recorder::ChangeRecorder rec;
    doc.AttachObserver(&rec);
    ASSERT_TRUE(doc.FitsOnSheet(*pc, false));
    doc.DetachObserver(&rec);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].kind, model::DocumentChangeKind::ObjectChanged);
    // 202 past the 390 line: moved 200, and 2 stay past it (the snap
    // never moves further than asked).
    EXPECT_EQ(rec.changes[0].oldBounds.right, 592);
    EXPECT_EQ(rec.changes[0].bounds.right, 392);
}

// The devices a drop of each model makes on an empty sheet.
TEST(DeviceEditorDrop, EveryModelRow) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    struct row_t {
        std::int32_t model;
        std::vector<std::int32_t> subTypes; // of the devices made, in order
        std::int32_t kind;
    } rows[] = {
        {0, {}, 0},
        {1, {3}, model::kDeviceUnit},
        {2, {3}, model::kDeviceUnit},
        {3, {3}, model::kDeviceUnit},
        {4, {1, 2}, model::kDeviceUnit},
        {5, {1}, model::kDeviceUnit},
        {6, {2}, model::kDeviceUnit},
        {7, {1, 2}, model::kDeviceUnit},
        {8, {1, 2}, model::kDeviceUnit},
        {9, {1, 2}, model::kDeviceUnit},
        {10, {1, 2}, model::kDeviceUnit},
        {11, {0}, model::kDeviceExternal},
        {12, {0}, model::kDeviceExternal},
        {13, {0}, model::kDeviceExternal},
        {14, {0}, model::kDeviceExternal},
        {15, {0}, model::kDeviceExternal},
        {16, {0}, model::kDeviceGeneric},
        {17, {0}, model::kDeviceText},
        {18, {0}, model::kDeviceMatrix},
        {19, {1, 2}, model::kDeviceUnit},
        {20, {2}, model::kDeviceUnit},
        {21, {2}, model::kDeviceUnit},
        {22, {}, 0},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE("model " + std::to_string(r.model));
        CZoDeviceDoc doc;
        doc.OnNewDocument();
        Host host(doc);
        Dialogs dialogs;
        doc.SetDialogs(&dialogs);
        doc.AddDevice(std::make_unique<model::CDeviceExternal>(dc, 600, 600, 1, 11, 0));
        EXPECT_EQ(doc.CreateDroppedDevice(200, 200, r.model, dc), !r.subTypes.empty());
        ASSERT_EQ(doc.GetDeviceCount(), 1 + static_cast<int>(r.subTypes.size()));
        EXPECT_EQ(doc.GetUndoHistory()->GetStepCount(), r.subTypes.empty() ? 0u : 1u);
        EXPECT_EQ(doc.IsModified(), !r.subTypes.empty());
        for (std::size_t i = 0; i < r.subTypes.size(); ++i) {
            const CBaseDevice* d = doc.GetDevice(static_cast<int>(i) + 1);
            EXPECT_EQ(d->m_id, 2) << "the next free id, shared by both halves";
            EXPECT_EQ(d->m_typeCode, r.model);
            EXPECT_EQ(d->m_subType, r.subTypes[i]);
            EXPECT_EQ(d->m_kind, r.kind);
        }
        if (r.subTypes.size() == 2) {
            const model::Rect a = doc.GetDevice(1)->m_body, b = doc.GetDevice(2)->m_body;
            EXPECT_EQ(b.left, a.left + a.Width() + 9);
            EXPECT_EQ(b.top, a.top);
        }
        if (!r.subTypes.empty()) {
            ASSERT_TRUE(doc.GetUndoHistory()->Undo());
            EXPECT_EQ(doc.GetDeviceCount(), 1) << "one step removes everything dropped";
        }
    }
}

TEST(DeviceEditorDrop, DialogsDecideGenericDevicesAndTextBoxes) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    doc.OnNewDocument();

    EXPECT_FALSE(doc.CreateDroppedDevice(200, 200, model::kModelGeneric, dc)) << "no dialogs";
    EXPECT_FALSE(doc.CreateDroppedDevice(200, 200, model::kModelText, dc)) << "no dialogs";

    Dialogs dialogs;
    doc.SetDialogs(&dialogs);
    ASSERT_TRUE(doc.CreateDroppedDevice(200, 200, model::kModelGeneric, dc));
    EXPECT_EQ(dialogs.proposed, "Device1");
    const CBaseDevice* generic = doc.FindDevice(1, 0);
    EXPECT_EQ(generic->m_name, "Desk");
    EXPECT_EQ(generic->m_inputCount, 2);
    EXPECT_EQ(generic->m_outputCount, 3);

    ASSERT_TRUE(doc.CreateDroppedDevice(200, 400, model::kModelText, dc));
    const CBaseDevice* text = doc.FindDevice(2, 0);
    EXPECT_EQ(text->m_name, "Stage\r\nleft");
    EXPECT_GT(text->m_body.Height(), 20) << "sized to its two lines";

    dialogs.generic.reset();
    dialogs.textOk = false;
    doc.SetModifiedFlag(false);
    EXPECT_FALSE(doc.CreateDroppedDevice(200, 600, model::kModelGeneric, dc));
    EXPECT_FALSE(doc.CreateDroppedDevice(200, 600, model::kModelText, dc));
    EXPECT_EQ(doc.GetDeviceCount(), 2);
    EXPECT_FALSE(doc.IsModified()) << "a Cancel changes nothing";
    EXPECT_EQ(doc.GetUndoHistory()->GetStepCount(), 2u);
}

TEST(DeviceEditorDrop, GenericOrMatrixTooLargeIsRefusedWith160) {
    device_test::TempHome home;
    platform::gdi::FixedWidthMeasurer dc;
    for (const std::int32_t model : {model::kModelGeneric, model::kModelMatrix}) {
        SCOPED_TRACE(model);
        device_test::RecordingSink sink;
        CZoDeviceDoc doc;
        doc.OnNewDocument();
        Dialogs dialogs;
        dialogs.generic = device_editor::GenericDeviceEntry{"Big", 4, 4};
        doc.SetDialogs(&dialogs);
        model::DeviceSheetSettings s = doc.GetSheetSettings();
        s.height = 60; // lower than either device with four channels a side
        doc.SetSheetSettings(s);
        EXPECT_FALSE(doc.CreateDroppedDevice(20, 20, model, dc));
        EXPECT_EQ(doc.GetDeviceCount(), 0);
        EXPECT_EQ(doc.GetUndoHistory()->GetStepCount(), 0u);
        EXPECT_EQ(sink.ShownIds(), std::vector<int>{160});
        EXPECT_FALSE(doc.IsModified());
    }
}

TEST(DeviceEditorDrop, AUnitNearTheRightEdgeLeavesRoomForItsTwin) {
    device_test::TempHome home;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    doc.OnNewDocument();
    ASSERT_TRUE(doc.CreateDroppedDevice(1100, 200, 9, dc));
    const CBaseDevice* second = doc.FindDevice(1, 2);
    EXPECT_LE(second->GetBoundRect().right, doc.GetSheetSettings().width - 10);
    EXPECT_EQ(doc.FindDevice(1, 1)->m_body.left % 10, 0) << "moved in steps of 10";
}

TEST_F(DeviceEditorEdit, GridCommandTogglesWithAStepAndAChecmark) {
    EXPECT_TRUE(doc.IsCommandChecked(CZoDeviceDoc::kCmdGrid));
    const std::size_t steps = history().GetStepCount();
    change_recorder::ChangeRecorder rec;
    doc.AttachObserver(&rec);
    ASSERT_TRUE(doc.OnCommand(CZoDeviceDoc::kCmdGrid));
    doc.DetachObserver(&rec);
    EXPECT_EQ(doc.GetSheetSettings().grid, 0);
    EXPECT_FALSE(doc.IsCommandChecked(CZoDeviceDoc::kCmdGrid));
    EXPECT_EQ(rec.OfKind(model::DocumentChangeKind::SettingsChanged).size(), 1u);
    ASSERT_EQ(history().GetStepCount(), steps + 1);
    EXPECT_EQ(history().GetStep(steps)->m_kind, model::kUndoSheet);
    ASSERT_TRUE(history().Undo());
    EXPECT_EQ(doc.GetSheetSettings().grid, 1);
    EXPECT_FALSE(doc.OnCommand(32796)) << "not a document command";
}

TEST_F(DeviceEditorEdit, TitleMarkerFollowsTheFlag) {
    Frame frame;
    doc.SetMainFrame(&frame);
    doc.SetTitle("Hall.zo");
    doc.SetModifiedFlag(false);
    const int refreshes = frame.titleRefreshes;
    struct row_t {
        bool modified;
        const char* title;
    } rows[] = {{true, "Hall.zo *"},
                {true, "Hall.zo *"},
                {false, "Hall.zo"},
                {false, "Hall.zo"},
                {true, "Hall.zo *"}};
    for (const row_t& r : rows) {
        doc.SetModifiedFlag(r.modified);
        EXPECT_EQ(doc.GetTitle(), r.title);
        EXPECT_EQ(doc.GetFileTitle(), "Hall.zo");
    }
    EXPECT_EQ(frame.titleRefreshes, refreshes + 3) << "once per flip";
    // A title that happens to end in " *" keeps its characters.
    doc.SetTitle("a *");
    doc.SetModifiedFlag(false);
    EXPECT_EQ(doc.GetTitle(), "a *");
    doc.SetMainFrame(nullptr);
}

TEST(DeviceEditorFrame, LoadStoreCloseAndEndReachTheMainFrame) {
    device_test::TempHome home;
    Frame frame;
    const std::filesystem::path path = home.path() / "Stage.zo";
    {
        CZoDeviceDoc doc;
        doc.SetMainFrame(&frame);
        doc.OnNewDocument();
        doc.SetTitle("Untitled");
        doc.SetModifiedFlag(true);
        EXPECT_EQ(doc.GetTitle(), "Untitled *");
        doc.OnSaveDocument(path);
        EXPECT_EQ(doc.GetTitle(), "Stage.zo");
        EXPECT_EQ(doc.GetPathName(), path);
        doc.OnUpdatePane(CZoDeviceDoc::kPaneSheetSize);
        doc.OnCloseDocument();
    }
    EXPECT_EQ(frame.calls,
              (std::vector<std::string>{"path " + path.string(), "pane 2", "output list",
                                        "output bar", "downloading", "path "}));
    frame.calls.clear();
    {
        CZoDeviceDoc doc;
        doc.SetMainFrame(&frame);
        doc.OnOpenDocument(path);
        EXPECT_EQ(doc.GetTitle(), "Stage.zo");
        doc.SetMainFrame(nullptr);
    }
    EXPECT_EQ(frame.calls, std::vector<std::string>{"path " + path.string()});
}

TEST_F(DeviceEditorEdit, StatusWindowsCloseWithTheirDeviceAndTheDocument) {
    int alive = 0;
    {
        CZoDeviceDoc other;
        other.OnNewDocument();
        sheet_builder::Build(other, dc);
        other.AddStatusWindow(std::make_unique<StatusWindow>(2, 2, alive));
        other.AddStatusWindow(std::make_unique<StatusWindow>(9, 2, alive));
        EXPECT_NE(other.FindStatusWindow(2, 2), nullptr);
        other.DeleteDevice(4, 0);
        EXPECT_EQ(alive, 2);
        other.DeleteDevice(2, 2);
        EXPECT_EQ(alive, 1);
        EXPECT_EQ(other.FindStatusWindow(2, 2), nullptr);
        EXPECT_EQ(other.GetStatusWindowCount(), 1);
        // A window closing itself goes; another device's id leaves it be.
        other.AddStatusWindow(std::make_unique<StatusWindow>(2, 2, alive));
        other.RemoveStatusWindow(2, 1);
        EXPECT_EQ(alive, 2);
        other.RemoveStatusWindow(2, 2);
        EXPECT_EQ(alive, 1);
        EXPECT_NE(other.FindStatusWindow(9, 2), nullptr);
    }
    EXPECT_EQ(alive, 0);
}

TEST(DeviceEditorScript, EditsUndoneToTheStartSaveTheOriginalBytes) {
    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    const std::vector<std::uint8_t> golden = model_test::load_fixture("zo_every_kind.hex");
    CZoDeviceDoc doc;
    doc.OpenDocument(golden);
    Host host(doc);
    Dialogs dialogs;
    doc.SetDialogs(&dialogs);

    const auto step = [&](const char* what, auto edit) {
        SCOPED_TRACE(what);
        edit();
        ExpectConsistent(doc, "edited");
        if (doc.GetUndoHistory()->CanUndo()) {
            ASSERT_TRUE(doc.GetUndoHistory()->Undo());
            ExpectConsistent(doc, "undone");
            ASSERT_TRUE(doc.GetUndoHistory()->Redo());
            ExpectConsistent(doc, "redone");
        }
    };
    std::int32_t unit = 0, desk = 0;
    step("drop a unit", [&] {
        unit = doc.NextDeviceId();
        ASSERT_TRUE(doc.CreateDroppedDevice(300, 600, 9, dc));
    });
    step("drop a generic device", [&] {
        desk = doc.NextDeviceId();
        ASSERT_TRUE(doc.CreateDroppedDevice(300, 800, model::kModelGeneric, dc));
    });
    step("link the device's output to the unit's input", [&] {
        CDeviceChnl& out = device_test::chnl(*doc.FindDevice(desk, 0), 2);
        CDeviceChnl& in = device_test::chnl(*doc.FindDevice(unit, 1), 0);
        auto link = std::make_unique<model::CDeviceLink>();
        link->BeginAtChnl(out);
        ASSERT_TRUE(doc.ConnectLink(out, in, std::move(link)));
    });
    step("link the unit's send to a receiving device on the sheet", [&] {
        CBaseDevice* receiving = nullptr;
        for (const auto& d : doc.Devices())
            if (d->m_id != unit && d->m_kind == model::kDeviceUnit && d->m_subType == 2)
                receiving = d.get();
        ASSERT_NE(receiving, nullptr);
        CDeviceChnl& in = device_test::chnl(*receiving, 0);
        CDeviceChnl& send = device_test::chnl(*doc.FindDevice(unit, 1), 2);
        auto link = std::make_unique<model::CDeviceLink>();
        link->BeginAtChnl(in);
        ASSERT_TRUE(doc.ConnectLink(in, send, std::move(link)));
    });
    step("toggle the grid", [&] { ASSERT_TRUE(doc.OnCommand(CZoDeviceDoc::kCmdGrid)); });
    step("delete the generic device with its link", [&] {
        doc.SelectDevice(doc.FindDevice(desk, 0), false);
        ASSERT_TRUE(doc.DeleteSelection());
    });
    step("move the unit's input half", [&] {
        CBaseDevice* half = doc.FindDevice(unit, 1);
        CBaseDevice* const moved[] = {half};
        doc.GetUndoHistory()->AddAction(model::kUndoMove, moved, 20, 0);
        doc.MoveDevice(*half, 20, 0);
        doc.UpdateLinkEnds(*half);
    });
    while (doc.GetUndoHistory()->CanUndo()) {
        ASSERT_TRUE(doc.GetUndoHistory()->Undo());
        ExpectConsistent(doc, "undoing to the start");
    }
    EXPECT_EQ(doc.GetDeviceCount(), 7);
    EXPECT_EQ(doc.SaveDocument(), golden);
}

} // namespace
