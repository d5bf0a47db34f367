#pragma once
// Shared pieces of the discovery tests: captured trace, a private state
// folder, a clock the test moves, and frames written out byte by byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "discovery/adapter_info.h"
#include "discovery/device.h"
#include "qo/console.h"
#include "qo/ip_address.h"
#include "qo/mac_address.h"

namespace discovery_test {

using bytes_t = std::vector<std::uint8_t>;

// The server's trace lines, written to a file of the test's own.
class trace_capture_t {
public:
    trace_capture_t() {
        path_ = std::filesystem::temp_directory_path() /
                ("discovery-trace-" + std::to_string(::getpid()) + "-" +
                 std::to_string(counter()++) + ".log");
        std::filesystem::remove(path_);
        ::setenv("QO_TRACE_FILE", path_.c_str(), 1);
        qo::console.show(true);
    }
    ~trace_capture_t() {
        qo::console.show(false);
        ::unsetenv("QO_TRACE_FILE");
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }

    std::string text() const {
        std::ifstream in(path_);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    std::size_t count(const std::string& line) const {
        const std::string all = text();
        std::size_t n = 0;
        for (std::size_t at = all.find(line); at != std::string::npos;
             at = all.find(line, at + line.size()))
            ++n;
        return n;
    }
    bool has(const std::string& line) const { return count(line) > 0; }

private:
    static std::atomic<int>& counter() {
        static std::atomic<int> n{0};
        return n;
    }
    std::filesystem::path path_;
};

// $MELLICK_HOME pointing at an empty folder of the test's own.
class state_home_t {
public:
    state_home_t() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "discovery-home-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        ::setenv("MELLICK_HOME", path_.c_str(), 1);
    }
    ~state_home_t() {
        ::unsetenv("MELLICK_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path history() const { return path_ / "VGHistory.ini"; }

private:
    std::filesystem::path path_;
};

// A clock the test sets.
inline std::atomic<std::uint64_t> fake_now{1000};
inline std::uint64_t fake_clock() {
    return fake_now.load();
}

inline qo::mac_address_t mac(const char* text) {
    qo::mac_address_t m;
    EXPECT_TRUE(m.try_parse(text)) << text;
    return m;
}

inline qo::ip_address_t ip(const char* text) {
    qo::ip_address_t a;
    EXPECT_TRUE(a.try_parse(text)) << text;
    return a;
}

// A card whose interface does not exist: a session over it runs without
// frames.
inline qo::vg::adapter_info_t missing_card(const std::string& title = "card0") {
    qo::vg::adapter_info_t info;
    info.name = info.title = info.service = title;
    info.device_name = "ostrelnocard"; // no such interface
    info.ip = ip("198.18.0.1");
    info.mask = ip("255.255.255.0");
    return info;
}

inline void append(bytes_t& frame, std::initializer_list<std::uint8_t> bytes) {
    frame.insert(frame.end(), bytes);
}

inline void append_mac(bytes_t& frame, const qo::mac_address_t& m) {
    frame.insert(frame.end(), m.bytes().begin(), m.bytes().end());
}

// Destination group, source, 88 19, kind, version 2.
inline bytes_t vargo_header(const qo::mac_address_t& source, std::uint8_t kind = 1,
                            std::uint8_t version = 2) {
    bytes_t frame = {0x01, 0x60, 0x2B, 0xFF, 0xFF, 0x01};
    append_mac(frame, source);
    append(frame, {0x88, 0x19, kind, version});
    return frame;
}

// A device's announcement: status entry, IP entry (when given), end word,
// padded to the Ethernet minimum.
inline bytes_t announcement(const qo::mac_address_t& source, const qo::ip_address_t* address) {
    bytes_t frame = vargo_header(source);
    append(frame, {0x03, 0x04, 0x00, 0x00, 0x00, 0x00});
    if (address) {
        append(frame, {0x03, 0x08});
        frame.insert(frame.end(), address->bytes().begin(), address->bytes().end());
    }
    append(frame, {0x00, 0x00});
    frame.resize(std::max<std::size_t>(frame.size(), 60), 0);
    return frame;
}

inline bytes_t announcement(const qo::mac_address_t& source, const qo::ip_address_t& address) {
    return announcement(source, &address);
}

inline bytes_t arp(std::uint16_t operation, const qo::mac_address_t& sender,
                   const qo::ip_address_t& sender_ip, const qo::ip_address_t& target_ip) {
    bytes_t frame = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    append_mac(frame, sender);
    append(frame,
           {0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 0x06, 0x04,
            static_cast<std::uint8_t>(operation >> 8), static_cast<std::uint8_t>(operation)});
    append_mac(frame, sender);
    frame.insert(frame.end(), sender_ip.bytes().begin(), sender_ip.bytes().end());
    append(frame, {0, 0, 0, 0, 0, 0});
    frame.insert(frame.end(), target_ip.bytes().begin(), target_ip.bytes().end());
    return frame;
}

// Polls `condition` until it holds or the time is up.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// Waits until each record was heard `times` more times (its age went
// back), or the time is up. The ages are polled more often than devices
// announce themselves, so no hearing goes unseen.
inline bool heard_again(const std::vector<std::shared_ptr<qo::vg::device_t>>& devices, int times,
                        std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    std::vector<std::uint64_t> last(devices.size());
    std::vector<int> heard(devices.size(), 0);
    for (std::size_t i = 0; i < devices.size(); ++i)
        last[i] = devices[i]->age();
    return eventually(
        [&] {
            bool all = true;
            for (std::size_t i = 0; i < devices.size(); ++i) {
                const std::uint64_t age = devices[i]->age();
                if (age < last[i])
                    ++heard[i];
                last[i] = age;
                all = all && heard[i] >= times;
            }
            return all;
        },
        limit);
}

} // namespace discovery_test
