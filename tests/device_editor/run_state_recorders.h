#pragma once
// Recording stand-ins for what the run state of a device sheet talks to: the
// unit port (scripted replies, an online list, every request recorded), the
// views around the sheet, the alarm player, and a sleeper that records each
// sleep and, while closed, holds the sleeping thread until the test opens it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device_editor/run_state.h"
#include "platform/sound/alarm_player.h"

namespace run_state_test {

using namespace std::chrono_literals;

class CRecordingPort final : public device_editor::IUnitPort {
public:
    struct Entry {
        int online = 1;
        std::string ip;
    };

    // Replies to commands beginning with a prefix, used in order, the last
    // one kept; nullopt is silence. Commands without a script echo "*cmd#".
    void Reply(const std::string& prefix, std::vector<std::optional<std::string>> replies) {
        std::lock_guard lock(m_mutex);
        m_replies[prefix] = std::deque(replies.begin(), replies.end());
    }
    void SetOnline(const std::string& mac, Entry entry) {
        std::lock_guard lock(m_mutex);
        m_online[mac] = std::move(entry);
    }
    void SetSnmpValue(const std::string& oid, std::optional<std::string> value) {
        std::lock_guard lock(m_mutex);
        m_gets[oid] = std::move(value);
    }
    void SetRunning(bool running) {
        std::lock_guard lock(m_mutex);
        m_running = running;
    }
    std::function<void(const std::string& command)> onCommand;
    std::string adapter = "192.168.1.1";
    std::string rangeLow = "192.168.1.0";
    std::string rangeHigh = "192.168.1.200";

    bool SendTextCommand(const std::string& ip, const std::string& text,
                         std::string& reply) override {
        Record("send " + ip + " " + text);
        std::optional<std::string> answer = "*" + text + "#";
        {
            std::lock_guard lock(m_mutex);
            for (auto& [prefix, replies] : m_replies) {
                if (text.rfind(prefix, 0) != 0 || replies.empty())
                    continue;
                answer = replies.front();
                if (replies.size() > 1)
                    replies.pop_front();
            }
        }
        if (onCommand)
            onCommand(text);
        if (answer)
            reply = *answer;
        return answer.has_value();
    }
    int SnmpGet(const std::string& ip, const std::string& oid, std::string& value) override {
        Record("get " + ip + " " + oid);
        std::lock_guard lock(m_mutex);
        const auto found = m_gets.find(oid);
        if (found == m_gets.end() || !found->second)
            return -1;
        value = *found->second;
        return 1;
    }
    int SnmpSet(const std::string& ip, const std::string& oid, const std::string& value) override {
        Record("set " + ip + " " + oid + " " + value);
        return setResult;
    }
    bool GetOnlineDeviceIp(const std::string& mac, std::string& ip) override {
        std::lock_guard lock(m_mutex);
        const auto found = m_online.find(mac);
        if (found == m_online.end() || found->second.online == 0)
            return false;
        ip = found->second.ip;
        return true;
    }
    std::string GetAdapterIp() override { return adapter; }
    int IsNetDeviceOnline(const std::string& mac) override {
        std::lock_guard lock(m_mutex);
        const auto found = m_online.find(mac);
        return found == m_online.end() ? 0 : found->second.online;
    }
    std::string GetNetDeviceIP(const std::string& mac) override {
        std::lock_guard lock(m_mutex);
        const auto found = m_online.find(mac);
        return found == m_online.end() ? std::string() : found->second.ip;
    }
    bool InConfiguredRange(const std::string& ip) override {
        const auto key = [](const std::string& text) {
            unsigned a = 0, b = 0, c = 0, d = 0;
            std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
            return (a << 24) | (b << 16) | (c << 8) | d;
        };
        return key(ip) >= key(rangeLow) && key(ip) <= key(rangeHigh);
    }
    bool SheetRunning() override {
        std::lock_guard lock(m_mutex);
        return m_running;
    }
    void AddOutputLine(const std::string& line) override {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
    }
    void WriteLog(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_logged.push_back(text);
    }
    void PostToStatusDialogs(std::int32_t id, std::int32_t subType, int code) override {
        Record("post " + std::to_string(id) + "/" + std::to_string(subType) + " " +
               std::to_string(code));
    }

    std::vector<std::string> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    // The events that mention `text`.
    std::vector<std::string> EventsWith(const std::string& text) const {
        std::vector<std::string> out;
        for (const auto& e : Events())
            if (e.find(text) != std::string::npos)
                out.push_back(e);
        return out;
    }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    std::vector<std::string> Logged() const {
        std::lock_guard lock(m_mutex);
        return m_logged;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_events.clear();
        m_lines.clear();
        m_logged.clear();
    }

    int setResult = 0;

private:
    void Record(std::string event) {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }

    mutable std::mutex m_mutex;
    std::map<std::string, std::deque<std::optional<std::string>>> m_replies;
    std::map<std::string, Entry> m_online;
    std::map<std::string, std::optional<std::string>> m_gets;
    bool m_running = false;
    std::vector<std::string> m_events, m_lines, m_logged;
};

class CRecordingView final : public device_editor::IRunStateView {
public:
    std::vector<std::string> events;
    device_editor::EDspStart dspStart = device_editor::EDspStart::Started;
    std::map<std::int32_t, std::vector<std::string>> routes;

    void RefreshToolBars() override { events.push_back("toolbars"); }
    void UpdateAllViews() override { events.push_back("update"); }
    void RecordDownloadView() override {}
    device_editor::EDspStart StartDspDocument(std::int32_t deviceId,
                                              const std::vector<std::string>& texts) override {
        events.push_back("start " + std::to_string(deviceId));
        routes[deviceId] = texts;
        return dspStart;
    }
    void StopDspDocument(const std::string& mac) override { events.push_back("stop " + mac); }
    void Activate() override { events.push_back("activate"); }
};

class CRecordingPlayer final : public platform::sound::IAlarmPlayer {
public:
    using EFailure = platform::sound::EAlarmFailure;

    std::vector<std::string> events;
    // What Open fails on (None: it opens).
    EFailure openFailure = EFailure::None;
    bool playFails = false;

    bool Open(const std::filesystem::path& file) override {
        events.push_back("open " + file.filename().string());
        m_failure = openFailure;
        return openFailure == EFailure::None;
    }
    bool Play() override {
        events.push_back("play");
        m_failure = playFails ? EFailure::Play : EFailure::None;
        return !playFails;
    }
    void Close() override { events.push_back("close"); }
    EFailure Failure() const override { return m_failure; }
    std::string ErrorText() const override { return "refused"; }

private:
    EFailure m_failure = EFailure::None;
};

// Records every sleep; while closed, a sleeping thread waits until Open.
class CGateSleeper {
public:
    explicit CGateSleeper(bool open) : m_open(open) {}

    device_editor::RunSleeper Sleeper() {
        return [this](std::chrono::milliseconds duration) {
            std::unique_lock lock(m_mutex);
            m_sleeps.push_back(duration.count());
            ++m_waiting;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_open; });
            --m_waiting;
        };
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // Waits, at most `limit`, until `count` threads sleep at the gate.
    bool WaitForSleepers(int count, std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_waiting >= count; });
    }
    std::vector<long long> Sleeps() const {
        std::lock_guard lock(m_mutex);
        return m_sleeps;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_sleeps.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open;
    int m_waiting = 0;
    std::vector<long long> m_sleeps;
};

} // namespace run_state_test
