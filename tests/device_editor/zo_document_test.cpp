// The device document's core: the .zo file against hand-written goldens, new
// and opened documents, bad files, lookups, id allocation, adding and
// deleting links and devices with their copies, selections and sheet
// settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <system_error>
#include <utility>

#include "change_recorder.h"
#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_chnl.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_matrix.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"
#include "model/sheet_classes.h"
#include "model/undo_history.h"
#include "platform/archive/archive_error.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"
#include "tests/device_editor/sheet_undo_host.h"

namespace {

namespace pa = platform::archive;
using device_editor::CZoDeviceDoc;
using model::CBaseDevice;
using platform::gdi::FixedWidthMeasurer;
using sheet_builder::ExpectConsistent;

template <class T> const T* as(const CBaseDevice* d) {
    return dynamic_cast<const T*>(d);
}

TEST(DeviceEditorZoFile, EmptyNewSheetIsThirtyTwoBytes) {
    device_test::TempHome home; // no Ostrel.ini
    CZoDeviceDoc doc;
    doc.OnNewDocument();
    const model::DeviceSheetSettings& s = doc.GetSheetSettings();
    EXPECT_EQ(s.width, 1130);
    EXPECT_EQ(s.height, 1600);
    EXPECT_EQ(s.background, 0xFFFFFFu);
    EXPECT_EQ(s.physicalLink, 0x000000u);
    EXPECT_EQ(s.networkLink, 0xFF0000u);
    EXPECT_EQ(s.grid, 1);
    EXPECT_EQ(s.version, -1);
    ASSERT_NE(doc.GetUndoHistory(), nullptr);
    const std::vector<std::uint8_t> bytes = doc.SaveDocument();
    EXPECT_EQ(bytes.size(), 32u);
    EXPECT_EQ(bytes, model_test::load_fixture("zo_empty.hex"));
    EXPECT_EQ(doc.GetSheetSettings().version, 2) << "storing sets the version";
}

TEST(DeviceEditorZoFile, NewSheetTakesItsSettingsFromTheIni) {
    device_test::TempHome home;
    home.WriteIni("[SheetSize]\nSheetWidth=2000\nSheetHeight=900\n"
                  "[ColorScheme]\nSysDocBack=255\nSysPhysicalLine=65280\nSysNetLine=1\n");
    CZoDeviceDoc doc;
    doc.OnNewDocument();
    const model::DeviceSheetSettings& s = doc.GetSheetSettings();
    EXPECT_EQ(s.width, 2000);
    EXPECT_EQ(s.height, 900);
    EXPECT_EQ(s.background, 255u);
    EXPECT_EQ(s.physicalLink, 65280u);
    EXPECT_EQ(s.networkLink, 1u);
    EXPECT_EQ(s.grid, 1);
}

TEST(DeviceEditorZoFile, SheetOfEveryKindRoundTripsByteForByte) {
    device_test::TempHome home;
    const std::vector<std::uint8_t> golden = model_test::load_fixture("zo_every_kind.hex");
    CZoDeviceDoc doc;
    doc.OpenDocument(golden);
    EXPECT_EQ(doc.SaveDocument(), golden);

    ASSERT_EQ(doc.GetDeviceCount(), 7);
    ASSERT_EQ(doc.GetLinkCount(), 3);
    EXPECT_NE(as<model::CDeviceNy>(doc.GetDevice(0)), nullptr);
    const auto* amp = as<model::CDeviceQOVG>(doc.GetDevice(2));
    ASSERT_NE(amp, nullptr);
    EXPECT_EQ(amp->m_leftGain, -3.5f);
    EXPECT_EQ(amp->m_rightGain, 1.25f);
    EXPECT_EQ(amp->m_globalAlarm, 1);
    EXPECT_EQ(amp->m_analogNames[5], "电流");
    EXPECT_EQ(amp->m_alarmOn[7], 0);
    EXPECT_EQ(amp->m_analogSamples[0], -1);
    const auto* pc = as<model::CDeviceExternal>(doc.GetDevice(3));
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(pc->m_iconId, 250);
    ASSERT_NE(as<model::CDeviceGeneric>(doc.GetDevice(4)), nullptr);
    EXPECT_EQ(doc.GetDevice(4)->m_name, "调音台");
    const auto* matrix = as<model::CDeviceMatrix>(doc.GetDevice(5));
    ASSERT_NE(matrix, nullptr);
    EXPECT_EQ(matrix->m_routes[3], (std::array<std::int32_t, 4>{0, 0, 0, 1}));
    const auto* text = as<model::CDeviceText>(doc.GetDevice(6));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->m_name, "Rack A\r\nFloor 2");
    EXPECT_EQ(text->m_font.lfFaceName, "Arial");

    const model::CDeviceLink* network = doc.FindLink(2);
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(network->m_kind, model::kLinkNetwork);
    EXPECT_EQ(network->m_label, "Send 16");
    EXPECT_EQ(doc.FindSameIdDevice(1, 1, 9), doc.GetDevice(1));
    ExpectConsistent(doc, "loaded");
    EXPECT_EQ(doc.GetSelectedCount(), 0);
}

TEST(DeviceEditorZoFile, SchemaOneFileLoadsAndSavesAsSchemaTwo) {
    device_test::TempHome home;
    CZoDeviceDoc doc;
    doc.OpenDocument(model_test::load_fixture("zo_schema1.hex"));
    EXPECT_EQ(doc.GetSheetSettings().version, 1);
    const CBaseDevice* unit = doc.FindDevice(1, 2);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->m_flag, 0) << "a unit saved in run state is not online after loading";
    EXPECT_EQ(unit->m_selected, 0);
    EXPECT_EQ(doc.GetSelectedCount(), 0);
    ExpectConsistent(doc, "schema 1");
    EXPECT_EQ(doc.SaveDocument(), model_test::load_fixture("zo_schema1_saved.hex"));
}

TEST(DeviceEditorZoFile, UnknownVersionKeepsObjectsAndTakesNewSheetSettings) {
    device_test::TempHome home;
    home.WriteIni("[SheetSize]\nSheetWidth=2000\n");
    device_test::RecordingSink sink;
    const std::vector<std::uint8_t> saved = model_test::load_fixture("zo_schema1_saved.hex");
    std::vector<std::uint8_t> bytes = {7, 0, 0, 0}; // version 7: the arrays follow at once
    bytes.insert(bytes.end(), saved.begin() + 28, saved.end());
    CZoDeviceDoc doc;
    doc.OpenDocument(bytes);
    EXPECT_EQ(sink.ShownIds(), std::vector<int>{157});
    EXPECT_EQ(sink.shown[0].second, "非预期的文件格式！");
    EXPECT_EQ(doc.GetSheetSettings().version, 7);
    EXPECT_EQ(doc.GetSheetSettings().width, 2000);
    EXPECT_EQ(doc.GetSheetSettings().height, 1600);
    EXPECT_EQ(doc.GetDeviceCount(), 2);
    EXPECT_EQ(doc.GetLinkCount(), 1);
    ASSERT_NE(doc.GetUndoHistory(), nullptr);
    const std::vector<std::uint8_t> stored = doc.SaveDocument();
    EXPECT_EQ(stored[0], 2) << "stored as version 2";
}

TEST(DeviceEditorZoFile, BadFilesLeaveTheDocumentAsItWas) {
    device_test::TempHome home;
    const std::vector<std::uint8_t> golden = model_test::load_fixture("zo_every_kind.hex");
    CZoDeviceDoc doc;
    doc.OpenDocument(golden);
    model::CUndoHistory* history = doc.GetUndoHistory();

    struct row_t {
        const char* catches;
        std::vector<std::uint8_t> bytes;
    } rows[] = {
        {"cut inside the header", {golden.begin(), golden.begin() + 10}},
        {"cut inside the devices", {golden.begin(), golden.begin() + 1500}},
        {"cut before the link array", {golden.begin(), golden.end() - 300}},
        {"empty file", {}},
    };
    for (const row_t& r : rows) {
        EXPECT_THROW(doc.OpenDocument(r.bytes), pa::archive_error) << r.catches;
        EXPECT_EQ(doc.SaveDocument(), golden) << r.catches;
        EXPECT_EQ(doc.GetUndoHistory(), history) << r.catches;
    }

    // A link where a device belongs is refused as well.
    std::vector<std::uint8_t> swapped = model_test::load_fixture("zo_schema1_saved.hex");
    swapped[28] = 1; // one device...
    swapped[29] = 0;
    const std::vector<std::uint8_t> link_class = {'C', 'D', 'e', 'v', 'i', 'c',
                                                  'e', 'L', 'i', 'n', 'k'};
    const auto name =
        std::search(swapped.begin() + 30, swapped.end(), link_class.begin(), link_class.end());
    ASSERT_NE(name, swapped.end());
    std::vector<std::uint8_t> hostile = {2, 0, 0, 0};
    hostile.insert(hostile.end(), swapped.begin() + 4, swapped.begin() + 30);
    hostile.insert(hostile.end(), {0xff, 0xff, 0x02, 0x00, 0x0b, 0x00});
    hostile.insert(hostile.end(), link_class.begin(), link_class.end());
    EXPECT_THROW(doc.OpenDocument(hostile), pa::archive_error);
    EXPECT_EQ(doc.SaveDocument(), golden);

    EXPECT_THROW(doc.OnOpenDocument(home.path() / "missing.zo"), std::system_error);
    EXPECT_EQ(doc.GetDeviceCount(), 7);
}

TEST(DeviceEditorZoFile, BuiltSheetSavesOpensAndSavesAlike) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    doc.OnNewDocument();
    sheet_builder::Build(doc, dc);
    ExpectConsistent(doc, "built");
    const std::filesystem::path file = home.path() / "sheet.zo";
    doc.OnSaveDocument(file);

    CZoDeviceDoc reopened;
    reopened.OnOpenDocument(file);
    EXPECT_EQ(reopened.SaveDocument(), doc.SaveDocument());
    EXPECT_EQ(sheet_builder::Snapshot(reopened), sheet_builder::Snapshot(doc));
    ExpectConsistent(reopened, "reopened");
}

class DeviceEditorDocument : public ::testing::Test {
protected:
    DeviceEditorDocument() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
    }

    device_test::TempHome home;
    FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
};

TEST_F(DeviceEditorDocument, LookupsStayInRange) {
    EXPECT_EQ(doc.GetDevice(-1), nullptr);
    EXPECT_EQ(doc.GetDevice(doc.GetDeviceCount()), nullptr);
    EXPECT_EQ(doc.GetDevice(0), doc.FindDevice(1, 1));
    EXPECT_EQ(doc.GetLink(-1), nullptr);
    EXPECT_EQ(doc.GetLink(4), nullptr);
    EXPECT_EQ(doc.GetSelected(0), nullptr);
    EXPECT_EQ(doc.FindDevice(1, 3), nullptr);
    EXPECT_EQ(doc.FindDevice(9, 0), nullptr);
    EXPECT_EQ(doc.FindLink(9), nullptr);
    EXPECT_EQ(doc.FindChannel(1, 1, 4), nullptr) << "past the unit's channels";
    EXPECT_EQ(doc.FindChannel(6, 0, 0), nullptr) << "a text box has no channels";
}

TEST(DeviceEditorDocumentIds, SameIdDeviceOnlyForTwoHalfModels) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    for (int model = 1; model <= 21; ++model) {
        CZoDeviceDoc doc;
        auto first = std::make_unique<model::CDeviceNy>(dc, 0, 40, 7, 1, 3);
        auto second = std::make_unique<model::CDeviceNy>(dc, 200, 40, 7, 1, 3);
        first->m_typeCode = second->m_typeCode = model;
        first->m_subType = 1;
        second->m_subType = 2;
        CBaseDevice* other = second.get();
        doc.AddDevice(std::move(first));
        doc.AddDevice(std::move(second));
        const bool halves =
            model == 4 || model == 7 || model == 8 || model == 9 || model == 10 || model == 19;
        EXPECT_EQ(doc.FindSameIdDevice(7, 1, model), halves ? other : nullptr) << "model " << model;
        EXPECT_EQ(doc.FindSameIdDevice(7, 2, model), halves ? doc.GetDevice(0) : nullptr);
    }
}

TEST(DeviceEditorDocumentIds, NextIdsAreTheSmallestFree) {
    device_test::TempHome home;
    FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    EXPECT_EQ(doc.NextDeviceId(), 1);
    EXPECT_EQ(doc.NextLinkId(), 1);
    for (int id : {4, 1, 2, 2})
        doc.AddDevice(std::make_unique<model::CDeviceExternal>(dc, 0, 100, id, model::kModelPc, 0));
    EXPECT_EQ(doc.NextDeviceId(), 3);
    doc.AddDevice(std::make_unique<model::CDeviceExternal>(dc, 0, 100, 3, model::kModelSpeaker, 0));
    EXPECT_EQ(doc.NextDeviceId(), 5);
}

TEST_F(DeviceEditorDocument, AddLinkGivesEachEndItsOwnCopy) {
    auto link = sheet_builder::MakeLink(doc, 5, {3, 0, 1}, {1, 1, 1}, true);
    link->m_selected = 1;
    // In 2 already holds link 4: a second link lands beside it.
    ASSERT_TRUE(doc.AddLinkFromRecord(std::move(link)));
    const model::CDeviceChnl* pc_out2 = doc.FindChannel(3, 0, 1);
    ASSERT_EQ(pc_out2->GetLinkCount(), 1);
    EXPECT_EQ(pc_out2->m_connected, 1);
    EXPECT_NE(pc_out2->GetLink(0), doc.FindLink(5));
    EXPECT_EQ(doc.FindChannel(1, 1, 1)->GetLinkCount(), 2);
    EXPECT_EQ(doc.GetSelectedLinkCount(), 1);
    EXPECT_EQ(doc.GetSelectedLink(0), doc.FindLink(5));
    ExpectConsistent(doc, "added");

    struct row_t {
        const char* catches;
        sheet_builder::end_t from, to;
    } refused[] = {
        {"no such output device", {9, 0, 0}, {4, 0, 0}},
        {"no such input device", {3, 0, 1}, {9, 0, 0}},
        {"wrong sub-type of the input device", {3, 0, 1}, {1, 3, 0}},
        {"no such channel", {3, 0, 1}, {4, 0, 7}},
    };
    for (const row_t& r : refused) {
        auto bad = std::make_unique<model::CDeviceLink>();
        bad->m_id = 6;
        bad->m_destModule = r.from.id;
        bad->m_destSubType = r.from.subType;
        bad->m_destChannel = r.from.channel;
        bad->m_sourceModule = r.to.id;
        bad->m_sourceSubType = r.to.subType;
        bad->m_sourceChannel = r.to.channel;
        const auto before = sheet_builder::Snapshot(doc);
        EXPECT_FALSE(doc.AddLinkFromRecord(std::move(bad))) << r.catches;
        EXPECT_EQ(sheet_builder::Snapshot(doc), before) << r.catches;
    }
}

TEST_F(DeviceEditorDocument, DeleteLinkTakesItsCopiesAlong) {
    doc.DeleteLink(1);
    EXPECT_EQ(doc.FindLink(1), nullptr);
    EXPECT_EQ(doc.FindChannel(3, 0, 0)->GetLinkCount(), 0);
    EXPECT_EQ(doc.FindChannel(3, 0, 0)->m_connected, 0);
    EXPECT_EQ(doc.FindChannel(1, 1, 0)->m_connected, 0);
    ExpectConsistent(doc, "deleted");

    const auto before = sheet_builder::Snapshot(doc);
    doc.DeleteLink(1);
    doc.DeleteLink(77);
    EXPECT_EQ(sheet_builder::Snapshot(doc), before);
}

TEST_F(DeviceEditorDocument, DeletingOneHalfDeletesTheUnitAndEveryLinkOfIt) {
    CBaseDevice* half = doc.FindDevice(1, 2);
    half->m_selected = 1;
    doc.SetDeviceSelection(*half, true);
    doc.DeleteDevice(1, 2);
    EXPECT_EQ(doc.FindDevice(1, 1), nullptr);
    EXPECT_EQ(doc.FindDevice(1, 2), nullptr);
    EXPECT_EQ(doc.GetDeviceCount(), 5);
    EXPECT_EQ(doc.GetSelectedCount(), 0);
    EXPECT_EQ(doc.GetLinkCount(), 1) << "only the amplifier's link is left";
    EXPECT_NE(doc.FindLink(3), nullptr);
    EXPECT_EQ(doc.FindChannel(3, 0, 0)->m_connected, 0) << "far end of link 1";
    EXPECT_EQ(doc.FindChannel(5, 0, 0)->m_connected, 0) << "far end of link 2";
    ExpectConsistent(doc, "after deleting the unit");

    // A device of a single-piece model leaves another device of its id.
    auto first = std::make_unique<model::CDeviceNy>(dc, 0, 500, 8, 1, 3);
    auto second = std::make_unique<model::CDeviceNy>(dc, 200, 500, 8, 1, 3);
    second->m_subType = 4;
    doc.AddDevice(std::move(first));
    doc.AddDevice(std::move(second));
    doc.DeleteDevice(8, 3);
    EXPECT_EQ(doc.FindDevice(8, 3), nullptr);
    EXPECT_NE(doc.FindDevice(8, 4), nullptr);
    doc.DeleteDevice(8, 9); // none: nothing happens
    EXPECT_NE(doc.FindDevice(8, 4), nullptr);
}

TEST_F(DeviceEditorDocument, SelectionEntries) {
    CBaseDevice* amp = doc.FindDevice(2, 2);
    amp->m_selected = 1;
    doc.SetDeviceSelection(*amp, true);
    doc.SetDeviceSelection(*amp, true);
    EXPECT_EQ(doc.GetSelectedCount(), 1) << "once in the selection";
    EXPECT_TRUE(doc.IsDeviceSelected(2, 2));
    doc.DeselectDevice(2, 3); // not selected: nothing
    EXPECT_EQ(doc.GetSelectedCount(), 1);
    doc.DeselectDevice(2, 2);
    EXPECT_EQ(doc.GetSelectedCount(), 0);
    EXPECT_EQ(amp->m_selected, 1) << "the flag is the caller's";

    // A device added with its flag set joins the selection.
    auto selected = std::make_unique<model::CDeviceExternal>(dc, 0, 500, 9, model::kModelCd, 0);
    selected->m_selected = 1;
    doc.AddDevice(std::move(selected));
    EXPECT_TRUE(doc.IsDeviceSelected(9, 0));
}

TEST_F(DeviceEditorDocument, SheetPropertiesCopyNothingElse) {
    CZoDeviceDoc other;
    other.SetSheetSettings({2, 500, 600, 1, 2, 3, 0});
    doc.CopySheetProperties(other);
    EXPECT_EQ(doc.GetSheetSettings(), other.GetSheetSettings());
    EXPECT_EQ(doc.GetDeviceCount(), 7);
    EXPECT_EQ(other.GetDeviceCount(), 0);
    const auto holder = doc.CreateSheetHolder();
    EXPECT_EQ(holder->GetSheetSettings(), model::DeviceSheetSettings{});
}

TEST_F(DeviceEditorDocument, LinkEndsFollowAMovedDevice) {
    CBaseDevice* half = doc.FindDevice(1, 1);
    const model::Point in1_before = doc.FindChannel(1, 1, 0)->m_rect.CenterPoint();
    half->Offset(30, 20);
    change_recorder::ChangeRecorder recorder;
    doc.AttachObserver(&recorder);
    doc.UpdateLinkEnds(*half);
    doc.DetachObserver(&recorder);
    // The links announced are the three at the moved half, each once (link 4
    // has both ends on the unit), with the area before and after.
    model::Rect area;
    std::vector<int> ids;
    for (const model::DocumentChange& c : recorder.changes) {
        ASSERT_EQ(c.kind, model::DocumentChangeKind::LinkChanged);
        ids.push_back(c.id);
        for (const model::Rect& r : {c.bounds, c.oldBounds}) {
            const model::Rect joined = area;
            area.UnionRect(joined, r);
        }
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 4, 2}));
    const model::Point in1 = doc.FindChannel(1, 1, 0)->m_rect.CenterPoint();
    const model::Point send1 = doc.FindChannel(1, 1, 2)->m_rect.CenterPoint();
    // Link 1 was begun at the PC: its end is the unit's input.
    EXPECT_EQ(doc.FindLink(1)->m_end, in1);
    EXPECT_EQ(doc.FindLink(1)->m_start, doc.FindChannel(3, 0, 0)->m_rect.CenterPoint());
    // Link 2 was begun at the matrix input: its end is the unit's output.
    EXPECT_EQ(doc.FindLink(2)->m_end, send1);
    EXPECT_EQ(doc.FindLink(2)->m_start, doc.FindChannel(5, 0, 0)->m_rect.CenterPoint());
    ExpectConsistent(doc, "moved"); // the copies moved with the document's links
    EXPECT_TRUE(area.PtInRect(in1_before));
    EXPECT_TRUE(area.PtInRect(in1));
}

// The document finds devices and links by key without scanning its arrays;
// whatever an edit did, each lookup must answer as a scan from the start
// would: the first object with the key, or none. The keys asked are every
// key the document has had, so that a deleted or re-keyed object's old key
// is asked too, and keys it never had.
class DeviceEditorDocumentLookups : public DeviceEditorDocument {
protected:
    DeviceEditorDocumentLookups() : host(doc) {}

    void ExpectLookupsAgreeWithScan(const char* when) {
        SCOPED_TRACE(when);
        for (const auto& device : doc.Devices())
            deviceKeys.emplace(device->m_id, device->m_subType);
        for (const auto& link : doc.Links())
            linkIds.insert(link->m_id);
        for (const auto& [id, subType] : deviceKeys) {
            CBaseDevice* scanned = nullptr;
            for (const auto& device : doc.Devices())
                if (device->m_id == id && device->m_subType == subType) {
                    scanned = device.get();
                    break;
                }
            EXPECT_EQ(doc.FindDevice(id, subType), scanned) << "device " << id << "/" << subType;
        }
        for (const std::int32_t id : linkIds) {
            model::CDeviceLink* scanned = nullptr;
            for (const auto& link : doc.Links())
                if (link->m_id == id) {
                    scanned = link.get();
                    break;
                }
            EXPECT_EQ(doc.FindLink(id), scanned) << "link " << id;
        }
    }

    // The first pair of free channels the link rules let the operator join.
    bool ConnectAnyPair() {
        for (const auto& a : doc.Devices())
            for (const auto& b : doc.Devices())
                for (const auto& ca : a->m_channels)
                    for (const auto& cb : b->m_channels) {
                        const model::CDeviceChnl* from = model::AsDeviceChnl(ca.get());
                        const model::CDeviceChnl* to = model::AsDeviceChnl(cb.get());
                        if (a != b && from != nullptr && to != nullptr &&
                            CZoDeviceDoc::CanLinkChannel(*from) &&
                            CZoDeviceDoc::CanLinkChannels(*from, *to)) {
                            auto link = std::make_unique<model::CDeviceLink>();
                            link->BeginAtChnl(*from);
                            return doc.ConnectLink(*from, *to, std::move(link));
                        }
                    }
        return false;
    }

    void SelectAndDelete(std::initializer_list<std::pair<int, int>> devices,
                         std::initializer_list<int> links) {
        doc.SelectDevice(nullptr, false);
        for (const auto& [id, subType] : devices)
            doc.SelectDevice(doc.FindDevice(id, subType), true);
        for (const int id : links)
            doc.SelectLink(doc.FindLink(id), true);
        EXPECT_TRUE(doc.DeleteSelection());
    }

    // A copy of the device under another key.
    void Rekey(std::int32_t id, std::int32_t subType, std::int32_t newId) {
        CBaseDevice* device = doc.FindDevice(id, subType);
        ASSERT_NE(device, nullptr);
        std::unique_ptr<CBaseDevice> changed = model::CopyDevice(*device);
        changed->m_id = newId;
        doc.ChangeDevice(*device, *changed);
    }

    sheet_test::CSheetUndoHost host;
    std::set<std::pair<std::int32_t, std::int32_t>> deviceKeys{{0, 0}, {-1, 1}, {99, 0}};
    std::set<std::int32_t> linkIds{0, -1, 99};
};

TEST_F(DeviceEditorDocumentLookups, AgreeWithAScanAfterEveryEdit) {
    const std::filesystem::path file = home.path() / "sheet.zo";
    model::CUndoHistory* history = nullptr;
    struct row_t {
        const char* edit;
        std::function<void()> run;
    } rows[] = {
        {"built", [] {}},
        {"device added",
         [&] {
             doc.AddDevice(std::make_unique<model::CDeviceExternal>(dc, 600, 600, 7,
                                                                    model::kModelSpeaker, 0));
         }},
        {"link added from a record",
         [&] {
             EXPECT_TRUE(doc.AddLinkFromRecord(
                 sheet_builder::MakeLink(doc, 5, {3, 0, 1}, {1, 1, 1}, true)));
         }},
        {"link drawn", [&] { EXPECT_TRUE(ConnectAnyPair()); }},
        {"unit dropped from the palette",
         [&] { EXPECT_TRUE(doc.CreateDroppedDevice(600, 800, 9, dc)); }},
        {"link drawn to the dropped unit", [&] { EXPECT_TRUE(ConnectAnyPair()); }},
        {"drop and link undone",
         [&] {
             history = doc.GetUndoHistory();
             EXPECT_TRUE(history->Undo());
             EXPECT_TRUE(history->Undo());
         }},
        {"drop and link redone",
         [&] {
             EXPECT_TRUE(history->Redo());
             EXPECT_TRUE(history->Redo());
         }},
        {"device moved, its links' ends along",
         [&] {
             CBaseDevice* half = doc.FindDevice(1, 1);
             doc.MoveDevice(*half, 30, 20);
             doc.UpdateLinkEnds(*half);
         }},
        {"link deleted", [&] { doc.DeleteLink(1); }},
        {"unit and a link deleted as the selection",
         [&] {
             SelectAndDelete({{1, 2}}, {3});
         }},
        {"deletion undone", [&] { EXPECT_TRUE(history->Undo()); }},
        {"deletion redone", [&] { EXPECT_TRUE(history->Redo()); }},
        {"deletion undone again", [&] { EXPECT_TRUE(history->Undo()); }},
        {"device given another id", [&] { Rekey(7, 0, 17); }},
        {"device given its id back", [&] { Rekey(17, 0, 7); }},
        {"device given the key of an earlier one", [&] { Rekey(7, 0, 3); }},
        {"repeated device key added",
         [&] {
             doc.AddDevice(
                 std::make_unique<model::CDeviceExternal>(dc, 700, 100, 4, model::kModelPc, 0));
             doc.AddDevice(
                 std::make_unique<model::CDeviceExternal>(dc, 700, 300, 4, model::kModelPc, 0));
         }},
        {"repeated link id added",
         [&] {
             doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 2, {3, 0, 0}, {4, 0, 0}, true));
             doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 2, {3, 0, 1}, {4, 0, 0}, true));
         }},
        {"first of a repeated link id deleted", [&] { doc.DeleteLink(2); }},
        {"first of a repeated device key deleted", [&] { doc.DeleteDevice(4, 0); }},
        {"saved and loaded again", [&] { doc.OpenDocument(doc.SaveDocument()); }},
        {"loaded through Serialize",
         [&] {
             const std::vector<std::uint8_t> bytes = doc.SaveDocument();
             pa::archive_t ar(bytes, model::SheetClasses());
             doc.Serialize(ar);
         }},
        {"opened from a file",
         [&] {
             CZoDeviceDoc other;
             other.OnNewDocument();
             sheet_builder::Build(other, dc);
             other.OnSaveDocument(file);
             doc.OnOpenDocument(file);
         }},
        {"everything deleted",
         [&] {
             SelectAndDelete({{1, 1}, {2, 2}, {3, 0}, {4, 0}, {5, 0}, {6, 0}}, {});
         }},
        {"everything back", [&] { EXPECT_TRUE(doc.GetUndoHistory()->Undo()); }},
        {"new document", [&] { doc.OnNewDocument(); }},
    };
    for (const row_t& row : rows) {
        row.run();
        ExpectLookupsAgreeWithScan(row.edit);
    }
}

} // namespace
