#include "dsp_editor/parameter_template_controller.h"

#include <algorithm>
#include <system_error>

#include "dsp_editor/binding_groups.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"

namespace dsp_editor {

namespace fs = std::filesystem;
namespace pa = platform::archive;
using model::CBaseAriModule;
using model::EMessageAnswer;
using model::EMessageButtons;

namespace {

// The ids of the selected modules in sheet order: running a dialog for one
// must not depend on the array staying as it was.
std::vector<std::int32_t> SelectedModuleIds(const CZoDSPDoc& doc) {
    std::vector<std::int32_t> ids;
    for (const auto& module : doc.Modules())
        if (module->m_selected != 0)
            ids.push_back(module->m_id);
    return ids;
}

// The template chosen in the dialog, read for the module; null when it
// cannot be read or is not one for the module's type and variant.
std::unique_ptr<CBaseAriModule> ReadChosen(const CParameterTemplateController& dialog,
                                           const CBaseAriModule& module) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = pa::read_file(dialog.ChosenPath());
    } catch (const std::system_error&) {
        return nullptr;
    }
    return LoadParameterTemplate(bytes, module.m_typeCode, module.m_subType).module;
}

} // namespace

CParameterTemplateController::CParameterTemplateController(CZoDSPView& view, EMode mode,
                                                           CBaseAriModule& module, fs::path folder)
    : m_view(view), m_mode(mode), m_module(module), m_folder(std::move(folder)) {}

CParameterTemplateController::~CParameterTemplateController() {
    // Each window before the module it shows.
    for (Viewer& viewer : m_viewers)
        viewer.dialog->DestroyDialog();
}

const std::string& CParameterTemplateController::ModuleName() const {
    return m_module.m_name;
}

std::string CParameterTemplateController::ModuleIdText() const {
    return dsp_editor::ModuleIdText(m_module);
}

void CParameterTemplateController::OnInitDialog() {
    m_rows = ListParameterTemplates(m_folder, m_module.m_typeCode, m_module.m_subType);
    m_selected = -1;
}

void CParameterTemplateController::SelectRow(int row) {
    m_selected = row >= 0 && row < static_cast<int>(m_rows.size()) ? row : -1;
}

const ParameterTemplateRow* CParameterTemplateController::Selected() const {
    return m_selected >= 0 ? &m_rows[static_cast<std::size_t>(m_selected)] : nullptr;
}

CParameterTemplateController::EResult CParameterTemplateController::Refuse(int message) {
    model::ShowMessage(message);
    m_focus = m_mode == kModeSave ? kCtlNewName : kCtlList;
    return EResult::Stay;
}

CParameterTemplateController::EResult CParameterTemplateController::OnBnClickedOk() {
    m_focus = 0;
    if (m_mode == kModeLoad) {
        const ParameterTemplateRow* row = Selected();
        if (row == nullptr)
            return Refuse(resources::kMsgAmuNoneSelected);
        m_chosenName = row->name;
        m_chosenPath = row->path;
        return EResult::Ok;
    }
    if (m_newName.empty())
        return Refuse(resources::kMsgAmuNameEmpty);
    if (m_newName.find_first_of(kAmuForbiddenCharacters) != std::string::npos)
        return Refuse(resources::kMsgAmuBadName);
    const bool listed =
        std::any_of(m_rows.begin(), m_rows.end(),
                    [&](const ParameterTemplateRow& r) { return r.name == m_newName; });
    if (listed && model::Ask(resources::kMsgAmuAskOverwrite, EMessageButtons::YesNo,
                             EMessageAnswer::Yes) != EMessageAnswer::Yes) {
        m_focus = kCtlNewName;
        return EResult::Stay;
    }
    return Save();
}

CParameterTemplateController::EResult CParameterTemplateController::Save() {
    std::error_code error;
    fs::create_directories(m_folder, error);
    if (error) {
        model::ShowMessage(resources::kMsgAmuFolderFailed);
        return EResult::Close;
    }
    const fs::path path = m_folder / ParameterTemplateFileName(m_module, m_newName);
    try {
        pa::write_file_atomic(path, StoreParameterTemplate(m_newName, m_module));
    } catch (const std::system_error& e) {
        model::ShowMessage(resources::kMsgAmuFileFailed, e.code().value());
        return EResult::Close;
    }
    m_chosenName = m_newName;
    m_chosenPath = path;
    return EResult::Ok;
}

void CParameterTemplateController::DestroyViewers(const fs::path& path) {
    const auto from = std::stable_partition(m_viewers.begin(), m_viewers.end(),
                                            [&](const Viewer& v) { return v.path != path; });
    for (auto it = from; it != m_viewers.end(); ++it)
        it->dialog->DestroyDialog();
    m_viewers.erase(from, m_viewers.end());
}

void CParameterTemplateController::OnBnClickedDelete() {
    const ParameterTemplateRow* row = Selected();
    if (row == nullptr || model::Ask(resources::kMsgAmuAskDelete, EMessageButtons::YesNo,
                                     EMessageAnswer::Yes) != EMessageAnswer::Yes)
        return;
    const fs::path path = row->path;
    m_rows.erase(m_rows.begin() + m_selected);
    m_selected = -1;
    DestroyViewers(path);
    std::error_code error;
    if (!fs::remove(path, error))
        model::ShowMessage(resources::kMsgAmuFileMissing);
}

void CParameterTemplateController::OnBnClickedViewParams() {
    const ParameterTemplateRow* row = Selected();
    if (row == nullptr)
        return;
    std::error_code error;
    if (!fs::exists(row->path, error))
        return model::ShowMessage(resources::kMsgAmuFileMissing);
    std::vector<std::uint8_t> bytes;
    try {
        bytes = pa::read_file(row->path);
    } catch (const std::system_error& e) {
        return model::ShowMessage(resources::kMsgAmuOpenFailed, e.code().value());
    }
    LoadedAmu loaded =
        LoadParameterTemplate(bytes, m_module.m_typeCode, m_module.m_subType, row->name);
    if (loaded.problem != 0)
        return model::ShowMessage(loaded.problem);
    IAttriDialog* dialog = m_view.OpenAttriDialog(*loaded.module, false);
    if (dialog == nullptr)
        return;
    dialog->SetMode(0);
    dialog->SetCaption(std::string(model::AriTypeName(m_module.m_typeCode)) + "_" + row->name);
    m_viewers.push_back({std::move(loaded.module), dialog, row->path});
    dialog->ShowDialog();
}

// -- the view's commands

void OnSaveAriModule(CZoDSPView& view) {
    const std::vector<std::int32_t> ids = SelectedModuleIds(view.GetDocument());
    IDspViewWindow* window = view.Window();
    if (ids.empty() || window == nullptr)
        return;
    CParameterTemplateController dialog(view, CParameterTemplateController::kModeSave,
                                        *view.GetDocument().GetModuleById(ids.front()));
    window->RunSaveAriAttriDialog(dialog);
}

void OnLoadAriModule(CZoDSPView& view) {
    CZoDSPDoc& doc = view.GetDocument();
    for (const std::int32_t id : SelectedModuleIds(doc)) {
        CBaseAriModule* module = doc.GetModuleById(id);
        IDspViewWindow* window = view.Window();
        if (module == nullptr || window == nullptr)
            continue;
        CParameterTemplateController dialog(view, CParameterTemplateController::kModeLoad, *module);
        if (!window->RunSaveAriAttriDialog(dialog))
            continue;
        const std::unique_ptr<CBaseAriModule> loaded = ReadChosen(dialog, *module);
        if (!loaded)
            continue;
        CDSPUndoHistory* history = UndoHistoryOf(doc);
        CBaseAriModule* after =
            history != nullptr ? history->AddAction(kUndoParameters, *module, 0, 0, true) : nullptr;
        view.SendParameterChanges(*loaded, *module, doc.m_live != 0);
        if (after != nullptr)
            view.SendParameterChanges(*loaded, *after, false);
        doc.NotifyModuleChanged(*module);
        view.OnModuleChanged(*module);
        view.RefreshDialogsOf(*module);
        doc.SetModifiedFlag(true);
    }
}

} // namespace dsp_editor
