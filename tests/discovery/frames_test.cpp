// Announcement frames through the parser and the capture filter, byte by
// byte; the reservation request against its written-out form.
#include "discovery/frames.h"
#include "discovery/timer.h"
#include "support.h"

#include <gtest/gtest.h>

#include "tests/support/bpf_filter.h"

#include <optional>
#include <span>

namespace {

using namespace discovery_test;
using qo::vg::announcement_t;

const qo::mac_address_t device_mac = mac("00602b000001");
const qo::ip_address_t device_ip = ip("198.18.1.11");

std::uint32_t run_filter(std::span<const W32N_BPF_INSN> program,
                         std::span<const std::uint8_t> frame) {
    const auto verdict = test_support::run_bpf_filter(program, frame);
    if (!verdict)
        ADD_FAILURE() << "the filter holds an unknown instruction or runs past its end";
    return verdict.value_or(0);
}

bytes_t header_only(std::uint8_t kind = 1) {
    return vargo_header(device_mac, kind);
}

bytes_t with_entries(std::initializer_list<std::uint8_t> entries, std::uint8_t kind = 1,
                     std::uint8_t version = 2) {
    bytes_t frame = vargo_header(device_mac, kind, version);
    append(frame, entries);
    return frame;
}

struct parse_case_t {
    const char* name;
    bytes_t frame;
    bool read;
    std::vector<qo::ip_address_t> ips;
};

// Rows print as their names.
void PrintTo(const parse_case_t& c, std::ostream* out) {
    *out << c.name;
}

class DiscoveryFrameParse : public testing::TestWithParam<parse_case_t> {};

TEST_P(DiscoveryFrameParse, ReadsOnlyWhatLiesInsideTheFrame) {
    const parse_case_t& c = GetParam();
    // An exact-size copy: any read past the end is a read past the
    // allocation, which the sanitizer build reports.
    const auto copy = std::make_unique<std::uint8_t[]>(c.frame.size());
    std::copy(c.frame.begin(), c.frame.end(), copy.get());
    announcement_t out;
    out.ips.push_back(ip("1.2.3.4")); // left over from an earlier frame
    EXPECT_EQ(qo::vg::read_announcement({copy.get(), c.frame.size()}, out), c.read);
    EXPECT_EQ(out.ips, c.ips);
    if (c.read) {
        EXPECT_EQ(out.source, device_mac);
    }
}

const qo::ip_address_t second_ip = ip("198.18.1.12");

INSTANTIATE_TEST_SUITE_P(
    Discovery, DiscoveryFrameParse,
    testing::Values(
        parse_case_t{"good", announcement(device_mac, device_ip), true, {device_ip}},
        parse_case_t{"no_ip_entry", announcement(device_mac, nullptr), true, {}},
        parse_case_t{"shorter_than_header",
                     [] {
                         bytes_t f = header_only();
                         f.pop_back();
                         return f;
                     }(),
                     false,
                     {}},
        parse_case_t{"header_only_no_entries", header_only(), true, {}},
        parse_case_t{"ip_entry_past_end",
                     with_entries({0x03, 0x04, 0, 0, 0, 0, 0x03, 0x08, 198, 18}),
                     true,
                     {}},
        parse_case_t{"entry_past_end_after_good_one",
                     with_entries({0x03, 0x08, 198, 18, 1, 11, 0x05, 0x40, 1, 2, 3}),
                     true,
                     {device_ip}},
        parse_case_t{"ip_entry_of_two_words", with_entries({0x02, 0x08, 198, 18, 0, 0}), true, {}},
        parse_case_t{"two_word_ip_entry_then_good_one",
                     with_entries({0x02, 0x08, 198, 18, 0x03, 0x08, 198, 18, 1, 11, 0, 0}),
                     true,
                     {device_ip}},
        parse_case_t{"one_word_ip_entry",
                     with_entries({0x01, 0x08, 0x03, 0x08, 198, 18, 1, 11}),
                     true,
                     {device_ip}},
        parse_case_t{"zero_length_entry_ends_list",
                     with_entries({0x00, 0x08, 198, 18, 1, 11, 0x03, 0x08, 198, 18, 1, 12}),
                     true,
                     {}},
        parse_case_t{"no_terminator_ends_at_frame_end",
                     with_entries({0x03, 0x04, 0, 0, 0, 0, 0x03, 0x08, 198, 18, 1, 11}),
                     true,
                     {device_ip}},
        parse_case_t{"odd_byte_after_last_entry",
                     with_entries({0x03, 0x08, 198, 18, 1, 11, 0x03}),
                     true,
                     {device_ip}},
        parse_case_t{"ip_entry_type_variants_and_order",
                     with_entries({0x03, 0x0B, 198,  18,   1,   11, 0x03, 0x0C, 9, 9,
                                   9,    9,    0x03, 0x09, 198, 18, 1,    12,   0, 0}),
                     true,
                     {device_ip, second_ip}},
        parse_case_t{"kind_two_is_not_an_announcement",
                     with_entries({0x03, 0x08, 198, 18, 1, 11}, 2),
                     false,
                     {}},
        parse_case_t{"other_ether_type", arp(2, device_mac, device_ip, device_ip), false, {}}),
    [](const testing::TestParamInfo<parse_case_t>& info) { return info.param.name; });

struct filter_case_t {
    const char* name;
    bytes_t frame;
    bool accepted;
};

void PrintTo(const filter_case_t& c, std::ostream* out) {
    *out << c.name;
}

class DiscoveryCaptureFilter : public testing::TestWithParam<filter_case_t> {};

TEST_P(DiscoveryCaptureFilter, AcceptsArpAndAnnouncementsOnly) {
    const filter_case_t& c = GetParam();
    const std::uint32_t verdict = run_filter(qo::vg::capture_filter(), c.frame);
    EXPECT_EQ(verdict, c.accepted ? 0xFFFFFFFFu : 0u);
}

bytes_t ether(std::uint16_t type, std::size_t length = 60) {
    bytes_t frame = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    append_mac(frame, device_mac);
    append(frame, {static_cast<std::uint8_t>(type >> 8), static_cast<std::uint8_t>(type)});
    frame.resize(length, 0);
    return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Discovery, DiscoveryCaptureFilter,
    testing::Values(
        filter_case_t{"announcement", announcement(device_mac, device_ip), true},
        filter_case_t{"announcement_without_ip", announcement(device_mac, nullptr), true},
        filter_case_t{"announcement_header_only", header_only(), true},
        filter_case_t{"shorter_than_header",
                      [] {
                          bytes_t f = header_only();
                          f.pop_back();
                          return f;
                      }(),
                      false},
        filter_case_t{"wrong_version", with_entries({0x03, 0x08, 198, 18, 1, 11}, 1, 3), false},
        filter_case_t{"kind_two", with_entries({0x03, 0x08, 198, 18, 1, 11}, 2), false},
        filter_case_t{"kind_zero_status_entry", with_entries({0x03, 0x04, 0x00, 0x00}, 0), true},
        filter_case_t{"kind_zero_status_entry_type_7", with_entries({0x03, 0x07, 0x00, 0xFE}, 0),
                      true},
        filter_case_t{"kind_zero_ip_entry_first", with_entries({0x03, 0x08, 0x00, 0x00}, 0), false},
        filter_case_t{"kind_zero_odd_data", with_entries({0x03, 0x04, 0x00, 0x01}, 0), false},
        filter_case_t{"kind_zero_high_data", with_entries({0x03, 0x04, 0x01, 0x00}, 0), false},
        filter_case_t{"kind_zero_cut_short", with_entries({0x03, 0x04, 0x00}, 0), false},
        filter_case_t{"arp_request", arp(1, device_mac, device_ip, second_ip), true},
        filter_case_t{"arp_reply", arp(2, device_mac, device_ip, second_ip), true},
        filter_case_t{"ipv4", ether(0x0800), false}, filter_case_t{"rarp", ether(0x8035), false},
        filter_case_t{"no_ether_type", ether(0x0806, 13), false}),
    [](const testing::TestParamInfo<filter_case_t>& info) { return info.param.name; });

TEST(DiscoveryFrames, ReservationRequestIsTheFixedFiftyBytes) {
    const bytes_t expected = {0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x01, // multicast destination
                              0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // card MAC
                              0x88, 0x19, 0x01, 0x02,             // type, kind, version
                              0x03, 0x04, 0x00, 0x00, 0x00, 0x00, // status entry
                              0x03, 0x08, 198,  18,   0,    1,    // card IP
                              0x04, 0x40, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, // 0x40 entry
                              0x06, 0x60, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0x00, 0x00, // 0x60 entry
                              0x00, 0x00};            // end word
    const auto frame = qo::vg::reservation_frame(mac("001122334455"), ip("198.18.0.1"));
    EXPECT_EQ(bytes_t(frame.begin(), frame.end()), expected);

    // The session reads its own request as an announcement of the card.
    announcement_t out;
    ASSERT_TRUE(qo::vg::read_announcement(frame, out));
    EXPECT_EQ(out.source, mac("001122334455"));
    EXPECT_EQ(out.ips, std::vector<qo::ip_address_t>{ip("198.18.0.1")});
    EXPECT_EQ(run_filter(qo::vg::capture_filter(), frame), 0xFFFFFFFFu);
}

TEST(DiscoveryFrames, ArpReplyGivesSourceAndSenderAddress) {
    bytes_t reply = arp(2, device_mac, device_ip, second_ip);
    const auto read = qo::vg::read_arp_reply(reply);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read,
              (qo::vg::assignment_t{device_mac, device_ip, qo::vg::assignment_t::arp_reply}));

    EXPECT_FALSE(qo::vg::read_arp_reply(arp(1, device_mac, device_ip, second_ip)).has_value());
    reply.resize(31); // the sender's address cut short
    EXPECT_FALSE(qo::vg::read_arp_reply(reply).has_value());
}

std::uint64_t g_now = 0;
std::uint64_t test_clock() {
    return g_now;
}

TEST(DiscoveryTimer, ElapsedKeepsCountingAcrossThirtyTwoBitBoundaries) {
    g_now = (std::uint64_t{1} << 32) - 500;
    qo::win_timer_imp_t timer(test_clock);
    g_now += 1000;
    EXPECT_EQ(timer.elapsed(), 1000u);
    // Fifty days: an age kept in 32 bits of milliseconds would have
    // wrapped to a small number here.
    g_now += std::uint64_t{50} * 24 * 3600 * 1000;
    EXPECT_EQ(timer.elapsed(), std::uint64_t{50} * 24 * 3600 * 1000 + 1000);
    EXPECT_TRUE(timer.expired(5000));
    timer.reset();
    EXPECT_EQ(timer.elapsed(), 0u);
    EXPECT_FALSE(timer.expired(1));
}

} // namespace
