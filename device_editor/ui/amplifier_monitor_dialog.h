#pragma once
// The monitored amplifier's status window over its controller
// (CDeviceDlgQOVGProperty, modeless, one per unit, kept by the document
// through a handle); it opens the limits dialog (amplifier_limits_dialog.h)
// modally.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "device_editor/amplifier_monitor_controller.h"
#include "device_editor/device_doc_seams.h"
#include "device_editor/sheet_lock.h"
#include "device_editor/ui/amplifier_limits_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace model {
class CDeviceQOVG;
}

namespace shell::ui {
class CMyButton;
class CMySliderCtrl;
class CVolumeBarCtrl3;
} // namespace shell::ui

namespace device_editor::ui {

inline constexpr int kMonitorDialog = 337;

// The status window: modeless. Closing it (close box, Escape, OK) only hides
// it and tells the owner, which removes the handle and with it the window.
class CDeviceDlgQOVGProperty final : public QDialog {
    Q_OBJECT
public:
    // Asks the poller for the sleep state and shows the record as it is.
    CDeviceDlgQOVGProperty(CZoDeviceDoc& doc, model::CDeviceQOVG& unit, SheetLock lock,
                           QWidget* parent);

    CAmplifierMonitorController& Controller() { return m_controller; }
    const model::CDeviceQOVG& Unit() const { return m_unit; }
    // Called once when the operator closes the window: the owner removes it.
    std::function<void()> onClosed;

    // The bars: 0 left volume, 1 right volume, 2 voltage, 3 current,
    // 4 temperature.
    enum EBar { kLeftVolumeBar, kRightVolumeBar, kVoltageBar, kCurrentBar, kTemperatureBar };
    shell::ui::CVolumeBarCtrl3* Bar(EBar bar) const {
        return m_bars[static_cast<std::size_t>(bar)];
    }
    // Reading k's value field, scale marks (top to bottom, joined by blank
    // lines) and caption.
    QLabel* ValueField(int k) const { return m_values[Index(k)]; }
    QString ScaleText(int k) const;
    QLabel* CaptionText(int k) const { return m_captions[Index(k)]; }
    // The left (0) and right (1) volume texts.
    QLabel* VolumeText(int side) const { return m_volumeTexts[static_cast<std::size_t>(side)]; }
    shell::ui::CMyButton* SleepButton() const { return m_sleep; }
    QPushButton* StoreGainButton() const { return m_storeGain; }
    QPushButton* LimitsButton() const { return m_limitsButton; }
    shell::ui::CMySliderCtrl* GainSlider() const { return m_slider; }
    QLineEdit* GainBox() const { return m_gainBox; }
    const QTimer& BlinkTimer() const { return m_blinkTimer; }
    // The limits dialog while it is open.
    CDeviceDlgQOVGSetAttri* LimitsDialog() const { return m_limitsDialog; }

    void done(int result) override;

public slots:
    // 0x415 new readings, 0x416 new sleep state, 1047 and 1048 for the open
    // limits dialog.
    void appNotify(int code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static std::size_t Index(int k) { return static_cast<std::size_t>(k); }
    // Reading k's bar (the bars are ordered voltage, current, temperature).
    shell::ui::CVolumeBarCtrl3* ReadingBar(int k) const;

    void ShowReadings();
    void ShowSwitch();
    void ShowScales();
    void ShowReadingBars();
    void OnBlink();
    void OnLimits();
    void CommitGainBox();

    CZoDeviceDoc& m_doc;
    model::CDeviceQOVG& m_unit;
    SheetLock m_lock;
    CAmplifierMonitorController m_controller;
    QTimer m_blinkTimer;
    std::array<shell::ui::CVolumeBarCtrl3*, 5> m_bars{};
    std::array<QLabel*, amplifier::kReadings> m_values{};
    std::array<std::vector<QLabel*>, amplifier::kReadings> m_scales;
    std::array<QLabel*, amplifier::kReadings> m_captions{};
    std::array<QLabel*, 2> m_volumeTexts{};
    shell::ui::CMyButton* m_sleep = nullptr;
    QPushButton* m_storeGain = nullptr;
    QPushButton* m_limitsButton = nullptr;
    shell::ui::CMySliderCtrl* m_slider = nullptr;
    QLineEdit* m_gainBox = nullptr;
    QPointer<CDeviceDlgQOVGSetAttri> m_limitsDialog;
};

// The document's handle on a status window. It answers the run state's
// notifications through its own appNotify slot, as the window does.
// Destroying it deletes the window unless the window already went with its
// parent.
class CAmplifierStatusWindow final : public QObject, public IDeviceStatusWindow {
    Q_OBJECT
public:
    // Takes the window.
    explicit CAmplifierStatusWindow(CDeviceDlgQOVGProperty* dialog);
    ~CAmplifierStatusWindow() override;

    std::int32_t DeviceId() const override { return m_id; }
    std::int32_t DeviceSubType() const override { return m_subType; }
    // Null once the window went with its parent.
    CDeviceDlgQOVGProperty* Dialog() const { return m_dialog; }

public slots:
    void appNotify(int code);

private:
    QPointer<CDeviceDlgQOVGProperty> m_dialog;
    std::int32_t m_id = 0;
    std::int32_t m_subType = 0;
};

// A new status window of `unit` under `parent`, not shown yet; `onClosed`
// runs once when the operator closes it.
std::unique_ptr<IDeviceStatusWindow> MakeAmplifierStatusWindow(CZoDeviceDoc& doc,
                                                               model::CDeviceQOVG& unit,
                                                               SheetLock lock, QWidget* parent,
                                                               std::function<void()> onClosed);

} // namespace device_editor::ui
