#include "device_editor/ui/unit_port.h"

#include <QMetaObject>
#include <QObject>

#include "comm/event_log.h"
#include "comm/online_devices.h"
#include "platform/text/ipv4.h"
#include "shell/main_frame_core.h"
#include "shell/ui/output_list.h"

namespace device_editor::ui {

// Device communication underneath may throw (a failed allocation, an
// automation call gone wrong); to the run state that is a failed request.

CMainFrameUnitPort::CMainFrameUnitPort(shell::IMainFrame& services, shell::ui::CMyListBox* output,
                                       StatusNotice toStatusDialogs)
    : m_services(services), m_output(output), m_receiver(std::make_unique<QObject>()),
      m_toStatusDialogs(std::move(toStatusDialogs)) {}

CMainFrameUnitPort::~CMainFrameUnitPort() = default;

void CMainFrameUnitPort::SetRange(std::uint32_t start, std::uint32_t end) {
    m_range = (std::uint64_t{start} << 32) | end;
}

bool CMainFrameUnitPort::SendTextCommand(const std::string& ip, const std::string& text,
                                         std::string& reply) {
    try {
        return m_services.SendTextCommand(ip, text, true, &reply) == 1;
    } catch (...) {
        return false;
    }
}

int CMainFrameUnitPort::SnmpGet(const std::string& ip, const std::string& oid, std::string& value) {
    try {
        return m_services.SnmpGet(ip, oid, value);
    } catch (...) {
        return shell::kSnmpFailed;
    }
}

int CMainFrameUnitPort::SnmpSet(const std::string& ip, const std::string& oid,
                                const std::string& value) {
    try {
        return m_services.SnmpSet(ip, oid, value);
    } catch (...) {
        return shell::kSnmpFailed;
    }
}

bool CMainFrameUnitPort::GetOnlineDeviceIp(const std::string& mac, std::string& ip) {
    try {
        return m_services.GetOnlineDeviceIp(mac, ip) == 1;
    } catch (...) {
        return false;
    }
}

std::string CMainFrameUnitPort::GetAdapterIp() {
    try {
        return m_services.GetAdapterIp();
    } catch (...) {
        return {};
    }
}

int CMainFrameUnitPort::IsNetDeviceOnline(const std::string& mac) {
    try {
        return comm::IsNetDeviceOnline(mac);
    } catch (...) {
        return 0;
    }
}

std::string CMainFrameUnitPort::GetNetDeviceIP(const std::string& mac) {
    try {
        return comm::GetNetDeviceIP(mac);
    } catch (...) {
        return {};
    }
}

bool CMainFrameUnitPort::InConfiguredRange(const std::string& ip) {
    const std::uint64_t range = m_range;
    const auto start = static_cast<std::uint32_t>(range >> 32);
    const auto end = static_cast<std::uint32_t>(range);
    if (start == 0 && end == 0)
        return true;
    const auto address = platform::text::parse_ipv4(ip);
    return address && *address >= start && *address <= end;
}

void CMainFrameUnitPort::AddOutputLine(const std::string& line) {
    if (m_output == nullptr)
        return;
    try {
        m_output->AddLine(line);
    } catch (...) {
    }
}

void CMainFrameUnitPort::WriteLog(const std::string& text) {
    try {
        comm::WriteLog(text);
    } catch (...) {
    }
}

void CMainFrameUnitPort::PostToStatusDialogs(std::int32_t id, std::int32_t subType, int code) {
    if (!m_toStatusDialogs)
        return;
    try {
        QMetaObject::invokeMethod(
            m_receiver.get(), [this, id, subType, code] { m_toStatusDialogs(id, subType, code); },
            Qt::QueuedConnection);
    } catch (...) {
    }
}

} // namespace device_editor::ui
