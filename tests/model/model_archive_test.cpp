// Archive forms of the sheet object bases against hand-written golden
// streams (tests/model/fixtures/*.hex, also read by the independent reader),
// the schemas a loader meets, and the load checks on channel counts.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/base_ari_module.h"
#include "model/base_chnl.h"
#include "model/base_device.h"
#include "model/base_link.h"
#include "model/base_module.h"
#include "model/dsp_chnl.h"
#include "model_fixtures.h"
#include "platform/archive/object_array.h"

namespace {

namespace pa = platform::archive;
using model::CBaseAriModule;
using model::CBaseChnl;
using model::CBaseDevice;
using model::CBaseLink;
using model::CBaseModule;
using model::CDSPChnl;
using model::Point;
using model::Rect;
using model_test::load_fixture;
using model_test::sheet_registry;

template <class T> std::vector<std::uint8_t> store(pa::object_array_t<T>& objects) {
    pa::archive_t ar;
    objects.Serialize(ar);
    return ar.TakeBytes();
}

std::unique_ptr<CBaseChnl> base_channel(std::int32_t direction, std::int32_t number,
                                        std::int32_t module, std::string name, Rect rect) {
    auto c = std::make_unique<CBaseChnl>();
    c->m_direction = direction;
    c->m_number = number;
    c->m_moduleId = module;
    c->m_name = std::move(name);
    c->m_rect = rect;
    c->m_colour = 0xC0C0C0;
    return c;
}

// ---- golden streams, both ways

TEST(ModelGolden, BaseModuleWithChannelsAndALink) {
    const std::vector<std::uint8_t> golden = load_fixture("base_module_and_link.hex");

    pa::archive_t in(golden, sheet_registry());
    pa::object_array_t<CBaseModule> modules;
    pa::object_array_t<CBaseLink> links;
    modules.Serialize(in);
    links.Serialize(in);
    EXPECT_TRUE(in.AtEnd());

    ASSERT_EQ(modules.size(), 1u);
    const CBaseModule& m = *modules[0];
    EXPECT_EQ(&m.GetRuntimeClass(), &CBaseModule::class_record);
    EXPECT_EQ(m.m_id, 7);
    EXPECT_EQ(m.m_typeCode, 16);
    EXPECT_EQ(m.m_subType, 0);
    EXPECT_EQ(m.m_typeName, "GENERIC");
    EXPECT_EQ(m.m_name, "Desk");
    EXPECT_EQ(m.m_inputCount, 1);
    EXPECT_EQ(m.m_outputCount, 2);
    EXPECT_EQ(m.m_body, (Rect{200, 100, 281, 160}));
    EXPECT_EQ(m.m_title, (Rect{200, 80, 281, 95}));
    EXPECT_EQ(m.m_colours, (std::array<model::COLORREF, 4>{0xB4B4B4, 0, 0, 0}));
    ASSERT_EQ(m.GetChnlCount(), 3);
    const CBaseChnl& in1 = *m.GetChnl(0);
    EXPECT_EQ(&in1.GetRuntimeClass(), &CBaseChnl::class_record);
    EXPECT_EQ(in1.m_peerChannel, 2);
    EXPECT_EQ(in1.m_peerModule, 9);
    EXPECT_EQ(in1.m_linkCount, 1);
    EXPECT_EQ(in1.m_name, "In 1");
    EXPECT_EQ(m.GetChnl(2)->m_name, "Out 2");
    EXPECT_EQ(m.GetChnl(2)->m_number, 2);
    EXPECT_EQ(m.GetChnl(2)->m_rect, (Rect{270, 128, 280, 138}));

    ASSERT_EQ(links.size(), 1u);
    const CBaseLink& l = *links[0];
    EXPECT_EQ(l.m_id, 1);
    EXPECT_EQ(l.m_sourceModule, 7);
    EXPECT_EQ(l.m_sourceChannel, 0);
    EXPECT_EQ(l.m_destModule, 9);
    EXPECT_EQ(l.m_destChannel, 2);
    EXPECT_EQ(l.m_start, (Point{206, 121}));
    EXPECT_EQ(l.m_end, (Point{95, 71}));
    EXPECT_EQ(l.m_penWidth, 1);

    // Stored again: the same bytes.
    pa::archive_t out;
    modules.Serialize(out);
    links.Serialize(out);
    EXPECT_EQ(out.TakeBytes(), golden);

    // Built from scratch as an editor would: the same bytes.
    auto built = std::make_unique<CBaseModule>();
    built->m_id = 7;
    built->m_typeCode = 16;
    built->m_typeName = "GENERIC";
    built->m_name = "Desk";
    built->m_inputCount = 1;
    built->m_outputCount = 2;
    built->m_body = {200, 100, 281, 160};
    built->m_title = {200, 80, 281, 95};
    built->m_colours[0] = 0xB4B4B4;
    built->m_channels.push_back(base_channel(0, 0, 7, "In 1", {201, 116, 211, 126}));
    built->m_channels.push_back(base_channel(1, 1, 7, "Out 1", {270, 116, 280, 126}));
    built->m_channels.push_back(base_channel(1, 2, 7, "Out 2", {270, 128, 280, 138}));
    built->GetChnl(0)->m_peerChannel = 2;
    built->GetChnl(0)->m_peerModule = 9;
    built->GetChnl(0)->m_linkCount = 1;
    pa::object_array_t<CBaseModule> new_modules;
    new_modules.push_back(std::move(built));
    pa::object_array_t<CBaseLink> new_links;
    new_links.push_back(std::make_unique<CBaseLink>(1, Point{206, 121}, Point{95, 71}, 7, 0, 9, 2));
    pa::archive_t fresh;
    new_modules.Serialize(fresh);
    new_links.Serialize(fresh);
    EXPECT_EQ(fresh.TakeBytes(), golden);
}

TEST(ModelGolden, DspModuleBaseWithGroupAndDspChannels) {
    const std::vector<std::uint8_t> golden = load_fixture("ari_module.hex");
    pa::archive_t in(golden, sheet_registry());
    pa::object_array_t<CBaseAriModule> modules;
    modules.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(modules.size(), 1u);
    const CBaseAriModule& m = *modules[0];
    EXPECT_EQ(m.m_order, 12);
    EXPECT_EQ(m.m_memoryCost, 262);
    EXPECT_EQ(m.m_timeCost, 128);
    EXPECT_EQ(m.m_hidden, 0);
    EXPECT_EQ(m.m_displayName, "Delay-2");
    EXPECT_EQ(m.m_group, 3);
    EXPECT_EQ(m.m_groupName, "Zone A");
    EXPECT_EQ(m.m_id, 17);
    EXPECT_EQ(m.m_typeCode, model::kAriDelay);
    ASSERT_EQ(m.GetChnlCount(), 2);
    EXPECT_TRUE(m.GetChnl(0)->IsKindOf(CDSPChnl::class_record));
    EXPECT_EQ(m.GetChnl(0)->m_linkCount, 1);
    EXPECT_EQ(m.GetChnl(1)->m_rect, (Rect{188, 82, 196, 90}));
    EXPECT_EQ(store(modules), golden);

    // The module classes' own construction yields the same stream.
    auto built = model_test::make_delay_module();
    built->m_order = 12;
    built->m_memoryCost = 262;
    built->m_timeCost = 128;
    built->m_group = 3;
    built->m_groupName = "Zone A";
    built->GetChnl(0)->m_peerChannel = 1;
    built->GetChnl(0)->m_peerModule = 2;
    built->GetChnl(0)->m_linkCount = 1;
    pa::object_array_t<CBaseAriModule> new_modules;
    new_modules.push_back(std::move(built));
    EXPECT_EQ(store(new_modules), golden);
}

TEST(ModelGolden, DeviceBaseWithGbkName) {
    const std::vector<std::uint8_t> golden = load_fixture("base_device.hex");
    pa::archive_t in(golden, sheet_registry());
    pa::object_array_t<CBaseDevice> devices;
    devices.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(devices.size(), 1u);
    const CBaseDevice& d = *devices[0];
    EXPECT_EQ(d.m_kind, model::kDeviceGeneric);
    EXPECT_EQ(d.m_mac, "00602b0a0b0c");
    EXPECT_EQ(d.m_ip, "192.168.1.20");
    EXPECT_EQ(d.m_flag, 0);
    EXPECT_EQ(d.m_name, "\xe8\xb0\x83\xe9\x9f\xb3\xe5\x8f\xb0"); // 调音台 in UTF-8
    EXPECT_EQ(d.m_title, (Rect{300, 100, 340, 115}));
    ASSERT_EQ(d.GetChnlCount(), 2);
    EXPECT_EQ(d.GetChnl(1)->m_name, "Out 1");
    EXPECT_EQ(store(devices), golden);
}

// ---- older and newer schemas

TEST(ModelSchemas, SchemaOneModuleLoadsWithoutGroupAndNeverSelected) {
    const std::vector<std::uint8_t> bytes = load_fixture("ari_module_schema1.hex");
    pa::archive_t in(bytes, sheet_registry());
    pa::object_array_t<CBaseAriModule> modules;
    modules.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(modules.size(), 1u);
    const CBaseAriModule& m = *modules[0];
    EXPECT_EQ(m.m_order, 5);
    EXPECT_EQ(m.m_memoryCost, 196);
    EXPECT_EQ(m.m_timeCost, 613);
    EXPECT_EQ(m.m_displayName, "Dynamics-1");
    EXPECT_EQ(m.m_group, 0);
    EXPECT_EQ(m.m_groupName, "");
    EXPECT_EQ(m.m_typeName, "Compressor");
    EXPECT_EQ(m.m_selected, 0) << "the file holds 1; a loaded module is never selected";
    EXPECT_EQ(m.m_colours[CBaseAriModule::kTypeColour], 0x008080u);
    ASSERT_EQ(m.GetChnlCount(), 2);
    EXPECT_EQ(m.GetChnl(1)->m_name, "Out");
}

TEST(ModelSchemas, UnknownSchemaKeepsTheConstructorDefaults) {
    const std::vector<std::uint8_t> bytes = load_fixture("future_schema.hex");
    pa::archive_t in(bytes, sheet_registry());
    pa::object_array_t<CBaseAriModule> modules;
    pa::object_array_t<CBaseLink> links;
    modules.Serialize(in);
    links.Serialize(in);
    EXPECT_TRUE(in.AtEnd());

    ASSERT_EQ(modules.size(), 1u);
    const CBaseAriModule& m = *modules[0];
    // Its own part was skipped; the module part (schema 2) was read.
    EXPECT_EQ(m.m_order, 0);
    EXPECT_EQ(m.m_memoryCost, 0);
    EXPECT_EQ(m.m_displayName, "");
    EXPECT_EQ(m.m_group, 0);
    EXPECT_EQ(m.m_id, 9);
    EXPECT_EQ(m.m_name, "Delay-9");
    ASSERT_EQ(m.GetChnlCount(), 1);
    const CBaseChnl& c = *m.GetChnl(0);
    EXPECT_EQ(c.m_name, "");
    EXPECT_EQ(c.m_rect, Rect{});
    EXPECT_EQ(c.m_colour, CDSPChnl::kColour);
    EXPECT_EQ(c.m_highlighted, 0);

    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]->m_id, 0);
    EXPECT_EQ(links[0]->m_start, Point{});
    EXPECT_EQ(links[0]->m_penWidth, 1) << "a default-made link is drawn one pixel wide";
    EXPECT_EQ(links[0]->m_colour, 0u);
}

TEST(ModelSchemas, EveryConstructorSetsTheDocumentedDefaults) {
    const CBaseLink link;
    EXPECT_EQ(link.m_id, 0);
    EXPECT_EQ(link.m_sourceModule, 0);
    EXPECT_EQ(link.m_destChannel, 0);
    EXPECT_EQ(link.m_end, Point{});
    EXPECT_EQ(link.m_selected, 0);
    EXPECT_EQ(link.m_penWidth, 1);
    EXPECT_EQ(link.m_colour, 0u);

    const CBaseLink made(4, {1, 2}, {3, 4}, 5, 6, 7, 8);
    EXPECT_EQ(made.m_selected, 0);
    EXPECT_EQ(made.m_penWidth, 1);
    EXPECT_EQ(made.m_colour, 0u);
    EXPECT_EQ(made.m_destChannel, 8);

    const CBaseAriModule ari;
    EXPECT_EQ(ari.m_colours, (std::array<model::COLORREF, 4>{0xC8F0F0, 0, 0, 0}));
    EXPECT_EQ(ari.m_order, 0);
    EXPECT_EQ(ari.m_groupName, "");
    EXPECT_EQ(ari.m_inputCount, 0);
    EXPECT_EQ(ari.m_body, Rect{});

    const CDSPChnl dsp;
    EXPECT_EQ(dsp.m_colour, CDSPChnl::kColour);
    EXPECT_EQ(dsp.m_outlineColour, 0u);
    EXPECT_EQ(dsp.m_linkCount, 0);
    const CDSPChnl pin(3, 9, {1, 2, 9, 10}, "Out 1", 1);
    EXPECT_EQ(pin.m_colour, CDSPChnl::kColour);
    EXPECT_EQ(pin.m_peerChannel, 0);
    EXPECT_EQ(pin.m_highlighted, 0);

    const CBaseDevice device;
    EXPECT_EQ(device.m_kind, 0);
    EXPECT_EQ(device.m_mac, "");
    EXPECT_EQ(device.m_flag, 0);
    EXPECT_EQ(device.m_colours, (std::array<model::COLORREF, 4>{}));
}

TEST(ModelSchemas, ViewStateIsClearedOnLoadWhateverTheObjectHeld) {
    // Load into objects that were selected or highlighted before.
    CBaseLink link(1, {0, 0}, {10, 0}, 1, 0, 2, 1);
    CBaseChnl chnl;
    pa::archive_t out;
    out.WriteClass(CBaseLink::class_record);
    link.Serialize(out);
    out.WriteClass(CBaseChnl::class_record);
    chnl.Serialize(out);
    const std::vector<std::uint8_t> bytes = out.TakeBytes();

    link.m_selected = 1;
    chnl.m_highlighted = 1;
    pa::archive_t in(bytes, sheet_registry());
    in.SerializeClass(CBaseLink::class_record);
    link.Serialize(in);
    in.SerializeClass(CBaseChnl::class_record);
    chnl.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(link.m_selected, 0);
    EXPECT_EQ(chnl.m_highlighted, 0);
}

// ---- load checks on the channel counts

struct count_row_t {
    const char* catches;
    bool dsp; // a DSP module (at most 16 a side) or a base module (64)
    std::int32_t inputs, outputs;
    std::size_t channels;
    const char* error; // null: loads
};

std::unique_ptr<CBaseModule> module_with(const count_row_t& row) {
    std::unique_ptr<CBaseModule> m =
        row.dsp ? std::make_unique<CBaseAriModule>() : std::make_unique<CBaseModule>();
    m->m_inputCount = row.inputs;
    m->m_outputCount = row.outputs;
    for (std::size_t i = 0; i < row.channels; ++i)
        m->m_channels.push_back(std::make_unique<CDSPChnl>());
    return m;
}

TEST(ModelLoadChecks, ChannelCountsAndArrayLengthAreChecked) {
    const count_row_t rows[] = {
        {"a plain module loads", false, 1, 2, 3, nullptr},
        {"no channels at all", false, 0, 0, 0, nullptr},
        {"the DSP limit itself", true, 16, 16, 32, nullptr},
        {"the widest device", false, 64, 50, 114, nullptr},
        {"more DSP inputs than a router has", true, 17, 0, 17,
         "input and output counts from 0 to 16"},
        {"more outputs than any device", false, 0, 65, 65, "input and output counts from 0 to 64"},
        {"negative input count", false, -1, 1, 0, "found -1 and 1"},
        {"huge output count", true, 1, INT_MAX, 1, "input and output counts"},
        {"array shorter than the counts", false, 2, 1, 2,
         "a channel array of 2 inputs + 1 outputs, found 2"},
        {"array longer than the counts", true, 1, 0, 2, "found 2 channels"},
    };
    for (const count_row_t& row : rows) {
        pa::object_array_t<CBaseModule> modules;
        modules.push_back(module_with(row));
        const std::vector<std::uint8_t> bytes = store(modules);
        pa::archive_t in(bytes, sheet_registry());
        pa::object_array_t<CBaseModule> loaded;
        if (row.error == nullptr) {
            EXPECT_NO_THROW(loaded.Serialize(in)) << row.catches;
            EXPECT_TRUE(in.AtEnd()) << row.catches;
            continue;
        }
        try {
            loaded.Serialize(in);
            ADD_FAILURE() << row.catches << ": loaded";
        } catch (const pa::archive_error& e) {
            EXPECT_NE(std::string(e.what()).find(row.error), std::string::npos)
                << row.catches << ": " << e.what();
        }
        EXPECT_TRUE(loaded.empty()) << row.catches;
    }
}

TEST(ModelLoadChecks, ErrorsPointAtTheCountsOrTheArray) {
    // A base module first in its array, empty names: its fields start at 19
    // (count, class tag, schema, name length, "CBaseModule"), the counts
    // after id, type code, sub-type and two empty strings, the channel array
    // after counts, body, selected, title and colours.
    const std::size_t counts_at = 19 + 12 + 2;
    const std::size_t array_at = counts_at + 8 + 16 + 4 + 16 + 16;
    const struct {
        count_row_t row;
        std::size_t offset;
    } rows[] = {
        {{"count out of range", false, 70, 0, 0, ""}, counts_at},
        {{"array length", false, 1, 0, 0, ""}, array_at},
    };
    for (const auto& r : rows) {
        pa::object_array_t<CBaseModule> modules;
        modules.push_back(module_with(r.row));
        const std::vector<std::uint8_t> bytes = store(modules);
        pa::archive_t in(bytes, sheet_registry());
        pa::object_array_t<CBaseModule> loaded;
        try {
            loaded.Serialize(in);
            ADD_FAILURE() << r.row.catches << ": loaded";
        } catch (const pa::archive_error& e) {
            EXPECT_EQ(e.offset(), r.offset) << r.row.catches;
        }
    }
}

TEST(ModelLoadChecks, UnknownSchemaModuleReadsOnlyItsChannelArray) {
    // A base module stored under schema 3: none of its fields are read, so
    // its counts stay 0 and only an empty channel array fits them.
    for (const std::size_t channels : {0u, 1u}) {
        CBaseModule m;
        m.m_id = 5;
        m.m_inputCount = static_cast<std::int32_t>(channels);
        for (std::size_t i = 0; i < channels; ++i)
            m.m_channels.push_back(std::make_unique<CDSPChnl>());
        pa::archive_t out;
        out.WriteObject(&m);
        std::vector<std::uint8_t> bytes = out.TakeBytes();
        bytes[2] = 3; // the schema after the new-class tag
        // Drop the fields the writer put there (schema 3 has none of them).
        const std::size_t fields_at = 2 + 2 + 2 + std::strlen("CBaseModule");
        const std::size_t fields_size = 12 + 2 + 8 + 16 + 4 + 16 + 16;
        bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(fields_at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(fields_at + fields_size));

        pa::archive_t in(bytes, sheet_registry());
        if (channels == 0) {
            const std::unique_ptr<CBaseModule> loaded = in.ReadObject<CBaseModule>();
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(loaded->m_id, 0);
            EXPECT_TRUE(in.AtEnd());
        } else {
            EXPECT_THROW(in.ReadObject<CBaseModule>(), pa::archive_error)
                << "a channel the counts do not cover";
        }
    }
}

} // namespace
