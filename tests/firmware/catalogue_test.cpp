// The firmware catalogue on generated folders: names, order, choices, the
// checksum cache in database.ini and the snapshots that outlive an init.
#include "firmware/database.h"

#include "firmware_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace firmware_test;
using update::checksums_t;

std::string text_of(const std::string& path) {
    const bytes_t bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

void write_text(const std::string& path, const std::string& text) {
    write_file(path, bytes_t(text.begin(), text.end()));
}

// A folder of tolk images, one image per distinct checksum set.
class image_folder_t {
public:
    explicit image_folder_t(const std::string& path) : path_(path) { ::mkdir(path.c_str(), 0755); }

    void add(const std::string& name, const checksums_t& parts) {
        auto& image = images_[parts.code];
        if (image.empty())
            image = tolk_image(parts.code, parts);
        write_file(file(name), image);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::map<std::uint32_t, bytes_t> images_;
};

std::vector<std::string> names_of(const std::vector<const image_record*>& records) {
    std::vector<std::string> names;
    for (const image_record* r : records)
        names.push_back(r ? r->file_name : "(none)");
    return names;
}

const image_record* named(const catalogue_t& catalogue, const std::string& name) {
    for (const image_record& r : catalogue.records())
        if (r.file_name == name)
            return &r;
    ADD_FAILURE() << "no record " << name;
    return nullptr;
}

// ---------------------------------------------------------------------------

struct name_row_t {
    const char* name;
    const char* file;
    bool valid;
    const char* type;
    std::uint32_t major, minor, build;
};

void PrintTo(const name_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareCatalogueNames : public ::testing::TestWithParam<name_row_t> {};

TEST_P(FirmwareCatalogueNames, ParseTypeAndThreeNumbers) {
    const name_row_t& row = GetParam();
    const image_record r = image_record::from_file_name(row.file, checksums_t{1, 2, 0, 3, 4});
    EXPECT_EQ(r.valid, row.valid);
    EXPECT_EQ(r.file_name, row.file);
    EXPECT_EQ(r.type_name, row.type);
    EXPECT_EQ(r.major, row.major);
    EXPECT_EQ(r.minor, row.minor);
    EXPECT_EQ(r.build, row.build);
    EXPECT_EQ(r.checksums, (checksums_t{1, 2, 0, 3, 4}));
    EXPECT_FALSE(r.exists);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareCatalogueNames,
    ::testing::Values(
        name_row_t{"plain", "tolk_1_2_3.bin", true, "tolk", 1, 2, 3},
        name_row_t{"build_ends_at_the_extension_in_any_case", "tolk_10_0_7.BIN", true, "tolk", 10,
                   0, 7},
        name_row_t{"large_numbers", "tolk_1_4294967295_300.bin", true, "tolk", 1, 4294967295u, 300},
        name_row_t{"extra_field_is_ignored", "tolk_1_1_0_beta.bin", true, "tolk", 1, 1, 0},
        name_row_t{"three_fields_only", "tolk_1_2.bin", false, "unknown", 0, 0, 0},
        name_row_t{"type_cannot_hold_an_underscore", "my_tolk_1_2_3.bin", false, "unknown", 0, 0,
                   0},
        name_row_t{"sign_is_not_a_number", "tolk_-1_2_3.bin", false, "unknown", 0, 0, 0},
        name_row_t{"number_beyond_32_bits", "tolk_1_2_4294967296.bin", false, "unknown", 0, 0, 0},
        name_row_t{"no_type", "_1_2_3.bin", false, "unknown", 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

class FirmwareCatalogue : public ::testing::Test {
protected:
    temp_dir_t dir_;
};

TEST_F(FirmwareCatalogue, ListsFamilyImagesByNameWithoutRegardToCase) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_2_0_0.bin", {0x2000, 1, 0, 0, 0});
    folder.add("Tolk_1_0_0.BIN", {0x1000, 1, 0, 0, 0});
    folder.add("tolk_1_5_0.Bin", {0x1500, 1, 0, 0, 0});
    folder.add("tolk_1_2.bin", {0x1200, 1, 0, 0, 0});      // name does not parse
    folder.add("tolk_3_0_0.bin.old", {0x3000, 1, 0, 0, 0}); // not "*.bin"
    write_file(folder.file("notes_1_0_0.bin"), pattern_bytes(100, 1)); // no family's image
    ::mkdir(folder.file("dir_1_0_0.bin").c_str(), 0755);

    database_t database;
    EXPECT_TRUE(database.snapshot()->records().empty()) << "empty until init";
    database.init(folder.path());
    const auto catalogue = database.snapshot();
    EXPECT_EQ(catalogue->folder(), folder.path() + "/");
    EXPECT_EQ(names_of(catalogue->find_all()),
              (std::vector<std::string>{"Tolk_1_0_0.BIN", "tolk_1_5_0.Bin", "tolk_2_0_0.bin"}));
    for (const image_record& r : catalogue->records()) {
        EXPECT_TRUE(r.exists) << r.file_name;
        EXPECT_EQ(r.type_name, r.file_name[0] == 'T' ? "Tolk" : "tolk");
    }
    EXPECT_EQ(catalogue->records()[1].checksums, (checksums_t{0x1500, 1, 0, 0, 0}));
    EXPECT_EQ(catalogue->image_path(catalogue->records()[2]), folder.file("tolk_2_0_0.bin"));
}

TEST_F(FirmwareCatalogue, MissingFolderGivesAnEmptyCatalogue) {
    database_t database;
    database.init(dir_.file("missing"));
    EXPECT_TRUE(database.snapshot()->find_all().empty());
    EXPECT_TRUE(database.snapshot()->find_compatible(nullptr).empty());
}

TEST_F(FirmwareCatalogue, DisplayNamesUseTheDeviceTypesSection) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_1_2_3.bin", {0x10, 1, 0, 0, 0});
    folder.add("other_4_5_600.bin", {0x10, 1, 0, 0, 0});
    write_text(folder.file("database.ini"), "[Device Types]\ntolk=Tolk Module\n");
    database_t database;
    database.init(folder.path());
    const auto catalogue = database.snapshot();
    EXPECT_EQ(catalogue->display_name(named(*catalogue, "tolk_1_2_3.bin")),
              "Tolk Module version 1.2.3");
    EXPECT_EQ(catalogue->display_name(named(*catalogue, "other_4_5_600.bin")),
              "other version 4.5.600");
    EXPECT_EQ(catalogue->display_name(nullptr), "???");

    // Shown names of an earlier folder stay known.
    image_folder_t second(dir_.file("second"));
    second.add("tolk_2_0_0.bin", {0x10, 1, 0, 0, 0});
    database.init(second.path());
    EXPECT_EQ(database.snapshot()->display_name(&database.snapshot()->records()[0]),
              "Tolk Module version 2.0.0");
}

TEST_F(FirmwareCatalogue, PreferredIsTheNewestPresentVersionOfTheType) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_0_255_255.bin", {0x10, 1, 0, 0, 0});
    // 1.0.300 would pass 1.1.0 if minor and build were packed into one key.
    folder.add("tolk_1_0_300.bin", {0x20, 1, 0, 0, 0});
    folder.add("tolk_1_1_0.bin", {0x30, 1, 0, 0, 0});
    folder.add("tolk_1_1_0_b.bin", {0x30, 1, 0, 0, 0});
    folder.add("other_9_0_0.bin", {0x40, 1, 0, 0, 0});
    // Cached, but its file is gone.
    write_text(folder.file("database.ini"), "[Checksums]\ntolk_7_0_0.bin=80 1 \n");
    database_t database;
    database.init(folder.path());
    const auto c = database.snapshot();

    const image_record* gone = named(*c, "tolk_7_0_0.bin");
    ASSERT_NE(gone, nullptr);
    EXPECT_FALSE(gone->exists);
    struct row_t {
        const char* given;
        const char* preferred;
    } rows[] = {
        {"tolk_0_255_255.bin", "tolk_1_1_0.bin"},
        {"tolk_1_0_300.bin", "tolk_1_1_0.bin"},
        {"tolk_1_1_0_b.bin", "tolk_1_1_0_b.bin"}, // the given record wins a tie
        {"tolk_7_0_0.bin", "tolk_1_1_0.bin"},     // a missing file is never preferred
        {"other_9_0_0.bin", "other_9_0_0.bin"},
    };
    for (const row_t& row : rows) {
        const image_record* preferred = c->find_prefered(named(*c, row.given));
        ASSERT_NE(preferred, nullptr) << row.given;
        EXPECT_EQ(preferred->file_name, row.preferred) << row.given;
    }
    EXPECT_EQ(c->find_prefered(nullptr), nullptr);

    EXPECT_EQ(names_of(c->find_compatible(named(*c, "tolk_1_1_0.bin"))),
              (std::vector<std::string>{"tolk_7_0_0.bin", "tolk_0_255_255.bin", "tolk_1_0_300.bin",
                                        "tolk_1_1_0.bin", "tolk_1_1_0_b.bin"}));
    EXPECT_EQ(c->find_compatible(nullptr).size(), c->records().size());
}

TEST_F(FirmwareCatalogue, CodeChecksumZeroMatchesNoRecord) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_1_0_0.bin", {0x4242, 1, 0, 0, 0});
    folder.add("tolk_1_0_1.bin", {0x4242, 1, 0, 0, 0});
    // A cache entry with code 0 is an image without valid code: not listed.
    write_text(folder.file("database.ini"), "[Checksums]\ntolk_0_0_1.bin=0 0 \n");
    database_t database;
    database.init(folder.path());
    const auto c = database.snapshot();
    ASSERT_EQ(names_of(c->find_all()),
              (std::vector<std::string>{"tolk_1_0_0.bin", "tolk_1_0_1.bin"}));
    EXPECT_EQ(c->find_by_code(0), nullptr) << "a unit without valid code runs no listed image";
    EXPECT_EQ(c->find_by_code(0x4242), &c->records()[0]) << "the first match";
    EXPECT_EQ(c->find_by_code(0x4243), nullptr);
}

// Blank images (zeros, or erased flash) and images whose code identifies as
// 0 are no firmware; neither is an image that an older cache listed with
// code 0, which is measured anew, and the cache loses the entry.
TEST_F(FirmwareCatalogue, ImagesWithoutFirmwareCodeAreNotListed) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_1_0_0.bin", {0x4242, 1, 0, 0, 0});
    const std::size_t sizes[] = {0x100000, 0x20000, 0x80000};
    const char* types[] = {"tolk", "brisk", "plinth"};
    for (int i = 0; i < 3; ++i) {
        write_file(folder.file(std::string(types[i]) + "_9_0_0.bin"), bytes_t(sizes[i], 0x00));
        write_file(folder.file(std::string(types[i]) + "_9_0_1.bin"), bytes_t(sizes[i], 0xff));
    }
    // Valid parts but for the code, which is zeros and a word that seals
    // them: it sums to 0 but identifies as 0.
    bytes_t code_0 = tolk_image(5, {0x123456, 0x0abcde, 0, 0, 0});
    std::fill(code_0.begin() + 0x40000, code_0.begin() + 0x40000 + 0x3ffff, 0);
    code_0[0x40000] = 1;
    code_0[0x40000 + 0x3ffff - 6] = 0xff;
    code_0[0x40000 + 0x3ffff - 5] = 0xff;
    code_0[0x40000 + 0x3ffff - 4] = 0xff;
    write_file(folder.file("tolk_9_0_2.bin"), code_0);
    const std::string listed = "tolk_1_0_0.bin=" + std::to_string(0x4242) + " 1 \n";
    write_text(folder.file("database.ini"), "[Checksums]\ntolk_9_0_0.bin=0 0 \n" + listed);

    {
        database_t database;
        database.init(folder.path());
        EXPECT_EQ(names_of(database.snapshot()->find_all()),
                  (std::vector<std::string>{"tolk_1_0_0.bin"}));
    }
    EXPECT_EQ(text_of(folder.file("database.ini")), "[Checksums]\n" + listed);
}

TEST_F(FirmwareCatalogue, ChecksumsSectionIsRewrittenInItsStoredForm) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_1_0_0.bin", {257, 514, 0, 0, 0});
    folder.add("tolk_1_2_3.bin", {1000, 2000, 0, 3000, 0});
    folder.add("tolk_2_0_0.bin", {11, 12, 0, 13, 14});
    folder.add("tolk_2_1_0.bin", {21, 22, 0, 0, 24});
    write_text(folder.file("database.ini"),
               "[options]\n"
               "writeini=1\n"
               "\n"
               "[Checksums]\n"
               "gone_1_0_0.bin=5 6 7 8\n"
               "\n"
               "[Device Types]\n"
               "tolk=Tolk Module\n");
    {
        database_t database;
        database.init(folder.path());
        EXPECT_EQ(database.snapshot()->records().size(), 5u);
    }
    EXPECT_EQ(text_of(folder.file("database.ini")),
              "[options]\n"
              "writeini=1\n"
              "\n"
              "[Device Types]\n"
              "tolk=Tolk Module\n"
              "\n"
              "[Checksums]\n"
              "gone_1_0_0.bin=5 6 7 8\n"
              "tolk_1_0_0.bin=257 514 \n"
              "tolk_1_2_3.bin=1000 2000 3000 \n"
              "tolk_2_0_0.bin=11 12 13 14\n"
              "tolk_2_1_0.bin=21 22 0 24\n");

    // Read back, the cache gives the same records without a new scan result.
    database_t again;
    again.init(folder.path());
    const auto c = again.snapshot();
    EXPECT_EQ(named(*c, "tolk_1_2_3.bin")->checksums, (checksums_t{1000, 2000, 0, 3000, 0}));
    EXPECT_EQ(named(*c, "tolk_2_1_0.bin")->checksums, (checksums_t{21, 22, 0, 0, 24}));
}

TEST_F(FirmwareCatalogue, WriteIniZeroKeepsTheFileAtTheEndButNotAtTheNextInit) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_1_0_0.bin", {257, 514, 0, 0, 0});
    const std::string ini = "[options]\nwriteini=0\n";
    write_text(folder.file("database.ini"), ini);
    {
        database_t database;
        database.init(folder.path());
    }
    EXPECT_EQ(text_of(folder.file("database.ini")), ini);

    database_t database;
    database.init(folder.path());
    database.init(dir_.file("elsewhere"));
    EXPECT_EQ(text_of(folder.file("database.ini")), ini + "\n[Checksums]\ntolk_1_0_0.bin=257 514 \n");
}

TEST_F(FirmwareCatalogue, CachedChecksumsAreTakenUnlessNocache) {
    image_folder_t folder(dir_.file("images"));
    folder.add("tolk_1_0_0.bin", {257, 514, 0, 0, 0});
    folder.add("tolk_2_0_0.bin", {11, 12, 0, 13, 14});
    const std::string cache = "[Checksums]\ntolk_1_0_0.bin=1 2\n";
    write_text(folder.file("database.ini"), cache);
    {
        database_t database;
        database.init(folder.path());
        const auto c = database.snapshot();
        // The cached values show that the file was not read.
        EXPECT_EQ(c->records()[0].checksums, (checksums_t{1, 2, 0, 0, 0}));
        EXPECT_TRUE(c->records()[0].exists);
    }
    write_text(folder.file("database.ini"), "[options]\nnocache=1\n\n" + cache);
    {
        database_t database;
        database.init(folder.path());
        EXPECT_EQ(names_of(database.snapshot()->find_all()),
                  (std::vector<std::string>{"tolk_1_0_0.bin", "tolk_2_0_0.bin"}));
        EXPECT_EQ(database.snapshot()->records()[0].checksums, (checksums_t{257, 514, 0, 0, 0}));
    }
    EXPECT_EQ(text_of(folder.file("database.ini")),
              "[options]\nnocache=1\n\n[Checksums]\ntolk_1_0_0.bin=257 514 \n"
              "tolk_2_0_0.bin=11 12 13 14\n");
}

TEST_F(FirmwareCatalogue, SnapshotOutlivesInitAndTheDatabase) {
    image_folder_t first(dir_.file("first"));
    first.add("tolk_1_2_3.bin", {0x10, 1, 0, 0, 0});
    image_folder_t second(dir_.file("second"));
    second.add("tolk_4_5_6.bin", {0x20, 1, 0, 0, 0});

    std::shared_ptr<const catalogue_t> kept;
    const image_record* record = nullptr;
    {
        database_t database;
        database.init(first.path());
        kept = database.snapshot();
        record = &kept->records()[0];
        database.init(second.path());
        EXPECT_EQ(database.snapshot()->records()[0].file_name, "tolk_4_5_6.bin");
        // A record of the earlier snapshot is found again by its file only.
        EXPECT_EQ(database.snapshot()->own(record), nullptr);
        EXPECT_EQ(database.snapshot()->find_prefered(record)->file_name, "tolk_4_5_6.bin");
    }
    EXPECT_EQ(kept->display_name(record), "tolk version 1.2.3");
    EXPECT_EQ(kept->image_path(*record), first.file("tolk_1_2_3.bin"));
}

TEST_F(FirmwareCatalogue, InitWhileOtherThreadsReadTheCatalogue) {
    image_folder_t first(dir_.file("first"));
    first.add("tolk_1_0_0.bin", {0x10, 1, 0, 0, 0});
    first.add("tolk_1_1_0.bin", {0x20, 1, 0, 0, 0});
    image_folder_t second(dir_.file("second"));
    second.add("tolk_2_0_0.bin", {0x30, 1, 0, 0, 0});

    database_t database;
    database.init(first.path());
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i)
        readers.emplace_back([&] {
            while (!stop) {
                const auto c = database.snapshot();
                for (const image_record* r : c->find_all()) {
                    const image_record* best = c->find_prefered(r);
                    EXPECT_NE(best, nullptr);
                    EXPECT_FALSE(c->display_name(best).empty());
                }
                ++reads;
            }
        });
    for (int i = 0; i < 20; ++i)
        database.init(i % 2 ? first.path() : second.path());
    while (reads < 10)
        std::this_thread::yield();
    stop = true;
    for (std::thread& t : readers)
        t.join();
}

} // namespace
