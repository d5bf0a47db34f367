#include "platform/w32n/w32n.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using mac_t = std::array<std::uint8_t, 6>;

thread_local std::uint32_t tl_last_error = W32N_ERROR_SUCCESS;

int fail(std::uint32_t code) {
    tl_last_error = code;
    return 0;
}

std::uint64_t monotonic_ms() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

// Room the kernel may use for queued frames; the default (about 200 KiB)
// holds only a few hundred small frames, too few for a burst of
// announcements while the reader is busy.
constexpr int receive_buffer_bytes = 4 << 20;
constexpr std::uint32_t send_wait_ms = 4000;
// How often a card whose receive path failed looks whether its interface is
// gone: the kernel reports the link going down before it unlists the
// interface, and says nothing more when it does.
constexpr int gone_check_ms = 200;

struct pending_read_t {
    W32N_PACKET* packet;
    W32N_OVERLAPPED* overlapped;
};

struct card_t {
    std::string name;
    int ifindex = 0;
    int fd = -1;
    int wake_fd = -1; // eventfd: a post while the reader waits, or close

    std::mutex mutex; // everything below
    std::deque<pending_read_t> pending;
    bool reader_waits_for_posts = false;
    bool closing = false;
    bool bound = false;
    // Until a filter is set, every frame addressed to this host.
    std::uint32_t packet_filter =
        W32N_PACKET_TYPE_DIRECTED | W32N_PACKET_TYPE_MULTICAST | W32N_PACKET_TYPE_BROADCAST;
    std::vector<mac_t> groups;
    bool promiscuous_member = false;
    bool all_multicast_member = false;
    // The receive path failed and no frame has come since.
    bool receive_failed = false;
    // Nonzero once the interface is gone: later reads fail with it.
    std::uint32_t gone_error = 0;

    std::thread reader;

    ~card_t() {
        stop_reader();
        if (fd >= 0)
            ::close(fd);
        if (wake_fd >= 0)
            ::close(wake_fd);
    }

    void wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_fd, &one, sizeof one);
    }

    void stop_reader() {
        {
            std::lock_guard lock(mutex);
            closing = true;
        }
        if (wake_fd >= 0)
            wake();
        if (reader.joinable() && reader.get_id() != std::this_thread::get_id())
            reader.join();
    }
};

std::mutex g_cards_mutex;
std::map<int, std::shared_ptr<card_t>> g_cards;
int g_next_handle = 1;

std::shared_ptr<card_t> find_card(int handle) {
    std::lock_guard lock(g_cards_mutex);
    const auto it = g_cards.find(handle);
    if (it == g_cards.end())
        return nullptr;
    return it->second;
}

void complete(const pending_read_t& read, std::uint32_t status) {
    read.overlapped->status.store(status, std::memory_order_release);
    if (read.overlapped->event)
        read.overlapped->event->set();
}

// The socket's binding loses its interface index when the interface is
// unregistered, also when another interface takes its name later.
bool interface_gone(const card_t& card) {
    if (!card.bound)
        return false;
    sockaddr_ll address{};
    socklen_t length = sizeof address;
    if (::getsockname(card.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    return address.sll_ifindex != card.ifindex;
}

void fail_reads_locked(card_t& card, std::uint32_t error) {
    for (const pending_read_t& read : card.pending)
        complete(read, error);
    card.pending.clear();
}

// The receive path failed with `error`: the posted reads end with it, or
// with ENODEV when the interface is gone for good.
void receive_failed_locked(card_t& card, std::uint32_t error) {
    if (card.closing || card.gone_error != 0)
        return;
    card.receive_failed = true;
    if (interface_gone(card)) {
        card.gone_error = ENODEV;
        error = ENODEV;
    }
    fail_reads_locked(card, error);
}

// Whether the card's packet filter lets a received frame up (the kernel
// hands a packet socket everything that reached the interface).
bool accepts(const card_t& card, unsigned char packet_type, const std::uint8_t* frame,
             std::size_t length) {
    const std::uint32_t filter = card.packet_filter;
    if (filter & W32N_PACKET_TYPE_PROMISCUOUS)
        return packet_type != PACKET_OUTGOING;
    switch (packet_type) {
    case PACKET_HOST:
        return (filter & W32N_PACKET_TYPE_DIRECTED) != 0;
    case PACKET_BROADCAST:
        return (filter & W32N_PACKET_TYPE_BROADCAST) != 0;
    case PACKET_MULTICAST:
        if (filter & W32N_PACKET_TYPE_ALL_MULTICAST)
            return true;
        if (!(filter & W32N_PACKET_TYPE_MULTICAST) || length < 6)
            return false;
        return std::any_of(card.groups.begin(), card.groups.end(), [&](const mac_t& group) {
            return std::memcmp(group.data(), frame, 6) == 0;
        });
    default: // another host's frame, or one of our own going out
        return false;
    }
}

// Fills posted slots, oldest first, from the frames queued on the socket.
void drain_locked(card_t& card) {
    while (!card.pending.empty() && !card.closing) {
        const pending_read_t read = card.pending.front();
        W32N_PACKET_HEADER& header = read.packet->header;
        const std::uint32_t room = std::min<std::uint32_t>(header.room, sizeof read.packet->frame);
        sockaddr_ll from{};
        socklen_t from_length = sizeof from;
        const ssize_t n = ::recvfrom(card.fd, read.packet->frame, room, MSG_DONTWAIT | MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&from), &from_length);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if (error != EAGAIN && error != EWOULDBLOCK)
                receive_failed_locked(card, static_cast<std::uint32_t>(error));
            return;
        }
        card.receive_failed = false;
        const auto wire = static_cast<std::uint32_t>(n);
        const std::uint32_t captured = std::min(wire, room);
        if (!accepts(card, from.sll_pkttype, read.packet->frame, captured))
            continue;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        header.timestamp_sec = static_cast<std::uint32_t>(now.tv_sec);
        header.timestamp_usec = static_cast<std::uint32_t>(now.tv_nsec / 1000);
        header.captured = captured;
        header.wire_length = wire;
        header.packet_type = from.sll_pkttype;
        read.overlapped->bytes.store(captured, std::memory_order_relaxed);
        card.pending.pop_front();
        complete(read, W32N_ERROR_SUCCESS);
    }
}

void drain(card_t& card) {
    std::lock_guard lock(card.mutex);
    drain_locked(card);
}

void reader_loop(card_t* card) {
    for (;;) {
        bool want_frames = false;
        bool watch = false;
        {
            std::lock_guard lock(card->mutex);
            if (card->closing)
                return;
            want_frames = !card->pending.empty();
            card->reader_waits_for_posts = !want_frames;
            watch = card->receive_failed && card->gone_error == 0;
        }
        // Without a posted slot the socket is left alone, so its frames wait
        // in the kernel as they would in the card's own buffer.
        pollfd fds[2] = {{card->wake_fd, POLLIN, 0}, {card->fd, POLLIN, 0}};
        const int ready = ::poll(fds, want_frames ? 2 : 1, watch ? gone_check_ms : -1);
        if (ready < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            {
                std::lock_guard lock(card->mutex);
                receive_failed_locked(*card, static_cast<std::uint32_t>(error));
            }
            // A poll that keeps failing must not spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t value;
            [[maybe_unused]] const ssize_t n = ::read(card->wake_fd, &value, sizeof value);
        }
        if (watch) {
            std::lock_guard lock(card->mutex);
            if (!card->closing && card->gone_error == 0 && interface_gone(*card)) {
                card->gone_error = ENODEV;
                fail_reads_locked(*card, ENODEV);
            }
        }
        if (want_frames && fds[1].revents) {
            if (fds[1].revents & (POLLERR | POLLNVAL)) {
                // A pending socket error (the interface went down) keeps
                // poll returning until it is read; reading it clears it.
                int error = 0;
                socklen_t length = sizeof error;
                if (fds[1].revents & POLLNVAL)
                    error = EBADF;
                else if (::getsockopt(card->fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                    error = errno;
                if (error != 0) {
                    std::lock_guard lock(card->mutex);
                    receive_failed_locked(*card, static_cast<std::uint32_t>(error));
                    continue;
                }
            }
            drain(*card);
        }
    }
}

// Binding starts the queueing of frames, so it comes after the filter
// (when there is one).
bool ensure_bound(card_t& card) {
    std::lock_guard lock(card.mutex);
    if (card.bound)
        return true;
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ETH_P_ALL);
    address.sll_ifindex = card.ifindex;
    if (::bind(card.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return fail(static_cast<std::uint32_t>(errno));
    card.bound = true;
    return true;
}

int membership(const card_t& card, bool add, unsigned short type, const mac_t* address) {
    packet_mreq request{};
    request.mr_ifindex = card.ifindex;
    request.mr_type = type;
    if (address) {
        request.mr_alen = 6;
        std::memcpy(request.mr_address, address->data(), 6);
    }
    const int option = add ? PACKET_ADD_MEMBERSHIP : PACKET_DROP_MEMBERSHIP;
    if (::setsockopt(card.fd, SOL_PACKET, option, &request, sizeof request) != 0)
        return errno;
    return 0;
}

std::uint32_t set_packet_filter(card_t& card, std::uint32_t filter) {
    const bool promiscuous = (filter & W32N_PACKET_TYPE_PROMISCUOUS) != 0;
    const bool all_multicast = (filter & W32N_PACKET_TYPE_ALL_MULTICAST) != 0;
    if (promiscuous != card.promiscuous_member) {
        if (const int error = membership(card, promiscuous, PACKET_MR_PROMISC, nullptr))
            return static_cast<std::uint32_t>(error);
        card.promiscuous_member = promiscuous;
    }
    if (all_multicast != card.all_multicast_member) {
        if (const int error = membership(card, all_multicast, PACKET_MR_ALLMULTI, nullptr))
            return static_cast<std::uint32_t>(error);
        card.all_multicast_member = all_multicast;
    }
    card.packet_filter = filter;
    return W32N_ERROR_SUCCESS;
}

std::uint32_t set_multicast_list(card_t& card, const std::vector<mac_t>& wanted) {
    for (auto it = card.groups.begin(); it != card.groups.end();) {
        if (std::find(wanted.begin(), wanted.end(), *it) == wanted.end()) {
            if (const int error = membership(card, false, PACKET_MR_MULTICAST, &*it))
                return static_cast<std::uint32_t>(error);
            it = card.groups.erase(it);
        } else {
            ++it;
        }
    }
    for (const mac_t& group : wanted) {
        if (std::find(card.groups.begin(), card.groups.end(), group) != card.groups.end())
            continue;
        if (const int error = membership(card, true, PACKET_MR_MULTICAST, &group))
            return static_cast<std::uint32_t>(error);
        card.groups.push_back(group);
    }
    return W32N_ERROR_SUCCESS;
}

std::uint32_t ndis_request(card_t& card, W32N_NDIS_REQUEST& request) {
    request.bytes_done = 0;
    request.bytes_needed = 0;
    auto need = [&](std::uint32_t bytes) {
        if (request.data_length >= bytes && request.data)
            return true;
        request.bytes_needed = bytes;
        return false;
    };
    std::lock_guard lock(card.mutex);
    if (request.type == W32N_NDIS_QUERY) {
        switch (request.oid) {
        case W32N_OID_802_3_CURRENT_ADDRESS: {
            if (!need(6))
                return ENOBUFS;
            ifreq ifr{};
            std::strncpy(ifr.ifr_name, card.name.c_str(), IFNAMSIZ - 1);
            if (::ioctl(card.fd, SIOCGIFHWADDR, &ifr) != 0)
                return static_cast<std::uint32_t>(errno);
            std::memcpy(request.data, ifr.ifr_hwaddr.sa_data, 6);
            request.bytes_done = 6;
            return W32N_ERROR_SUCCESS;
        }
        case W32N_OID_GEN_CURRENT_PACKET_FILTER:
            if (!need(4))
                return ENOBUFS;
            std::memcpy(request.data, &card.packet_filter, 4);
            request.bytes_done = 4;
            return W32N_ERROR_SUCCESS;
        case W32N_OID_802_3_MULTICAST_LIST: {
            const auto bytes = static_cast<std::uint32_t>(card.groups.size() * 6);
            if (bytes > 0 && !need(bytes))
                return ENOBUFS;
            for (std::size_t i = 0; i < card.groups.size(); ++i)
                std::memcpy(static_cast<std::uint8_t*>(request.data) + 6 * i, card.groups[i].data(),
                            6);
            request.bytes_done = bytes;
            return W32N_ERROR_SUCCESS;
        }
        default:
            return EOPNOTSUPP;
        }
    }
    if (request.type != W32N_NDIS_SET)
        return EINVAL;
    switch (request.oid) {
    case W32N_OID_GEN_CURRENT_PACKET_FILTER: {
        if (request.data_length != 4 || !request.data)
            return EINVAL;
        std::uint32_t filter;
        std::memcpy(&filter, request.data, 4);
        const std::uint32_t error = set_packet_filter(card, filter);
        if (error == W32N_ERROR_SUCCESS)
            request.bytes_done = 4;
        return error;
    }
    case W32N_OID_802_3_MULTICAST_LIST: {
        if (request.data_length % 6 != 0 || request.data_length / 6 > W32N_MAX_MULTICAST ||
            (request.data_length > 0 && !request.data))
            return EINVAL;
        std::vector<mac_t> wanted(request.data_length / 6);
        for (std::size_t i = 0; i < wanted.size(); ++i)
            std::memcpy(wanted[i].data(), static_cast<const std::uint8_t*>(request.data) + 6 * i,
                        6);
        const std::uint32_t error = set_multicast_list(card, wanted);
        if (error == W32N_ERROR_SUCCESS)
            request.bytes_done = request.data_length;
        return error;
    }
    default:
        return EOPNOTSUPP;
    }
}

} // namespace

std::uint32_t W32N_GetLastError() {
    return tl_last_error;
}

int W32N_OpenAdapterA(const char* device_name) {
    if (!device_name || std::strlen(device_name) >= IFNAMSIZ) {
        fail(ENODEV);
        return W32N_INVALID_HANDLE;
    }
    auto card = std::make_shared<card_t>();
    card->name = device_name;
    card->ifindex = static_cast<int>(::if_nametoindex(device_name));
    if (card->ifindex == 0) {
        fail(ENODEV);
        return W32N_INVALID_HANDLE;
    }
    // Protocol 0: nothing is queued until the socket is bound.
    card->fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    if (card->fd < 0) {
        fail(static_cast<std::uint32_t>(errno));
        return W32N_INVALID_HANDLE;
    }
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, device_name, IFNAMSIZ - 1);
    if (::ioctl(card->fd, SIOCGIFHWADDR, &ifr) != 0) {
        fail(static_cast<std::uint32_t>(errno));
        return W32N_INVALID_HANDLE;
    }
    if (ifr.ifr_hwaddr.sa_family != ARPHRD_ETHER) {
        fail(EOPNOTSUPP);
        return W32N_INVALID_HANDLE;
    }
    // Older kernels lack the option; the reader drops outgoing frames then.
    const int one = 1;
    ::setsockopt(card->fd, SOL_PACKET, PACKET_IGNORE_OUTGOING, &one, sizeof one);
    if (::setsockopt(card->fd, SOL_SOCKET, SO_RCVBUFFORCE, &receive_buffer_bytes,
                     sizeof receive_buffer_bytes) != 0)
        ::setsockopt(card->fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer_bytes,
                     sizeof receive_buffer_bytes);
    card->wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (card->wake_fd < 0) {
        fail(static_cast<std::uint32_t>(errno));
        return W32N_INVALID_HANDLE;
    }
    try {
        card->reader = std::thread(reader_loop, card.get());
    } catch (const std::system_error& e) {
        fail(static_cast<std::uint32_t>(e.code().value()));
        return W32N_INVALID_HANDLE;
    }
    std::lock_guard lock(g_cards_mutex);
    if (g_next_handle == INT_MAX)
        g_next_handle = 1;
    const int handle = g_next_handle++;
    g_cards.emplace(handle, std::move(card));
    return handle;
}

int W32N_CloseAdapter(int handle) {
    std::shared_ptr<card_t> card;
    {
        std::lock_guard lock(g_cards_mutex);
        const auto it = g_cards.find(handle);
        if (it == g_cards.end())
            return fail(EBADF);
        card = std::move(it->second);
        g_cards.erase(it);
    }
    card->stop_reader();
    std::lock_guard lock(card->mutex);
    for (const pending_read_t& read : card->pending)
        complete(read, W32N_ERROR_OPERATION_ABORTED);
    card->pending.clear();
    // The socket itself goes with the last call still using it.
    return 1;
}

int W32N_SetBPFProgram(int handle, const W32N_BPF_INSN* program, std::uint32_t byte_length) {
    const auto card = find_card(handle);
    if (!card)
        return fail(EBADF);
    const std::uint32_t count = byte_length / sizeof(W32N_BPF_INSN);
    if (!program || byte_length % sizeof(W32N_BPF_INSN) != 0 || count == 0 || count > BPF_MAXINSNS)
        return fail(EINVAL);
    std::vector<sock_filter> code(count);
    static_assert(sizeof(sock_filter) == sizeof(W32N_BPF_INSN));
    std::memcpy(code.data(), program, byte_length);
    sock_fprog fprog{static_cast<unsigned short>(count), code.data()};
    if (::setsockopt(card->fd, SOL_SOCKET, SO_ATTACH_FILTER, &fprog, sizeof fprog) != 0)
        return fail(static_cast<std::uint32_t>(errno));
    if (!ensure_bound(*card))
        return 0;
    return 1;
}

std::uint32_t W32N_MakeNdisRequest(int handle, W32N_NDIS_REQUEST* request,
                                   W32N_OVERLAPPED* overlapped, int /*wait*/) {
    const auto card = find_card(handle);
    std::uint32_t result = EBADF;
    if (card && request && request->type == W32N_NDIS_SET &&
        request->oid == W32N_OID_GEN_CURRENT_PACKET_FILTER && !ensure_bound(*card))
        result = W32N_GetLastError();
    else if (card)
        result = request ? ndis_request(*card, *request) : EINVAL;
    tl_last_error = result;
    if (overlapped) {
        overlapped->bytes.store(request ? request->bytes_done : 0, std::memory_order_relaxed);
        overlapped->status.store(result, std::memory_order_release);
        if (overlapped->event)
            overlapped->event->set();
    }
    return result;
}

int W32N_PacketRead(int handle, W32N_PACKET* packet, std::uint32_t* count,
                    W32N_OVERLAPPED* overlapped, std::uint32_t wait_ms) {
    if (count)
        *count = 0;
    const auto card = find_card(handle);
    if (!card)
        return fail(EBADF);
    if (!packet || !overlapped || (wait_ms != 0 && !overlapped->event))
        return fail(EINVAL);
    if (!ensure_bound(*card))
        return 0;
    {
        std::lock_guard lock(card->mutex);
        if (card->closing)
            return fail(W32N_ERROR_OPERATION_ABORTED);
        if (card->gone_error != 0)
            return fail(card->gone_error);
        for (const pending_read_t& read : card->pending)
            if (read.packet == packet || read.overlapped == overlapped)
                return fail(EINVAL);
        // As with any overlapped start: the event is not signalled while the
        // read is in flight.
        if (overlapped->event)
            overlapped->event->reset_event();
        overlapped->bytes.store(0, std::memory_order_relaxed);
        overlapped->status.store(W32N_ERROR_IO_PENDING, std::memory_order_relaxed);
        const bool first = card->pending.empty();
        card->pending.push_back({packet, overlapped});
        // The only posted slot takes a frame already queued at once: handing
        // it to the reader would cost two thread switches per frame while
        // frames come faster than they are handled. The read still reports
        // pending; its event is set by the time the call returns.
        if (first && card->reader_waits_for_posts)
            drain_locked(*card);
        if (!card->pending.empty() && card->reader_waits_for_posts) {
            card->reader_waits_for_posts = false;
            card->wake();
        }
    }
    if (wait_ms == 0 || !overlapped->event->wait(wait_ms))
        return fail(W32N_ERROR_IO_PENDING);
    // The reader completes under the card's lock: taking it orders all its
    // work on the slot and the event before whatever the caller does next.
    { std::lock_guard lock(card->mutex); }
    const std::uint32_t status = overlapped->status.load(std::memory_order_acquire);
    if (status != W32N_ERROR_SUCCESS)
        return fail(status);
    if (count)
        *count = overlapped->bytes.load(std::memory_order_relaxed);
    return 1;
}

int W32N_GetOverlappedResult(const W32N_OVERLAPPED* overlapped, std::uint32_t* count) {
    if (count)
        *count = 0;
    if (!overlapped)
        return fail(EINVAL);
    const std::uint32_t status = overlapped->status.load(std::memory_order_acquire);
    if (status != W32N_ERROR_SUCCESS)
        return fail(status);
    if (count)
        *count = overlapped->bytes.load(std::memory_order_relaxed);
    return 1;
}

int W32N_CancelPacketRead(int handle, W32N_PACKET* packet) {
    const auto card = find_card(handle);
    if (!card)
        return fail(EBADF);
    std::lock_guard lock(card->mutex);
    const auto it = std::find_if(card->pending.begin(), card->pending.end(),
                                 [&](const pending_read_t& read) { return read.packet == packet; });
    if (it == card->pending.end())
        return 0;
    const pending_read_t read = *it;
    card->pending.erase(it);
    complete(read, W32N_ERROR_OPERATION_ABORTED);
    return 1;
}

int W32N_PacketSend(int handle, const void* frame, std::uint32_t length, std::uint32_t* sent,
                    W32N_OVERLAPPED* overlapped) {
    if (sent)
        *sent = 0;
    const auto card = find_card(handle);
    if (!card)
        return fail(EBADF);
    if (!frame || length < 14)
        return fail(EINVAL);
    if (length > W32N_FRAME_ROOM)
        return fail(EMSGSIZE);
    if (overlapped) {
        if (overlapped->event)
            overlapped->event->reset_event();
        overlapped->status.store(W32N_ERROR_IO_PENDING, std::memory_order_relaxed);
    }
    if (!ensure_bound(*card))
        return 0;
    const std::uint64_t deadline = monotonic_ms() + send_wait_ms;
    for (;;) {
        const ssize_t n = ::send(card->fd, frame, length, MSG_DONTWAIT);
        if (n >= 0) {
            if (sent)
                *sent = static_cast<std::uint32_t>(n);
            if (overlapped) {
                overlapped->bytes.store(static_cast<std::uint32_t>(n), std::memory_order_relaxed);
                overlapped->status.store(W32N_ERROR_SUCCESS, std::memory_order_release);
                if (overlapped->event)
                    overlapped->event->set();
            }
            return 1;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        const std::uint64_t now = monotonic_ms();
        if ((error == EAGAIN || error == ENOBUFS) && now < deadline) {
            // ENOBUFS (the device queue is full) does not make the socket
            // pollable; retry after a short pause.
            pollfd p{card->fd, POLLOUT, 0};
            ::poll(&p, 1, error == EAGAIN ? static_cast<int>(deadline - now) : 1);
            continue;
        }
        const std::uint32_t code = error == EAGAIN || error == ENOBUFS
                                       ? static_cast<std::uint32_t>(ETIMEDOUT)
                                       : static_cast<std::uint32_t>(error);
        if (overlapped)
            overlapped->status.store(code, std::memory_order_release);
        return fail(code);
    }
}

int W32N_GetPacketStatistics(int handle, std::uint32_t* received, std::uint32_t* dropped) {
    const auto card = find_card(handle);
    if (!card)
        return fail(EBADF);
    tpacket_stats stats{};
    socklen_t length = sizeof stats;
    if (::getsockopt(card->fd, SOL_PACKET, PACKET_STATISTICS, &stats, &length) != 0)
        return fail(static_cast<std::uint32_t>(errno));
    if (received)
        *received = stats.tp_packets;
    if (dropped)
        *dropped = stats.tp_drops;
    return 1;
}
