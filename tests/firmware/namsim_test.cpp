// The simulated network audio module itself: the banks of each family, the
// MAC in the configuration record, erase on write and the kept state. The
// device family tests rely on these.
#include "firmware/tftp.h"

#include "firmware_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace firmware_test;

// The eight bytes that hold the three MAC pieces.
bytes_t slice_of(const bytes_t& bytes, std::size_t offset) {
    return bytes_t(bytes.begin() + static_cast<long>(offset), bytes.begin() + static_cast<long>(offset + 8));
}

struct family_row_t {
    const char* family;
    std::vector<std::pair<const char*, std::size_t>> banks;
    const char* foreign; // a bank of another family
    const char* config_bank;
    std::size_t mac_offset;
};

void PrintTo(const family_row_t& row, std::ostream* out) {
    *out << row.family;
}

class FirmwareNamsimFamilies : public ::testing::TestWithParam<family_row_t> {
protected:
    settings_guard_t settings_;
    temp_dir_t dir_;
};

TEST_P(FirmwareNamsimFamilies, ServesTheBanksOfItsFamilyOnly) {
    const family_row_t& row = GetParam();
    namsim_t unit(row.family, dir_.file("unit"));
    tftp::instance().port = unit.port();
    for (const auto& [name, size] : row.banks) {
        SCOPED_TRACE(name);
        const std::string local = dir_.file(std::string("got-") + name);
        ASSERT_EQ(tftp::get(unit.unit(), name, local), tftp::result_done);
        const bytes_t bytes = read_file(local);
        EXPECT_EQ(bytes.size(), size);
        EXPECT_EQ(bytes, bytes_t(size, 0xff)) << "a new unit's flash is erased";
    }
    EXPECT_EQ(tftp::get(unit.unit(), row.foreign, dir_.file("foreign")), tftp::result_error);
    const auto ends = unit.events("END");
    const std::string not_found = std::string("END ") + row.foreign + " not-found 0";
    EXPECT_TRUE(std::any_of(ends.begin(), ends.end(), [&](const auto& e) { return e.line == not_found; }));
}

TEST_P(FirmwareNamsimFamilies, MacGoesIntoTheConfigurationRecordInThreePieces) {
    const family_row_t& row = GetParam();
    namsim_t unit(row.family, dir_.file("unit"), {"--mac", "00602B0a0b0c"});
    tftp::instance().port = unit.port();
    const std::size_t b = row.mac_offset;

    const std::string local = dir_.file("config");
    ASSERT_EQ(tftp::get(unit.unit(), row.config_bank, local), tftp::result_done);
    bytes_t config = read_file(local);
    ASSERT_GT(config.size(), b + 8);
    EXPECT_EQ(slice_of(config, b), (bytes_t{0x00, 0x60, 0xff, 0x2b, 0x0a, 0xff, 0x0b, 0x0c}));

    EXPECT_EQ(unit.command("mac 00602b123456"), "ok");
    EXPECT_EQ(unit.command("mac 00602b12345"), "error bad MAC '00602b12345' (12 hexadecimal digits)");
    ASSERT_EQ(tftp::get(unit.unit(), row.config_bank, local), tftp::result_done);
    config = read_file(local);
    EXPECT_EQ(slice_of(config, b), (bytes_t{0x00, 0x60, 0xff, 0x2b, 0x12, 0xff, 0x34, 0x56}));
}

INSTANTIATE_TEST_SUITE_P(
    Families, FirmwareNamsimFamilies,
    ::testing::Values(
        family_row_t{"tolk",
                     {{"m01", 0x4000}, {"m02", 0x2000}, {"m03", 0x2000}, {"m04", 0x18000},
                      {"m05", 0x20000}, {"m06", 0x20000}, {"m07", 0x20000}, {"m08", 0x20000},
                      {"m09", 0x20000}},
                     "a01", "m03", 4},
        family_row_t{"tolkamd",
                     {{"a01", 0x4000}, {"a02", 0x2000}, {"a03", 0x2000}, {"a05", 0x10000},
                      {"a06", 0x10000}, {"a08", 0x10000}, {"a09", 0x10000}, {"a10", 0x10000},
                      {"a11", 0x10000}, {"a12", 0x10000}, {"a13", 0x10000}, {"a14", 0x10000},
                      {"a15", 0x10000}},
                     "m01", "a03", 4},
        family_row_t{"brisk",
                     {{"r1", 0x4000}, {"r2", 0x4000}, {"r3", 0x4000}, {"r4", 0x4000},
                      {"r5", 0x4000}, {"r6", 0x4000}},
                     "f8", "r2", 0x3c04},
        family_row_t{"plinth",
                     {{"f1", 0x10000}, {"f2", 0x10000}, {"f3", 0x10000}, {"f4", 0x10000},
                      {"f8", 0x10000}},
                     "r2", "f8", 0xfc04}),
    [](const ::testing::TestParamInfo<family_row_t>& info) { return std::string(info.param.family); });

class FirmwareNamsim : public ::testing::Test {
protected:
    settings_guard_t settings_;
    temp_dir_t dir_;
};

// A write request erases the whole bank; what the unit holds afterwards is
// the written bytes and erased flash, and it stays across restarts.
TEST_F(FirmwareNamsim, WriteErasesTheBankAndTheStateOutlivesTheModule) {
    const bytes_t image = pattern_bytes(1000, 17);
    write_file(dir_.file("image"), image);
    {
        namsim_t unit("brisk", dir_.file("unit"));
        tftp::instance().port = unit.port();
        write_file(dir_.file("unit") + "/r3", pattern_bytes(0x4000, 3));
        ASSERT_EQ(tftp::put_ex(unit.unit(), dir_.file("image"), "r3", 0, 1000), tftp::result_done);
    }
    namsim_t unit("brisk", dir_.file("unit"));
    tftp::instance().port = unit.port();
    ASSERT_EQ(tftp::get(unit.unit(), "r3", dir_.file("copy")), tftp::result_done);
    bytes_t expected = image;
    expected.resize(0x4000, 0xff);
    EXPECT_EQ(read_file(dir_.file("copy")), expected);
}

TEST_F(FirmwareNamsim, RefusesBadFaultsAndCommands) {
    namsim_t unit("tolk", dir_.file("unit"));
    EXPECT_EQ(unit.command("fault dup 0"), "error fault 'dup' needs a count of 1 or more");
    EXPECT_EQ(unit.command("fault melt 1"), "error unknown fault 'melt'");
    EXPECT_EQ(unit.command("fault stray 1 300.1.1.1"), "error bad stray address '300.1.1.1'");
    EXPECT_EQ(unit.command("fault error 1"), "error fault 'error' needs an error code");
    EXPECT_EQ(unit.command("reboot"), "error unknown command 'reboot'");
    EXPECT_EQ(unit.command("clear"), "ok");
}

} // namespace
