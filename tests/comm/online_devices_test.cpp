// The online-device list: sweeps that keep or remove what they did not see,
// and the lookups' case rules.
#include "comm/online_devices.h"

#include <gtest/gtest.h>

namespace {

TEST(OnlineDevices, LookupsAndSweeps)
{
    comm::COnlineDeviceList list;
    list.BeginSweep();
    list.MarkSeen("00602b000001", "198.18.1.10");
    list.MarkSeen("00602b000002", "198.18.1.11");
    list.EndSweepKeepingUnseen();

    // The lookups lower-case the MAC they are given; the node search does not.
    EXPECT_EQ(list.IsNetDeviceOnline("00602B000001"), 1);
    EXPECT_EQ(list.GetNetDeviceIP("00602B000001"), "198.18.1.10");
    EXPECT_FALSE(list.FindNetDeviceNode("00602B000001"));
    EXPECT_EQ(list.FindNetDeviceNode("00602b000002"), 1u);
    EXPECT_EQ(list.IsNetDeviceOnline("00602b000009"), 0);
    EXPECT_EQ(list.GetNetDeviceIP("00602b000009"), "");
    EXPECT_TRUE(list.OnlineEntryHasIp("198.18.1.11"));

    // Missing from a capture sweep: kept, off line, no address.
    list.BeginSweep();
    list.MarkSeen("00602b000002", "198.18.1.12");
    list.MarkSeen("00602b000003", "198.18.1.13");
    list.EndSweepKeepingUnseen();
    auto devices = list.Snapshot();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].mac, "00602b000001");
    EXPECT_EQ(devices[0].online, 0);
    EXPECT_EQ(devices[0].ip, "0.0.0.0");
    EXPECT_EQ(devices[1].ip, "198.18.1.12");
    EXPECT_EQ(devices[2].mac, "00602b000003"); // new ones join at the tail
    EXPECT_FALSE(list.OnlineEntryHasIp("198.18.1.11"));

    // Missing from a sweep of the discovery server's table: removed.
    list.BeginSweep();
    list.MarkSeen("00602b000003", "198.18.1.13");
    list.EndSweepRemovingUnseen();
    devices = list.Snapshot();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].mac, "00602b000003");
}

TEST(OnlineDevices, BytesToHex)
{
    const std::uint8_t bytes[] = {0x01, 0x60, 0x2b, 0xff, 0xff, 0x01};
    EXPECT_EQ(comm::BytesToHex(bytes, 6), "01602bffff01");
    EXPECT_EQ(comm::BytesToHex(bytes, 0), "");
}

} // namespace
