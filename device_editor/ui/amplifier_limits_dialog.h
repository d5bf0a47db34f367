#pragma once
// The monitored amplifier's limits dialog over its controller
// (CDeviceDlgQOVGSetAttri), opened modally from the status window.
#include <array>
#include <cstddef>

#include <QDialog>

#include "device_editor/amplifier_limits_controller.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace device_editor::ui {

inline constexpr int kLimitsDialog = 338;

// The limits dialog, modal (exec()). Every control writes back into the
// controller's rows before a controller call, and the rows are shown again
// after it.
class CDeviceDlgQOVGSetAttri final : public QDialog {
    Q_OBJECT
public:
    // The rows and the global check are loaded from the record at once.
    CDeviceDlgQOVGSetAttri(CAmplifierLimitsController& controller, QWidget* parent);

    // Shows the controller's rows and global check again (after 1047 and
    // 1048 reached the controller).
    void ShowRows();

    enum EField { kScaleLower, kScaleUpper, kAlarmLower, kAlarmUpper };
    QLineEdit* NameEdit(int k) const { return m_rows[Row(k)].name; }
    QLineEdit* Field(int k, EField field) const { return m_rows[Row(k)].fields[field]; }
    QCheckBox* AlarmBox(int k) const { return m_rows[Row(k)].alarm; }
    QComboBox* UnitBox(int k) const { return m_rows[Row(k)].unit; }
    QCheckBox* GlobalBox() const { return m_global; }
    QPushButton* RefreshButton() const { return m_refresh; }
    QPushButton* DownloadButton() const { return m_download; }

    void accept() override;

private:
    struct RowControls {
        QLineEdit* name = nullptr;
        std::array<QLineEdit*, 4> fields{};
        QCheckBox* alarm = nullptr;
        QComboBox* unit = nullptr;
    };
    static std::size_t Row(int k) { return static_cast<std::size_t>(k); }

    void Collect();
    // After a refusal: the empty name, else the field that failed.
    void FocusFailure();

    CAmplifierLimitsController& m_controller;
    std::array<RowControls, amplifier::kReadings> m_rows;
    QCheckBox* m_global = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_download = nullptr;
};

} // namespace device_editor::ui
