#include "ostrel/ostrel_program.h"

#include <QCoreApplication>

#include "attri_dialogs/ui/attri_dialog_registry.h"
#include "device_editor/ui/device_windows.h"
#include "dsp_editor/module_dialogs.h"
#include "dsp_editor/ui/dsp_windows.h"
#include "shell/ui/main_frame.h"

namespace ostrel {

COstrelProgram::COstrelProgram(std::filesystem::path programFolder,
                               shell::CStartupServices services)
    : m_frame(std::make_unique<shell::ui::CMainFrame>(programFolder)),
      m_deviceWindows(device_editor::ui::RegisterDeviceWindows(*m_frame)),
      m_dspWindows(dsp_editor::ui::RegisterDspWindows(*m_frame)),
      m_app(std::make_unique<shell::COstrelApp>(*m_frame, m_frame->Core(), programFolder,
                                                std::move(services)))
{
    attri_dialogs::ui::RegisterAttriDialogs(dsp_editor::AttriDialogFactory());
    m_frame->SetApp(m_app.get());
    // The program ends with its main window, not when Qt counts no window
    // left on screen: a window of a closed document still going away, or a
    // modeless one the frame opened, kept the loop running with no main
    // window to end it.
    QObject::connect(m_frame.get(), &shell::ui::CMainFrame::Closed, qApp,
                     &QCoreApplication::quit, Qt::QueuedConnection);
}

COstrelProgram::~COstrelProgram()
{
    m_frame->SetApp(nullptr);
    // Its documents go first as it goes: those a loop that ended some other
    // way than by the main window's close left open, and those closed whose
    // deletion has not come yet.
    m_frame.reset();
    m_dspWindows.reset();
    m_deviceWindows.reset();
    m_app.reset();
}

bool COstrelProgram::Start(const std::vector<std::string>& args)
{
    return m_app->InitInstance(args);
}

} // namespace ostrel
