#include "device_editor/ui/device_dialogs.h"

#include <memory>

#include <QPointer>

#include "device_editor/config_password_controller.h"
#include "device_editor/device_property_controller.h"
#include "device_editor/discovery_cards.h"
#include "device_editor/ui/config_dialogs.h"
#include "device_editor/ui/device_property_dialog.h"
#include "device_editor/ui/net_type_dialog.h"
#include "device_editor/ui/set_ip_dialog.h"
#include "platform/app_paths/app_paths.h"
#include "shell/app_settings.h"
#include "shell/ostrel_app.h"
#include "shell/ui/main_frame.h"

namespace device_editor::ui {

namespace {

// The main frame as the hardware dialogs reach it. Notifications are
// posted: the frame may destroy the very dialog that sends one. Each
// carries the changed-unit text of its moment.
class CFrameNotifier final : public QObject, public IHardwareConfigFrame {
public:
    explicit CFrameNotifier(shell::ui::CMainFrame& frame) : m_frame(&frame) {}

    void SetChangedUnit(const std::string& text) override { m_changedUnit = text; }
    void Notify(int code) override {
        QMetaObject::invokeMethod(
            m_frame.data(),
            [frame = m_frame, text = m_changedUnit, code] {
                if (!frame)
                    return;
                frame->Core().SetChangedUnitMac(text);
                frame->Core().OnAppNotify(0, code);
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<shell::ui::CMainFrame> m_frame;
    std::string m_changedUnit;
};

std::filesystem::path Folder() {
    return platform::app_paths::ProgramFolder();
}

} // namespace

void RegisterShellDialogs(shell::ui::CMainFrame& frame) {
    shell::CShellDialogs& dialogs = shell::RegisteredDialogs();
    dialogs.ipRange = [] {
        const shell::CNetworkSettings stored =
            shell::CAppSettings(platform::app_paths::ProgramIniPath()).ReadNetworkSettings();
        const std::unique_ptr<CDiscoveryCards> cards = CDiscoveryCards::Create();
        CDeviceDlgSetIP dialog(cards.get(), platform::app_paths::ProgramIniPath(),
                               stored.startAddress, stored.endAddress);
        return dialog.exec() == QDialog::Accepted;
    };
    dialogs.netType = [&frame](bool wired) -> std::optional<bool> {
        CDeviceDlgNetType dialog(wired ? 0 : 1, &frame);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.Index() == 0;
    };
    dialogs.hardwareConfigView = [&frame] {
        auto* notifier = new CFrameNotifier(frame);
        auto* dialog = new CDeviceDlgConfigView(Folder(), *notifier, &frame);
        notifier->setParent(dialog);
        frame.SetHwConfigDialog(dialog);
        dialog->show();
    };
}

void UnregisterShellDialogs() {
    shell::RegisteredDialogs() = {};
}

bool RunIpRangeDialog(shell::ui::CMainFrame& frame, QWidget* parent) {
    shell::CMainFrameCore& core = frame.Core();
    const std::unique_ptr<CDiscoveryCards> cards = CDiscoveryCards::Create();
    CDeviceDlgSetIP dialog(cards.get(), platform::app_paths::ProgramIniPath(), core.RangeStart(),
                           core.RangeEnd(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    core.SetRange(dialog.Result()->start, dialog.Result()->end);
    return true;
}

void RunHardwareConfigDialogs(shell::ui::CMainFrame& frame, QWidget* parent) {
    CConfigPasswordController password(Folder() / "Registry.ini");
    CDeviceDlgPassword prompt(password, parent);
    if (prompt.exec() != QDialog::Accepted)
        return;
    CFrameNotifier notifier(frame);
    CDeviceDlgDeviceConfig dialog(Folder(), notifier, parent);
    dialog.exec();
}

std::optional<std::string> RunDevicePropertyDialog(CZoDeviceDoc& doc, model::CBaseDevice& device,
                                                   QWidget* parent) {
    if (!CDevicePropertyController::Handles(device))
        return std::nullopt;
    CDeviceDlgDeviceProperty dialog(doc, device, Folder(), platform::app_paths::ProgramIniPath(),
                                    parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return device.m_name;
}

} // namespace device_editor::ui
