// The device sheet view's editing without its widget, on small sheets built
// in code, driven by client points through a host that records what the
// editor asks of its window: palette drops, moves of bodies and titles with
// their undo steps, drawing links with the link rules, the rubber band,
// scrolling at the edges, the context menu, double clicks, commands, zoom
// and cursor feedback.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device_editor/device_sheet_editor.h"
#include "device_editor/sheet_snap.h"
#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_external.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "tests/device_editor/sheet_undo_host.h"

namespace {

using device_editor::CDeviceSheetEditor;
using device_editor::CZoDeviceDoc;
using device_editor::DeviceContextMenu;
using device_editor::EContextPopup;
using device_editor::EDeviceCursor;
using model::CBaseDevice;
using model::CDeviceChnl;
using model::Point;
using model::Rect;
using model::Size;
using EDragMode = CDeviceSheetEditor::EDragMode;
namespace de = device_editor;

class RecordingHost : public de::IDeviceEditorHost {
public:
    void SetCapture() override { capture = true; }
    void ReleaseCapture() override { capture = false; }
    bool HasCapture() const override { return capture; }
    void SetTimer(int id, int) override { timers.insert(id); }
    void KillTimer(int id) override {
        timers.erase(id);
        killed.push_back(id);
    }
    void SetCursor(EDeviceCursor c) override { cursor = c; }
    void SetToolTip(const std::string& text) override { tips.push_back(text); }
    void InvalidateLogical(const Rect&) override { ++invalidated; }
    void InvalidateAll() override { ++invalidated; }
    void UpdateAllViews() override { ++updates; }
    Rect GetClientRect() const override { return client; }
    Point GetScrollPosition() const override { return scroll; }
    void ScrollTo(Point p) override { scroll = p; }
    void SetScrollSize(Size s) override { scrollSize = s; }
    Point GetCursorPosition() const override { return cursorPos; }
    int PopupContextMenu(const DeviceContextMenu& m, Point) override {
        menus.push_back(m);
        return menuChoice;
    }
    bool IsDownloadingView() const override { return downloading; }
    bool IsRunningView() const override { return running; }

    bool capture = false;
    std::set<int> timers;
    std::vector<int> killed;
    EDeviceCursor cursor = EDeviceCursor::Arrow;
    std::vector<std::string> tips;
    int invalidated = 0, updates = 0;
    Rect client{0, 0, 1400, 1700};
    Point scroll, cursorPos;
    Size scrollSize;
    std::vector<DeviceContextMenu> menus;
    int menuChoice = 0;
    bool downloading = false, running = false;
};

class StatusWindow : public de::IDeviceStatusWindow {
public:
    StatusWindow(std::int32_t id, std::int32_t sub) : id_(id), sub_(sub) {}
    std::int32_t DeviceId() const override { return id_; }
    std::int32_t DeviceSubType() const override { return sub_; }

private:
    std::int32_t id_, sub_;
};

class RecordingDialogs : public de::IDeviceViewDialogs {
public:
    std::optional<std::string> DeviceProperties(const CBaseDevice& d) override {
        calls.push_back("properties " + std::to_string(d.m_id));
        return propertiesName;
    }
    void ChannelGain(CBaseDevice& d) override { calls.push_back("gain " + std::to_string(d.m_id)); }
    void MatrixRoutes(CBaseDevice& d) override {
        calls.push_back("routes " + std::to_string(d.m_id));
    }
    std::unique_ptr<de::IDeviceStatusWindow> CreateStatusWindow(CBaseDevice& d) override {
        calls.push_back("create status " + std::to_string(d.m_id));
        return std::make_unique<StatusWindow>(d.m_id, d.m_subType);
    }
    void ShowStatusWindow(de::IDeviceStatusWindow& w, Point at, const Rect&) override {
        calls.push_back("show status " + std::to_string(w.DeviceId()) + " at " +
                        std::to_string(at.x) + "," + std::to_string(at.y));
    }
    std::optional<std::string> TextProperties(const model::CDeviceText&) override {
        return std::nullopt;
    }
    void OpenUnitDsp(std::int32_t id) override { calls.push_back("dsp " + std::to_string(id)); }
    std::optional<std::string> ChooseFileToOpen(const std::string& filter) override {
        calls.push_back("choose " + filter);
        return chosen;
    }
    bool HasRunningDocument() const override { return runningDocument; }
    void OpenDocumentFile(const std::string& path) override { calls.push_back("open " + path); }

    std::vector<std::string> calls;
    std::optional<std::string> propertiesName;
    std::optional<std::string> chosen;
    bool runningDocument = false;
};

using UndoHost = sheet_test::CSheetUndoHost;

class DeviceSheetEditor : public ::testing::Test {
protected:
    DeviceSheetEditor() { doc.OnNewDocument(); }

    // Adds a unit with every channel able to take links (a new unit's
    // channels have property 0).
    CBaseDevice* AddUnit(std::int32_t id, std::int32_t modelCode, std::int32_t sub, Point at) {
        std::unique_ptr<CBaseDevice> unit =
            modelCode == model::kModelQOVG
                ? std::make_unique<model::CDeviceQOVG>(dc, at.x, at.y, id, modelCode, sub)
                : std::make_unique<model::CDeviceNy>(dc, at.x, at.y, id, modelCode, sub);
        return Add(std::move(unit));
    }
    CBaseDevice* AddMatrix(std::int32_t id, Point at) {
        return Add(std::make_unique<model::CDeviceMatrix>(dc, at.x, at.y, id, "M",
                                                          model::kModelMatrix, 2, 2));
    }
    CBaseDevice* Add(std::unique_ptr<CBaseDevice> device) {
        for (auto& c : device->m_channels)
            model::AsDeviceChnl(c.get())->m_property = 1;
        CBaseDevice* raw = device.get();
        doc.AddDevice(std::move(device));
        return raw;
    }
    static CDeviceChnl* Chnl(CBaseDevice* d, int index) {
        return model::AsDeviceChnl(d->GetChnl(index));
    }
    static Point Centre(const Rect& r) { return r.CenterPoint(); }
    // A point on the body clear of the channels.
    static Point Body(const CBaseDevice* d) {
        return {d->m_body.CenterPoint().x, d->m_body.top + 5};
    }
    static Point Title(const CBaseDevice* d) { return d->m_title.CenterPoint(); }

    Point ToClient(Point logical) const { return editor.Mapping().LPtoDP(logical); }
    void ClickChannel(CBaseDevice* d, int index) {
        editor.OnLButtonDown(Centre(Chnl(d, index)->m_rect), 0);
    }
    // Draws a link by two clicks; true when the document gained it.
    bool Link(CBaseDevice* from, int a, CBaseDevice* to, int b) {
        const int before = doc.GetLinkCount();
        ClickChannel(from, a);
        ClickChannel(to, b);
        if (editor.DragMode() == EDragMode::Link)
            editor.OnRButtonDown({0, 0}, 0);
        return doc.GetLinkCount() == before + 1;
    }
    void SetSheet(int width, int height) {
        model::DeviceSheetSettings s = doc.GetSheetSettings();
        s.width = width;
        s.height = height;
        doc.SetSheetSettings(s);
    }
    const model::CUndoAction* LastStep() const {
        const model::CUndoHistory* h = doc.GetUndoHistory();
        return h->GetStepCount() == 0 ? nullptr : h->GetStep(h->GetStepCount() - 1);
    }

    device_test::TempHome home;
    model::CRecordingMessages messages;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    UndoHost undoHost{doc};
    RecordingHost host;
    RecordingDialogs dialogs;
    CDeviceSheetEditor editor{doc, host, dc, &dialogs};
};

TEST_F(DeviceSheetEditor, PaletteDropSnapsThePointAndRefusesWhatLiesPastTheSheet) {
    EXPECT_EQ(CDeviceSheetEditor::SnapDropPoint(16, 25), (Point{20, 20}));
    EXPECT_EQ(CDeviceSheetEditor::SnapDropPoint(16, 26), (Point{20, 30}));
    struct row_t {
        const char* what;
        Point client;
        bool created;
        std::optional<Point> body; // top-left of the new unit's body
    } rows[] = {
        {"rounds down at 5", {116, 125}, true, Point{120, 120}},
        {"rounds up at 6", {116, 126}, true, Point{120, 130}},
        {"right edge itself, pulled onto the sheet", {1134, 500}, true, std::nullopt},
        {"past the right edge", {1136, 500}, false, std::nullopt},
        {"past the bottom edge", {500, 1606}, false, std::nullopt},
        {"outside the client area", {1401, 500}, false, std::nullopt},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        const int before = doc.GetDeviceCount();
        host.capture = true;
        editor.BeginPaletteDrop(1);
        EXPECT_EQ(editor.DragMode(), EDragMode::PaletteDrop);
        EXPECT_TRUE(editor.OnLButtonUp(r.client, 0));
        EXPECT_EQ(editor.DragMode(), EDragMode::None);
        EXPECT_FALSE(host.capture);
        ASSERT_EQ(doc.GetDeviceCount(), before + (r.created ? 1 : 0));
        if (r.body) {
            EXPECT_EQ(doc.GetDevice(before)->m_body.TopLeft(), *r.body);
        } else if (r.created) {
            EXPECT_LE(doc.GetDevice(before)->GetBoundRect().right, 1120);
        }
    }
    // Neither view of a running or downloading sheet takes drops.
    for (bool* flag : {&host.running, &host.downloading}) {
        *flag = true;
        editor.BeginPaletteDrop(1);
        EXPECT_FALSE(editor.EndPaletteDrop({300, 300}));
        *flag = false;
    }
}

TEST_F(DeviceSheetEditor, BodyMoveSnapsTheOffsetAndStopsAtTheEdgeBeforeSnapping) {
    CBaseDevice* unit = AddUnit(1, 3, 3, {200, 200});
    const Point grab = Body(unit);
    editor.OnLButtonDown(grab, 0);
    ASSERT_EQ(editor.DragMode(), EDragMode::BodyMove);
    EXPECT_TRUE(host.capture);
    EXPECT_EQ(host.cursor, EDeviceCursor::Move);
    EXPECT_TRUE(host.timers.contains(de::kTimerBodyMove));
    EXPECT_TRUE(editor.OnMouseMove({grab.x + 14, grab.y}, 0));
    EXPECT_EQ(unit->m_body.left, 210);
    // The rest of the 14 is not lost: 28 in all gives 30.
    editor.OnMouseMove({grab.x + 28, grab.y + 4}, 0);
    EXPECT_EQ(unit->m_body.TopLeft(), (Point{230, 200}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(editor.OnLButtonUp({grab.x + 28, grab.y + 4}, 0));
    EXPECT_FALSE(host.capture);

    // Bound left 14 (body 24): a move of -50 is held to -14, then snapped
    // to -10, so the unit stops 10 short of the edge rather than past it.
    CBaseDevice* near = AddUnit(2, 3, 3, {24, 400});
    doc.SelectDevice(nullptr, false);
    const Point at = Body(near);
    editor.OnLButtonDown(at, 0);
    editor.OnMouseMove({at.x - 50, at.y}, 0);
    EXPECT_EQ(near->m_body.left, 14);
    EXPECT_EQ(near->GetBoundRect().left, 4);
    editor.OnLButtonUp({at.x - 50, at.y}, 0);
}

TEST_F(DeviceSheetEditor, MovesRecordTheirStepOnReleaseAndOnCaptureLoss) {
    struct row_t {
        const char* what;
        bool title;
        bool captureLost;
    } rows[] = {
        {"body, release", false, false},
        {"body, capture lost", false, true},
        {"title, release", true, false},
        {"title, capture lost", true, true},
    };
    CBaseDevice* unit = AddUnit(1, 3, 3, {300, 300});
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        const std::size_t steps = doc.GetUndoHistory()->GetStepCount();
        const Rect body = unit->m_body, title = unit->m_title;
        const Point grab = r.title ? Title(unit) : Body(unit);
        editor.OnLButtonDown(grab, 0);
        ASSERT_EQ(editor.DragMode(), r.title ? EDragMode::TitleMove : EDragMode::BodyMove);
        editor.OnMouseMove({grab.x + 21, grab.y - 21}, 0);
        if (r.captureLost)
            editor.OnCaptureChanged();
        else
            editor.OnLButtonUp({grab.x + 21, grab.y - 21}, 0);
        EXPECT_EQ(editor.DragMode(), EDragMode::None);
        EXPECT_EQ(unit->m_title, title.Offset(20, -20));
        EXPECT_EQ(unit->m_body, r.title ? body : body.Offset(20, -20));
        ASSERT_EQ(doc.GetUndoHistory()->GetStepCount(), steps + 1);
        const model::CUndoAction* step = LastStep();
        EXPECT_EQ(step->m_kind, r.title ? model::kUndoMoveTitle : model::kUndoMove);
        EXPECT_EQ(step->m_dx, 20);
        EXPECT_EQ(step->m_dy, -20);
        // The step takes the move back.
        ASSERT_TRUE(doc.GetUndoHistory()->Undo());
        EXPECT_EQ(unit->m_body, body);
        EXPECT_EQ(unit->m_title, title);
        ASSERT_TRUE(doc.GetUndoHistory()->Redo());
        editor.OnTimer(r.title ? de::kTimerTitleMove : de::kTimerBodyMove);
        EXPECT_FALSE(host.timers.contains(r.title ? de::kTimerTitleMove : de::kTimerBodyMove));
    }
    // A press and release in place records nothing.
    const std::size_t steps = doc.GetUndoHistory()->GetStepCount();
    editor.OnLButtonDown(Body(unit), 0);
    editor.OnCaptureChanged();
    EXPECT_EQ(doc.GetUndoHistory()->GetStepCount(), steps);
}

TEST_F(DeviceSheetEditor, LinkStartAndCompletionRules) {
    // Model 3 units: inputs 0-5 and outputs 8-9 are network channels,
    // inputs 6-7 and outputs 10-15 physical.
    CBaseDevice* a = AddUnit(1, 3, 3, {100, 100});
    CBaseDevice* b = AddUnit(2, 3, 3, {400, 100});
    CBaseDevice* m1 = AddMatrix(3, {100, 500});
    CBaseDevice* m2 = AddMatrix(4, {400, 500});
    Chnl(a, 11)->m_property = 0;
    ASSERT_TRUE(Link(a, 10, b, 6)); // b's input 6 is now occupied
    ASSERT_TRUE(Link(a, 8, b, 0));  // a's network send 8 now has a link

    struct start_t {
        const char* what;
        CBaseDevice* device;
        int channel;
        bool starts;
    } starts[] = {
        {"property 0", a, 11, false},
        {"an occupied input", b, 6, false},
        {"a network send with links", a, 8, true},
        {"a free output", a, 12, true},
    };
    for (const start_t& s : starts) {
        SCOPED_TRACE(s.what);
        ClickChannel(s.device, s.channel);
        EXPECT_EQ(editor.DragMode(), s.starts ? EDragMode::Link : EDragMode::None);
        EXPECT_EQ(host.capture, s.starts);
        if (s.starts)
            editor.OnRButtonDown({0, 0}, 0);
    }

    struct end_t {
        const char* what;
        CBaseDevice* from;
        int a;
        CBaseDevice* to;
        int b;
        bool linked;
    } ends[] = {
        {"same direction", a, 12, b, 12, false},       {"kind mismatch", a, 12, b, 1, false},
        {"target input occupied", a, 12, b, 6, false}, {"matrix to matrix", m1, 2, m2, 0, false},
        {"a matrix to itself", m1, 2, m1, 0, false},   {"unit to matrix", a, 9, m1, 0, true},
        {"matrix to unit", m2, 2, b, 1, true},         {"begun at the input", b, 7, a, 13, true},
    };
    for (const end_t& e : ends) {
        SCOPED_TRACE(e.what);
        EXPECT_EQ(Link(e.from, e.a, e.to, e.b), e.linked);
        EXPECT_EQ(editor.DragMode(), EDragMode::None);
        EXPECT_FALSE(host.capture);
    }
    // The link begun at an input is stored input end first, drawn from it,
    // with its points at the two channel centres.
    const model::CDeviceLink* last = doc.GetLink(doc.GetLinkCount() - 1);
    EXPECT_EQ(last->m_sourceModule, 2);
    EXPECT_EQ(last->m_sourceChannel, 7);
    EXPECT_EQ(last->m_destModule, 1);
    EXPECT_EQ(last->m_drawnFromOutput, 0);
    EXPECT_EQ(last->m_start, Centre(Chnl(b, 7)->m_rect));
    EXPECT_EQ(last->m_end, Centre(Chnl(a, 13)->m_rect));
    EXPECT_EQ(last->m_labelShown, 0);
    EXPECT_TRUE(messages.ShownIds().empty());
}

// A link dragged from channel to channel: made at the release where the
// second click would make it; anywhere else the drag ends without a link
// and the start channel shows unconnected again.
TEST_F(DeviceSheetEditor, ADraggedLinkIsMadeOrEndsAtTheRelease) {
    CBaseDevice* a = AddUnit(1, 3, 3, {100, 100});
    CBaseDevice* b = AddUnit(2, 3, 3, {400, 100});
    CBaseDevice* m1 = AddMatrix(3, {100, 500});
    CBaseDevice* m2 = AddMatrix(4, {400, 500});
    ASSERT_TRUE(Link(a, 10, b, 6)); // b's input 6 is now occupied
    struct row_t {
        const char* what;
        CBaseDevice* from;
        int a;
        std::optional<Point> release; // a channel's centre unless set
        CBaseDevice* to;
        int b;
        bool linked;
    } rows[] = {
        {"same direction", a, 12, {}, b, 12, false},
        {"target input occupied", a, 12, {}, b, 6, false},
        {"matrix to matrix", m1, 2, {}, m2, 0, false},
        {"the empty sheet", a, 12, Point{300, 400}, nullptr, 0, false},
        {"unit to matrix", a, 9, {}, m1, 0, true},
        {"begun at the input", b, 7, {}, a, 13, true},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        const int before = doc.GetLinkCount();
        const Point at = r.release ? *r.release : Centre(Chnl(r.to, r.b)->m_rect);
        ClickChannel(r.from, r.a);
        ASSERT_EQ(editor.DragMode(), EDragMode::Link);
        editor.OnMouseMove(at, de::kKeyLButton);
        EXPECT_TRUE(editor.OnLButtonUp(at, 0));
        EXPECT_EQ(doc.GetLinkCount(), before + (r.linked ? 1 : 0));
        EXPECT_EQ(editor.DragMode(), EDragMode::None);
        EXPECT_EQ(editor.DrawingLink(), nullptr);
        EXPECT_FALSE(host.capture);
        EXPECT_EQ(Chnl(r.from, r.a)->m_connected, r.linked ? 1 : 0);
    }
    EXPECT_TRUE(messages.ShownIds().empty());

    // Released on the channel it began at: the first of two clicks.
    ClickChannel(a, 12);
    editor.OnLButtonUp(Centre(Chnl(a, 12)->m_rect), 0);
    EXPECT_EQ(editor.DragMode(), EDragMode::Link);
    // The second click's release is its own, not the drag's end.
    editor.OnLButtonDown({300, 400}, 0);
    EXPECT_FALSE(editor.OnLButtonUp({300, 400}, 0));
    EXPECT_EQ(editor.DragMode(), EDragMode::Link);
}

TEST_F(DeviceSheetEditor, TheLinkEndFollowsTheMouseInsideTheSheet) {
    CBaseDevice* a = AddUnit(1, 3, 3, {100, 100});
    ClickChannel(a, 12);
    ASSERT_NE(editor.DrawingLink(), nullptr);
    editor.OnMouseMove({700, 5}, 0);
    EXPECT_EQ(editor.DrawingLink()->m_end, (Point{700, 10}));
    EXPECT_EQ(editor.DrawState().drawingLink, editor.DrawingLink());
    // A tick at a standing mouse keeps the end tracking.
    host.cursorPos = {1200, 1650};
    editor.OnTimer(de::kTimerLink);
    EXPECT_EQ(editor.DrawingLink()->m_end, (Point{1120, 1590}));
}

TEST_F(DeviceSheetEditor, RightButtonCancelsALinkAndRestoresTheStartFlag) {
    CBaseDevice* a = AddUnit(1, 3, 3, {100, 100});
    CBaseDevice* b = AddUnit(2, 3, 3, {400, 100});
    ASSERT_TRUE(Link(a, 8, b, 0));
    struct row_t {
        const char* what;
        int channel;
        int flagAfter;
    } rows[] = {{"no link yet", 12, 0}, {"a send that keeps its link", 8, 1}};
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        ClickChannel(a, r.channel);
        EXPECT_EQ(Chnl(a, r.channel)->m_connected, 1);
        EXPECT_EQ(editor.OnRButtonDown({600, 600}, 0), 0);
        EXPECT_EQ(editor.DragMode(), EDragMode::None);
        EXPECT_EQ(editor.DrawingLink(), nullptr);
        EXPECT_EQ(Chnl(a, r.channel)->m_connected, r.flagAfter);
        EXPECT_FALSE(host.capture);
        EXPECT_TRUE(host.menus.empty()) << "no menu while cancelling";
    }
    // Losing the capture cancels the same way.
    ClickChannel(a, 13);
    editor.OnCaptureChanged();
    EXPECT_EQ(Chnl(a, 13)->m_connected, 0);
    EXPECT_EQ(doc.GetLinkCount(), 1);
}

TEST_F(DeviceSheetEditor, BundleConflictNamesTheConflictingChannels) {
    // A model-6 receiver; its inputs 0 and 1 are a pair. Senders are
    // model-5 units whose outputs 16.. are network sends, the first eight in
    // bundle 1.
    CBaseDevice* rx = AddUnit(1, 6, 2, {600, 100});
    auto* s1 = static_cast<model::CDeviceNy*>(AddUnit(2, 5, 1, {100, 100}));
    auto* s2 = static_cast<model::CDeviceNy*>(AddUnit(3, 5, 1, {300, 100}));
    s1->m_bundle1 = 7;
    ASSERT_TRUE(Link(s1, 16, rx, 0)); // Send 1 of bundle 7 at position 1
    struct row_t {
        const char* what;
        std::int32_t bundle;
        int send;
        bool conflict;
    } rows[] = {
        {"same bundle, same position", 7, 16, true},
        {"other bundle", 8, 17, true},
        {"same bundle, another position", 7, 17, false},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        s2->m_bundle1 = r.bundle;
        const CDeviceChnl* paired = nullptr;
        const CDeviceChnl* other = nullptr;
        EXPECT_EQ(editor.IsBundleConflict(*Chnl(s2, r.send), *Chnl(rx, 1), &paired, &other),
                  r.conflict);
        if (r.conflict) {
            EXPECT_EQ(paired, Chnl(rx, 0));
            EXPECT_EQ(other, Chnl(s1, 16));
        }
    }
    s2->m_bundle1 = 8;
    ClickChannel(s2, 17);
    ClickChannel(rx, 1);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].first, 155);
    EXPECT_NE(messages.Shown()[0].second.find("'Rece 1' ---> 'Send 1'"), std::string::npos)
        << messages.Shown()[0].second;
    EXPECT_EQ(editor.DragMode(), EDragMode::Link) << "drawing goes on";
    EXPECT_EQ(doc.GetLinkCount(), 1);
}

TEST_F(DeviceSheetEditor, TheNinthLoopBetweenTheHalvesOfAModelSevenUnitIsRefused) {
    CBaseDevice* in = AddUnit(1, 7, 1, {100, 100});  // sends are outputs 4..7
    CBaseDevice* out = AddUnit(1, 7, 2, {300, 100}); // receives are inputs 0..11
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(Link(in, 4 + i % 4, out, i)) << i;
    ClickChannel(in, 5);
    ClickChannel(out, 8);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{347});
    EXPECT_EQ(editor.DragMode(), EDragMode::Link);
    editor.OnRButtonDown({0, 0}, 0);
    EXPECT_EQ(doc.GetLinkCount(), 8);
}

TEST_F(DeviceSheetEditor, RubberBandReplacesOrWithCtrlAddsToTheSelection) {
    CBaseDevice* kept = AddUnit(1, 3, 3, {600, 600});
    CBaseDevice* inside = AddUnit(2, 3, 3, {100, 100});
    for (const bool ctrl : {false, true}) {
        SCOPED_TRACE(ctrl ? "with Ctrl" : "without Ctrl");
        doc.SelectDevice(nullptr, false);
        doc.SelectDevice(kept, false);
        const std::uint32_t keys = ctrl ? de::kKeyControl : 0;
        editor.OnLButtonDown({50, 50}, keys);
        ASSERT_EQ(editor.DragMode(), EDragMode::RubberBand);
        EXPECT_TRUE(host.timers.contains(de::kTimerRubberBand));
        editor.OnMouseMove({300, 300}, keys);
        EXPECT_EQ(editor.RubberBand(), (Rect{50, 50, 300, 300}));
        editor.OnLButtonUp({300, 300}, keys);
        EXPECT_FALSE(host.capture);
        EXPECT_EQ(inside->m_selected, 1);
        EXPECT_EQ(kept->m_selected, ctrl ? 1 : 0);
        EXPECT_EQ(doc.GetSelectedCount(), ctrl ? 2 : 1);
    }
    // Dragged up and left, the band is normalised.
    editor.OnLButtonDown({300, 300}, 0);
    editor.OnMouseMove({250, 200}, 0);
    EXPECT_EQ(editor.RubberBand(), (Rect{250, 200, 300, 300}));
    editor.OnCaptureChanged();
    EXPECT_EQ(editor.RubberBand(), std::nullopt);
}

TEST_F(DeviceSheetEditor, AutoScrollStepsTowardTheEdges) {
    host.client = {0, 0, 400, 300};
    struct row_t {
        const char* what;
        int zoom;
        Point scroll, point;
        std::int32_t margin;
        Point after;
    } rows[] = {
        {"near the right", de::kCmdZoomNormal, {0, 0}, {390, 100}, 15, {10, 0}},
        {"not near enough", de::kCmdZoomNormal, {0, 0}, {380, 100}, 15, {0, 0}},
        {"the rest of the sheet", de::kCmdZoomNormal, {725, 0}, {399, 100}, 15, {730, 0}},
        {"at the end", de::kCmdZoomNormal, {730, 0}, {399, 100}, 15, {730, 0}},
        {"left, back to 0", de::kCmdZoomNormal, {4, 0}, {5, 100}, 15, {0, 0}},
        {"left at 0", de::kCmdZoomNormal, {0, 0}, {5, 100}, 15, {0, 0}},
        {"near the bottom", de::kCmdZoomNormal, {0, 30}, {100, 290}, 15, {0, 40}},
        {"outside, margin 0", de::kCmdZoomNormal, {0, 0}, {401, -1}, 0, {10, 0}},
        {"double size scrolls 10 units", de::kCmdZoomDouble, {0, 0}, {390, 100}, 15, {20, 0}},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        editor.OnCommand(r.zoom);
        host.scroll = r.scroll;
        EXPECT_EQ(editor.AutoScrollCheck(r.point, r.margin, 10), r.after != r.scroll);
        EXPECT_EQ(host.scroll, r.after);
    }
    // A body move at the edge scrolls first, then moves by what it scrolled.
    editor.OnCommand(de::kCmdZoomNormal);
    host.scroll = {0, 0};
    CBaseDevice* unit = AddUnit(1, 3, 3, {250, 100});
    const Point grab = Body(unit);
    editor.OnLButtonDown(grab, 0);
    host.cursorPos = {395, grab.y};
    editor.OnTimer(de::kTimerBodyMove);
    EXPECT_EQ(host.scroll, (Point{10, 0}));
    EXPECT_EQ(unit->m_body.left, 250 + de::SnapToGrid(395 + 10 - grab.x));
    editor.OnLButtonUp(host.cursorPos, 0);
}

TEST_F(DeviceSheetEditor, ContextMenuByDeviceModelAndViewState) {
    using V = std::vector<int>;
    struct row_t {
        const char* what;
        std::int32_t modelCode, sub;
        V removed;
        bool separator;
        V greyed;
    } rows[] = {
        {"model 1", 1, 3, {de::kCmdChannelGain}, false, {}},
        {"model 2", 2, 3, {de::kCmdChannelGain}, false, {}},
        {"model 3", 3, 3, {}, false, {}},
        {"model 4 input half", 4, 1, {de::kCmdDspEdit}, false, {}},
        {"model 4 output half", 4, 2, {de::kCmdDspEdit}, false, {de::kCmdChannelGain}},
        {"model 5", 5, 1, {de::kCmdDspEdit}, false, {}},
        {"model 6", 6, 2, {de::kCmdChannelGain, de::kCmdDspEdit}, true, {}},
        {"model 7 output half", 7, 2, {de::kCmdDspEdit}, false, {de::kCmdChannelGain}},
        {"model 8 input half", 8, 1, {de::kCmdDspEdit}, false, {}},
        {"model 9 output half", 9, 2, {de::kCmdDspEdit}, false, {de::kCmdChannelGain}},
        {"model 21", model::kModelQOVG, 2, {de::kCmdChannelGain, de::kCmdDspEdit}, true, {}},
    };
    int id = 1;
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        CBaseDevice* d = AddUnit(id++, r.modelCode, r.sub, {100, 100});
        host.menus.clear();
        EXPECT_EQ(editor.OnRButtonDown(Body(d), 0), 0);
        ASSERT_EQ(host.menus.size(), 1u);
        const DeviceContextMenu& m = host.menus[0];
        EXPECT_EQ(m.popup, EContextPopup::Device);
        EXPECT_EQ(m.removed, r.removed);
        EXPECT_EQ(m.separatorRemoved, r.separator);
        EXPECT_EQ(m.greyed, r.greyed);
        EXPECT_EQ(editor.CurrentDevice(), d);
        EXPECT_EQ(d->m_selected, 1);
        doc.DeleteDevice(d->m_id, d->m_subType);
    }
    // External equipment: no properties either.
    CBaseDevice* pc =
        Add(std::make_unique<model::CDeviceExternal>(dc, 100, 100, 50, model::kModelPc, 0));
    editor.OnRButtonDown(Body(pc), 0);
    EXPECT_EQ(host.menus.back(), (DeviceContextMenu{EContextPopup::Device,
                                                    {de::kCmdChannelGain, de::kCmdDspEdit},
                                                    true,
                                                    {de::kCmdProperties}}));
    // The running view greys delete and leaves the selection alone.
    doc.SelectDevice(nullptr, false);
    host.running = true;
    editor.OnRButtonDown(Body(pc), 0);
    EXPECT_EQ(host.menus.back().greyed, (V{de::kCmdProperties, de::kCmdDelete}));
    EXPECT_EQ(pc->m_selected, 0);
    host.running = false;
    // Empty sheet: delete greyed only while nothing is selected.
    editor.OnRButtonDown({900, 900}, 0);
    EXPECT_EQ(host.menus.back(),
              (DeviceContextMenu{EContextPopup::Global, {}, false, {de::kCmdDelete}}));
    doc.SelectDevice(pc, false);
    editor.OnRButtonDown({900, 900}, 0);
    EXPECT_TRUE(host.menus.back().greyed.empty());
    // No menu on the downloading view.
    const std::size_t menus = host.menus.size();
    host.downloading = true;
    editor.OnRButtonDown({900, 900}, 0);
    EXPECT_EQ(host.menus.size(), menus);
}

TEST_F(DeviceSheetEditor, TheChosenMenuCommandRunsOrGoesBackToTheWidget) {
    CBaseDevice* unit = AddUnit(1, 3, 3, {100, 100});
    host.menuChoice = de::kCmdDelete;
    EXPECT_EQ(editor.OnRButtonDown(Body(unit), 0), 0);
    EXPECT_EQ(doc.GetDeviceCount(), 0);
    host.menuChoice = CZoDeviceDoc::kCmdGrid;
    EXPECT_EQ(editor.OnRButtonDown({500, 500}, 0), 0);
    EXPECT_EQ(doc.GetSheetSettings().grid, 0);
    host.menuChoice = 32919; // a tool bar: the frame's
    EXPECT_EQ(editor.OnRButtonDown({500, 500}, 0), 32919);
}

TEST_F(DeviceSheetEditor, DoubleClickOpensTheEditorOfTheDevice) {
    CBaseDevice* matrix = AddMatrix(1, {100, 100});
    CBaseDevice* dsp = AddUnit(2, 1, 3, {300, 100});
    dsp->m_mac = "00602b123456";
    CBaseDevice* badMac = AddUnit(3, 2, 3, {500, 100});
    CBaseDevice* amp = AddUnit(4, model::kModelQOVG, 2, {700, 100});
    CBaseDevice* gain = AddUnit(5, 3, 3, {100, 400});
    CBaseDevice* outHalf = AddUnit(6, 4, 2, {300, 400});
    CBaseDevice* pc =
        Add(std::make_unique<model::CDeviceExternal>(dc, 500, 400, 7, model::kModelPc, 0));
    struct row_t {
        const char* what;
        CBaseDevice* device;
        bool onTitle;
        std::vector<std::string> calls;
        std::vector<int> shown;
    } rows[] = {
        {"matrix routes", matrix, false, {"routes 1"}, {}},
        {"DSP of a unit with its MAC", dsp, true, {"dsp 2"}, {}},
        {"DSP refused without a MAC", badMac, false, {}, {156}},
        {"status window, made once", amp, false, {"create status 4", "show status 4 at 700,"}, {}},
        {"status window again", amp, false, {"show status 4 at 700,"}, {}},
        {"channel gain", gain, false, {"gain 5"}, {}},
        {"no gain on an output half", outHalf, false, {}, {}},
        {"no gain on external equipment", pc, false, {}, {}},
    };
    host.scroll = {0, 0};
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        dialogs.calls.clear();
        const std::size_t shown = messages.ShownIds().size();
        editor.OnLButtonDblClk(r.onTitle ? Title(r.device) : Body(r.device), 0);
        EXPECT_EQ(editor.CurrentDevice(), r.device);
        ASSERT_EQ(dialogs.calls.size(), r.calls.size());
        for (std::size_t i = 0; i < r.calls.size(); ++i)
            EXPECT_EQ(dialogs.calls[i].rfind(r.calls[i], 0), 0u) << dialogs.calls[i];
        const std::vector<int> ids = messages.ShownIds();
        EXPECT_EQ(std::vector<int>(ids.begin() + static_cast<std::ptrdiff_t>(shown), ids.end()),
                  r.shown);
    }
    EXPECT_EQ(doc.GetStatusWindowCount(), 1);
    // The status window hangs under the body, zoomed and scrolled.
    editor.OnCommand(de::kCmdZoomDouble);
    host.scroll = {100, 50};
    dialogs.calls.clear();
    editor.OnLButtonDblClk(ToClient(Body(amp)), 0);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0], "show status 4 at " + std::to_string(2 * amp->m_body.left - 100) +
                                    "," + std::to_string(2 * amp->m_body.bottom - 50));
    // Nothing while a drag runs or the view downloads.
    host.downloading = true;
    dialogs.calls.clear();
    editor.OnLButtonDblClk(ToClient(Body(matrix)), 0);
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(DeviceSheetEditor, ZoomSetsTheScrollSizeAndDisablesItsOwnItem) {
    SetSheet(1131, 1600);
    EXPECT_EQ(host.scrollSize, (Size{1131, 1600}));
    editor.OnCommand(de::kCmdZoomHalf);
    EXPECT_EQ(host.scrollSize, (Size{565, 800}));
    EXPECT_EQ(editor.Zoom(), de::kZoomHalf);
    EXPECT_FALSE(editor.IsCommandEnabled(de::kCmdZoomHalf));
    EXPECT_TRUE(editor.IsCommandEnabled(de::kCmdZoomNormal));
    editor.OnCommand(de::kCmdZoomDouble);
    EXPECT_EQ(host.scrollSize, (Size{2262, 3200}));
    // Clicks land on the sheet through the zoom: a body at (200, 200) is
    // at (400, 400) on the client at double size.
    CBaseDevice* unit = AddUnit(1, 3, 3, {200, 200});
    editor.OnLButtonDown({2 * Body(unit).x, 2 * Body(unit).y}, 0);
    EXPECT_EQ(editor.DragMode(), EDragMode::BodyMove);
    editor.OnLButtonUp({2 * Body(unit).x, 2 * Body(unit).y}, 0);
    // A new sheet size follows for the zoom in use.
    SetSheet(1000, 900);
    EXPECT_EQ(host.scrollSize, (Size{2000, 1800}));
}

TEST_F(DeviceSheetEditor, UndoRedoAndDeleteAreRefusedOnTheRunningAndDownloadingView) {
    CBaseDevice* unit = AddUnit(1, 3, 3, {200, 200});
    const Point grab = Body(unit);
    editor.OnLButtonDown(grab, 0);
    editor.OnMouseMove({grab.x + 30, grab.y}, 0);
    editor.OnLButtonUp({grab.x + 30, grab.y}, 0);
    EXPECT_TRUE(editor.IsCommandEnabled(de::kCmdUndo));
    EXPECT_FALSE(editor.IsCommandEnabled(de::kCmdRedo));
    for (bool* flag : {&host.running, &host.downloading}) {
        *flag = true;
        EXPECT_FALSE(editor.IsCommandEnabled(de::kCmdUndo));
        EXPECT_TRUE(editor.OnCommand(de::kCmdUndo));
        EXPECT_EQ(unit->m_body.left, 230);
        EXPECT_TRUE(editor.OnCommand(de::kCmdDelete));
        EXPECT_EQ(doc.GetDeviceCount(), 1);
        *flag = false;
    }
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{161}) << "the downloading view says why";
    EXPECT_TRUE(editor.OnCommand(de::kCmdUndo));
    EXPECT_EQ(unit->m_body.left, 200);
    EXPECT_TRUE(editor.IsCommandEnabled(de::kCmdRedo));
    EXPECT_TRUE(editor.OnCommand(de::kCmdDelete));
    EXPECT_EQ(doc.GetDeviceCount(), 0);
}

TEST_F(DeviceSheetEditor, PropertiesRenameBothHalvesOfAUnit) {
    CBaseDevice* in = AddUnit(1, 9, 1, {100, 100});
    CBaseDevice* out = AddUnit(1, 9, 2, {199, 100});
    CBaseDevice* pc =
        Add(std::make_unique<model::CDeviceExternal>(dc, 500, 400, 2, model::kModelPc, 0));
    doc.SetModifiedFlag(false);
    // Cancel changes nothing.
    editor.SetCurrentDevice(out);
    EXPECT_TRUE(editor.OnCommand(de::kCmdProperties));
    EXPECT_EQ(dialogs.calls, std::vector<std::string>{"properties 1"});
    EXPECT_FALSE(doc.IsModified());
    dialogs.propertiesName = "Stage";
    EXPECT_TRUE(editor.OnCommand(de::kCmdProperties));
    EXPECT_EQ(in->m_name, "Stage");
    EXPECT_EQ(out->m_name, "Stage");
    EXPECT_TRUE(doc.IsModified());
    // External equipment has no property dialog.
    dialogs.calls.clear();
    editor.SetCurrentDevice(pc);
    editor.OnCommand(de::kCmdProperties);
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(DeviceSheetEditor, SelectAllCommands) {
    CBaseDevice* a = AddUnit(1, 3, 3, {100, 100});
    CBaseDevice* b = AddUnit(2, 3, 3, {400, 100});
    ASSERT_TRUE(Link(a, 12, b, 7));
    struct row_t {
        int command, devices, links;
    } rows[] = {
        {de::kCmdSelectDevices, 2, 0}, {de::kCmdSelectLinks, 0, 1}, {de::kCmdSelectAll, 2, 1}};
    for (const row_t& r : rows) {
        EXPECT_TRUE(editor.OnCommand(r.command));
        EXPECT_EQ(doc.GetSelectedCount(), r.devices) << r.command;
        EXPECT_EQ(doc.GetSelectedLinkCount(), r.links) << r.command;
        EXPECT_EQ(a->m_selected, r.devices > 0 ? 1 : 0) << r.command;
    }
}

TEST_F(DeviceSheetEditor, FileOpenChecksTheKindAndTheOpenDocuments) {
    using S = std::vector<std::string>;
    const std::string choose = std::string("choose ") + de::kFileOpenFilter;
    // A sheet goes to the application's open, which reads it before it asks
    // 305 and closes the open documents.
    struct row_t {
        const char* what;
        std::optional<std::string> chosen;
        bool runningDocument;
        S calls;
        std::vector<int> shown, asked;
    } rows[] = {
        {"cancelled", std::nullopt, false, {choose}, {}, {}},
        {"wrong kind", "a.txt", false, {choose}, {285}, {}},
        {"a running document stays", "a.zo", true, {choose}, {221}, {}},
        {"sheet opened", "a.ZO", false, {choose, "open a.ZO"}, {}, {}},
        {"DSP document opened", "b.dsp", true, {choose, "open b.dsp"}, {}, {}},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        model::CRecordingMessages local;
        dialogs.calls.clear();
        dialogs.chosen = r.chosen;
        dialogs.runningDocument = r.runningDocument;
        EXPECT_TRUE(editor.OnCommand(de::kCmdFileOpen));
        EXPECT_EQ(dialogs.calls, r.calls);
        EXPECT_EQ(local.ShownIds(), r.shown);
        EXPECT_EQ(local.AskedIds(), r.asked);
    }
}

TEST_F(DeviceSheetEditor, CursorAndToolTipFollowWhatIsUnderTheMouse) {
    CBaseDevice* a = AddUnit(1, 3, 3, {100, 100});
    Chnl(a, 1)->m_property = 0;
    const Point send = Centre(Chnl(a, 8)->m_rect);
    struct row_t {
        const char* what;
        Point at;
        bool downloading, running, overScrollBar;
        EDeviceCursor cursor;
    } rows[] = {
        {"a linkable channel", send, false, false, false, EDeviceCursor::Cross},
        {"a channel with property 0", Centre(Chnl(a, 1)->m_rect), false, false, false,
         EDeviceCursor::Arrow},
        {"the body", Body(a), false, false, false, EDeviceCursor::Arrow},
        {"running", send, false, true, false, EDeviceCursor::Arrow},
        {"downloading", send, true, false, false, EDeviceCursor::Wait},
        {"downloading, on a scroll bar", send, true, false, true, EDeviceCursor::Arrow},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        host.downloading = r.downloading;
        host.running = r.running;
        editor.UpdateCursor(r.at, r.overScrollBar);
        EXPECT_EQ(host.cursor, r.cursor);
    }
    host.downloading = host.running = false;
    // The tip of a named network channel is set once per channel.
    host.tips.clear();
    editor.UpdateCursor(send);
    editor.UpdateCursor({send.x + 1, send.y});
    EXPECT_EQ(host.tips, std::vector<std::string>{"Send 1"});
    EXPECT_EQ(editor.ToolTipKey(), (3 + 10 * 1) * 1000 + 8);
    editor.UpdateCursor(Body(a));
    EXPECT_EQ(host.tips.back(), "");
    EXPECT_EQ(editor.ToolTipKey(), -1);
    // During a palette drop: where it can land.
    editor.BeginPaletteDrop(1);
    editor.UpdateCursor({500, 500});
    EXPECT_EQ(host.cursor, EDeviceCursor::Drop);
    editor.UpdateCursor({1200, 500});
    EXPECT_EQ(host.cursor, EDeviceCursor::NoDrop);
}

} // namespace
