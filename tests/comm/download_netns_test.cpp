// The device-sheet download end to end: the capture watch and mellick (on a
// private bus) in the hub, whose card holds 198.18.1.1/24; simulated devices
// and one simulated unit per device in a peer namespace, each unit's SNMP
// agent on port 161 of the address its device is to be given. The download
// runs on its own thread with the program's components (mellick for the
// addresses, libkestrin2.so for the one-shots), as the main frame starts it.
//
// The peer's kernel holds the units' addresses but must not answer ARP for
// them: mellick probes an address before giving it and would take a kernel
// answer for a device already there. So the peer ignores ARP, and the hub
// reaches the units' agents through permanent neighbour entries.
#include "comm/device_download.h"
#include "comm/net_watch.h"

#include "net_watch_fixture.h"

#include "mellick_fixture.h"
#include "netns_fixture.h"
#include "sheet_builder.h"
#include "tools/snmpagent/peers.h"

#include "device_editor/zo_device_doc.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/gdi/fixed_width_measurer.h"

#include <gtest/gtest.h>

#include "download_recorders.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace download_test;

using namespace watch_test;
using model::FormatMessage;
namespace pa = platform::automation;

constexpr const char* kCard = "198.18.1.1";
constexpr const char* kPeer = "198.18.1.2";
// The peer's end of the link, fixed so the hub's neighbour entries can name it.
constexpr const char* kPeerMac = "02:00:c6:12:01:02";
const std::vector<std::string> kRange = {"198.18.1.10", "198.18.1.11", "198.18.1.12"};

class DownloadNetns : public discovery_test::netns_fixture_t {
protected:
    void SetUp() override
    {
        netns_fixture_t::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        netns::namespace_t& hub = topology_->hub();
        netns::namespace_t& peer = topology_->peer(0);
        hub.ip({"addr", "flush", "dev", link().hub_if});
        hub.ip({"addr", "add", std::string(kCard) + "/24", "dev", link().hub_if});
        peer.ip({"link", "set", "dev", link().peer_if, "down"});
        peer.ip({"link", "set", "dev", link().peer_if, "address", kPeerMac});
        peer.ip({"link", "set", "dev", link().peer_if, "up"});
        peer.ip({"addr", "flush", "dev", link().peer_if});
        peer.ip({"addr", "add", std::string(kPeer) + "/24", "dev", link().peer_if});
        {
            netns::enter_t inPeer(peer);
            std::ofstream("/proc/sys/net/ipv4/conf/all/arp_ignore") << 8;
        }
        for (const std::string& address : kRange) {
            peer.ip({"addr", "add", address + "/24", "dev", link().peer_if});
            hub.ip({"neigh", "replace", address, "lladdr", kPeerMac, "dev", link().hub_if, "nud",
                    "permanent"});
        }

        m_folder = std::make_unique<CProgramFolder>();
        // Started from this thread, the bus and mellick live in the hub.
        m_env = std::make_unique<mellick_test::mellick_env_t>();
        ASSERT_TRUE(m_env->registered());
        // A quick prober: an assignment takes tens of milliseconds, not one.
        std::ofstream(m_env->dir() / "state" / "VGHistory.ini")
            << "[Timeouts]\nARPSleepMS=20\n[Retries]\nARP=2\nRARP=3\n";
        ASSERT_EQ(pa::register_library(KESTRIN2_PATH), pa::S_OK);
        pa::use_dbus_transport();

        m_doc.OnNewDocument();
        m_settings.rangeStart = Ip(198, 18, 1, 10);
        m_settings.rangeEnd = Ip(198, 18, 1, 12);
        m_settings.cardTitle = link().hub_if;
        m_settings.assignWait = 2 * (m_timing.sweepWindow + m_timing.sweepSleep);
        m_settings.assignPoll = 50ms;
    }

    void TearDown() override
    {
        m_watch.reset();
        m_units.clear();
        m_env.reset();
        m_folder.reset();
        netns_fixture_t::TearDown();
    }

    // A model-21 unit of the sheet: receiving channels 0 and 1, sending 2 and 3.
    model::CDeviceQOVG& AddUnit(int id, const std::string& name, const std::string& mac,
                                int bundle = 0)
    {
        auto unit =
            std::make_unique<model::CDeviceQOVG>(m_dc, 100 * id, 100, id, model::kModelQOVG, 2);
        unit->m_name = name;
        unit->m_mac = mac;
        unit->m_bundle1 = bundle;
        model::CDeviceQOVG& added = *unit;
        m_doc.AddDevice(std::move(unit));
        return added;
    }
    void AddLink(int id, sheet_builder::end_t from, sheet_builder::end_t to)
    {
        ASSERT_TRUE(m_doc.AddLinkFromRecord(sheet_builder::MakeLink(m_doc, id, from, to, true)));
    }

    // The simulated unit at `address`, in the peer.
    snmp_peers::scripted_agent_t& StartUnit(const std::string& address)
    {
        netns::enter_t inPeer(topology_->peer(0));
        m_units[address] = std::make_unique<snmp_peers::scripted_agent_t>(
            address, "vuzuvuz", std::vector<std::string>{"--unit", "--port", "161"});
        return *m_units[address];
    }

    // The commands the unit at `address` took, in order.
    std::vector<std::string> UnitCommands(const std::string& address)
    {
        const std::filesystem::path file = m_env->dir() / ("journal-" + address);
        m_units.at(address)->command("unit journal " + file.string());
        std::ifstream in(file);
        std::vector<std::string> commands;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("command ", 0) == 0)
                commands.push_back(line.substr(8, line.find(" -> ") - 8));
        return commands;
    }

    // The capture watch on the hub's card, until every MAC of `macs` is on line.
    void WatchUntilOnline(const std::vector<std::string>& macs)
    {
        m_state.SetLocalIp(kCard);
        m_watch = std::make_unique<comm::CNetWatch>(m_state, m_online, m_timing);
        m_watch->Start(comm::ENetWatch::Capture);
        ASSERT_TRUE(Eventually([&] {
            for (const std::string& mac : macs)
                if (!m_online.IsNetDeviceOnline(mac))
                    return false;
            return true;
        })) << "the watch did not list the devices";
    }

    std::map<std::string, std::string> OnlineIps()
    {
        std::map<std::string, std::string> ips;
        for (const comm::CNetDevice& device : m_online.Snapshot())
            ips[device.mac] = device.ip;
        return ips;
    }

    // The whole download on its thread, as the main frame runs it; the
    // lines it wrote.
    std::vector<std::string> Download(const std::string& title)
    {
        comm::CDeviceDownload download(m_frame, m_output, comm::CDeviceDownload::DefaultComponents,
                                       m_online);
        EXPECT_TRUE(download.Start(m_doc, title, m_settings));
        // A download that hangs fails here, with what it wrote so far.
        EXPECT_TRUE(Eventually([&] { return !download.Running(); }, 60s))
            << testing::PrintToString(m_output.Lines());
        download.Cancel();
        return m_output.Lines();
    }

    comm::CWatchTiming m_timing = [] {
        comm::CWatchTiming timing = QuickTiming();
        timing.sweepSleep = 200ms;
        return timing;
    }();
    std::unique_ptr<CProgramFolder> m_folder;
    std::unique_ptr<mellick_test::mellick_env_t> m_env;
    std::map<std::string, std::unique_ptr<snmp_peers::scripted_agent_t>> m_units;
    comm::CWatchState m_state;
    comm::COnlineDeviceList m_online;
    std::unique_ptr<comm::CNetWatch> m_watch;
    platform::gdi::FixedWidthMeasurer m_dc;
    device_editor::CZoDeviceDoc m_doc;
    comm::DownloadSettings m_settings;
    CRecordingFrame m_frame;
    CRecordingOutput m_output;
};

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
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], FormatMessage(162));
    EXPECT_EQ(lines.back(), FormatMessage(193, 1, 0));
    EXPECT_EQ(OnlineIps().at("00602b000041"), "198.18.1.141");
}

} // namespace
