#pragma once
// The matrix mixer's dialog: a grid of cross-point cells on a grey panel,
// one column per input and one row per output, each cell a push-like box
// framing its gain edit (red while the cell routes its input); the input
// level edits and mute buttons under the grid, the output ones right of
// each row. It shows what CAttriMixerController holds and forwards the
// operator's clicks, edits and its two pop-up sliders to it: the vertical
// one serves input levels and cells, the horizontal one output levels.
#include <QPushButton>

#include <memory>
#include <vector>

#include "attri_dialogs/mixer_controller.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

namespace shell::ui {
class CMyButton;
}

namespace attri_dialogs::ui {

class CDSPDlgAttriMixer final : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    CDSPDlgAttriMixer(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                      QWidget* viewWidget);
    ~CDSPDlgAttriMixer() override;

    CAttriMixerController& Mixer() const { return *m_mixer; }
    // The vertical slider (input levels, cells) and the horizontal one
    // (output levels).
    CDSPDlgAttriSliderCtrl& InputSlider() const { return *m_sliderIn; }
    CDSPDlgAttriSliderCtrl& OutputSlider() const { return *m_sliderOut; }

    void RefreshControls() override;
    void HideDialog() override;
    void OnSliderMoving(int position) override;
    void OnSliderReleased() override;

protected:
    void PlaceSlider() override;
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // One of the two sliders as the controller drives it.
    class CSlider;
    struct Cell {
        QPushButton* box = nullptr;
        CAttriValueEdit* gain = nullptr;
    };

    CDSPDlgAttriMixer(std::unique_ptr<CAttriMixerController> controller, QWidget* parent,
                      QWidget* viewWidget);
    void MakeControls();
    // The edit a slider target and index name, null for none.
    CAttriValueEdit* EditOf(EMixerTarget target, std::int32_t index) const;
    Cell& CellAt(std::int32_t i, std::int32_t j) {
        return m_cells[static_cast<std::size_t>(i * m_layout.outputs + j)];
    }
    // Every control from the controller's states and texts; the keyboard
    // focus stays where it is.
    void Show();

    std::unique_ptr<CAttriMixerController> m_mixer;
    MixerLayout m_layout;
    std::vector<Cell> m_cells; // input-major, as the layout's cells
    std::vector<CAttriValueEdit*> m_inputLevels, m_outputLevels;
    std::vector<shell::ui::CMyButton*> m_inputMutes, m_outputMutes;
    CDSPDlgAttriSliderCtrl* m_sliderIn = nullptr;
    CDSPDlgAttriSliderCtrl* m_sliderOut = nullptr;
    std::unique_ptr<CSlider> m_in, m_out;
};

} // namespace attri_dialogs::ui
