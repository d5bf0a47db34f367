// Hostile and malformed streams: each gives one archive_error at the offset of
// the item at fault, with what was expected there, and leaks nothing.
#include <gtest/gtest.h>

#include "hex_fixture.h"
#include "sheet_classes.h"

namespace archive_test {
namespace {

using pa::archive_error;
using pa::archive_t;
using pa::object_array_t;

enum class load_as { modules, empties, any_object };

struct hostile_row {
    const char* fault;
    load_as target;
    std::string hex;
    std::uint64_t offset;
    const char* expected; // part of archive_error::expected()
};

const std::string delay_head = // array of 1, CAriDelay (#1, object #2) and its 20 own bytes
    "01 00 ff ff 02 00 09 00 43 41 72 69 44 65 6c 61 79"
    " 00 00 00 00 00 00 00 00 00 00 14 40 00 00 00 00 00 00 14 40";
const std::string empty_class = "ff ff 02 00 0a 00 43 54 65 73 74 45 6d 70 74 79";

TEST(ArchiveChecks, HostileStreamsGiveOneClearError) {
    const hostile_row rows[] = {
        {"class name nobody registered", load_as::modules, "01 00 ff ff 02 00 04 00 43 46 6f 6f", 2,
         "a known class, found \"CFoo\""},
        {"element outside the array's family", load_as::modules,
         "01 00 ff ff 02 00 09 00 43 42 61 73 65 4c 69 6e 6b", 2,
         "a class of the CBaseAriModule family, found \"CBaseLink\""},
        {"base reference skips a class of the chain", load_as::modules,
         delay_head + " ff ff 02 00 0b 00 43 42 61 73 65 4d 6f 64 75 6c 65", 37,
         "class CBaseAriModule, found \"CBaseModule\""},
        {"base reference is a null tag", load_as::modules, delay_head + " 00 00", 37,
         "a reference to class CBaseAriModule, found a null tag"},
        {"base reference is an object reference", load_as::modules, delay_head + " 02 00", 37,
         "a reference to class CBaseAriModule, found an object tag"},
        {"class reference to an index not yet given", load_as::modules, "01 00 05 80", 2,
         "a reference to an earlier class, found #5"},
        {"class reference to index 0", load_as::modules, "01 00 00 80", 2,
         "a reference to an earlier class, found #0"},
        {"class reference naming an object", load_as::empties, "02 00 " + empty_class + " 02 80",
         18, "a reference to an earlier class, found #2"},
        {"big class reference beyond the table", load_as::empties, "01 00 ff 7f 00 00 00 80", 2,
         "a reference to an earlier class, found #0"},
        {"second reference to an owned object", load_as::empties, "02 00 " + empty_class + " 02 00",
         18, "a new object, found a reference to object #2"},
        {"object reference naming a class", load_as::empties, "02 00 " + empty_class + " 01 00", 18,
         "a reference to an earlier object, found #1"},
        {"object reference beyond the table", load_as::empties, "01 00 07 00", 2,
         "a reference to an earlier object, found #7"},
        {"null element in an owning array", load_as::empties, "01 00 00 00", 2, "found a null tag"},
        {"class that cannot be created", load_as::any_object,
         "ff ff 02 00 0d 00 43 54 65 73 74 41 62 73 74 72 61 63 74", 0,
         "a class that can be created, found abstract \"CTestAbstract\""},
        {"count of 0xFFFFFFFF", load_as::empties, "ff ff ff ff ff ff 00 00", 0,
         "a count the remaining 2 bytes can hold, found 4294967295"},
        {"count larger than two bytes an element allow", load_as::empties, "03 00 01 80 01 80", 0,
         "a count the remaining 4 bytes can hold, found 3"},
        {"class name longer than the rest", load_as::empties, "01 00 ff ff 02 00 ff 00 43", 8,
         "a class name of 255 bytes, 1 left"},
        {"big tag cut short", load_as::empties, "01 00 ff 7f 01 00", 4,
         "a 32-bit object tag (4 bytes), 2 left"},
        {"32-bit count cut short", load_as::empties, "ff ff 01 00", 2,
         "a 32-bit count (4 bytes), 2 left"},
        {"non-printable class name is shown escaped", load_as::any_object,
         "ff ff 02 00 02 00 0a ff", 0, "a known class, found \"\\x0A\\xFF\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        const auto bytes = parse_hex(row.hex);
        archive_t in(bytes, test_classes());
        try {
            switch (row.target) {
            case load_as::modules: {
                object_array_t<CBaseAriModule> modules;
                modules.Serialize(in);
                break;
            }
            case load_as::empties: {
                object_array_t<CTestEmpty> empties;
                empties.Serialize(in);
                break;
            }
            case load_as::any_object:
                in.ReadObject(nullptr);
                break;
            }
            ADD_FAILURE() << "loaded";
        } catch (const archive_error& e) {
            EXPECT_EQ(e.offset(), row.offset) << e.what();
            EXPECT_NE(e.expected().find(row.expected), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("offset " + std::to_string(row.offset)),
                      std::string::npos)
                << e.what();
        }
    }
}

// Objects nested inside objects: 64 levels load, the 65th is refused before
// it is created (a hostile file could otherwise exhaust the stack).
std::vector<std::uint8_t> nested_nodes(int levels) {
    std::string hex = "01 00 ff ff 02 00 09 00 43 54 65 73 74 4e 6f 64 65";
    for (int i = 1; i < levels; ++i)
        hex += " 01 00 01 80";
    hex += " 00 00";
    return parse_hex(hex);
}

TEST(ArchiveChecks, NestingIsLimited) {
    {
        const auto bytes = nested_nodes(archive_t::max_depth);
        archive_t in(bytes, test_classes());
        object_array_t<CTestNode> roots;
        roots.Serialize(in);
        int depth = 0;
        for (const CTestNode* n = roots[0]; n != nullptr; n = n->children.get(0))
            ++depth;
        EXPECT_EQ(depth, archive_t::max_depth);
    }
    {
        const auto bytes = nested_nodes(archive_t::max_depth + 1);
        archive_t in(bytes, test_classes());
        object_array_t<CTestNode> roots;
        try {
            roots.Serialize(in);
            ADD_FAILURE() << "loaded";
        } catch (const archive_error& e) {
            EXPECT_EQ(e.offset(), 17u + 4u * (archive_t::max_depth - 1) + 2u);
        }
        EXPECT_TRUE(roots.empty());
    }
}

TEST(ArchiveChecks, StoringNullElementIsRefused) {
    object_array_t<CBaseLink> links;
    links.push_back(nullptr);
    archive_t out;
    EXPECT_THROW(links.Serialize(out), archive_error);
}

TEST(ArchiveChecks, RegistryRefusesTwoClassesOfOneName) {
    static constexpr pa::runtime_class_t impostor{"CBaseLink", 2, 0,
                                                  &pa::serializable_t::class_record, nullptr};
    pa::class_registry_t r;
    r.add(CBaseLink::class_record);
    r.add(CBaseLink::class_record);
    EXPECT_EQ(r.size(), 1u);
    EXPECT_THROW(r.add(impostor), std::logic_error);
    EXPECT_EQ(r.find("CBaseLink"), &CBaseLink::class_record);
    EXPECT_EQ(r.find("cbaselink"), nullptr);
}

} // namespace
} // namespace archive_test
