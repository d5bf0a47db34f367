#include "dsp_editor/zo_dsp_view.h"

#include <algorithm>
#include <system_error>

#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/parameter_copy.h"
#include "model/ari_classes.h"
#include "model/ari_input.h"
#include "model/ari_output.h"
#include "model/messages.h"
#include "platform/archive/file.h"
#include "platform/text/ascii.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using model::CBaseAriModule;
using model::CBaseLink;
namespace pa = platform::archive;

namespace {

constexpr std::string_view kTemplateSuffix = ".dmu";
constexpr std::string_view kTitleModifiedSuffix = " *";

// A module of the template's type, variant, place and id on this sheet,
// with the template's names, parameters, pins and (for a channel) hidden
// flag; placed as a new module is.
// Null for a type without a class.
std::unique_ptr<CBaseAriModule> CopyTemplateModule(const CBaseAriModule& from, const CZoDSPDoc& doc,
                                                   comm::CDSPDlgShowCMD& console) {
    std::unique_ptr<CBaseAriModule> module =
        doc.MakePlacedModule(from.m_typeCode, from.m_id, from.m_subType, from.m_body.left,
                             from.m_body.top, doc.m_deviceModel);
    if (!module)
        return nullptr;

    module->m_name = from.m_name;
    module->m_displayName = from.m_displayName;
    SendParameterChanges(from, *module, false, console);
    for (int i = 0; i < module->GetChnlCount(); ++i) {
        model::CBaseChnl* pin = module->GetChnl(i);
        const model::CBaseChnl* source = from.GetChnl(i);
        pin->m_moduleId = module->m_id;
        if (source == nullptr)
            continue;
        pin->m_linkCount = source->m_linkCount;
        pin->m_peerChannel = source->m_peerChannel;
        pin->m_peerModule = source->m_peerModule;
    }
    // The channels also pass on their hidden flag and the integer their
    // constructor sets to 1. The class is asked, not the type code: a file
    // may pair them wrongly.
    if (auto* in = dynamic_cast<model::CAriInput*>(module.get())) {
        if (const auto* was = dynamic_cast<const model::CAriInput*>(&from)) {
            in->m_groupStart = was->m_groupStart;
            in->m_hidden = was->m_hidden;
        }
    } else if (auto* out = dynamic_cast<model::CAriOutput*>(module.get())) {
        if (const auto* was = dynamic_cast<const model::CAriOutput*>(&from)) {
            out->m_groupStart = was->m_groupStart;
            out->m_hidden = was->m_hidden;
        }
    }
    return module;
}

} // namespace

std::string WithTemplateSuffix(std::string_view path) {
    const bool has = path.size() >= kTemplateSuffix.size() &&
                     platform::text::equals_no_case(
                         path.substr(path.size() - kTemplateSuffix.size()), kTemplateSuffix);
    return has ? std::string(path) : std::string(path) + std::string(kTemplateSuffix);
}

int CZoDSPView::DeviceModelCode() const {
    return m_document.m_deviceModel;
}

std::optional<int> CZoDSPView::ModuleTypeByOrder(int order) const {
    if (const model::CBaseAriModule* module = m_document.GetModuleByOrder(order))
        return module->m_typeCode;
    return std::nullopt;
}

void CZoDSPView::CountSelection() {
    m_selectedModules = m_selectedAriModules = m_selectedLinks = 0;
    for (const auto& module : m_document.Modules()) {
        if (module->m_selected == 0)
            continue;
        ++m_selectedModules;
        if (module->m_typeCode != model::kAriInput && module->m_typeCode != model::kAriOutput)
            ++m_selectedAriModules;
    }
    for (const auto& link : m_document.Links())
        m_selectedLinks += link->m_selected != 0 ? 1 : 0;
}

DspStatusFigures CZoDSPView::StatusFigures(bool idsSet) const {
    DspStatusFigures f;
    f.size = {m_document.m_sheetWidth, m_document.m_sheetHeight};
    for (const auto& module : m_document.Modules()) {
        if (module->m_selected != 0) {
            f.size = {module->m_body.Width(), module->m_body.Height()};
            f.position = {module->m_body.left, module->m_body.top};
            break;
        }
    }
    f.modules = static_cast<std::int32_t>(m_document.Modules().size());
    f.selectedModules = m_selectedModules;
    f.links = static_cast<std::int32_t>(m_document.Links().size());
    f.selectedLinks = m_selectedLinks;
    f.idsSet = idsSet;
    f.spaceUsed = m_document.m_spaceTotal;
    f.timeUsed = m_document.m_timeTotal;
    return f;
}

bool CZoDSPView::CanUndo() const {
    const CDSPUndoHistory* history = UndoHistoryOf(m_document);
    return history != nullptr && history->UndoCount() >= 1;
}

bool CZoDSPView::CanRedo() const {
    const CDSPUndoHistory* history = UndoHistoryOf(m_document);
    return history != nullptr && history->RedoCount() >= 1;
}

void CZoDSPView::OnEditUndo() {
    if (CanUndo())
        UndoHistoryOf(m_document)->Undo();
}

void CZoDSPView::OnEditRedo() {
    if (CanRedo())
        UndoHistoryOf(m_document)->Redo();
}

// -- sheet templates

bool CZoDSPView::SaveAsTemplate() {
    if (m_chooser == nullptr)
        return false;
    std::string_view proposed = m_document.GetTitle();
    if (proposed.ends_with(kTitleModifiedSuffix))
        proposed.remove_suffix(kTitleModifiedSuffix.size());
    const std::optional<std::string> chosen = m_chooser->ChooseSaveFile(proposed, kTemplateFilter);
    if (!chosen)
        return false;

    // A template is not tied to a slot of the unit: it may be stored to
    // any.
    const std::int32_t slot = m_document.m_templateSlot;
    m_document.m_templateSlot = 0;
    const std::vector<std::uint8_t> bytes = m_document.SaveDocument();
    m_document.m_templateSlot = slot;
    try {
        pa::write_file_atomic(WithTemplateSuffix(*chosen), bytes);
    } catch (const std::system_error&) {
        model::ShowMessage(resources::kMsgSaveFailed);
        return false;
    }
    if (IDspMainFrame* frame = m_document.GetMainFrame())
        frame->CleanRecentFiles();
    return true;
}

bool CZoDSPView::LoadTemplate(const std::filesystem::path& path) {
    // The whole template is read before the sheet is touched.
    CZoDSPDoc source;
    try {
        source.OnOpenDocument(path);
    } catch (const std::system_error&) {
        return false;
    } catch (const pa::archive_error&) {
        return false;
    }

    CZoDSPDoc& doc = m_document;
    // The step holds the sheet as it was; the document is left empty.
    if (CDSPUndoHistory* history = UndoHistoryOf(doc)) {
        history->BeginStep();
        history->AddSheetAction();
    } else {
        pa::object_array_t<CBaseAriModule> modules;
        pa::object_array_t<CBaseLink> links;
        doc.SwapSheet(modules, links);
    }
    if (m_window != nullptr)
        m_window->ClosePropertyPanel();

    doc.m_sheetWidth = source.m_sheetWidth;
    doc.m_sheetHeight = source.m_sheetHeight;
    for (const auto& from : source.Modules())
        if (std::unique_ptr<CBaseAriModule> module = CopyTemplateModule(*from, doc, m_console))
            doc.PutModule(std::move(module));
    doc.SetDeviceModel(doc.m_deviceModel);
    doc.m_nameCounters = source.m_nameCounters;
    doc.m_moduleIdCounter = source.m_moduleIdCounter;
    doc.m_outputOrder = 0;

    // The pins already carry the template's counts and feeders.
    for (const auto& from : source.Links()) {
        CBaseLink* link = doc.AddLink(from->m_start.x, from->m_start.y, from->m_end.x,
                                      from->m_end.y, from->m_sourceModule, from->m_sourceChannel,
                                      from->m_destModule, from->m_destChannel);
        if (link == nullptr)
            continue;
        link->m_id = from->m_id;
        link->m_penWidth = from->m_penWidth;
        link->m_colour = from->m_colour;
    }
    doc.m_linkIdCounter = source.m_linkIdCounter;
    doc.m_hiddenModules = source.m_hiddenModules;

    // A new structure: no program for it yet.
    doc.m_resourcesOk = 0;
    doc.m_orderOk = 0;
    doc.m_programBuilt = 0;
    doc.m_live = 0;
    doc.m_spaceTotal = 0;
    doc.m_timeTotal = 0;
    doc.CheckResources();
    doc.ClearSelection();

    IDspMainFrame* frame = doc.GetMainFrame();
    CountSelection();
    if (frame != nullptr && frame->ActiveDspView() == this)
        frame->ShowDspStatus(StatusFigures(false));
    if (frame != nullptr)
        frame->CleanRecentFiles();
    doc.SetModifiedFlag(true);
    return true;
}

// -- parameters and binding groups

void CZoDSPView::SendParameterChanges(const CBaseAriModule& source, CBaseAriModule& destination,
                                      bool send) {
    dsp_editor::SendParameterChanges(source, destination, send, m_console);
}

void CZoDSPView::OnModuleChanged(const CBaseAriModule& module) {
    if (module.m_group == 0)
        return;
    CDSPUndoHistory* history = UndoHistoryOf(m_document);
    for (const auto& member : m_document.Modules()) {
        if (member->m_id == module.m_id || member->m_typeCode != module.m_typeCode ||
            member->m_subType != module.m_subType || member->m_group != module.m_group)
            continue;
        // Into the step of the change that started this: one undo puts the
        // whole group back.
        CBaseAriModule* after =
            history != nullptr ? history->AddAction(kUndoParameters, *member) : nullptr;
        SendParameterChanges(module, *member, m_document.m_live != 0);
        if (after != nullptr)
            SendParameterChanges(module, *after, false);
        m_document.NotifyModuleChanged(*member);
        RefreshDialogsOf(*member);
    }
}

void CZoDSPView::RefreshDialogsOf(const CBaseAriModule& module) {
    // The all-channels dialogs: id 0 the inputs, 1 the outputs.
    const std::int32_t side = module.m_typeCode == model::kAriInput    ? 0
                              : module.m_typeCode == model::kAriOutput ? 1
                                                                       : -1;
    // A dialog may reach back into the list while it reloads.
    const std::vector<IAttriDialog*> dialogs = m_document.AttriDialogs();
    for (IAttriDialog* dialog : dialogs) {
        const bool single = dialog->GetKind() == 0 && dialog->GetModuleId() == module.m_id;
        const bool all = dialog->GetKind() == 1 && side >= 0 && dialog->GetModuleId() == side;
        if (single || all)
            dialog->RefreshControls();
    }
}

} // namespace dsp_editor
