#include "shell/ostrel_app.h"

#include "comm/event_log.h"
#include "model/messages.h"
#include "platform/automation/activation.h"
#include "resources/message_ids.h"

namespace shell {

using namespace std::chrono_literals;

CShellDialogs& RegisteredDialogs()
{
    static CShellDialogs dialogs;
    return dialogs;
}

CStartupServices ProgramServices()
{
    CStartupServices services;
    services.makeComponents = [](comm::Imanager* discovery, comm::Icom_manager* poller,
                                 comm::Icom_adapter& adapter, const std::string& card) {
        return comm::CreateNetComponents(discovery, poller, adapter, card);
    };
    services.makeWatch = [](comm::CWatchState& state, const std::string& card) {
        return std::make_unique<CProgramNetWatch>(state, card);
    };
    return services;
}

COstrelApp::COstrelApp(IAppUi& ui, CMainFrameCore& frame, std::filesystem::path programFolder,
                       CStartupServices services)
    : m_ui(ui), m_frame(frame), m_folder(std::move(programFolder)),
      m_services(std::move(services)), m_settings(m_folder / "Ostrel.ini")
{
}

COstrelApp::~COstrelApp()
{
    if (m_watch)
        m_watch->Stop();
    if (m_automation)
        platform::automation::uninitialize();
}

bool COstrelApp::InitInstance(const std::vector<std::string>& args)
{
    // The shipped defaults first: the language packs come with them.
    try {
        InstallShippedDefaults(DataDirectory(), m_folder);
    } catch (const std::filesystem::filesystem_error& error) {
        comm::WriteLog(std::string("Shipped defaults not copied: ") + error.what());
    }
    m_language = LoadAppLangResourceDLL(m_folder, m_settings);

    if (platform::automation::initialize() < 0) {
        model::ShowMessage(resources::kMsgComInitFailed);
        return false;
    }
    m_automation = true;

    m_recent.ReadList(ProgramRegistry());

    m_instance = std::make_unique<CSingleInstance>(m_folder);
    if (!m_instance->Acquire()) {
        model::ShowMessage(resources::kMsgAlreadyRunning);
        return false;
    }
    m_instance->SetShowHandler([this] { m_ui.RaiseMainWindow(); });

    CNetworkSettings network = m_settings.ReadNetworkSettings();
    if (network.startVisible) {
        if (const auto& ipRange = RegisteredDialogs().ipRange) {
            if (!ipRange())
                return false;
            network = m_settings.ReadNetworkSettings();
        } else {
            comm::WriteLog("No IP range dialog: starting with the stored range");
        }
    }
    m_frame.SetRange(network.startAddress, network.endAddress);

    if (!m_ui.CreateMainWindow())
        return false;
    m_ui.ShowSplash();

    m_watch = m_services.makeWatch(m_watchState, network.adapter);
    // A start that found no network asks for the range the next time.
    m_frame.onNetFailure = [this] { m_settings.SetStartVisible(true); };
    if (!m_frame.StartNetwork(network.adapter, m_settings.NetType(), m_watchState,
                              *m_watch, m_services.makeComponents,
                              m_services.firstSweepLimit))
        return false;

    // Without an argument the start opens an empty device sheet; while no
    // editor makes device sheets the work area simply stays empty.
    if (!args.empty()) {
        if (!OpenDocumentFile(args.front()))
            return false;
    } else if (m_ui.HasDocumentKind(".zo") && !OnFileNew()) {
        return false;
    }

    m_ui.ShowMainWindowMaximised();
    m_ui.CloseSplashAfter(750ms);
    // Every start resets the password the device sheet editor asks for.
    WriteRegistryString(kConfigPassKey, kInitialConfigPass);
    return true;
}

bool COstrelApp::OpenDocumentFile(const std::string& path)
{
    return shell::OpenDocumentFile(path, m_frame, m_ui);
}

void COstrelApp::OnNetType()
{
    const auto& dialog = RegisteredDialogs().netType;
    if (!dialog)
        return;
    const bool wired = IsPacketCaptureNetType(m_frame.NetType());
    const std::optional<bool> chosen = dialog(wired);
    if (!chosen || *chosen == wired)
        return;
    const std::string netType(*chosen ? kNetTypeNormal : kNetTypeWireless);
    m_settings.SetNetType(netType);
    m_ui.ShowNetTypePicture(*chosen);
    m_frame.RestartWatch(netType);
}

bool COstrelApp::OnFileNew()
{
    return NewDeviceSheet(m_frame, m_ui);
}

} // namespace shell
