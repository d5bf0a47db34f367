// The device-sheet download end to end on the namespace harness of
// download_netns_fixture.h.
#include "download_netns_fixture.h"

#include "model/messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace download_test;

using model::FormatMessage;

// Three units off range get the range's addresses in ascending order, last
// unit first; the fourth finds none left and the download fails.
TEST_F(DownloadNetns, TheRangeGoesInAscendingOrderThenRunsOut)
{
    if (IsSkipped())
        return;
    for (int id = 1; id <= 4; ++id)
        AddUnit(id, "U" + std::to_string(id), "00602b00002" + std::to_string(id));
    start_sim({"00602b000021=198.18.1.101", "00602b000022=198.18.1.102",
               "00602b000023=198.18.1.103", "00602b000024"},
              50, 100);
    WatchUntilOnline({"00602b000021", "00602b000022", "00602b000023", "00602b000024"});

    const std::vector<std::string> lines = Download("range.zo");
    const std::vector<std::string> expected = {
        FormatMessage(197, "range.zo"), "", FormatMessage(198), FormatMessage(194),
        FormatMessage(195, kCard, "198.18.1.10"), FormatMessage(200, kCard, "198.18.1.12"),
        FormatMessage(168), "", FormatMessage(162),
        FormatMessage(165, "U4", "00602b000024", "198.18.1.10"),
        FormatMessage(165, "U3", "00602b000023", "198.18.1.11"),
        FormatMessage(165, "U2", "00602b000022", "198.18.1.12"),
        FormatMessage(167, 1, "U1", "00602b000021"), FormatMessage(193, 1, 0)};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(m_frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    // The devices really hold them: their own announcements say so.
    const auto ips = OnlineIps();
    EXPECT_EQ(ips.at("00602b000024"), "198.18.1.10");
    EXPECT_EQ(ips.at("00602b000023"), "198.18.1.11");
    EXPECT_EQ(ips.at("00602b000022"), "198.18.1.12");
    EXPECT_EQ(ips.at("00602b000021"), "198.18.1.101");
    EXPECT_EQ(m_doc.GetDevice(3)->m_ip, "198.18.1.10");
    EXPECT_EQ(m_doc.GetDevice(0)->m_ip, "198.18.1.101");
}

// A whole download: an invalid MAC and a unit off line are left out, the
// others get addresses, their routes and the command to keep them.
TEST_F(DownloadNetns, AWholeDownloadReachesEveryUnit)
{
    if (IsSkipped())
        return;
    AddUnit(1, "A", "00602b000011", 3);
    AddUnit(2, "B", "00602b000012", 5);
    AddUnit(3, "C", "00602B000013"); // the prefix test is exact
    AddUnit(4, "D", "00602b000014", 9);
    AddUnit(5, "E", "00602b000015", 6);
    AddLink(1, {1, 2, 2}, {2, 2, 0}); // A send 1 -> B receive 1
    AddLink(2, {5, 2, 3}, {1, 2, 1}); // E send 2 -> A receive 2
    AddLink(3, {2, 2, 2}, {5, 2, 0}); // B send 1 -> E receive 1
    AddLink(4, {4, 2, 2}, {5, 2, 1}); // D (off line) send 1 -> E receive 2
    if (HasFatalFailure())
        return;
    // C is on line: only its MAC text keeps it out. D is not.
    start_sim({"00602b000011=198.18.1.101", "00602b000012", "00602b000013=198.18.1.103",
               "00602b000015=198.18.1.105"},
              50, 100);
    for (const std::string& address : kRange)
        StartUnit(address);
    WatchUntilOnline({"00602b000011", "00602b000012", "00602b000013", "00602b000015"});

    const std::vector<std::string> lines = Download("sheet.zo");
    const std::vector<std::string> expected = {
        FormatMessage(197, "sheet.zo"), "", FormatMessage(198), FormatMessage(194),
        FormatMessage(195, kCard, "198.18.1.10"), FormatMessage(200, kCard, "198.18.1.12"),
        FormatMessage(168), FormatMessage(169, 1, "C", "00602B000013"), "",
        FormatMessage(162), FormatMessage(163, 1, "D", "00602b000014"),
        FormatMessage(165, "E", "00602b000015", "198.18.1.10"),
        FormatMessage(165, "B", "00602b000012", "198.18.1.11"),
        FormatMessage(165, "A", "00602b000011", "198.18.1.12"), "",
        FormatMessage(174),
        FormatMessage(190, "E", "00602b000015"),
        FormatMessage(171, "00602b000012", 1, "00602b000015", 1),
        FormatMessage(171, "00602b000014", 1, "00602b000015", 2),
        FormatMessage(191, "E", "00602b000015"),
        FormatMessage(190, "B", "00602b000012"),
        FormatMessage(173, "00602b000012", 2),
        FormatMessage(171, "00602b000011", 1, "00602b000012", 1),
        FormatMessage(191, "B", "00602b000012"),
        FormatMessage(190, "A", "00602b000011"),
        FormatMessage(173, "00602b000011", 1),
        FormatMessage(171, "00602b000015", 2, "00602b000011", 2),
        FormatMessage(191, "A", "00602b000011"),
        FormatMessage(202, 1, 1), ""};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(m_frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "done"}));

    // Each unit took exactly its own texts: the clears first (model 21: the
    // code's number plus one), then the routes, then the command to keep them.
    EXPECT_EQ(UnitCommands("198.18.1.10"),
              (std::vector<std::string>{"*ROUTE00150012010111001005#",
                                        "*ROUTE00150014020111002009#", "*FIRMW#"}));
    EXPECT_EQ(UnitCommands("198.18.1.11"),
              (std::vector<std::string>{"*ROUTE00120013020001000000#",
                                        "*ROUTE00120011010111001003#", "*FIRMW#"}));
    EXPECT_EQ(UnitCommands("198.18.1.12"),
              (std::vector<std::string>{"*ROUTE00110012010001000000#",
                                        "*ROUTE00110015020211002006#", "*FIRMW#"}));
    EXPECT_EQ(m_doc.GetDevice(4)->m_ip, "198.18.1.10");
    EXPECT_EQ(m_doc.GetDevice(2)->m_ip, "0.0.0.0");
    EXPECT_EQ(m_doc.GetDevice(3)->m_ip, "0.0.0.0");
}

// Addresses already taken are passed over: one a device off the sheet holds
// (mellick would find it answered and give up, and the download would wait
// for nothing), and one a unit of the sheet already has (that unit keeps
// it).
TEST_F(DownloadNetns, AddressesInUseArePassedOver)
{
    if (IsSkipped())
        return;
    AddUnit(1, "A", "00602b000052");
    AddUnit(2, "B", "00602b000053");
    start_sim({"00602b000051=198.18.1.10", "00602b000052=198.18.1.12",
               "00602b000053=198.18.1.153"},
              50, 100);
    StartUnit("198.18.1.11");
    StartUnit("198.18.1.12");
    WatchUntilOnline({"00602b000051", "00602b000052", "00602b000053"});

    const std::vector<std::string> lines = Download("taken.zo");
    const std::vector<std::string> expected = {
        FormatMessage(197, "taken.zo"), "", FormatMessage(198), FormatMessage(194),
        FormatMessage(195, kCard, "198.18.1.10"), FormatMessage(200, kCard, "198.18.1.12"),
        FormatMessage(168), "", FormatMessage(162),
        FormatMessage(164, "A", "00602b000052", "198.18.1.12"),
        FormatMessage(165, "B", "00602b000053", "198.18.1.11"), "",
        FormatMessage(174),
        FormatMessage(190, "B", "00602b000053"),
        FormatMessage(173, "00602b000053", 1),
        FormatMessage(173, "00602b000053", 2),
        FormatMessage(191, "B", "00602b000053"),
        FormatMessage(190, "A", "00602b000052"),
        FormatMessage(173, "00602b000052", 1),
        FormatMessage(173, "00602b000052", 2),
        FormatMessage(191, "A", "00602b000052"),
        FormatMessage(202, 0, 0), ""};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(UnitCommands("198.18.1.11"),
              (std::vector<std::string>{"*ROUTE00530054010001000000#",
                                        "*ROUTE00530054020001000000#", "*FIRMW#"}));
    EXPECT_EQ(UnitCommands("198.18.1.12"),
              (std::vector<std::string>{"*ROUTE00520053010001000000#",
                                        "*ROUTE00520053020001000000#", "*FIRMW#"}));
    EXPECT_EQ(OnlineIps().at("00602b000051"), "198.18.1.10");
}

// The range must lie in the card's network: mellick's card is 198.18.1.1.
TEST_F(DownloadNetns, ARangeOutsideTheCardsNetworkStopsTheDownload)
{
    if (IsSkipped())
        return;
    AddUnit(1, "A", "00602b000031");
    m_settings.rangeStart = Ip(198, 18, 2, 10);
    m_settings.rangeEnd = Ip(198, 18, 2, 12);
    const std::vector<std::string> lines = Download("far.zo");
    EXPECT_EQ(lines, (std::vector<std::string>{FormatMessage(197, "far.zo"), "",
                                               FormatMessage(198), FormatMessage(194),
                                               FormatMessage(196, 1), FormatMessage(193, 1, 0)}));
    EXPECT_EQ(m_frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
}

// A device that never takes its address keeps the download waiting; the
// cancel ends the wait at once and the frame hears of the failure.
TEST_F(DownloadNetns, ACancelWhileAwaitingAnAddressJoinsPromptly)
{
    if (IsSkipped())
        return;
    AddUnit(1, "A", "00602b000041");
    start_sim({"00602b000041=198.18.1.141"}, 50, 100);
    sim("deaf 00602b000041");
    WatchUntilOnline({"00602b000041"});
    m_settings.assignWait = 600s; // only the cancel ends it
    m_settings.assignUnitLimit = 600s;

    comm::CDeviceDownload download(m_frame, m_output, comm::CDeviceDownload::DefaultComponents,
                                   m_online);
    ASSERT_TRUE(download.Start(m_doc, "deaf.zo", m_settings));
    // mellick told the device its address, and the device did not listen.
    ASSERT_TRUE(sim_->wait_for("ignored-rarp 00602b000041 198.18.1.10", 20s));
    ASSERT_TRUE(download.Running());
    const auto start = std::chrono::steady_clock::now();
    download.Cancel();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 3s) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                        << " ms";
    EXPECT_FALSE(download.Running());
    EXPECT_EQ(m_frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    const std::vector<std::string> lines = m_output.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{FormatMessage(162), FormatMessage(4601, 1),
                                        FormatMessage(193, 1, 0)}));
    EXPECT_EQ(OnlineIps().at("00602b000041"), "198.18.1.141");
}

// A device that ignores its address is given up after the unit's own limit,
// though the range has hundreds of free addresses, each of which would have
// been awaited for a whole assignment wait.
TEST_F(DownloadNetns, AUnitThatIgnoresItsAddressFailsWithinItsLimit)
{
    if (IsSkipped())
        return;
    AddUnit(1, "A", "00602b000061");
    start_sim({"00602b000061=198.18.1.251"}, 50, 100);
    sim("deaf 00602b000061");
    WatchUntilOnline({"00602b000061"});
    m_settings.rangeEnd = Ip(198, 18, 1, 250);
    const int freeAddresses = 241;

    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> lines = Download("deaf.zo");
    const auto took = std::chrono::steady_clock::now() - start;
    // Generous: walking the whole range would take 241 waits.
    EXPECT_LT(took, freeAddresses * m_settings.assignWait / 4)
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    const std::vector<std::string> tail = {
        FormatMessage(162), FormatMessage(166, "A", "00602b000061", "198.18.1.10"),
        FormatMessage(166, "A", "00602b000061", "198.18.1.11"),
        FormatMessage(167, 1, "A", "00602b000061"), FormatMessage(193, 1, 0)};
    ASSERT_GE(lines.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(tail.size()), lines.end()),
              tail);
    EXPECT_EQ(m_frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    // mellick told it, and it did not listen.
    EXPECT_TRUE(sim_->wait_for("ignored-rarp 00602b000061 198.18.1.10", 10s));
    EXPECT_EQ(OnlineIps().at("00602b000061"), "198.18.1.251");
}

// The operator's stop ends a download that awaits an address: it does not
// wait for the thread, the download ends by itself and tells the frame.
TEST_F(DownloadNetns, TheOperatorStopsADownloadAwaitingAnAddress)
{
    if (IsSkipped())
        return;
    AddUnit(1, "A", "00602b000071");
    start_sim({"00602b000071=198.18.1.171"}, 50, 100);
    sim("deaf 00602b000071");
    WatchUntilOnline({"00602b000071"});
    m_settings.assignWait = 600s; // only the stop ends it
    m_settings.assignUnitLimit = 600s;

    comm::CDeviceDownload download(m_frame, m_output, comm::CDeviceDownload::DefaultComponents,
                                   m_online);
    ASSERT_TRUE(download.Start(m_doc, "stop.zo", m_settings));
    ASSERT_TRUE(sim_->wait_for("ignored-rarp 00602b000071 198.18.1.10", 20s));
    ASSERT_TRUE(download.Running());
    download.Stop();
    EXPECT_TRUE(watch_test::Eventually([&] { return !download.Running(); }, 10s))
        << testing::PrintToString(m_output.Lines());
    EXPECT_EQ(m_frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    const std::vector<std::string> lines = m_output.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{FormatMessage(162), FormatMessage(4601, 1),
                                        FormatMessage(193, 1, 0)}));
    EXPECT_EQ(OnlineIps().at("00602b000071"), "198.18.1.171");
}

} // namespace
