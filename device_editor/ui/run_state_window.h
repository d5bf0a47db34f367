#pragma once
// CRunStateWindow: the run state of one device sheet window. It owns the
// sheet's CDeviceRunState with its unit port and the alarm player, takes
// the main frame's notifications 0x401..0x404 for it, and does on the
// user-interface thread what the run state asks of the views around it:
// the tool bars, the sheet's repaint, the units' DSP documents (started and
// stopped through their windows' notifications 0x466 and 0x467), the
// sheet's activation.
//
// An amplifier's status dialog learns of new readings (0x415) and a new
// sleep state (0x416) through its slot "appNotify(int)", called on the
// user-interface thread when the dialog is a QObject that has it.
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "device_editor/run_state.h"
#include "device_editor/ui/unit_port.h"
#include "platform/sound/alarm_player.h"

class QTimer;

namespace shell {
class IMainFrame;
}
namespace shell::ui {
class CMainFrame;
}

namespace device_editor::ui {

class CDeviceWindow;

// Where the alarm sound is looked for, in order: the program folder (the
// operator's own sound), the shipped defaults' folder (an installed
// program), and the folder the build makes the sound in (a program run from
// its build tree).
std::vector<std::filesystem::path> AlarmSoundFolders();

class CRunStateWindow final : public IRunStateView {
public:
    // `services` answers the port's device requests (the main frame's
    // core in the program).
    CRunStateWindow(CDeviceWindow& window, shell::ui::CMainFrame& frame,
                    shell::IMainFrame& services);
    // Stops the threads and waits for them: at most one command's time-out.
    ~CRunStateWindow() override;
    CRunStateWindow(const CRunStateWindow&) = delete;
    CRunStateWindow& operator=(const CRunStateWindow&) = delete;

    // The main frame's notification forwarded to the sheet's window.
    void OnAppNotify(int code);

    CDeviceRunState& State() { return *m_state; }
    // What the sheet's unit dialogs send through.
    IUnitPort& Port() { return m_port; }

    // -- IRunStateView
    void RefreshToolBars() override;
    void UpdateAllViews() override;
    void RecordDownloadView() override;
    EDspStart StartDspDocument(std::int32_t deviceId,
                               const std::vector<std::string>& routes) override;
    void StopDspDocument(const std::string& mac) override;
    void Activate() override;

private:
    void ToStatusDialogs(std::int32_t id, std::int32_t subType, int code);

    CDeviceWindow& m_window;
    shell::ui::CMainFrame& m_frame;
    CMainFrameUnitPort m_port;
    platform::sound::CAlsaAlarmPlayer m_player;
    // While the sheet runs, the on-line marks follow the online-device list.
    std::unique_ptr<QTimer> m_marks;
    // Goes first: its threads use the port and the player.
    std::unique_ptr<CDeviceRunState> m_state;
};

} // namespace device_editor::ui
