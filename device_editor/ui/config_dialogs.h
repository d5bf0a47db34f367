#pragma once
// The dialogs over the units' stored hardware configuration: the password
// prompt and the password change, the modal editor of the stored units with
// its add dialog, and the modeless read-only list. Each shows what its
// controller holds and passes the user's actions on to it.
#include <filesystem>
#include <functional>
#include <optional>

#include <QDialog>

#include "device_editor/add_config_controller.h"
#include "device_editor/config_password_controller.h"
#include "device_editor/config_view_controller.h"
#include "device_editor/device_config_controller.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace shell::ui {
class CEditListCtrl;
}

namespace device_editor::ui {

inline constexpr int kModifyPasswordDialog = 131;
inline constexpr int kPasswordDialog = 132;
inline constexpr int kDeviceConfigDialog = 142;
inline constexpr int kConfigViewDialog = 143;
// The add dialog's texts: its own resource number already names the DSP
// toolbar's texts in the language packs.
inline constexpr int kAddConfigDialog = 4130;

// The prompt before the hardware dialog: OK only with an accepted password;
// "修改密码" runs the change dialog and comes back.
class CDeviceDlgPassword final : public QDialog {
    Q_OBJECT
public:
    explicit CDeviceDlgPassword(CConfigPasswordController& password, QWidget* parent = nullptr);

    QLineEdit* PasswordBox() const { return m_box; }
    QPushButton* ModifyButton() const { return m_modify; }

    void accept() override;

private:
    CConfigPasswordController& m_password;
    QLineEdit* m_box = nullptr;
    QPushButton* m_modify = nullptr;
};

// The change of the stored password; stays open after every "修改".
class CDeviceDlgModifyPassword final : public QDialog {
    Q_OBJECT
public:
    explicit CDeviceDlgModifyPassword(CConfigPasswordController& password,
                                      QWidget* parent = nullptr);

    QLineEdit* OldBox() const { return m_old; }
    QLineEdit* NewBox() const { return m_new; }
    QLineEdit* ConfirmBox() const { return m_confirm; }
    QPushButton* ModifyButton() const { return m_modify; }

private:
    void OnModify();

    CConfigPasswordController& m_password;
    QLineEdit* m_old = nullptr;
    QLineEdit* m_new = nullptr;
    QLineEdit* m_confirm = nullptr;
    QPushButton* m_modify = nullptr;
};

// A new unit: the model and the serial number in three groups.
class CDeviceDlgAddConfig final : public QDialog {
    Q_OBJECT
public:
    explicit CDeviceDlgAddConfig(QWidget* parent = nullptr);

    // The unit OK accepted; none until then.
    const std::optional<NewUnit>& Result() const { return m_result; }

    QComboBox* ModelBox() const { return m_model; }
    QLineEdit* Group(int index) const { return m_groups[index]; }
    QPushButton* OkButton() const { return m_ok; }

    void accept() override;

private:
    void OnGroupEdited(int index, const QString& text);

    CAddConfigController m_controller;
    std::optional<NewUnit> m_result;
    QComboBox* m_model = nullptr;
    QLineEdit* m_groups[3] = {};
    QPushButton* m_ok = nullptr;
};

// The modal editor of the stored units. Escape and the close box close it
// as a cancel, "退出" as OK; both ask about edits not yet submitted.
class CDeviceDlgDeviceConfig final : public QDialog {
    Q_OBJECT
public:
    CDeviceDlgDeviceConfig(std::filesystem::path programFolder, IHardwareConfigFrame& frame,
                           QWidget* parent = nullptr);
    ~CDeviceDlgDeviceConfig() override;

    QTableWidget* UnitList() const { return m_units; }
    shell::ui::CEditListCtrl* ChannelList() const { return m_channels; }
    QGroupBox* ChannelFrame() const { return m_channelFrame; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* DeleteButton() const { return m_delete; }
    QPushButton* SubmitButton() const { return m_submit; }
    QPushButton* ExitButton() const { return m_exit; }

    // How "增加" gets the new unit: the add dialog, unless a test puts
    // its own answer here.
    std::function<std::optional<NewUnit>()> askNewUnit;

    void reject() override;

private:
    void ShowAll();
    void ShowChannels();
    void OnUnitSelected();
    void OnChannelsEdited(int first, int last);
    void OnExit();

    CDeviceConfigController m_controller;
    QTableWidget* m_units = nullptr;
    shell::ui::CEditListCtrl* m_channels = nullptr;
    QGroupBox* m_channelFrame = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_submit = nullptr;
    QPushButton* m_exit = nullptr;
    // The lists are being filled: their changes are not the user's.
    bool m_filling = false;
};

// The read-only list of the stored units, modeless. Closing it tells the
// frame (0x405), which destroys it; Enter and Escape do nothing.
class CDeviceDlgConfigView final : public QDialog {
    Q_OBJECT
public:
    CDeviceDlgConfigView(std::filesystem::path programFolder, IHardwareConfigFrame& frame,
                         QWidget* parent = nullptr);

    QTableWidget* List() const { return m_list; }

public slots:
    // Lists the stored units again (the frame calls it by name).
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CConfigViewController m_controller;
    QTableWidget* m_list = nullptr;
};

} // namespace device_editor::ui
