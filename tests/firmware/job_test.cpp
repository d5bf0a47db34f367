// Upload and download jobs against the simulated tolk module on loopback:
// what is read and written, in which order, what the unit object knows
// afterwards, and how jobs end, fail and go.
#include "firmware/database.h"
#include "firmware/job.h"
#include "firmware/tftp.h"
#include "firmware/tolk.h"
#include "qo/exception.h"

#include "firmware_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace firmware_test;
using update::checksums_t;
using clock_type = std::chrono::steady_clock;

const char* const unit_address = "127.0.0.30";

// Parts of the images; each test's unit runs `running` unless it says else.
constexpr checksums_t running{0x111111, 0x222222, 0, 0x333333, 0x444444};
constexpr checksums_t running_without_fpga2{0x111111, 0x222222, 0, 0x333333, 0};

const requests_t boot_writes = {"WRQ m01", "RRQ m01", "WRQ m02", "RRQ m02"};
const requests_t fpga_writes = {"WRQ m04", "RRQ m04", "WRQ m05", "RRQ m05"};
const requests_t code_to_pair_8 = {"WRQ m08", "RRQ m08", "WRQ m09", "RRQ m09", "WRQ m06"};
const requests_t code_to_pair_6 = {"WRQ m06", "RRQ m06", "WRQ m07", "RRQ m07", "WRQ m08"};

requests_t upload_reads(int pair) {
    requests_t reads = {"RRQ m01", "RRQ m01", "RRQ m02", "RRQ m06", "RRQ m07"};
    if (pair != 6)
        reads = reads + requests_t{"RRQ m08", "RRQ m09"};
    return reads + requests_t{"RRQ m04", "RRQ m05", "RRQ m03"};
}

// A probe registered after the built-in families that only counts its
// calls: it shows which families an upload job asked.
std::atomic<int> probe_calls{0};

std::shared_ptr<update::base_t> counting_probe(const qo::ip_address_t&,
                                               const std::shared_ptr<update::status_t>&, int&) {
    ++probe_calls;
    return nullptr;
}

bool no_image(const std::string&, checksums_t&) {
    return false;
}

void register_counting_family() {
    static const bool registered = [] {
        update::register_families();
        update::register_family(&counting_probe, &no_image);
        return true;
    }();
    (void)registered;
}

std::int32_t wait_done(const update::job_t& job, int ms = 30000) {
    const auto until = clock_type::now() + std::chrono::milliseconds(ms);
    while (job.done() == 0 && clock_type::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return job.done();
}

class FirmwareJobs : public ::testing::Test {
protected:
    FirmwareJobs() {
        register_counting_family();
        probe_calls = 0;
        tftp::settings_t& s = tftp::instance();
        s.timeout = 1000;
        s.write_timeout = 3000;
        s.retries = 1;
        s.holdoff = 10;
    }

    void start_unit(const std::string& family = "tolk", std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--mac", unit_mac});
        unit_ = std::make_unique<namsim_t>(family, state(), args, unit_address);
        tftp::instance().port = unit_->port();
    }
    // A tolk unit running an image with `parts` from `pair`.
    bytes_t start_tolk_unit(const checksums_t& parts, int pair, std::vector<std::string> args = {}) {
        bytes_t image = tolk_image(1, parts);
        install_tolk_unit(state(), image, pair);
        start_unit("tolk", std::move(args));
        return image;
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

    // An uploaded unit object for the unit; the upload's requests are
    // taken.
    std::shared_ptr<update::base_t> uploaded_unit(database_t& database) {
        const auto job = database.start_upload(unit_->unit());
        EXPECT_EQ(wait_done(*job), update::job_t::finished) << job->status();
        const auto result = job->result();
        requests();
        return result ? result->family : nullptr;
    }

    // Writes `image` with `parts` through `unit` and returns the job's end.
    std::int32_t download(const std::shared_ptr<update::base_t>& unit, const bytes_t& image,
                          const checksums_t& parts, int boot_mode, int runtime_mode,
                          std::string* status = nullptr) {
        const std::string path = dir_.file("image-" + std::to_string(images_++) + ".bin");
        write_file(path, image);
        update::download_job_t job(unit, path, parts, boot_mode, runtime_mode);
        const std::int32_t done = wait_done(job);
        if (status)
            *status = job.status();
        return done;
    }

    settings_guard_t settings_;
    temp_dir_t dir_;
    std::unique_ptr<namsim_t> unit_;
    std::size_t seen_ = 0;
    int images_ = 0;
};

// ---------------------------------------------------------------------------

struct upload_row_t {
    const char* name;
    int pair;
    const char* record;
    // A pair whose files are zeros, which sum to 0 but hold no code.
    int zeroed_pair = 0;
};

void PrintTo(const upload_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareUploadJob : public FirmwareJobs, public ::testing::WithParamInterface<upload_row_t> {};

TEST_P(FirmwareUploadJob, ReadsEveryBankAndFindsTheVersion) {
    const upload_row_t& row = GetParam();
    temp_dir_t images;
    const bytes_t image = start_tolk_unit(running, row.pair);
    if (row.zeroed_pair != 0) {
        write_file(state() + "/m0" + std::to_string(row.zeroed_pair), bytes_t(0x20000, 0));
        write_file(state() + "/m0" + std::to_string(row.zeroed_pair + 1), bytes_t(0x20000, 0));
    }
    write_file(images.file("tolk_1_0_0.bin"), tolk_image(2, {0x5a5a5a, 1, 0, 0, 0}));
    write_file(images.file("tolk_1_2_3.bin"), image);

    auto database = std::make_unique<database_t>();
    database->init(images.path());
    const auto job = database->start_upload(unit_->unit());
    // The job reads from the catalogue it started with, whatever happens to
    // the catalogue meanwhile.
    database->init(dir_.file("nothing-here"));
    database.reset();

    ASSERT_EQ(wait_done(*job), update::job_t::finished) << job->status();
    EXPECT_EQ(job->status(), "Upload the configuration sector complete");
    EXPECT_EQ(job->percent(), 100);
    EXPECT_EQ(requests(), upload_reads(row.pair));

    const auto result = job->result();
    ASSERT_TRUE(result && result->family && result->catalogue);
    EXPECT_EQ(result->family->type(), update::tolk_t::type_code);
    if (row.record) {
        ASSERT_NE(result->record, nullptr);
        EXPECT_EQ(result->record->file_name, row.record);
        EXPECT_EQ(result->catalogue->display_name(result->record), "tolk version 1.2.3");
    } else {
        EXPECT_EQ(result->record, nullptr) << "no code is no listed version";
    }
    const update::unit_state_t unit = result->family->state();
    checksums_t expected = running;
    if (row.pair == 0)
        expected.code = expected.fpga2 = 0;
    EXPECT_EQ(unit.checksums, expected);
    EXPECT_EQ(unit.code_bank, row.pair);
    EXPECT_EQ(unit.current_mac.to_string(), unit_mac);
    EXPECT_TRUE(unit.new_mac.is_zero());
}

INSTANTIATE_TEST_SUITE_P(Rows, FirmwareUploadJob,
                         ::testing::Values(upload_row_t{"code_in_pair_6", 6, "tolk_1_2_3.bin"},
                                           upload_row_t{"code_in_pair_8", 8, "tolk_1_2_3.bin"},
                                           upload_row_t{"no_valid_code", 0, nullptr},
                                           upload_row_t{"zeroed_pair_6_is_no_code", 8,
                                                        "tolk_1_2_3.bin", 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareJobs, SilentUnitEndsTheSearchWithTheTimeOutText) {
    tftp::instance().timeout = 150;
    start_tolk_unit(running, 6, {"--fault", "silent"});
    database_t database;
    const auto job = database.start_upload(unit_->unit());
    EXPECT_EQ(wait_done(*job), update::job_t::failed);
    EXPECT_EQ(job->status(), tftp::timeout_text);
    EXPECT_EQ(probe_calls, 0) << "no further family is tried";
    // The request and its one repetition.
    EXPECT_EQ(requests(), (requests_t{"RRQ m01", "RRQ m01"}));
}

// A TFTP server that serves none of the families' boot files.
TEST_F(FirmwareJobs, UnitOfNoFamilyGivesTheUploadError) {
    temp_dir_t empty;
    const atftpd_t server(empty.path(), unit_address);
    tftp::instance().port = server.port();
    database_t database;
    const auto job = database.start_upload(server.unit());
    EXPECT_EQ(wait_done(*job), update::job_t::failed);
    EXPECT_EQ(job->status(), std::string("Error uploading firmware from ") + unit_address);
    EXPECT_EQ(probe_calls, 1) << "every family was asked";
    const auto result = job->result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->family, nullptr);
}

// A record is taken from a unit file only when it is whole; a unit object
// whose upload did not complete writes nothing.
TEST_F(FirmwareJobs, ShortConfigurationSectorFailsTheUploadAndBlocksDownloads) {
    const bytes_t image = start_tolk_unit(running, 6, {"--bank", "m03:100"});
    database_t database;
    const auto job = database.start_upload(unit_->unit());
    EXPECT_EQ(wait_done(*job), update::job_t::failed);
    EXPECT_EQ(job->status(), "Configuration sector incomplete");
    const auto result = job->result();
    ASSERT_TRUE(result && result->family);
    EXPECT_FALSE(result->family->uploaded());
    requests();

    std::string status;
    EXPECT_EQ(download(result->family, image, running, 2, 1, &status), update::job_t::failed);
    EXPECT_EQ(status, "object error");
    EXPECT_TRUE(requests().empty());
}

// ---------------------------------------------------------------------------

struct download_row_t {
    const char* name;
    checksums_t unit;
    checksums_t image;
    int boot_mode;
    int runtime_mode;
    requests_t expected;
};

void PrintTo(const download_row_t& row, std::ostream* out) {
    *out << row.name;
}

class FirmwareDownloadJob : public FirmwareJobs,
                            public ::testing::WithParamInterface<download_row_t> {};

TEST_P(FirmwareDownloadJob, WritesTheChosenPartsInOrder) {
    const download_row_t& row = GetParam();
    const bytes_t before = start_tolk_unit(row.unit, 6);
    database_t database;
    const auto unit = uploaded_unit(database);
    ASSERT_TRUE(unit);

    // Other bytes than the unit's, so that every written bank shows.
    const bytes_t image = tolk_image(7, row.image);
    std::string status;
    ASSERT_EQ(download(unit, image, row.image, row.boot_mode, row.runtime_mode, &status),
              update::job_t::finished)
        << status;
    EXPECT_EQ(status, "download done");
    EXPECT_EQ(requests(), row.expected);

    auto written = [&](const std::string& name) {
        return std::find(row.expected.begin(), row.expected.end(), "WRQ " + name) !=
               row.expected.end();
    };
    const struct {
        const char* name;
        std::size_t offset, length;
    } banks[] = {{"m01", 0, 0x4000},       {"m02", 0x4000, 0x2000},   {"m04", 0x8000, 0x18000},
                 {"m05", 0x20000, 0x20000}, {"m08", 0x40000, 0x20000}, {"m09", 0x60000, 0x20000}};
    for (const auto& b : banks) {
        SCOPED_TRACE(b.name);
        if (written(b.name)) {
            EXPECT_EQ(bank(b.name), range_of(image, b.offset, b.length));
        } else if (b.name[2] != '8' && b.name[2] != '9') {
            EXPECT_EQ(bank(b.name), range_of(before, b.offset, b.length));
        }
    }
    EXPECT_EQ(all_erased(bank("m06")), written("m08")) << "the old pair is invalidated";
    EXPECT_EQ(bank("m07"), range_of(before, 0x60000, 0x20000));

    // What the unit object knows is what a new upload reads.
    const auto fresh = uploaded_unit(database);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(unit->state().checksums, fresh->state().checksums);
    EXPECT_EQ(unit->state().code_bank, fresh->state().code_bank);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareDownloadJob,
    ::testing::Values(
        download_row_t{"new_code_goes_to_the_other_pair", running,
                       {0x555555, 0x222222, 0, 0x333333, 0x444444}, 0, 0, code_to_pair_8},
        download_row_t{"same_image_writes_nothing", running, running, 0, 0, {}},
        download_row_t{"boot_always_writes_boot_and_fpga", running, running, 2, 0,
                       boot_writes + fpga_writes},
        download_row_t{"runtime_always_writes_equal_code", running, running, 0, 1, code_to_pair_8},
        download_row_t{"auto_leaves_fpga_of_an_image_with_second_fpga_and_same_boot", running,
                       {0x111111, 0x222222, 0, 0x333334, 0x444444}, 0, 0, {}},
        download_row_t{"when_different_writes_boot_and_fpga", running,
                       {0x111111, 0x222223, 0, 0x333334, 0x444444}, 1, 0,
                       boot_writes + fpga_writes},
        download_row_t{"auto_fpga_without_second_fpga_brings_boot", running_without_fpga2,
                       {0x111111, 0x222222, 0, 0x333334, 0}, 0, 0, boot_writes + fpga_writes},
        download_row_t{"everything", running, {0x555555, 0x222223, 0, 0x333334, 0}, 2, 1,
                       boot_writes + code_to_pair_8 + fpga_writes}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareJobs, NewMacIsWrittenIntoTheUnitsOwnConfigurationRecord) {
    start_tolk_unit(running, 6);
    const bytes_t record = bank("m03");
    database_t database;
    const auto unit = uploaded_unit(database);
    ASSERT_TRUE(unit);
    qo::mac_address_t mac;
    mac.try_parse("00602b0a0b0c");
    unit->set_mac(mac);

    std::string status;
    ASSERT_EQ(download(unit, tolk_image(1, running), running, 0, 0, &status),
              update::job_t::finished)
        << status;
    EXPECT_EQ(requests(), (requests_t{"WRQ m03"}));
    bytes_t expected = record;
    const std::uint8_t pieces[] = {0x00, 0x60, 0x2b, 0x0a, 0x0b, 0x0c};
    for (int piece = 0; piece < 3; ++piece) {
        expected[4 + piece * 3] = pieces[piece * 2];
        expected[5 + piece * 3] = pieces[piece * 2 + 1];
    }
    EXPECT_EQ(bank("m03"), expected);
    EXPECT_EQ(unit->state().current_mac, mac);
    EXPECT_FALSE(unit->check_update(running, "").config_update) << "the unit carries it now";
}

// The unit object follows every verified part, so the next download through
// it goes to the pair that does not run.
TEST_F(FirmwareJobs, SecondDownloadGoesToThePairThatDoesNotRun) {
    start_tolk_unit(running, 6);
    database_t database;
    const auto unit = uploaded_unit(database);
    ASSERT_TRUE(unit);

    const checksums_t second{0x555555, 0x222222, 0, 0x333333, 0x444444};
    const bytes_t second_image = tolk_image(8, second);
    ASSERT_EQ(download(unit, second_image, second, 0, 0), update::job_t::finished);
    EXPECT_EQ(requests(), code_to_pair_8);
    EXPECT_EQ(unit->state().code_bank, 8);

    const checksums_t third{0x666666, 0x222222, 0, 0x333333, 0x444444};
    const bytes_t third_image = tolk_image(9, third);
    ASSERT_EQ(download(unit, third_image, third, 0, 0), update::job_t::finished);
    EXPECT_EQ(requests(), code_to_pair_6);
    EXPECT_EQ(bank("m06"), range_of(third_image, 0x40000, 0x20000));
    EXPECT_EQ(bank("m07"), range_of(third_image, 0x60000, 0x20000));
    EXPECT_TRUE(all_erased(bank("m08")));
    EXPECT_EQ(bank("m09"), range_of(second_image, 0x60000, 0x20000));
    EXPECT_EQ(unit->state().code_bank, 6);
    EXPECT_EQ(unit->state().checksums.code, 0x666666u);
}

TEST_F(FirmwareJobs, UnitWithoutValidCodeGetsPair6AndPair8Invalidated) {
    start_tolk_unit(running, 0);
    database_t database;
    const auto unit = uploaded_unit(database);
    ASSERT_TRUE(unit);
    ASSERT_EQ(unit->state().code_bank, 0);
    ASSERT_EQ(download(unit, tolk_image(1, running), running, 0, 0), update::job_t::finished);
    EXPECT_EQ(requests(), code_to_pair_6);
    EXPECT_EQ(unit->state().code_bank, 6);
}

// A new pair that does not verify leaves the running pair valid, and the
// unit object still knows which one that is.
TEST_F(FirmwareJobs, FailedCodeVerificationKeepsTheRunningPair) {
    const bytes_t before = start_tolk_unit(running, 6);
    database_t database;
    const auto unit = uploaded_unit(database);
    ASSERT_TRUE(unit);

    const checksums_t second{0x555555, 0x222222, 0, 0x333333, 0x444444};
    const bytes_t second_image = tolk_image(8, second);
    unit_->fault("corrupt 5");
    std::string status;
    EXPECT_EQ(download(unit, second_image, second, 0, 0, &status), update::job_t::failed);
    EXPECT_EQ(status, "Code download invalid");
    EXPECT_EQ(requests(), (requests_t{"WRQ m08", "RRQ m08", "WRQ m09", "RRQ m09"}));
    EXPECT_EQ(bank("m06"), range_of(before, 0x40000, 0x20000));
    EXPECT_EQ(unit->state().code_bank, 6);
    EXPECT_EQ(unit->state().checksums.code, running.code);

    ASSERT_EQ(download(unit, second_image, second, 0, 0), update::job_t::finished);
    EXPECT_EQ(requests(), code_to_pair_8);
}

TEST_F(FirmwareJobs, CancelledDownloadStillWritesTheWholeImage) {
    start_tolk_unit(running, 6);
    database_t database;
    const auto unit = uploaded_unit(database);
    ASSERT_TRUE(unit);

    const checksums_t second{0x555555, 0x222222, 0, 0x333333, 0x444444};
    const bytes_t image = tolk_image(8, second);
    write_file(dir_.file("image.bin"), image);
    update::download_job_t job(unit, dir_.file("image.bin"), second, 0, 0);
    job.cancel();
    EXPECT_EQ(wait_done(job), update::job_t::cancelled);
    EXPECT_EQ(job.status(), "download done");
    EXPECT_EQ(requests(), code_to_pair_8);
    EXPECT_EQ(bank("m08"), range_of(image, 0x40000, 0x20000));
    EXPECT_EQ(bank("m09"), range_of(image, 0x60000, 0x20000));
}

// ---------------------------------------------------------------------------

// A job released while its thread runs frees nothing the thread uses, and
// the library stays held until the thread has ended.
TEST_F(FirmwareJobs, ReleasedRunningJobKeepsItsStateAndTheLibraryHold) {
    tftp::instance().timeout = 150;
    tftp::instance().retries = 2;
    start_tolk_unit(running, 6, {"--fault", "silent"});
    std::atomic<int> holds{0};
    std::weak_ptr<void> last_hold;
    update::set_job_hold([&] {
        ++holds;
        auto hold = std::make_shared<int>(0);
        last_hold = hold;
        return hold;
    });
    database_t database;

    auto job = database.start_upload(unit_->unit());
    EXPECT_EQ(holds, 1);
    EXPECT_EQ(job->done(), 0) << "the unit takes a while to stay silent";
    try {
        (void)job->result();
        ADD_FAILURE() << "result of a running upload";
    } catch (const qo::exception_t& e) {
        EXPECT_STREQ(e.what(), "Haven't finished the operation, no result.");
    }
    const qo::handle_t ended = job->handle();
    job->limit_stop_wait(10);
    job.reset();
    EXPECT_FALSE(last_hold.expired()) << "the running thread holds the library";
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_TRUE(last_hold.expired());

    // Released without a shortened wait, the job waits for its thread.
    job = database.start_upload(unit_->unit());
    job.reset();
    EXPECT_TRUE(last_hold.expired());
    update::set_job_hold(nullptr);
}

// Temporary files go to a private folder per operation: names planted in
// the current folder are not followed, and nothing stays behind.
TEST_F(FirmwareJobs, TemporaryFilesStayInAPrivateFolder) {
    start_tolk_unit(running, 6);
    const std::string tmp = dir_.file("tmp");
    const std::string cwd = dir_.file("cwd");
    std::filesystem::create_directories(tmp);
    std::filesystem::create_directories(cwd);
    const std::string victim = dir_.file("victim");
    write_file(victim, bytes_t{1, 2, 3});
    for (const char* prefix : {"temp_boot1", "temp_boot2", "temp", "junk"})
        std::filesystem::create_symlink(victim, cwd + "/" + prefix + unit_address);

    const char* old_tmp = std::getenv("TMPDIR");
    const std::string saved_tmp = old_tmp ? old_tmp : "";
    const auto saved_cwd = std::filesystem::current_path();
    ::setenv("TMPDIR", tmp.c_str(), 1);
    std::filesystem::current_path(cwd);
    {
        database_t database;
        const auto unit = uploaded_unit(database);
        ASSERT_TRUE(unit);
        const checksums_t second{0x555555, 0x222222, 0, 0x333333, 0x444444};
        EXPECT_EQ(download(unit, tolk_image(8, second), second, 2, 0), update::job_t::finished);
    }
    std::filesystem::current_path(saved_cwd);
    if (old_tmp)
        ::setenv("TMPDIR", saved_tmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");

    EXPECT_EQ(read_file(victim), (bytes_t{1, 2, 3}));
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cwd),
                            std::filesystem::directory_iterator()),
              4);
}

} // namespace
