#include "dsp_editor/dsp_clipboard_commands.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

#include "dsp_editor/dsp_clipboard.h"
#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/ari_classes.h"
#include "platform/text/format.h"

namespace dsp_editor {

using model::CBaseAriModule;

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

CDspClipboard* CDspClipboardCommands::Clipboard() const {
    const IDspMainFrame* frame = m_view.GetDocument().GetMainFrame();
    return frame != nullptr ? frame->Clipboard() : nullptr;
}

void CDspClipboardCommands::OnEditCopy() {
    const CZoDSPDoc& doc = m_view.GetDocument();
    CDspClipboard* clipboard = Clipboard();
    if (clipboard == nullptr)
        return;
    CDspClipboard::ModuleCopies copies;
    for (const auto& module : doc.Modules()) {
        if (module->m_selected == 0 || module->IsChannelModule())
            continue;
        if (std::unique_ptr<CBaseAriModule> copy = ClipboardCopy(m_view, *module))
            copies.push_back(std::move(copy));
    }
    clipboard->SetModules(std::move(copies));
}

void CDspClipboardCommands::OnEditCut() {
    const CZoDSPDoc& doc = m_view.GetDocument();
    if (doc.m_live != 0 || m_view.Download().Busy())
        return;
    OnEditCopy();
    m_view.Gestures().OnEditDelete();
}

void CDspClipboardCommands::OnEditPaste() {
    CZoDSPDoc& doc = m_view.GetDocument();
    CDspClipboard* clipboard = Clipboard();
    // While live the sheet's program runs on the unit: a paste would stop
    // its meter readings, so nothing at all changes.
    if (clipboard == nullptr || !clipboard->HasContent() || m_view.Download().m_progress != 0 ||
        doc.m_live != 0)
        return;

    doc.ClearSelection();
    CDSPUndoHistory* history = UndoHistoryOf(doc);
    if (history != nullptr)
        history->BeginStep();
    const std::int32_t offset = kPasteStep * (clipboard->CountPaste() - 1);
    std::int32_t pasted = 0;
    for (const auto& copy : clipboard->Modules()) {
        const ModuleNameRule name = PasteNameOf(copy->m_typeCode);
        if (name.counter < 0)
            continue;
        std::unique_ptr<CBaseAriModule> module =
            model::MakeAriModule(copy->m_typeCode, ++doc.m_moduleIdCounter, copy->m_subType,
                                 copy->m_body.left, copy->m_body.top, doc.m_deviceModel);
        if (!module)
            continue;
        const std::int32_t number = ++doc.m_nameCounters[static_cast<std::size_t>(name.counter)];
        module->m_name = platform::text::format(name.pattern, number);
        module->m_displayName = module->m_name;
        m_view.SendParameterChanges(*copy, *module, false);
        const model::Rect& body = module->m_body;
        const std::int32_t x = PastePlace(body.left, body.Width(), offset, doc.m_sheetWidth);
        const std::int32_t y = PastePlace(body.top, body.Height(), offset, doc.m_sheetHeight);
        module->Offset(x - body.left, y - body.top);

        CBaseAriModule* placed = doc.PutModule(std::move(module));
        doc.SelectModule(*placed);
        if (history != nullptr)
            history->AddAction(kUndoAdd, *placed);
        ++pasted;
    }

    doc.CheckResources();
    doc.m_orderOk = 0;
    doc.m_programBuilt = 0;
    doc.SetModifiedFlag(true);
    m_view.m_selectedModules = m_view.m_selectedAriModules = pasted;
    m_view.m_selectedLinks = 0;
    if (IDspMainFrame* frame = doc.GetMainFrame(); frame && frame->ActiveDspView() == &m_view) {
        DspStatusFigures figures = m_view.StatusFigures(false);
        const model::Rect& last = doc.Modules().items().back()->m_body;
        figures.size = last.GetSize();
        figures.position = last.TopLeft();
        frame->ShowDspStatus(figures);
    }
    if (IDspViewWindow* window = m_view.Window()) {
        window->UpdatePropertyPanel();
        window->Repaint();
    }
}

void CDspClipboardCommands::OnCopyParameters() {
    const CZoDSPDoc& doc = m_view.GetDocument();
    CDspClipboard* clipboard = Clipboard();
    if (clipboard == nullptr)
        return;
    for (const auto& module : doc.Modules()) {
        if (module->m_selected != 0) {
            clipboard->SetParameters(ClipboardCopy(m_view, *module));
            return;
        }
    }
}

CBaseAriModule* CDspClipboardCommands::ParameterTarget() const {
    const CZoDSPDoc& doc = m_view.GetDocument();
    const CDspClipboard* clipboard = Clipboard();
    const CBaseAriModule* parameters = clipboard != nullptr ? clipboard->Parameters() : nullptr;
    if (parameters == nullptr)
        return nullptr;
    for (const auto& module : doc.Modules()) {
        if (module->m_selected != 0 && module->m_typeCode == parameters->m_typeCode &&
            module->m_subType == parameters->m_subType)
            return module.get();
    }
    return nullptr;
}

void CDspClipboardCommands::OnPasteParameters() {
    CZoDSPDoc& doc = m_view.GetDocument();
    CBaseAriModule* module = ParameterTarget();
    if (module == nullptr || m_view.Download().m_progress != 0)
        return;
    const CBaseAriModule& parameters = *Clipboard()->Parameters();
    CDSPUndoHistory* history = UndoHistoryOf(doc);
    CBaseAriModule* after =
        history != nullptr ? history->AddAction(kUndoParameters, *module, 0, 0, true) : nullptr;
    m_view.SendParameterChanges(parameters, *module, doc.m_live != 0);
    if (after != nullptr)
        m_view.SendParameterChanges(parameters, *after, false);
    doc.NotifyModuleChanged(*module);
    m_view.OnModuleChanged(*module);
    m_view.RefreshDialogsOf(*module);
    doc.SetModifiedFlag(true);
}

bool CDspClipboardCommands::CanCopy() const {
    const CZoDSPDoc& doc = m_view.GetDocument();
    return m_view.m_selectedAriModules > 0 && doc.m_live == 0;
}

bool CDspClipboardCommands::CanPaste() const {
    const CZoDSPDoc& doc = m_view.GetDocument();
    const CDspClipboard* clipboard = Clipboard();
    return clipboard != nullptr && clipboard->HasContent() && doc.m_live == 0;
}

bool CDspClipboardCommands::CanCopyParameters() const {
    return m_view.m_selectedModules > 0;
}

bool CDspClipboardCommands::CanPasteParameters() const {
    const CDspClipboard* clipboard = Clipboard();
    return clipboard != nullptr && clipboard->HasParameters();
}

} // namespace dsp_editor
