#include "firmware/checksum.h"

#include "firmware_fixture.h"
#include "qo/wapi/exception.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using firmware_test::bytes_t;
using firmware_test::temp_dir_t;
using firmware_test::write_file;

struct vector_row_t {
    const char* name;
    bytes_t bytes;
    std::uint32_t offset;
    std::uint32_t length;
    std::uint32_t sum;
    std::uint32_t last_word;
    std::uint32_t remaining;
};

void PrintTo(const vector_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareChecksumVectors : public ::testing::TestWithParam<vector_row_t> {};

TEST_P(FirmwareChecksumVectors, SumLastWordAndRemaining) {
    const vector_row_t& row = GetParam();
    temp_dir_t dir;
    write_file(dir.file("part"), row.bytes);
    checksum_t checksum;
    checksum.set_range(row.offset, row.length);
    checksum.add_file(dir.file("part"));
    EXPECT_EQ(checksum.sum(), row.sum);
    EXPECT_EQ(checksum.last_word(), row.last_word);
    EXPECT_EQ(checksum.is_zero(), row.sum == 0);
    EXPECT_EQ(checksum.remaining(), row.remaining);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareChecksumVectors,
    ::testing::Values(
        vector_row_t{"words_are_little_endian_in_file_order", {1, 2, 3, 4, 5, 6}, 0, 6, 0x090705,
                     0x060504, 0},
        vector_row_t{"sum_wraps_at_2_pow_24", {0xff, 0xff, 0xff, 0x01, 0x00, 0x00}, 0, 6, 0, 0x000001, 0},
        vector_row_t{"range_tail_of_two_bytes_is_carried_not_summed", {1, 2, 3, 4, 5}, 0, 5, 0x030201,
                     0x030201, 0},
        vector_row_t{"offset_skips_the_start_of_the_file", {9, 9, 9, 1, 2, 3}, 3, 3, 0x030201, 0x030201, 0},
        vector_row_t{"range_ends_inside_the_file", {1, 2, 3, 4, 5, 6}, 0, 3, 0x030201, 0x030201, 0},
        vector_row_t{"range_longer_than_the_file_consumes_only_its_bytes", {1, 2, 3, 4, 5, 6}, 0, 100,
                     0x090705, 0x060504, 94},
        vector_row_t{"empty_file_sums_nothing", {}, 0, 6, 0, 0, 6},
        vector_row_t{"file_shorter_than_a_word_is_not_read_past_its_end", {0x11, 0x22}, 0, 6, 0, 0, 4},
        vector_row_t{"offset_past_the_end_of_the_file_reads_nothing", {1, 2, 3, 4, 5, 6}, 10, 3, 0, 0,
                     3}),
    [](const ::testing::TestParamInfo<vector_row_t>& info) { return std::string(info.param.name); });

// A part kept in two bank files sums the same wherever the files split it,
// including inside a word.
TEST(FirmwareChecksum, RangeSplitOverTwoFilesAtAnyByteGivesTheSameResult) {
    temp_dir_t dir;
    bytes_t image = firmware_test::pattern_bytes(320, 7);
    const std::uint32_t offset = 7;
    const std::uint32_t length = 300;
    const std::uint32_t word = firmware_test::seal_range(image, offset, length);

    // The offset belongs to the first file, so the split comes after it.
    for (std::size_t split = offset + 1; split <= image.size(); ++split) {
        SCOPED_TRACE("split at " + std::to_string(split));
        write_file(dir.file("a"), bytes_t(image.begin(), image.begin() + static_cast<long>(split)));
        write_file(dir.file("b"), bytes_t(image.begin() + static_cast<long>(split), image.end()));
        checksum_t checksum;
        checksum.set_range(offset, length);
        checksum.add_file(dir.file("a")).add_file(dir.file("b"));
        EXPECT_TRUE(checksum.is_zero());
        EXPECT_EQ(checksum.last_word(), word);
        EXPECT_EQ(checksum.remaining(), 0u);
    }
}

TEST(FirmwareChecksum, OffsetAppliesToTheFirstFileOnly) {
    temp_dir_t dir;
    write_file(dir.file("a"), {0xaa, 0xaa, 0xaa, 1, 2, 3});
    write_file(dir.file("b"), {4, 5, 6, 7, 8, 9});
    checksum_t checksum;
    checksum.set_range(3, 9);
    checksum.add_file(dir.file("a")).add_file(dir.file("b"));
    EXPECT_EQ(checksum.sum(), (0x030201 + 0x060504 + 0x090807) & 0xffffff);
    EXPECT_EQ(checksum.last_word(), 0x090807u);
}

TEST(FirmwareChecksum, FilesAfterTheEndOfTheRangeAddNothing) {
    temp_dir_t dir;
    write_file(dir.file("a"), {1, 2, 3, 4, 5, 6});
    checksum_t checksum;
    checksum.set_range(0, 3);
    checksum.add_file(dir.file("a")).add_file(dir.file("a"));
    EXPECT_EQ(checksum.sum(), 0x030201u);
    EXPECT_EQ(checksum.remaining(), 0u);
}

// Carried bytes belong to the range they were read for.
TEST(FirmwareChecksum, SetRangeForgetsSumLastWordAndCarriedBytes) {
    temp_dir_t dir;
    write_file(dir.file("odd"), {0xff, 0xff, 0xff, 0x77, 0x77});
    write_file(dir.file("six"), {1, 2, 3, 4, 5, 6});
    checksum_t checksum;
    checksum.set_range(0, 5);
    checksum.add_file(dir.file("odd"));
    ASSERT_EQ(checksum.sum(), 0xffffffu);

    checksum.set_range(0, 6);
    EXPECT_EQ(checksum.sum(), 0u);
    EXPECT_EQ(checksum.last_word(), 0u);
    checksum.add_file(dir.file("six"));
    EXPECT_EQ(checksum.sum(), 0x090705u);
    EXPECT_EQ(checksum.last_word(), 0x060504u);

    checksum.reset();
    EXPECT_EQ(checksum.sum(), 0u);
    EXPECT_EQ(checksum.remaining(), 0u);
    EXPECT_EQ(checksum.last_word(), 0u);
}

// A code part of 0x3ffff bytes kept in two 128 KiB bank files.
TEST(FirmwareChecksum, SealedCodePairIsValidWithItsLastWord) {
    temp_dir_t dir;
    bytes_t image = firmware_test::pattern_bytes(0x40000, 3);
    const std::uint32_t word = firmware_test::seal_range(image, 0, 0x3ffff);
    write_file(dir.file("m06"), bytes_t(image.begin(), image.begin() + 0x20000));
    write_file(dir.file("m07"), bytes_t(image.begin() + 0x20000, image.end()));

    checksum_t checksum;
    checksum.set_range(0, 0x3ffff);
    checksum.add_file(dir.file("m06")).add_file(dir.file("m07"));
    EXPECT_TRUE(checksum.is_zero());
    EXPECT_TRUE(checksum.is_firmware_part());
    EXPECT_EQ(checksum.last_word(), word);

    // One flipped byte anywhere makes the part invalid.
    image[0x1234] ^= 0x40;
    write_file(dir.file("m06"), bytes_t(image.begin(), image.begin() + 0x20000));
    checksum.set_range(0, 0x3ffff);
    checksum.add_file(dir.file("m06")).add_file(dir.file("m07"));
    EXPECT_FALSE(checksum.is_zero());
}

// A sum of 0 alone is no firmware part: zeros sum to 0, and a part that
// identifies itself by 0 cannot be told from no part. Erased flash does not
// even sum to 0.
struct part_row_t {
    const char* name;
    bytes_t bytes;
    std::uint32_t length;
    bool part;
};

void PrintTo(const part_row_t& row, std::ostream* out) {
    *out << row.name;
}

bytes_t sealed(bytes_t bytes) {
    firmware_test::seal_range(bytes, 0, bytes.size());
    return bytes;
}

// 300 zeros but for the word 1 at `at` and the word that seals it after it.
bytes_t zeros_sealed_at(std::size_t at) {
    bytes_t bytes(300, 0);
    bytes[at] = 1;
    bytes[at + 3] = bytes[at + 4] = bytes[at + 5] = 0xff;
    return bytes;
}

class FirmwareChecksumParts : public ::testing::TestWithParam<part_row_t> {};

TEST_P(FirmwareChecksumParts, PartIsAWholeRangeSummingTo0WithALastWordOtherThan0) {
    const part_row_t& row = GetParam();
    temp_dir_t dir;
    write_file(dir.file("part"), row.bytes);
    checksum_t checksum;
    checksum.set_range(0, row.length);
    checksum.add_file(dir.file("part"));
    EXPECT_EQ(checksum.is_firmware_part(), row.part);
    EXPECT_EQ(checksum.part_checksum(), row.part ? checksum.last_word() : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareChecksumParts,
    ::testing::Values(
        part_row_t{"sealed_pattern", sealed(firmware_test::pattern_bytes(300, 5)), 300, true},
        part_row_t{"zeros_sum_to_0_but_are_no_part", bytes_t(300, 0), 300, false},
        part_row_t{"erased_flash_is_no_part", bytes_t(300, 0xff), 300, false},
        part_row_t{"zeros_with_a_last_word_other_than_0_are_a_part", zeros_sealed_at(294), 300,
                   true},
        part_row_t{"identifying_word_0_is_no_part", zeros_sealed_at(291), 300, false},
        part_row_t{"range_longer_than_the_file_is_no_part",
                   sealed(firmware_test::pattern_bytes(300, 5)), 303, false}),
    [](const ::testing::TestParamInfo<part_row_t>& info) { return std::string(info.param.name); });

TEST(FirmwareChecksum, UnreadableFilesThrow) {
    temp_dir_t dir;
    checksum_t checksum;
    checksum.set_range(0, 6);
    try {
        checksum.add_file(dir.file("missing"));
        FAIL() << "no exception for a missing file";
    } catch (const qo::wapi::exception_t& e) {
        EXPECT_EQ(std::string(e.what()).rfind("error opening file: ", 0), 0u) << e.what();
    }
    // A folder opens but cannot be read.
    EXPECT_THROW(checksum.add_file(dir.path()), qo::wapi::exception_t);
}

} // namespace
