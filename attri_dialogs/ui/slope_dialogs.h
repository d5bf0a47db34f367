#pragma once
// The crossover and filter dialogs (CDSPDlgAttriCrossover,
// CDSPDlgAttriFilter): their controls, the response graph they paint and
// drag, over their controllers, which hold every rule; the widgets show
// what the controller holds after each call.
#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

#include "attri_dialogs/crossover_controller.h"
#include "attri_dialogs/filter_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

namespace shell::ui {
class CMyButton;
}
class QToolButton;

namespace attri_dialogs::ui {

// The up-down buttons beside a value edit: a click reports the position
// one step from the shown one, within the range (none past its ends).
class CAttriSpinButtons final : public QWidget {
    Q_OBJECT
public:
    CAttriSpinButtons(QWidget* parent, int minimum, int maximum);

    void SetPosition(int position) { m_position = position; }
    int Position() const { return m_position; }
    void SetStepHandler(std::function<void(int position)> handler) {
        m_onStep = std::move(handler);
    }
    // A click on the upper (true) or lower button.
    void Step(bool up);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_minimum;
    int m_maximum;
    int m_position;
    QToolButton* m_up;
    QToolButton* m_down;
    std::function<void(int)> m_onStep;
};

class CDSPDlgAttriCrossover final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriCrossover(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                          QWidget* parent, QWidget* viewWidget);

    CAttriCrossoverController& Crossover() const { return *m_crossover; }

    void RefreshControls() override;
    void OnSliderMoving(int position) override;
    void OnSliderReleased() override;

protected:
    void OnSetDefaultValues() override;
    void PlaceSlider() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CDSPDlgAttriCrossover(std::unique_ptr<CAttriCrossoverController> controller, QWidget* parent,
                          QWidget* viewWidget);

    struct Column {
        shell::ui::CMyButton* sync = nullptr;
        QComboBox* types = nullptr;
        CAttriValueEdit* cutoff = nullptr;
        CAttriSpinButtons* spin = nullptr;
    };

    // The filter controls of a column at `x`, `dy` lower than with one row
    // of band buttons.
    void MakeColumn(std::int32_t column, int x, int dy);
    int LayOutBandButtons();
    void LayOutBandPanels();
    void Show();

    std::unique_ptr<CAttriCrossoverController> m_crossover;
    CAttriValueEdit* m_inputLevel = nullptr;
    shell::ui::CMyButton* m_inputMute = nullptr;
    std::array<shell::ui::CMyButton*, 4> m_bandButtons{};
    std::array<Column, 2> m_columns{};
    shell::ui::CMyButton* m_outputMute = nullptr;
    shell::ui::CMyButton* m_outputInvert = nullptr;
    CAttriValueEdit* m_outputLevel = nullptr;
    std::array<QLabel*, 4> m_panels{};
};

class CDSPDlgAttriFilter final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriFilter(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                       QWidget* viewWidget);

    CAttriFilterController& Filter() const { return *m_filter; }

    void RefreshControls() override;

protected:
    void OnSetDefaultValues() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CDSPDlgAttriFilter(std::unique_ptr<CAttriFilterController> controller, QWidget* parent,
                       QWidget* viewWidget);
    void Show();

    std::unique_ptr<CAttriFilterController> m_filter;
    QLabel* m_firstLabel = nullptr;
    QComboBox* m_types = nullptr;
    CAttriValueEdit* m_gain = nullptr;
    CAttriSpinButtons* m_gainSpin = nullptr;
    CAttriValueEdit* m_frequency = nullptr;
    CAttriSpinButtons* m_frequencySpin = nullptr;
    shell::ui::CMyButton* m_bypass = nullptr;
};

} // namespace attri_dialogs::ui
