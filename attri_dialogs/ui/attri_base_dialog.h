#pragma once
// CDSPDlgAttriBase: the window every module attribute dialog is built on.
// Modeless and self-owning (closing an editable dialog deletes it), painted
// with the attribute background, it forwards its controls' events to the
// dialog's CAttriController and shows what the controller writes back.
// Enter never closes it, Escape closes it like the close box; a right click
// on the background offers "set default values", a left click there takes
// the focus out of the edits (which applies them).
//
// A derived dialog makes its controls, binds them (BindValueEdit,
// BindToggle), gives level edits a pop-up slider (CreateSlider) and
// overrides the slots it needs.
#include <QDialog>

#include <cstdint>
#include <string_view>

#include "attri_dialogs/attri_controller.h"
#include "attri_dialogs/ui/attri_slider.h"
#include "attri_dialogs/ui/attri_value_edit.h"
#include "dsp_editor/dsp_seams.h"

namespace shell::ui {
class CMyButton;
}

namespace attri_dialogs::ui {

// The command of the background menu (shell::kMenuAttriQuick).
inline constexpr int kCommandSetDefaultValues = 32806;

// Dialog units at the dialogs' fixed base units (4 x 8 units are 6 x 13
// pixels, whatever the font).
QSize DialogUnitsToPixels(int width, int height);

class CDSPDlgAttriBase : public QDialog, public dsp_editor::IAttriDialog, public IAttriSliderOwner {
    Q_OBJECT
public:
    // `viewWidget` is the DSP view's window, whose client coordinates
    // MoveWindow gets (null: they are screen coordinates); `iconId` the
    // window icon's resource.
    CDSPDlgAttriBase(CAttriController& controller, QWidget* parent, QWidget* viewWidget,
                     int iconId);
    ~CDSPDlgAttriBase() override;

    CAttriController& Controller() const { return m_controller; }
    // The pop-up slider, null when the dialog has none.
    CDSPDlgAttriSliderCtrl* Slider() const { return m_slider; }

    // -- IAttriDialog
    std::int32_t GetModuleId() const override { return m_controller.ModuleId(); }
    std::int32_t GetKind() const override { return m_controller.Kind(); }
    void DestroyDialog() override;
    void SetCaption(std::string_view caption) override;
    model::Size WindowSize() const override;
    void MoveWindow(const model::Rect& rect) override;
    void ActivateDialog() override;

    // -- the slots derived dialogs override
    // Reloads the controls from the module; the base hides the slider.
    void RefreshControls() override;
    void ShowDialog() override;
    // Hides the window and the slider.
    void HideDialog() override;
    // The base serves the level edit the slider was last placed beside:
    // moving shows the level there, release applies it as a focus loss.
    void OnSliderMoving(int position) override;
    void OnSliderReleased() override;
    void SetMode(int mode) override;

    // Enter does not close the dialog; reject closes it like the close box.
    void accept() override {}
    void reject() override;

protected:
    // "Set default values" from the background menu: the controller resets
    // the module, then the controls reload.
    virtual void OnSetDefaultValues();
    // Places the slider again beside the edit it serves (the dialog moved).
    virtual void PlaceSlider();

    // The dialog's pop-up slider, made once; the controller moves it.
    CDSPDlgAttriSliderCtrl& CreateSlider(bool horizontal);
    // `edit` shows value edit `value` of `parameter` and forwards its
    // events through the edit recipe; a level edit (parameter.slider) shows
    // the slider beside it when it takes the focus. Both outlive the widget.
    void BindValueEdit(CAttriValueEdit& edit, const AttriParameter& parameter, ValueEdit& value);
    // `button` shows the switch `state` of `parameter` ("On"/"Off") and
    // flips it through the controller when clicked. Both outlive the button.
    void BindToggle(shell::ui::CMyButton& button, const AttriParameter& parameter,
                    std::int32_t& state);
    static void ShowToggle(shell::ui::CMyButton& button, std::int32_t state);

    // The client size the dialog opens with, and the largest the operator
    // may drag it to.
    void SetClientSize(QSize size) { resize(size); }
    void SetLargestSize(QSize size) { setMaximumSize(size); }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // The level edit the slider serves.
    struct ServedEdit {
        CAttriValueEdit* edit = nullptr;
        const AttriParameter* parameter = nullptr;
        ValueEdit* value = nullptr;
    };

    CAttriController& m_controller;
    QWidget* m_viewWidget;
    CDSPDlgAttriSliderCtrl* m_slider = nullptr;
    ServedEdit m_served;
};

} // namespace attri_dialogs::ui
