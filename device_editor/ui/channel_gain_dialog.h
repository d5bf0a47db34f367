#pragma once
// The channel gain dialog over its controller: eight columns of twelve gain
// buttons with a phantom-power bar under each, scrolled over a unit's inputs
// when it has more than eight. Every click goes to the controller, which asks
// and sends; the columns are then drawn again from what it holds.
#include <array>
#include <filesystem>

#include <QDialog>

#include "device_editor/channel_gain_controller.h"

class QEvent;
class QKeyEvent;
class QLabel;
class QScrollBar;

namespace shell::ui {
class CMyButton;
class CVolumeBarCtrl3;
} // namespace shell::ui

namespace device_editor::ui {

inline constexpr int kChannelGainDialog = 140;

class CDeviceDlgChnlGain final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kColumns = CChannelGainController::kColumns;
    static constexpr int kRows = CChannelGainController::kRows;

    // Modal; run with exec(). Opens the controller (address check, unit file).
    CDeviceDlgChnlGain(CZoDeviceDoc& doc, model::CBaseDevice& unit, IUnitPort& port,
                       std::filesystem::path programFolder, SheetLock lock, QWidget* parent);
    ~CDeviceDlgChnlGain() override;

    CChannelGainController& Controller() { return m_controller; }

    // Row 0 is "+66 dB", row 11 "0 dB".
    shell::ui::CMyButton* Button(int column, int row) const { return m_buttons[column][row]; }
    shell::ui::CVolumeBarCtrl3* PhantomBar(int column) const { return m_bars[column]; }
    QLabel* ColumnLabel(int column) const { return m_labels[column]; }
    QLabel* AddressLabel() const { return m_address; }
    QScrollBar* ScrollBar() const { return m_scrollBar; }

    // Every end of the dialog (close box, Escape, accept) passes here.
    void done(int result) override;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void OnScrollAction(int action);
    void ShowColumns();
    void Close();

    CChannelGainController m_controller;
    bool m_closed = false;
    QLabel* m_address = nullptr;
    std::array<QLabel*, kColumns> m_labels{};
    std::array<std::array<shell::ui::CMyButton*, kRows>, kColumns> m_buttons{};
    std::array<shell::ui::CVolumeBarCtrl3*, kColumns> m_bars{};
    QScrollBar* m_scrollBar = nullptr;
};

} // namespace device_editor::ui
