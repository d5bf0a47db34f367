// Upload and download of the tolkamd, brisk and plinth families against the
// simulated module on loopback: what is read and written, in which order,
// and what the family object knows afterwards.
#include "firmware/brisk.h"
#include "firmware/database.h"
#include "firmware/job.h"
#include "firmware/plinth.h"
#include "firmware/tftp.h"
#include "firmware/tolk.h"
#include "firmware/tolkamd.h"
#include "qo/exception.h"

#include "firmware_fixture.h"

#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace firmware_test;
using update::checksums_t;
using clock_type = std::chrono::steady_clock;

const char* const family_unit_address = "127.0.0.31";
const char* const new_mac = "00602b0a0b0c";

qo::mac_address_t mac_of(const char* text) {
    qo::mac_address_t mac;
    mac.try_parse(text);
    return mac;
}

// The bytes with the MAC in three 2-byte pieces at `at`, `at` + 3, `at` + 6.
bytes_t with_mac(bytes_t bytes, std::size_t at, const char* text) {
    const auto mac = mac_of(text).bytes();
    for (std::size_t piece = 0; piece < 3; ++piece) {
        bytes[at + piece * 3] = mac[piece * 2];
        bytes[at + piece * 3 + 1] = mac[piece * 2 + 1];
    }
    return bytes;
}

// Every status and percent a family reports, in order.
class recording_status_t final : public update::status_t {
public:
    void set_status(const std::string& text) override {
        std::lock_guard guard(lock_);
        texts_.push_back(text);
    }
    void set_percent(double percent) override {
        std::lock_guard guard(lock_);
        percents_.push_back(percent);
    }
    std::string status() const override {
        std::lock_guard guard(lock_);
        return texts_.empty() ? std::string() : texts_.back();
    }
    double percent() const override {
        std::lock_guard guard(lock_);
        return percents_.empty() ? 0 : percents_.back();
    }
    std::vector<std::string> texts() const {
        std::lock_guard guard(lock_);
        return texts_;
    }
    using status_t::set_status;

private:
    mutable std::mutex lock_;
    std::vector<std::string> texts_;
    std::vector<double> percents_;
};

std::int32_t wait_job_done(const update::job_t& job) {
    const auto until = clock_type::now() + std::chrono::seconds(30);
    while (job.done() == 0 && clock_type::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return job.done();
}

class FirmwareFamilies : public ::testing::Test {
protected:
    FirmwareFamilies() {
        tftp::settings_t& s = tftp::instance();
        s.timeout = 1000;
        s.write_timeout = 3000;
        s.retries = 1;
        s.holdoff = 10;
    }

    void start_unit(const std::string& family, std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--mac", unit_mac});
        unit_ = std::make_unique<namsim_t>(family, state(), args, family_unit_address);
        tftp::instance().port = unit_->port();
    }
    std::string state() const { return dir_.file("unit"); }
    bytes_t bank(const std::string& name) const { return read_file(state() + "/" + name); }

    // The read and write requests the unit received since the last call.
    requests_t requests() {
        requests_t found;
        const auto log = unit_->log();
        for (std::size_t i = seen_; i < log.size(); ++i)
            if (log[i].words[0] == "RRQ" || log[i].words[0] == "WRQ")
                found.push_back(log[i].words[0] + " " + log[i].words[1]);
        seen_ = log.size();
        return found;
    }

    // An upload job's result, with the images in `images` as catalogue.
    update::unit_result_t upload(const std::string& images = "", std::string* status = nullptr) {
        database_t database;
        if (!images.empty())
            database.init(images);
        const auto job = database.start_upload(unit_->unit());
        const std::int32_t done = wait_job_done(*job);
        if (status)
            *status = job->status();
        else
            EXPECT_EQ(done, update::job_t::finished) << job->status();
        auto result = job->result();
        return result ? *result : update::unit_result_t{};
    }

    // Writes the image through the family object at once; the statuses it
    // showed go to `statuses`. Throws what the download throws.
    void download(const std::shared_ptr<update::base_t>& unit, const bytes_t& image,
                  const checksums_t& parts, int boot_mode, int runtime_mode,
                  std::vector<std::string>* statuses = nullptr) {
        const std::string path = dir_.file("image-" + std::to_string(images_++) + ".bin");
        write_file(path, image);
        const auto sink = std::make_shared<recording_status_t>();
        try {
            unit->download(path, parts, sink, boot_mode, runtime_mode);
        } catch (...) {
            if (statuses)
                *statuses = sink->texts();
            throw;
        }
        if (statuses)
            *statuses = sink->texts();
        EXPECT_EQ(sink->percent(), 100);
    }

    settings_guard_t settings_;
    temp_dir_t dir_;
    std::unique_ptr<namsim_t> unit_;
    std::size_t seen_ = 0;
    int images_ = 0;
};

// The probes before a family's own: every family registered before it is
// asked for its boot file first.
const requests_t probes_before_tolkamd = {"RRQ m01"};
const requests_t probes_before_brisk = {"RRQ m01", "RRQ a01"};
const requests_t probes_before_plinth = {"RRQ m01", "RRQ a01", "RRQ r2"};

// ---------------------------------------------------------------------------
// tolkamd

constexpr checksums_t tolk_parts{0x111111, 0x222222, 0, 0x333333, 0x444444};

struct tolkamd_upload_row_t {
    const char* name;
    int bank;
};

void PrintTo(const tolkamd_upload_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareTolkamdUpload : public FirmwareFamilies,
                              public ::testing::WithParamInterface<tolkamd_upload_row_t> {};

TEST_P(FirmwareTolkamdUpload, ReadsEveryFileAndFindsTheBank) {
    const tolkamd_upload_row_t& row = GetParam();
    install_tolkamd_unit(state(), tolk_image(1, tolk_parts), row.bank);
    start_unit("tolkamd");
    temp_dir_t images;
    write_file(images.file("tolk_1_2_3.bin"), tolk_image(1, tolk_parts));

    const update::unit_result_t result = upload(images.path());
    ASSERT_TRUE(result.family);
    EXPECT_EQ(result.family->type(), update::tolkamd_t::type_code);
    requests_t expected = probes_before_tolkamd + requests_t{"RRQ a01", "RRQ a01", "RRQ a02",
                                                             "RRQ a08", "RRQ a09", "RRQ a10",
                                                             "RRQ a11"};
    if (row.bank != 8)
        expected = expected + requests_t{"RRQ a12", "RRQ a13", "RRQ a14", "RRQ a15"};
    expected = expected + requests_t{"RRQ a05", "RRQ a06", "RRQ a03"};
    EXPECT_EQ(requests(), expected);

    const update::unit_state_t unit = result.family->state();
    checksums_t parts = tolk_parts;
    if (row.bank == 0)
        parts.code = parts.fpga2 = 0;
    EXPECT_EQ(unit.checksums, parts);
    EXPECT_EQ(unit.code_bank, row.bank);
    EXPECT_EQ(unit.current_mac.to_string(), unit_mac);
    if (row.bank != 0) {
        ASSERT_NE(result.record, nullptr) << "the tolk image is listed for tolkamd units too";
        EXPECT_EQ(result.record->file_name, "tolk_1_2_3.bin");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FirmwareTolkamdUpload,
                         ::testing::Values(tolkamd_upload_row_t{"code_in_bank_8", 8},
                                           tolkamd_upload_row_t{"code_in_bank_12", 12},
                                           tolkamd_upload_row_t{"no_valid_code", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareFamilies, UnitServingTolkAndTolkamdBootFilesIsTolk) {
    install_tolk_unit(state(), tolk_image(1, tolk_parts), 6);
    start_unit("tolk", {"--bank", "a01:16384"});
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    EXPECT_EQ(result.family->type(), update::tolk_t::type_code);
}

TEST_F(FirmwareFamilies, TolkamdWritesEveryPartToItsOwnFiles) {
    const bytes_t before = tolk_image(1, tolk_parts);
    install_tolkamd_unit(state(), before, 12);
    start_unit("tolkamd");
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    requests();
    result.family->set_mac(mac_of(new_mac));
    const bytes_t config = bank("a03");

    const checksums_t parts{0x555555, 0x666666, 0, 0x777777, 0x888888};
    const bytes_t image = tolk_image(7, parts);
    std::vector<std::string> statuses;
    download(result.family, image, parts, 2, 1, &statuses);
    EXPECT_EQ(statuses.back(), "download done.");
    EXPECT_EQ(requests(),
              (requests_t{"WRQ a01", "RRQ a01", "WRQ a02", "RRQ a02", "WRQ a08", "RRQ a08",
                          "WRQ a09", "RRQ a09", "WRQ a10", "RRQ a10", "WRQ a11", "RRQ a11",
                          "WRQ a12", "WRQ a05", "RRQ a05", "WRQ a06", "RRQ a06", "WRQ a03"}));
    EXPECT_EQ(bank("a01"), range_of(image, 0, 0x4000));
    EXPECT_EQ(bank("a02"), range_of(image, 0x4000, 0x2000));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(bank("a" + std::to_string(8 + k).insert(0, k < 2 ? "0" : "")),
                  range_of(image, 0x40000 + static_cast<std::size_t>(k) * 0x10000, 0x10000));
    EXPECT_TRUE(all_erased(bank("a12"))) << "the old bank is invalidated";
    EXPECT_EQ(bank("a13"), range_of(before, 0x50000, 0x10000));
    EXPECT_EQ(bank("a05"), range_of(image, 0x10000, 0x10000));
    EXPECT_EQ(bank("a06"), range_of(image, 0x20000, 0x10000));
    EXPECT_EQ(bank("a03"), with_mac(config, 4, new_mac));

    // What the family object knows is what a new upload reads.
    const update::unit_result_t fresh = upload();
    ASSERT_TRUE(fresh.family);
    EXPECT_EQ(result.family->state().checksums, fresh.family->state().checksums);
    EXPECT_EQ(fresh.family->state().code_bank, 8);
    EXPECT_EQ(fresh.family->state().current_mac.to_string(), new_mac);
}

// ---------------------------------------------------------------------------
// brisk

constexpr checksums_t brisk_parts{0x123456, 0x0abcde, 0, 0, 0};

struct brisk_upload_row_t {
    const char* name;
    int layout;
    bool large;
    std::uint32_t code;
    requests_t code_reads;
};

void PrintTo(const brisk_upload_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareBriskUpload : public FirmwareFamilies,
                            public ::testing::WithParamInterface<brisk_upload_row_t> {};

TEST_P(FirmwareBriskUpload, FindsTheCodeLayout) {
    const brisk_upload_row_t& row = GetParam();
    const checksums_t parts{row.code ? row.code : 0x123456, brisk_parts.boot};
    install_brisk_unit(state(), brisk_image(1, parts, row.large), row.layout);
    start_unit("brisk");
    // An image whose code checksum is the last word of erased flash: a unit
    // without valid code must not be taken for it.
    temp_dir_t images;
    write_file(images.file("brisk_9_9_9.bin"), brisk_image(3, {0xffffff, brisk_parts.boot}, true));
    write_file(images.file("brisk_1_0_0.bin"), brisk_image(1, parts, row.large));

    const update::unit_result_t result = upload(images.path());
    ASSERT_TRUE(result.family);
    EXPECT_EQ(result.family->type(), update::brisk_t::type_code);
    const requests_t reads = requests_t{"RRQ r2", "RRQ r1", "RRQ r2"} + row.code_reads;
    EXPECT_EQ(requests(), probes_before_brisk + reads);
    const update::unit_state_t unit = result.family->state();
    const checksums_t expected{row.code, brisk_parts.boot};
    EXPECT_EQ(unit.checksums, expected);
    EXPECT_EQ(unit.code_bank, row.layout ? row.layout : 3);
    EXPECT_EQ(unit.current_mac.to_string(), unit_mac);
    if (row.code) {
        ASSERT_NE(result.record, nullptr);
        EXPECT_EQ(result.record->file_name, "brisk_1_0_0.bin");
    } else {
        EXPECT_EQ(result.record, nullptr);
    }
}

const requests_t first_pair = {"RRQ r3", "RRQ r4"};
const requests_t both_pairs = {"RRQ r3", "RRQ r4", "RRQ r5", "RRQ r6"};

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareBriskUpload,
    ::testing::Values(brisk_upload_row_t{"small_code_in_r3", 1, false, 0x123456, first_pair},
                      brisk_upload_row_t{"small_code_in_r5", 2, false, 0x123456, both_pairs},
                      brisk_upload_row_t{"large_code", 3, true, 0x654321, both_pairs},
                      brisk_upload_row_t{"no_valid_code_reads_as_code_0", 0, false, 0, both_pairs}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareFamilies, BriskConfigurationRecordIsTakenOnlyWhenWhole) {
    install_brisk_unit(state(), brisk_image(1, brisk_parts), 1);
    start_unit("brisk", {"--bank", "r2:15368"});
    std::string status;
    const update::unit_result_t result = upload("", &status);
    EXPECT_EQ(status, "Configuration sector incomplete");
    ASSERT_TRUE(result.family);
    EXPECT_FALSE(result.family->uploaded());
}

// A new MAC alone rewrites boot: r1 as in the image, r2 with the unit's own
// configuration record and the new MAC in it.
TEST_F(FirmwareFamilies, BriskNewMacRewritesBootWithTheUnitsOwnRecord) {
    const bytes_t image = brisk_image(1, brisk_parts);
    install_brisk_unit(state(), image, 1);
    start_unit("brisk");
    const bytes_t r2 = bank("r2");
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    requests();
    result.family->set_mac(mac_of(new_mac));

    download(result.family, image, brisk_parts, 0, 0);
    EXPECT_EQ(requests(), (requests_t{"WRQ r1", "RRQ r1", "WRQ r2", "RRQ r2"}));
    EXPECT_EQ(bank("r1"), range_of(image, 0, 0x4000));
    EXPECT_EQ(bank("r2"), with_mac(r2, 0x3c04, new_mac));
    EXPECT_EQ(result.family->state().current_mac.to_string(), new_mac);
    EXPECT_FALSE(result.family->check_update(brisk_parts, "").boot_update);
}

struct brisk_download_row_t {
    const char* name;
    int layout;
    bool large_image;
    requests_t expected;
    // Where the image's code (0x8000..) went: r3 or r5, or all four files.
    const char* code_file;
};

void PrintTo(const brisk_download_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareBriskDownload : public FirmwareFamilies,
                              public ::testing::WithParamInterface<brisk_download_row_t> {};

TEST_P(FirmwareBriskDownload, NewCodeGoesWhereTheRunningCodeIsNot) {
    const brisk_download_row_t& row = GetParam();
    install_brisk_unit(state(), brisk_image(1, brisk_parts, row.layout == 3), row.layout);
    start_unit("brisk");
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    requests();

    const checksums_t parts{0x777777, brisk_parts.boot};
    const bytes_t image = brisk_image(5, parts, row.large_image);
    download(result.family, image, parts, 0, 0);
    EXPECT_EQ(requests(), row.expected);
    const std::string code = row.code_file;
    if (code == "all") {
        const char* files[] = {"r3", "r4", "r5", "r6"};
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(bank(files[k]), range_of(image, 0x8000 + static_cast<std::size_t>(k) * 0x4000, 0x4000));
    } else {
        const bool in_r3 = code == "r3";
        EXPECT_EQ(bank(in_r3 ? "r3" : "r5"), range_of(image, 0x8000, 0x4000));
        EXPECT_EQ(bank(in_r3 ? "r4" : "r6"), range_of(image, 0xc000, 0x4000));
        EXPECT_EQ(bank(in_r3 ? "r5" : "r3"), range_of(image, 0x10000, 0x4000));
        EXPECT_EQ(bank(in_r3 ? "r6" : "r4"), range_of(image, 0x14000, 0x4000));
    }

    const update::unit_result_t fresh = upload();
    ASSERT_TRUE(fresh.family);
    EXPECT_EQ(fresh.family->state().checksums.code, 0x777777u);
    EXPECT_EQ(result.family->state().code_bank, fresh.family->state().code_bank);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareBriskDownload,
    ::testing::Values(
        brisk_download_row_t{"small_over_r3_goes_to_r5", 1, false,
                             {"WRQ r5", "RRQ r5", "WRQ r6", "RRQ r6", "WRQ r3", "WRQ r4"}, "r5"},
        brisk_download_row_t{"small_over_r5_goes_to_r3", 2, false,
                             {"WRQ r3", "RRQ r3", "WRQ r4", "RRQ r4", "WRQ r5", "WRQ r6"}, "r3"},
        brisk_download_row_t{"large_fills_all_four", 1, true,
                             {"WRQ r3", "RRQ r3", "WRQ r4", "RRQ r4", "WRQ r5", "RRQ r5",
                              "WRQ r6", "RRQ r6"},
                             "all"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// plinth

constexpr checksums_t plinth_parts{0x111111, 0x222222, 0, 0, 0x333333};

struct plinth_upload_row_t {
    const char* name;
    int code_file;
    bool large;
    requests_t reads;
};

void PrintTo(const plinth_upload_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwarePlinthUpload : public FirmwareFamilies,
                             public ::testing::WithParamInterface<plinth_upload_row_t> {};

TEST_P(FirmwarePlinthUpload, FindsTheCodeFileAndItsSecondFpga) {
    const plinth_upload_row_t& row = GetParam();
    const bytes_t image = plinth_image(1, plinth_parts, row.large);
    install_plinth_unit(state(), image, row.code_file);
    start_unit("plinth");
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    EXPECT_EQ(result.family->type(), update::plinth_t::type_code);
    const requests_t reads = requests_t{"RRQ f8", "RRQ f8"} + row.reads;
    EXPECT_EQ(requests(), probes_before_plinth + reads);

    const update::unit_state_t unit = result.family->state();
    checksums_t parts = plinth_parts;
    // The data area is summed, not sealed.
    parts.reserved = range_sum(image, 0x7c000, 0x1e00);
    if (row.code_file == 0)
        parts.code = parts.fpga2 = 0;
    EXPECT_EQ(unit.checksums, parts);
    EXPECT_EQ(unit.code_bank, row.code_file == 0 ? 0 : row.large ? 2 : 1);
    EXPECT_EQ(unit.current_mac.to_string(), unit_mac);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwarePlinthUpload,
    ::testing::Values(plinth_upload_row_t{"small_code_in_f1", 1, false, {"RRQ f1", "RRQ f3"}},
                      plinth_upload_row_t{"large_code_in_f2", 2, true,
                                          {"RRQ f1", "RRQ f2", "RRQ f4"}},
                      plinth_upload_row_t{"no_code", 0, false, {"RRQ f1", "RRQ f2"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Large code, equal checksums and a new MAC: only the boot file is written,
// with the unit's own configuration record and the new MAC.
TEST_F(FirmwareFamilies, PlinthNewMacAloneWritesOnlyTheBootFile) {
    const bytes_t image = plinth_image(1, plinth_parts, true);
    install_plinth_unit(state(), image, 1);
    start_unit("plinth");
    const bytes_t f8 = bank("f8");
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    requests();
    result.family->set_mac(mac_of(new_mac));

    download(result.family, image, plinth_parts, 0, 0);
    EXPECT_EQ(requests(), (requests_t{"WRQ f8", "RRQ f8"}));
    EXPECT_EQ(bank("f8"), with_mac(f8, 0xfc04, new_mac));
}

struct plinth_download_row_t {
    const char* name;
    int code_file;
    checksums_t image_parts;
    requests_t expected;
    const char* invalidating;
};

void PrintTo(const plinth_download_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwarePlinthDownload : public FirmwareFamilies,
                               public ::testing::WithParamInterface<plinth_download_row_t> {};

TEST_P(FirmwarePlinthDownload, NewCodeGoesToTheOtherFileAndTheOldOnesAreInvalidated) {
    const plinth_download_row_t& row = GetParam();
    install_plinth_unit(state(), plinth_image(1, plinth_parts, true), row.code_file);
    start_unit("plinth");
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    requests();

    const bytes_t image = plinth_image(1, row.image_parts, true);
    std::vector<std::string> statuses;
    download(result.family, image, row.image_parts, 0, 0, &statuses);
    EXPECT_EQ(requests(), row.expected);
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), row.invalidating), statuses.end());
    EXPECT_EQ(statuses.back(), "download done");
    const int new_file = row.code_file == 1 ? 2 : 1;
    EXPECT_EQ(bank("f" + std::to_string(new_file)), range_of(image, 0, 0x10000));
    if (row.image_parts.fpga2 != 0) {
        EXPECT_EQ(bank("f" + std::to_string(new_file + 2)), range_of(image, 0x20000, 0x10000));
    }
    EXPECT_TRUE(all_erased(bank("f" + std::to_string(3 - new_file))));
    EXPECT_TRUE(all_erased(bank("f" + std::to_string(5 - new_file))));

    const update::unit_result_t fresh = upload();
    ASSERT_TRUE(fresh.family);
    EXPECT_EQ(fresh.family->state().checksums, result.family->state().checksums);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwarePlinthDownload,
    ::testing::Values(
        plinth_download_row_t{"code_in_f2_goes_to_f1_with_its_fpga", 2,
                              {0x444444, plinth_parts.boot, 0, 0, 0x555555},
                              {"WRQ f1", "RRQ f1", "WRQ f3", "RRQ f3", "WRQ f2", "WRQ f4"},
                              "Invalidating old code bank f2"},
        plinth_download_row_t{"image_without_second_fpga_still_invalidates_the_old_one", 1,
                              {0x444444, plinth_parts.boot, 0, 0, 0},
                              {"WRQ f2", "RRQ f2", "WRQ f1", "WRQ f3"},
                              "Invalidating old code bank f1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareFamilies, PlinthRefusesAnImageWithoutValidCode) {
    install_plinth_unit(state(), plinth_image(1, plinth_parts, true), 1);
    start_unit("plinth");
    const update::unit_result_t result = upload();
    ASSERT_TRUE(result.family);
    requests();
    const checksums_t parts{0x444444, plinth_parts.boot, 0, 0, 0};
    try {
        // The unit's own image but for its code: nothing else is written.
        download(result.family, plinth_image(1, {0, plinth_parts.boot, 0, 0, 0x333333}, true), parts,
                 0, 1);
        ADD_FAILURE() << "an image without valid code was written";
    } catch (const qo::exception_t& e) {
        EXPECT_STREQ(e.what(), "Invalid checksum in the selected firmware.");
    }
    EXPECT_TRUE(requests().empty());
}

} // namespace

namespace {

// A catalogue record with stale checksums can offer an image whose code
// does not verify. Every family refuses it before the first block goes out,
// whether or not the boot would have been written first, and the unit keeps
// running what it ran.
struct bad_image_row_t {
    const char* family;
    std::function<void(const std::string& state)> install;
    bytes_t bad_image;
    checksums_t claimed; // what the stale record says
    int boot_mode;
};

void PrintTo(const bad_image_row_t& row, std::ostream* out) {
    *out << row.family;
}

class FirmwareBadImage : public FirmwareFamilies,
                         public ::testing::WithParamInterface<bad_image_row_t> {};

TEST_P(FirmwareBadImage, AWrongCodeChecksumIsRefusedBeforeAnyWrite) {
    const bad_image_row_t& row = GetParam();
    row.install(state());
    start_unit(row.family);
    const update::unit_result_t before = upload();
    ASSERT_TRUE(before.family);
    const checksums_t running = before.family->state().checksums;
    requests();
    try {
        download(before.family, row.bad_image, row.claimed, row.boot_mode, 1);
        ADD_FAILURE() << "an image whose code does not verify was written";
    } catch (const qo::exception_t& e) {
        EXPECT_STREQ(e.what(), "Invalid checksum in the selected firmware.");
    }
    EXPECT_TRUE(requests().empty()) << "a request went out before the check";
    const update::unit_result_t after = upload();
    ASSERT_TRUE(after.family);
    EXPECT_EQ(after.family->state().checksums, running);
}

INSTANTIATE_TEST_SUITE_P(
    Families, FirmwareBadImage,
    ::testing::Values(
        bad_image_row_t{"tolk",
                        [](const std::string& s) { install_tolk_unit(s, tolk_image(1, tolk_parts), 6); },
                        tolk_image(2, {0, 0x2a2a2a, 0, tolk_parts.fpga, tolk_parts.fpga2}),
                        {0x555555, 0x2a2a2a, 0, tolk_parts.fpga, tolk_parts.fpga2}, 2},
        bad_image_row_t{"tolkamd",
                        [](const std::string& s) { install_tolkamd_unit(s, tolk_image(1, tolk_parts), 8); },
                        tolk_image(2, {0, 0x2a2a2a, 0, tolk_parts.fpga, tolk_parts.fpga2}),
                        {0x555555, 0x2a2a2a, 0, tolk_parts.fpga, tolk_parts.fpga2}, 2},
        bad_image_row_t{"brisk",
                        [](const std::string& s) { install_brisk_unit(s, brisk_image(1, brisk_parts), 1); },
                        brisk_image(2, {0, 0x0bcdef, 0, 0, 0}), {0x555555, 0x0bcdef, 0, 0, 0}, 2},
        bad_image_row_t{"plinth",
                        [](const std::string& s) { install_plinth_unit(s, plinth_image(1, plinth_parts), 1); },
                        plinth_image(2, {0, 0x2a2a2a, 0, 0, plinth_parts.fpga2}),
                        {0x555555, 0x2a2a2a, 0, 0, plinth_parts.fpga2}, 2}),
    [](const auto& info) { return std::string(info.param.family); });

} // namespace
