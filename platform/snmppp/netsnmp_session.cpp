#include "platform/snmppp/netsnmp_session.h"

#include <net-snmp/library/large_fd_set.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

namespace platform::snmppp {

std::optional<std::string> opaque_number_text(const ::variable_list& variable) {
    char text[64];
    std::to_chars_result done{};
    if (variable.type == ASN_OPAQUE_FLOAT && variable.val.floatVal &&
        variable.val_len == sizeof(float))
        done = std::to_chars(text, text + sizeof text, *variable.val.floatVal);
    else if (variable.type == ASN_OPAQUE_DOUBLE && variable.val.doubleVal &&
             variable.val_len == sizeof(double))
        done = std::to_chars(text, text + sizeof text, *variable.val.doubleVal);
    else
        return std::nullopt;
    return std::string(text, done.ptr);
}

namespace {

// Net-SNMP keeps lists and counters of its own that opening and closing a
// session change; without the library's own locking (not built in) those
// calls are made under this lock. Requests on open sessions need none.
std::mutex& library_lock() {
    static std::mutex lock;
    return lock;
}

// Where Net-SNMP may write (it makes an index folder for certificates at
// start-up); removed with its contents when the process ends or this
// library is unloaded.
class private_folder_t {
public:
    private_folder_t() {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error)
            base = "/tmp";
        std::string pattern = (base / "netsnmp-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            path_ = pattern;
            // Made here so that the library does not announce making it.
            ::mkdir((path_ + "/cert_indexes").c_str(), 0700);
        }
    }
    ~private_folder_t() {
        if (path_.empty())
            return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::mutex& sink_lock() {
    static std::mutex lock;
    return lock;
}

diagnostic_sink_t& sink() {
    static diagnostic_sink_t current;
    return current;
}

void deliver(std::string_view line) {
    std::lock_guard lock(sink_lock());
    if (sink()) {
        sink()(line);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

// The library's logging callback. A message may come in pieces (several
// log calls for one line), so each thread gathers its pieces until the
// newline.
int on_log(int, int, void* message, void*) {
    const auto* log = static_cast<const snmp_log_message*>(message);
    if (!log || !log->msg)
        return 0;
    thread_local std::string pending;
    pending += log->msg;
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string_view line(pending.data(), end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            deliver(line);
        pending.erase(0, end + 1);
    }
    return 0;
}

void init_locked() {
    static bool done = false;
    if (done)
        return;
    done = true;
    static private_folder_t folder;
    // Before anything can be logged: with no handler of its own the library
    // turns standard error logging on at its first message.
    snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, &on_log, nullptr);
    snmp_enable_calllog();
    snmp_disable_stderrlog();
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    if (!folder.path().empty())
        netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR,
                              folder.path().c_str());
    // No MIB folders and an empty list of MIB modules: nothing is parsed.
    netsnmp_set_mib_directory("");
    char no_mibs[] = "mibs :";
    netsnmp_config_remember(no_mibs);
    init_snmp("ostrel");
}

// Net-SNMP parses a binding whose value is a SEQUENCE as nothing it knows
// and drops the whole response ("bad type returned (30)"); nor can it build
// one. Such a value travels inside Net-SNMP as an OCTET STRING of the same
// contents: the tag is changed in the datagrams as they pass the socket, and
// the binding's type put back once the response is parsed.
constexpr std::uint8_t tag_sequence = 0x30;
constexpr std::uint8_t tag_octets = 0x04;

// The header of the BER element at `at`: tag, start and length of its
// contents, which lie within `end`. false when it is malformed or not
// wholly there.
struct element_t {
    std::uint8_t tag = 0;
    std::size_t content = 0;
    std::size_t length = 0;
    std::size_t end() const { return content + length; }
};

bool read_element(const std::uint8_t* data, std::size_t at, std::size_t end, element_t& out) {
    if (at + 2 > end || (data[at] & 0x1F) == 0x1F)
        return false;
    out.tag = data[at];
    std::size_t pos = at + 2;
    std::size_t length = data[at + 1];
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || pos + count > end)
            return false;
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = length << 8 | data[pos++];
    }
    if (length > end - pos)
        return false;
    out.content = pos;
    out.length = length;
    return true;
}

// Calls `visit(index, tag)` with the value tag of every binding of a
// version 1 message, in order; false when the message is not one.
template <typename Visit>
bool for_each_value_tag(std::uint8_t* data, std::size_t size, Visit visit) {
    element_t message;
    if (!read_element(data, 0, size, message) || message.tag != 0x30)
        return false;
    element_t part;
    std::size_t at = message.content;
    // Version, community, then the PDU.
    for (std::uint8_t tag : {std::uint8_t{0x02}, std::uint8_t{0x04}}) {
        if (!read_element(data, at, message.end(), part) || part.tag != tag)
            return false;
        at = part.end();
    }
    element_t pdu;
    if (!read_element(data, at, message.end(), pdu) || pdu.tag < 0xA0 || pdu.tag > 0xA3)
        return false;
    at = pdu.content;
    // Request id, error status, error index.
    for (int i = 0; i < 3; ++i) {
        if (!read_element(data, at, pdu.end(), part) || part.tag != 0x02)
            return false;
        at = part.end();
    }
    element_t list;
    if (!read_element(data, at, pdu.end(), list) || list.tag != 0x30)
        return false;
    std::size_t index = 0;
    for (at = list.content; at < list.end(); ++index) {
        element_t binding;
        element_t name;
        element_t value;
        if (!read_element(data, at, list.end(), binding) || binding.tag != 0x30 ||
            !read_element(data, binding.content, binding.end(), name) || name.tag != 0x06 ||
            !read_element(data, name.end(), binding.end(), value))
            return false;
        visit(index, data[name.end()]);
        at = binding.end();
    }
    return true;
}

bool listed(const std::vector<std::size_t>& indexes, std::size_t index) {
    return std::find(indexes.begin(), indexes.end(), index) != indexes.end();
}

int wait_ms(const timeval& tv) {
    const long long ms = static_cast<long long>(tv.tv_sec) * 1000 +
                         (static_cast<long long>(tv.tv_usec) + 999) / 1000;
    if (ms < 0)
        return 0;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

} // namespace

void netsnmp_init() {
    std::lock_guard lock(library_lock());
    init_locked();
}

void set_diagnostic_sink(diagnostic_sink_t sink_function) {
    std::lock_guard lock(sink_lock());
    sink() = std::move(sink_function);
}

namespace {

using receive_t = int (*)(netsnmp_transport*, void*, int, void**, int*);
using send_t = int (*)(netsnmp_transport*, const void*, int, void**, int*);

// The UDP transport's own functions, which ours wrap.
std::atomic<receive_t> udp_receive{nullptr};
std::atomic<send_t> udp_send{nullptr};

} // namespace

struct netsnmp_session_t::waiter_t {
    waiter_t() { netsnmp_large_fd_set_init(&fds, FD_SETSIZE); }
    ~waiter_t() { netsnmp_large_fd_set_cleanup(&fds); }
    waiter_t(const waiter_t&) = delete;
    waiter_t& operator=(const waiter_t&) = delete;

    void reset() {
        request_id = 0;
        done = false;
        result = exchange_result::timed_out;
        response = nullptr;
        sequences_sent.clear();
        sequences_received.clear();
    }

    int request_id = 0;
    bool done = false;
    exchange_result result = exchange_result::timed_out;
    snmp_pdu* response = nullptr;
    // Bindings whose value is a SEQUENCE: of the request, sent as OCTET
    // STRING by Net-SNMP, and of the datagram received last.
    std::vector<std::size_t> sequences_sent;
    std::vector<std::size_t> sequences_received;
    // Kept from exchange to exchange: setting it up is a good part of one.
    netsnmp_large_fd_set fds;
};

thread_local netsnmp_session_t::waiter_t* netsnmp_session_t::current_exchange_ = nullptr;

int netsnmp_session_t::receive(netsnmp_transport* transport, void* buffer, int size, void** opaque,
                               int* opaque_length) {
    const int received = udp_receive.load()(transport, buffer, size, opaque, opaque_length);
    waiter_t* waiter = current_exchange_;
    if (!waiter || received <= 0)
        return received;
    waiter->sequences_received.clear();
    for_each_value_tag(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(received),
                       [waiter](std::size_t index, std::uint8_t& tag) {
                           if (tag != tag_sequence)
                               return;
                           tag = tag_octets;
                           waiter->sequences_received.push_back(index);
                       });
    return received;
}

int netsnmp_session_t::send(netsnmp_transport* transport, const void* buffer, int size,
                            void** opaque, int* opaque_length) {
    waiter_t* waiter = current_exchange_;
    if (!waiter || waiter->sequences_sent.empty() || size <= 0)
        return udp_send.load()(transport, buffer, size, opaque, opaque_length);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::vector<std::uint8_t> packet(bytes, bytes + size);
    for_each_value_tag(packet.data(), packet.size(),
                       [waiter](std::size_t index, std::uint8_t& tag) {
                           if (tag == tag_octets && listed(waiter->sequences_sent, index))
                               tag = tag_sequence;
                       });
    return udp_send.load()(transport, packet.data(), size, opaque, opaque_length);
}

std::unique_ptr<netsnmp_session_t> netsnmp_session_t::open(const GenAddress& agent,
                                                           std::string_view community, int* error) {
    if (!agent.valid()) {
        if (error)
            *error = EINVAL;
        return nullptr;
    }
    std::unique_ptr<netsnmp_session_t> self(new netsnmp_session_t);
    self->agent_ = agent;
    self->waiter_ = std::make_unique<waiter_t>();

    std::string peer = "udp:" + agent.ip().get_printable() + ":" + std::to_string(agent.port());
    std::string community_text(community);
    std::lock_guard lock(library_lock());
    init_locked();
    netsnmp_session settings;
    snmp_sess_init(&settings);
    settings.version = SNMP_VERSION_1;
    settings.peername = peer.data();
    settings.community = reinterpret_cast<u_char*>(community_text.data());
    settings.community_len = community_text.size();
    settings.retries = 0;
    settings.timeout = 0;
    settings.callback = &netsnmp_session_t::on_event;
    settings.callback_magic = self->waiter_.get();
    self->handle_ = snmp_sess_open(&settings);
    if (!self->handle_) {
        if (error)
            *error = settings.s_errno != 0 ? settings.s_errno : EIO;
        return nullptr;
    }
    netsnmp_transport* transport = snmp_sess_transport(self->handle_);
    if (transport && transport->f_recv != &netsnmp_session_t::receive) {
        udp_receive = transport->f_recv;
        udp_send = transport->f_send;
        transport->f_recv = &netsnmp_session_t::receive;
        transport->f_send = &netsnmp_session_t::send;
    }
    return self;
}

netsnmp_session_t::~netsnmp_session_t() {
    if (!handle_)
        return;
    std::lock_guard lock(library_lock());
    snmp_sess_close(handle_);
    if (waiter_ && waiter_->response)
        snmp_free_pdu(waiter_->response);
}

void netsnmp_session_t::set_timing(long timeout_us, int retries) {
    netsnmp_session* session = snmp_sess_session(handle_);
    if (!session)
        return;
    session->timeout = timeout_us < 0 ? 0 : timeout_us;
    session->retries = retries < 0 ? 0 : retries;
}

int netsnmp_session_t::on_event(int operation, netsnmp_session*, int request_id, snmp_pdu* pdu,
                                void* magic) {
    auto* waiter = static_cast<waiter_t*>(magic);
    // Answers and time-outs of requests given up earlier are not ours.
    if (!waiter || waiter->done || request_id != waiter->request_id)
        return 1;
    switch (operation) {
    case NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE:
        waiter->response = snmp_clone_pdu(pdu);
        waiter->result =
            waiter->response ? exchange_result::answered : exchange_result::wait_failed;
        waiter->done = true;
        if (waiter->response) {
            std::size_t index = 0;
            for (netsnmp_variable_list* v = waiter->response->variables; v;
                 v = v->next_variable, ++index)
                if (v->type == tag_octets && listed(waiter->sequences_received, index))
                    v->type = tag_sequence;
        }
        break;
    case NETSNMP_CALLBACK_OP_TIMED_OUT:
        waiter->result = exchange_result::timed_out;
        waiter->done = true;
        break;
    case NETSNMP_CALLBACK_OP_SEND_FAILED:
        waiter->result = exchange_result::send_failed;
        waiter->done = true;
        break;
    default:
        break;
    }
    return 1;
}

exchange_result netsnmp_session_t::exchange(snmp_pdu* request, int abandon_fd,
                                            snmp_pdu** response) {
    *response = nullptr;
    waiter_t& waiter = *waiter_;
    waiter.reset();
    // The transport's functions, called below on this thread, find the
    // exchange here.
    struct current_t {
        explicit current_t(waiter_t* waiter) { current_exchange_ = waiter; }
        ~current_t() { current_exchange_ = nullptr; }
    } current(&waiter);
    std::size_t index = 0;
    for (netsnmp_variable_list* v = request->variables; v; v = v->next_variable, ++index) {
        if (v->type == tag_sequence) {
            v->type = tag_octets;
            waiter.sequences_sent.push_back(index);
        }
    }
    netsnmp_transport* transport = snmp_sess_transport(handle_);
    if (!transport || transport->sock < 0) {
        snmp_free_pdu(request);
        return exchange_result::send_failed;
    }
    const int sock = transport->sock;
    const int id = snmp_sess_async_send(handle_, request, nullptr, nullptr);
    if (id == 0) {
        snmp_free_pdu(request);
        return exchange_result::send_failed;
    }
    waiter.request_id = id;

    netsnmp_large_fd_set& fds = waiter.fds;
    if (static_cast<unsigned>(sock) >= fds.lfs_setsize)
        netsnmp_large_fd_set_resize(&fds, sock + 1);
    exchange_result result = exchange_result::timed_out;
    for (;;) {
        if (waiter.done) {
            result = waiter.result;
            break;
        }
        int count = 0;
        int block = 1;
        timeval tv{};
        NETSNMP_LARGE_FD_ZERO(&fds);
        snmp_sess_select_info2(handle_, &count, &fds, &tv, &block);
        // Nothing left to wait for, yet no answer: the request is gone.
        if (block) {
            result = exchange_result::timed_out;
            break;
        }
        pollfd polled[2] = {{sock, POLLIN, 0}, {abandon_fd, POLLIN, 0}};
        const int ready = ::poll(polled, abandon_fd >= 0 ? 2 : 1, wait_ms(tv));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            result = exchange_result::wait_failed;
            break;
        }
        if (abandon_fd >= 0 && polled[1].revents != 0) {
            result = exchange_result::abandoned;
            break;
        }
        if (polled[0].revents != 0) {
            NETSNMP_LARGE_FD_ZERO(&fds);
            NETSNMP_LARGE_FD_SET(sock, &fds);
            snmp_sess_read2(handle_, &fds);
        }
        // Resends or ends what is due; nothing before its time.
        if (!waiter.done)
            snmp_sess_timeout(handle_);
    }
    if (result == exchange_result::answered) {
        *response = waiter.response;
        waiter.response = nullptr;
    } else if (waiter.response) {
        snmp_free_pdu(waiter.response);
        waiter.response = nullptr;
    }
    // A late callback finds nothing to do.
    waiter.done = true;
    return result;
}

} // namespace platform::snmppp
