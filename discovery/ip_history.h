#pragma once
// Which MAC had which IP on one card: the card session's memory of the
// audio network, kept in VGHistory.ini under the card's title.
//
// What the card session hands over: the pool, each address a device
// announces, and load at open / save at close. A history that was never
// loaded (the card did not open) is never saved, so a failed open cannot
// wipe the card's section.
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
    void exclude(const qo::ip_address_t& ip);

    // Reads the card's section (the whole of it, however long) and excludes
    // the card's own address.
    void load(const std::string& title, const qo::ip_address_t& card_ip);
    // Rewrites the card's section from memory. False, writing nothing, for
    // a history that was never loaded; false when the file cannot be
    // written.
    bool save(const std::string& title);
    bool loaded() const;

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

    const std::filesystem::path file_;
    std::map<qo::mac_address_t, qo::ip_address_t> ip_by_mac_;
    std::map<qo::ip_address_t, qo::mac_address_t> mac_by_ip_;
    std::map<qo::ip_address_t, int> state_;
    qo::ip_address_t pool_start_;
    qo::ip_address_t pool_end_;
    qo::ip_address_t next_;
    bool loaded_ = false;
    mutable std::mutex mutex_;
};

} // namespace qo::vg
