#include "dsp_editor/dsp_stored_templates.h"

#include <memory>
#include <string>

#include "dsp_editor/download_program.h"
#include "dsp_editor/firm_template_controller.h"
#include "dsp_editor/store_program.h"
#include "dsp_editor/stored_template_ini.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "platform/app_paths/app_paths.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace dsp_editor {

CDspStoredTemplates::CDspStoredTemplates(CZoDSPView& view)
    : m_templateDialog(view.Download().m_flags.templateDialog), m_view(view) {}

std::filesystem::path CDspStoredTemplates::TemplateIni() const {
    return m_templateIni.empty() ? platform::app_paths::ProgramIniPath() : m_templateIni;
}

void CDspStoredTemplates::OnTemplateNameReply(std::string_view reply) {
    if (m_templateDialog != 0 && m_firmTemplateDialog != nullptr)
        m_firmTemplateDialog->OnNameReply(reply);
}

void CDspStoredTemplates::OnSolidifyTemplates() {
    CZoDSPDoc& doc = m_view.GetDocument();
    if (doc.m_live == 0)
        return;
    CFirmTemplateController dialog(m_view, TemplateIni(), m_view.FileChooser());
    m_firmTemplateDialog = &dialog;
    m_templateDialog = 1;
    IDspViewWindow* window = m_view.Window();
    const bool ok = window != nullptr && window->RunFirmTemplateDialog(dialog);
    m_templateDialog = 0;
    m_firmTemplateDialog = nullptr;
    if (!ok)
        return;

    const int slot = dialog.Slot();
    if (dialog.m_path.empty())
        return model::ShowMessage(resources::kMsgTemplateSaveFailed);
    if (dialog.m_structName.empty())
        return model::ShowMessage(resources::kMsgStructNameEmpty);
    if (dialog.m_paramName.empty())
        return model::ShowMessage(resources::kMsgParamNameEmpty);
    if (!IsTemplateSlot(slot))
        return model::ShowMessage(resources::kMsgBadTemplateSlot);
    if (doc.m_orderOk == 0)
        return model::ShowMessage(resources::kMsgOrderNotSet);
    if (const IDspMainFrame* frame = doc.GetMainFrame(); frame && !frame->OpenDspViews())
        return model::ShowMessage(resources::kMsgNoDocumentTemplate);

    // Every template of the unit with this structure name is stored again,
    // in slot order, each from its saved file; the program is made aside
    // and queued only once it is whole, and the ini follows only then.
    CStoredTemplateIni ini(TemplateIni());
    const TemplateSlotPaths paths = WithSlotPath(ini.Paths(doc.m_unitMac), slot, dialog.m_path);
    CStoreList program(&m_view);
    for (const std::string& path : paths) {
        if (path.empty())
            continue;
        const std::unique_ptr<CZoDSPDoc> stored = OpenTemplateSheet(path);
        if (!stored)
            return;
        if (stored->m_templateStructName == dialog.m_structName &&
            !BuildFirmTemplateCommands(*stored, paths, program))
            return;
    }
    m_view.Console().ClearStoreList();
    m_view.Console().AppendStoreCommands(program.Commands());
    ini.Record(doc.m_unitMac, slot, dialog.m_path, dialog.m_structName, dialog.m_paramName);

    CDspDownload& download = m_view.Download();
    download.m_stopRequest = 0;
    download.m_progress = 1;
    download.m_progressCountsPending = 1;
}

void CDspStoredTemplates::SwitchToStoredTemplate(std::int32_t slot) {
    CZoDSPDoc& doc = m_view.GetDocument();
    doc.m_live = 0;
    if (doc.CheckResources() == 0)
        return;
    if (doc.AssignExecutionOrder() == 0)
        return model::ShowMessage(resources::kMsgOrderFailed);
    IDspMainFrame* frame = doc.GetMainFrame();
    const bool active = frame != nullptr && frame->ActiveDspView() == &m_view;
    if (active)
        frame->ShowDspStatus(m_view.StatusFigures(doc.m_orderOk != 0));
    // Built only to prove the sheet whole; the clear discards it.
    if (!m_view.Download().BuildDownloadCommands(false))
        return model::ShowMessage(resources::kMsgBuildFailed);
    m_view.Console().ClearAll();
    m_view.Console().ResetCounters();

    m_view.Download().m_stopRequest = 0;
    doc.m_live = 1;
    if (active)
        frame->SetRunState(true);
    if (IDspViewWindow* window = m_view.Window())
        window->Repaint();
    m_view.Console().SendText(platform::text::format("CHANM%02d", slot), true);
}

bool CDspStoredTemplates::CanStoreTemplates() const {
    return m_view.GetDocument().m_live != 0;
}

} // namespace dsp_editor
