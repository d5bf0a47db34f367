#pragma once
// COstrelProgram: the operator program put together: the main window, the
// editors' document kinds and dialogs registered with it, and the
// application that starts it. main() runs its event loop between Start and
// the end of this object.
//
// Its end goes in the one order in which nothing touches what has gone:
// the documents first (their threads stop and their modeless windows close
// while the main window and the editors they report to still exist), then
// the main window, then the editors' registrations, and the application
// last (it ends the automation layer the documents' and the frame's objects
// were released to).
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell/ostrel_app.h"

namespace device_editor::ui {
class CDeviceFrame;
}
namespace dsp_editor::ui {
class CDspFrame;
}
namespace shell::ui {
class CMainFrame;
}

namespace ostrel {

class COstrelProgram {
public:
    explicit COstrelProgram(std::filesystem::path programFolder,
                            shell::CStartupServices services = shell::ProgramServices());
    ~COstrelProgram();
    COstrelProgram(const COstrelProgram&) = delete;
    COstrelProgram& operator=(const COstrelProgram&) = delete;

    // The application's start; false ends the program before its loop.
    bool Start(const std::vector<std::string>& args);

    shell::ui::CMainFrame& Frame() { return *m_frame; }
    shell::COstrelApp& App() { return *m_app; }
    device_editor::ui::CDeviceFrame& DeviceWindows() { return *m_deviceWindows; }
    dsp_editor::ui::CDspFrame& DspWindows() { return *m_dspWindows; }

private:
    std::unique_ptr<shell::ui::CMainFrame> m_frame;
    std::unique_ptr<device_editor::ui::CDeviceFrame> m_deviceWindows;
    std::unique_ptr<dsp_editor::ui::CDspFrame> m_dspWindows;
    std::unique_ptr<shell::COstrelApp> m_app;
};

} // namespace ostrel
