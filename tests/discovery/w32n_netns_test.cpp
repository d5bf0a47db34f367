// The raw-frame layer on a veth card: overlapped reads in posting order,
// time-outs and cancels, which frames the packet filter and the multicast
// list let up, and frames of our own never read back.
#include "discovery/frames.h"
#include "netns_fixture.h"
#include "platform/w32n/w32n.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

using namespace discovery_test;
using platform::sync::event_t;

struct slot_t {
    W32N_PACKET packet;
    event_t done{event_t::reset::manual};
    W32N_OVERLAPPED overlapped;
    slot_t() { overlapped.event = &done; }
};

std::string hex(const bytes_t& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

const bytes_t test_source = {0x00, 0x60, 0x2B, 0x00, 0x00, 0x99};

// A frame to `destination` whose byte 20 tells frames apart.
bytes_t marked(const bytes_t& destination, std::uint8_t mark) {
    bytes_t frame = destination;
    frame.insert(frame.end(), test_source.begin(), test_source.end());
    append(frame, {0x88, 0x19, 0x01, 0x02});
    frame.resize(60, 0);
    frame[20] = mark;
    return frame;
}

const bytes_t group_1 = {0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x01};
const bytes_t group_2 = {0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x02};
const bytes_t broadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const bytes_t other_host = {0x02, 0x00, 0x00, 0x00, 0x00, 0x07};

class DiscoveryW32n : public netns_fixture_t {
protected:
    void SetUp() override {
        netns_fixture_t::SetUp();
        if (IsSkipped())
            return;
        start_sim({});
        if (HasFatalFailure())
            return;
        handle_ = W32N_OpenAdapterA(link().hub_if.c_str());
        ASSERT_NE(handle_, -1) << W32N_GetLastError();
    }
    void TearDown() override {
        if (handle_ != -1)
            W32N_CloseAdapter(handle_);
        netns_fixture_t::TearDown();
    }

    std::uint32_t set(std::uint32_t oid, const void* data, std::uint32_t length) {
        W32N_NDIS_REQUEST request;
        request.type = W32N_NDIS_SET;
        request.oid = oid;
        request.data = const_cast<void*>(data);
        request.data_length = length;
        return W32N_MakeNdisRequest(handle_, &request, nullptr, 1);
    }
    void set_filter(std::uint32_t filter) {
        ASSERT_EQ(set(W32N_OID_GEN_CURRENT_PACKET_FILTER, &filter, 4), 0u);
    }
    void send_raw(const bytes_t& frame) { sim("raw " + hex(frame)); }

    // The next frame read that `wanted` accepts, or nothing when none comes
    // in time. The namespaces' own traffic (IPv6 neighbour discovery and
    // the like) is passed over.
    std::optional<bytes_t> next_frame(const std::function<bool(const bytes_t&)>& wanted,
                                      std::uint32_t wait_ms = 2000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            slot_t slot;
            std::uint32_t count = 0;
            if (!W32N_PacketRead(handle_, &slot.packet, &count, &slot.overlapped,
                                 static_cast<std::uint32_t>(left.count()))) {
                EXPECT_EQ(W32N_GetLastError(), W32N_ERROR_IO_PENDING);
                EXPECT_EQ(W32N_CancelPacketRead(handle_, &slot.packet), 1);
                return std::nullopt;
            }
            bytes_t frame(slot.packet.frame, slot.packet.frame + count);
            if (wanted(frame))
                return frame;
        }
    }

    // The mark of the next test frame, or -1.
    int next_mark(std::uint32_t wait_ms = 2000) {
        const auto frame = next_frame(
            [](const bytes_t& f) {
                return f.size() >= 21 &&
                       std::equal(test_source.begin(), test_source.end(), f.begin() + 6);
            },
            wait_ms);
        if (!frame)
            return -1;
        EXPECT_EQ(frame->size(), 60u);
        return (*frame)[20];
    }

    bytes_t card_mac() {
        std::uint8_t address[6] = {};
        W32N_NDIS_REQUEST request;
        request.oid = W32N_OID_802_3_CURRENT_ADDRESS;
        request.data = address;
        request.data_length = 6;
        EXPECT_EQ(W32N_MakeNdisRequest(handle_, &request, nullptr, 1), 0u);
        return bytes_t(address, address + 6);
    }

    bool send(const bytes_t& frame) {
        std::uint32_t sent = 0;
        return W32N_PacketSend(handle_, frame.data(), static_cast<std::uint32_t>(frame.size()),
                               &sent, nullptr) != 0 &&
               sent == frame.size();
    }

    int handle_ = -1;
};

TEST_F(DiscoveryW32n, OpenRefusesUnknownAndNonEthernetCards) {
    EXPECT_EQ(W32N_OpenAdapterA("ostrelnocard"), -1);
    EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(ENODEV));
    EXPECT_EQ(W32N_OpenAdapterA("lo"), -1);
    EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(EOPNOTSUPP));
    EXPECT_EQ(W32N_CloseAdapter(-1), 0);
    EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(EBADF));

    const W32N_BPF_INSN half[1] = {};
    EXPECT_EQ(W32N_SetBPFProgram(handle_, half, 4), 0);
    EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(EINVAL));
}

TEST_F(DiscoveryW32n, PostedSlotsFillInPostingOrder) {
    ASSERT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, group_1.data(), 6), 0u);
    slot_t slots[3];
    for (slot_t& s : slots) {
        ASSERT_EQ(W32N_PacketRead(handle_, &s.packet, nullptr, &s.overlapped, 0), 0);
        ASSERT_EQ(W32N_GetLastError(), W32N_ERROR_IO_PENDING);
        EXPECT_FALSE(W32N_HasOverlappedCompleted(s.overlapped));
    }
    for (std::uint8_t mark : {1, 2, 3})
        send_raw(marked(group_1, mark));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(slots[i].done.wait(2000)) << "slot " << i;
        EXPECT_EQ(slots[i].overlapped.status.load(), W32N_ERROR_SUCCESS);
        EXPECT_EQ(slots[i].packet.header.captured, 60u);
        EXPECT_EQ(slots[i].packet.frame[20], i + 1);
    }
    // A completed read cannot be cancelled any more.
    for (slot_t& s : slots)
        EXPECT_EQ(W32N_CancelPacketRead(handle_, &s.packet), 0);
}

TEST_F(DiscoveryW32n, ReadTimesOutAndIsCancelled) {
    slot_t slot;
    EXPECT_EQ(W32N_PacketRead(handle_, &slot.packet, nullptr, &slot.overlapped, 200), 0);
    EXPECT_EQ(W32N_GetLastError(), W32N_ERROR_IO_PENDING);
    EXPECT_EQ(W32N_CancelPacketRead(handle_, &slot.packet), 1);
    EXPECT_EQ(slot.overlapped.status.load(), W32N_ERROR_OPERATION_ABORTED);
    EXPECT_EQ(W32N_CancelPacketRead(handle_, &slot.packet), 0);
    // The same slot cannot be posted twice.
    ASSERT_EQ(W32N_PacketRead(handle_, &slot.packet, nullptr, &slot.overlapped, 0), 0);
    EXPECT_EQ(W32N_PacketRead(handle_, &slot.packet, nullptr, &slot.overlapped, 0), 0);
    EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(EINVAL));
    // Closing the card ends the read.
    ASSERT_EQ(W32N_CloseAdapter(handle_), 1);
    handle_ = -1;
    EXPECT_TRUE(slot.done.is_set());
    EXPECT_EQ(slot.overlapped.status.load(), W32N_ERROR_OPERATION_ABORTED);
}

TEST_F(DiscoveryW32n, FilterAndMulticastListDecideWhatComesUp) {
    set_filter(W32N_PACKET_TYPE_DIRECTED | W32N_PACKET_TYPE_MULTICAST);
    ASSERT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, group_1.data(), 6), 0u);
    send_raw(marked(group_2, 1));    // a group not on the list
    send_raw(marked(other_host, 2)); // another host's frame
    send_raw(marked(broadcast, 3));  // broadcast is not asked for
    send_raw(marked(group_1, 4));
    EXPECT_EQ(next_mark(), 4);

    set_filter(W32N_PACKET_TYPE_DIRECTED | W32N_PACKET_TYPE_ALL_MULTICAST |
               W32N_PACKET_TYPE_BROADCAST);
    send_raw(marked(group_2, 5));
    send_raw(marked(broadcast, 6));
    EXPECT_EQ(next_mark(), 5);
    EXPECT_EQ(next_mark(), 6);

    // The list is replaced, not added to.
    set_filter(W32N_PACKET_TYPE_MULTICAST);
    ASSERT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, group_2.data(), 6), 0u);
    send_raw(marked(group_1, 7));
    send_raw(marked(group_2, 8));
    EXPECT_EQ(next_mark(), 8);

    const bytes_t odd(7, 0x01);
    EXPECT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, odd.data(), 7),
              static_cast<std::uint32_t>(EINVAL));
}

TEST_F(DiscoveryW32n, OwnFramesAreNotReadBack) {
    ASSERT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, group_1.data(), 6), 0u);
    set_filter(W32N_PACKET_TYPE_PROMISCUOUS);
    const bytes_t frame = marked(group_1, 9);
    event_t sent_event(event_t::reset::manual);
    W32N_OVERLAPPED overlapped;
    overlapped.event = &sent_event;
    std::uint32_t sent = 0;
    ASSERT_EQ(W32N_PacketSend(handle_, frame.data(), 60, &sent, &overlapped), 1);
    EXPECT_EQ(sent, 60u);
    EXPECT_TRUE(sent_event.is_set());
    // The peer got it ...
    ASSERT_TRUE(sim_->wait_for("rx-reservation", 2000ms));
    // ... and we did not.
    EXPECT_EQ(next_mark(300), -1);

    EXPECT_EQ(W32N_PacketSend(handle_, frame.data(), 13, &sent, nullptr), 0);
    EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(EINVAL));
}

TEST_F(DiscoveryW32n, CaptureFilterDropsInTheKernelAndStatisticsCount) {
    const auto program = qo::vg::capture_filter();
    ASSERT_EQ(W32N_SetBPFProgram(handle_, program.data(),
                                 static_cast<std::uint32_t>(program.size_bytes())),
              1);
    ASSERT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, group_1.data(), 6), 0u);
    std::uint32_t received = 0;
    std::uint32_t dropped = 0;
    ASSERT_EQ(W32N_GetPacketStatistics(handle_, &received, &dropped), 1); // clears them

    bytes_t ipv4 = marked(group_1, 1);
    ipv4[12] = 0x08;
    ipv4[13] = 0x00;
    send_raw(ipv4);
    send_raw(marked(group_1, 2));
    EXPECT_EQ(next_mark(), 2); // the IPv4 frame (mark 1) never came up
    ASSERT_EQ(W32N_GetPacketStatistics(handle_, &received, &dropped), 1);
    EXPECT_GE(received, 1u);
    EXPECT_EQ(dropped, 0u);
}

// A card whose link fails under posted reads: they end with the error at
// once instead of waiting for frames that cannot come.
TEST_F(DiscoveryW32n, LinkGoingDownEndsPostedReadsAndLaterReadsWaitForItsReturn) {
    // Only the test's frames come up, not the traffic of a link coming up.
    set_filter(W32N_PACKET_TYPE_MULTICAST);
    ASSERT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, group_1.data(), 6), 0u);
    slot_t slots[3];
    for (slot_t& s : slots)
        ASSERT_EQ(W32N_PacketRead(handle_, &s.packet, nullptr, &s.overlapped, 0), 0);
    topology_->hub().ip({"link", "set", link().hub_if, "down"});
    for (slot_t& s : slots) {
        ASSERT_TRUE(s.done.wait(2000));
        std::uint32_t count = 7;
        EXPECT_EQ(W32N_GetOverlappedResult(&s.overlapped, &count), 0);
        EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(ENETDOWN));
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(W32N_CancelPacketRead(handle_, &s.packet), 0) << "still posted";
    }
    // The interface is still there: a read posted now waits, and gets the
    // frames once the link is back.
    slot_t later;
    ASSERT_EQ(W32N_PacketRead(handle_, &later.packet, nullptr, &later.overlapped, 0), 0);
    EXPECT_EQ(W32N_GetLastError(), W32N_ERROR_IO_PENDING);
    topology_->hub().ip({"link", "set", link().hub_if, "up"});
    ASSERT_TRUE(eventually([&] {
        send_raw(marked(group_1, 1));
        return later.done.wait(100);
    }));
    std::uint32_t count = 0;
    EXPECT_EQ(W32N_GetOverlappedResult(&later.overlapped, &count), 1);
    EXPECT_EQ(count, 60u);
    EXPECT_EQ(later.packet.frame[20], 1);
}

TEST_F(DiscoveryW32n, DeletedInterfaceEndsPostedReadsAndRefusesLaterOnes) {
    slot_t slots[2];
    for (slot_t& s : slots)
        ASSERT_EQ(W32N_PacketRead(handle_, &s.packet, nullptr, &s.overlapped, 0), 0);
    topology_->hub().ip({"link", "del", link().hub_if});
    for (slot_t& s : slots) {
        ASSERT_TRUE(s.done.wait(2000));
        EXPECT_EQ(W32N_GetOverlappedResult(&s.overlapped, nullptr), 0);
        // The link went down first; reads posted while the interface
        // still existed may see that.
        const std::uint32_t error = W32N_GetLastError();
        EXPECT_TRUE(error == ENODEV || error == ENETDOWN) << error;
    }
    // The error stays with the card: reads fail at once from now on.
    slot_t later;
    ASSERT_TRUE(eventually([&] {
        if (W32N_PacketRead(handle_, &later.packet, nullptr, &later.overlapped, 0) != 0)
            return false;
        if (W32N_GetLastError() == ENODEV)
            return true;
        later.done.wait(300); // posted in the moment before the interface went
        return false;
    }));
    EXPECT_EQ(W32N_PacketRead(handle_, &later.packet, nullptr, &later.overlapped, 1000), 0);
    EXPECT_EQ(W32N_GetLastError(), static_cast<std::uint32_t>(ENODEV));
    EXPECT_EQ(W32N_CloseAdapter(handle_), 1);
    handle_ = -1;
}

// The simulator's side of the address assignment: it answers ARP for the
// address its device has, and a device named by a RARP reply takes the
// address the reply gives and announces it from then on.
TEST_F(DiscoveryW32n, SimulatorAnswersArpAndAdoptsRarpAddress) {
    set_filter(W32N_PACKET_TYPE_DIRECTED | W32N_PACKET_TYPE_MULTICAST);
    ASSERT_EQ(set(W32N_OID_802_3_MULTICAST_LIST, group_1.data(), 6), 0u);
    sim("add 00602b000001");
    const bytes_t card = card_mac();
    const bytes_t device = {0x00, 0x60, 0x2B, 0x00, 0x00, 0x01};
    const bytes_t card_ip = {198, 18, 0, 1};
    const bytes_t new_ip = {198, 18, 0, 50};

    const auto arp_request = [&] {
        bytes_t f = broadcast;
        f.insert(f.end(), card.begin(), card.end());
        append(f, {0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01});
        f.insert(f.end(), card.begin(), card.end());
        f.insert(f.end(), card_ip.begin(), card_ip.end());
        append(f, {0, 0, 0, 0, 0, 0});
        f.insert(f.end(), new_ip.begin(), new_ip.end());
        return f;
    };
    const auto is_reply = [&](const bytes_t& f) {
        return f.size() >= 42 && f[12] == 0x08 && f[13] == 0x06 && f[21] == 2 &&
               std::equal(device.begin(), device.end(), f.begin() + 6);
    };

    ASSERT_TRUE(send(arp_request()));
    EXPECT_FALSE(next_frame(is_reply, 500).has_value()) << "answered for an address it lacks";

    bytes_t rarp = device;
    rarp.insert(rarp.end(), card.begin(), card.end());
    append(rarp, {0x80, 0x35, 0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x04});
    rarp.insert(rarp.end(), card.begin(), card.end());
    rarp.insert(rarp.end(), card_ip.begin(), card_ip.end());
    rarp.insert(rarp.end(), device.begin(), device.end());
    rarp.insert(rarp.end(), new_ip.begin(), new_ip.end());
    ASSERT_TRUE(send(rarp));
    ASSERT_TRUE(sim_->wait_for("adopted 00602b000001 198.18.0.50", 2000ms));

    ASSERT_TRUE(send(arp_request()));
    const auto reply = next_frame(is_reply);
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(std::equal(card.begin(), card.end(), reply->begin())); // to the asker
    EXPECT_TRUE(std::equal(new_ip.begin(), new_ip.end(), reply->begin() + 28));

    const auto announced = next_frame([&](const bytes_t& f) {
        qo::vg::announcement_t a;
        return qo::vg::read_announcement(f, a) && a.source == mac("00602b000001") &&
               a.ips == std::vector<qo::ip_address_t>{ip("198.18.0.50")};
    });
    EXPECT_TRUE(announced.has_value());
}

} // namespace
