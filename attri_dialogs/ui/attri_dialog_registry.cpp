#include "attri_dialogs/ui/attri_dialog_registry.h"

namespace attri_dialogs::ui {

const std::vector<AttriDialogMaker>& AttriDialogMakers() {
    // Each dialog class adds its entry here as it is built.
    static const std::vector<AttriDialogMaker> makers;
    return makers;
}

void RegisterAttriDialogs(dsp_editor::CAttriDialogFactory& factory, ViewWidgetOf viewWidgetOf) {
    for (const AttriDialogMaker& maker : AttriDialogMakers()) {
        factory.Register(maker.dialogClass, [make = maker.make, viewWidgetOf](
                                                dsp_editor::CZoDSPView& view,
                                                model::CBaseAriModule& module,
                                                const dsp_editor::AttriDialogSpec& spec) {
            QWidget* viewWidget = viewWidgetOf ? viewWidgetOf(view) : nullptr;
            return make(view, module, spec.viewParent ? viewWidget : nullptr, viewWidget);
        });
    }
}

} // namespace attri_dialogs::ui
