#include "firmware/tftp.h"
#include "firmware/local_file.h"

#include "platform/sync/event.h"
#include "qo/console.h"
#include "qo/errorcode.h"
#include "qo/exception.h"
#include "qo/net/address.h"
#include "qo/net/exception.h"
#include "qo/net/socket_client.h"
#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string_view>
#include <thread>
#include <type_traits>

const char* const tftp::timeout_text =
    "Timeout during firmware file transfer.\r\nPlease check network connections and try again.";
const char* const tftp::unexpected_text = "Unexpected error during firmware file transfer.";

namespace {

constexpr std::uint16_t op_rrq = 1;
constexpr std::uint16_t op_wrq = 2;
constexpr std::uint16_t op_data = 3;
constexpr std::uint16_t op_ack = 4;
constexpr std::uint16_t op_error = 5;

constexpr std::uint16_t error_unknown_tid = 5;

constexpr std::size_t header_size = 4;
constexpr std::size_t block_size = 512;
constexpr std::size_t max_packet = header_size + block_size;

// Socket error code of a datagram longer than the receive buffer.
constexpr std::int32_t message_too_long = 10040;

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xff);
}

std::uint16_t get16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

void trace_line(std::string_view text) {
    if (tftp::instance().debug.load())
        qo::console << text << std::endl;
}

// One transfer: its socket, the peer it locked on to and the packet it
// resends after a time-out.
class transfer_t {
public:
    // `reading`: RRQ into `file`, at most `length` bytes; else WRQ of
    // `length` bytes from `file`'s current position.
    transfer_t(const qo::ip_address_t& unit, std::FILE* file, bool reading, std::uint32_t length)
        : settings_(tftp::instance()),
          server_(settings_.port.load(), unit.to_string()),
          file_(file),
          reading_(reading),
          remaining_(length),
          limit_(length) {}

    void run(const std::string& remote);

private:
    enum class state_t { go_on, done, failed };
    // What a received datagram asks of the loop.
    enum class verdict_t {
        ignore,   // not ours, or nothing new: keep waiting, no progress
        answer,   // resend the outgoing packet, still no progress
        progress, // the transfer moved on: see state_
    };

    void make_request(const std::string& remote);
    void send_outgoing();
    std::size_t receive(qo::net::address_t& from, std::uint64_t deadline);
    verdict_t on_datagram(const qo::net::address_t& from, std::size_t length);
    verdict_t on_packet(std::size_t length);
    void reject_stranger(const qo::net::address_t& from, std::size_t length);

    tftp::settings_t& settings_;
    qo::net::socket_client_t socket_{nullptr, -1, qo::net::socket_t::protocol_udp};
    // The unit's server port until the first reply, then the unit's
    // transfer port.
    qo::net::address_t server_;
    qo::net::address_t peer_;
    bool locked_ = false;
    std::FILE* file_;
    const bool reading_;
    std::uint32_t remaining_;
    const std::uint32_t limit_;
    std::int32_t wait_ms_ = 0;

    std::array<std::uint8_t, max_packet> out_{};
    std::size_t out_length_ = 0;
    std::array<std::uint8_t, max_packet> in_{};

    // Read: the block the next DATA must carry. Write: the block last sent
    // (0 for the request), which the next ACK must name.
    std::uint16_t block_ = 0;
    state_t state_ = state_t::go_on;
};

void transfer_t::make_request(const std::string& remote) {
    static constexpr std::string_view mode = "octet";
    if (remote.find('\0') != std::string::npos ||
        2 + remote.size() + 1 + mode.size() + 1 > out_.size())
        throw qo::exception_t("bad remote file name");
    std::uint8_t* at = out_.data();
    put16(at, reading_ ? op_rrq : op_wrq);
    at += 2;
    at = std::copy(remote.begin(), remote.end(), at);
    *at++ = 0;
    at = std::copy(mode.begin(), mode.end(), at);
    *at++ = 0;
    out_length_ = static_cast<std::size_t>(at - out_.data());
    block_ = reading_ ? 1 : 0;
}

void transfer_t::send_outgoing() {
    socket_.send_to(locked_ ? peer_ : server_, out_.data(), out_length_);
}

std::size_t transfer_t::receive(qo::net::address_t& from, std::uint64_t deadline) {
    // Datagrams that are ignored do not extend the wait for a real reply.
    auto left = [&] {
        const std::uint64_t now = platform::sync::tick_ms();
        return now < deadline ? static_cast<std::int32_t>(deadline - now) : 0;
    };
    // The reply is rarely there yet: waiting first spares the socket a read
    // that finds nothing, once per block. The socket's own wait still
    // decides the time-out.
    pollfd ready{socket_.handle(), POLLIN, 0};
    ::poll(&ready, 1, left());
    socket_.set_receive_timeout(left());
    return socket_.receive_from(from, in_.data(), in_.size());
}

// RFC 1350: a packet from a foreign transfer ID is answered with ERROR 5 and
// otherwise ignored; an ERROR packet is never answered.
void transfer_t::reject_stranger(const qo::net::address_t& from, std::size_t length) {
    if (length >= 2 && get16(in_.data()) == op_error)
        return;
    static constexpr std::string_view text = "Unknown transfer ID";
    std::array<std::uint8_t, header_size + text.size() + 1> packet{};
    put16(packet.data(), op_error);
    put16(packet.data() + 2, error_unknown_tid);
    std::copy(text.begin(), text.end(), packet.begin() + header_size);
    try {
        socket_.send_to(from, packet.data(), packet.size());
    } catch (const qo::exception_t&) {
        // A courtesy to the stranger; it must not disturb our transfer.
    }
}

transfer_t::verdict_t transfer_t::on_datagram(const qo::net::address_t& from,
                                              std::size_t length) {
    if (locked_) {
        if (from.address() != peer_.address() || from.port() != peer_.port()) {
            reject_stranger(from, length);
            return verdict_t::ignore;
        }
    } else if (from.address() != server_.address()) {
        // Only the unit itself may open the transfer.
        reject_stranger(from, length);
        return verdict_t::ignore;
    }
    if (length < header_size)
        return verdict_t::ignore;
    if (!locked_) {
        // The transfer port is the one that answers our request: a late
        // packet of an earlier transfer with the unit may reach this socket
        // first.
        const std::uint16_t opcode = get16(in_.data());
        const std::uint16_t block = get16(in_.data() + 2);
        const bool answer = opcode == op_error || (reading_ && opcode == op_data && block == 1) ||
                            (!reading_ && opcode == op_ack && block == 0);
        if (!answer)
            return verdict_t::ignore;
        peer_ = from;
        locked_ = true;
    }
    return on_packet(length);
}

transfer_t::verdict_t transfer_t::on_packet(std::size_t length) {
    const std::uint16_t opcode = get16(in_.data());
    const std::uint16_t block = get16(in_.data() + 2);
    const std::size_t n = length - header_size;

    if (opcode == op_error) {
        // The text ends at its terminator or at the end of the datagram,
        // whichever comes first.
        const char* text = reinterpret_cast<const char*>(in_.data() + header_size);
        const std::string message(text, strnlen(text, n));
        trace_line(message);
        throw qo::exception_t(message);
    }

    if (reading_ && opcode == op_data) {
        if (block != block_) {
            // Our ACK of the previous block was lost and the unit sent that
            // block again: acknowledge it again, but keep it out of the file.
            const bool previous = out_length_ == header_size &&
                                  block == static_cast<std::uint16_t>(block_ - 1);
            return previous ? verdict_t::answer : verdict_t::ignore;
        }
        put16(out_.data(), op_ack);
        put16(out_.data() + 2, block);
        out_length_ = header_size;
        if (n > remaining_)
            throw qo::exception_t("tftp::get : the remote file is larger than the " +
                                  std::to_string(limit_) + " bytes expected");
        remaining_ -= static_cast<std::uint32_t>(n);
        ++block_;
        if (n > 0 && std::fwrite(in_.data() + header_size, 1, n, file_) != n)
            state_ = state_t::failed;
        else
            state_ = n < block_size ? state_t::done : state_t::go_on;
        return verdict_t::progress;
    }

    if (!reading_ && opcode == op_ack) {
        // Only the acknowledgement of the block in flight moves on; an
        // older one is a late duplicate, and answering it would send every
        // later block twice.
        if (block != block_)
            return verdict_t::ignore;
        if (remaining_ == 0) {
            state_ = state_t::done;
            return verdict_t::progress;
        }
        const std::size_t want = std::min<std::size_t>(block_size, remaining_);
        const std::size_t got = std::fread(out_.data() + header_size, 1, want, file_);
        if (got < want) {
            if (std::ferror(file_)) {
                state_ = state_t::failed;
                return verdict_t::progress;
            }
            // The file ended early: this short block ends the transfer.
            remaining_ = 0;
        } else {
            remaining_ -= static_cast<std::uint32_t>(got);
        }
        ++block_;
        put16(out_.data(), op_data);
        put16(out_.data() + 2, block_);
        out_length_ = header_size + got;
        state_ = state_t::go_on;
        return verdict_t::progress;
    }

    state_ = state_t::failed;
    return verdict_t::progress;
}

void transfer_t::run(const std::string& remote) {
    make_request(remote);
    // The settings are stored as the client gave them; a negative time-out
    // would be an endless wait, so it counts as 0 (each wait ends at once).
    wait_ms_ = std::max<std::int32_t>(
        0, reading_ ? settings_.timeout.load() : settings_.write_timeout.load());
    socket_.bind(qo::net::address_t(0));
    socket_.set_send_timeout(wait_ms_);
    socket_.set_receive_timeout(wait_ms_);

    std::int32_t retries_left = settings_.retries.load();
    std::int64_t delay = 0;
    bool send_now = true;
    std::uint64_t deadline = 0;
    while (state_ == state_t::go_on) {
        try {
            if (send_now) {
                send_now = false;
                send_outgoing();
                deadline = platform::sync::tick_ms() + static_cast<std::uint64_t>(wait_ms_);
            }
            qo::net::address_t from;
            std::size_t length = 0;
            try {
                length = receive(from, deadline);
            } catch (const qo::net::exception_t& e) {
                if (e.code() != message_too_long)
                    throw;
                continue;
            }
            switch (on_datagram(from, length)) {
            case verdict_t::ignore:
                break;
            case verdict_t::answer:
                send_outgoing();
                break;
            case verdict_t::progress:
                retries_left = settings_.retries.load();
                send_now = state_ == state_t::go_on;
                break;
            }
        } catch (const qo::errorcode_t& e) {
            trace_line(e.what());
            if (e.code() != qo::errorcode::qonet_sock_timeout)
                throw;
            if (retries_left <= 0)
                throw qo::exception_t(tftp::timeout_text);
            // A negative hold-off counts as 0: added up it would wrap the
            // delay into a sleep of weeks.
            delay += std::max<std::int32_t>(0, settings_.holdoff.load());
            if (delay > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            --retries_left;
            send_now = true;
        }
    }
    if (state_ != state_t::done)
        throw qo::exception_t(tftp::unexpected_text);
    if (reading_) {
        // The unit waits for the acknowledgement of its last block.
        try {
            send_outgoing();
        } catch (const qo::errorcode_t& e) {
            trace_line(e.what());
        }
    }
    socket_.close();
}

template <typename Body> int run_call(Body body) {
    try {
        body();
        return tftp::result_done;
    } catch (const qo::exception_t& e) {
        return std::strcmp(e.what(), tftp::timeout_text) == 0 ? tftp::result_timeout
                                                              : tftp::result_error;
    }
}

} // namespace

tftp::settings_t& tftp::instance() {
    // Nothing to destroy, so job threads may read it up to the very end.
    static settings_t settings;
    static_assert(std::is_trivially_destructible_v<settings_t>);
    return settings;
}

void tftp::set_debug(bool on) {
    if (on)
        qo::console.show(true);
    instance().debug = on;
}

int tftp::get(const qo::ip_address_t& unit, const std::string& remote, const std::string& local,
               std::uint32_t limit) {
    return run_call([&] {
        trace_line("tftp::get : " + remote + "->" + local);
        update::file_ptr file = update::open_local_file(local, "wb");
        transfer_t(unit, file.get(), true, limit).run(remote);
        // Data the C library still holds is only safe once the close
        // succeeded.
        if (std::fclose(file.release()) != 0)
            throw qo::wapi::exception_t("error writing file");
    });
}

int tftp::put_ex(const qo::ip_address_t& unit, const std::string& local, const std::string& remote,
                 std::uint32_t offset, std::uint32_t length) {
    return run_call([&] {
        trace_line("tftp::put_ex : " + local + "->" + remote + " : " + std::to_string(offset) +
                   " : " + std::to_string(length));
        update::file_ptr file = update::open_local_file(local, "rb");
        struct stat info {};
        if (::fstat(fileno(file.get()), &info) != 0 ||
            std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0)
            throw qo::wapi::exception_t("error opening file");
        // The range stops where the file does.
        const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
        const std::uint64_t available = size > offset ? size - offset : 0;
        const auto offered = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, available));
        transfer_t(unit, file.get(), false, offered).run(remote);
    });
}
