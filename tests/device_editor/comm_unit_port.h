#pragma once
// The run state's unit port over device communication's real parts: one-shot
// text commands and SNMP through the poller component (libkestrin2.so), an
// online-device list (filled by the test or kept by the capture watch) and
// the event log. What the main frame knows of itself (its card's address,
// the configured range, whether the sheet runs) the test tells the port.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "comm/automation_wrappers.h"
#include "comm/event_log.h"
#include "comm/online_devices.h"
#include "comm/snmp_mailbox.h"
#include "comm/text_command.h"
#include "device_editor/run_state.h"
#include "platform/text/ipv4.h"

namespace run_state_test {

class CCommPort final : public device_editor::IUnitPort {
public:
    // The SNMP target of a unit's address: a unit on loopback listens on a
    // port of its own ("address/port"); on port 161 the address is enough.
    using TargetOf = std::function<std::string(const std::string& ip)>;
    // The main frame's card and its configured range, both ends included.
    struct Network {
        std::string adapter;
        std::string rangeLow;
        std::string rangeHigh;
    };

    // `logFolder` empty: the program folder's event log.
    CCommPort(const comm::Icom_manager& poller, comm::COnlineDeviceList& online, Network network,
              TargetOf target = {}, std::filesystem::path logFolder = {})
        : m_poller(poller), m_online(online), m_network(std::move(network)),
          m_target(std::move(target)), m_log(std::move(logFolder)) {}

    bool SendTextCommand(const std::string& ip, const std::string& text,
                         std::string& reply) override {
        return comm::SendTextCommand(m_poller, Target(ip), text, true, &reply) == 1;
    }
    int SnmpGet(const std::string& ip, const std::string& oid, std::string& value) override {
        return comm::SnmpGetValue(m_poller, Target(ip), oid, value) ? 1 : -1;
    }
    int SnmpSet(const std::string& ip, const std::string& oid, const std::string& value) override {
        return comm::SnmpSetValue(m_poller, Target(ip), oid, value) ? 0 : -1;
    }
    bool GetOnlineDeviceIp(const std::string& mac, std::string& ip) override {
        ip = m_online.GetNetDeviceIP(mac);
        return !ip.empty() && ip != comm::kNoIp;
    }
    std::string GetAdapterIp() override { return m_network.adapter; }
    int IsNetDeviceOnline(const std::string& mac) override {
        return m_online.IsNetDeviceOnline(mac);
    }
    std::string GetNetDeviceIP(const std::string& mac) override {
        return m_online.GetNetDeviceIP(mac);
    }
    bool InConfiguredRange(const std::string& ip) override {
        const auto value = platform::text::parse_ipv4(ip);
        const auto low = platform::text::parse_ipv4(m_network.rangeLow);
        const auto high = platform::text::parse_ipv4(m_network.rangeHigh);
        return value && low && high && *value >= *low && *value <= *high;
    }
    bool SheetRunning() override { return running; }
    void AddOutputLine(const std::string& line) override {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
    }
    void WriteLog(const std::string& text) override { m_log.Write(text); }
    void PostToStatusDialogs(std::int32_t, std::int32_t, int) override {}

    std::vector<std::string> Lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

    // The main frame's flag, as its window sets it before each notification.
    std::atomic<bool> running{false};

private:
    std::string Target(const std::string& ip) const { return m_target ? m_target(ip) : ip; }

    const comm::Icom_manager& m_poller;
    comm::COnlineDeviceList& m_online;
    const Network m_network;
    const TargetOf m_target;
    comm::CEventLog m_log;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

// What a simulated unit's journal shows of the run state's traffic: the text
// commands with their replies and the amplifier's gain sets and volume
// reads, without the mailbox's handshake writes and the poller's reads of a
// gain's type before it sets it.
inline std::vector<std::string> RunStateTraffic(const std::vector<std::string>& journal) {
    std::vector<std::string> lines;
    for (const std::string& line : journal)
        if (line.rfind("command ", 0) == 0 || line.rfind("set LeftGain", 0) == 0 ||
            line.rfind("set RightGain", 0) == 0 || line.rfind("get LeftVolume", 0) == 0 ||
            line.rfind("get RightVolume", 0) == 0)
            lines.push_back(line);
    return lines;
}

} // namespace run_state_test
