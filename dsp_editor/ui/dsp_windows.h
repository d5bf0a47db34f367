#pragma once
// The DSP configurations as windows of the main frame: the ".dsp" document
// kind (a document, its view and the view's window in a DSP child frame,
// with the view's console, property panel and progress window), the main
// frame as the DSP document sees it, and the DSP documents as the shell
// reaches them (a unit's configuration opened from the device sheet, the
// switch to a stored template).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>

#include "comm/command_sender.h"
#include "dsp_editor/binding_groups.h"
#include "dsp_editor/dsp_commands.h"
#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/module_dialogs.h"
#include "dsp_editor/property_panel_controller.h"
#include "dsp_editor/ui/file_chooser.h"
#include "dsp_editor/zo_dsp_view.h"
#include "shell/dsp_of_device.h"
#include "shell/ui/child_frames.h"
#include "shell/ui/main_frame.h"

class QMenu;
class QPrinter;

namespace shell::ui {
class CConsoleWindow;
class CProgressWindow;
} // namespace shell::ui

namespace dsp_editor::ui {

class CDspFrame;
class CDSPDlgProperty;
class CZoDSPViewWidget;

// Commands only the window carries out.
enum EDspWindowCommand : int {
    kCmdPrintSetup = 57606,
    kCmdPaletteBarTop = 32869,
    kCmdArrangeBar = 32881,
    kCmdModulesBar = 32882,
    kCmdPaletteBar = 32886,
    kCmdRouterLinks = 33030,
    kCmdPrint = 57607,
    kCmdPrintDirect = 57608,
    kCmdPrintPreview = 57609,
};

// One open DSP configuration.
class CDspWindow final : public shell::ui::CChildDocument,
                         public shell::IFrameView,
                         public shell::ICommandTarget,
                         public shell::IDspDocument,
                         public IDspViewWindow,
                         private IAttriDialogHost,
                         private model::IDocumentObserver {
public:
    explicit CDspWindow(CDspFrame& frame);
    ~CDspWindow() override;

    // A new sheet (empty path) or the file's. False, after message 286,
    // when the file cannot be read or is not a DSP sheet.
    bool Open(const std::string& path);

    CZoDSPDoc& Document() { return *m_document; }
    CZoDSPView& ViewLogic() { return *m_view; }
    CZoDSPViewWidget* Widget() const;
    shell::ui::CConsoleWindow* ConsoleWindow() const;
    // The property panel's window while it is open.
    CDSPDlgProperty* PropertyPanel() const;
    // Opens the property panel, or shows and activates the open one
    // (32795).
    void ShowPropertyPanel();

    // -- the child frame's document
    QWidget* View() override;
    shell::IFrameView& FrameView() override { return *this; }
    shell::ICommandTarget* Commands() override { return this; }
    std::string Title() const override { return m_document->GetTitle(); }
    bool SaveModified() override;
    // The attribute dialogs, the property panel and the console.
    std::vector<shell::ui::CModelessWindow> ModelessWindows() override;
    // The attribute dialogs (children of the view's window or not), the
    // property panel, the progress window and the console, whose end stops
    // the sender.
    void CloseWindows() override;
    bool StatusBarShown() const override { return m_statusShown; }
    void Activated() override;

    // -- the view as the main frame reaches it
    void OnAppNotify(int code) override;
    bool IsDeviceView() const override { return false; }
    bool CanTakePlacement(shell::EPaletteKind palette) const override;
    void BeginPlacement(int itemData) override;

    // -- commands: the view's, then the window's own (the zoom box, the
    //    property panel, the console, printing, save and close)
    std::optional<shell::CCmdUI> UpdateCommand(int id) override;
    bool OnCommand(int id) override;

    // -- the document as the shell reaches it
    std::string UnitMac() const override { return m_document->m_unitMac; }
    void SetDeviceModel(int typeCode) override;
    void SetDeviceId(int deviceId) override;
    void SetTitle(const std::string& title) override;
    void Activate() override;
    bool HasView() const override { return true; }
    bool HoldsConfiguration() const override;
    void LoadTemplate(const std::filesystem::path& path) override;
    void SwitchToStoredTemplate(int slot) override;

    // -- the host of the view's window: its other windows
    void Repaint() override;
    void UpdatePropertyPanel() override;
    void ClosePropertyPanel() override;
    void ShowDownloadProgress(const comm::CDSPDlgDownloadProgress* progress) override;
    bool RunFirmTemplateDialog(CFirmTemplateController& dialog) override;
    bool RunSaveAriAttriDialog(CParameterTemplateController& dialog) override;
    void OpenModuleDialog(model::CBaseAriModule& module) override;
    void ShowContextMenu(model::Point client) override;
    // Fills `menu` with the context menu's submenu for the selection, its
    // items greyed or taken out by the selection's rules.
    void BuildContextMenu(QMenu& menu);

    // Open while this view is active (57601): the file chosen in an Open
    // dialog goes to OpenChosenFile.
    void OpenFile();
    // Another name than ".zo" or ".dsp": 285. A ".zo" while a sheet is in run
    // state: 221; else after the user's OK to 305 this document is closed
    // (with its save prompt) first. Then the application opens the file
    // with its own checks.
    void OpenChosenFile(const std::string& path);

    // Print preview (57609): the attribute dialogs and the property panel
    // hide while `preview` runs, and this view is the active DSP view again
    // after it.
    void PrintPreview(const std::function<void()>& preview);

private:
    // What an attribute dialog asks of the view's frame when it is
    // activated or deactivated; the view's window answers where it goes.
    void ActivateView() override { Activate(); }
    void HidePropertyPanel() override;

    // The frame's title follows the document's.
    void OnDocumentChanged(const model::DocumentChange& change) override;

    // The initial update: the console (hidden) and its sender, the scroll
    // sizes and zoom box, one more DSP view for the frame.
    void OnInitialUpdate();
    void ShowStatus();
    void RetitleFrame();
    // The bar a toggle command shows or hides; none for another command.
    std::optional<shell::ui::EBar> BarOf(int id) const;
    void ToggleBar(int id);
    // The binding-group dialog of the first selected module.
    void RunGroupDialog(EGroupDialogMode mode);

    CDspFrame& m_frame;
    std::unique_ptr<CZoDSPDoc> m_document;
    std::unique_ptr<CZoDSPView> m_view;
    CDspViewCommands m_commands;
    CQtFileChooser m_chooser;
    // The child frame owns the window once it has taken it.
    QPointer<CZoDSPViewWidget> m_widget;
    QPointer<shell::ui::CConsoleWindow> m_console;
    QPointer<shell::ui::CProgressWindow> m_progress;
    std::unique_ptr<CPropertyPanelController> m_panel;
    QPointer<CDSPDlgProperty> m_panelWindow;
    bool m_counted = false;
    // The status bar shows while this view is active.
    bool m_statusShown = true;
};

// The main frame as the DSP documents see it, and the DSP documents as the
// shell reaches them.
class CDspFrame final : public IDspMainFrame, public shell::IDspDocuments {
public:
    explicit CDspFrame(shell::ui::CMainFrame& frame);
    ~CDspFrame() override;

    shell::ui::CMainFrame& MainFrame() const { return m_frame; }
    // Makes the components each view's sender reaches its unit through;
    // the program's own (both servers, on the configured network card)
    // unless a test sets it.
    std::function<std::unique_ptr<comm::ISenderComponents>()> makeSenderComponents;

    // The printer every DSP view prints on; print setup changes it.
    QPrinter& Printer() { return *m_printer; }

    // The window of every open DSP configuration, and of the active one.
    std::vector<CDspWindow*> Windows() const;
    CDspWindow* ActiveWindow() const;

    // -- the main frame as the document sees it
    std::string NewSheetMac() const override;
    std::int32_t NewSheetModel() const override;
    std::string DeviceDocumentPath() const override;
    CZoDSPView* ActiveDspView() const override;
    void ShowDspStatus(const DspStatusFigures& figures) override;
    void SetRunState(bool on) override;
    void CleanRecentFiles() override;
    std::optional<std::vector<CZoDSPView*>> OpenDspViews() const override;
    // The program's module clipboard, shared by every DSP view.
    CDspClipboard* Clipboard() const override { return m_clipboard.get(); }

    // -- the DSP documents as the shell reaches them
    std::vector<shell::IDspDocument*> OpenDocuments() override;
    shell::IDspDocument* NewDocument() override;
    shell::IDspDocument* OpenDocument(const std::filesystem::path& path) override;
    // The stored-template selection dialog.
    std::optional<shell::CTemplateChoice> SelectTemplate() override;

private:
    shell::ui::CMainFrame& m_frame;
    std::unique_ptr<CDspClipboard> m_clipboard;
    std::unique_ptr<QPrinter> m_printer;
};

// Registers the ".dsp" document kind with the shell's child frames and the
// DSP documents with the shell, over `frame`; the registration holds until
// the returned object goes.
std::unique_ptr<CDspFrame> RegisterDspWindows(shell::ui::CMainFrame& frame);

} // namespace dsp_editor::ui
