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
             << "00602b000007=198.18.1\n"   // cut short: not 198.18.1.0
             << "00602b00008=198.18.1.8\n"  // eleven digits
             << "00602b000009=198.18.1.9 x\n"
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
    EXPECT_EQ(history_.state_of(ip("198.18.1.0")), 0);
}

// A section longer than any fixed buffer comes in whole, and goes out whole:
// a cut would lose the entries past it and read the last line's address
// half. A malformed line among them loses only itself.
TEST_F(DiscoveryHistory, LongSectionLoadsAndSavesWhole) {
    std::vector<std::string> lines;
    for (int i = 0; i < 1500; ++i) {
        lines.push_back(qo::format("00602b%06x=198.19.%d.%d", i, i / 250, i % 250 + 1));
        if (i == 700)
            lines.push_back("00602bffffff=198.19.2");
    }
    platform::profile::ini_file_t ini(home_.history());
    ASSERT_TRUE(ini.write_section("big", lines));
    history_.load("big", ip("198.18.0.1"));
    const auto entries = history_.entries();
    ASSERT_EQ(entries.size(), 1500u);
    EXPECT_EQ(entries.back().second, ip("198.19.5.250"));
    EXPECT_EQ(history_.ip_of(mac("00602bffffff")), std::nullopt);

    ASSERT_TRUE(history_.save("big"));
    lines.erase(lines.begin() + 701);
    EXPECT_EQ(ini.read_section("big"), lines);
}

// Written by hand: the card's section rewritten in place in ascending MAC
// order (title brackets as parentheses), malformed and empty lines gone,
// everything else in the file byte for byte as it was.
TEST_F(DiscoveryHistory, SaveMatchesTheGoldenFile) {
    const std::filesystem::path golden(DISCOVERY_GOLDEN_DIR);
    std::filesystem::copy_file(golden / "history_before.ini", home_.history());
    history_.load("Card [1]", ip("198.18.0.1"));
    history_.record(mac("00602B0000AB"), ip("198.18.1.20"));
    history_.record(mac("00602b000003"), ip("198.18.1.4")); // moved
    history_.record(mac("00602b000010"), ip("198.18.1.9")); // took ...09's address
    ASSERT_TRUE(history_.save("Card [1]"));
    EXPECT_EQ(read_file(home_.history()), read_file(golden / "history_saved.ini"));
}

struct suggest_row_t {
    const char* name;
    const char* pool_start;
    const char* pool_end;
    std::vector<std::string> file;                         // "mac=ip" lines of the card's section
    std::vector<std::pair<const char*, const char*>> live; // recorded
    std::vector<const char*> excluded;
    const char* expected;
    const char* next; // the next candidate afterwards
};

void PrintTo(const suggest_row_t& row, std::ostream* out) {
    *out << row.name;
}

// The card is 10.0.0.1; the device asking is 00602b00000a; the pool is in
// 198.18.1.0/24 unless a row says otherwise.
class DiscoveryHistorySuggest : public testing::TestWithParam<suggest_row_t> {
protected:
    state_home_t home_;
    trace_capture_t trace_;
};

TEST_P(DiscoveryHistorySuggest, PicksAsTheRulesSay) {
    const suggest_row_t& row = GetParam();
    ip_history_t history(home_.history());
    platform::profile::ini_file_t ini(home_.history());
    ASSERT_TRUE(ini.write_section("card0", row.file));
    history.load("card0", ip("10.0.0.1"));
    for (const auto& [m, a] : row.live)
        history.record(mac(m), ip(a));
    for (const char* a : row.excluded)
        history.exclude(ip(a));
    history.set_pool(ip(row.pool_start), ip(row.pool_end));

    EXPECT_EQ(history.suggest(mac("00602b00000a")), ip(row.expected));
    EXPECT_EQ(history.next_candidate(), ip(row.next));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DiscoveryHistorySuggest,
    testing::Values(
        suggest_row_t{"RememberedAddressFirst",
                      "198.18.1.1",
                      "198.18.1.5",
                      {"00602b00000a=198.18.1.4"},
                      {},
                      {},
                      "198.18.1.4",
                      "198.18.1.1"},
        suggest_row_t{"OwnLiveAddressIsItsOwn",
                      "198.18.1.1",
                      "198.18.1.5",
                      {},
                      {{"00602b00000a", "198.18.1.3"}},
                      {},
                      "198.18.1.3",
                      "198.18.1.1"},
        suggest_row_t{"RememberedOutsideThePoolWalksThePool",
                      "198.18.1.1",
                      "198.18.1.5",
                      {"00602b00000a=198.18.2.1"},
                      {},
                      {},
                      "198.18.1.1",
                      "198.18.1.2"},
        suggest_row_t{"RememberedButExcludedWalksThePool",
                      "198.18.1.1",
                      "198.18.1.5",
                      {},
                      {{"00602b00000a", "198.18.1.2"}},
                      {"198.18.1.2"},
                      "198.18.1.1",
                      "198.18.1.2"},
        suggest_row_t{"AnotherDevicesLiveAddressSkipped",
                      "198.18.1.1",
                      "198.18.1.5",
                      {},
                      {{"00602b00000b", "198.18.1.1"}},
                      {},
                      "198.18.1.2",
                      "198.18.1.3"},
        suggest_row_t{"ExcludedSkipped",
                      "198.18.1.1",
                      "198.18.1.5",
                      {},
                      {},
                      {"198.18.1.1", "198.18.1.2"},
                      "198.18.1.3",
                      "198.18.1.4"},
        suggest_row_t{"NeverSeenBeforeFileOnly",
                      "198.18.1.1",
                      "198.18.1.5",
                      {"00602b00000b=198.18.1.1", "00602b00000c=198.18.1.2"},
                      {{"00602b00000d", "198.18.1.3"}},
                      {"198.18.1.4"},
                      "198.18.1.5",
                      "198.18.1.6"},
        suggest_row_t{"FileOnlyWhenNothingElseIsLeft",
                      "198.18.1.1",
                      "198.18.1.4",
                      {"00602b00000b=198.18.1.1", "00602b00000c=198.18.1.2"},
                      {{"00602b00000d", "198.18.1.3"}},
                      {"198.18.1.4"},
                      "198.18.1.1",
                      "198.18.1.2"},
        suggest_row_t{"NothingLeftGivesNone",
                      "198.18.1.1",
                      "198.18.1.2",
                      {},
                      {{"00602b00000b", "198.18.1.1"}},
                      {"198.18.1.2"},
                      "0.0.0.0",
                      "198.18.1.1"},
        suggest_row_t{
            "EmptyPoolGivesNone", "198.18.1.5", "198.18.1.1", {}, {}, {}, "0.0.0.0", "198.18.1.5"},
        suggest_row_t{"SingleAddressPool",
                      "198.18.1.3",
                      "198.18.1.3",
                      {},
                      {},
                      {},
                      "198.18.1.3",
                      "198.18.1.4"},
        suggest_row_t{"CardsOwnAddressNeverSuggested",
                      "10.0.0.1",
                      "10.0.0.2",
                      {},
                      {},
                      {},
                      "10.0.0.2",
                      "10.0.0.3"},
        suggest_row_t{"CardsAddressStaysExcludedAfterADeviceLeftIt",
                      "10.0.0.1",
                      "10.0.0.2",
                      {},
                      {{"00602b00000b", "10.0.0.1"}, {"00602b00000b", "10.0.0.9"}},
                      {},
                      "10.0.0.2",
                      "10.0.0.3"},
        suggest_row_t{"PoolOfEveryAddressDoesNotOverflow",
                      "0.0.0.0",
                      "255.255.255.255",
                      {},
                      {{"00602b00000b", "0.0.0.1"}},
                      {"0.0.0.0"},
                      "0.0.0.2",
                      "0.0.0.3"}),
    [](const testing::TestParamInfo<suggest_row_t>& info) { return std::string(info.param.name); });

TEST_F(DiscoveryHistory, SuggestWalksOnFromTheNextCandidateAndWraps) {
    history_.set_pool(ip("198.18.1.1"), ip("198.18.1.3"));
    EXPECT_EQ(history_.suggest(mac("00602b00000a")), ip("198.18.1.1"));
    history_.record(mac("00602b00000a"), ip("198.18.1.1"));
    // Not recorded (the device never took it): still free, but the walk
    // goes on past it.
    EXPECT_EQ(history_.suggest(mac("00602b00000b")), ip("198.18.1.2"));
    EXPECT_EQ(history_.suggest(mac("00602b00000c")), ip("198.18.1.3"));
    EXPECT_EQ(history_.next_candidate(), ip("198.18.1.4"));
    // Round to the start: .1 is taken, .2 is free again.
    EXPECT_EQ(history_.suggest(mac("00602b00000d")), ip("198.18.1.2"));
    // A new pool walks from its start.
    history_.set_pool(ip("198.18.1.2"), ip("198.18.1.3"));
    EXPECT_EQ(history_.suggest(mac("00602b00000e")), ip("198.18.1.2"));
}

struct settings_row_t {
    const char* name;
    const char* file;
    int sleep_ms;
    int arp;
    int rarp;
};

void PrintTo(const settings_row_t& row, std::ostream* out) {
    *out << row.name;
}

class DiscoveryHistorySettings : public testing::TestWithParam<settings_row_t> {
protected:
    state_home_t home_;
};

TEST_P(DiscoveryHistorySettings, ReadFromTimeoutsAndRetries) {
    const settings_row_t& row = GetParam();
    if (*row.file) {
        std::ofstream file(home_.history());
        file << row.file;
    }
    const qo::vg::arp_settings_t settings = ip_history_t(home_.history()).read_settings();
    EXPECT_EQ(settings.sleep_ms, row.sleep_ms);
    EXPECT_EQ(settings.arp_retries, row.arp);
    EXPECT_EQ(settings.rarp_retries, row.rarp);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DiscoveryHistorySettings,
    testing::Values(
        settings_row_t{"MissingFileGivesDefaults", "", 100, 5, 5},
        settings_row_t{"ValuesAreRead", "[Timeouts]\nARPSleepMS=10\n[Retries]\nARP=2\nRARP=3\n", 10,
                       2, 3},
        settings_row_t{"NamesIgnoreCase", "[timeouts]\narpsleepms=7\n[RETRIES]\nrarp=0\n", 7, 5, 0},
        settings_row_t{"NegativeRetriesAreNone", "[Retries]\nARP=-4\nRARP=-1\n", 100, 0, 0},
        settings_row_t{"ZeroSleepWouldSpin", "[Timeouts]\nARPSleepMS=0\n", 1, 5, 5},
        settings_row_t{"NotANumberReadsAsZero", "[Timeouts]\nARPSleepMS=soon\n", 1, 5, 5}),
    [](const testing::TestParamInfo<settings_row_t>& info) {
        return std::string(info.param.name);
    });

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
