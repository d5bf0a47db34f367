// The frame readers of the discovery server: the EtherType, ARP replies and
// announcements, each checked against the capture filter the kernel runs
// before them; then the input cut into frames (a length byte before each)
// and fed to a card session as its packet thread would.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "discovery/adapter.h"
#include "discovery/frames.h"
#include "tests/support/bpf_filter.h"

namespace {

namespace vg = qo::vg;

// The filter as the kernel runs it; an instruction it does not know is a
// fault of the filter.
std::uint32_t run_filter(std::span<const W32N_BPF_INSN> program,
                         std::span<const std::uint8_t> frame) {
    const auto verdict = test_support::run_bpf_filter(program, frame);
    if (!verdict)
        std::abort();
    return *verdict;
}

void read_one(std::span<const std::uint8_t> frame) {
    const auto type = vg::frame_ether_type(frame);
    if (type.has_value() != (frame.size() >= vg::ethernet_header_size))
        std::abort();
    const bool passes = run_filter(vg::capture_filter(), frame) != 0;

    if (const auto reply = vg::read_arp_reply(frame)) {
        if (!passes || *type != vg::ether_type_arp ||
            !std::equal(reply->mac.bytes().begin(), reply->mac.bytes().end(), frame.begin() + 6))
            std::abort();
    }

    vg::announcement_t announcement;
    const bool read = vg::read_announcement(frame, announcement);
    // An entry holding an address takes at least six bytes.
    if (read && announcement.ips.size() > (frame.size() - vg::vargo_header_size) / 6)
        std::abort();
    if (!read && !announcement.ips.empty())
        std::abort();
    // What the kernel lets through as an announcement of version 2 must read.
    const bool announcement_v2 = frame.size() >= vg::vargo_header_size &&
                                 *type == vg::ether_type_vargo &&
                                 frame[14] == vg::kind_announcement && frame[15] == 2;
    if (announcement_v2 && (!passes || !read))
        std::abort();
}

std::uint64_t fixed_clock() {
    return 1000;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Nothing here opens a card, so no history is read or written; should
    // that change, it stays out of the user's state folder.
    ::setenv("MELLICK_HOME", "/nonexistent/mellick-fuzz", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    read_one(input);

    vg::adapter_info_t card;
    card.name = card.title = card.service = "fuzz0";
    card.device_name = "ostrelnocard"; // no such interface: the session does not open
    card.ip = qo::ip_address_t(0xC6120001u); // 198.18.0.1
    card.mask = qo::ip_address_t(0xFFFFFF00u);
    const std::shared_ptr<vg::adapter_t> session = vg::adapter_t::create(card, fixed_clock);
    session->put_autoassign(1);
    std::size_t at = 0;
    while (at < input.size()) {
        const std::size_t length = std::min<std::size_t>(input[at], input.size() - at - 1);
        const std::span<const std::uint8_t> frame = input.subspan(at + 1, length);
        read_one(frame);
        session->handle_frame(frame.data(), frame.size());
        at += 1 + length;
    }
    for (auto d = session->device_first(); d; d = session->device_next(*d))
        if (!session->device_get(d->mac()))
            std::abort();
    (void)session->queued_assignments();
    (void)session->queued_arp_replies();
    return 0;
}
