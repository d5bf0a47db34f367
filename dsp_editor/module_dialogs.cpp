#include "dsp_editor/module_dialogs.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "dsp_editor/zo_dsp_view.h"
#include "model/base_link.h"

namespace dsp_editor {

namespace {

using model::CBaseAriModule;
using model::CBaseLink;

// The eight channel modules of each side carry these ids.
constexpr std::int32_t kDialogFirstInputId = 1;
constexpr std::int32_t kDialogFirstOutputId = 9;
constexpr std::int32_t kDialogChannelsPerSide = 8;

// The all-channels dialogs' ids.
constexpr std::int32_t kAllInputsId = 0;
constexpr std::int32_t kAllOutputsId = 1;

struct DialogKey {
    std::int32_t moduleId;
    std::int32_t kind;
};

DialogKey DialogKeyOf(const CBaseAriModule& module, bool allChannels) {
    if (allChannels && module.m_typeCode == model::kAriInput)
        return {kAllInputsId, 1};
    if (allChannels && module.m_typeCode == model::kAriOutput)
        return {kAllOutputsId, 1};
    return {module.m_id, 0};
}

struct DialogClassRow {
    EAttriDialogClass dialogClass;
    std::int32_t templateId;
    bool viewParent;
};

std::optional<DialogClassRow> DialogClassOf(const CBaseAriModule& module, bool allChannels) {
    using enum EAttriDialogClass;
    switch (module.m_typeCode) {
    case model::kAriInput:
        return allChannels ? DialogClassRow{kInputAll, 176, true}
                           : DialogClassRow{kInput, 155, true};
    case model::kAriOutput:
        return allChannels ? DialogClassRow{kOutputAll, 173, true}
                           : DialogClassRow{kOutput, 164, true};
    case model::kAriDelay:
        return DialogClassRow{kDelay, 159, false};
    case model::kAriRouter:
        return DialogClassRow{kRouter, 172, false};
    case model::kAriMixer:
        return DialogClassRow{kMixer, 163, false};
    case model::kAriDynamic:
        return DialogClassRow{kDynamic, 158, false};
    case model::kAriGenerator:
        if (module.m_subType == 1)
            return DialogClassRow{kSine, 154, false};
        if (module.m_subType == 2 || module.m_subType == 3)
            return DialogClassRow{kNoise, 174, false};
        return std::nullopt;
    case model::kAriEqualizer:
        return DialogClassRow{kEqualizer, 157, false};
    case model::kAriFilter:
        return DialogClassRow{kFilter, 156, false};
    case model::kAriCrossover:
        return DialogClassRow{kCrossover, 160, false};
    case model::kAriText:
        return DialogClassRow{kText, 235, false};
    case model::kAriMeter:
        return DialogClassRow{kMeter, 175, false};
    default:
        return std::nullopt;
    }
}

// Whether the sheet has a module of that type.
bool SheetHasType(const CZoDSPDoc& document, std::int32_t type) {
    return std::ranges::any_of(document.Modules(),
                               [type](const auto& module) { return module->m_typeCode == type; });
}

// Reloads the listed dialogs with that id whose kind passes.
template <typename KindTest>
void RefreshListedDialogs(const CZoDSPDoc& document, std::int32_t moduleId, KindTest kindTest) {
    // A dialog may reach back into the list while it reloads.
    const std::vector<IAttriDialog*> dialogs = document.AttriDialogs();
    for (IAttriDialog* dialog : dialogs) {
        if (dialog->GetModuleId() == moduleId && kindTest(dialog->GetKind()))
            dialog->RefreshControls();
    }
}

// The host side of the view's window, or one with every default.
IAttriDialogHost& DialogHostOf(const CZoDSPView& view) {
    static IAttriDialogHost none;
    auto* host = dynamic_cast<IAttriDialogHost*>(view.Window());
    return host != nullptr ? *host : none;
}

} // namespace

std::optional<AttriDialogChoice> AttriDialogChoiceOf(const CBaseAriModule& module, bool allChannels) {
    const std::optional<DialogClassRow> row = DialogClassOf(module, allChannels);
    if (!row)
        return std::nullopt;
    const DialogKey key = DialogKeyOf(module, allChannels);
    return AttriDialogChoice{row->dialogClass, row->templateId, row->viewParent, key.moduleId,
                           key.kind};
}

std::string AttriDialogCaption(const CBaseAriModule& module, bool allChannels) {
    switch (module.m_typeCode) {
    case model::kAriInput:
        return allChannels ? "Input All Channel" : "Input " + module.m_displayName;
    case model::kAriOutput:
        return allChannels ? "Output All Channel" : "Output " + module.m_displayName;
    default:
        return module.m_displayName;
    }
}

void CAttriDialogFactory::Register(EAttriDialogClass dialogClass, Maker maker) {
    m_makers.at(static_cast<std::size_t>(dialogClass)) = std::move(maker);
}

IAttriDialog* CAttriDialogFactory::Create(CZoDSPView& view, CBaseAriModule& module,
                                          bool allChannels) {
    const std::optional<AttriDialogChoice> choice = AttriDialogChoiceOf(module, allChannels);
    if (!choice)
        return nullptr;
    const Maker& maker = m_makers[static_cast<std::size_t>(choice->dialogClass)];
    return maker ? maker(view, module, *choice) : nullptr;
}

CAttriDialogFactory& AttriDialogFactory() {
    static CAttriDialogFactory factory;
    return factory;
}

model::Rect PlaceAttriDialog(const model::Rect& body, model::Size size, double factor,
                             model::Point scroll, const std::optional<model::Rect>& view) {
    std::int32_t x = static_cast<std::int32_t>(body.left * factor) - scroll.x;
    std::int32_t y = static_cast<std::int32_t>(body.bottom * factor) - scroll.y;
    if (view) {
        if (x + size.cx > view->right)
            x = view->right - size.cx;
        if (y + size.cy > view->bottom)
            y = view->bottom - size.cy;
    }
    x = std::max(x, 0);
    y = std::max(y, 0);
    return {model::Point{x, y}, size};
}

IAttriDialog* CZoDSPView::ShowAttriDialog(CBaseAriModule& module, bool allChannels) {
    const DialogKey key = DialogKeyOf(module, allChannels);
    for (IAttriDialog* dialog : m_document.AttriDialogs()) {
        if (dialog->GetModuleId() == key.moduleId && dialog->GetKind() == key.kind) {
            dialog->ShowDialog();
            dialog->ActivateDialog();
            return dialog;
        }
    }
    IAttriDialog* dialog = OpenAttriDialog(module, allChannels);
    if (dialog == nullptr)
        return nullptr;
    const IAttriDialogHost& host = DialogHostOf(*this);
    dialog->MoveWindow(PlaceAttriDialog(module.m_body, dialog->WindowSize(), host.ZoomFactor(),
                                        host.ScrollPosition(), host.ViewRect()));
    m_document.AddAttriDialog(dialog);
    dialog->ShowDialog();
    return dialog;
}

IAttriDialog* CZoDSPView::OpenAttriDialog(CBaseAriModule& module, bool allChannels) {
    IAttriDialog* dialog = AttriDialogFactory().Create(*this, module, allChannels);
    if (dialog != nullptr)
        dialog->SetCaption(AttriDialogCaption(module, allChannels));
    return dialog;
}

void CZoDSPView::RemoveAttriDialog(std::int32_t moduleId, std::int32_t kind) {
    m_document.RemoveAttriDialog(moduleId, kind);
}

void CZoDSPView::SelectModuleFromDialog(std::int32_t activation, CBaseAriModule* module,
                                        bool allChannels, CBaseLink* link) {
    IAttriDialogHost& host = DialogHostOf(*this);
    IDspMainFrame* frame = m_document.GetMainFrame();
    if (activation == kDialogInactive) {
        if (frame != nullptr && frame->ActiveDspView() == this)
            return;
        // Copied: hiding may reach back into the list.
        const std::vector<IAttriDialog*> dialogs = m_document.AttriDialogs();
        for (IAttriDialog* dialog : dialogs)
            dialog->HideDialog();
        host.HidePropertyPanel();
        return;
    }
    if (activation != kDialogClickActive)
        return;

    host.ActivateView();
    m_document.ClearSelection();
    if (link != nullptr) {
        m_document.SelectLink(*link);
    } else if (module != nullptr) {
        m_document.SelectModule(*module);
        const bool input = module->m_typeCode == model::kAriInput;
        if (allChannels && (input || module->m_typeCode == model::kAriOutput)) {
            const std::int32_t first = input ? kDialogFirstInputId : kDialogFirstOutputId;
            for (std::int32_t id = first; id < first + kDialogChannelsPerSide; ++id) {
                if (CBaseAriModule* channel = m_document.GetModuleById(id))
                    m_document.SelectModule(*channel);
            }
        }
    }
    CountSelection();
    DspStatusFigures figures = StatusFigures(m_document.m_orderOk != 0);
    if (link == nullptr && module != nullptr) {
        figures.size = {module->m_body.Width(), module->m_body.Height()};
        figures.position = {module->m_body.left, module->m_body.top};
    }
    if (m_window != nullptr) {
        m_window->UpdatePropertyPanel();
        m_window->Repaint();
    }
    if (frame != nullptr)
        frame->ShowDspStatus(figures);
}

void CZoDSPView::RefreshInputDialog(std::int32_t k) {
    if (SheetHasType(m_document, model::kAriInput))
        RefreshListedDialogs(m_document, kDialogFirstInputId + k,
                             [](std::int32_t kind) { return kind == 0; });
}

void CZoDSPView::RefreshInputAllDialog() {
    if (SheetHasType(m_document, model::kAriInput))
        RefreshListedDialogs(m_document, kAllInputsId, [](std::int32_t kind) { return kind != 0; });
}

void CZoDSPView::RefreshOutputDialog(std::int32_t k) {
    if (SheetHasType(m_document, model::kAriOutput))
        RefreshListedDialogs(m_document, kDialogFirstOutputId + k,
                             [](std::int32_t kind) { return kind == 0; });
}

void CZoDSPView::RefreshOutputAllDialog() {
    if (SheetHasType(m_document, model::kAriOutput))
        RefreshListedDialogs(m_document, kAllOutputsId,
                             [](std::int32_t kind) { return kind != 0; });
}

} // namespace dsp_editor
