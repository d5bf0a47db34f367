#pragma once
// The device-sheet download's harness end to end: the capture watch and
// mellick (on a private bus) in the hub, whose card holds 198.18.1.1/24;
// simulated devices and one simulated unit per device in a peer namespace,
// each unit's SNMP agent on port 161 of the address its device is to be
// given. The download runs on its own thread with the program's components
// (mellick for the addresses, libkestrin2.so for the one-shots), as the main
// frame starts it.
//
// The peer's kernel holds the units' addresses but must not answer ARP for
// them: mellick probes an address before giving it and would take a kernel
// answer for a device already there. So the peer ignores ARP, and the hub
// reaches the units' agents through permanent neighbour entries.
#include "comm/device_download.h"
#include "comm/net_watch.h"
#include "comm/online_devices.h"

#include "net_watch_fixture.h"

#include "mellick_fixture.h"
#include "netns_fixture.h"
#include "sheet_builder.h"
#include "tools/snmpagent/peers.h"

#include "device_editor/zo_device_doc.h"
#include "model/device_qovg.h"
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/gdi/fixed_width_measurer.h"

#include <gtest/gtest.h>

#include "download_recorders.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace download_test {

using namespace std::chrono_literals;
namespace pa = platform::automation;

inline constexpr const char* kCard = "198.18.1.1";
inline constexpr const char* kPeer = "198.18.1.2";
// The peer's end of the link, fixed so the hub's neighbour entries can name it.
inline constexpr const char* kPeerMac = "02:00:c6:12:01:02";
inline const std::vector<std::string> kRange = {"198.18.1.10", "198.18.1.11", "198.18.1.12"};

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

        m_folder = std::make_unique<watch_test::CProgramFolder>();
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
        // Two addresses' worth, as the program's own settings.
        m_settings.assignUnitLimit = 2 * m_settings.assignWait;
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

    // The journal of the unit at `address`, every line.
    std::vector<std::string> UnitJournal(const std::string& address)
    {
        return m_units.at(address)->journal(m_env->dir() / ("journal-" + address));
    }

    // The commands the unit at `address` took, in order.
    std::vector<std::string> UnitCommands(const std::string& address)
    {
        return m_units.at(address)->journal_commands(m_env->dir() / ("journal-" + address));
    }

    // The capture watch on the hub's card, until every MAC of `macs` is on line.
    void WatchUntilOnline(const std::vector<std::string>& macs)
    {
        m_state.SetLocalIp(kCard);
        m_watch = std::make_unique<comm::CNetWatch>(m_state, m_online, m_timing);
        m_watch->Start(comm::ENetWatch::Capture);
        ASSERT_TRUE(watch_test::Eventually([&] {
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
        EXPECT_TRUE(watch_test::Eventually([&] { return !download.Running(); }, 60s))
            << testing::PrintToString(m_output.Lines());
        download.Cancel();
        return m_output.Lines();
    }

    comm::CWatchTiming m_timing = [] {
        comm::CWatchTiming timing = watch_test::QuickTiming();
        timing.sweepSleep = 200ms;
        return timing;
    }();
    std::unique_ptr<watch_test::CProgramFolder> m_folder;
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

} // namespace download_test
