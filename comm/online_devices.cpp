#include "comm/online_devices.h"

#include "platform/text/ascii.h"

#include <algorithm>
#include <condition_variable>

namespace comm {

namespace {

std::string Lowered(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = platform::text::ascii_lower(c);
    return lower;
}

} // namespace

std::string BytesToHex(const std::uint8_t* bytes, std::size_t count)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::optional<std::size_t> COnlineDeviceList::FindNetDeviceNode(std::string_view mac) const
{
    std::lock_guard lock(m_lock);
    std::size_t position = 0;
    for (const CNetDevice& device : m_devices) {
        if (device.mac == mac)
            return position;
        ++position;
    }
    return std::nullopt;
}

int COnlineDeviceList::IsNetDeviceOnline(std::string_view mac) const
{
    const std::string lower = Lowered(mac);
    std::lock_guard lock(m_lock);
    for (const CNetDevice& device : m_devices)
        if (device.mac == lower)
            return device.online;
    return 0;
}

std::string COnlineDeviceList::GetNetDeviceIP(std::string_view mac) const
{
    const std::string lower = Lowered(mac);
    std::lock_guard lock(m_lock);
    for (const CNetDevice& device : m_devices)
        if (device.mac == lower)
            return device.ip;
    return {};
}

bool COnlineDeviceList::OnlineEntryHasIp(std::string_view ip) const
{
    std::lock_guard lock(m_lock);
    return std::any_of(m_devices.begin(), m_devices.end(),
                       [&](const CNetDevice& d) { return d.online && d.ip == ip; });
}

std::vector<CNetDevice> COnlineDeviceList::Snapshot() const
{
    std::lock_guard lock(m_lock);
    return {m_devices.begin(), m_devices.end()};
}

void COnlineDeviceList::BeginSweep()
{
    std::lock_guard lock(m_lock);
    for (CNetDevice& device : m_devices)
        device.seen = 0;
}

void COnlineDeviceList::MarkSeen(std::string_view mac, std::string_view ip)
{
    std::lock_guard lock(m_lock);
    for (CNetDevice& device : m_devices) {
        if (device.mac == mac) {
            device.online = 1;
            device.seen = 1;
            device.ip = ip;
            return;
        }
    }
    m_devices.push_back({std::string(mac), 1, 1, 0, std::string(ip)});
}

void COnlineDeviceList::EndSweepKeepingUnseen()
{
    std::lock_guard lock(m_lock);
    for (CNetDevice& device : m_devices) {
        if (!device.seen) {
            device.online = 0;
            device.ip = kNoIp;
        }
    }
}

void COnlineDeviceList::EndSweepRemovingUnseen()
{
    std::lock_guard lock(m_lock);
    m_devices.remove_if([](const CNetDevice& d) { return !d.seen; });
}

void COnlineDeviceList::Clear()
{
    std::lock_guard lock(m_lock);
    m_devices.clear();
}

COnlineDeviceList& OnlineDevices()
{
    static COnlineDeviceList list;
    return list;
}

std::optional<std::size_t> FindNetDeviceNode(std::string_view mac)
{
    return OnlineDevices().FindNetDeviceNode(mac);
}

int IsNetDeviceOnline(std::string_view mac)
{
    return OnlineDevices().IsNetDeviceOnline(mac);
}

std::string GetNetDeviceIP(std::string_view mac)
{
    return OnlineDevices().GetNetDeviceIP(mac);
}

void CWatchState::SetLocalIp(std::string ip)
{
    std::lock_guard lock(m_lock);
    m_localIp = std::move(ip);
}

std::string CWatchState::LocalIp() const
{
    std::lock_guard lock(m_lock);
    return m_localIp;
}

void CWatchState::RequestStop()
{
    stop = true;
    std::lock_guard lock(m_lock);
    m_stopSource.request_stop();
}

void CWatchState::ResetStop()
{
    std::lock_guard lock(m_lock);
    stop = false;
    m_stopSource = std::stop_source();
}

bool CWatchState::SleepUnlessStopped(std::chrono::milliseconds duration)
{
    const std::stop_token token = StopToken();
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, token, duration, [this] { return stop.load(); });
    return stop;
}

std::stop_token CWatchState::StopToken() const
{
    std::lock_guard lock(m_lock);
    return m_stopSource.get_token();
}

} // namespace comm
