// The TFTP client against real peers on loopback: the simulated network
// audio module (namsim) and a stock server (atftpd).
#include "firmware/checksum.h"
#include "firmware/tftp.h"

#include "firmware_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <ostream>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace firmware_test;
using clock_type = std::chrono::steady_clock;

// Addresses of the peers; a stray answers from its own.
const char* const namsim_address = "127.0.0.20";
const char* const atftpd_address = "127.0.0.21";
const char* const stranger_address = "127.0.0.23";

bool all_erased(const bytes_t& bytes, std::size_t from) {
    return std::all_of(bytes.begin() + static_cast<long>(std::min(from, bytes.size())), bytes.end(),
                       [](std::uint8_t b) { return b == 0xff; });
}

bytes_t slice(const bytes_t& bytes, std::size_t offset, std::size_t length) {
    return bytes_t(bytes.begin() + static_cast<long>(offset),
                   bytes.begin() + static_cast<long>(offset + length));
}

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// ---------------------------------------------------------------------------
// The same reads and writes against both peers.

enum class peer_kind_t { namsim, atftpd };

// One peer serving a set of files.
class peer_t {
public:
    peer_t(peer_kind_t kind, const temp_dir_t& dir, const std::map<std::string, bytes_t>& files)
        : root_(dir.file(kind == peer_kind_t::namsim ? "unit" : "root")) {
        ::mkdir(root_.c_str(), 0777);
        std::vector<std::string> banks;
        for (const auto& [name, bytes] : files) {
            write_file(root_ + "/" + name, bytes);
            banks.push_back("--bank");
            banks.push_back(name + ":" + std::to_string(bytes.size()));
        }
        if (kind == peer_kind_t::namsim) {
            namsim_ = std::make_unique<namsim_t>("tolk", root_, banks, namsim_address);
            unit_ = namsim_->unit();
            port_ = namsim_->port();
        } else {
            atftpd_ = std::make_unique<atftpd_t>(root_, atftpd_address);
            unit_ = atftpd_->unit();
            port_ = atftpd_->port();
        }
        tftp::instance().port = port_;
    }

    const qo::ip_address_t& unit() const { return unit_; }
    // atftpd sends its last ACK before it closes the file, so what it
    // stored may reach the disk a moment after the client is done.
    bytes_t stored(const std::string& name, std::size_t at_least) const {
        const auto until = clock_type::now() + std::chrono::seconds(3);
        bytes_t bytes = read_file(root_ + "/" + name);
        while (bytes.size() < at_least && clock_type::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            bytes = read_file(root_ + "/" + name);
        }
        return bytes;
    }

private:
    std::string root_;
    std::unique_ptr<namsim_t> namsim_;
    std::unique_ptr<atftpd_t> atftpd_;
    qo::ip_address_t unit_;
    std::uint16_t port_ = 0;
};

class FirmwareTftpPeers : public ::testing::TestWithParam<peer_kind_t> {
protected:
    settings_guard_t settings_;
    temp_dir_t dir_;
};

TEST_P(FirmwareTftpPeers, ReadsEndOnTheFirstBlockShorterThan512Bytes) {
    struct row_t {
        const char* name;
        std::size_t size;
    };
    const row_t rows[] = {
        {"empty_file_is_one_empty_block", 0},
        {"single_short_block_ends_the_read_without_a_time_out", 511},
        {"full_block_is_followed_by_an_empty_one", 512},
        {"second_block_of_one_byte", 513},
        {"sixteen_kibibytes_in_32_full_blocks", 16384},
    };
    std::map<std::string, bytes_t> files;
    for (const row_t& row : rows)
        files[row.name] = pattern_bytes(row.size, static_cast<std::uint32_t>(row.size));
    peer_t peer(GetParam(), dir_, files);
    // A read that missed its end would end in a time-out.
    tftp::instance().timeout = 1000;
    tftp::instance().retries = 0;

    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string local = dir_.file(std::string("got-") + row.name);
        EXPECT_EQ(tftp::get(peer.unit(), row.name, local), tftp::result_done);
        EXPECT_EQ(read_file(local), files[row.name]);
    }
}

// The caller's limit bounds what a read writes to disk: exactly the limit
// is taken, one byte more is an error.
TEST_P(FirmwareTftpPeers, ReadsStopWithAnErrorPastTheCallersLimit) {
    const std::map<std::string, bytes_t> files{{"bank", pattern_bytes(2048, 5)}};
    peer_t peer(GetParam(), dir_, files);
    tftp::instance().timeout = 1000;
    tftp::instance().retries = 0;
    const std::string local = dir_.file("got-bank");
    EXPECT_EQ(tftp::get(peer.unit(), "bank", local, 2048), tftp::result_done);
    EXPECT_EQ(read_file(local), files.at("bank"));
    EXPECT_EQ(tftp::get(peer.unit(), "bank", local, 2047), tftp::result_error);
    EXPECT_LE(read_file(local).size(), 2047u);
}

TEST_P(FirmwareTftpPeers, MissingFileGivesErrorWithTheServersText) {
    peer_t peer(GetParam(), dir_, {});
    trace_t trace;
    EXPECT_EQ(tftp::get(peer.unit(), "no-such-file", dir_.file("local")), tftp::result_error);
    const std::vector<std::string> lines = trace.lines();
    EXPECT_TRUE(has_line(lines, "File not found")) << ::testing::PrintToString(lines);
}

TEST_P(FirmwareTftpPeers, WritesRangesThatEndInAShortBlock) {
    struct row_t {
        const char* name;
        std::uint32_t offset;
        std::uint32_t length;
        std::size_t expected; // bytes that reach the peer
    };
    const row_t rows[] = {
        {"two_blocks_of_1000_bytes", 100, 1000, 1000},
        {"one_byte_after_a_full_block", 7, 513, 513},
        {"single_byte", 0, 1, 1},
        {"range_past_the_end_of_the_file_stops_there", 3000, 5000, 1096},
    };
    const bytes_t image = pattern_bytes(4096, 99);
    write_file(dir_.file("image"), image);
    std::map<std::string, bytes_t> files;
    for (const row_t& row : rows)
        files[row.name] = pattern_bytes(2048, 5);
    peer_t peer(GetParam(), dir_, files);

    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(tftp::put_ex(peer.unit(), dir_.file("image"), row.name, row.offset, row.length),
                  tftp::result_done);
        const bytes_t stored = peer.stored(row.name, row.expected);
        ASSERT_GE(stored.size(), row.expected);
        EXPECT_EQ(slice(stored, 0, row.expected), slice(image, row.offset, row.expected));
        // The unit erased the rest of its bank; the stock server keeps
        // only what was sent.
        EXPECT_TRUE(all_erased(stored, row.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, FirmwareTftpPeers,
                         ::testing::Values(peer_kind_t::namsim, peer_kind_t::atftpd),
                         [](const ::testing::TestParamInfo<peer_kind_t>& info) {
                             return info.param == peer_kind_t::namsim ? "namsim" : "atftpd";
                         });

// ---------------------------------------------------------------------------
// Behaviour the units rely on, against the simulated module.

class FirmwareTftp : public ::testing::Test {
protected:
    void start(const std::vector<std::string>& args = {}) {
        unit_ = std::make_unique<namsim_t>("tolk", dir_.file("unit"), args, namsim_address);
        tftp::instance().port = unit_->port();
    }

    settings_guard_t settings_;
    temp_dir_t dir_;
    std::unique_ptr<namsim_t> unit_;
};

TEST_F(FirmwareTftp, WriteOfWholeBlocksEndsAtTheLastAckWithoutAnEmptyBlock) {
    start();
    bytes_t image = pattern_bytes(0x8000, 1);
    write_file(dir_.file("image"), image);
    // A bank larger than the range, so the unit would take an empty block.
    EXPECT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m06", 0x2000, 0x4000),
              tftp::result_done);

    const auto data = unit_->events("DATA");
    ASSERT_EQ(data.size(), 32u);
    for (std::size_t i = 0; i < data.size(); ++i)
        EXPECT_EQ(data[i].line, "DATA m06 " + std::to_string(i + 1) + " 512");

    const bytes_t stored = read_file(dir_.file("unit") + "/m06");
    EXPECT_EQ(slice(stored, 0, 0x4000), slice(image, 0x2000, 0x4000));
    EXPECT_TRUE(all_erased(stored, 0x4000));
}

// An empty range invalidates a bank: only the request reaches the unit,
// which erases the bank.
TEST_F(FirmwareTftp, WriteOfLengthZeroSendsOnlyTheRequest) {
    start();
    write_file(dir_.file("junk"), bytes_t(32, 0x5a));
    write_file(dir_.file("unit") + "/m08", pattern_bytes(0x20000, 8));
    EXPECT_EQ(tftp::put_ex(unit_->unit(), dir_.file("junk"), "m08", 0, 0), tftp::result_done);
    EXPECT_EQ(unit_->events("WRQ").size(), 1u);
    EXPECT_TRUE(unit_->events("DATA").empty());
    const bytes_t stored = read_file(dir_.file("unit") + "/m08");
    EXPECT_EQ(stored.size(), 0x20000u);
    EXPECT_TRUE(all_erased(stored, 0));
}

TEST_F(FirmwareTftp, ReadBackOfAWrittenBankSeesTheData) {
    start();
    bytes_t image = pattern_bytes(0x4000, 11);
    write_file(dir_.file("image"), image);
    ASSERT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m01", 0, 0x4000), tftp::result_done);
    ASSERT_EQ(tftp::get(unit_->unit(), "m01", dir_.file("copy")), tftp::result_done);
    EXPECT_EQ(read_file(dir_.file("copy")), image);
}

// Job threads transfer at the same time, each on its own socket, while a
// client may change the settings.
TEST_F(FirmwareTftp, ConcurrentTransfersShareOnlyTheSettings) {
    start();
    const char* const banks[] = {"m06", "m07", "m08", "m09"};
    std::vector<bytes_t> images;
    for (std::uint32_t i = 0; i < 4; ++i) {
        images.push_back(pattern_bytes(0x3000 + 100 * i, 40 + i));
        write_file(dir_.file("image" + std::to_string(i)), images.back());
    }
    std::atomic<bool> running{true};
    std::thread client([&] {
        for (std::int32_t i = 0; running; ++i) {
            tftp::instance().holdoff = 100 + i % 7;
            tftp::instance().retries = 2 + i % 2;
            // Paces the changes so they fall all through the transfers.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::vector<std::thread> jobs;
    std::vector<int> results(8, 0);
    for (std::size_t i = 0; i < 4; ++i) {
        jobs.emplace_back([&, i] {
            const std::string image = dir_.file("image" + std::to_string(i));
            const std::string copy = dir_.file("copy" + std::to_string(i));
            results[2 * i] = tftp::put_ex(unit_->unit(), image, banks[i], 0,
                                          static_cast<std::uint32_t>(images[i].size()));
            results[2 * i + 1] = tftp::get(unit_->unit(), banks[i], copy);
        });
    }
    for (std::thread& job : jobs)
        job.join();
    running = false;
    client.join();

    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(banks[i]);
        EXPECT_EQ(results[2 * i], tftp::result_done);
        EXPECT_EQ(results[2 * i + 1], tftp::result_done);
        const bytes_t copy = read_file(dir_.file("copy" + std::to_string(i)));
        EXPECT_EQ(slice(copy, 0, images[i].size()), images[i]);
    }
}

TEST_F(FirmwareTftp, SilenceEndsInTimeOutAfterAGrowingBackOff) {
    start({"--fault", "silent"});
    tftp::settings_t& settings = tftp::instance();
    settings.timeout = 200;
    settings.retries = 3;
    settings.holdoff = 100;

    const auto start_time = clock_type::now();
    EXPECT_EQ(tftp::get(unit_->unit(), "m01", dir_.file("local")), tftp::result_timeout);
    const auto elapsed = clock_type::now() - start_time;
    // Four waits of 200 ms and the back-off of 100, 200 and 300 ms.
    EXPECT_GE(elapsed, std::chrono::milliseconds(4 * 200 + 600));

    const auto requests = unit_->events("RRQ");
    ASSERT_EQ(requests.size(), 4u);
    const std::uint64_t backoff[] = {100, 200, 300};
    for (std::size_t i = 1; i < requests.size(); ++i) {
        SCOPED_TRACE("resend " + std::to_string(i));
        // Seen by the module, which may take a request late by a few
        // milliseconds; the steps of 100 ms still show.
        EXPECT_GE(requests[i].ms - requests[i - 1].ms + 25, 200 + backoff[i - 1]);
    }
}

TEST_F(FirmwareTftp, NoRetriesEndsAtTheFirstTimeOut) {
    start({"--fault", "silent"});
    tftp::instance().timeout = 200;
    tftp::instance().retries = 0;
    write_file(dir_.file("image"), pattern_bytes(100, 1));
    tftp::instance().write_timeout = 200;
    EXPECT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m01", 0, 100), tftp::result_timeout);
    EXPECT_EQ(unit_->events("WRQ").size(), 1u);
}

TEST_F(FirmwareTftp, MissingLocalFileIsAnErrorBeforeAnyPacket) {
    start();
    EXPECT_EQ(tftp::put_ex(unit_->unit(), dir_.file("none"), "m01", 0, 0x100), tftp::result_error);
    EXPECT_EQ(tftp::get(unit_->unit(), "m01", dir_.file("no-such-folder/local")), tftp::result_error);
    EXPECT_TRUE(unit_->events("WRQ").empty());
    EXPECT_TRUE(unit_->events("RRQ").empty());
}

TEST_F(FirmwareTftp, TracesTransfersTimeOutsAndErrors) {
    start({"--bank", "odd:700"});
    tftp::instance().timeout = 200;
    tftp::instance().retries = 1;
    trace_t trace;
    write_file(dir_.file("image"), pattern_bytes(0x5000, 2));
    EXPECT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m02", 0x4000, 0x1000), tftp::result_done);
    EXPECT_EQ(tftp::get(unit_->unit(), "odd", dir_.file("copy")), tftp::result_done);
    unit_->fault("silent");
    EXPECT_EQ(tftp::get(unit_->unit(), "odd", dir_.file("copy")), tftp::result_timeout);

    const std::vector<std::string> lines = trace.lines();
    EXPECT_TRUE(has_line(lines, "tftp::put_ex : " + dir_.file("image") + "->m02 : 16384 : 4096"))
        << ::testing::PrintToString(lines);
    EXPECT_TRUE(has_line(lines, "tftp::get : odd->" + dir_.file("copy")));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "client socket timeout: sockets timeout"), 2);
}

// ---------------------------------------------------------------------------
// Injected faults end with the right data or a clear result, never with
// wrong data.

struct fault_row_t {
    const char* name;
    std::vector<std::string> faults;
    int result;
};

void PrintTo(const fault_row_t& row, std::ostream* out) {
    *out << row.name;
}

// A stranger gets ERROR 5 and nothing else.
void expect_strangers_rejected(namsim_t& unit, const fault_row_t& row) {
    const auto strays = unit.events("STRAY-GOT");
    for (const auto& stray : strays)
        EXPECT_NE(stray.line.find(" 5 5 Unknown transfer ID"), std::string::npos) << stray.line;
    if (row.faults[0].rfind("stray", 0) == 0) {
        EXPECT_EQ(strays.size(), 1u);
    }
}

class FirmwareTftpReadFaults : public FirmwareTftp, public ::testing::WithParamInterface<fault_row_t> {};

TEST_P(FirmwareTftpReadFaults, EndWithTheBankOrAClearResult) {
    const fault_row_t& row = GetParam();
    // Five full blocks and a short one.
    const bytes_t bank = pattern_bytes(5 * 512 + 100, 21);
    ::mkdir(dir_.file("unit").c_str(), 0755);
    write_file(dir_.file("unit") + "/blk", bank);
    start({"--bank", "blk:" + std::to_string(bank.size())});
    tftp::instance().timeout = 400;
    for (const std::string& fault : row.faults)
        unit_->fault(fault);

    const std::string local = dir_.file("local");
    EXPECT_EQ(tftp::get(unit_->unit(), "blk", local), row.result);
    if (row.result == tftp::result_done) {
        EXPECT_EQ(read_file(local), bank);
    }
    expect_strangers_rejected(*unit_, row);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareTftpReadFaults,
    ::testing::Values(
        fault_row_t{"lost_ack_resent_block_is_not_appended_again", {"drop-in 2"}, tftp::result_done},
        fault_row_t{"duplicated_block_is_not_appended_again", {"dup 3"}, tftp::result_done},
        fault_row_t{"lost_block_comes_again_after_the_time_out", {"drop-out 2"}, tftp::result_done},
        fault_row_t{"lost_first_block_comes_again", {"drop-out 1"}, tftp::result_done},
        fault_row_t{"block_from_a_stray_port_is_not_taken", {"stray 3"}, tftp::result_done},
        fault_row_t{"first_reply_from_another_address_is_not_taken",
                    {std::string("stray 1 ") + stranger_address}, tftp::result_done},
        fault_row_t{"datagram_shorter_than_4_bytes_is_discarded", {"short 2"}, tftp::result_done},
        fault_row_t{"error_from_the_unit_ends_with_error", {"error 3 0 Flash busy"}, tftp::result_error},
        fault_row_t{"silence_mid_transfer_ends_in_time_out", {"silent 3"}, tftp::result_timeout}),
    [](const ::testing::TestParamInfo<fault_row_t>& info) { return std::string(info.param.name); });

class FirmwareTftpWriteFaults : public FirmwareTftp, public ::testing::WithParamInterface<fault_row_t> {};

TEST_P(FirmwareTftpWriteFaults, EndWithTheRangeWrittenOrAClearResult) {
    const fault_row_t& row = GetParam();
    start();
    tftp::instance().write_timeout = 400;
    const bytes_t image = pattern_bytes(6000, 31);
    write_file(dir_.file("image"), image);
    for (const std::string& fault : row.faults)
        unit_->fault(fault);

    // Six blocks, the last one short.
    const std::uint32_t offset = 1000;
    const std::uint32_t length = 5 * 512 + 77;
    EXPECT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m06", offset, length), row.result);
    expect_strangers_rejected(*unit_, row);
    if (row.result != tftp::result_done)
        return;
    const bytes_t stored = read_file(dir_.file("unit") + "/m06");
    EXPECT_EQ(slice(stored, 0, length), slice(image, offset, length));
    EXPECT_TRUE(all_erased(stored, length));
    // Every block went to the unit once, in order.
    const auto data = unit_->events("DATA");
    ASSERT_EQ(data.size(), 6u);
    for (std::size_t i = 0; i < data.size(); ++i)
        EXPECT_EQ(data[i].words[2], std::to_string(i + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FirmwareTftpWriteFaults,
    ::testing::Values(
        fault_row_t{"duplicated_ack_does_not_advance_twice", {"dup 3"}, tftp::result_done},
        fault_row_t{"lost_ack_block_is_resent_and_not_stored_twice", {"drop-out 3"}, tftp::result_done},
        fault_row_t{"lost_block_is_resent_after_the_time_out", {"drop-in 2"}, tftp::result_done},
        fault_row_t{"ack_from_a_stray_port_is_not_taken", {"stray 3"}, tftp::result_done},
        fault_row_t{"first_ack_from_another_address_is_not_taken",
                    {std::string("stray 1 ") + stranger_address}, tftp::result_done},
        fault_row_t{"datagram_shorter_than_4_bytes_is_discarded", {"short 2"}, tftp::result_done},
        fault_row_t{"error_from_the_unit_ends_with_error",
                    {"error 2 3 Disk full or allocation exceeded"}, tftp::result_error},
        fault_row_t{"silence_mid_transfer_ends_in_time_out", {"silent 3"}, tftp::result_timeout}),
    [](const ::testing::TestParamInfo<fault_row_t>& info) { return std::string(info.param.name); });

// The text of an ERROR ends with its datagram even when the terminator is
// missing; the previous, longer packet must not show through.
TEST_F(FirmwareTftp, ErrorTextWithoutTerminatorIsBoundedByTheDatagram) {
    ::mkdir(dir_.file("unit").c_str(), 0755);
    write_file(dir_.file("unit") + "/blk", bytes_t(2048, 'A'));
    start({"--bank", "blk:2048"});
    unit_->fault("error-raw 2 2 Flash locked");
    trace_t trace;
    EXPECT_EQ(tftp::get(unit_->unit(), "blk", dir_.file("local")), tftp::result_error);
    const std::vector<std::string> lines = trace.lines();
    EXPECT_TRUE(has_line(lines, "Flash locked")) << ::testing::PrintToString(lines);
}

TEST_F(FirmwareTftp, WriteBeyondTheBankEndsWithError) {
    start();
    write_file(dir_.file("image"), pattern_bytes(0x5000, 4));
    EXPECT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m01", 0, 0x4001), tftp::result_error);
}

// The client cannot see a block the unit stored wrongly; the read-back and
// the part's checksum do, which is how a download verifies itself.
TEST_F(FirmwareTftp, CorruptedWriteIsCaughtByTheChecksumOfTheReadBack) {
    struct row_t {
        const char* name;
        const char* fault;
        bool valid;
    };
    const row_t rows[] = {
        {"clean_write_verifies", nullptr, true},
        {"corrupted_block_fails_verification", "corrupt 5", false},
    };
    start();
    bytes_t image = pattern_bytes(0x6000, 12);
    const std::uint32_t word = seal_range(image, 0, 0x6000);
    write_file(dir_.file("image"), image);
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.fault)
            unit_->fault(row.fault);
        ASSERT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m01", 0, 0x4000), tftp::result_done);
        ASSERT_EQ(tftp::put_ex(unit_->unit(), dir_.file("image"), "m02", 0x4000, 0x2000),
                  tftp::result_done);
        ASSERT_EQ(tftp::get(unit_->unit(), "m01", dir_.file("copy1")), tftp::result_done);
        ASSERT_EQ(tftp::get(unit_->unit(), "m02", dir_.file("copy2")), tftp::result_done);
        checksum_t checksum;
        checksum.set_range(0, 0x6000);
        checksum.add_file(dir_.file("copy1")).add_file(dir_.file("copy2"));
        EXPECT_EQ(checksum.is_zero(), row.valid);
        if (row.valid) {
            EXPECT_EQ(checksum.last_word(), word);
        }
    }
}

} // namespace
