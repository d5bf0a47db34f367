// The tolkamd, brisk and plinth families without a unit: which files are
// images of theirs, and which parts an image would update.
#include "firmware/base.h"
#include "firmware/brisk.h"
#include "firmware/database.h"
#include "firmware/plinth.h"
#include "firmware/tolk.h"
#include "firmware/tolkamd.h"

#include "firmware_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

namespace {

using namespace firmware_test;
using update::brisk_t;
using update::checksums_t;
using update::plinth_t;
using update::update_flags_t;

struct family_image_row_t {
    const char* name;
    std::function<bytes_t()> make;
    bool (*check)(const std::string&, checksums_t&);
    bool accepted;
    checksums_t expected;
};

void PrintTo(const family_image_row_t& row, std::ostream* out) {
    *out << row.name;
}

bytes_t resized(bytes_t bytes, std::size_t size) {
    bytes.resize(size, 0);
    return bytes;
}

class FirmwareFamilyImageCheck : public ::testing::TestWithParam<family_image_row_t> {
protected:
    temp_dir_t dir_;
};

TEST_P(FirmwareFamilyImageCheck, AcceptsWholeImagesWithValidCodeAndBoot) {
    const family_image_row_t& row = GetParam();
    const std::string path = dir_.file("image.bin");
    write_file(path, row.make());
    checksums_t found{1, 1, 1, 1, 1};
    ASSERT_EQ(row.check(path, found), row.accepted);
    const checksums_t untouched{1, 1, 1, 1, 1};
    EXPECT_EQ(found, row.accepted ? row.expected : untouched);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareFamilyImageCheck,
    ::testing::Values(
        family_image_row_t{"brisk_small_code", [] { return brisk_image(1, {0x123456, 0x0abcde}); },
                    &brisk_t::image_check, true, {0x123456, 0x0abcde, 0, 0, 0}},
        family_image_row_t{"brisk_large_code", [] { return brisk_image(2, {0x654321, 0x0abcde}, true); },
                    &brisk_t::image_check, true, {0x654321, 0x0abcde, 0, 0, 0}},
        family_image_row_t{"brisk_one_byte_short",
                    [] { return resized(brisk_image(1, {0x123456, 0x0abcde}), 0x1ffff); },
                    &brisk_t::image_check, false, {}},
        family_image_row_t{"brisk_invalid_boot", [] { return brisk_image(1, {0x123456, 0}); },
                    &brisk_t::image_check, false, {}},
        family_image_row_t{"brisk_no_valid_code", [] { return brisk_image(1, {0, 0x0abcde}); },
                    &brisk_t::image_check, false, {}},
        family_image_row_t{"plinth_small_code_with_second_fpga",
                    [] { return plinth_image(3, {0x111111, 0x222222, 0, 0, 0x333333}); },
                    &plinth_t::image_check, true, {0x111111, 0x222222, 0, 0, 0x333333}},
        family_image_row_t{"plinth_large_code_without_second_fpga",
                    [] { return plinth_image(4, {0x111112, 0x222222, 0, 0, 0}, true); },
                    &plinth_t::image_check, true, {0x111112, 0x222222, 0, 0, 0}},
        family_image_row_t{"plinth_invalid_boot",
                    [] { return plinth_image(3, {0x111111, 0, 0, 0, 0x333333}); },
                    &plinth_t::image_check, false, {}},
        family_image_row_t{"plinth_one_byte_long",
                    [] { return resized(plinth_image(3, {0x111111, 0x222222}), 0x80001); },
                    &plinth_t::image_check, false, {}},
        family_image_row_t{"tolkamd_takes_no_image_itself",
                    [] { return tolk_image(5, {0x123456, 0x0abcde, 0, 0, 0}); },
                    &update::tolkamd_t::image_check, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every family's images are listed, each by the family that knows it.
TEST(FirmwareFamilyImageCheck, CatalogueListsTheImagesOfEveryFamily) {
    temp_dir_t dir;
    write_file(dir.file("tolk_1_0_0.bin"), tolk_image(1, {0x100001, 0x100002, 0, 0, 0}));
    write_file(dir.file("brisk_2_0_0.bin"), brisk_image(1, {0x200001, 0x200002}));
    write_file(dir.file("plinth_3_0_0.bin"), plinth_image(1, {0x300001, 0x300002, 0, 0, 0x300003}));
    write_file(dir.file("broken_4_0_0.bin"), pattern_bytes(0x20000, 9));
    database_t database;
    database.init(dir.path());
    const auto catalogue = database.snapshot();
    ASSERT_EQ(catalogue->records().size(), 3u);
    EXPECT_EQ(catalogue->find_by_code(0x100001)->type_name, "tolk");
    EXPECT_EQ(catalogue->find_by_code(0x200001)->checksums, (checksums_t{0x200001, 0x200002}));
    EXPECT_EQ(catalogue->find_by_code(0x300001)->checksums,
              (checksums_t{0x300001, 0x300002, 0, 0, 0x300003}));
}

// ---------------------------------------------------------------------------

// Flags in the order code, boot differs, reserved differs, fpga, fpga2
// differs, config, boot update.
update_flags_t flags(bool code, bool boot_differs, bool reserved, bool boot_update) {
    return {code, boot_differs, reserved, false, false, false, boot_update};
}

struct rule_row_t {
    const char* name;
    checksums_t unit;
    std::int32_t code_kind;
    bool new_mac;
    checksums_t image;
    // plinth: the sum of the image's data area.
    std::uint32_t data_sum;
    update_flags_t expected;
};

void PrintTo(const rule_row_t& row, std::ostream* out) {
    *out << row.name;
}

update::unit_state_t unit_of(const rule_row_t& row) {
    update::unit_state_t unit;
    unit.checksums = row.unit;
    unit.code_bank = row.code_kind;
    if (row.new_mac)
        unit.new_mac.try_parse("00602b0a0b0c");
    return unit;
}

class FirmwareBriskCheckUpdate : public ::testing::TestWithParam<rule_row_t> {};

TEST_P(FirmwareBriskCheckUpdate, FlagsFollowTheBriskRule) {
    EXPECT_EQ(brisk_t::compare_rule(unit_of(GetParam()), GetParam().image), GetParam().expected);
}

constexpr checksums_t brisk_unit{100, 200, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareBriskCheckUpdate,
    ::testing::Values(
        rule_row_t{"same_image_changes_nothing", brisk_unit, 1, false, brisk_unit, 0,
                   flags(false, false, false, false)},
        rule_row_t{"new_code_alone", brisk_unit, 1, false, {101, 200}, 0,
                   flags(true, false, false, false)},
        rule_row_t{"new_boot", brisk_unit, 1, false, {100, 201}, 0, flags(false, true, false, true)},
        rule_row_t{"new_mac_rewrites_boot", brisk_unit, 1, true, brisk_unit, 0,
                   flags(false, true, false, true)}),
    [](const auto& info) { return std::string(info.param.name); });

class FirmwarePlinthCheckUpdate : public ::testing::TestWithParam<rule_row_t> {};

TEST_P(FirmwarePlinthCheckUpdate, FlagsFollowThePlinthRule) {
    const rule_row_t& row = GetParam();
    EXPECT_EQ(plinth_t::compare_rule(unit_of(row), row.image, row.data_sum), row.expected);
}

// The unit's reserved checksum is the sum of its data area.
constexpr checksums_t plinth_unit{100, 200, 7, 0, 400};
constexpr checksums_t plinth_unit_no_fpga2{100, 200, 7, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwarePlinthCheckUpdate,
    ::testing::Values(
        rule_row_t{"same_large_image_changes_nothing", plinth_unit, 2, false, plinth_unit, 7,
                   flags(false, false, false, false)},
        rule_row_t{"small_code_always_brings_boot", plinth_unit, 1, false, plinth_unit, 7,
                   flags(false, false, false, true)},
        rule_row_t{"new_second_fpga_goes_with_the_code", plinth_unit, 2, false,
                   {100, 200, 0, 0, 401}, 7, flags(true, false, false, false)},
        rule_row_t{"new_boot_of_an_image_with_second_fpga_is_left_alone", plinth_unit, 2, false,
                   {100, 201, 0, 0, 400}, 7, flags(false, false, false, false)},
        rule_row_t{"new_boot_of_an_image_without_second_fpga", plinth_unit_no_fpga2, 2, false,
                   {100, 201, 0, 0, 0}, 7, flags(false, true, false, true)},
        rule_row_t{"new_data_area_makes_boot_differ", plinth_unit, 2, false, plinth_unit, 8,
                   flags(false, true, true, false)},
        rule_row_t{"new_mac_brings_boot", plinth_unit, 2, true, plinth_unit, 7,
                   flags(false, true, false, true)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirmwareFamilyTypes, TypeCodesOfTheFamilies) {
    const qo::ip_address_t unit(0x7f000001);
    const auto sink = std::make_shared<update::job_status_t>();
    EXPECT_EQ(update::tolk_t(unit, sink).type(), 2);
    EXPECT_EQ(update::tolkamd_t(unit, sink).type(), 3);
    EXPECT_EQ(brisk_t(unit, sink).type(), 0);
    EXPECT_EQ(plinth_t(unit, sink).type(), 1);
}

} // namespace
