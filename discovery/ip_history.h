#pragma once
// Which MAC had which IP on one card: the card session's memory of the
// audio network, kept in VGHistory.ini under the card's title.
//
// What the card session hands over: the pool, each address a device
// announces, and load at open / save at close. A history that was never
// loaded (the card did not open) is never saved, so a failed open cannot
// wipe the card's section.
//
// Every card session of the process shares the one file: its reads and
// writes go under one process-wide lock, so no session's save is lost to
// another's.
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "qo/ip_address.h"
#include "qo/mac_address.h"

namespace qo::vg {

// VGHistory.ini in the server's state folder: $MELLICK_HOME, else
// ~/.local/state/mellick.
std::filesystem::path history_file_path();

// How the ARP thread paces itself, from [Timeouts] and [Retries] of
// VGHistory.ini.
// What the server keeps of devices it hears, from [Limits] of the same
// file: spoofed announcements must not grow memory or the file without end.
struct table_limits_t {
    int devices = 4096;          // Devices: records in a card's device table
    int device_age_s = 3600;     // DeviceAgeSeconds: a record unheard this long goes
    int history = 4096;          // History: addresses kept per card
};

struct arp_settings_t {
    int sleep_ms = 100;   // ARPSleepMS: pause between two steps, at least 1
    int arp_retries = 5;  // ARP: requests after the first, per probe
    int rarp_retries = 5; // RARP: replies after the first
};

class ip_history_t {
public:
    static constexpr int state_live = 1;     // announced, or answered ARP
    static constexpr int state_file = 2;     // read from the file
    static constexpr int state_excluded = 3; // never suggested

    explicit ip_history_t(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // The pool; the next candidate goes back to its start.
    void set_pool(const qo::ip_address_t& start, const qo::ip_address_t& end);
    // A device was seen with this address. A zero MAC or IP 0.0.0.0 is
    // ignored; the MAC's old address and the address's old MAC are let go.
    void record(const qo::mac_address_t& mac, const qo::ip_address_t& ip);
    // Never to be suggested, for as long as this history lives: a record
    // does not lift it.
    void exclude(const qo::ip_address_t& ip);

    // The address to give a device: the one it had, while that lies in the
    // pool and is not excluded; else the first pool address never seen,
    // walking from the next candidate and round; else the first one only
    // read from the file. The next candidate then follows the winner. 0.0.0.0
    // when nothing is left (or the pool is empty).
    qo::ip_address_t suggest(const qo::mac_address_t& mac);

    // Reads the card's section (the whole of it, however long; lines that
    // are not a 12-digit MAC and a dotted quad are skipped) and excludes the
    // card's own address.
    void load(const std::string& title, const qo::ip_address_t& card_ip);
    // Rewrites the card's section from memory. False, writing nothing, for
    // a history that was never loaded; false when the file cannot be
    // written.
    bool save(const std::string& title);
    bool loaded() const;
    // The ARP thread's settings from the same file; defaults for what is
    // missing, negative retries as 0.
    arp_settings_t read_settings() const;
    // The limits from the same file; defaults for what is missing, at least
    // 1 each.
    table_limits_t read_limits() const;
    // At most `entries` bindings are kept; the least recently recorded go
    // first (logged once).
    void set_capacity(std::size_t entries);

    // The section of a card: its title with "[" and "]" as "(" and ")".
    static std::string section_name(std::string title);

    std::optional<qo::ip_address_t> ip_of(const qo::mac_address_t& mac) const;
    std::optional<qo::mac_address_t> mac_of(const qo::ip_address_t& ip) const;
    // 0 for an address never seen.
    int state_of(const qo::ip_address_t& ip) const;
    std::vector<std::pair<qo::mac_address_t, qo::ip_address_t>> entries() const;
    qo::ip_address_t pool_start() const;
    qo::ip_address_t pool_end() const;
    qo::ip_address_t next_candidate() const;

private:
    void bind_locked(const qo::mac_address_t& mac, const qo::ip_address_t& ip, int state);
    void forget_order_locked(const qo::mac_address_t& mac);
    void trim_locked();

    const std::filesystem::path file_;
    std::map<qo::mac_address_t, qo::ip_address_t> ip_by_mac_;
    std::map<qo::ip_address_t, qo::mac_address_t> mac_by_ip_;
    std::map<qo::ip_address_t, int> state_;
    // When each MAC was last recorded, both ways, for the capacity.
    std::map<qo::mac_address_t, std::uint64_t> order_by_mac_;
    std::map<std::uint64_t, qo::mac_address_t> mac_by_order_;
    std::uint64_t next_order_ = 0;
    std::size_t capacity_ = table_limits_t{}.history;
    bool trim_logged_ = false;
    qo::ip_address_t pool_start_;
    qo::ip_address_t pool_end_;
    qo::ip_address_t next_;
    bool loaded_ = false;
    mutable std::mutex mutex_;
};

} // namespace qo::vg
