// The byte forms one by one: strings (both widths of prefix, the wide form,
// the code page), counts, and the index sequence up to the big-index forms.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "alloc_counter.h"
#include "hex_fixture.h"
#include "platform/archive/file.h"
#include "sheet_classes.h"

namespace archive_test {
namespace {

using pa::archive_error;
using pa::archive_t;
using pa::object_array_t;

std::vector<std::uint8_t> bytes_of(std::string_view hex) {
    return parse_hex(hex);
}

std::vector<std::uint8_t> written(const archive_t& out) {
    return {out.Bytes().begin(), out.Bytes().end()};
}

std::vector<std::uint8_t> head(const std::vector<std::uint8_t>& bytes, std::size_t n) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size()))};
}

std::vector<std::uint8_t> tail(const std::vector<std::uint8_t>& bytes, std::size_t n) {
    return {bytes.end() - static_cast<std::ptrdiff_t>(n), bytes.end()};
}

// ---- strings

struct string_row {
    const char* fault;
    std::size_t length;
    const char* prefix;
};

TEST(ArchiveStrings, LengthPrefixesRoundTrip) {
    const string_row rows[] = {
        {"empty string still has a prefix byte", 0, "00"},
        {"254 is the longest one-byte prefix", 254, "fe"},
        {"255 must not be a one-byte prefix (0xFF is the escape)", 255, "ff ff 00"},
        {"0xFFFD is the longest 16-bit prefix", 0xFFFD, "ff fd ff"},
        {"0xFFFE as 16 bits would read back as the wide tag", 0xFFFE, "ff ff ff fe ff 00 00"},
        {"0xFFFF as 16 bits would read back as the 32-bit escape", 0xFFFF, "ff ff ff ff ff 00 00"},
        {"0x10000 does not fit 16 bits", 0x10000, "ff ff ff 00 00 01 00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        const std::string text(row.length, 'a');
        archive_t out;
        out << text << std::int32_t{0x11223344};
        const auto prefix = bytes_of(row.prefix);
        const auto bytes = out.TakeBytes();
        ASSERT_EQ(bytes.size(), prefix.size() + row.length + 4);
        EXPECT_EQ(head(bytes, prefix.size()), prefix);

        archive_t in(bytes, test_classes());
        std::string back;
        std::int32_t after = 0;
        in >> back >> after;
        EXPECT_EQ(back, text);
        EXPECT_EQ(after, 0x11223344);
        EXPECT_TRUE(in.AtEnd());
    }
}

struct wide_row {
    const char* fault;
    std::string hex;
    std::string expected;
};

TEST(ArchiveStrings, WideFormIsReadAndConverted) {
    std::string hex_256 = "ff fe ff ff 00 01";
    for (int i = 0; i < 256; ++i)
        hex_256 += " 41 00";
    std::string hex_fffe = "ff fe ff ff fe ff";
    for (int i = 0; i < 0xFFFE; ++i)
        hex_fffe += " 42 00";
    const wide_row rows[] = {
        {"one-byte wide prefix, CJK character", "ff fe ff 03 41 00 42 00 2d 4e", "AB中"},
        {"16-bit wide prefix", hex_256, std::string(256, 'A')},
        {"0xFFFE inside the wide prefix is a length, not a second tag", hex_fffe,
         std::string(0xFFFE, 'B')},
        {"32-bit wide prefix", "ff fe ff ff ff ff 01 00 00 00 41 00", "A"},
        {"surrogate pair becomes one character", "ff fe ff 02 3d d8 00 de", "\U0001F600"},
        {"unpaired surrogate becomes U+FFFD", "ff fe ff 02 3d d8 41 00", "\uFFFDA"},
        {"empty wide string", "ff fe ff 00", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        const auto bytes = bytes_of(row.hex);
        archive_t in(bytes, test_classes());
        EXPECT_EQ(in.ReadString(), row.expected);
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(ArchiveStrings, CodePageConversionAtTheBoundary) {
    {
        archive_t out; // GBK by default
        out << std::string_view("延时") << std::string_view("\U0001F600");
        // A character GBK lacks is stored as '?', as the system's conversion does.
        EXPECT_EQ(written(out), bytes_of("04 d1 d3 ca b1 01 3f"));
    }
    {
        // Bytes that are no GBK text survive a load and a save unchanged.
        const auto bytes = bytes_of("03 ff 80 fe");
        archive_t in(bytes, test_classes());
        const std::string text = in.ReadString();
        archive_t out;
        out << text;
        EXPECT_EQ(written(out), bytes);
    }
    {
        archive_t out;
        out.SetCodePage(pa::code_page_t::utf8());
        out << std::string_view("延时");
        EXPECT_EQ(written(out), bytes_of("06 e5 bb b6 e6 97 b6"));
        const auto bytes = out.TakeBytes();
        archive_t in(bytes, test_classes());
        in.SetCodePage(pa::code_page_t::utf8());
        EXPECT_EQ(in.ReadString(), "延时");
    }
}

TEST(ArchiveStrings, HostileLengthsFailBeforeAllocating) {
    const struct {
        const char* fault;
        const char* hex;
        std::uint64_t offset;
    } rows[] = {
        {"32-bit length 0xFFFFFFFF", "ff ff ff ff ff ff ff 41", 7},
        {"wide 32-bit length counts two bytes a character", "ff fe ff ff ff ff 00 00 00 80 41", 10},
        {"16-bit length beyond the end", "ff 00 10 41 42", 3},
        {"one-byte length beyond the end", "05 41 42", 1},
        {"prefix cut after the escape byte", "ff ff", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        const auto bytes = bytes_of(row.hex);
        archive_t in(bytes, test_classes());
        const std::size_t before = allocated_bytes();
        try {
            in.ReadString();
            ADD_FAILURE() << "read a string that is not there";
        } catch (const archive_error& e) {
            EXPECT_EQ(e.offset(), row.offset);
        }
        EXPECT_LT(allocated_bytes() - before, 4096u);
    }
}

// ---- counts

TEST(ArchiveCounts, ArrayCountsAtTheEscape) {
    const struct {
        const char* fault;
        std::size_t count;
        const char* count_bytes;
    } rows[] = {
        {"0xFFFE is the largest 16-bit count", 0xFFFE, "fe ff"},
        {"0xFFFF as 16 bits would read back as the escape", 0xFFFF, "ff ff ff ff 00 00"},
        {"zero elements", 0, "00 00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        object_array_t<CTestEmpty> items;
        for (std::size_t i = 0; i < row.count; ++i)
            items.push_back(std::make_unique<CTestEmpty>());
        archive_t out;
        items.Serialize(out);
        const auto bytes = out.TakeBytes();
        const auto count = bytes_of(row.count_bytes);
        EXPECT_EQ(head(bytes, count.size()), count);
        // One new-class tag, then a two-byte class reference per further element.
        const std::size_t first = row.count == 0 ? 0 : 6 + 10;
        EXPECT_EQ(bytes.size(), count.size() + first + (row.count == 0 ? 0 : 2 * (row.count - 1)));

        archive_t in(bytes, test_classes());
        object_array_t<CTestEmpty> back;
        back.Serialize(in);
        EXPECT_EQ(back.size(), row.count);
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(ArchiveCounts, CountOfFFFFFFFFIsRefusedWithoutAllocating) {
    const auto bytes = bytes_of("ff ff ff ff ff ff 00 00");
    archive_t in(bytes, test_classes());
    object_array_t<CTestEmpty> items;
    const std::size_t before = allocated_bytes();
    try {
        items.Serialize(in);
        ADD_FAILURE() << "accepted 4294967295 elements in 2 bytes";
    } catch (const archive_error& e) {
        EXPECT_EQ(e.offset(), 0u);
        EXPECT_NE(std::string(e.what()).find("4294967295"), std::string::npos) << e.what();
    }
    EXPECT_LT(allocated_bytes() - before, 4096u);
}

// ---- indices

std::vector<std::uint8_t> big_index_stream() {
    // Owners of everything written; the archive only sees pointers.
    std::vector<std::unique_ptr<pa::serializable_t>> keep;
    const auto add = [&](auto p) {
        auto* raw = p.get();
        keep.push_back(std::move(p));
        return raw;
    };
    archive_t out;
    out.WriteCount(0x7FFC + 8);
    std::vector<pa::serializable_t*> empties;
    for (int i = 0; i < 0x7FFC; ++i) {
        empties.push_back(add(std::make_unique<CTestEmpty>()));
        out.WriteObject(empties.back());
    }
    auto* node1 = add(std::make_unique<CTestNode>());
    auto* node2 = add(std::make_unique<CTestNode>());
    out.WriteObject(node1);
    out.WriteObject(node1);
    out.WriteObject(node2);
    out.WriteObject(node2);
    out.WriteObject(add(std::make_unique<CBaseLink>()));
    out.WriteObject(add(std::make_unique<CBaseLink>()));
    out.WriteObject(empties.front());
    out.WriteObject(empties.back());
    return out.TakeBytes();
}

TEST(ArchiveIndices, BigIndexFormsFromIndex0x7FFF) {
    const auto bytes = big_index_stream();
    const auto expected_tail = load_fixture("big_indices_tail.hex");
    EXPECT_EQ(to_hex(head(bytes, 18)),
              to_hex(bytes_of("04 80 ff ff 02 00 0a 00 43 54 65 73 74 45 6d 70 74 79")));
    EXPECT_EQ(to_hex(tail(bytes, expected_tail.size())), to_hex(expected_tail));
    EXPECT_EQ(bytes.size(), 2 + 16 + 2 * (0x7FFC - 1) + expected_tail.size());

    archive_t in(bytes, test_classes());
    ASSERT_EQ(in.ReadArrayBegin(), 0x7FFCu + 8);
    for (int i = 0; i < 0x7FFC; ++i)
        ASSERT_NE(in.ReadObject<CTestEmpty>(), nullptr);
    std::vector<archive_t::read_object_t> rest;
    for (int i = 0; i < 8; ++i)
        rest.push_back(in.ReadObjectOrReference(nullptr));
    EXPECT_TRUE(in.AtEnd());
    const struct {
        std::uint32_t reference;
        const pa::runtime_class_t* cls;
    } expected[] = {{0, &CTestNode::class_record},  {0x7FFF, &CTestNode::class_record},
                    {0, &CTestNode::class_record},  {0x8000, &CTestNode::class_record},
                    {0, &CBaseLink::class_record},  {0, &CBaseLink::class_record},
                    {2, &CTestEmpty::class_record}, {0x7FFD, &CTestEmpty::class_record}};
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rest[i].reference, expected[i].reference);
        if (expected[i].reference == 0) {
            ASSERT_NE(rest[i].object, nullptr);
            EXPECT_EQ(&rest[i].object->GetRuntimeClass(), expected[i].cls);
        } else {
            EXPECT_EQ(rest[i].object, nullptr);
            EXPECT_EQ(rest[i].reference_class, expected[i].cls);
        }
    }
    EXPECT_EQ(static_cast<CBaseLink*>(rest[5].object.get())->pen_width, 1);
}

TEST(ArchiveIndices, OwningArrayRefusesTheSecondReference) {
    const auto bytes = big_index_stream();
    archive_t in(bytes, test_classes());
    object_array_t<pa::serializable_t> all;
    try {
        all.Serialize(in);
        ADD_FAILURE() << "an owning array accepted a shared object";
    } catch (const archive_error& e) {
        // The first reference: right after the first node and its empty child array.
        EXPECT_EQ(e.offset(), 2u + 16 + 2 * (0x7FFC - 1) + 15 + 2);
        EXPECT_NE(e.expected().find("reference to object #32767"), std::string::npos) << e.what();
    }
}

TEST(ArchiveIndices, NullAndRepeatedObjectsAreWrittenAsTags) {
    CBaseLink link;
    archive_t out;
    out.WriteObject(nullptr);
    out.WriteObject(&link);
    out.WriteObject(&link);
    const auto bytes = out.TakeBytes();
    EXPECT_EQ(head(bytes, 8), bytes_of("00 00 ff ff 02 00 09 00"));
    EXPECT_EQ(tail(bytes, 2), bytes_of("02 00")); // class #1, object #2

    archive_t in(bytes, test_classes());
    EXPECT_EQ(in.ReadObject(nullptr), nullptr);
    EXPECT_NE(in.ReadObject<CBaseLink>(), nullptr);
    const auto again = in.ReadObjectOrReference(&CBaseLink::class_record);
    EXPECT_EQ(again.reference, 2u);
    EXPECT_EQ(again.reference_class, &CBaseLink::class_record);
}

// Objects wherever the heap may put them: densely, and where the table of
// stored objects first finds them in one place (addresses a multiple of its
// size apart), from the start or after others. Each is written as new once,
// then every second write is a reference to its index.
TEST(ArchiveIndices, RepeatedObjectsAreFoundWhereverTheyLie) {
    constexpr std::size_t n = 100;
    const std::pair<const char*, std::function<std::size_t(std::size_t)>> layouts[] = {
        {"16 bytes apart", [](std::size_t k) { return 16 * k; }},
        {"48 bytes apart", [](std::size_t k) { return 48 * k; }},
        {"4 KiB apart", [](std::size_t k) { return 4096 * k; }},
        {"64 KiB apart", [](std::size_t k) { return 65536 * k; }},
        {"close, then 64 KiB apart",
         [](std::size_t k) { return k < n / 2 ? 16 * k : 65536 * (k - n / 2 + 1); }},
    };
    for (const auto& [what, offset] : layouts) {
        SCOPED_TRACE(what);
        const auto storage = std::make_unique<std::byte[]>(offset(n - 1) + sizeof(CTestEmpty));
        std::vector<CTestEmpty*> objects;
        for (std::size_t k = 0; k < n; ++k)
            objects.push_back(::new (storage.get() + offset(k)) CTestEmpty);
        archive_t out;
        out.WriteArrayBegin(n);
        for (CTestEmpty* o : objects)
            out.WriteObject(o);
        const std::size_t first_pass = out.Tell();
        for (CTestEmpty* o : objects)
            out.WriteObject(o);
        const auto bytes = out.TakeBytes();
        ASSERT_EQ(bytes.size(), first_pass + 2 * n);
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint16_t index = 2 + static_cast<std::uint16_t>(k); // after class #1
            EXPECT_EQ(bytes[first_pass + 2 * k], index & 0xFF) << k;
            EXPECT_EQ(bytes[first_pass + 2 * k + 1], index >> 8) << k;
        }
        for (CTestEmpty* o : objects)
            o->~CTestEmpty();
    }
}

// ---- schema query and class references

TEST(ArchiveSchema, SchemaIsReturnedOnceAndRememberedPerClass) {
    const auto bytes =
        bytes_of("ff ff 05 00 09 00 43 42 61 73 65 4c 69 6e 6b" // CBaseLink, schema 5
                 " 01 80 01 80");
    archive_t in(bytes, test_classes());
    EXPECT_EQ(in.GetObjectSchema(), pa::no_schema);
    EXPECT_EQ(&in.ReadClass(&CBaseLink::class_record), &CBaseLink::class_record);
    EXPECT_EQ(in.GetObjectSchema(), 5u);
    EXPECT_EQ(in.GetObjectSchema(), pa::no_schema);
    std::uint32_t schema = 0;
    in.ReadClass(nullptr, &schema);
    EXPECT_EQ(schema, 5u);
    EXPECT_EQ(in.GetObjectSchema(), pa::no_schema); // went to `schema` instead
    in.SerializeClass(CBaseLink::class_record);
    EXPECT_EQ(in.GetObjectSchema(), 5u);
}

TEST(ArchiveSchema, DirectionMisuseIsAProgrammingError) {
    archive_t out;
    std::int32_t v = 0;
    EXPECT_THROW(out >> v, std::logic_error);
    const std::vector<std::uint8_t> bytes{1, 0, 0, 0};
    archive_t in(bytes, test_classes());
    EXPECT_THROW(in << v, std::logic_error);
    EXPECT_THROW(in.WriteObject(nullptr), std::logic_error);
}

// The direction is checked with the room to read or write: a storing archive
// that holds bytes still has none to read, a loading one none to write.
TEST(ArchiveSchema, DirectionMisuseIsRefusedOnEveryPath) {
    archive_t out;
    out << std::int32_t{7} << std::string_view("abc");
    const std::vector<std::uint8_t> bytes(64, 0x01);
    archive_t in(bytes, test_classes());
    std::uint8_t b = 0;
    double d = 0;
    pa::raw_rect r;
    std::string s;
    const std::pair<const char*, std::function<void()>> misuses[] = {
        {"8-bit read", [&] { out >> b; }},
        {"double read", [&] { out >> d; }},
        {"rectangle read", [&] { out >> r; }},
        {"string read", [&] { out >> s; }},
        {"count read", [&] { out.ReadCount(); }},
        {"array read", [&] { out.ReadArrayBegin(); }},
        {"object read", [&] { out.ReadObject(nullptr); }},
        {"object or reference read", [&] { out.ReadObjectOrReference(nullptr); }},
        {"class read", [&] { out.ReadClass(); }},
        {"raw read", [&] { out.Read(&b, 1); }},
        {"8-bit write", [&] { in << std::uint8_t{1}; }},
        {"double write", [&] { in << 1.0; }},
        {"rectangle write", [&] { in << pa::raw_rect{}; }},
        {"string write", [&] { in << std::string_view("abc"); }},
        {"count write", [&] { in.WriteCount(1); }},
        {"array write", [&] { in.WriteArrayBegin(1); }},
        {"class write", [&] { in.WriteClass(CBaseLink::class_record); }},
        {"raw write", [&] { in.Write(&b, 1); }},
    };
    for (const auto& [what, misuse] : misuses) {
        SCOPED_TRACE(what);
        EXPECT_THROW(misuse(), std::logic_error);
    }
    EXPECT_EQ(out.Tell(), 8u);
    EXPECT_EQ(in.Tell(), 0u);
}

TEST(ArchiveSchema, LoadingStartsAtTheGivenOffset) {
    const auto bytes = bytes_of("aa bb cc 02 00 00 00 03 41 42 43");
    archive_t in(bytes, test_classes(), 3);
    std::int32_t v = 0;
    in >> v;
    EXPECT_EQ(v, 2);
    EXPECT_EQ(in.Tell(), 7u);
    EXPECT_EQ(in.ReadString(), "ABC");
    EXPECT_THROW(archive_t(bytes, test_classes(), 12), archive_error);
}

// ---- written bytes

// Small writes across many block boundaries, a raw write larger than any
// block, and looks at the bytes in between (which join the blocks while the
// writing goes on): the bytes come back in order, from Bytes() and TakeBytes().
TEST(ArchiveBytes, WritesAcrossBlocksComeBackInOrder) {
    archive_t out;
    std::vector<std::uint8_t> expected;
    const auto put32 = [&](std::uint32_t v) {
        out << v;
        for (int i = 0; i < 4; ++i)
            expected.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    for (std::uint32_t i = 0; i < 3000; ++i)
        put32(i * 2654435761u);
    EXPECT_EQ(written(out), expected);
    out << std::uint8_t{0xA5};
    expected.push_back(0xA5);
    std::vector<std::uint8_t> raw(3u << 20);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    out.Write(raw.data(), raw.size());
    expected.insert(expected.end(), raw.begin(), raw.end());
    for (std::uint32_t i = 0; i < 300000; ++i)
        put32(i ^ 0x5A5A5A5Au);
    EXPECT_EQ(out.Tell(), expected.size());
    EXPECT_EQ(written(out), expected);
    put32(0xDEADBEEFu);
    EXPECT_EQ(out.TakeBytes(), expected);
}

// ---- files

TEST(ArchiveFile, AtomicWriteReplacesOrLeavesTheOldFile) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("archive_file_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "sheet.dsp";
    const std::vector<std::uint8_t> first{1, 2, 3}, second{4, 5};
    pa::write_file_atomic(path, first);
    EXPECT_EQ(pa::read_file(path), first);
    pa::write_file_atomic(path, second);
    EXPECT_EQ(pa::read_file(path), second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1); // no temp left

    // Renaming over a directory fails: the file written so far goes away.
    std::filesystem::create_directory(dir / "taken");
    EXPECT_THROW(pa::write_file_atomic(dir / "taken", first), std::system_error);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
    EXPECT_THROW(pa::read_file(dir / "missing"), std::system_error);
    std::filesystem::remove_all(dir);
}

// What is not a regular file, or is larger than the limit, is refused with
// a reason, before anything is read (a FIFO would block, a device be endless).
TEST(ArchiveFile, ReadRefusesWhatIsNoRegularFileOrTooLarge) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("archive_read_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    pa::write_file_atomic(dir / "ten", std::vector<std::uint8_t>(10, 7));
    struct row_t {
        std::filesystem::path path;
        std::uint64_t limit;
        const char* reason;
    };
    for (const row_t& row : {row_t{dir, pa::default_read_limit, "not a regular file"},
                             row_t{dir / "fifo", pa::default_read_limit, "not a regular file"},
                             row_t{"/dev/zero", pa::default_read_limit, "not a regular file"},
                             row_t{dir / "ten", 9, "larger than 9 bytes"}}) {
        try {
            pa::read_file(row.path, row.limit);
            ADD_FAILURE() << row.path << " was read";
        } catch (const std::system_error& e) {
            EXPECT_NE(std::string(e.what()).find(row.reason), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(pa::read_file(dir / "ten", 10).size(), 10u);
    EXPECT_EQ(pa::default_read_limit, 64u << 20);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace archive_test
