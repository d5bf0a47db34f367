// The device and channel property dialog without its widget: the units it
// offers, what OK writes into the device and its other half, the colours
// with Cancel, and undo of the whole change.
#include "device_editor/device_property_controller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "device_editor/unit_configuration.h"
#include "device_test_support.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "platform/profile/profile.h"
#include "resources/message_ids.h"
#include "sheet_builder.h"

namespace {

namespace fs = std::filesystem;
using device_editor::CDevicePropertyController;
using device_editor::EDeviceColour;
using device_test::chnl;
using model::CBaseDevice;

constexpr int kUnitId = 20;

class ActiveHost : public model::IUndoHost {
public:
    bool IsActiveViewOf(const model::IDeviceDoc&) const override { return true; }
    void UpdateLinkEnds(CBaseDevice&) override {}
    void InvalidateAll() override {}
    void UpdateStatusPanes(int) override {}
};

// InChannel<k> = k and OutChannel<k> = 100 + k, so that every channel's value
// names the key it came from.
void WriteUnitFile(const fs::path& home, const std::string& mac, const std::string& type) {
    std::string text = "[DeviceProperty]\nDeviceMac=" + mac + "\nDeviceType=" + type +
                       "\nTxBundle1=300\nTxBundle2=301\n[InChannelProperty]\n";
    for (int k = 1; k <= 16; ++k)
        text += "InChannel" + std::to_string(k) + "=" + std::to_string(k) + "\n";
    text += "[OutChannelProperty]\n";
    for (int k = 1; k <= 16; ++k)
        text += "OutChannel" + std::to_string(k) + "=" + std::to_string(100 + k) + "\n";
    fs::create_directories(home / "Configuration");
    std::ofstream(home / "Configuration" / (mac + ".ini")) << text;
}

struct Sheet {
    Sheet() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
        doc.SetUndoHost(&host);
    }
    // A unit (both halves of a two-half model) with the unassigned MAC.
    void AddUnit(int model, std::vector<int> subTypes, const std::string& mac = "00602b",
                 int id = kUnitId) {
        for (const int subType : subTypes) {
            const int x = 600 + 120 * static_cast<int>(doc.GetDeviceCount());
            std::unique_ptr<model::CDeviceNy> unit =
                model == model::kModelQOVG
                    ? std::make_unique<model::CDeviceQOVG>(dc, x, 500, id, model, subType)
                    : std::make_unique<model::CDeviceNy>(dc, x, 500, id, model, subType);
            unit->m_mac = mac;
            doc.AddDevice(std::move(unit));
        }
    }
    model::CDeviceNy& Unit(int subType, int id = kUnitId) {
        return dynamic_cast<model::CDeviceNy&>(*doc.FindDevice(id, subType));
    }
    std::vector<std::string> Names(const CDevicePropertyController& dlg) {
        std::vector<std::string> out;
        for (const auto& row : dlg.Channels())
            out.push_back(row.name);
        return out;
    }

    device_test::TempHome home;
    device_test::RecordingSink sink;
    platform::gdi::FixedWidthMeasurer dc;
    ActiveHost host;
    device_editor::CZoDeviceDoc doc;
};

TEST(DeviceProperty, OnlyUnitsGenericDevicesAndMatricesHaveTheDialog) {
    Sheet s;
    EXPECT_TRUE(CDevicePropertyController::Handles(*s.doc.FindDevice(1, 1)));
    EXPECT_TRUE(CDevicePropertyController::Handles(*s.doc.FindDevice(4, 0)));
    EXPECT_TRUE(CDevicePropertyController::Handles(*s.doc.FindDevice(5, 0)));
    EXPECT_FALSE(CDevicePropertyController::Handles(*s.doc.FindDevice(6, 0))) << "text box";
    EXPECT_FALSE(CDevicePropertyController::Handles(*s.doc.FindDevice(3, 0))) << "PC";
}

TEST(DeviceProperty, OffersOnlyUnusedFilesOfTheSameModel) {
    Sheet s;
    WriteUnitFile(s.home.path(), "00602b000001", "QLM-0808A");
    WriteUnitFile(s.home.path(), "00602b000002", "QLM-0808A"); // used below
    WriteUnitFile(s.home.path(), "00602b000003", "QLM-0202A"); // another model
    WriteUnitFile(s.home.path(), "00602b000004", "QLM-0808A");
    std::ofstream(s.home.path() / "Configuration" / "00602b000005.ini")
        << "[DeviceProperty]\nDeviceMac=00602b000050\nDeviceType=QLM-0808A\n"; // MAC differs
    s.AddUnit(4, {1, 2});
    s.AddUnit(4, {1, 2}, "00602B000002", kUnitId + 1);
    CDevicePropertyController dlg(s.doc, s.Unit(1), s.home.path());
    std::vector<std::string> offered = dlg.MacChoices();
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered, (std::vector<std::string>{"00602b000001", "00602b000004"}));

    // A device with a MAC of its own offers just that one.
    CDevicePropertyController own(s.doc, s.Unit(1, kUnitId + 1), s.home.path());
    EXPECT_EQ(own.MacChoices(), std::vector<std::string>{"00602B000002"});
}

TEST(DeviceProperty, NoFileLeftGivesTheWarningAndOkGoesOn) {
    Sheet s;
    WriteUnitFile(s.home.path(), "00602b000002", "QLM-0808A");
    s.AddUnit(4, {1, 2}, "00602b000002", kUnitId + 1);
    s.AddUnit(4, {1, 2});
    CDevicePropertyController dlg(s.doc, s.Unit(1), s.home.path());
    EXPECT_TRUE(dlg.MacChoices().empty());
    EXPECT_TRUE(dlg.Accept(s.Unit(1).m_name, -1, s.Names(dlg), s.dc));
    EXPECT_EQ(s.sink.ShownIds(), std::vector<int>{resources::kMsgNoMacLeft});
}

// 'I' InChannel<k>, 'O' OutChannel<k>, '-' untouched (the value before, 7).
int Expected(char source, int k) {
    return source == 'I' ? k + 1 : source == 'O' ? 101 + k : 7;
}

struct mapping_case_t {
    const char* name;
    int model;
    std::vector<int> subTypes;
    // Per device in subTypes order: source of its inputs and of its outputs.
    std::vector<std::pair<char, char>> sources;
};

void PrintTo(const mapping_case_t& c, std::ostream* os) {
    *os << c.name;
}

class DevicePropertyMapping : public ::testing::TestWithParam<mapping_case_t> {};

TEST_P(DevicePropertyMapping, OkPutsTheFilesPropertiesOnTheDeviceAndItsTwin) {
    const mapping_case_t& c = GetParam();
    Sheet s;
    const std::string type(model::ModelName(c.model));
    WriteUnitFile(s.home.path(), "00602b00000a", type);
    s.AddUnit(c.model, c.subTypes);
    for (const int sub : c.subTypes)
        for (auto& channel : s.Unit(sub).m_channels)
            model::AsDeviceChnl(channel.get())->m_property = 7;
    CDevicePropertyController dlg(s.doc, s.Unit(c.subTypes.front()), s.home.path());
    ASSERT_EQ(dlg.MacChoices(), std::vector<std::string>{"00602b00000a"});
    ASSERT_TRUE(dlg.Accept(s.Unit(c.subTypes.front()).m_name, 0, s.Names(dlg), s.dc));

    for (std::size_t i = 0; i < c.subTypes.size(); ++i) {
        const model::CDeviceNy& unit = s.Unit(c.subTypes[i]);
        SCOPED_TRACE("sub-type " + std::to_string(c.subTypes[i]));
        EXPECT_EQ(unit.m_mac, "00602b00000a");
        EXPECT_EQ(unit.m_bundle1, 300);
        EXPECT_EQ(unit.m_bundle2, 301);
        for (int k = 0; k < unit.m_inputCount; ++k)
            EXPECT_EQ(chnl(unit, k).m_property, Expected(c.sources[i].first, k)) << "input " << k;
        for (int k = 0; k < unit.m_outputCount; ++k)
            EXPECT_EQ(chnl(unit, unit.m_inputCount + k).m_property,
                      Expected(c.sources[i].second, k))
                << "output " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, DevicePropertyMapping,
    ::testing::Values(mapping_case_t{"QLA206A", 3, {3}, {{'I', 'O'}}},
                      mapping_case_t{"QLM0808A", 4, {1, 2}, {{'I', 'I'}, {'O', 'O'}}},
                      mapping_case_t{"QLM800", 10, {1, 2}, {{'I', 'I'}, {'O', 'O'}}},
                      mapping_case_t{"QLM1600A", 5, {1}, {{'I', 'I'}}},
                      mapping_case_t{"QLM0016A", 6, {2}, {{'O', 'O'}}},
                      mapping_case_t{"QLV3300A", 21, {2}, {{'O', 'O'}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DevicePropertyMapping, QlA206aDrawnAsHalvesTakesNoProperties) {
    Sheet s;
    s.AddUnit(3, {1});
    for (auto& channel : s.Unit(1).m_channels)
        model::AsDeviceChnl(channel.get())->m_property = 7;
    WriteUnitFile(s.home.path(), "00602b00000a", "QLA-206A");
    EXPECT_FALSE(device_editor::ApplyUnitChannelProperties(
        s.Unit(1), device_editor::CUnitConfigFile(s.home.path()).Read("00602b00000a")));
    EXPECT_EQ(chnl(s.Unit(1), 0).m_property, 7);
}

TEST(DeviceProperty, CancelRestoresTwoChangedColoursOnBoth) {
    Sheet s;
    s.AddUnit(4, {1, 2});
    const auto before = s.Unit(1).m_colours;
    CDevicePropertyController dlg(s.doc, s.Unit(1), s.home.path());
    dlg.SetColour(EDeviceColour::Back, 0x00112233);
    dlg.SetColour(EDeviceColour::Title, 0x00445566);
    EXPECT_EQ(s.Unit(2).m_colours[0], 0x00112233u) << "the twin follows at once";
    EXPECT_EQ(s.Unit(2).m_colours[3], 0x00445566u);
    dlg.Cancel();
    EXPECT_EQ(s.Unit(1).m_colours, before);
    EXPECT_EQ(s.Unit(2).m_colours, before);
}

TEST(DeviceProperty, SaveAsDefaultWritesTheSchemeAndNewDevicesTakeIt) {
    Sheet s;
    s.AddUnit(4, {1, 2});
    CDevicePropertyController dlg(s.doc, s.Unit(1), s.home.path());
    dlg.SetColour(EDeviceColour::Fore, 0x00010203);
    ASSERT_TRUE(dlg.SaveColoursAsDefault(s.home.path() / "Ostrel.ini"));
    std::ifstream in(s.home.path() / "Ostrel.ini");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("QLM-0808AFore=66051"), std::string::npos) << text;
    EXPECT_NE(text.find("QLM-0808ABack="), std::string::npos);
    EXPECT_NE(text.find("QLM-0808ATitle="), std::string::npos);
    EXPECT_NE(text.find("QLM-0808AOther="), std::string::npos);
    model::CDeviceNy fresh(s.dc, 0, 0, 99, 4, 1);
    EXPECT_EQ(fresh.m_colours[1], 0x00010203u);
}

TEST(DeviceProperty, OneUndoStepRestoresNameMacAndProperties) {
    Sheet s;
    WriteUnitFile(s.home.path(), "00602b00000a", "QLM-0808A");
    s.AddUnit(4, {1, 2});
    const std::string name = s.Unit(1).m_name;
    const int property = chnl(s.Unit(2), 0).m_property;
    CDevicePropertyController dlg(s.doc, s.Unit(1), s.home.path());
    std::vector<std::string> names = s.Names(dlg);
    names[0] = "Stage left";
    dlg.SetColour(EDeviceColour::Back, 0x00abcdef);
    ASSERT_TRUE(dlg.Accept("Desk", 0, names, s.dc));
    EXPECT_EQ(s.Unit(1).m_name, "Desk");
    EXPECT_EQ(s.Unit(2).m_name, "Desk");
    EXPECT_EQ(chnl(s.Unit(1), 0).m_name, "Stage left");
    EXPECT_EQ(s.Unit(2).m_mac, "00602b00000a");

    ASSERT_TRUE(s.doc.GetUndoHistory()->Undo());
    EXPECT_FALSE(s.doc.GetUndoHistory()->CanUndo()) << "one step";
    for (const int sub : {1, 2}) {
        EXPECT_EQ(s.Unit(sub).m_name, name);
        EXPECT_EQ(s.Unit(sub).m_mac, "00602b");
        EXPECT_EQ(s.Unit(sub).m_bundle1, 0);
    }
    EXPECT_EQ(chnl(s.Unit(2), 0).m_property, property);
    EXPECT_NE(chnl(s.Unit(1), 0).m_name, "Stage left");
}

TEST(DeviceProperty, OkWithoutChangesRecordsNothing) {
    Sheet s;
    CBaseDevice& generic = *s.doc.FindDevice(4, 0);
    CDevicePropertyController dlg(s.doc, generic, s.home.path());
    EXPECT_FALSE(dlg.HasMacChoice());
    ASSERT_TRUE(dlg.Accept(generic.m_name, -1, s.Names(dlg), s.dc));
    EXPECT_FALSE(s.doc.GetUndoHistory()->CanUndo());
    EXPECT_TRUE(s.sink.shown.empty());
}

TEST(DeviceProperty, ATooLongNameIsRefusedAndTheOldNameKept) {
    Sheet s;
    CBaseDevice& generic = *s.doc.FindDevice(4, 0);
    const std::string name = generic.m_name;
    CDevicePropertyController dlg(s.doc, generic, s.home.path());
    EXPECT_FALSE(dlg.Accept(std::string(2000, 'W'), -1, s.Names(dlg), s.dc));
    EXPECT_EQ(s.sink.ShownIds(), std::vector<int>{resources::kMsgNameTooLong});
    EXPECT_EQ(generic.m_name, name);
    EXPECT_FALSE(s.doc.GetUndoHistory()->CanUndo());
}

} // namespace
