#include "discovery/ip_history.h"

#include "discovery/log.h"
#include "platform/profile/profile.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace qo::vg {

namespace {

// Around every read and write of a history file, whichever session does it.
std::mutex& file_mutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

std::filesystem::path history_file_path() {
    if (const char* home = std::getenv("MELLICK_HOME"); home && *home)
        return std::filesystem::path(home) / "VGHistory.ini";
    const char* user_home = std::getenv("HOME");
    const std::filesystem::path base = user_home && *user_home ? user_home : ".";
    return base / ".local" / "state" / "mellick" / "VGHistory.ini";
}

ip_history_t::ip_history_t(std::filesystem::path file) : file_(std::move(file)) {}

std::string ip_history_t::section_name(std::string title) {
    for (char& c : title) {
        if (c == '[')
            c = '(';
        else if (c == ']')
            c = ')';
    }
    return title;
}

void ip_history_t::set_pool(const qo::ip_address_t& start, const qo::ip_address_t& end) {
    std::lock_guard lock(mutex_);
    pool_start_ = start;
    pool_end_ = end;
    next_ = start;
}

void ip_history_t::bind_locked(const qo::mac_address_t& mac, const qo::ip_address_t& ip,
                               int state) {
    // An excluded address stays excluded whoever comes and goes with it:
    // else a device seen with the card's own address, once it moved on,
    // would leave that address free to suggest.
    const auto unless_excluded = [&](const qo::ip_address_t& address) {
        if (const auto it = state_.find(address);
            it != state_.end() && it->second != state_excluded)
            state_.erase(it);
    };
    // A device announces the address it has again and again: the binding
    // stands, only its state and its place in the order are refreshed.
    const auto ip_of_mac = ip_by_mac_.find(mac);
    const auto mac_of_ip = mac_by_ip_.find(ip);
    const bool bound = ip_of_mac != ip_by_mac_.end() && ip_of_mac->second == ip &&
                       mac_of_ip != mac_by_ip_.end() && mac_of_ip->second == mac;
    if (!bound) {
        if (ip_of_mac != ip_by_mac_.end() && ip_of_mac->second != ip) {
            mac_by_ip_.erase(ip_of_mac->second);
            unless_excluded(ip_of_mac->second);
        }
        if (const auto old = mac_by_ip_.find(ip); old != mac_by_ip_.end() && old->second != mac) {
            forget_order_locked(old->second);
            ip_by_mac_.erase(old->second);
        }
        ip_by_mac_[mac] = ip;
        mac_by_ip_[ip] = mac;
    }
    if (int& current = state_[ip]; current != state_excluded)
        current = state;
    const auto [at, added] = order_by_mac_.try_emplace(mac, next_order_);
    if (added) {
        mac_by_order_.emplace_hint(mac_by_order_.end(), next_order_++, mac);
    } else {
        // Moved to the end: no allocation a frame.
        auto node = mac_by_order_.extract(at->second);
        at->second = next_order_;
        node.key() = next_order_++;
        mac_by_order_.insert(mac_by_order_.end(), std::move(node));
    }
    trim_locked();
}

void ip_history_t::forget_order_locked(const qo::mac_address_t& mac) {
    if (const auto it = order_by_mac_.find(mac); it != order_by_mac_.end()) {
        mac_by_order_.erase(it->second);
        order_by_mac_.erase(it);
    }
}

void ip_history_t::trim_locked() {
    while (ip_by_mac_.size() > capacity_ && !mac_by_order_.empty()) {
        const qo::mac_address_t oldest = mac_by_order_.begin()->second;
        forget_order_locked(oldest);
        if (const auto it = ip_by_mac_.find(oldest); it != ip_by_mac_.end()) {
            mac_by_ip_.erase(it->second);
            if (const auto s = state_.find(it->second);
                s != state_.end() && s->second != state_excluded)
                state_.erase(s);
            ip_by_mac_.erase(it);
        }
        if (!trim_logged_) {
            trim_logged_ = true;
            log_line("IP history full (" + std::to_string(capacity_) +
                     " entries): the least recently seen devices are forgotten");
        }
    }
}

void ip_history_t::set_capacity(std::size_t entries) {
    std::lock_guard lock(mutex_);
    capacity_ = std::max<std::size_t>(entries, 1);
    trim_locked();
}

void ip_history_t::record(const qo::mac_address_t& mac, const qo::ip_address_t& ip) {
    if (mac.is_zero() || ip.value() == 0)
        return;
    std::lock_guard lock(mutex_);
    bind_locked(mac, ip, state_live);
}

void ip_history_t::exclude(const qo::ip_address_t& ip) {
    std::lock_guard lock(mutex_);
    state_[ip] = state_excluded;
}

void ip_history_t::load(const std::string& title, const qo::ip_address_t& card_ip) {
    log_line("VGHistory.ini file is located in: [" + file_.string() + "]");
    std::vector<std::string> lines;
    {
        std::lock_guard file(file_mutex());
        // The whole section: a fixed buffer would cut the last line short.
        lines = platform::profile::ini_file_t(file_).read_section(section_name(title));
    }
    std::lock_guard lock(mutex_);
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        // Strictly: a cut or edited line ("192.168.1") would otherwise read
        // as another device's address.
        qo::mac_address_t mac;
        qo::ip_address_t ip;
        if (!mac.try_parse(std::string_view(line).substr(0, equals)) ||
            !ip.try_parse(std::string_view(line).substr(equals + 1)))
            continue;
        if (mac.is_zero() || ip.value() == 0)
            continue;
        bind_locked(mac, ip, state_file);
    }
    state_[card_ip] = state_excluded;
    loaded_ = true;
}

bool ip_history_t::save(const std::string& title) {
    std::vector<std::string> lines;
    {
        std::lock_guard lock(mutex_);
        if (!loaded_)
            return false;
        for (const auto& [mac, ip] : ip_by_mac_)
            if (!mac.is_zero() && ip.value() != 0)
                lines.push_back(mac.to_string() + "=" + ip.to_string());
    }
    std::lock_guard file(file_mutex());
    std::error_code error;
    if (file_.has_parent_path())
        std::filesystem::create_directories(file_.parent_path(), error);
    platform::profile::ini_file_t ini(file_);
    const std::string section = section_name(title);
    // One rewrite of the file for the whole section, however many devices.
    if (lines.empty())
        return ini.write_string(section, std::nullopt, std::nullopt);
    return ini.write_section(section, lines);
}

qo::ip_address_t ip_history_t::suggest(const qo::mac_address_t& mac) {
    std::lock_guard lock(mutex_);
    const std::uint32_t start = pool_start_.value();
    const std::uint32_t end = pool_end_.value();
    if (end < start)
        return {};
    const auto state = [&](std::uint32_t ip) {
        const auto it = state_.find(qo::ip_address_t(ip));
        return it == state_.end() ? 0 : it->second;
    };
    if (const auto it = ip_by_mac_.find(mac); it != ip_by_mac_.end()) {
        const std::uint32_t own = it->second.value();
        if (own >= start && own <= end && state(own) != state_excluded)
            return it->second;
    }
    // 64 bits: a pool of every address has 2^32 of them. The second walk
    // runs only when every pool address has a state, so neither walk is
    // longer than the history.
    const std::uint64_t count = std::uint64_t{end} - start + 1;
    const std::uint64_t offset = static_cast<std::uint32_t>(next_.value() - start) % count;
    const auto walk = [&](int wanted) -> std::optional<std::uint32_t> {
        for (std::uint64_t i = 0; i < count; ++i) {
            const auto candidate = static_cast<std::uint32_t>(start + (i + offset) % count);
            if (state(candidate) == wanted)
                return candidate;
        }
        return std::nullopt;
    };
    std::optional<std::uint32_t> winner = walk(0);
    if (!winner)
        winner = walk(state_file);
    if (!winner)
        return {};
    next_.set_value(*winner + 1);
    return qo::ip_address_t(*winner);
}

arp_settings_t ip_history_t::read_settings() const {
    std::lock_guard file(file_mutex());
    const platform::profile::ini_file_t ini(file_);
    arp_settings_t settings;
    settings.sleep_ms = std::max(1, ini.read_int("Timeouts", "ARPSleepMS", settings.sleep_ms));
    settings.arp_retries = std::max(0, ini.read_int("Retries", "ARP", settings.arp_retries));
    settings.rarp_retries = std::max(0, ini.read_int("Retries", "RARP", settings.rarp_retries));
    return settings;
}

table_limits_t ip_history_t::read_limits() const {
    std::lock_guard file(file_mutex());
    const platform::profile::ini_file_t ini(file_);
    table_limits_t limits;
    limits.devices = std::max(1, ini.read_int("Limits", "Devices", limits.devices));
    limits.device_age_s = std::max(1, ini.read_int("Limits", "DeviceAgeSeconds", limits.device_age_s));
    limits.history = std::max(1, ini.read_int("Limits", "History", limits.history));
    return limits;
}

bool ip_history_t::loaded() const {
    std::lock_guard lock(mutex_);
    return loaded_;
}

std::optional<qo::ip_address_t> ip_history_t::ip_of(const qo::mac_address_t& mac) const {
    std::lock_guard lock(mutex_);
    const auto it = ip_by_mac_.find(mac);
    if (it == ip_by_mac_.end())
        return std::nullopt;
    return it->second;
}

std::optional<qo::mac_address_t> ip_history_t::mac_of(const qo::ip_address_t& ip) const {
    std::lock_guard lock(mutex_);
    const auto it = mac_by_ip_.find(ip);
    if (it == mac_by_ip_.end())
        return std::nullopt;
    return it->second;
}

int ip_history_t::state_of(const qo::ip_address_t& ip) const {
    std::lock_guard lock(mutex_);
    const auto it = state_.find(ip);
    return it == state_.end() ? 0 : it->second;
}

std::vector<std::pair<qo::mac_address_t, qo::ip_address_t>> ip_history_t::entries() const {
    std::lock_guard lock(mutex_);
    return {ip_by_mac_.begin(), ip_by_mac_.end()};
}

qo::ip_address_t ip_history_t::pool_start() const {
    std::lock_guard lock(mutex_);
    return pool_start_;
}

qo::ip_address_t ip_history_t::pool_end() const {
    std::lock_guard lock(mutex_);
    return pool_end_;
}

qo::ip_address_t ip_history_t::next_candidate() const {
    std::lock_guard lock(mutex_);
    return next_;
}

} // namespace qo::vg
