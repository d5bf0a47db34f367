#include "dsp_editor/dsp_undo.h"

#include <algorithm>
#include <utility>

#include "dsp_editor/parameter_copy.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "model/sheet_classes.h"
#include "platform/archive/archive.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using model::CBaseAriModule;
using model::CBaseLink;

namespace pa = platform::archive;

namespace {

// The channel tables' group-start flag is saved with the sheet and changed
// through the undo history, but it is no parameter: pasting parameters and
// binding groups leave it alone, so the history puts it back itself.
void TakeGroupStart(const CBaseAriModule& source, CBaseAriModule& module) {
    if (const auto* input = dynamic_cast<const model::CAriInput*>(&source)) {
        if (auto* target = dynamic_cast<model::CAriInput*>(&module))
            target->m_groupStart = input->m_groupStart;
    } else if (const auto* output = dynamic_cast<const model::CAriOutput*>(&source)) {
        if (auto* target = dynamic_cast<model::CAriOutput*>(&module))
            target->m_groupStart = output->m_groupStart;
    }
}

const pa::class_registry_t& ModuleRegistry() {
    static const pa::class_registry_t registry = [] {
        pa::class_registry_t r;
        model::RegisterSheetClasses(r);
        return r;
    }();
    return registry;
}

DspSheetSettings ReadSettings(const CZoDSPDoc& doc) {
    return {doc.m_sheetWidth,    doc.m_sheetHeight, doc.m_nameCounters, doc.m_moduleIdCounter,
            doc.m_linkIdCounter, doc.m_spaceTotal,  doc.m_timeTotal,    doc.m_hiddenModules};
}

void WriteSettings(CZoDSPDoc& doc, const DspSheetSettings& s) {
    doc.m_sheetWidth = s.width;
    doc.m_sheetHeight = s.height;
    doc.m_nameCounters = s.nameCounters;
    doc.m_moduleIdCounter = s.moduleIdCounter;
    doc.m_linkIdCounter = s.linkIdCounter;
    doc.m_spaceTotal = s.spaceTotal;
    doc.m_timeTotal = s.timeTotal;
    doc.m_hiddenModules = s.hiddenModules;
}

bool IsStructural(std::int32_t kind) {
    return kind == kUndoAdd || kind == kUndoDelete || kind == kUndoSheet;
}

} // namespace

void CDSPUndoSnapshotAction::Exchange(CZoDSPDoc& doc) {
    const DspSheetSettings held = m_settings;
    m_settings = ReadSettings(doc);
    WriteSettings(doc, held);
    doc.SwapSheet(m_modules, m_links);
    m_documentHoldsNew = !m_documentHoldsNew;
}

std::unique_ptr<IDspUndoRecorder> MakeDspUndoHistory(CZoDSPDoc& doc) {
    return std::make_unique<CDSPUndoHistory>(doc);
}

CDSPUndoHistory* UndoHistoryOf(const CZoDSPDoc& doc) {
    return dynamic_cast<CDSPUndoHistory*>(doc.GetUndoHistory());
}

// -- recording

void CDSPUndoHistory::BeginStep() {
    std::erase_if(m_actions, [this](const auto& action) { return action->m_step > m_position; });
    ++m_position;
    m_redoCount = 0;
}

void CDSPUndoHistory::Append(std::unique_ptr<CDSPUndoAction> action) {
    m_actions.push_back(std::move(action));
}

void CDSPUndoHistory::RecordDeletedModule(std::unique_ptr<CBaseAriModule> module) {
    auto action = std::make_unique<CDSPUndoAction>(m_position, kUndoDelete);
    action->m_id = module->m_id;
    action->m_module = std::move(module);
    Append(std::move(action));
}

void CDSPUndoHistory::RecordDeletedLink(std::unique_ptr<CBaseLink> link) {
    auto action = std::make_unique<CDSPUndoAction>(m_position, kUndoDelete);
    action->m_onLink = true;
    action->m_id = link->m_id;
    action->m_link = std::move(link);
    Append(std::move(action));
}

CBaseAriModule* CDSPUndoHistory::AddAction(std::int32_t kind, CBaseAriModule& module,
                                           std::int32_t dx, std::int32_t dy, bool merge) {
    if (kind != kUndoMove && kind != kUndoAdd && kind != kUndoParameters && kind != kUndoGroup)
        return nullptr;
    std::unique_ptr<CBaseAriModule> after, before;
    if (kind == kUndoParameters) {
        // Successive changes of one module make one step, but never one that
        // was undone: that would change a step redo still holds.
        if (merge && m_redoCount == 0) {
            for (const auto& action : m_actions)
                if (action->m_step == m_position && action->m_kind == kUndoParameters &&
                    action->m_id == module.m_id)
                    return action->m_module.get();
        }
        after = CloneModule(module);
        before = CloneModule(module);
        if (!after || !before)
            return nullptr;
        if (merge)
            BeginStep();
    }

    auto action = std::make_unique<CDSPUndoAction>(m_position, kind);
    action->m_id = module.m_id;
    CBaseAriModule* held = &module;
    switch (kind) {
    case kUndoMove:
        action->m_dx = dx;
        action->m_dy = dy;
        break;
    case kUndoParameters:
        held = after.get();
        action->m_module = std::move(after);
        action->m_before = std::move(before);
        break;
    case kUndoGroup:
        action->m_group = module.m_group;
        action->m_groupName = module.m_groupName;
        break;
    default:
        break;
    }
    Append(std::move(action));
    return held;
}

void CDSPUndoHistory::AddHideAction(const CBaseAriModule& module, std::int32_t hidden) {
    auto action = std::make_unique<CDSPUndoAction>(m_position, kUndoHide);
    action->m_id = module.m_id;
    action->m_hiddenBefore = module.m_hidden;
    action->m_hiddenAfter = hidden;
    action->m_sheetHiddenBefore = m_doc.m_hiddenModules;
    action->m_sheetHiddenAfter = hidden;
    Append(std::move(action));
}

void CDSPUndoHistory::AddLinkAction(std::int32_t kind, const CBaseLink& link) {
    if (kind != kUndoAdd || m_doc.m_live != 0)
        return;
    auto action = std::make_unique<CDSPUndoAction>(m_position, kUndoAdd);
    action->m_onLink = true;
    action->m_id = link.m_id;
    Append(std::move(action));
}

CDSPUndoSnapshotAction* CDSPUndoHistory::AddSheetAction() {
    auto action = std::make_unique<CDSPUndoSnapshotAction>(m_position);
    action->m_settings = ReadSettings(m_doc);
    m_doc.SwapSheet(action->m_modules, action->m_links);
    CDSPUndoSnapshotAction* added = action.get();
    Append(std::move(action));
    return added;
}

std::unique_ptr<CBaseAriModule> CDSPUndoHistory::CloneModule(const CBaseAriModule& module) const {
    if (module.m_typeCode < model::kAriInput || module.m_typeCode > model::kAriMeter ||
        module.m_typeCode == model::kAriGeneral)
        return nullptr;
    // Through the stored form rather than an empty module and the parameter
    // copy: the copy bounds its loops by the destination's channel and band
    // counts, which an empty module does not have.
    pa::archive_t out;
    // Storing reads the module only.
    out.WriteObject(const_cast<CBaseAriModule*>(&module));
    const std::vector<std::uint8_t> bytes = out.TakeBytes();
    pa::archive_t in(bytes, ModuleRegistry());
    return in.ReadObject<CBaseAriModule>();
}

// -- undo and redo

CZoDSPView* CDSPUndoHistory::ActiveView() const {
    IDspMainFrame* frame = m_doc.GetMainFrame();
    CZoDSPView* view = frame != nullptr ? frame->ActiveDspView() : nullptr;
    return view != nullptr && &view->GetDocument() == &m_doc ? view : nullptr;
}

std::vector<CDSPUndoAction*> CDSPUndoHistory::StepActions(std::int32_t step,
                                                          bool newestFirst) const {
    std::vector<CDSPUndoAction*> actions;
    for (const auto& action : m_actions)
        if (action->m_step == step)
            actions.push_back(action.get());
    if (newestFirst)
        std::reverse(actions.begin(), actions.end());
    return actions;
}

int CDSPUndoHistory::Refusal(const CDSPUndoAction& action, const CZoDSPView& view,
                             bool undo) const {
    if (m_doc.m_live == 0 && view.Download().m_progress == 0)
        return 0;
    // The message names what the step would do now: undoing an addition
    // deletes, redoing it adds.
    switch (action.m_kind) {
    case kUndoMove:
        return resources::kMsgMoveWhileLive;
    case kUndoAdd:
        return undo ? resources::kMsgDeleteWhileLive : resources::kMsgAddWhileLive;
    case kUndoDelete:
        return undo ? resources::kMsgAddWhileLive : resources::kMsgDeleteWhileLive;
    case kUndoSheet:
        return resources::kMsgLoadTemplateWhileLive;
    default:
        return 0;
    }
}

bool CDSPUndoHistory::Undo() {
    return Apply(true);
}

bool CDSPUndoHistory::Redo() {
    return Apply(false);
}

bool CDSPUndoHistory::Apply(bool undo) {
    CZoDSPView* view = ActiveView();
    if (view == nullptr || (undo ? m_position < 1 : m_redoCount < 1))
        return false;
    const std::vector<CDSPUndoAction*> actions =
        StepActions(undo ? m_position : m_position + 1, undo);
    // A refusal comes before anything changes: no step is left half done.
    for (const CDSPUndoAction* action : actions) {
        if (const int message = Refusal(*action, *view, undo)) {
            model::ShowMessage(message);
            return false;
        }
    }

    m_doc.ClearSelection();
    bool structural = false, panel = false;
    for (CDSPUndoAction* action : actions) {
        ApplyAction(*action, *view, undo);
        structural = structural || IsStructural(action->m_kind);
        panel = panel || action->m_kind == kUndoAdd || action->m_kind == kUndoDelete ||
                action->m_kind == kUndoParameters;
    }
    if (undo) {
        --m_position;
        ++m_redoCount;
    } else {
        ++m_position;
        --m_redoCount;
    }
    if (structural) {
        m_doc.m_orderOk = 0;
        m_doc.m_programBuilt = 0;
    }

    m_doc.CheckResources();
    view->CountSelection();
    if (IDspMainFrame* frame = m_doc.GetMainFrame())
        frame->ShowDspStatus(view->StatusFigures(undo && m_doc.m_orderOk != 0));
    if (IDspViewWindow* window = view->Window()) {
        if (panel)
            window->UpdatePropertyPanel();
        window->Repaint();
    }
    m_doc.SetModifiedFlag(true);
    return true;
}

void CDSPUndoHistory::ApplyAction(CDSPUndoAction& action, CZoDSPView& view, bool undo) {
    if (action.m_kind == kUndoSheet) {
        static_cast<CDSPUndoSnapshotAction&>(action).Exchange(m_doc);
        m_doc.ClearSelection();
        return;
    }
    if (action.m_kind == kUndoAdd || action.m_kind == kUndoDelete) {
        // Undoing an addition or redoing a deletion takes the object out.
        const bool putBack = (action.m_kind == kUndoDelete) == undo;
        if (action.m_onLink)
            ApplyLinkAction(action, putBack);
        else
            ApplyModuleAction(action, putBack);
        return;
    }

    CBaseAriModule* module = m_doc.GetModuleById(action.m_id);
    if (module == nullptr)
        return;
    switch (action.m_kind) {
    case kUndoMove:
        m_doc.MoveModule(*module, undo ? -action.m_dx : action.m_dx,
                         undo ? -action.m_dy : action.m_dy);
        break;
    case kUndoParameters:
        ApplyParameters(action, *module, view, undo);
        break;
    case kUndoHide:
        module->m_hidden = undo ? action.m_hiddenBefore : action.m_hiddenAfter;
        m_doc.m_hiddenModules = undo ? action.m_sheetHiddenBefore : action.m_sheetHiddenAfter;
        m_doc.NotifyModuleChanged(*module);
        // A hidden module is neither drawn nor picked: it stays unselected.
        if (module->m_hidden == 0)
            m_doc.SelectModule(*module);
        break;
    case kUndoGroup:
        module->m_group = undo ? 0 : action.m_group;
        module->m_groupName = undo ? std::string() : action.m_groupName;
        m_doc.SelectModule(*module);
        m_doc.NotifyModuleChanged(*module);
        break;
    default:
        break;
    }
}

void CDSPUndoHistory::ApplyModuleAction(CDSPUndoAction& action, bool putBack) {
    if (!putBack) {
        if (std::unique_ptr<CBaseAriModule> module = m_doc.TakeModule(action.m_id))
            action.m_module = std::move(module);
        return;
    }
    if (action.m_module && m_doc.GetModuleById(action.m_id) == nullptr)
        m_doc.SelectModule(*m_doc.PutModule(std::move(action.m_module)));
}

void CDSPUndoHistory::ApplyLinkAction(CDSPUndoAction& action, bool putBack) {
    if (!putBack) {
        if (std::unique_ptr<CBaseLink> link = m_doc.TakeLink(action.m_id))
            action.m_link = std::move(link);
        return;
    }
    if (action.m_link && m_doc.GetLinkById(action.m_id) == nullptr)
        m_doc.SelectLink(*m_doc.PutLink(std::move(action.m_link)));
}

void CDSPUndoHistory::ApplyParameters(const CDSPUndoAction& action, CBaseAriModule& module,
                                      CZoDSPView& view, bool undo) {
    const CBaseAriModule& source = undo ? *action.m_before : *action.m_module;
    SendParameterChanges(source, module, m_doc.m_live != 0, view.Console());
    TakeGroupStart(source, module);
    m_doc.NotifyModuleChanged(module);
    view.RefreshDialogsOf(module);
}

} // namespace dsp_editor
