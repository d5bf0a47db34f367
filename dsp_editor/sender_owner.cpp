// The DSP view as the owner of its console's sender: the sender's requests
// carried over to the user-interface thread, and the notification message.
#include "dsp_editor/zo_dsp_view.h"

#include "model/messages.h"

namespace dsp_editor {

void CZoDSPView::StartSender(std::unique_ptr<comm::ISenderComponents> components) {
    // Read by the sender's thread at its start: taken here, before it runs.
    m_senderMac = m_document.m_unitMac;
    m_console.StartSender(*this, std::move(components));
}

void CZoDSPView::PostToWindow(std::function<void()> call) {
    std::lock_guard lock(m_windowLock);
    if (m_window == nullptr)
        return;
    m_window->Post([alive = std::weak_ptr<int>(m_alive), call = std::move(call)] {
        if (!alive.expired())
            call();
    });
}

void CZoDSPView::OpenProgress() {
    PostToWindow([this] {
        m_progressDialog.emplace();
        if (m_window != nullptr)
            m_window->ShowDownloadProgress(&*m_progressDialog);
    });
}

void CZoDSPView::SetProgressTotal(int total) {
    PostToWindow([this, total] {
        if (!m_progressDialog)
            return;
        m_progressDialog->SetTotal(total);
        if (m_window != nullptr)
            m_window->ShowDownloadProgress(&*m_progressDialog);
    });
}

void CZoDSPView::SetProgressPos(int pos) {
    PostToWindow([this, pos] {
        if (!m_progressDialog)
            return;
        m_progressDialog->SetPos(pos);
        if (m_window != nullptr)
            m_window->ShowDownloadProgress(&*m_progressDialog);
    });
}

void CZoDSPView::CloseProgress() {
    PostToWindow([this] {
        m_progressDialog.reset();
        if (m_window != nullptr)
            m_window->ShowDownloadProgress(nullptr);
    });
}

void CZoDSPView::Redraw() {
    PostToWindow([this] {
        if (m_window != nullptr)
            m_window->Repaint();
    });
}

void CZoDSPView::RestoreArrowCursor() {
    PostToWindow([this] {
        if (m_window != nullptr)
            m_window->RestoreArrowCursor();
    });
}

void CZoDSPView::TemplateReply(std::string reply) {
    // The dialog may have closed since the reply came: the view looks again.
    PostToWindow([this, reply = std::move(reply)] { OnTemplateNameReply(reply); });
}

void CZoDSPView::MeterReply(std::string text) {
    PostToWindow([this, text = std::move(text)] { OnMeterReply(text); });
}

void CZoDSPView::NotifyDspStop() {
    // A stop of the sender releases it from the wait, and a notification
    // not carried out by then is dropped.
    model::RunOnUiThread([this] { OnAppNotify(kNotifyDspStop); });
}

int CZoDSPView::OnAppNotify(std::int32_t code) {
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
