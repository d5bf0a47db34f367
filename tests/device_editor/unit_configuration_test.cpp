// A unit's configuration file read into the device sheet and forgotten
// again: which channels of each kind of unit take which keys, the file found
// whatever the case of its name, every other device left as it was, and what
// the document announces.
#include "device_editor/unit_configuration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "change_recorder.h"
#include "device_test_support.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"

namespace {

using device_editor::CZoDeviceDoc;
using device_editor::ForgetDeviceConfiguration;
using device_editor::LoadDeviceConfiguration;
using device_test::chnl;
using model::CBaseDevice;
using Kind = model::DocumentChangeKind;

constexpr const char* kSheetMac = "00602b0a1b2c";
// As the hardware dialogs name the changed unit.
constexpr const char* kChangedMac = "00602B0a1b2c";
constexpr const char* kOtherMac = "00602b999999";
constexpr int kUnitId = 10, kOtherId = 11;
constexpr int kBefore = 7; // every unit channel's property before a call

// Which of the file's keys a side of a device takes: 'I' InChannel<k>,
// 'O' OutChannel<k>, '0' none (the value 0).
int Expected(char source, int k) {
    return source == 'I' ? k + 1 : source == 'O' ? 101 + k : 0;
}

// InChannel<k> = k and OutChannel<k> = 100 + k for k 1..16, so that every
// channel's value names the key it came from.
std::string FullFile() {
    std::string text = "[InChannelProperty]\n";
    for (int k = 1; k <= 16; ++k)
        text += "InChannel" + std::to_string(k) + "=" + std::to_string(k) + "\n";
    text += "[OutChannelProperty]\n";
    for (int k = 1; k <= 16; ++k)
        text += "OutChannel" + std::to_string(k) + "=" + std::to_string(100 + k) + "\n";
    return text;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct Sheet {
    Sheet() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
        doc.AttachObserver(&recorder);
    }
    ~Sheet() { doc.DetachObserver(&recorder); }

    void AddUnit(int id, int model, int subType, const std::string& mac) {
        const int x = 600 + 120 * static_cast<int>(doc.GetDeviceCount());
        std::unique_ptr<model::CDeviceNy> unit =
            model == model::kModelQOVG
                ? std::make_unique<model::CDeviceQOVG>(dc, x, 500, id, model, subType)
                : std::make_unique<model::CDeviceNy>(dc, x, 500, id, model, subType);
        unit->m_mac = mac;
        unit->m_bundle1 = 5;
        unit->m_bundle2 = 6;
        for (auto& channel : unit->m_channels)
            model::AsDeviceChnl(channel.get())->m_property = kBefore;
        doc.AddDevice(std::move(unit));
    }
    model::CDeviceNy& Unit(int id, int subType) {
        return dynamic_cast<model::CDeviceNy&>(*doc.FindDevice(id, subType));
    }
    // The stored form of every device but those of `id`.
    sheet_builder::snapshot_t Others(int id) {
        sheet_builder::snapshot_t all = sheet_builder::Snapshot(doc);
        std::erase_if(all, [&](const auto& entry) {
            return entry.first.starts_with("device " + std::to_string(id) + "/");
        });
        return all;
    }
    // (id, sub-type) of each ObjectChanged record, then forgets the records.
    std::vector<std::pair<int, int>> TakeChanged() {
        std::vector<std::pair<int, int>> out;
        for (const model::DocumentChange& c : recorder.OfKind(Kind::ObjectChanged)) {
            out.emplace_back(c.id, c.subType);
            EXPECT_EQ(c.bounds, c.oldBounds);
        }
        recorder.changes.clear();
        return out;
    }

    device_test::TempHome home;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    change_recorder::ChangeRecorder recorder;
};

void ExpectChannels(const CBaseDevice& device, char inputs, char outputs) {
    SCOPED_TRACE("device " + std::to_string(device.m_id) + "/" + std::to_string(device.m_subType));
    for (int k = 0; k < device.m_inputCount; ++k)
        EXPECT_EQ(chnl(device, k).m_property, Expected(inputs, k)) << "input " << k + 1;
    for (int k = 0; k < device.m_outputCount; ++k)
        EXPECT_EQ(chnl(device, device.m_inputCount + k).m_property, Expected(outputs, k))
            << "output " << k + 1;
}

struct half_t {
    int subType;
    bool carriesMac; // the others keep the unassigned "00602b"
    char inputs, outputs;
};

struct kind_case_t {
    const char* name;
    int model;
    std::vector<half_t> devices;
};

void PrintTo(const kind_case_t& c, std::ostream* os) {
    *os << c.name;
}

// Every kind of unit. A two-half unit's halves share the id; the half without
// the MAC is reached through the sheet. Models 5, 6 and 20 get the sub-type
// their constructor forces anyway.
const kind_case_t kKinds[] = {
    {"QLA1_SubType3", 1, {{3, true, 'I', 'O'}}},
    {"QLA8A_SubType3", 2, {{3, true, 'I', 'O'}}},
    {"QLA206A_SubType3", 3, {{3, true, 'I', 'O'}}},
    {"QLM0808A_MacOnInputHalf", 4, {{1, true, 'I', 'I'}, {2, false, 'O', 'O'}}},
    {"QLM0412A_MacOnOutputHalf", 7, {{1, false, 'I', 'I'}, {2, true, 'O', 'O'}}},
    {"QLM1204A_MacOnInputHalf", 8, {{1, true, 'I', 'I'}, {2, false, 'O', 'O'}}},
    {"QLM0202A_MacOnOutputHalf", 9, {{1, false, 'I', 'I'}, {2, true, 'O', 'O'}}},
    {"QLM0202NM_MacOnBothHalves", 19, {{1, true, 'I', 'I'}, {2, true, 'O', 'O'}}},
    {"QLM800_MacOnInputHalf", 10, {{1, true, 'I', 'I'}, {2, false, 'O', 'O'}}},
    {"QLM1600A", 5, {{1, true, 'I', 'I'}}},
    {"QLM0016A", 6, {{2, true, 'O', 'O'}}},
    {"QLR450", 20, {{2, true, 'O', 'O'}}},
    {"QLV3300A", 21, {{2, true, 'O', 'O'}}},
};

class UnitConfigurationKinds : public ::testing::TestWithParam<kind_case_t> {
protected:
    UnitConfigurationKinds() {
        // The unit, and one of the same model assigned to another unit.
        for (const half_t& h : GetParam().devices) {
            sheet.AddUnit(kUnitId, GetParam().model, h.subType,
                          h.carriesMac ? kSheetMac : "00602b");
            sheet.AddUnit(kOtherId, GetParam().model, h.subType, kOtherMac);
        }
        WriteFile(sheet.home.path() / "Configuration" / (std::string(kSheetMac) + ".ini"),
                  FullFile());
        WriteFile(sheet.home.path() / "Configuration" / (std::string(kOtherMac) + ".ini"), "");
        sheet.doc.SetModifiedFlag(false);
        sheet.recorder.changes.clear();
    }

    std::vector<std::pair<int, int>> UnitKeys() const {
        std::vector<std::pair<int, int>> keys;
        for (const half_t& h : GetParam().devices)
            keys.emplace_back(kUnitId, h.subType);
        return keys;
    }
    static std::vector<std::pair<int, int>> Sorted(std::vector<std::pair<int, int>> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    Sheet sheet;
};

TEST_P(UnitConfigurationKinds, ReloadFillsTheUnitsChannelsAndAnnouncesEachDeviceOnce) {
    const sheet_builder::snapshot_t others = sheet.Others(kUnitId);

    LoadDeviceConfiguration(sheet.doc, kChangedMac, sheet.home.path());

    for (const half_t& h : GetParam().devices) {
        const model::CDeviceNy& unit = sheet.Unit(kUnitId, h.subType);
        ExpectChannels(unit, h.inputs, h.outputs);
        EXPECT_EQ(unit.m_mac, h.carriesMac ? kSheetMac : "00602b") << "a reload keeps the MAC";
        EXPECT_EQ(unit.m_bundle1, 5);
    }
    EXPECT_EQ(sheet.Others(kUnitId), others);
    EXPECT_EQ(Sorted(sheet.TakeChanged()), UnitKeys());
    EXPECT_TRUE(sheet.doc.IsModified());

    // Nothing differs the second time: nothing to redraw.
    LoadDeviceConfiguration(sheet.doc, kChangedMac, sheet.home.path());
    EXPECT_TRUE(sheet.TakeChanged().empty());
}

TEST_P(UnitConfigurationKinds, ForgetUnassignsTheUnitAndItsOtherHalf) {
    LoadDeviceConfiguration(sheet.doc, kChangedMac, sheet.home.path());
    sheet.recorder.changes.clear();
    sheet.doc.SetModifiedFlag(false);
    const sheet_builder::snapshot_t others = sheet.Others(kUnitId);

    ForgetDeviceConfiguration(sheet.doc, kChangedMac);

    for (const half_t& h : GetParam().devices) {
        const model::CDeviceNy& unit = sheet.Unit(kUnitId, h.subType);
        ExpectChannels(unit, '0', '0');
        EXPECT_EQ(unit.m_mac, "00602b");
        EXPECT_EQ(unit.m_bundle1, 0) << "sub-type " << h.subType;
        EXPECT_EQ(unit.m_bundle2, 0) << "sub-type " << h.subType;
    }
    EXPECT_EQ(sheet.Others(kUnitId), others);
    EXPECT_EQ(Sorted(sheet.TakeChanged()), UnitKeys());
    EXPECT_TRUE(sheet.doc.IsModified());

    // The unit is no longer on the sheet: its file names nothing now.
    LoadDeviceConfiguration(sheet.doc, kChangedMac, sheet.home.path());
    ForgetDeviceConfiguration(sheet.doc, kChangedMac);
    EXPECT_TRUE(sheet.TakeChanged().empty());
}

INSTANTIATE_TEST_SUITE_P(EachKind, UnitConfigurationKinds, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UnitConfigurationFile, FoundWhateverTheCaseOfItsNameAndFolder) {
    struct row_t {
        const char* folder;
        const char* file;
        const char* sheetMac;
    };
    const row_t rows[] = {
        {"Configuration", "00602B0A1B2C.ini", "00602b0a1b2c"},
        {"Configuration", "00602b0a1b2c.ini", "00602B0A1B2C"},
        {"configuration", "00602b0A1B2C.INI", "00602b0a1b2c"},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(std::string(row.folder) + "/" + row.file);
        Sheet sheet;
        sheet.AddUnit(kUnitId, 1, 3, row.sheetMac);
        WriteFile(sheet.home.path() / row.folder / row.file, FullFile());

        LoadDeviceConfiguration(sheet.doc, kChangedMac, sheet.home.path());
        ExpectChannels(sheet.Unit(kUnitId, 3), 'I', 'O');

        ForgetDeviceConfiguration(sheet.doc, kChangedMac);
        EXPECT_EQ(sheet.Unit(kUnitId, 3).m_mac, "00602b");
        ExpectChannels(sheet.Unit(kUnitId, 3), '0', '0');
    }
}

TEST(UnitConfigurationFile, MissingFileOrKeysReadAsZero) {
    struct row_t {
        const char* name;
        const char* relative; // the file written, or none
        std::string text;
        char inputs, outputs;
    };
    const row_t rows[] = {
        {"no Configuration folder", nullptr, "", '0', '0'},
        {"no file of that unit", "Configuration/00602b0a1b2d.ini", FullFile(), '0', '0'},
        {"no output section", "Configuration/00602b0a1b2c.ini",
         FullFile().substr(0, FullFile().find("[OutChannelProperty]")), 'I', '0'},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        Sheet sheet;
        sheet.AddUnit(kUnitId, 4, 1, kSheetMac);
        sheet.AddUnit(kUnitId, 4, 2, kSheetMac);
        if (row.relative != nullptr)
            WriteFile(sheet.home.path() / row.relative, row.text);

        LoadDeviceConfiguration(sheet.doc, kChangedMac, sheet.home.path());
        ExpectChannels(sheet.Unit(kUnitId, 1), row.inputs, row.inputs);
        ExpectChannels(sheet.Unit(kUnitId, 2), row.outputs, row.outputs);
        EXPECT_EQ(sheet.Unit(kUnitId, 1).m_mac, kSheetMac);
    }
}

TEST(UnitConfigurationFile, AChangedMacThatNamesNoUnitChangesNothing) {
    Sheet sheet;
    // An unassigned unit, and one whose MAC a damaged file cut short.
    sheet.AddUnit(kUnitId, 1, 3, "00602b");
    sheet.AddUnit(kOtherId, 1, 3, "00602b0a1b2");
    WriteFile(sheet.home.path() / "Configuration" / "00602b.ini", FullFile());
    WriteFile(sheet.home.path() / "Configuration" / "00602b0a1b2.ini", FullFile());
    sheet.doc.SetModifiedFlag(false);
    const sheet_builder::snapshot_t before = sheet_builder::Snapshot(sheet.doc);
    sheet.recorder.changes.clear();

    for (const char* mac : {"00602b", "00602b0a1b2", "", "00602b0a1b2g", "../00602b0a1b"}) {
        SCOPED_TRACE(mac);
        LoadDeviceConfiguration(sheet.doc, mac, sheet.home.path());
        ForgetDeviceConfiguration(sheet.doc, mac);
    }
    EXPECT_EQ(sheet_builder::Snapshot(sheet.doc), before);
    EXPECT_TRUE(sheet.recorder.changes.empty());
    EXPECT_FALSE(sheet.doc.IsModified());
}

} // namespace
