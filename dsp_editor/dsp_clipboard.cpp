#include "dsp_editor/dsp_clipboard.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/ari_classes.h"
#include "platform/text/format.h"

namespace dsp_editor {

using model::CBaseAriModule;

void CDspClipboard::SetModules(ModuleCopies copies) {
    m_modules = std::move(copies);
    m_pastes = 0;
}

void CDspClipboard::SetParameters(std::unique_ptr<CBaseAriModule> copy) {
    m_parameters = std::move(copy);
}

namespace {

constexpr std::int32_t kPasteMargin = CDspGestures::kMargin;
// How far each further paste of the same copies moves on, down and right.
constexpr std::int32_t kPasteStep = 20;

// The name counter and pattern a pasted module of the type takes: the
// added module's, but a pasted crossover is spelt "Crossover-%d" where an
// added one is "CrossOver-%d". No pattern for the input and output
// modules, which are never pasted.
ModuleNameRule PasteNameOf(std::int32_t type) {
    const ModuleNameRule rule = ModuleNameRuleOf(type);
    if (type == model::kAriCrossover)
        return {rule.counter, "Crossover-%d"};
    return rule;
}

// A pasted module's low edge on one axis: its copy's edge moved on by
// `offset` and wrapped round so that the whole module stays inside the
// margins of `extent` (sheet units, whatever the zoom); a module that
// does not fit between the margins starts at the first one.
std::int32_t PastePlace(std::int32_t edge, std::int32_t length, std::int32_t offset,
                        std::int32_t extent) {
    const std::int32_t places = extent - 2 * kPasteMargin - length + 1;
    if (places <= 1)
        return kPasteMargin;
    const std::int32_t wrapped = (edge - kPasteMargin + offset) % places;
    return kPasteMargin + (wrapped < 0 ? wrapped + places : wrapped);
}

// A copy for the clipboard: the module's class and variant at its place,
// id 0, its parameters; null for a type without a class.
std::unique_ptr<CBaseAriModule> ClipboardCopy(CZoDSPView& view, const CBaseAriModule& module) {
    std::unique_ptr<CBaseAriModule> copy =
        model::MakeAriModule(module.m_typeCode, 0, module.m_subType, module.m_body.left,
                             module.m_body.top, view.GetDocument().m_deviceModel);
    if (copy)
        view.SendParameterChanges(module, *copy, false);
    return copy;
}

} // namespace

// -- the view's clipboard commands

CDspClipboard* CZoDSPView::Clipboard() const {
    const IDspMainFrame* frame = m_document.GetMainFrame();
    return frame != nullptr ? frame->Clipboard() : nullptr;
}

void CZoDSPView::OnEditCopy() {
    CDspClipboard* clipboard = Clipboard();
    if (clipboard == nullptr)
        return;
    CDspClipboard::ModuleCopies copies;
    for (const auto& module : m_document.Modules()) {
        if (module->m_selected == 0 || module->IsChannelModule())
            continue;
        if (std::unique_ptr<CBaseAriModule> copy = ClipboardCopy(*this, *module))
            copies.push_back(std::move(copy));
    }
    clipboard->SetModules(std::move(copies));
}

void CZoDSPView::OnEditCut() {
    if (m_document.m_live != 0 || m_progress != 0 || m_commFault != 0)
        return;
    OnEditCopy();
    Gestures().OnEditDelete();
}

void CZoDSPView::OnEditPaste() {
    CDspClipboard* clipboard = Clipboard();
    // While live the sheet's program runs on the unit: a paste would stop
    // its meter readings, so nothing at all changes.
    if (clipboard == nullptr || !clipboard->HasContent() || m_progress != 0 ||
        m_document.m_live != 0)
        return;

    m_document.ClearSelection();
    CDSPUndoHistory* history = UndoHistoryOf(m_document);
    if (history != nullptr)
        history->BeginStep();
    const std::int32_t offset = kPasteStep * (clipboard->CountPaste() - 1);
    std::int32_t pasted = 0;
    for (const auto& copy : clipboard->Modules()) {
        const ModuleNameRule name = PasteNameOf(copy->m_typeCode);
        if (name.counter < 0)
            continue;
        std::unique_ptr<CBaseAriModule> module =
            model::MakeAriModule(copy->m_typeCode, ++m_document.m_moduleIdCounter, copy->m_subType,
                                 copy->m_body.left, copy->m_body.top, m_document.m_deviceModel);
        if (!module)
            continue;
        const std::int32_t number =
            ++m_document.m_nameCounters[static_cast<std::size_t>(name.counter)];
        module->m_name = platform::text::format(name.pattern, number);
        module->m_displayName = module->m_name;
        SendParameterChanges(*copy, *module, false);
        const model::Rect& body = module->m_body;
        const std::int32_t x = PastePlace(body.left, body.Width(), offset, m_document.m_sheetWidth);
        const std::int32_t y =
            PastePlace(body.top, body.Height(), offset, m_document.m_sheetHeight);
        module->Offset(x - body.left, y - body.top);

        CBaseAriModule* placed = m_document.PutModule(std::move(module));
        m_document.SelectModule(*placed);
        if (history != nullptr)
            history->AddAction(kUndoAdd, *placed);
        ++pasted;
    }

    m_document.CheckResources();
    m_document.m_orderOk = 0;
    m_document.m_programBuilt = 0;
    m_document.SetModifiedFlag(true);
    m_selectedModules = m_selectedAriModules = pasted;
    m_selectedLinks = 0;
    if (IDspMainFrame* frame = m_document.GetMainFrame(); frame && frame->ActiveDspView() == this) {
        DspStatusFigures figures = StatusFigures(false);
        const model::Rect& last = m_document.Modules().items().back()->m_body;
        figures.size = last.GetSize();
        figures.position = last.TopLeft();
        frame->ShowDspStatus(figures);
    }
    if (IDspViewWindow* window = Window()) {
        window->UpdatePropertyPanel();
        window->Repaint();
    }
}

void CZoDSPView::OnCopyParameters() {
    CDspClipboard* clipboard = Clipboard();
    if (clipboard == nullptr)
        return;
    for (const auto& module : m_document.Modules()) {
        if (module->m_selected != 0) {
            clipboard->SetParameters(ClipboardCopy(*this, *module));
            return;
        }
    }
}

CBaseAriModule* CZoDSPView::ParameterTarget() const {
    const CDspClipboard* clipboard = Clipboard();
    const CBaseAriModule* parameters = clipboard != nullptr ? clipboard->Parameters() : nullptr;
    if (parameters == nullptr)
        return nullptr;
    for (const auto& module : m_document.Modules()) {
        if (module->m_selected != 0 && module->m_typeCode == parameters->m_typeCode &&
            module->m_subType == parameters->m_subType)
            return module.get();
    }
    return nullptr;
}

void CZoDSPView::OnPasteParameters() {
    CBaseAriModule* module = ParameterTarget();
    if (module == nullptr || m_progress != 0)
        return;
    const CBaseAriModule& parameters = *Clipboard()->Parameters();
    CDSPUndoHistory* history = UndoHistoryOf(m_document);
    CBaseAriModule* after =
        history != nullptr ? history->AddAction(kUndoParameters, *module, 0, 0, true) : nullptr;
    SendParameterChanges(parameters, *module, m_document.m_live != 0);
    if (after != nullptr)
        SendParameterChanges(parameters, *after, false);
    m_document.NotifyModuleChanged(*module);
    OnModuleChanged(*module);
    RefreshDialogsOf(*module);
    m_document.SetModifiedFlag(true);
}

bool CZoDSPView::CanCopy() const {
    return m_selectedAriModules > 0 && m_document.m_live == 0;
}

bool CZoDSPView::CanPaste() const {
    const CDspClipboard* clipboard = Clipboard();
    return clipboard != nullptr && clipboard->HasContent() && m_document.m_live == 0;
}

bool CZoDSPView::CanCopyParameters() const {
    return m_selectedModules > 0;
}

bool CZoDSPView::CanPasteParameters() const {
    const CDspClipboard* clipboard = Clipboard();
    return clipboard != nullptr && clipboard->HasParameters();
}

} // namespace dsp_editor
