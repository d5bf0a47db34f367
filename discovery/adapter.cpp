#include "discovery/adapter.h"

#include "discovery/frames.h"
#include "discovery/log.h"
#include "platform/w32n/w32n.h"
#include "qo/exception.h"

#include <mutex>
#include <cstdio>
#include <cerrno>
#include <algorithm>
#include <iterator>
#include <string>
#include <system_error>
#include <tuple>

namespace qo::vg {

namespace {

std::string code_text(std::uint32_t code) {
    return std::to_string(code);
}

// An NDIS request on the card; 0 or the error code.
std::uint32_t ndis(int handle, std::uint32_t type, std::uint32_t oid, void* data,
                   std::uint32_t length) {
    W32N_NDIS_REQUEST request;
    request.type = type;
    request.oid = oid;
    request.data = data;
    request.data_length = length;
    platform::sync::event_t done(platform::sync::event_t::reset::manual);
    W32N_OVERLAPPED overlapped;
    overlapped.event = &done;
    return W32N_MakeNdisRequest(handle, &request, &overlapped, 1);
}

} // namespace

std::pair<qo::ip_address_t, qo::ip_address_t> default_pool(const qo::ip_address_t& card_ip,
                                                           const qo::ip_address_t& mask) {
    // 64 bits: the sums below may pass the top of the address space.
    const std::int64_t ip = card_ip.value();
    const std::int64_t network = ip & mask.value();
    const std::int64_t broadcast = network | (~mask.value() & 0xFFFFFFFFu);
    std::int64_t start = network + 1;
    std::int64_t end = network + 199;
    // The card's own address stays out of the default range.
    const std::int64_t host = ip - network;
    if (host < 200) {
        if (host < 101)
            start = ip + 1;
        else
            end = ip - 1;
    }
    // A subnet smaller than the range would hand out its broadcast address
    // and addresses of other subnets.
    start = std::max(start, network + 1);
    end = std::min(end, broadcast - 1);
    if (end < start)
        return {qo::ip_address_t(static_cast<std::uint32_t>(ip)),
                qo::ip_address_t(static_cast<std::uint32_t>(ip - 1))};
    return {qo::ip_address_t(static_cast<std::uint32_t>(start)),
            qo::ip_address_t(static_cast<std::uint32_t>(end))};
}

std::shared_ptr<adapter_t> adapter_t::create(const adapter_info_t& info, qo::clock_fn clock) {
    return std::make_shared<adapter_t>(passkey_t{}, info, clock);
}

adapter_t::adapter_t(passkey_t, const adapter_info_t& info, qo::clock_fn clock)
    : history_(history_file_path()), clock_(clock), sweep_timer_(clock), info_(info),
      card_ip_(info.ip), subnet_mask_(info.mask) {
    try {
        open();
    } catch (const qo::exception_t& e) {
        log_line(std::string("AdapterOpen failure: ") + e.text());
        // An open card without its filter would take every frame.
        if (const int handle = handle_.exchange(-1); handle != -1)
            W32N_CloseAdapter(handle);
    } catch (const std::system_error& e) {
        log_line(std::string("AdapterOpen failure: ") + e.what());
        if (const int handle = handle_.exchange(-1); handle != -1)
            W32N_CloseAdapter(handle);
    }
}

adapter_t::~adapter_t() {
    log_line("closing down adapter...");
    close();
}

void adapter_t::open() {
    if (handle_.load() != -1)
        throw qo::exception_t("adapter already open");
    const int handle = W32N_OpenAdapterA(info_.device_name.c_str());
    if (handle == -1 && (W32N_GetLastError() == EPERM || W32N_GetLastError() == EACCES)) {
        // Said once, where the user looks: otherwise the server just finds
        // no devices, on every card.
        static std::once_flag told;
        std::call_once(told, [] {
            std::fputs("mellick: reading network cards needs the CAP_NET_RAW capability "
                       "(sudo setcap cap_net_raw+ep on the mellick program); no devices will "
                       "be found\n",
                       stderr);
        });
    }
    if (handle == -1)
        throw qo::exception_t("W32N_OpenAdapterA failed on " + info_.device_name + ", error " +
                              code_text(W32N_GetLastError()));
    handle_.store(handle);

    std::uint8_t address[512] = {};
    if (const std::uint32_t error =
            ndis(handle, W32N_NDIS_QUERY, W32N_OID_802_3_CURRENT_ADDRESS, address, sizeof address);
        error != 0) {
        log_line("Failed to read adaptor MAC address: " + code_text(error));
    } else {
        std::copy_n(address, 6, card_mac_.bytes().begin());
        log_line("Adaptor MAC address: " + card_mac_.to_string());
    }

    const std::span<const W32N_BPF_INSN> program = capture_filter();
    if (!W32N_SetBPFProgram(handle, program.data(),
                            static_cast<std::uint32_t>(program.size_bytes()))) {
        const std::string text = "W32N_SetBPFProgram failed " + code_text(W32N_GetLastError());
        log_line(text);
        throw qo::exception_t(text);
    }
    log_line("Packet filter program set successfully.\n");

    std::uint32_t filter = W32N_PACKET_TYPE_DIRECTED | W32N_PACKET_TYPE_MULTICAST;
    if (const std::uint32_t error =
            ndis(handle, W32N_NDIS_SET, W32N_OID_GEN_CURRENT_PACKET_FILTER, &filter, 4);
        error != 0)
        log_line("Failed to set adaptor to multicast mode " + code_text(error));
    else
        log_line("Adaptor set to multicast mode successfully.\n");

    std::uint8_t groups[12];
    std::copy(reservation_group.begin(), reservation_group.end(), groups);
    std::copy(second_group.begin(), second_group.end(), groups + 6);
    if (const std::uint32_t error =
            ndis(handle, W32N_NDIS_SET, W32N_OID_802_3_MULTICAST_LIST, groups, sizeof groups);
        error != 0)
        log_line("Failed to set reservation MAC to multicast MAC list " + code_text(error));
    else
        log_line("Adaptor set reservation MAC to MAC list.\n");

    {
        std::lock_guard lock(queue_mutex_);
        if (card_ip_.value() != 0) {
            std::tie(default_pool_start_, default_pool_end_) = default_pool(card_ip_, subnet_mask_);
            history_.set_pool(default_pool_start_, default_pool_end_);
            pool_start_ = default_pool_start_;
            pool_end_ = default_pool_end_;
        }
        log_line("\nOpened adapter " + info_.device_name);
        log_line("adapter title: " + info_.title);
        log_line("MAC address:   " + card_mac_.to_string());
        log_line("IP address:    " + card_ip_.to_string());
        log_line("Subnet mask:   " + subnet_mask_.to_string());
        log_line("Default range: " + default_pool_start_.to_string() + " to " +
                 default_pool_end_.to_string());
    }

    log_line("Reading IP history\n");
    history_.load(info_.title, card_ip_);
    set_limits(history_.read_limits());
}

void adapter_t::set_limits(const table_limits_t& limits) {
    history_.set_capacity(static_cast<std::size_t>(std::max(1, limits.history)));
    std::lock_guard lock(device_mutex_);
    device_cap_ = static_cast<std::size_t>(std::max(1, limits.devices));
    device_max_age_ms_ = std::uint64_t(std::max(1, limits.device_age_s)) * 1000;
}

void adapter_t::start() {
    std::lock_guard control(control_mutex_);
    started_.store(true);
    try {
        packet_thread_.start();
        arp_thread_.start();
        // A switch turned on before the start takes effect now.
        if (send_reservation() != 0)
            reservation_thread_.start();
    } catch (const qo::exception_t& e) {
        log_line(std::string("AdapterOpen failure: ") + e.text());
    }
}

void adapter_t::note_frame_received() {
    if (network_error_.load(std::memory_order_relaxed) == 0)
        return;
    const std::uint32_t was = network_error_.exchange(0);
    if (was != 0 && was != ETIMEDOUT)
        log_line("Packets are received again");
}

void adapter_t::note_read_timeout() {
    std::uint32_t none = 0;
    network_error_.compare_exchange_strong(none, ETIMEDOUT);
}

void adapter_t::note_read_failed(std::uint32_t error, const std::string& line) {
    const std::uint32_t was = network_error_.exchange(error);
    if (was == 0 || was == ETIMEDOUT)
        log_line(line);
}

void adapter_t::stop_thread(qo::proc::thread_t& thread) {
    try {
        thread.stop();
    } catch (const qo::exception_t& e) {
        log_line(e.text());
    }
}

void adapter_t::close() {
    std::lock_guard control(control_mutex_);
    // The threads read and send on the card: they end before it closes.
    started_.store(false);
    stop_thread(packet_thread_);
    stop_thread(arp_thread_);
    stop_thread(bootp_thread_);
    stop_thread(reservation_thread_);
    if (const int handle = handle_.exchange(-1); handle != -1)
        W32N_CloseAdapter(handle);
    if (history_.loaded()) {
        log_line("Writing IP history\n");
        history_.save(info_.title);
    }
}

bool adapter_t::packet_send(const std::uint8_t* frame, std::size_t length) {
    std::lock_guard lock(device_mutex_);
    std::unique_ptr<platform::sync::event_t> done;
    try {
        done = std::make_unique<platform::sync::event_t>(platform::sync::event_t::reset::manual);
    } catch (const std::system_error&) {
        throw qo::exception_t("Can not create event for overlapped");
    }
    try {
        done->reset_event();
    } catch (const std::system_error& e) {
        log_line("ResetEvent failed on overlapped event: " + std::to_string(e.code().value()));
        throw qo::exception_t("ResetEvent failed on overlapped event");
    }
    W32N_OVERLAPPED overlapped;
    overlapped.event = done.get();
    std::uint32_t sent = 0;
    if (!W32N_PacketSend(handle_.load(), frame, static_cast<std::uint32_t>(length), &sent,
                         &overlapped)) {
        const std::uint32_t error = W32N_GetLastError();
        if (error != W32N_ERROR_IO_PENDING) {
            log_line("packet_send W32N Failure: " + code_text(error));
            return false;
        }
    }
    if (!done->wait(4000)) {
        log_line("packet_send API Failure: WAIT_TIMEOUT");
        return false;
    }
    return true;
}

void adapter_t::heard_locked(const qo::mac_address_t& mac) {
    const auto [at, added] = heard_at_.try_emplace(mac, next_heard_);
    if (added) {
        heard_order_.emplace_hint(heard_order_.end(), next_heard_++, mac);
        return;
    }
    // A record heard again moves its node to the end: no allocation a frame.
    auto node = heard_order_.extract(at->second);
    at->second = next_heard_;
    node.key() = next_heard_++;
    heard_order_.insert(heard_order_.end(), std::move(node));
}

void adapter_t::erase_locked(std::map<qo::mac_address_t, std::shared_ptr<device_t>>::iterator it) {
    if (const auto at = heard_at_.find(it->first); at != heard_at_.end()) {
        heard_order_.erase(at->second);
        heard_at_.erase(at);
    }
    devices_.erase(it);
}

std::shared_ptr<device_t> adapter_t::touch_locked(const qo::mac_address_t& mac) {
    std::shared_ptr<device_t> touched;
    if (const auto it = devices_.find(mac); it != devices_.end()) {
        it->second->reset_age();
        heard_locked(mac);
        touched = it->second;
    }
    if (sweep_timer_.elapsed() > sweep_period_ms) {
        // A device marked failed gets another chance once it is heard again;
        // one long gone is forgotten unless an assignment waits for it.
        for (auto d = devices_.begin(); d != devices_.end();) {
            device_t& device = *d->second;
            if (device.age() < sweep_heard_ms)
                device.set_failed(false);
            const auto next = std::next(d);
            if (device.age() > device_max_age_ms_ && !device.queued())
                erase_locked(d);
            d = next;
        }
        sweep_timer_.reset();
    }
    if (touched)
        return touched;
    if (devices_.size() >= device_cap_) {
        // Records are heard in the order of their ages: the first one that
        // waits for no assignment is the longest unheard.
        auto oldest = devices_.end();
        for (const auto& [order, heard] : heard_order_) {
            const auto d = devices_.find(heard);
            if (d != devices_.end() && !d->second->queued()) {
                oldest = d;
                break;
            }
        }
        if (!table_full_logged_) {
            table_full_logged_ = true;
            log_line("Device table full (" + std::to_string(device_cap_) +
                     " records): the longest unheard records give way to new ones");
        }
        if (oldest == devices_.end())
            return nullptr;
        erase_locked(oldest);
    }
    heard_locked(mac);
    return devices_.emplace(mac, std::make_shared<device_t>(mac, weak_from_this(), clock_))
        .first->second;
}

void adapter_t::handle_frame(const std::uint8_t* frame, std::size_t length) {
    const std::span<const std::uint8_t> bytes(frame, length);
    const std::optional<std::uint16_t> type = frame_ether_type(bytes);
    if (!type)
        return;
    if (*type == ether_type_arp) {
        if (const std::optional<assignment_t> reply = read_arp_reply(bytes)) {
            std::lock_guard lock(queue_mutex_);
            arp_replies_.push_back(*reply);
        }
        return;
    }
    if (*type != ether_type_vargo) {
        log_line("Received unrecognized packet (filter problem?)\n");
        return;
    }
    // Kept per thread: its vector's room is reused for every frame.
    thread_local announcement_t announcement;
    if (!read_announcement(bytes, announcement) || announcement.source == card_mac_)
        return;

    std::lock_guard lock(device_mutex_);
    const std::shared_ptr<device_t> device = touch_locked(announcement.source);
    if (!device)
        return;
    for (const qo::ip_address_t& ip : announcement.ips) {
        device->set_ip(ip);
        if (ip.value() != 0) {
            history_.record(announcement.source, ip);
        } else if (autoassign_ != 0 && !device->failed() && !device->queued()) {
            device->set_queued(true);
            log_line("Queueing auto IP assignment " + announcement.source.to_string());
            std::lock_guard queue(queue_mutex_);
            assignments_.push_back(
                {announcement.source, qo::ip_address_t(), assignment_t::automatic});
        }
    }
}

void adapter_t::queue_manual_assignment(const qo::mac_address_t& mac, const qo::ip_address_t& ip) {
    std::lock_guard lock(device_mutex_);
    const auto it = devices_.find(mac);
    if (it == devices_.end())
        return;
    it->second->set_queued(true);
    it->second->set_failed(false);
    log_line("Queueing manual IP assignment " + ip.to_string() + " " + mac.to_string());
    std::lock_guard queue(queue_mutex_);
    assignments_.push_back({mac, ip, assignment_t::manual});
}

std::shared_ptr<device_t> adapter_t::device_first() const {
    std::lock_guard lock(device_mutex_);
    return devices_.empty() ? nullptr : devices_.begin()->second;
}

std::shared_ptr<device_t> adapter_t::device_next(const device_t& current) const {
    std::lock_guard lock(device_mutex_);
    const auto it = devices_.upper_bound(current.mac());
    return it == devices_.end() ? nullptr : it->second;
}

std::shared_ptr<device_t> adapter_t::device_get(const qo::mac_address_t& mac) const {
    std::lock_guard lock(device_mutex_);
    const auto it = devices_.find(mac);
    return it == devices_.end() ? nullptr : it->second;
}

int adapter_t::device_remove(const qo::mac_address_t& mac) {
    std::lock_guard lock(device_mutex_);
    const auto it = devices_.find(mac);
    if (it == devices_.end())
        return 0;
    erase_locked(it);
    return 1;
}

qo::ip_address_t adapter_t::ip() const {
    std::lock_guard lock(queue_mutex_);
    return card_ip_;
}

qo::ip_address_t adapter_t::subnet_mask() const {
    std::lock_guard lock(queue_mutex_);
    return subnet_mask_;
}

qo::ip_address_t adapter_t::pool_start() const {
    std::lock_guard lock(queue_mutex_);
    return pool_start_;
}

qo::ip_address_t adapter_t::pool_end() const {
    std::lock_guard lock(queue_mutex_);
    return pool_end_;
}

qo::ip_address_t adapter_t::default_pool_start() const {
    std::lock_guard lock(queue_mutex_);
    return default_pool_start_;
}

qo::ip_address_t adapter_t::default_pool_end() const {
    std::lock_guard lock(queue_mutex_);
    return default_pool_end_;
}

void adapter_t::put_pool_start(const qo::ip_address_t& ip) {
    std::lock_guard lock(queue_mutex_);
    pool_start_ = ip;
    history_.set_pool(pool_start_, pool_end_);
}

void adapter_t::put_pool_end(const qo::ip_address_t& ip) {
    std::lock_guard lock(queue_mutex_);
    pool_end_ = ip;
    history_.set_pool(pool_start_, pool_end_);
}

int adapter_t::autoassign() const {
    std::lock_guard lock(device_mutex_);
    return autoassign_;
}

void adapter_t::put_autoassign(int value) {
    std::lock_guard lock(device_mutex_);
    autoassign_ = value != 0 ? 1 : 0;
}

int adapter_t::send_reservation() const {
    std::lock_guard lock(device_mutex_);
    return send_reservation_;
}

void adapter_t::put_send_reservation(int value) {
    std::lock_guard control(control_mutex_);
    {
        std::lock_guard lock(device_mutex_);
        send_reservation_ = value;
    }
    // The thread sends under the device lock: it is started and stopped
    // outside it. Before start the switch is only stored.
    if (value == 0) {
        stop_thread(reservation_thread_);
    } else if (started_.load()) {
        try {
            reservation_thread_.start();
        } catch (const qo::exception_t& e) {
            log_line(e.text());
        }
    }
}

std::vector<assignment_t> adapter_t::queued_assignments() const {
    std::lock_guard lock(queue_mutex_);
    return {assignments_.begin(), assignments_.end()};
}

std::vector<assignment_t> adapter_t::queued_arp_replies() const {
    std::lock_guard lock(queue_mutex_);
    return {arp_replies_.begin(), arp_replies_.end()};
}

std::optional<assignment_t> adapter_t::front_assignment() const {
    std::lock_guard lock(queue_mutex_);
    if (assignments_.empty())
        return std::nullopt;
    return assignments_.front();
}

void adapter_t::set_front_ip(const qo::ip_address_t& ip) {
    std::lock_guard lock(queue_mutex_);
    if (!assignments_.empty())
        assignments_.front().ip = ip;
}

bool adapter_t::queued_elsewhere_locked(const qo::mac_address_t& mac) const {
    return std::any_of(assignments_.begin(), assignments_.end(),
                       [&](const assignment_t& entry) { return entry.mac == mac; });
}

void adapter_t::drop_front_assignment(bool failed) {
    std::lock_guard lock(device_mutex_);
    std::lock_guard queue(queue_mutex_);
    if (assignments_.empty())
        return;
    const qo::mac_address_t mac = assignments_.front().mac;
    assignments_.pop_front();
    const auto it = devices_.find(mac);
    if (it == devices_.end())
        return;
    if (failed)
        it->second->set_failed(true);
    // Every way out of the queue ends the mark, or the device would never
    // be queued again.
    if (!queued_elsewhere_locked(mac))
        it->second->set_queued(false);
}

void adapter_t::drop_arp_replies() {
    std::lock_guard lock(queue_mutex_);
    arp_replies_.clear();
}

bool adapter_t::drop_other_arp_replies(const qo::ip_address_t& ip) {
    std::lock_guard lock(queue_mutex_);
    std::erase_if(arp_replies_, [&](const assignment_t& reply) { return reply.ip != ip; });
    return !arp_replies_.empty();
}

std::optional<assignment_t> adapter_t::take_arp_reply() {
    std::lock_guard lock(queue_mutex_);
    if (arp_replies_.empty())
        return std::nullopt;
    const assignment_t reply = arp_replies_.front();
    arp_replies_.pop_front();
    return reply;
}

void adapter_t::accept_arp_reply(const assignment_t& reply) {
    std::lock_guard lock(device_mutex_);
    if (const auto it = devices_.find(reply.mac); it != devices_.end()) {
        it->second->set_ip(reply.ip);
        it->second->set_failed(false);
        std::lock_guard queue(queue_mutex_);
        if (!queued_elsewhere_locked(reply.mac))
            it->second->set_queued(false);
    }
    log_line("Recieved ARP response " + reply.ip.to_string() + " from " + reply.mac.to_string());
    history_.record(reply.mac, reply.ip);
}

} // namespace qo::vg
