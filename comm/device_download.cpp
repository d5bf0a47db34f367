#include "comm/device_download.h"

#include "comm/event_log.h"
#include "model/base_device.h"
#include "model/device_chnl.h"
#include "model/device_document.h"
#include "model/device_models.h"
#include "model/messages.h"
#include "platform/automation/activation.h"
#include "platform/text/ipv4.h"
#include "resources/message_ids.h"

#include <algorithm>

namespace comm {

using namespace std::chrono_literals;

namespace {

// The text up to (not including) its last ".".
std::string_view UpToLastDot(std::string_view ip)
{
    const auto dot = ip.rfind('.');
    return dot == std::string_view::npos ? ip : ip.substr(0, dot);
}

} // namespace

bool DeviceArrayHasIp(const std::vector<model::CBaseDevice*>& units, const std::string& ip)
{
    return std::any_of(units.begin(), units.end(),
                       [&](const model::CBaseDevice* unit) { return unit->m_ip == ip; });
}

// ---- the program's components

bool CNetDownloadComponents::Create(const std::string& cardTitle)
{
    return CreateNetComponents(&m_discovery, &m_poller, m_adapter, cardTitle) != 0;
}

void CNetDownloadComponents::Release()
{
    m_adapter.Release();
    m_discovery.Release();
    m_poller.Release();
}

std::string CNetDownloadComponents::AdapterIp()
{
    return m_adapter.ip();
}

bool CNetDownloadComponents::HasDevice(const std::string& mac)
{
    return m_adapter.device_get(mac).valid() != 0;
}

void CNetDownloadComponents::AssignIp(const std::string& mac, const std::string& ip)
{
    m_adapter.device_get(mac).set_ip(ip);
}

RouteTextSender CNetDownloadComponents::Routes(const std::string& ip, const Sleeper& sleep)
{
    return OneShotRouteSender(m_poller, ip, sleep);
}

int CNetDownloadComponents::StoreRoutes(const std::string& ip, const Sleeper& sleep)
{
    return QueryFirmware(m_poller, ip, sleep);
}

// ---- one run

CDownloadRun::CDownloadRun(model::IDeviceDoc& doc, IDownloadFrame& frame, IOutputList& output,
                           IDownloadComponents& components, const DownloadSettings& settings,
                           COnlineDeviceList& online, Sleeper sleep, SteadyClock clock,
                           std::stop_token stop)
    : m_doc(doc), m_frame(frame), m_output(output), m_components(components),
      m_settings(settings), m_online(online), m_sleep(std::move(sleep)), m_clock(std::move(clock)),
      m_stop(std::move(stop))
{
}

void CDownloadRun::CheckStop() const
{
    if (m_stop.stop_requested())
        throw CDownloadCancelled{};
}

void CDownloadRun::Pause(std::chrono::milliseconds duration)
{
    m_sleep(duration);
    CheckStop();
}

template <typename... Args> void CDownloadRun::Line(int id, const Args&... args)
{
    m_output.AddLine(model::FormatMessage(id, args...));
}

void CDownloadRun::Line(const std::string& text)
{
    m_output.AddLine(text);
}

int CDownloadRun::Run(const std::string& title)
{
    m_frame.SetWaitCursor(true);
    m_frame.NotifyDownloadBegin();
    try {
        Steps(title);
    } catch (const CDownloadCancelled&) {
        Line(resources::kMsgDownloadStopped, ++m_errors);
        FailureEnd();
    }
    return 0;
}

void CDownloadRun::Steps(const std::string& title)
{
    Line(resources::kMsgDownloadCompiled, title);
    Line("");
    Line(resources::kMsgComInit);
    CheckStop();
    if (!m_components.Create(m_settings.cardTitle)) {
        Line(resources::kMsgComFailed, ++m_errors);
        FailureEnd();
        return;
    }
    Line(resources::kMsgComOk);
    const std::string adapterIp = m_components.AdapterIp();
    if (!CheckRangeEnd(adapterIp, m_settings.rangeStart, resources::kMsgStartIp,
                       resources::kMsgStartIpNotOnCard) ||
        !CheckRangeEnd(adapterIp, m_settings.rangeEnd, resources::kMsgEndIp,
                       resources::kMsgEndIpNotOnCard)) {
        FailureEnd();
        return;
    }
    CollectDownloadUnits();
    if (!PrepareUnits()) {
        FailureEnd();
        return;
    }
    DownloadDeviceDocument();
    Line(resources::kMsgDownloadDone, m_errors, m_warnings);
    Line("");
    m_components.Release();
    m_frame.SetWaitCursor(false);
    m_frame.NotifyDownloadDone();
}

bool CDownloadRun::CheckRangeEnd(const std::string& adapterIp, std::uint32_t end, int okLine,
                                 int errorLine)
{
    const std::string endText = platform::text::format_ipv4(end);
    if (UpToLastDot(adapterIp) == UpToLastDot(endText)) {
        Line(okLine, adapterIp, endText);
        return true;
    }
    Line(errorLine, ++m_errors);
    return false;
}

void CDownloadRun::FailureEnd()
{
    Line(resources::kMsgDownloadFailed, m_errors, m_warnings);
    m_components.Release();
    m_frame.SetWaitCursor(false);
    m_frame.NotifyDownloadFailed();
}

void CDownloadRun::CollectDownloadUnits()
{
    for (int i = 0; i < m_doc.GetDeviceCount(); ++i) {
        model::CBaseDevice* device = m_doc.GetDevice(i);
        if (device->m_kind != model::kDeviceUnit)
            continue;
        device->m_ip = kNoIp;
        // The input half of a two-half unit: its other half stands for it.
        if (device->m_subType == 1 && model::IsTwoHalfModel(device->m_typeCode))
            continue;
        m_units.push_back(device);
    }
    Line(resources::kMsgCheckMacs);
    for (auto it = m_units.rbegin(); it != m_units.rend();) {
        const model::CBaseDevice& unit = **it;
        if (unit.m_mac.size() != 12 || unit.m_mac.rfind("00602b", 0) != 0) {
            Line(resources::kMsgUnitBadMac, ++m_errors, unit.m_name, unit.m_mac);
            it = std::make_reverse_iterator(m_units.erase(std::next(it).base()));
        } else {
            ++it;
        }
    }
    Line("");
}

bool CDownloadRun::InRange(const std::string& ip) const
{
    const auto address = platform::text::parse_ipv4(ip);
    return address && *address >= m_settings.rangeStart && *address <= m_settings.rangeEnd;
}

void CDownloadRun::SetUnitIp(model::CBaseDevice& unit, const std::string& ip)
{
    unit.m_ip = ip;
    if (model::CBaseDevice* partner =
            m_doc.FindSameIdDevice(unit.m_id, unit.m_subType, unit.m_typeCode))
        partner->m_ip = ip;
}

int CDownloadRun::PrepareUnits()
{
    Line(resources::kMsgCheckNetwork);
    for (auto it = m_units.rbegin(); it != m_units.rend();) {
        model::CBaseDevice& unit = **it;
        if (!m_online.IsNetDeviceOnline(unit.m_mac)) {
            Line(resources::kMsgUnitOffline, ++m_warnings, unit.m_name, unit.m_mac);
            it = std::make_reverse_iterator(m_units.erase(std::next(it).base()));
            continue;
        }
        unit.m_ip = m_online.GetNetDeviceIP(unit.m_mac);
        if (InRange(unit.m_ip)) {
            SetUnitIp(unit, unit.m_ip);
            Line(resources::kMsgIpValid, unit.m_name, unit.m_mac, unit.m_ip);
        }
        ++it;
    }
    for (auto it = m_units.rbegin(); it != m_units.rend(); ++it) {
        model::CBaseDevice& unit = **it;
        if (InRange(unit.m_ip))
            continue;
        if (!AssignAddress(unit)) {
            Line(resources::kMsgIpAssignFailed, ++m_errors, unit.m_name, unit.m_mac);
            return 0;
        }
    }
    Line("");
    return 1;
}

bool CDownloadRun::AssignAddress(model::CBaseDevice& unit)
{
    // A MAC the discovery server does not know cannot take any address:
    // walking the whole range would only wait at every one of them.
    if (!m_components.HasDevice(unit.m_mac))
        return false;
    // Nor can a unit that ignores assignment; but from here it looks just
    // like an address somebody off the list answers for (neither shows in
    // the online list), so a limit of the unit's own ends the walk.
    const auto unitDeadline = m_clock() + m_settings.assignUnitLimit;
    for (std::uint64_t address = m_settings.rangeStart; address <= m_settings.rangeEnd;
         ++address) {
        const std::string ip = platform::text::format_ipv4(static_cast<std::uint32_t>(address));
        if (DeviceArrayHasIp(m_units, ip) || m_online.OnlineEntryHasIp(ip))
            continue;
        if (m_clock() >= unitDeadline)
            break;
        CheckStop();
        m_components.AssignIp(unit.m_mac, ip);
        // The online list learns the address at the end of a sweep.
        const auto deadline = std::min(m_clock() + m_settings.assignWait, unitDeadline);
        for (;;) {
            if (m_online.GetNetDeviceIP(unit.m_mac) == ip) {
                SetUnitIp(unit, ip);
                Line(resources::kMsgIpAssigned, unit.m_name, unit.m_mac, ip);
                return true;
            }
            const auto now = m_clock();
            if (now >= deadline)
                break;
            Pause(std::min(m_settings.assignPoll,
                           std::chrono::ceil<std::chrono::milliseconds>(deadline - now)));
        }
        Line(resources::kMsgIpAssignTry, unit.m_name, unit.m_mac, ip);
    }
    return false;
}

void CDownloadRun::DownloadDeviceDocument()
{
    Line(resources::kMsgConnecting);
    std::erase_if(m_units, [](const model::CBaseDevice* unit) { return unit->m_subType == 1; });
    for (auto it = m_units.rbegin(); it != m_units.rend(); ++it) {
        const model::CBaseDevice& unit = **it;
        CheckStop();
        Line(resources::kMsgUnitLine, unit.m_name, unit.m_mac);
        const std::string ip = m_online.GetNetDeviceIP(unit.m_mac);
        const RouteTextSender send = [this, unitSend = m_components.Routes(ip, m_sleep)](
                                         const std::string& text) {
            CheckStop();
            return unitSend(text);
        };
        std::vector<const model::CDeviceChnl*> receiving;
        for (int c = 0; c < unit.m_inputCount && c < unit.GetChnlCount(); ++c)
            if (const auto* channel = dynamic_cast<const model::CDeviceChnl*>(unit.GetChnl(c)))
                receiving.push_back(channel);
        for (const model::CDeviceChnl* channel : receiving)
            if (channel->GetLinkCount() == 0)
                SendRouteCommands(&m_doc, nullptr, channel, send, m_output, m_warnings, m_sleep);
        for (const model::CDeviceChnl* channel : receiving)
            if (channel->GetLinkCount() > 0)
                SendRouteCommands(&m_doc, channel->GetLink(0), channel, send, m_output, m_warnings,
                                  m_sleep);
        CheckStop();
        if (m_components.StoreRoutes(ip, m_sleep))
            Line(resources::kMsgRoutesStored, unit.m_name, unit.m_mac);
        else
            Line(resources::kMsgRoutesStoreFailed, ++m_warnings, unit.m_name, unit.m_mac);
    }
}

// ---- the download object

CDeviceDownload::CDeviceDownload(IDownloadFrame& frame, IOutputList& output,
                                 ComponentsFactory makeComponents, COnlineDeviceList& online)
    : m_frame(frame), m_output(output), m_makeComponents(std::move(makeComponents)),
      m_online(online)
{
}

CDeviceDownload::~CDeviceDownload()
{
    Cancel();
}

std::unique_ptr<IDownloadComponents> CDeviceDownload::DefaultComponents()
{
    return std::make_unique<CNetDownloadComponents>();
}

bool CDeviceDownload::Start(model::IDeviceDoc& doc, std::string title, DownloadSettings settings)
{
    if (m_running.exchange(true))
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_stop = std::stop_source();
    m_thread = std::jthread([this, &doc, title = std::move(title), settings = std::move(settings),
                             stopSource = m_stop](std::stop_token cancel) mutable {
        // Only the owner's cancel gives up the frame's notifications: after
        // the operator's stop the frame must still hear that the download
        // failed, or it would stay busy.
        model::CWorkerStopScope scope(cancel);
        const std::stop_callback cancelStops(cancel, [&stopSource] { stopSource.request_stop(); });
        const std::stop_token stop = stopSource.get_token();
        // Every wait of the run ends when the download is stopped, and the
        // run then leaves by the exception; one-shot exchanges too, which
        // may leave a unit's mailbox claimed: the next exchange frees it.
        const Sleeper sleep = [stop](std::chrono::milliseconds duration) {
            if (!SleepUnlessStopped(stop, duration))
                throw CDownloadCancelled{};
        };
        const platform::automation::initializer_t automation;
        std::unique_ptr<IDownloadComponents> components = m_makeComponents();
        CDownloadRun run(doc, m_frame, m_output, *components, settings, m_online, sleep,
                         RealClock, stop);
        try {
            if (automation.hr() < 0)
                throw std::runtime_error("no automation");
            run.Run(title);
        } catch (...) {
            // Whatever else ended the run (an automation failure, a broken
            // sheet), the frame must not stay busy.
            WriteLog("Download device sheet thread error");
            try {
                m_output.AddLine(model::FormatMessage(resources::kMsgDownloadFailed,
                                                      run.Errors() + 1, run.Warnings()));
                components->Release();
            } catch (...) {
            }
            m_frame.SetWaitCursor(false);
            m_frame.NotifyDownloadFailed();
        }
        m_running = false;
    });
    return true;
}

void CDeviceDownload::Stop()
{
    m_stop.request_stop();
}

void CDeviceDownload::Cancel()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void CDeviceDownload::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace comm
