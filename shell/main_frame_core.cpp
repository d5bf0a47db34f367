#include "shell/main_frame_core.h"

#include "comm/event_log.h"
#include "comm/snmp_mailbox.h"
#include "comm/text_command.h"
#include "model/messages.h"
#include "platform/text/ipv4.h"
#include "shell/dsp_of_device.h"
#include "resources/message_ids.h"

namespace shell {

using namespace std::chrono_literals;

CMainFrameCore::CMainFrameCore(IFrameWindows& windows, ITimer& blinkTimer)
    : m_windows(windows), m_blinkTimer(blinkTimer), m_online(&comm::OnlineDevices())
{
}

CMainFrameCore::~CMainFrameCore()
{
    m_blinkTimer.Stop();
}

void CMainFrameCore::SetRange(std::uint32_t start, std::uint32_t end)
{
    m_rangeStart = start;
    m_rangeEnd = end;
}

int CMainFrameCore::StartNetwork(const std::string& cardTitle, const std::string& netType,
                                 comm::CWatchState& watchState, INetWatch& watch,
                                 const ComponentsMaker& make,
                                 std::chrono::milliseconds firstSweepLimit)
{
    m_watchState = &watchState;
    m_watch = &watch;
    m_firstSweepLimit = firstSweepLimit;
    if (!make(&m_discovery, &m_poller, m_adapter, cardTitle)) {
        model::ShowMessage(resources::kMsgComponentsFailed, 1);
        return 0;
    }
    m_localAdapterIp = GetAdapterIp();
    UpdateIpPanes();
    watchState.SetLocalIp(m_localAdapterIp);
    if (!StartWatch(netType)) {
        NetThreadFailed();
        return 0;
    }
    return 1;
}

bool CMainFrameCore::StartWatch(const std::string& netType)
{
    m_netType = netType;
    m_watchState->ResetStop();
    m_watchState->firstSweep = 0;
    m_watchState->sweepEvent.reset_event();
    m_watch->Start(netType == "Normal");
    // A watch that never completes a sweep would hold the start for ever:
    // past the limit it counts as failed.
    if (sweepWait)
        sweepWait(m_watchState->sweepEvent, m_firstSweepLimit);
    else
        m_watchState->sweepEvent.wait(static_cast<std::uint32_t>(m_firstSweepLimit.count()));
    return m_watchState->firstSweep != 0;
}

void CMainFrameCore::NetThreadFailed()
{
    m_watch->Stop();
    comm::WriteLog("Failed to create net thread! So Halvik closed!");
    model::ShowMessage(resources::kMsgNetThreadFailed, 2);
    if (onNetFailure)
        onNetFailure();
}

bool CMainFrameCore::RestartWatch(const std::string& netType)
{
    if (!m_watch || !m_watchState)
        return false;
    m_watch->Stop();
    if (StartWatch(netType))
        return true;
    NetThreadFailed();
    return false;
}

void CMainFrameCore::OnDestroy()
{
    ReleaseComponents();
    if (m_watch)
        m_watch->Stop();
}

void CMainFrameCore::ReleaseComponents()
{
    m_adapter.Release();
    m_discovery.Release();
    m_poller.Release();
}

void CMainFrameCore::Forward(IFrameView* view, int code)
{
    if (view)
        view->OnAppNotify(code);
}

int CMainFrameCore::OnAppNotify(std::intptr_t wParam, int code)
{
    const void* child = m_windows.ActiveChild();
    IFrameView* view = m_windows.ActiveView();
    switch (code) {
    case NOTIFY_DOWNLOAD_BEGIN:
        m_downloadingFrame = child;
        m_downloadingView = view;
        m_busy = true;
        m_windows.ClearOutput();
        Forward(m_downloadingView, code);
        break;
    case NOTIFY_DOWNLOAD_DONE:
        m_busy = false;
        m_runningFrame = m_downloadingFrame;
        m_runningView = m_downloadingView;
        Forward(m_downloadingView, code);
        m_windows.RestoreArrowCursor();
        break;
    case NOTIFY_DOWNLOAD_FAILED:
        m_busy = false;
        Forward(m_downloadingView, code);
        m_windows.RestoreArrowCursor();
        m_runningFrame = nullptr;
        m_runningView = nullptr;
        break;
    case NOTIFY_LEAVE_RUN:
        Forward(m_runningView, code);
        m_runningFrame = nullptr;
        m_runningView = nullptr;
        break;
    case NOTIFY_CLOSE_HWCONFIG:
        m_windows.DestroyHwConfigDialog();
        break;
    case NOTIFY_REFRESH_HWCONFIG:
        m_windows.RefreshHwConfigDialog();
        break;
    case NOTIFY_RELOAD_UNIT_CONFIG:
        if (view)
            view->LoadUnitConfiguration(m_changedUnitMac);
        break;
    case NOTIFY_REFRESH_HWCONFIG_DEVICES:
        m_windows.RefreshHwConfigDialog();
        if (view)
            view->ForgetUnitConfiguration(m_changedUnitMac);
        break;
    case NOTIFY_OPEN_DEVICE_DSP:
        m_windows.OpenDspDocumentOfDevice(static_cast<int>(wParam));
        break;
    default:
        return 0;
    }
    m_windows.CommandStateChanged();
    return 0;
}

void CMainFrameCore::ViewDestroyed(IFrameView* view, const void* frame)
{
    if (view && m_downloadingView == view)
        m_downloadingView = nullptr;
    if (view && m_runningView == view)
        m_runningView = nullptr;
    if (frame && m_downloadingFrame == frame)
        m_downloadingFrame = nullptr;
    if (frame && m_runningFrame == frame)
        m_runningFrame = nullptr;
    if (m_activeDspView == view)
        m_activeDspView = nullptr;
    if (m_activeDeviceView == view)
        m_activeDeviceView = nullptr;
    if (m_openDeviceView == view)
        m_openDeviceView = nullptr;
}

bool CMainFrameCore::CanStartDeviceDownload() const
{
    return !m_busy && !m_runningView && m_windows.ActiveView();
}

bool CMainFrameCore::CanClose(const void* child)
{
    if (m_busy && (!child || m_downloadingFrame == child)) {
        model::ShowMessage(resources::kMsgCannotCloseBusy);
        return false;
    }
    const bool running = child ? m_runningFrame == child : m_runningView || m_runningFrame;
    if (running) {
        model::ShowMessage(resources::kMsgCannotCloseRunning);
        return false;
    }
    return true;
}

void CMainFrameCore::SetRunState(bool on)
{
    m_windows.CommandStateChanged();
    if (!on) {
        m_blinkTimer.Stop();
        m_status.SetRunStateText(false);
        return;
    }
    m_status.SetRunStateText(true);
    m_blinkPhase = false;
    m_blinkTimer.Start(500ms, [this] {
        // Shown when the phase is set, blank otherwise.
        m_status.SetRunStateBlink(m_blinkPhase);
        m_blinkPhase = !m_blinkPhase;
    });
}

void CMainFrameCore::UpdateIpPanes()
{
    m_status.UpdateIpPanes(m_rangeStart, m_rangeEnd, m_localAdapterIp);
}

void CMainFrameCore::UpdateStatusPanes(int selector)
{
    switch (selector) {
    case 0:
        UpdateIpPanes();
        break;
    case 1:
        m_status.Repaint();
        break;
    case 2:
        UpdateSheetSizePane();
        break;
    default:
        break;
    }
}

void CMainFrameCore::UpdateSheetSizePane()
{
    IFrameView* view = m_windows.ActiveView();
    if (view && view->IsDeviceView())
        m_status.UpdateSheetSizePane(view->SheetWidth(), view->SheetHeight());
}

bool CMainFrameCore::OutsideRange(const std::string& ip) const
{
    if (m_rangeStart == 0 && m_rangeEnd == 0)
        return false;
    const auto address = platform::text::parse_ipv4(ip);
    return !address || *address < m_rangeStart || *address > m_rangeEnd;
}

int CMainFrameCore::SendTextCommand(const std::string& ip, const std::string& text,
                                    bool replyWanted, std::string* reply)
{
    if (m_poller.IsNull())
        return 0;
    return comm::SendTextCommand(m_poller, ip, text, replyWanted, reply);
}

int CMainFrameCore::SnmpGet(const std::string& ip, const std::string& oid, std::string& value)
{
    if (OutsideRange(ip))
        return kSnmpOutOfRange;
    if (m_poller.IsNull())
        return kSnmpFailed;
    return comm::SnmpGetValue(m_poller, ip, oid, value) ? 1 : kSnmpFailed;
}

int CMainFrameCore::SnmpSet(const std::string& ip, const std::string& oid,
                            const std::string& value)
{
    if (OutsideRange(ip))
        return kSnmpOutOfRange;
    if (m_poller.IsNull())
        return kSnmpFailed;
    return comm::SnmpSetValue(m_poller, ip, oid, value) ? 0 : kSnmpFailed;
}

int CMainFrameCore::GetOnlineDeviceIp(const std::string& mac, std::string& ip)
{
    ip.clear();
    if (mac.size() != 12 || mac.rfind("00602b", 0) != 0 || m_adapter.IsNull())
        return 0;
    if (!m_adapter.device_get(mac).valid())
        return 0;
    const std::string found = m_online->GetNetDeviceIP(mac);
    // An entry off line holds "0.0.0.0": no address to talk to.
    if (found.empty() || found == comm::kNoIp)
        return 0;
    ip = found;
    return 1;
}

std::string CMainFrameCore::GetAdapterIp()
{
    return m_adapter.IsNull() ? std::string() : m_adapter.ip();
}

IDspDocument* CMainFrameCore::OpenUnitDspDocument(int deviceId, const model::IDeviceDoc* sheet)
{
    return OpenDspDocumentOfDevice(deviceId, sheet, m_deviceDocPath, RegisteredDspDocuments(),
                                   m_newDspDeviceId);
}

int CMainFrameCore::LoadRoutesFromDatabase(const CDatabaseSettings& settings)
{
    if (!m_database)
        m_database = std::make_unique<CRouterDatabase>();
    return shell::LoadRoutesFromDatabase(*m_database, settings);
}

} // namespace shell
