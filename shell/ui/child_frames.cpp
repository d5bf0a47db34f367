#include "shell/ui/child_frames.h"

#include "model/messages.h"
#include "platform/archive/archive.h"
#include "resources/bitmaps.h"
#include "resources/message_ids.h"
#include "shell/dsp_of_device.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_tab_client.h"
#include "shell/ui/pictures.h"
#include "shell/ui/status_bar.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <system_error>

#include <QCloseEvent>

namespace shell::ui {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::map<std::string, CDocumentKind>& Kinds() {
    static std::map<std::string, CDocumentKind> kinds;
    return kinds;
}

} // namespace

bool LoadDocumentFile(const std::function<void()>& load) {
    try {
        load();
        return true;
    } catch (const std::system_error&) {
    } catch (const platform::archive::archive_error&) {
    }
    model::ShowMessage(resources::kMsgOpenFileFailed);
    return false;
}

void RegisterDocumentKind(const std::string& extension, CDocumentKind kind) {
    Kinds()[Lower(extension)] = std::move(kind);
}

void UnregisterDocumentKind(const std::string& extension) {
    Kinds().erase(Lower(extension));
}

const CDocumentKind* FindDocumentKind(const std::string& extension) {
    const auto found = Kinds().find(Lower(extension));
    return found == Kinds().end() ? nullptr : &found->second;
}

// --- CChildFrame ---------------------------------------------------------------

CChildFrame::CChildFrame(EChildKind kind, CMainFrame& frame,
                         std::unique_ptr<CChildDocument> document)
    : m_frame(frame), m_kind(kind), m_document(std::move(document)) {
    setAttribute(Qt::WA_DeleteOnClose);
    QWidget* view = m_document->View();
    const QString title = QString::fromStdString(m_document->Title());
    view->setProperty(kDocumentTitleProperty, title);
    view->setWindowIcon(IconPicture(kind == EChildKind::Device ? resources::kIconDeviceDocument
                                                               : resources::kIconDspDocument));
    setWidget(view);
    setWindowTitle(title);
}

CChildFrame::~CChildFrame() {
    // The work area reports the activation change of a window going away
    // only once this part of it is gone.
    m_frame.ForgetChild(this);
    m_document->CloseWindows();
    // The view may point into its document: it goes first.
    delete widget();
    m_frame.Core().ViewDestroyed(&m_document->FrameView(), this);
}

bool CChildFrame::CloseDocument() {
    if (!m_closing && !OnClose())
        return false;
    m_closing = true;
    close();
    return true;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    // The close box, File > Close, a sheet replaced and the program's exit
    // all come here or through CloseDocument: one refusal for all of them.
    if (!m_closing && !OnClose()) {
        event->ignore();
        return;
    }
    m_closing = true;
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::OnMDIActivate(bool active) {
    CMainFrameCore& core = m_frame.Core();
    const auto hold = [&](IFrameView* view) {
        if (m_kind == EChildKind::Device)
            core.SetActiveDeviceView(view);
        else
            core.SetActiveDspView(view);
    };
    if (!active) {
        ShowModeless(false);
        hold(nullptr);
        return;
    }
    m_frame.ShowBarsOf(m_kind);
    // A device sheet shows the status bar by the frame's flag, a DSP
    // configuration by its view's own.
    m_frame.StatusBarWidget()->setVisible(
        m_kind == EChildKind::Device ? m_frame.StatusBarShownFlag() : m_document->StatusBarShown());
    hold(&View());
    ShowModeless(true);
    m_document->Activated();
}

void CChildFrame::ShowModeless(bool show) {
    const auto setShown = [show](const CModelessWindow& modeless) {
        if (modeless.setShown)
            modeless.setShown(show);
        else
            modeless.window->setVisible(show);
    };
    if (!show) {
        m_hidden.clear();
        for (const CModelessWindow& modeless : m_document->ModelessWindows()) {
            if (!modeless.window->isVisible())
                continue;
            m_hidden.emplace_back(modeless.window);
            setShown(modeless);
        }
        return;
    }
    // A window the user closed or hid meanwhile is not among them.
    for (const CModelessWindow& modeless : m_document->ModelessWindows()) {
        if (std::find(m_hidden.begin(), m_hidden.end(), modeless.window) != m_hidden.end())
            setShown(modeless);
    }
    m_hidden.clear();
}

// --- CChildDeviceFrame ---------------------------------------------------------

CChildDeviceFrame::CChildDeviceFrame(CMainFrame& frame, std::unique_ptr<CChildDocument> document)
    : CChildFrame(EChildKind::Device, frame, std::move(document)) {}

bool CChildDeviceFrame::OnClose() {
    return m_frame.Core().CanClose(this) && Document().SaveModified();
}

// --- CChildDSPFrame ------------------------------------------------------------

CChildDSPFrame::CChildDSPFrame(CMainFrame& frame, std::unique_ptr<CChildDocument> document)
    : CChildFrame(EChildKind::Dsp, frame, std::move(document)) {}

bool CChildDSPFrame::OnClose() {
    return Document().OnFileClose();
}

} // namespace shell::ui
