#include "device_editor/ui/run_state_window.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaObject>
#include <QTimer>

#include "device_editor/ui/device_view.h"
#include "device_editor/ui/device_windows.h"
#include "platform/app_paths/app_paths.h"
#include "shell/app_settings.h"
#include "shell/dsp_of_device.h"
#include "shell/ui/main_frame.h"

namespace device_editor::ui {

namespace {
constexpr int kOnlineMarksRefreshMs = 1000;
}

std::vector<std::filesystem::path> AlarmSoundFolders() {
    return {platform::app_paths::ProgramFolder(), shell::DataDirectory(),
            OSTREL_BUILD_ALARM_FOLDER};
}

CRunStateWindow::CRunStateWindow(CDeviceWindow& window, shell::ui::CMainFrame& frame,
                                 shell::IMainFrame& services)
    : m_window(window), m_frame(frame),
      m_port(services, frame.Output(),
             [this](std::int32_t id, std::int32_t subType, int code) {
                 ToStatusDialogs(id, subType, code);
             }),
      m_player("default", [this](const std::string& line) { m_port.WriteLog("ALSA: " + line); }),
      m_marks(std::make_unique<QTimer>()),
      m_state(std::make_unique<CDeviceRunState>(window.Document(), m_port, *this, m_player,
                                                AlarmSoundFolders())) {
    m_marks->setInterval(kOnlineMarksRefreshMs);
    QObject::connect(m_marks.get(), &QTimer::timeout, [this] {
        if (m_state->RefreshOnlineMarks())
            UpdateAllViews();
    });
}

CRunStateWindow::~CRunStateWindow() {
    m_state.reset();
}

void CRunStateWindow::OnAppNotify(int code) {
    // The threads read neither the frame's run state nor its range: they
    // get copies, taken here as the state changes.
    const shell::CMainFrameCore& core = m_frame.Core();
    m_port.SetRange(core.RangeStart(), core.RangeEnd());
    m_port.SetSheetRunning(code == kNotifyRunStateEntered);
    m_state->OnAppNotify(code);
    // The watch sweeps the list every two seconds: a second's look keeps
    // the marks within a sweep of it.
    if (code == kNotifyRunStateEntered)
        m_marks->start();
    else if (code == kNotifyRunStateLeft)
        m_marks->stop();
}

void CRunStateWindow::RefreshToolBars() {
    m_frame.UpdateCommands();
}

void CRunStateWindow::UpdateAllViews() {
    if (CZoDeviceView* view = m_window.Widget())
        view->UpdateAllViews();
}

void CRunStateWindow::RecordDownloadView() {
    // The frame finds the sheet of a unit's DSP document through this
    // record; its downloading view is this sheet already since 0x401.
    m_frame.Core().SetOpenDeviceView(&m_window);
}

EDspStart CRunStateWindow::StartDspDocument(std::int32_t deviceId,
                                            const std::vector<std::string>&) {
    // The download has sent the units their routes; the DSP document has no
    // use for the texts.
    shell::IDspDocument* document =
        m_frame.Core().OpenUnitDspDocument(deviceId, &m_window.Document());
    if (document == nullptr)
        return EDspStart::NotOpened;
    // Starting an empty sheet would reset the unit and leave it running
    // nothing: it stays open for the operator, and the unit as it is.
    if (!document->HoldsConfiguration())
        return EDspStart::KeptRunning;
    if (auto* view = dynamic_cast<shell::IFrameView*>(document))
        view->OnAppNotify(kNotifyDspStart);
    return EDspStart::Started;
}

void CRunStateWindow::StopDspDocument(const std::string& mac) {
    shell::IDspDocuments* documents = shell::RegisteredDspDocuments();
    if (documents == nullptr)
        return;
    for (shell::IDspDocument* document : documents->OpenDocuments()) {
        if (document->UnitMac() != mac)
            continue;
        if (auto* view = dynamic_cast<shell::IFrameView*>(document))
            view->OnAppNotify(kNotifyDspStop);
        return;
    }
}

void CRunStateWindow::Activate() {
    CZoDeviceView* view = m_window.Widget();
    auto* child = view ? qobject_cast<QMdiSubWindow*>(view->parentWidget()) : nullptr;
    if (child != nullptr && m_frame.MdiArea() != nullptr)
        m_frame.MdiArea()->setActiveSubWindow(child);
}

void CRunStateWindow::ToStatusDialogs(std::int32_t id, std::int32_t subType, int code) {
    IDeviceStatusWindow* window = m_window.Document().FindStatusWindow(id, subType);
    auto* dialog = dynamic_cast<QObject*>(window);
    if (dialog != nullptr && dialog->metaObject()->indexOfMethod("appNotify(int)") >= 0)
        QMetaObject::invokeMethod(dialog, "appNotify", Q_ARG(int, code));
}

} // namespace device_editor::ui
