#pragma once
// The attribute dialog classes as the DSP views' factory makes them.
#include <QWidget>

#include <functional>
#include <vector>

#include "dsp_editor/module_dialogs.h"

namespace attri_dialogs::ui {

// How one dialog class is made: with the view and module, its parent (the
// view's window for the classes whose choice asks for it, else none) and the
// view's client area, in whose coordinates the dialog is moved.
struct AttriDialogMaker {
    dsp_editor::EAttriDialogClass dialogClass;
    std::function<dsp_editor::IAttriDialog*(dsp_editor::CZoDSPView& view,
                                            model::CBaseAriModule& module, QWidget* parent,
                                            QWidget* viewWidget)>
        make;
};

// The dialog classes built so far, one entry each.
const std::vector<AttriDialogMaker>& AttriDialogMakers();

// The client area of the window that shows a DSP view; null when the view
// has no window or it is no widget.
QWidget* ViewClientOf(dsp_editor::CZoDSPView& view);

// Registers every class of AttriDialogMakers with `factory`.
void RegisterAttriDialogs(dsp_editor::CAttriDialogFactory& factory);

} // namespace attri_dialogs::ui
