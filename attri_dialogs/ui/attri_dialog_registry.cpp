#include "attri_dialogs/ui/attri_dialog_registry.h"

#include <QAbstractScrollArea>

#include "attri_dialogs/ui/channel_dialogs.h"
#include "attri_dialogs/ui/delay_dialog.h"
#include "attri_dialogs/ui/dynamic_dialog.h"
#include "attri_dialogs/ui/equalizer_dialog.h"
#include "attri_dialogs/ui/generator_dialogs.h"
#include "attri_dialogs/ui/meter_dialog.h"
#include "attri_dialogs/ui/mixer_dialog.h"
#include "attri_dialogs/ui/router_dialog.h"
#include "attri_dialogs/ui/slope_dialogs.h"
#include "attri_dialogs/ui/text_dialog.h"
#include "dsp_editor/zo_dsp_view.h"

namespace attri_dialogs::ui {

namespace {

using dsp_editor::EAttriDialogClass;

template <class Dialog> AttriDialogMaker MakerOf(EAttriDialogClass dialogClass) {
    return {dialogClass,
            [](dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
               QWidget* viewWidget) -> dsp_editor::IAttriDialog* {
                return new Dialog(view, module, parent, viewWidget);
            }};
}

} // namespace

const std::vector<AttriDialogMaker>& AttriDialogMakers() {
    static const std::vector<AttriDialogMaker> makers{
        MakerOf<CDSPDlgAttriInput>(EAttriDialogClass::kInput),
        MakerOf<CDSPDlgAttriInputAll>(EAttriDialogClass::kInputAll),
        MakerOf<CDSPDlgAttriOutput>(EAttriDialogClass::kOutput),
        MakerOf<CDSPDlgAttriOutputAll>(EAttriDialogClass::kOutputAll),
        MakerOf<CDSPDlgAttriFilter>(EAttriDialogClass::kFilter),
        MakerOf<CDSPDlgAttriCrossover>(EAttriDialogClass::kCrossover),
        MakerOf<CDSPDlgAttriDelay>(EAttriDialogClass::kDelay),
        MakerOf<CDSPDlgAttriText>(EAttriDialogClass::kText),
        MakerOf<CDSPDlgAttriRouter>(EAttriDialogClass::kRouter),
        MakerOf<CDSPDlgAttriEqualizer>(EAttriDialogClass::kEqualizer),
        MakerOf<CDSPDlgAttriDynamic>(EAttriDialogClass::kDynamic),
        MakerOf<CDSPDlgAttriSine>(EAttriDialogClass::kSine),
        MakerOf<CDSPDlgAttriNoise>(EAttriDialogClass::kNoise),
        MakerOf<CDSPDlgAttriMixer>(EAttriDialogClass::kMixer),
        MakerOf<CDSPDlgAttriMeter>(EAttriDialogClass::kMeter),
    };
    return makers;
}

QWidget* ViewClientOf(dsp_editor::CZoDSPView& view) {
    auto* window = dynamic_cast<QWidget*>(view.Window());
    if (auto* area = qobject_cast<QAbstractScrollArea*>(window))
        return area->viewport();
    return window;
}

void RegisterAttriDialogs(dsp_editor::CAttriDialogFactory& factory) {
    for (const AttriDialogMaker& maker : AttriDialogMakers()) {
        factory.Register(maker.dialogClass,
                         [make = maker.make](dsp_editor::CZoDSPView& view,
                                             model::CBaseAriModule& module,
                                             const dsp_editor::AttriDialogChoice& choice) {
                             QWidget* client = ViewClientOf(view);
                             return make(view, module, choice.viewParent ? client : nullptr, client);
                         });
    }
}

} // namespace attri_dialogs::ui
