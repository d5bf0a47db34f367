#pragma once
// The TFTP server of a simulated network audio module.
//
// It serves the bank files of one family from a state folder: a read sends
// the whole bank, a write request erases the bank (0xFF) and every DATA
// block is written through at once, so a read-back sees it. It answers
// other names with ERROR 1 "File not found" and appends every event to a
// request log. Faults armed through the control channel apply to the next
// transfer (see fault_t).
#include <netinet/in.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "families.h"

namespace namsim {

// One injected fault. N counts within a transfer, from 1: the server's
// outgoing packets (retransmissions included), its incoming packets (not
// the request), or the DATA blocks of a write.
struct fault_t {
    enum class kind_t {
        drop_out,  // "drop-out N": the N-th outgoing packet is not sent
        drop_in,   // "drop-in N": the N-th incoming packet is ignored
        dup,       // "dup N": the N-th outgoing packet is sent twice
        stray,     // "stray N [ADDRESS]": before the N-th outgoing packet, a
                   // copy with inverted data from another port (of ADDRESS,
                   // default the server's address)
        short_packet, // "short N": before the N-th outgoing packet, 3 bytes
        error,     // "error N CODE TEXT": ERROR instead of the N-th outgoing
                   // packet, and the transfer ends
        error_raw, // "error-raw N CODE TEXT": the same without the terminator
        silent,    // "silent [N]": from the N-th outgoing packet on (default
                   // 1) nothing is sent; lasts until "clear"
        corrupt,   // "corrupt N": the N-th DATA block of a write is stored
                   // with its first byte inverted
    };
    kind_t kind = kind_t::drop_out;
    int n = 1;
    std::string address;
    std::uint16_t code = 0;
    std::string text;
};

// Parses a fault as written above; false with `error` set when it is not one.
bool parse_fault(const std::string& spec, fault_t& fault, std::string& error);

struct options_t {
    const family_t* family = nullptr;
    std::vector<bank_t> extra_banks;
    std::string address = "127.0.0.1";
    std::uint16_t port = 69;
    std::string state_dir;
    std::string log_path; // default: <state>/requests.log
    std::string mac;      // 12 hexadecimal digits, or empty
    int timeout_ms = 1000;
    int retries = 5;
    std::vector<fault_t> faults;
};

class server_t {
public:
    explicit server_t(options_t options);
    ~server_t();
    server_t(const server_t&) = delete;
    server_t& operator=(const server_t&) = delete;

    // Prepares the state folder and binds; throws std::runtime_error.
    void open();
    std::uint16_t port() const { return port_; }
    const std::string& address() const { return options_.address; }

    // Serves until the control input ends or says "quit". Control lines:
    // "fault SPEC", "clear", "mac HEX", "sync" (every datagram already
    // received is handled first), "quit"; each is answered on `reply_fd`
    // with "ok" or "error TEXT".
    void run(int control_fd, int reply_fd);

private:
    struct session_t;
    struct stray_t;

    void log(const std::string& line);
    void set_mac(const std::string& hex);
    const bank_t* find_bank(const std::string& name) const;
    std::string bank_path(const bank_t& bank) const;

    void on_request();
    void on_session_packet(session_t& s);
    void on_stray_packet(stray_t& s);
    void on_timer(session_t& s);
    void send(session_t& s, std::vector<std::uint8_t> packet);
    void send_data(session_t& s);
    void send_ack(session_t& s);
    void finish(session_t& s, const std::string& how);
    void send_stray(session_t& s, const std::vector<std::uint8_t>& packet, const std::string& from);
    void drain();
    std::string command(const std::string& line);

    options_t options_;
    std::vector<bank_t> banks_;
    int listen_fd_ = -1;
    int log_fd_ = -1;
    std::uint16_t port_ = 0;
    in_addr_t bind_address_ = 0;
    std::vector<fault_t> armed_;
    std::optional<int> silent_from_;
    std::vector<std::unique_ptr<session_t>> sessions_;
    std::vector<std::unique_ptr<stray_t>> strays_;
};

} // namespace namsim
