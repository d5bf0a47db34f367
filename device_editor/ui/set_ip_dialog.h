#pragma once
// The IP-range dialog over its controller: the IP range and network card
// (CDeviceDlgSetIP, with its IP address fields).
#include <filesystem>
#include <optional>

#include <QDialog>
#include <QWidget>

#include "device_editor/set_ip_controller.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace device_editor::ui {

inline constexpr int kSetIpDialog = 133;

// An IPv4 address in four fields over a value: digits only, a number above
// 255 is shown as 255, a field may stay blank. Three digits move the focus
// to the next field.
class CIpAddressEdit final : public QWidget {
    Q_OBJECT
public:
    explicit CIpAddressEdit(CIpAddressValue& value, QWidget* parent = nullptr);

    // Shows the value's fields again (after it changed elsewhere).
    void Refresh();
    QLineEdit* Field(int index) const { return m_fields[index]; }

private:
    void OnEdited(int index, const QString& text);

    CIpAddressValue& m_value;
    QLineEdit* m_fields[4] = {};
};

class CDeviceDlgSetIP final : public QDialog {
    Q_OBJECT
public:
    // `cards` null: the discovery manager could not be made. Opens on the
    // range start-end; the card and the start-up flag come from `iniPath`.
    CDeviceDlgSetIP(INetworkCards* cards, std::filesystem::path iniPath, std::uint32_t start,
                    std::uint32_t end, QWidget* parent = nullptr);

    // What OK set (none before an accepted OK).
    const std::optional<IpRangeSettings>& Result() const { return m_result; }

    QComboBox* CardBox() const { return m_cardBox; }
    CIpAddressEdit* StartEdit() const { return m_startEdit; }
    CIpAddressEdit* EndEdit() const { return m_endEdit; }
    CIpAddressEdit* CardEdit() const { return m_cardEdit; }
    QCheckBox* StartVisibleBox() const { return m_visibleBox; }

    void accept() override;

private:
    void ShowCard();

    CSetIpController m_controller;
    CIpAddressValue m_cardAddress;
    std::optional<IpRangeSettings> m_result;
    QComboBox* m_cardBox = nullptr;
    CIpAddressEdit* m_startEdit = nullptr;
    CIpAddressEdit* m_endEdit = nullptr;
    CIpAddressEdit* m_cardEdit = nullptr;
    QCheckBox* m_visibleBox = nullptr;
};

} // namespace device_editor::ui
