// Hand-written golden streams: our writer must reproduce them byte for byte,
// our reader must load them into the right objects, and a stream cut short
// anywhere must fail cleanly.
#include <gtest/gtest.h>

#include "hex_fixture.h"
#include "sheet_classes.h"

namespace archive_test {
namespace {

using pa::archive_error;
using pa::archive_t;
using pa::object_array_t;

std::vector<std::uint8_t> store_modules_and_links(object_array_t<CBaseAriModule>& modules,
                                                  object_array_t<CBaseLink>* links) {
    archive_t ar;
    modules.Serialize(ar);
    if (links != nullptr)
        links->Serialize(ar);
    return ar.TakeBytes();
}

void expect_delay(const CBaseAriModule* module, std::int32_t id, std::int32_t y,
                  const std::string& name) {
    ASSERT_NE(module, nullptr);
    ASSERT_TRUE(module->IsKindOf(CAriDelay::class_record));
    const auto* d = static_cast<const CAriDelay*>(module);
    EXPECT_EQ(d->seen_delay_schema, 2u);
    EXPECT_EQ(d->seen_ari_schema, 2u);
    EXPECT_EQ(d->seen_module_schema, 2u);
    EXPECT_EQ(d->bypass, 0);
    EXPECT_EQ(d->max_delay, 5.0);
    EXPECT_EQ(d->delay, 5.0);
    EXPECT_EQ(d->memory_cost, 262);
    EXPECT_EQ(d->time_cost, 128);
    EXPECT_EQ(d->display_name, name);
    EXPECT_EQ(d->name, name);
    EXPECT_EQ(d->type_name, "Delay 5 ms");
    EXPECT_EQ(d->id, id);
    EXPECT_EQ(d->type_code, 3);
    EXPECT_EQ(d->sub_type, 1);
    EXPECT_EQ(d->body, (pa::raw_rect{100, y, 200, y + 50}));
    EXPECT_EQ(d->colours, (std::array<std::int32_t, 4>{0xC8F0F0, 0xC8C800, 0xFFFFFF, 0}));
    ASSERT_EQ(d->channels.size(), 2u);
    for (std::int32_t i = 0; i < 2; ++i) {
        const CBaseChnl* c = d->channels[i];
        ASSERT_TRUE(c->IsKindOf(CDSPChnl::class_record));
        EXPECT_EQ(c->seen_schema, 2u);
        EXPECT_EQ(c->direction, i);
        EXPECT_EQ(c->number, i);
        EXPECT_EQ(c->module_id, id);
        EXPECT_EQ(c->name, i == 0 ? "In" : "Out");
        EXPECT_EQ(c->colour, 0xC8F0F0);
    }
    EXPECT_EQ(d->channels[0]->rect, (pa::raw_rect{104, y + 32, 112, y + 40}));
    EXPECT_EQ(d->channels[1]->rect, (pa::raw_rect{188, y + 32, 196, y + 40}));
}

// Builds the objects of class_seen_twice.hex: modules 17 and 18 joined by a
// link from 17's output to 18's input.
void build_two_delays(object_array_t<CBaseAriModule>& modules, object_array_t<CBaseLink>& links) {
    modules.push_back(make_delay(17, 100, 50, "Delay-1"));
    modules.push_back(make_delay(18, 100, 150, "延时-2"));
    auto link = std::make_unique<CBaseLink>();
    link->id = 1;
    link->source_module = 18;
    link->source_channel = 0;
    link->destination_module = 17;
    link->destination_channel = 1;
    link->start = {108, 186};
    link->end = {192, 86};
    links.push_back(std::move(link));
    modules[0]->channels[1]->link_count = 1;
    CBaseChnl* input = modules[1]->channels[0];
    input->link_count = 1;
    input->peer_channel = 1;
    input->peer_module = 17;
}

TEST(ArchiveGolden, WorkedExampleDelayInArrayIsWrittenExactly) {
    object_array_t<CBaseAriModule> modules;
    modules.push_back(make_delay(17, 100, 50, "Delay-1"));
    EXPECT_EQ(to_hex(store_modules_and_links(modules, nullptr)),
              to_hex(load_fixture("delay_in_array.hex")));
}

TEST(ArchiveGolden, WorkedExampleDelayInArrayLoads) {
    const auto bytes = load_fixture("delay_in_array.hex");
    archive_t ar(bytes, test_classes());
    object_array_t<CBaseAriModule> modules;
    modules.Serialize(ar);
    EXPECT_TRUE(ar.AtEnd());
    ASSERT_EQ(modules.size(), 1u);
    expect_delay(modules[0], 17, 50, "Delay-1");
}

TEST(ArchiveGolden, ClassSeenTwiceIsWrittenByReference) {
    object_array_t<CBaseAriModule> modules;
    object_array_t<CBaseLink> links;
    build_two_delays(modules, links);
    EXPECT_EQ(to_hex(store_modules_and_links(modules, &links)),
              to_hex(load_fixture("class_seen_twice.hex")));
}

TEST(ArchiveGolden, ClassSeenTwiceLoadsWithGbkNamesAndLinkState) {
    const auto bytes = load_fixture("class_seen_twice.hex");
    archive_t ar(bytes, test_classes());
    object_array_t<CBaseAriModule> modules;
    object_array_t<CBaseLink> links;
    modules.Serialize(ar);
    links.Serialize(ar);
    EXPECT_TRUE(ar.AtEnd());
    ASSERT_EQ(modules.size(), 2u);
    expect_delay(modules[0], 17, 50, "Delay-1");
    expect_delay(modules[1], 18, 150, "延时-2");
    EXPECT_EQ(modules[0]->channels[1]->link_count, 1);
    EXPECT_EQ(modules[1]->channels[0]->peer_module, 17);
    EXPECT_EQ(modules[1]->channels[0]->peer_channel, 1);
    ASSERT_EQ(links.size(), 1u);
    const CBaseLink* l = links[0];
    EXPECT_EQ(l->seen_schema, 2u);
    EXPECT_EQ(l->id, 1);
    EXPECT_EQ(l->source_module, 18);
    EXPECT_EQ(l->destination_module, 17);
    EXPECT_EQ(l->destination_channel, 1);
    EXPECT_EQ(l->start, (pa::raw_point{108, 186}));
    EXPECT_EQ(l->end, (pa::raw_point{192, 86}));
    EXPECT_EQ(l->pen_width, 1);
}

TEST(ArchiveGolden, OldSchemaIsRememberedPerClassAndPassedToEveryObject) {
    const auto bytes = load_fixture("old_schema.hex");
    archive_t ar(bytes, test_classes());
    object_array_t<CBaseLink> links;
    object_array_t<CBaseAriModule> modules;
    links.Serialize(ar);
    modules.Serialize(ar);
    EXPECT_TRUE(ar.AtEnd());

    ASSERT_EQ(links.size(), 2u);
    // The second link names its class by reference: it must get schema 1
    // from the class's first tag, not the class's own schema 2.
    EXPECT_EQ(links[0]->seen_schema, 1u);
    EXPECT_EQ(links[1]->seen_schema, 1u);
    EXPECT_EQ(links[1]->start, (pa::raw_point{-5, 6}));
    EXPECT_EQ(links[1]->colour, 0x00FF00);

    ASSERT_EQ(modules.size(), 1u);
    const auto* d = static_cast<const CAriDelay*>(modules[0]);
    EXPECT_EQ(d->seen_delay_schema, 1u);
    EXPECT_EQ(d->seen_ari_schema, 1u);
    EXPECT_EQ(d->seen_module_schema, 1u);
    EXPECT_EQ(d->bypass, 1);
    EXPECT_EQ(d->delay, 7.5);
    EXPECT_EQ(d->display_name, "D");
    EXPECT_EQ(d->group, 0);
    EXPECT_EQ(d->group_name, "");
    EXPECT_EQ(d->selected, 0);
    EXPECT_EQ(d->colours, (std::array<std::int32_t, 4>{1, 2, 3, 4}));
}

TEST(ArchiveGolden, UnknownSchemaReachesEveryClassPart) {
    const auto bytes = load_fixture("future_schema.hex");
    archive_t ar(bytes, test_classes());
    object_array_t<CBaseAriModule> modules;
    modules.Serialize(ar);
    EXPECT_TRUE(ar.AtEnd());
    ASSERT_EQ(modules.size(), 1u);
    const auto* d = static_cast<const CAriDelay*>(modules[0]);
    EXPECT_EQ(d->seen_delay_schema, 3u);
    EXPECT_EQ(d->seen_ari_schema, 3u);
    EXPECT_EQ(d->seen_module_schema, 3u);
    EXPECT_EQ(d->id, 0);
    EXPECT_TRUE(d->channels.empty());
}

// Every strict prefix of a golden stream fails with archive_error at an
// offset inside the prefix, and the array being loaded keeps what it held.
TEST(ArchiveGolden, StreamCutAtEveryOffsetFailsCleanly) {
    const struct {
        const char* name;
        bool links_first, has_links;
    } fixtures[] = {{"delay_in_array.hex", false, false},
                    {"class_seen_twice.hex", false, true},
                    {"old_schema.hex", true, true},
                    {"future_schema.hex", false, false}};
    for (const auto& f : fixtures) {
        const auto full = load_fixture(f.name);
        for (std::size_t cut = 0; cut < full.size(); ++cut) {
            SCOPED_TRACE(std::string(f.name) + " cut at " + std::to_string(cut));
            const std::vector<std::uint8_t> prefix(full.begin(), full.begin() + cut);
            archive_t ar(prefix, test_classes());
            object_array_t<CBaseAriModule> modules;
            object_array_t<CBaseLink> links;
            modules.push_back(make_delay(99, 0, 0, "kept"));
            links.push_back(std::make_unique<CBaseLink>());
            links[0]->id = 99;
            bool modules_done = false, links_done = !f.has_links;
            try {
                if (f.links_first) {
                    links.Serialize(ar);
                    links_done = true;
                }
                modules.Serialize(ar);
                modules_done = true;
                if (!links_done) {
                    links.Serialize(ar);
                    links_done = true;
                }
                ADD_FAILURE() << "loaded a cut stream";
            } catch (const archive_error& e) {
                EXPECT_LE(e.offset(), cut);
            }
            if (!modules_done) {
                ASSERT_EQ(modules.size(), 1u);
                EXPECT_EQ(modules[0]->id, 99);
            }
            if (!links_done) {
                ASSERT_EQ(links.size(), 1u);
                EXPECT_EQ(links[0]->id, 99);
            }
        }
    }
}

} // namespace
} // namespace archive_test
