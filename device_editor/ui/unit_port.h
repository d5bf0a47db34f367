#pragma once
// CMainFrameUnitPort: what a device sheet's run state asks of the world,
// answered by the main frame's device services (one-shot text commands,
// SNMP, online addresses), the online-device list, the event log and the
// main window's output list.
//
// Every member may be called from any thread and none throws. Nothing here
// waits for the user-interface thread: output lines and the notices to the
// status dialogs are queued to it. What the threads must not read from the
// frame's own fields (whether the sheet runs, the configured range) is kept
// here as a copy the window refreshes on its notifications.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "device_editor/run_state.h"

class QObject;

namespace shell {
class IMainFrame;
}
namespace shell::ui {
class CMyListBox;
}

namespace device_editor::ui {

class CMainFrameUnitPort final : public IUnitPort {
public:
    // Run on the user-interface thread for a device's notice to its status
    // dialogs.
    using StatusNotice = std::function<void(std::int32_t id, std::int32_t subType, int code)>;

    // Made on the user-interface thread. `services` and `output` outlive
    // the port; `output` may be null (no output bar). Status notices still
    // queued when the port goes are dropped with it.
    CMainFrameUnitPort(shell::IMainFrame& services, shell::ui::CMyListBox* output,
                       StatusNotice toStatusDialogs);
    ~CMainFrameUnitPort() override;
    CMainFrameUnitPort(const CMainFrameUnitPort&) = delete;
    CMainFrameUnitPort& operator=(const CMainFrameUnitPort&) = delete;

    // -- the frame's state, copied on the user-interface thread
    void SetSheetRunning(bool running) { m_running = running; }
    // The configured address range (host order); 0 to 0 means none is set,
    // and then no address is refused, as the frame's SNMP guard does.
    void SetRange(std::uint32_t start, std::uint32_t end);

    // -- IUnitPort
    bool SendTextCommand(const std::string& ip, const std::string& text,
                         std::string& reply) override;
    int SnmpGet(const std::string& ip, const std::string& oid, std::string& value) override;
    int SnmpSet(const std::string& ip, const std::string& oid, const std::string& value) override;
    bool GetOnlineDeviceIp(const std::string& mac, std::string& ip) override;
    std::string GetAdapterIp() override;
    int IsNetDeviceOnline(const std::string& mac) override;
    std::string GetNetDeviceIP(const std::string& mac) override;
    bool InConfiguredRange(const std::string& ip) override;
    bool SheetRunning() override { return m_running; }
    void AddOutputLine(const std::string& line) override;
    void WriteLog(const std::string& text) override;
    void PostToStatusDialogs(std::int32_t id, std::int32_t subType, int code) override;

private:
    shell::IMainFrame& m_services;
    shell::ui::CMyListBox* m_output;
    // Receives the queued notices on the user-interface thread.
    std::unique_ptr<QObject> m_receiver;
    StatusNotice m_toStatusDialogs;
    std::atomic<bool> m_running{false};
    std::atomic<std::uint64_t> m_range{0};
};

} // namespace device_editor::ui
