#include "discovery/ip_history.h"

#include "discovery/log.h"
#include "platform/profile/profile.h"

#include <cstdlib>
#include <system_error>

namespace qo::vg {

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
    if (const auto old = ip_by_mac_.find(mac); old != ip_by_mac_.end() && old->second != ip) {
        mac_by_ip_.erase(old->second);
        state_.erase(old->second);
    }
    if (const auto old = mac_by_ip_.find(ip); old != mac_by_ip_.end() && old->second != mac)
        ip_by_mac_.erase(old->second);
    ip_by_mac_[mac] = ip;
    mac_by_ip_[ip] = mac;
    state_[ip] = state;
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
    const platform::profile::ini_file_t ini(file_);
    // The whole section: a fixed buffer would cut the last line short and
    // read a wrong address from it.
    const std::vector<std::string> lines = ini.read_section(section_name(title));
    std::lock_guard lock(mutex_);
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        qo::mac_address_t mac;
        mac.parse(std::string_view(line).substr(0, equals));
        qo::ip_address_t ip;
        ip.parse(std::string_view(line).substr(equals + 1));
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
