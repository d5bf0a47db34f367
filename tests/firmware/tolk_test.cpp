// The tolk family without a unit: which parts an image would update, and
// which files are tolk images.
#include "firmware/tolk.h"

#include "firmware_fixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using namespace firmware_test;
using update::checksums_t;
using update::tolk_t;
using update::update_flags_t;

struct flags_row_t {
    const char* name;
    checksums_t unit;
    checksums_t image;
    bool new_mac;
    update_flags_t expected;
};

void PrintTo(const flags_row_t& row, std::ostream* out) {
    *out << row.name;
}

// Flags in the order code, boot differs, reserved differs, fpga, fpga2
// differs, config, boot update.
update_flags_t flags(bool code, bool boot_differs, bool reserved, bool fpga, bool fpga2,
                     bool config, bool boot_update) {
    return {code, boot_differs, reserved, fpga, fpga2, config, boot_update};
}

constexpr checksums_t unit_with_fpga2{100, 200, 0, 300, 400};
constexpr checksums_t unit_without_fpga2{100, 200, 0, 300, 0};

class FirmwareTolkCheckUpdate : public ::testing::TestWithParam<flags_row_t> {};

TEST_P(FirmwareTolkCheckUpdate, FlagsFollowTheTolkRule) {
    const flags_row_t& row = GetParam();
    update::unit_state_t unit;
    unit.checksums = row.unit;
    if (row.new_mac)
        unit.new_mac.try_parse("00602b0a0b0c");
    EXPECT_EQ(tolk_t::compare_rule(unit, row.image), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareTolkCheckUpdate,
    ::testing::Values(
        flags_row_t{"same_image_changes_nothing", unit_with_fpga2, unit_with_fpga2, false,
                    flags(false, false, false, false, false, false, false)},
        flags_row_t{"new_code_alone", unit_with_fpga2, {101, 200, 0, 300, 400}, false,
                    flags(true, false, false, false, false, false, false)},
        flags_row_t{"new_second_fpga_goes_with_the_code", unit_with_fpga2, {100, 200, 0, 300, 401},
                    false, flags(true, false, false, false, true, false, false)},
        flags_row_t{"fpga_with_second_fpga_and_same_boot_is_left_alone", unit_with_fpga2,
                    {100, 200, 0, 301, 400}, false,
                    flags(false, false, false, false, false, false, false)},
        flags_row_t{"fpga_with_second_fpga_and_new_boot_needs_no_boot_update", unit_with_fpga2,
                    {100, 201, 0, 301, 400}, false,
                    flags(false, true, false, true, false, false, false)},
        flags_row_t{"fpga_of_an_image_without_second_fpga_brings_boot", unit_with_fpga2,
                    {100, 200, 0, 301, 0}, false, flags(true, false, false, true, true, false, true)},
        flags_row_t{"boot_of_an_image_without_second_fpga", unit_without_fpga2,
                    {100, 201, 0, 300, 0}, false, flags(false, true, false, false, false, false, true)},
        flags_row_t{"reserved_is_only_reported", unit_without_fpga2, {100, 200, 7, 300, 0}, false,
                    flags(false, false, true, false, false, false, false)},
        flags_row_t{"new_mac_updates_the_configuration", unit_with_fpga2, unit_with_fpga2, true,
                    flags(false, false, false, false, false, true, false)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirmwareTolkCheckUpdate, MacEqualToTheCurrentOneIsNoNewMac) {
    tolk_t unit(qo::ip_address_t(0x7f000001), std::make_shared<update::job_status_t>());
    qo::mac_address_t mac;
    mac.try_parse("00602b0a0b0c");
    unit.set_mac(mac);
    EXPECT_TRUE(unit.check_update(unit_with_fpga2, "").config_update);
    // Back to the current MAC (all zero before an upload) keeps the one
    // asked for.
    unit.set_mac(qo::mac_address_t());
    EXPECT_EQ(unit.state().new_mac, mac);
}

// ---------------------------------------------------------------------------

struct image_row_t {
    const char* name;
    std::size_t size;
    checksums_t parts;
    bool second_code_range;
    bool accepted;
};

void PrintTo(const image_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareTolkImageCheck : public ::testing::TestWithParam<image_row_t> {
protected:
    temp_dir_t dir_;
};

TEST_P(FirmwareTolkImageCheck, AcceptsWhole1MiBImagesWithValidCode) {
    const image_row_t& row = GetParam();
    bytes_t image = tolk_image(11, row.parts, row.second_code_range);
    image.resize(row.size, 0);
    const std::string path = dir_.file("image.bin");
    write_file(path, image);
    checksums_t found{1, 1, 1, 1, 1};
    ASSERT_EQ(tolk_t::image_check(path, found), row.accepted);
    if (row.accepted)
        EXPECT_EQ(found, row.parts);
    else
        EXPECT_EQ(found, (checksums_t{1, 1, 1, 1, 1})) << "a refusal leaves the checksums alone";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareTolkImageCheck,
    ::testing::Values(
        image_row_t{"all_parts", 0x100000, {0x123456, 0x0abcde, 0, 0x00fe01, 0x777777}, false, true},
        image_row_t{"invalid_parts_read_as_zero", 0x100000, {0x123456, 0, 0, 0, 0}, false, true},
        image_row_t{"code_in_the_second_range", 0x100000, {0x654321, 0x111111, 0, 0, 0}, true, true},
        image_row_t{"no_valid_code", 0x100000, {0, 0x111111, 0, 0x222222, 0}, false, false},
        image_row_t{"one_byte_too_long", 0x100001, {0x123456, 0x0abcde, 0, 0, 0}, false, false},
        image_row_t{"one_byte_too_short", 0xfffff, {0x123456, 0x0abcde, 0, 0, 0}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirmwareTolkImageCheck, MissingFileAndFolderAreNotImages) {
    temp_dir_t dir;
    checksums_t found;
    EXPECT_FALSE(tolk_t::image_check(dir.file("missing.bin"), found));
    EXPECT_FALSE(tolk_t::image_check(dir.path(), found));
}

} // namespace
