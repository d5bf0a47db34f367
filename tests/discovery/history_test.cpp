// The address history: how records rebind, what a load takes from
// VGHistory.ini and what a save writes back.
#include "discovery/ip_history.h"
#include "platform/profile/profile.h"
#include "qo/format.h"
#include "support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace discovery_test;
using qo::vg::ip_history_t;

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

class DiscoveryHistory : public testing::Test {
protected:
    state_home_t home_;
    trace_capture_t trace_;
    ip_history_t history_{qo::vg::history_file_path()};
};

TEST_F(DiscoveryHistory, FileLivesInTheStateFolder) {
    EXPECT_EQ(history_.file(), home_.history());
}

TEST_F(DiscoveryHistory, RecordRebindsBothWays) {
    const auto a = mac("00602b00000a");
    const auto b = mac("00602b00000b");
    history_.record(a, ip("198.18.1.1"));
    history_.record(a, ip("198.18.1.2")); // A moved: .1 is free again
    EXPECT_EQ(history_.ip_of(a), ip("198.18.1.2"));
    EXPECT_EQ(history_.mac_of(ip("198.18.1.1")), std::nullopt);
    EXPECT_EQ(history_.state_of(ip("198.18.1.1")), 0);
    EXPECT_EQ(history_.state_of(ip("198.18.1.2")), ip_history_t::state_live);

    history_.record(b, ip("198.18.1.2")); // B took A's address: A has none
    EXPECT_EQ(history_.ip_of(a), std::nullopt);
    EXPECT_EQ(history_.mac_of(ip("198.18.1.2")), b);

    history_.record(qo::mac_address_t(), ip("198.18.1.3"));
    history_.record(a, ip("0.0.0.0"));
    EXPECT_EQ(history_.entries().size(), 1u);
}

TEST_F(DiscoveryHistory, LoadTakesWellFormedPairsAndExcludesTheCard) {
    {
        std::ofstream file(home_.history());
        file << "[Other]\n00602b0000ff=198.18.1.99\n"
             << "[Card (1)]\n"
             << "00602b000001=198.18.1.1\n"
             << "00602B000002=198.18.1.2\n" // upper case reads too
             << "000000000000=198.18.1.3\n" // zero MAC
             << "00602b000004=0.0.0.0\n"    // no address
             << "00602b000005=300.1.1.1\n"  // not an address
             << "garbage\n"
             << "00602b000006=198.18.1.1\n"; // takes .1 over from ...01
    }
    history_.load("Card [1]", ip("198.18.0.1"));
    EXPECT_TRUE(history_.loaded());
    EXPECT_TRUE(trace_.has("VGHistory.ini file is located in: [" + home_.history().string() + "]"));

    const std::vector<std::pair<qo::mac_address_t, qo::ip_address_t>> expected = {
        {mac("00602b000002"), ip("198.18.1.2")}, {mac("00602b000006"), ip("198.18.1.1")}};
    EXPECT_EQ(history_.entries(), expected);
    EXPECT_EQ(history_.state_of(ip("198.18.1.1")), ip_history_t::state_file);
    EXPECT_EQ(history_.state_of(ip("198.18.0.1")), ip_history_t::state_excluded);
}

// A section longer than any fixed buffer comes in whole: a cut would lose
// entries and read the last line's address half.
TEST_F(DiscoveryHistory, LongSectionLoadsWhole) {
    std::vector<std::string> lines;
    for (int i = 0; i < 1500; ++i)
        lines.push_back(qo::format("00602b%06x=198.19.%d.%d", i, i / 250, i % 250 + 1));
    platform::profile::ini_file_t ini(home_.history());
    ASSERT_TRUE(ini.write_section("big", lines));
    history_.load("big", ip("198.18.0.1"));
    const auto entries = history_.entries();
    ASSERT_EQ(entries.size(), 1500u);
    EXPECT_EQ(entries.back().second, ip("198.19.5.250"));
}

TEST_F(DiscoveryHistory, SaveRewritesOnlyTheCardsSection) {
    {
        std::ofstream file(home_.history());
        file << "[Retries]\nARP=7\n[Card (1)]\n00602b000009=198.18.1.9\n";
    }
    history_.load("Card [1]", ip("198.18.0.1"));
    history_.record(mac("00602B0000AB"), ip("198.18.1.20"));
    history_.record(mac("00602b000009"), ip("198.18.1.10"));
    ASSERT_TRUE(history_.save("Card [1]"));

    platform::profile::ini_file_t ini(home_.history());
    EXPECT_EQ(ini.read_section("Card (1)"),
              (std::vector<std::string>{"00602b000009=198.18.1.10", "00602b0000ab=198.18.1.20"}));
    EXPECT_EQ(ini.read_int("Retries", "ARP", 0), 7);
}

TEST_F(DiscoveryHistory, EmptyHistorySaveDeletesTheSection) {
    {
        std::ofstream file(home_.history());
        file << "[card0]\n000000000000=198.18.1.9\n";
    }
    history_.load("card0", ip("198.18.0.1"));
    ASSERT_TRUE(history_.save("card0"));
    EXPECT_EQ(read_file(home_.history()).find("[card0]"), std::string::npos);
}

TEST_F(DiscoveryHistory, UnloadedHistoryIsNeverSaved) {
    {
        std::ofstream file(home_.history());
        file << "[card0]\n00602b000001=198.18.1.1\n";
    }
    const std::string before = read_file(home_.history());
    history_.record(mac("00602b000002"), ip("198.18.1.2"));
    EXPECT_FALSE(history_.save("card0"));
    EXPECT_EQ(read_file(home_.history()), before);
}

TEST_F(DiscoveryHistory, SaveCreatesTheStateFolder) {
    const std::filesystem::path nested = home_.history().parent_path() / "deeper" / "VGHistory.ini";
    ip_history_t history(nested);
    history.load("card0", ip("198.18.0.1"));
    history.record(mac("00602b000001"), ip("198.18.1.1"));
    ASSERT_TRUE(history.save("card0"));
    EXPECT_EQ(platform::profile::ini_file_t(nested).read_section("card0"),
              std::vector<std::string>{"00602b000001=198.18.1.1"});
}

} // namespace
