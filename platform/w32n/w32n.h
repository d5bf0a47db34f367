#pragma once
// Raw Ethernet frames on one network card: the W32N_* calls the discovery
// server makes, over AF_PACKET sockets.
//
// A card is opened by its interface name and gets a handle (-1 on failure).
// Reads are overlapped: W32N_PacketRead posts a read slot and returns at once
// with W32N_ERROR_IO_PENDING; posted slots are filled in posting order, one
// frame each, by a reader thread of the card, which then sets the slot's
// event. Frames that arrive while no slot is posted wait in the socket's
// receive buffer (and are counted as dropped there when it is full).
//
// Frames this socket sends are never read back. Reception starts with the
// first BPF program, packet-filter set, posted read or send, whichever comes
// first; a program attached first therefore sees every frame, and no frame
// it would refuse is ever queued.
//
// Error codes (W32N_GetLastError, per thread): errno values of the failed
// system call, W32N_ERROR_IO_PENDING (997) for a posted read and
// W32N_ERROR_OPERATION_ABORTED (995) for a read that the card's close ended.
//
// A failure of the card's receive path (the socket reports an error, as it
// does with ENETDOWN when the interface goes down, or poll or recvfrom
// fails) completes every posted read with that error. While the interface
// exists, reads posted afterwards wait for frames as before, and a link that
// comes back up fills them. Once the interface is gone, the posted reads
// complete with ENODEV and every later W32N_PacketRead fails at once with it.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/sync/event.h"

inline constexpr int W32N_INVALID_HANDLE = -1;

inline constexpr std::uint32_t W32N_ERROR_SUCCESS = 0;
inline constexpr std::uint32_t W32N_ERROR_OPERATION_ABORTED = 995;
inline constexpr std::uint32_t W32N_ERROR_IO_PENDING = 997;

// One classic BPF instruction (8 bytes, the kernel's own layout).
struct W32N_BPF_INSN {
    std::uint16_t code;
    std::uint8_t jt;
    std::uint8_t jf;
    std::uint32_t k;
};
static_assert(sizeof(W32N_BPF_INSN) == 8);

// NDIS requests: what the card answers and accepts.
inline constexpr std::uint32_t W32N_NDIS_QUERY = 0;
inline constexpr std::uint32_t W32N_NDIS_SET = 1;

inline constexpr std::uint32_t W32N_OID_GEN_CURRENT_PACKET_FILTER = 0x0001010E; // 4 bytes
inline constexpr std::uint32_t W32N_OID_802_3_CURRENT_ADDRESS = 0x01010102;     // 6 bytes
inline constexpr std::uint32_t W32N_OID_802_3_MULTICAST_LIST = 0x01010103;      // n x 6 bytes

// Bits of the packet filter: which received frames the card hands up.
inline constexpr std::uint32_t W32N_PACKET_TYPE_DIRECTED = 0x01;
inline constexpr std::uint32_t W32N_PACKET_TYPE_MULTICAST = 0x02; // groups of the list only
inline constexpr std::uint32_t W32N_PACKET_TYPE_ALL_MULTICAST = 0x04;
inline constexpr std::uint32_t W32N_PACKET_TYPE_BROADCAST = 0x08;
inline constexpr std::uint32_t W32N_PACKET_TYPE_PROMISCUOUS = 0x20;

// The most groups a multicast list takes.
inline constexpr std::size_t W32N_MAX_MULTICAST = 32;

struct W32N_NDIS_REQUEST {
    std::uint32_t type = W32N_NDIS_QUERY;
    std::uint32_t oid = 0;
    void* data = nullptr;
    std::uint32_t data_length = 0;
    std::uint32_t bytes_done = 0;   // bytes read from or written to data
    std::uint32_t bytes_needed = 0; // when data is too small
};

// The state of one overlapped operation. The event (owned by the caller,
// may be null) is set when the operation completes; status stays
// W32N_ERROR_IO_PENDING until then.
struct W32N_OVERLAPPED {
    platform::sync::event_t* event = nullptr;
    std::atomic<std::uint32_t> status{W32N_ERROR_SUCCESS};
    std::atomic<std::uint32_t> bytes{0};
};

// Reads the status without a system call, so a busy reader can look at
// many slots cheaply.
inline bool W32N_HasOverlappedCompleted(const W32N_OVERLAPPED& overlapped) {
    return overlapped.status.load(std::memory_order_acquire) != W32N_ERROR_IO_PENDING;
}

// One read slot: 56 bytes of header, then room for a frame.
inline constexpr std::uint32_t W32N_FRAME_ROOM = 1514;

struct W32N_PACKET_HEADER {
    std::uint32_t timestamp_sec = 0; // CLOCK_REALTIME when read
    std::uint32_t timestamp_usec = 0;
    std::uint32_t captured = 0;    // bytes of the frame in the slot
    std::uint32_t wire_length = 0; // bytes the frame had on the wire
    std::uint32_t packet_type = 0; // PACKET_HOST, PACKET_MULTICAST, ...
    std::uint8_t reserved[32] = {};
    std::uint32_t room = W32N_FRAME_ROOM; // set by the caller before each read
};
static_assert(sizeof(W32N_PACKET_HEADER) == 56 && offsetof(W32N_PACKET_HEADER, room) == 52);

struct W32N_PACKET {
    W32N_PACKET_HEADER header;
    std::uint8_t frame[1515] = {};
};
static_assert(offsetof(W32N_PACKET, frame) == 56);

// A handle, or -1 (W32N_GetLastError: ENODEV for an unknown name,
// EOPNOTSUPP for a card that is not Ethernet).
int W32N_OpenAdapterA(const char* device_name);
// Ends every posted read (status W32N_ERROR_OPERATION_ABORTED, event set).
// 0 for an unknown handle.
int W32N_CloseAdapter(int handle);

// Attaches the program (byte_length = 8 x instructions) and binds the
// socket. 0 on failure.
int W32N_SetBPFProgram(int handle, const W32N_BPF_INSN* program, std::uint32_t byte_length);

// 0 on success, else the error code. Done at once; the overlapped record's
// event, when given, is set. `wait` is accepted for the call's shape.
std::uint32_t W32N_MakeNdisRequest(int handle, W32N_NDIS_REQUEST* request,
                                   W32N_OVERLAPPED* overlapped, int wait);

// Posts `packet` (room from its header). wait_ms 0: returns 0 with
// W32N_ERROR_IO_PENDING. wait_ms > 0 (the overlapped record needs an event):
// waits that long; nonzero with *count when a frame came, else 0 with
// W32N_ERROR_IO_PENDING and the read still posted. The slot and the
// overlapped record must stay alive until the read completes or is
// cancelled.
int W32N_PacketRead(int handle, W32N_PACKET* packet, std::uint32_t* count,
                    W32N_OVERLAPPED* overlapped, std::uint32_t wait_ms);
// The outcome of an overlapped read or send: nonzero with *count when it
// succeeded; else 0 with W32N_GetLastError the error it completed with
// (W32N_ERROR_IO_PENDING while it is still in flight).
int W32N_GetOverlappedResult(const W32N_OVERLAPPED* overlapped, std::uint32_t* count);
// Withdraws the posted read of `packet`: nonzero when it was still posted,
// 0 when it had completed already (or was never posted). Either way the
// card's reader is done with the slot and its event when this returns: call
// it before they go, also for a read whose event was seen set.
int W32N_CancelPacketRead(int handle, W32N_PACKET* packet);

// Sends one whole Ethernet frame (14 to 1514 bytes). Completes before it
// returns: nonzero, *sent, and the overlapped record done and its event set.
// Waits up to 4000 ms for room in the socket's send buffer.
int W32N_PacketSend(int handle, const void* frame, std::uint32_t length, std::uint32_t* sent,
                    W32N_OVERLAPPED* overlapped);

std::uint32_t W32N_GetLastError();

// The socket's counters since the previous call (PACKET_STATISTICS): frames
// that reached the socket (the dropped ones included) and frames it dropped
// for want of room.
int W32N_GetPacketStatistics(int handle, std::uint32_t* received, std::uint32_t* dropped);
