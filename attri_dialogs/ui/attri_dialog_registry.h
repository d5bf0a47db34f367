#pragma once
// The attribute dialog classes as the DSP views' factory makes them.
#include <QWidget>

#include <functional>
#include <vector>

#include "dsp_editor/attri_dialogs.h"

namespace attri_dialogs::ui {

// The window that shows a DSP view (null when there is none).
using ViewWidgetOf = std::function<QWidget*(dsp_editor::CZoDSPView& view)>;

// How one dialog class is made: with the view and module, its parent (the
// view's window for the classes whose spec asks for it, else none) and the
// view's window, whose client coordinates the dialog is moved in.
struct AttriDialogMaker {
    dsp_editor::EAttriDialogClass dialogClass;
    std::function<dsp_editor::IAttriDialog*(dsp_editor::CZoDSPView& view,
                                            model::CBaseAriModule& module, QWidget* parent,
                                            QWidget* viewWidget)>
        make;
};

// The dialog classes built so far, one entry each.
const std::vector<AttriDialogMaker>& AttriDialogMakers();

// Registers every class of AttriDialogMakers with `factory`.
void RegisterAttriDialogs(dsp_editor::CAttriDialogFactory& factory, ViewWidgetOf viewWidgetOf);

} // namespace attri_dialogs::ui
