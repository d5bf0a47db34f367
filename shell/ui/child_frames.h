#pragma once
// The document windows of the main window and how editors provide them.
//
// An editor registers a document kind per file extension (".zo" the device
// sheet, ".dsp" the DSP configuration) with a function that makes an open
// document: its view widget, the view as the main frame reaches it, and its
// save prompt. The main frame puts each document in a child frame of the
// kind's class: CChildDeviceFrame or CChildDSPFrame, QMdiSubWindows of the
// frame's work area.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMdiSubWindow>
#include <QPointer>

#include "shell/commands.h"
#include "shell/main_frame_core.h"

namespace shell::ui {

enum class EChildKind { Device, Dsp };

// One of a document's modeless windows as its child frame hides and shows
// it.
struct CModelessWindow {
    QWidget* window = nullptr;
    // Hides or shows the window with whatever goes with it (an attribute
    // dialog's pop-up slider); the window's own setVisible when empty.
    std::function<void(bool show)> setShown;
};

// One open document as its editor gives it to a child frame.
class CChildDocument {
public:
    virtual ~CChildDocument() = default;
    // The view widget; the child frame takes it over.
    virtual QWidget* View() = 0;
    virtual IFrameView& FrameView() = 0;
    // The view's commands; null when it has none.
    virtual ICommandTarget* Commands() { return nullptr; }
    virtual std::string Title() const = 0;
    // The save prompt before the document goes: false when the user
    // refused (the document stays).
    virtual bool SaveModified() = 0;
    // A DSP configuration closes through its document, which may refuse.
    virtual bool OnFileClose() { return SaveModified(); }
    // Every modeless window the document has open, shown or not: those
    // showing hide while another document's frame is active and come back
    // with this one's.
    virtual std::vector<CModelessWindow> ModelessWindows() { return {}; }
    // The frame is going: the windows the document opened go now, before
    // the view's window, which some of them are children of.
    virtual void CloseWindows() {}
    // Whether the status bar shows while this document is active.
    virtual bool StatusBarShown() const { return true; }
    // The frame became active: the view refreshes the status panes it owns.
    virtual void Activated() {}
};

struct CDocumentKind {
    EChildKind frame = EChildKind::Device;
    // An empty path makes a new document. Null when it could not be made
    // (the editor has said why).
    std::function<std::unique_ptr<CChildDocument>(const std::string& path)> make;
};

// Runs a document's load from its file. A file that cannot be read or does
// not load (std::system_error, platform::archive::archive_error) is told
// with message 286 and answers false; the document stays as it was.
bool LoadDocumentFile(const std::function<void()>& load);

// Registers the kind of `extension` (".zo", ".dsp"), replacing an earlier one.
void RegisterDocumentKind(const std::string& extension, CDocumentKind kind);
void UnregisterDocumentKind(const std::string& extension);
// The kind of a file's extension, compared without regard to case; null
// when no editor registered one.
const CDocumentKind* FindDocumentKind(const std::string& extension);

class CMainFrame;

// A document's window in the work area.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    ~CChildFrame() override;

    EChildKind Kind() const { return m_kind; }
    CChildDocument& Document() { return *m_document; }
    IFrameView& View() { return m_document->FrameView(); }
    // Activation and deactivation by the work area: the bars, the status
    // layout and the document's modeless windows of this kind.
    void OnMDIActivate(bool active);
    // Closes the frame as its close box does: refused while its sheet
    // downloads or runs, then the document's save prompt; false when the
    // frame stays.
    bool CloseDocument();
    // Closed and waiting to be deleted.
    bool Closing() const { return m_closing && isHidden(); }

protected:
    CChildFrame(EChildKind kind, CMainFrame& frame, std::unique_ptr<CChildDocument> document);
    void closeEvent(QCloseEvent* event) override;
    // Whether the frame may close now.
    virtual bool OnClose() = 0;

    CMainFrame& m_frame;

private:
    // Hides the document's windows that show, or shows again those it hid.
    void ShowModeless(bool show);

    EChildKind m_kind;
    std::unique_ptr<CChildDocument> m_document;
    bool m_closing = false;
    // The windows the last deactivation hid: only those come back.
    std::vector<QPointer<QWidget>> m_hidden;
};

class CChildDeviceFrame final : public CChildFrame {
    Q_OBJECT
public:
    CChildDeviceFrame(CMainFrame& frame, std::unique_ptr<CChildDocument> document);

protected:
    // Not while its sheet downloads (209) or runs (221); then the save
    // prompt.
    bool OnClose() override;
};

class CChildDSPFrame final : public CChildFrame {
    Q_OBJECT
public:
    CChildDSPFrame(CMainFrame& frame, std::unique_ptr<CChildDocument> document);

protected:
    bool OnClose() override;
};

} // namespace shell::ui
