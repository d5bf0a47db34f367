// The firmware updater server against simulated units of every family on
// loopback, driven in-process through IDispatch as a client drives it:
// reading a unit, choosing a version, writing it, and what a client sees
// of failing, cancelled and released jobs.
#include "firmware/server/ids.h"
#include "firmware/tftp.h"

#include "family_cases.h"
#include "firmware_fixture.h"
#include "server_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

namespace {

using namespace firmware_test;
using namespace gorlith;
using driver_t = pa::dispatch_driver_t;
using clock_type = std::chrono::steady_clock;


std::int32_t int_of(const pa::variant_t& v) {
    return driver_t::to_int(v);
}

std::string text_of(const pa::variant_t& v) {
    return driver_t::to_string(v);
}

driver_t object_of(const pa::variant_t& v) {
    return driver_t::to_object(v);
}

// A unit of one family, the server pointed at it, and a catalogue with the
// family's old and new image.
class GorlithUnit : public GorlithServer {
protected:
    void start(const family_case_t& c, std::vector<std::string> args = {}) {
        case_ = &c;
        install_case_unit(c, dir_.file("unit"));
        write_case_images(c, images_.path());
        args.insert(args.end(), {"--mac", unit_mac});
        unit_ = std::make_unique<namsim_t>(c.family, dir_.file("unit"), args, c.address);
        port_ = std::make_unique<env_guard_t>("GORLITH_TFTP_PORT", std::to_string(unit_->port()));
    }
    // An updater with short waits and the catalogue.
    driver_t updater() {
        driver_t u = create(progid_updater);
        u.put(DISPID_timeout, std::int32_t{1000});
        u.put(DISPID_write_timeout, std::int32_t{3000});
        u.put(DISPID_retries, std::int32_t{1});
        u.put(DISPID_holdoff, std::int32_t{10});
        u.call(DISPID_init, {images_.path()});
        return u;
    }
    // The unit object of a finished upload.
    driver_t uploaded(const driver_t& u) {
        const driver_t job = object_of(u.call(DISPID_upload, {case_->address}));
        EXPECT_EQ(wait_done(job), 1) << text_of(job.get(DISPID_status));
        return object_of(job.call(DISPID_result));
    }
    driver_t version(const driver_t& u, bool newer) {
        const driver_t all = object_of(u.call(DISPID_find_all));
        const std::string wanted = case_version_name(*case_, newer);
        for (std::int32_t i = 0; i < int_of(all.get(DISPID_length)); ++i) {
            driver_t v = object_of(all.call(DISPID_at, {i}));
            if (text_of(v.get(DISPID_name)) == wanted)
                return v;
        }
        ADD_FAILURE() << "no version " << wanted;
        return {};
    }

    temp_dir_t dir_;
    temp_dir_t images_;
    const family_case_t* case_ = nullptr;
    std::unique_ptr<namsim_t> unit_;
    std::unique_ptr<env_guard_t> port_;
};

class GorlithFamilyRoad : public GorlithUnit, public ::testing::WithParamInterface<family_case_t> {};

TEST_P(GorlithFamilyRoad, ReadsChoosesWritesAndReadsAgain) {
    const family_case_t& c = GetParam();
    start(c);
    const driver_t u = updater();

    const driver_t job = object_of(u.call(DISPID_upload, {c.address}));
    ASSERT_EQ(wait_done(job), 1) << text_of(job.get(DISPID_status));
    EXPECT_EQ(job.get(DISPID_percent).dblVal, 100);
    const driver_t unit = object_of(job.call(DISPID_result));
    EXPECT_EQ(int_of(unit.get(DISPID_type)), c.type_code);
    EXPECT_EQ(text_of(unit.get(DISPID_mac)), unit_mac);
    const driver_t running = object_of(unit.get(DISPID_ver));
    EXPECT_EQ(text_of(running.get(DISPID_name)), case_version_name(c, false));

    const driver_t prefered = object_of(u.call(DISPID_find_prefered, {running.get()}));
    EXPECT_EQ(text_of(prefered.get(DISPID_name)), case_version_name(c, true));
    EXPECT_EQ(int_of(object_of(u.call(DISPID_find_compatible, {running.get()})).get(DISPID_length)), 2);
    const driver_t check = object_of(unit.call(DISPID_check_update, {prefered.get()}));
    EXPECT_EQ(int_of(check.get(DISPID_code_update)), 1);
    EXPECT_EQ(int_of(check.get(DISPID_config_update)), 0);
    const driver_t same = object_of(unit.call(DISPID_check_update, {running.get()}));
    EXPECT_EQ(int_of(same.get(DISPID_code_update)), 0);

    const driver_t download = object_of(unit.call(DISPID_download, {prefered.get()}));
    ASSERT_EQ(wait_done(download), 1) << text_of(download.get(DISPID_status));
    EXPECT_EQ(text_of(download.get(DISPID_status)), c.download_done);
    EXPECT_EQ(download.call(DISPID_result).vt, pa::VT_DISPATCH);
    EXPECT_FALSE(object_of(download.call(DISPID_result))) << "a download has no result";

    const driver_t again = uploaded(u);
    EXPECT_EQ(text_of(object_of(again.get(DISPID_ver)).get(DISPID_name)), case_version_name(c, true));
}

// A MAC is taken only as 12 hexadecimal digits; a short one would be padded
// with zeros and written into the unit.
TEST_P(GorlithFamilyRoad, MacIsWrittenOnlyWhenWhole) {
    const family_case_t& c = GetParam();
    start(c);
    const driver_t u = updater();
    const driver_t unit = uploaded(u);
    const driver_t running = object_of(unit.get(DISPID_ver));

    const call_error_t e = error_of([&] { unit.put(DISPID_mac, "0060"); });
    EXPECT_EQ(e.hr, pa::DISP_E_EXCEPTION);
    EXPECT_EQ(e.source, progid_unit);
    EXPECT_EQ(e.description, "Unit::mac : invalid parameter passed");
    const driver_t unchanged = object_of(unit.call(DISPID_check_update, {running.get()}));
    EXPECT_EQ(int_of(unchanged.get(DISPID_config_update)) + int_of(unchanged.get(DISPID_boot_differs)), 0)
        << "no new MAC is asked for";

    unit.put(DISPID_mac, "00602B0A0B0C");
    // The current MAC after another one keeps the other one asked for.
    unit.put(DISPID_mac, unit_mac);
    const driver_t asked = object_of(unit.call(DISPID_check_update, {running.get()}));
    EXPECT_EQ(int_of(asked.get(DISPID_config_update)) + int_of(asked.get(DISPID_boot_differs)), 1);
    const driver_t download = object_of(unit.call(DISPID_download, {running.get()}));
    ASSERT_EQ(wait_done(download), 1) << text_of(download.get(DISPID_status));
    EXPECT_EQ(text_of(unit.get(DISPID_mac)), "00602b0a0b0c");
    EXPECT_EQ(text_of(uploaded(u).get(DISPID_mac)), "00602b0a0b0c");
}

INSTANTIATE_TEST_SUITE_P(Families, GorlithFamilyRoad, ::testing::ValuesIn(family_cases()),
                         [](const auto& info) { return std::string(info.param.family); });

// ---------------------------------------------------------------------------

// A catalogued image spoilt after the catalogue cached its checksums: the
// catalogue still offers it, and a download that writes every part (boot
// mode 2, runtime mode 1) must refuse it before its first write request,
// with the text of the part that fails, leaving the unit as it ran.
struct bad_image_row_t {
    const char* family;
    const char* fault;
    // Zeros over [at, at + length), or, with length 0, the byte at `at`
    // inverted.
    std::size_t at;
    std::size_t length;
    const char* refusal;
};

void PrintTo(const bad_image_row_t& row, std::ostream* out) {
    *out << row.family << "_" << row.fault;
}

const char* const invalid_image = "Invalid checksum in the selected firmware.";
constexpr std::size_t whole = ~std::size_t{0};

bytes_t spoilt(bytes_t image, const bad_image_row_t& row) {
    if (row.length == 0) {
        image[row.at] ^= 0xff;
        return image;
    }
    const std::size_t end = row.length == whole ? image.size() : row.at + row.length;
    std::fill(image.begin() + static_cast<long>(row.at), image.begin() + static_cast<long>(end), 0);
    return image;
}

const family_case_t& case_named(const std::string& family) {
    for (const family_case_t& c : family_cases())
        if (family == c.family)
            return c;
    throw std::invalid_argument(family);
}

class GorlithBadImage : public GorlithUnit, public ::testing::WithParamInterface<bad_image_row_t> {};

TEST_P(GorlithBadImage, IsRefusedBeforeTheFirstWriteRequest) {
    const bad_image_row_t& row = GetParam();
    const family_case_t& c = case_named(row.family);
    start(c);
    // Releasing the updater caches the checksums of the good image.
    updater();
    write_file(images_.file(case_image_name(c, true)), spoilt(case_image(c, true), row));

    const driver_t u = updater();
    const driver_t unit = uploaded(u);
    const driver_t listed = version(u, true);
    const driver_t job = object_of(unit.call(DISPID_download2, {listed.get(), 2, 1}));
    ASSERT_EQ(wait_done(job), 2) << text_of(job.get(DISPID_status));
    EXPECT_EQ(text_of(job.get(DISPID_status)), row.refusal);
    EXPECT_TRUE(unit_->events("WRQ").empty()) << "a write request went out before the check";
    EXPECT_EQ(text_of(object_of(uploaded(u).get(DISPID_ver)).get(DISPID_name)),
              case_version_name(c, false));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, GorlithBadImage,
    ::testing::Values(
        bad_image_row_t{"tolk", "all_zero", 0, whole, invalid_image},
        bad_image_row_t{"tolk", "zeroed_boot", 0, 0x6000, invalid_image},
        bad_image_row_t{"tolk", "flipped_fpga", 0x10100, 0, "Fpga download invalid"},
        // The code pair carries the second FPGA.
        bad_image_row_t{"tolk", "flipped_fpga2", 0x60100, 0, invalid_image},
        bad_image_row_t{"tolkamd", "all_zero", 0, whole, invalid_image},
        bad_image_row_t{"tolkamd", "zeroed_boot", 0, 0x6000, invalid_image},
        bad_image_row_t{"tolkamd", "flipped_fpga", 0x10100, 0, "Fpga download invalid"},
        bad_image_row_t{"tolkamd", "flipped_fpga2", 0x60100, 0, invalid_image},
        bad_image_row_t{"brisk", "all_zero", 0, whole, invalid_image},
        bad_image_row_t{"brisk", "zeroed_boot", 0, 0x7bff, invalid_image},
        bad_image_row_t{"plinth", "all_zero", 0, whole, invalid_image},
        bad_image_row_t{"plinth", "zeroed_boot", 0x78000, 0x7bff, invalid_image},
        bad_image_row_t{"plinth", "flipped_fpga2", 0x20100, 0, "Second Xilinx download invalid"}),
    [](const auto& info) {
        return std::string(info.param.family) + "_" + info.param.fault;
    });

// ---------------------------------------------------------------------------

using GorlithJobs = GorlithUnit;

TEST_F(GorlithJobs, CancelledDownloadEndsCancelled) {
    start(family_cases()[0]);
    const driver_t u = updater();
    const driver_t unit = uploaded(u);
    const driver_t download = object_of(unit.call(DISPID_download2, {version(u, true).get(), 0, 1}));
    download.call(DISPID_cancel);
    EXPECT_EQ(wait_done(download), 3);
    EXPECT_EQ(text_of(download.get(DISPID_status)), "download done") << "the work still ran to its end";
}

// A silent unit: the job runs until the time-outs end it.
TEST_F(GorlithJobs, ResultOfARunningUploadIsRefused) {
    start(family_cases()[0], {"--fault", "silent"});
    const driver_t u = updater();
    u.put(DISPID_timeout, std::int32_t{300});
    const driver_t job = object_of(u.call(DISPID_upload, {family_cases()[0].address}));
    EXPECT_EQ(int_of(job.get(DISPID_done)), 0);
    const call_error_t e = error_of([&] { job.call(DISPID_result); });
    EXPECT_EQ(e.hr, pa::DISP_E_EXCEPTION);
    EXPECT_EQ(e.source, progid_job);
    EXPECT_EQ(e.description, "Haven't finished the operation, no result.");
    EXPECT_EQ(wait_done(job), 2);
    EXPECT_EQ(text_of(job.get(DISPID_status)), tftp::timeout_text);
}

// Negative settings are kept as given, but no transfer waits forever on
// them: a negative time-out is no wait at all, a negative hold-off no
// back-off.
TEST_F(GorlithJobs, NegativeTimeoutAndHoldoffStillEndTheJob) {
    start(family_cases()[0], {"--fault", "silent"});
    const driver_t u = updater();
    u.put(DISPID_timeout, std::int32_t{-1});
    u.put(DISPID_holdoff, std::int32_t{-1000000});
    u.put(DISPID_retries, std::int32_t{3});
    EXPECT_EQ(int_of(u.get(DISPID_timeout)), -1);
    const auto start_time = clock_type::now();
    const driver_t job = object_of(u.call(DISPID_upload, {family_cases()[0].address}));
    EXPECT_EQ(wait_done(job, 10000), 2);
    EXPECT_EQ(text_of(job.get(DISPID_status)), tftp::timeout_text);
    EXPECT_LT(clock_type::now() - start_time, std::chrono::seconds(5));
}

// Releasing the updater while its job runs frees nothing the job uses: the
// job ends, its unit and versions still work, and once everything is
// released the library goes (checked when the test ends).
TEST_F(GorlithJobs, UpdaterReleasedWhileItsJobRuns) {
    const family_case_t& c = family_cases()[0];
    start(c);
    driver_t u = updater();
    const driver_t job = object_of(u.call(DISPID_upload, {c.address}));
    u.reset();
    ASSERT_EQ(wait_done(job), 1) << text_of(job.get(DISPID_status));
    const driver_t unit = object_of(job.call(DISPID_result));
    EXPECT_EQ(text_of(object_of(unit.get(DISPID_ver)).get(DISPID_name)), case_version_name(c, false));
}

// Releasing a running job waits for its end: the library stays held until
// the thread has gone.
TEST_F(GorlithJobs, JobReleasedWhileItRuns) {
    const family_case_t& c = family_cases()[0];
    start(c, {"--fault", "silent"});
    driver_t u = updater();
    u.put(DISPID_timeout, std::int32_t{200});
    driver_t job = object_of(u.call(DISPID_upload, {c.address}));
    u.reset();
    EXPECT_EQ(int_of(job.get(DISPID_done)), 0);
    job.reset();
    pa::free_unused_libraries();
    EXPECT_FALSE(pa::is_library_loaded(GORLITH_PATH));
}

TEST_F(GorlithJobs, DebugTracesTheTransfers) {
    temp_dir_t trace_dir;
    const std::string trace = trace_dir.file("trace.txt");
    const env_guard_t trace_file("QO_TRACE_FILE", trace);
    const family_case_t& c = family_cases()[0];
    start(c);
    const driver_t u = updater();
    u.put(DISPID_debug, std::int32_t{1});
    uploaded(u);
    u.put(DISPID_debug, std::int32_t{0});
    std::ifstream in(trace);
    std::string line;
    bool seen = false;
    while (std::getline(in, line))
        seen = seen || line.rfind("tftp::get : m01->", 0) == 0;
    EXPECT_TRUE(seen) << "no trace line of the first read";
}

} // namespace
