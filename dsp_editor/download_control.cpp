// The DSP view's download control: stop, continue, the commands' states and
// loading a sheet template file.
#include "dsp_editor/zo_dsp_view.h"

#include "model/messages.h"
#include "platform/text/ascii.h"
#include "resources/message_ids.h"

namespace dsp_editor {

void CZoDSPView::OnDownloadStop() {
    m_stopRequest = 1;
    m_document.m_live = 0;
    m_commFault = 0;
    IDspMainFrame* frame = m_document.GetMainFrame();
    if (frame && frame->ActiveDspView() == this)
        frame->SetRunState(false);
}

void CZoDSPView::OnDownloadContinue() {
    m_progress = 1;
    m_progressCountsPending = 1;
    m_commFault = 0;
    // The stop request goes first: while it is set the sender takes the
    // sheet off line again.
    m_stopRequest = 0;
    // Any stop, the sender's after a failure included, took the sheet off
    // line, and the sender sends only while it is live.
    m_document.m_live = 1;
    IDspMainFrame* frame = m_document.GetMainFrame();
    if (frame && frame->ActiveDspView() == this)
        frame->SetRunState(true);
}

void CZoDSPView::OnLoadTemplateFile() {
    if (!m_chooser)
        return;
    const std::optional<std::string> path = m_chooser->ChooseOpenFile(kTemplateFilter);
    if (!path)
        return;
    const std::string_view name = *path;
    if (name.size() < 4 || !platform::text::equals_no_case(name.substr(name.size() - 4), ".dmu")) {
        model::ShowMessage(resources::kMsgBadFileFormat);
        return;
    }
    if (!LoadTemplate(*path))
        model::ShowMessage(resources::kMsgTemplateNotLoaded);
}

bool CZoDSPView::CanStartDownload() const {
    return !m_document.m_live && !m_commFault && !m_progress;
}

bool CZoDSPView::CanStopDownload() const {
    return m_document.m_live || m_progress;
}

bool CZoDSPView::CanContinueDownload() const {
    return m_commFault != 0;
}

bool CZoDSPView::CanStoreTemplates() const {
    return m_document.m_live != 0;
}

bool CZoDSPView::CanLoadTemplateFile() const {
    return !m_document.m_live;
}

} // namespace dsp_editor
