// The download is made by download_program.cpp's writer; this file holds
// what the view does around it and the sender's requests.
#include "dsp_editor/dsp_download.h"

#include <vector>

#include "dsp_editor/download_program.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/messages.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using model::CBaseAriModule;
using model::kAriMeter;

namespace {

// Where a meter display rests while nothing is measured.
constexpr double kMeterFloorDb = -112.0;

} // namespace

CDspDownload::CDspDownload(CZoDSPView& view) : m_flags(view.GetDocument().m_live), m_view(view) {}

// -- the download
bool CDspDownload::BuildDownloadCommands(bool store) {
    CConsoleSink sink(m_view.Console(), store);
    switch (WriteDownloadProgram(m_view.GetDocument(), sink)) {
    case EProgramResult::OrderNotSet:
        model::ShowMessage(resources::kMsgOrderNotSet);
        return false;
    case EProgramResult::BadLink:
        model::ShowMessage(resources::kMsgBadLink);
        return false;
    case EProgramResult::Built:
        break;
    }
    m_view.GetDocument().m_programBuilt = 1;
    return true;
}

void CDspDownload::OnDownloadStart() {
    CZoDSPDoc& doc = m_view.GetDocument();
    // Every meter display falls to the floor, whatever happens next.
    const std::vector<IAttriDialog*> dialogs = doc.AttriDialogs();
    for (IAttriDialog* dialog : dialogs) {
        if (dialog->GetKind() != 0)
            continue;
        const CBaseAriModule* meter = doc.GetModuleById(dialog->GetModuleId());
        if (meter == nullptr || meter->m_typeCode != kAriMeter)
            continue;
        for (std::int32_t channel = 0; channel < meter->m_inputCount; ++channel)
            dialog->ShowMeterLevel(channel, kMeterFloorDb);
    }
    if (m_progress != 0)
        return;

    // One sheet at a time runs on a unit: the others of this unit stop.
    IDspMainFrame* frame = doc.GetMainFrame();
    if (frame != nullptr) {
        const std::optional<std::vector<CZoDSPView*>> views = frame->OpenDspViews();
        if (!views) {
            model::ShowMessage(resources::kMsgNoDocumentTemplate);
            return;
        }
        for (CZoDSPView* other : *views) {
            CZoDSPDoc& otherDoc = other->GetDocument();
            if (&otherDoc == &doc || otherDoc.m_unitMac != doc.m_unitMac)
                continue;
            other->Download().m_stopRequest = 1;
            other->Download().m_commFault = 0;
            otherDoc.m_live = 0;
            if (frame->ActiveDspView() == other)
                frame->SetRunState(false);
        }
    }
    doc.m_live = 0;

    if (doc.CheckResources() == 0)
        return;
    if (doc.AssignExecutionOrder() == 0) {
        model::ShowMessage(resources::kMsgOrderFailed);
        return;
    }
    const bool active = frame != nullptr && frame->ActiveDspView() == &m_view;
    if (active)
        frame->ShowDspStatus(m_view.StatusFigures(doc.m_orderOk != 0));

    // A clear starts new generations: a reply to a command taken before it
    // lands nowhere, so the new program stays whole.
    m_view.Console().ClearAll();
    if (!BuildDownloadCommands(false)) {
        // Not live: nothing of it is sent, and the next start clears it.
        model::ShowMessage(resources::kMsgBuildFailed);
        return;
    }

    // The clear zeroed the queues' sent indices and reply counts, and
    // nothing has been sent since: the sheet was not live.
    m_view.Console().ResetCounters();
    // The stop request goes first: while it is set the sender takes the
    // sheet off line again.
    m_stopRequest = 0;
    doc.m_live = 1;
    if (active)
        frame->SetRunState(true);
    m_progress = 1;
    m_progressCountsPending = 1;
    if (IDspViewWindow* window = m_view.Window())
        window->Repaint();
}

// -- stop and continue

void CDspDownload::OnDownloadStop() {
    m_stopRequest = 1;
    m_view.GetDocument().m_live = 0;
    m_commFault = 0;
    IDspMainFrame* frame = m_view.GetDocument().GetMainFrame();
    if (frame && frame->ActiveDspView() == &m_view)
        frame->SetRunState(false);
}

void CDspDownload::OnDownloadContinue() {
    m_progress = 1;
    m_progressCountsPending = 1;
    m_commFault = 0;
    // The stop request goes first: while it is set the sender takes the
    // sheet off line again.
    m_stopRequest = 0;
    // Any stop, the sender's after a failure included, took the sheet off
    // line, and the sender sends only while it is live.
    m_view.GetDocument().m_live = 1;
    IDspMainFrame* frame = m_view.GetDocument().GetMainFrame();
    if (frame && frame->ActiveDspView() == &m_view)
        frame->SetRunState(true);
}

bool CDspDownload::CanStartDownload() const {
    return !m_view.GetDocument().m_live && !m_commFault && !m_progress;
}

bool CDspDownload::CanStopDownload() const {
    return m_view.GetDocument().m_live || m_progress;
}

bool CDspDownload::CanContinueDownload() const {
    return m_commFault != 0;
}

// -- the sender's owner

void CDspDownload::StartSender(std::unique_ptr<comm::ISenderComponents> components) {
    // Read by the sender's thread at its start: taken here, before it runs.
    m_senderMac = m_view.GetDocument().m_unitMac;
    m_view.Console().StartSender(*this, std::move(components));
}

void CDspDownload::OpenProgress() {
    m_view.PostToWindow([this] {
        m_progressDialog.emplace();
        if (IDspViewWindow* window = m_view.Window())
            window->ShowDownloadProgress(&*m_progressDialog);
    });
}

void CDspDownload::SetProgressTotal(int total) {
    m_view.PostToWindow([this, total] {
        if (!m_progressDialog)
            return;
        m_progressDialog->SetTotal(total);
        if (IDspViewWindow* window = m_view.Window())
            window->ShowDownloadProgress(&*m_progressDialog);
    });
}

void CDspDownload::SetProgressPos(int pos) {
    m_view.PostToWindow([this, pos] {
        if (!m_progressDialog)
            return;
        m_progressDialog->SetPos(pos);
        if (IDspViewWindow* window = m_view.Window())
            window->ShowDownloadProgress(&*m_progressDialog);
    });
}

void CDspDownload::CloseProgress() {
    m_view.PostToWindow([this] {
        m_progressDialog.reset();
        if (IDspViewWindow* window = m_view.Window())
            window->ShowDownloadProgress(nullptr);
    });
}

void CDspDownload::Redraw() {
    m_view.PostToWindow([this] {
        if (IDspViewWindow* window = m_view.Window())
            window->Repaint();
    });
}

void CDspDownload::RestoreArrowCursor() {
    m_view.PostToWindow([this] {
        if (IDspViewWindow* window = m_view.Window())
            window->RestoreArrowCursor();
    });
}

void CDspDownload::TemplateReply(std::string reply) {
    // The dialog may have closed since the reply came: the view looks again.
    m_view.PostToWindow(
        [this, reply = std::move(reply)] { m_view.StoredTemplates().OnTemplateNameReply(reply); });
}

void CDspDownload::MeterReply(std::string text) {
    m_view.PostToWindow([this, text = std::move(text)] { m_view.OnMeterReply(text); });
}

void CDspDownload::NotifyDspStop() {
    // A stop of the sender releases it from the wait, and a notification
    // not carried out by then is dropped.
    model::RunOnUiThread([this] { OnAppNotify(kNotifyDspStop); });
}

int CDspDownload::OnAppNotify(std::int32_t code) {
    switch (code) {
    case kNotifyDspDownload:
        OnDownloadStart();
        break;
    case kNotifyDspStop:
        OnDownloadStop();
        break;
    default:
        break;
    }
    return 0;
}

} // namespace dsp_editor
