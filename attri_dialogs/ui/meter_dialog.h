#pragma once
// The meter's dialog: per meter channel a framed block with the channel's
// number, the module and output it is linked to, a level bar with its
// scale, the level readout, the peak-hold time (an edit with an up-down
// control) and the hold and infinite-hold buttons; four blocks a row. Its
// 100 ms timer drives CAttriMeterController's polling; the levels the unit
// answers arrive through ShowMeterLevel.
#include <QTimer>

#include <array>
#include <memory>

#include "attri_dialogs/meter_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

class QLabel;
class QScrollBar;
namespace shell::ui {
class CMyButton;
class CVolumeBarCtrl;
} // namespace shell::ui

namespace attri_dialogs::ui {

class CDSPDlgAttriMeter final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriMeter(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                      QWidget* viewWidget);
    ~CDSPDlgAttriMeter() override;

    CAttriMeterController& Meter() const { return *m_meter; }
    // The polling timer, for whoever steps it.
    QTimer& PollTimer() { return m_timer; }

    void RefreshControls() override;
    void ShowMeterLevel(std::int32_t channel, double dB) override;

private:
    class CTimer;
    struct Row {
        QLabel* moduleCaption = nullptr;
        QLabel* channelCaption = nullptr;
        QLabel* readout = nullptr;
        CAttriValueEdit* holdTime = nullptr;
        QScrollBar* upDown = nullptr;
        shell::ui::CMyButton* hold = nullptr;
        shell::ui::CMyButton* infiniteHold = nullptr;
        shell::ui::CVolumeBarCtrl* bar = nullptr;
    };

    CDSPDlgAttriMeter(std::unique_ptr<CAttriMeterController> controller, QWidget* parent,
                      QWidget* viewWidget);
    void MakeChannel(std::int32_t k);
    // Every channel's hold settings and texts from the controller.
    void Show();

    std::unique_ptr<CAttriMeterController> m_meter;
    QTimer m_timer;
    std::unique_ptr<CTimer> m_timerSeam;
    std::array<Row, model::CAriMeter::kMaxInputs> m_rows;
};

} // namespace attri_dialogs::ui
