#pragma once
// The device and channel property dialog over its controller: name, the
// stored unit (by MAC), channel names edited in place and the four colours
// that the device and its twin show at once.
#include <filesystem>

#include <QDialog>

#include "device_editor/device_property_controller.h"
#include "platform/gdi/qt_canvas.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace device_editor::ui {

// The dialog's texts (it has no resource number of its own).
inline constexpr int kDevicePropertyDialog = 4133;

class CDeviceDlgDeviceProperty final : public QDialog {
    Q_OBJECT
public:
    // `device` (a unit, generic device or matrix) belongs to `doc`; the
    // unit files are under `programFolder`, "保存为默认" writes `iniPath`.
    CDeviceDlgDeviceProperty(CZoDeviceDoc& doc, model::CBaseDevice& device,
                             std::filesystem::path programFolder, std::filesystem::path iniPath,
                             QWidget* parent = nullptr);

    QLineEdit* NameBox() const { return m_name; }
    QComboBox* MacBox() const { return m_mac; }
    QTableWidget* ChannelList() const { return m_channels; }
    QPushButton* Swatch(EDeviceColour slot) const { return m_swatches[static_cast<int>(slot)]; }

    // A swatch's colour chosen (the colour chooser's OK).
    void ChooseColour(EDeviceColour slot, model::COLORREF colour);

    void accept() override;
    void reject() override;

private:
    void ShowSwatch(EDeviceColour slot);

    CDevicePropertyController m_controller;
    std::filesystem::path m_iniPath;
    platform::gdi::QtTextMeasurer m_measurer;
    QLineEdit* m_name = nullptr;
    QComboBox* m_mac = nullptr;
    QTableWidget* m_channels = nullptr;
    QPushButton* m_swatches[4] = {};
};

} // namespace device_editor::ui
