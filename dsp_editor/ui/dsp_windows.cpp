#include "dsp_editor/ui/dsp_windows.h"

#include <QComboBox>
#include <QDockWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMetaObject>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStringList>

#include "dsp_editor/dsp_clipboard.h"
#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/router_links.h"
#include "dsp_editor/ui/dsp_view_widget.h"
#include "dsp_editor/ui/file_chooser.h"
#include "dsp_editor/ui/firm_template_dialog.h"
#include "dsp_editor/ui/group_dialogs.h"
#include "dsp_editor/ui/parameter_template_dialog.h"
#include "dsp_editor/ui/property_panel_dialog.h"
#include "dsp_editor/ui/router_link_frame.h"
#include "dsp_editor/ui/select_template_dialog.h"
#include "model/base_device.h"
#include "model/device_document.h"
#include "model/messages.h"
#include "platform/app_paths/app_paths.h"
#include "resources/message_ids.h"
#include "shell/app_settings.h"
#include "shell/document_file.h"
#include "shell/frame_resources.h"
#include "shell/recent_files.h"
#include "shell/ui/console_window.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/mdi_tab_client.h"
#include "shell/ui/palette_bar.h"
#include "shell/ui/status_bar.h"

namespace dsp_editor::ui {

namespace {

using shell::ui::CMainFrame;
using shell::ui::EBar;

// The device of the open device sheet with that id, or null.
const model::CBaseDevice* SheetDevice(const CMainFrame& frame, int deviceId) {
    shell::IFrameView* sheetView = const_cast<CMainFrame&>(frame).Core().OpenDeviceView();
    const model::IDeviceDoc* sheet = sheetView ? sheetView->DeviceDocument() : nullptr;
    if (sheet == nullptr || deviceId == 0)
        return nullptr;
    for (int i = 0; i < sheet->GetDeviceCount(); ++i)
        if (const model::CBaseDevice* device = sheet->GetDevice(i);
            device && device->m_id == deviceId)
            return device;
    return nullptr;
}

CDspWindow* WindowOf(shell::ui::CChildFrame* child) {
    return child != nullptr && child->Kind() == shell::ui::EChildKind::Dsp
               ? dynamic_cast<CDspWindow*>(&child->Document())
               : nullptr;
}

} // namespace

// --- CDspWindow ------------------------------------------------------------------

CDspWindow::CDspWindow(CDspFrame& frame)
    : m_frame(frame), m_document(std::make_unique<CZoDSPDoc>()),
      m_view(std::make_unique<CZoDSPView>(*m_document)), m_commands(*m_view) {
    m_document->SetMainFrame(&frame);
    m_document->AttachObserver(this);
    m_view->SetFileChooser(&m_chooser);
    m_widget = new CZoDSPViewWidget(*m_view);
    m_widget->SetHost(this);
    m_widget->SetDialogHost(this);
    m_chooser.SetParent(m_widget);
    QObject::connect(m_widget, &CZoDSPViewWidget::zoomIndexSelected, m_widget, [this](int index) {
        if (QComboBox* box = m_frame.MainFrame().ZoomCombo())
            box->setCurrentIndex(index);
    });
}

CDspWindow::~CDspWindow() {
    CloseWindows();
    // The child frame has deleted the view's window already; a window never
    // taken over goes here.
    delete m_widget;
    m_document->DetachObserver(this);
    if (!m_counted)
        return;
    shell::CMainFrameCore& core = m_frame.MainFrame().Core();
    if (core.ActiveDspView() == this)
        core.SetActiveDspView(nullptr);
    if (core.DspViewClosed() == 0 && core.DeviceViewCount() == 0) {
        CMainFrame& frame = m_frame.MainFrame();
        for (EBar bar : {EBar::Dsp, EBar::Arrange, EBar::Modules, EBar::DspPalette})
            frame.ShowBar(bar, false);
        frame.StatusBarWidget()->hide();
        frame.ShowBar(EBar::Standard, true);
    }
}

bool CDspWindow::Open(const std::string& path) {
    if (path.empty()) {
        m_document->OnNewDocument();
    } else if (!shell::ui::LoadDocumentFile([&] { m_document->OnOpenDocument(path); })) {
        return false;
    }
    OnInitialUpdate();
    return true;
}

void CDspWindow::OnInitialUpdate() {
    m_widget->OnInitialUpdate();
    shell::CMainFrameCore& core = m_frame.MainFrame().Core();
    m_counted = true;
    if (core.DspViewOpened() == 1)
        m_frame.MainFrame().SetBarShown(EBar::DspPalette, true);
    // The console and its sender start once the document is complete: whoever
    // made it may still give it its unit (SetDeviceId), and the sender reads
    // the unit's MAC once, at its start.
    QMetaObject::invokeMethod(
        m_widget,
        [this] {
            m_console = new shell::ui::CConsoleWindow(m_view->Console(),
                                                      QString::fromStdString(m_document->m_unitMac),
                                                      &m_frame.MainFrame());
            m_console->hide();
            m_view->Download().StartSender(
                m_frame.makeSenderComponents
                    ? m_frame.makeSenderComponents()
                    : std::make_unique<comm::CNetSenderComponents>(
                          shell::CAppSettings(platform::app_paths::ProgramFolder() / "Ostrel.ini")
                              .Adapter()));
        },
        Qt::QueuedConnection);
}

CZoDSPViewWidget* CDspWindow::Widget() const {
    return m_widget;
}

shell::ui::CConsoleWindow* CDspWindow::ConsoleWindow() const {
    return m_console;
}

CDSPDlgProperty* CDspWindow::PropertyPanel() const {
    return m_panelWindow;
}

QWidget* CDspWindow::View() {
    return m_widget;
}

bool CDspWindow::SaveModified() {
    return m_document->OnFileClose();
}

void CDspWindow::CloseWindows() {
    // The document only lists its attribute dialogs; a dialog that went
    // with the view's window would stay in its list.
    m_document->DestroyAttriDialogs();
    delete m_panelWindow;
    delete m_progress;
    delete m_console;
}

std::vector<shell::ui::CModelessWindow> CDspWindow::ModelessWindows() {
    std::vector<shell::ui::CModelessWindow> windows;
    for (IAttriDialog* dialog : m_document->AttriDialogs()) {
        // Through their own operations: each takes its pop-up slider along.
        if (auto* window = dynamic_cast<QWidget*>(dialog))
            windows.push_back({window, [dialog](bool show) {
                                   if (show)
                                       dialog->ShowDialog();
                                   else
                                       dialog->HideDialog();
                               }});
    }
    if (m_panelWindow)
        windows.push_back({m_panelWindow, {}});
    if (m_console)
        windows.push_back({m_console, {}});
    return windows;
}

void CDspWindow::Activated() {
    m_widget->SelectZoomIndex(ZoomComboIndex(m_document->m_zoom));
    m_frame.SetRunState(m_document->m_live != 0);
    ShowStatus();
}

void CDspWindow::ShowStatus() {
    m_frame.ShowDspStatus(m_view->StatusFigures(m_document->m_orderOk != 0));
}

void CDspWindow::OnAppNotify(int code) {
    m_view->Download().OnAppNotify(code);
}

bool CDspWindow::CanTakePlacement(shell::EPaletteKind palette) const {
    return palette == shell::EPaletteKind::Dsp && m_document->m_live == 0 &&
           m_view->Download().m_progress == 0 && m_view->Download().m_commFault == 0;
}

void CDspWindow::BeginPlacement(int itemData) {
    m_view->Gestures().BeginListDrag(itemData);
}

// -- commands

std::optional<shell::CCmdUI> CDspWindow::UpdateCommand(int id) {
    if (auto state = m_commands.UpdateCommand(id))
        return state;
    switch (id) {
    case kCmdProperties:
        return shell::CCmdUI{true, m_panelWindow != nullptr};
    case shell::ID_VIEW_STATUS_BAR:
        return shell::CCmdUI{true, m_statusShown};
    case shell::ID_VIEW_TOOLBAR:
    case kCmdArrangeBar:
    case kCmdModulesBar:
    case kCmdPaletteBar:
    case kCmdPaletteBarTop:
        return shell::CCmdUI{true, m_frame.MainFrame().BarVisible(*BarOf(id))};
    case kCmdNewGroup:
    case kCmdJoinGroup:
    case kCmdRouterLinks:
    case shell::ID_FILE_OPEN:
    case shell::kZoomCombo:
    case kCmdConsole:
    case kCmdPrint:
    case kCmdPrintDirect:
    case kCmdPrintPreview:
    case kCmdPrintSetup:
    case shell::ID_FILE_SAVE:
    case shell::ID_FILE_SAVE_AS:
    case shell::ID_FILE_CLOSE:
        return shell::CCmdUI{true, false};
    default:
        return std::nullopt;
    }
}

bool CDspWindow::OnCommand(int id) {
    if (m_commands.OnCommand(id))
        return true;
    switch (id) {
    case shell::kZoomCombo:
        if (QComboBox* box = m_frame.MainFrame().ZoomCombo())
            m_view->Zoom().OnZoomComboSelect(box->currentIndex());
        return true;
    case kCmdProperties:
        ShowPropertyPanel();
        return true;
    case kCmdConsole:
        if (m_console)
            m_console->setVisible(!m_console->isVisible());
        return true;
    case shell::ID_VIEW_STATUS_BAR:
        m_statusShown = !m_statusShown;
        m_frame.MainFrame().StatusBarWidget()->setVisible(m_statusShown);
        return true;
    case shell::ID_VIEW_TOOLBAR:
    case kCmdArrangeBar:
    case kCmdModulesBar:
    case kCmdPaletteBar:
    case kCmdPaletteBarTop:
        ToggleBar(id);
        return true;
    case kCmdNewGroup:
        RunGroupDialog(EGroupDialogMode::NewGroup);
        return true;
    case kCmdJoinGroup:
        RunGroupDialog(EGroupDialogMode::JoinGroup);
        return true;
    case shell::ID_FILE_OPEN:
        OpenFile();
        return true;
    case kCmdRouterLinks: {
        CFrameRouterLinks links(m_frame.MainFrame().Core(), &m_frame.MainFrame());
        OnNameInputsFromDatabase(*m_view, links);
        return true;
    }
    case kCmdPrint:
    case kCmdPrintDirect: {
        QPrinter& printer = m_frame.Printer();
        if (id == kCmdPrint) {
            QPrintDialog dialog(&printer, m_widget);
            if (dialog.exec() != QDialog::Accepted)
                return true;
        }
        m_widget->Print(printer);
        return true;
    }
    case kCmdPrintSetup: {
        QPageSetupDialog dialog(&m_frame.Printer(), m_widget);
        dialog.exec();
        return true;
    }
    // Accepted, and nothing happens: a DSP configuration is saved where
    // its unit's file belongs.
    case shell::ID_FILE_SAVE_AS:
        return true;
    case kCmdPrintPreview:
        PrintPreview([this] {
            QPrintPreviewDialog dialog(&m_frame.Printer(), m_widget);
            QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, m_widget,
                             [this](QPrinter* printer) { m_widget->Print(*printer); });
            dialog.exec();
        });
        return true;
    case shell::ID_FILE_SAVE:
        m_document->OnFileSave();
        return true;
    case shell::ID_FILE_CLOSE:
        m_frame.MainFrame().CloseActiveDocument();
        return true;
    default:
        return false;
    }
}

std::optional<EBar> CDspWindow::BarOf(int id) const {
    switch (id) {
    case shell::ID_VIEW_TOOLBAR:
        return EBar::Dsp;
    case kCmdArrangeBar:
        return EBar::Arrange;
    case kCmdModulesBar:
        return EBar::Modules;
    case kCmdPaletteBar:
    case kCmdPaletteBarTop:
        return EBar::DspPalette;
    default:
        return std::nullopt;
    }
}

void CDspWindow::ToggleBar(int id) {
    CMainFrame& frame = m_frame.MainFrame();
    const EBar bar = *BarOf(id);
    const bool show = !frame.BarVisible(bar);
    if (show && id == kCmdPaletteBarTop) {
        if (auto* dock = qobject_cast<QDockWidget*>(frame.DspPalette()->parentWidget()))
            frame.addDockWidget(Qt::TopDockWidgetArea, dock);
    }
    frame.SetBarShown(bar, show);
}

void CDspWindow::RunGroupDialog(EGroupDialogMode mode) {
    model::CBaseAriModule* first = nullptr;
    for (const auto& module : m_document->Modules()) {
        if (module->m_selected != 0) {
            first = module.get();
            break;
        }
    }
    if (first == nullptr)
        return;
    CDspGroupView groupView(*m_view);
    CGroupEditor editor(*m_document, *first, mode, m_view->Console(), UndoHistoryOf(*m_document),
                        &groupView);
    CDSPDlgNewCombination dialog(editor, m_widget);
    dialog.exec();
}

void CDspWindow::OpenFile() {
    if (const std::optional<std::string> chosen = m_chooser.ChooseOpenFile(
            "Ostrel Device Files (*.zo)|*.zo|RUZUR Document Files (*.dsp)|*.dsp||"))
        OpenChosenFile(*chosen);
}

void CDspWindow::OpenChosenFile(const std::string& path) {
    const shell::EDocumentFile kind = shell::CheckFileToOpen(path);
    if (kind == shell::EDocumentFile::Other)
        return;
    CMainFrame& frame = m_frame.MainFrame();
    if (kind == shell::EDocumentFile::DeviceSheet) {
        if (!frame.Core().CanClose())
            return;
        if (model::Ask(resources::kMsgReplaceDocument, model::EMessageButtons::OkCancel,
                       model::EMessageAnswer::Ok) != model::EMessageAnswer::Ok)
            return;
        // This window goes here; only the frame is used after it.
        if (!frame.CloseActiveDocument())
            return;
    }
    if (shell::COstrelApp* app = frame.App())
        app->OpenDocumentFile(path);
}

void CDspWindow::ShowContextMenu(model::Point client) {
    QMenu menu;
    BuildContextMenu(menu);
    menu.exec(m_widget->viewport()->mapToGlobal(QPoint(client.x, client.y)));
}

void CDspWindow::BuildContextMenu(QMenu& menu) {
    const CDspClipboard* clipboard = m_view->ClipboardCommands().Clipboard();
    const DspContextMenu choice =
        ContextMenuOf(*m_view, clipboard != nullptr && clipboard->HasContent(),
                      m_view->ClipboardCommands().ParameterTarget() != nullptr);
    const std::vector<shell::CMenuEntry>& popups = shell::MenuResource(shell::kMenuDspContext);
    CMainFrame& frame = m_frame.MainFrame();
    frame.FillMenu(&menu, shell::kMenuDspContext,
                   popups[static_cast<std::size_t>(choice.submenu)].items);
    for (QAction* action : menu.actions()) {
        if (!action->data().isValid())
            continue;
        const int id = action->data().toInt();
        if (choice.removed.contains(id)) {
            menu.removeAction(action);
            delete action;
            continue;
        }
        // The menu bar's keys stay the only ones.
        action->setShortcut({});
        const shell::CCmdUI state = frame.CommandState(id);
        action->setEnabled(state.enabled && !choice.greyed.contains(id));
        action->setCheckable(state.checked);
        action->setChecked(state.checked);
    }
}

void CDspWindow::PrintPreview(const std::function<void()>& preview) {
    for (IAttriDialog* dialog : m_document->AttriDialogs())
        dialog->HideDialog();
    if (m_panelWindow)
        m_panelWindow->hide();
    preview();
    m_frame.MainFrame().Core().SetActiveDspView(this);
    for (IAttriDialog* dialog : m_document->AttriDialogs())
        dialog->ShowDialog();
    if (m_panelWindow)
        m_panelWindow->show();
}

// -- the document as the shell reaches it

void CDspWindow::SetDeviceModel(int typeCode) {
    m_document->SetDeviceModel(typeCode);
}

void CDspWindow::SetDeviceId(int deviceId) {
    if (const model::CBaseDevice* device = SheetDevice(m_frame.MainFrame(), deviceId))
        m_document->m_unitMac = device->m_mac;
}

void CDspWindow::SetTitle(const std::string& title) {
    m_document->SetTitle(title);
    RetitleFrame();
}

bool CDspWindow::HoldsConfiguration() const {
    // Every edit, a template load included, is a step of the undo history;
    // a new document is marked modified from the start, so that flag tells
    // nothing.
    const CDSPUndoHistory* history = UndoHistoryOf(*m_document);
    return !m_document->GetPathName().empty() ||
           (history != nullptr && history->UndoCount() + history->RedoCount() > 0);
}

void CDspWindow::Activate() {
    if (m_widget) {
        if (auto* child = qobject_cast<QMdiSubWindow*>(m_widget->parentWidget()))
            m_frame.MainFrame().MdiArea()->setActiveSubWindow(child);
    }
}

void CDspWindow::LoadTemplate(const std::filesystem::path& path) {
    if (!m_view->SheetTemplates().LoadTemplate(path))
        model::ShowMessage(resources::kMsgTemplateNotLoaded);
}

void CDspWindow::SwitchToStoredTemplate(int slot) {
    m_view->StoredTemplates().SwitchToStoredTemplate(slot);
}

void CDspWindow::RetitleFrame() {
    if (!m_widget)
        return;
    const QString title = QString::fromStdString(m_document->GetTitle());
    m_widget->setProperty(shell::ui::kDocumentTitleProperty, title);
    if (QWidget* child = m_widget->parentWidget())
        child->setWindowTitle(title);
}

void CDspWindow::OnDocumentChanged(const model::DocumentChange& change) {
    if (change.kind == model::DocumentChangeKind::ModifiedChanged ||
        change.kind == model::DocumentChangeKind::Reset)
        RetitleFrame();
}

// -- the host of the view's window

void CDspWindow::Repaint() {
    if (m_widget)
        m_widget->Repaint();
}

void CDspWindow::ShowPropertyPanel() {
    if (m_panelWindow) {
        m_panelWindow->show();
        m_panelWindow->activateWindow();
        return;
    }
    m_panel = std::make_unique<CPropertyPanelController>(*m_view);
    m_panelWindow = new CDSPDlgProperty(*m_panel, &m_frame.MainFrame());
    m_panelWindow->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(m_panelWindow, &QObject::destroyed, m_widget, [this] { m_panel.reset(); });
    m_panelWindow->show();
}

void CDspWindow::HidePropertyPanel() {
    if (m_panelWindow)
        m_panelWindow->hide();
}

void CDspWindow::UpdatePropertyPanel() {
    if (m_panelWindow)
        m_panelWindow->Refresh();
}

void CDspWindow::ClosePropertyPanel() {
    if (m_panelWindow)
        m_panelWindow->close();
}

void CDspWindow::ShowDownloadProgress(const comm::CDSPDlgDownloadProgress* progress) {
    if (progress == nullptr) {
        delete m_progress;
        return;
    }
    if (!m_progress) {
        m_progress = new shell::ui::CProgressWindow(&m_frame.MainFrame());
        m_progress->ShowOver(*m_widget);
    }
    m_progress->SetTotal(progress->Total());
    m_progress->SetPos(progress->Pos());
}

bool CDspWindow::RunFirmTemplateDialog(CFirmTemplateController& dialog) {
    return dsp_editor::ui::RunFirmTemplateDialog(dialog, m_widget);
}

bool CDspWindow::RunSaveAriAttriDialog(CParameterTemplateController& dialog) {
    return dsp_editor::ui::RunSaveAriAttriDialog(dialog, m_widget);
}

void CDspWindow::OpenModuleDialog(model::CBaseAriModule& module) {
    m_view->ShowAttriDialog(module, false);
}

// --- CDspFrame -------------------------------------------------------------------

CDspFrame::CDspFrame(CMainFrame& frame)
    : m_frame(frame), m_clipboard(std::make_unique<CDspClipboard>()),
      m_printer(std::make_unique<QPrinter>()) {}

CDspFrame::~CDspFrame() {
    shell::ui::UnregisterDocumentKind(".dsp");
    if (shell::RegisteredDspDocuments() == this)
        shell::RegisterDspDocuments(nullptr);
}

std::vector<CDspWindow*> CDspFrame::Windows() const {
    std::vector<CDspWindow*> windows;
    for (shell::ui::CChildFrame* child : m_frame.ChildFrames())
        if (CDspWindow* window = WindowOf(child))
            windows.push_back(window);
    return windows;
}

CDspWindow* CDspFrame::ActiveWindow() const {
    return WindowOf(m_frame.ActiveChildFrame());
}

std::string CDspFrame::NewSheetMac() const {
    const model::CBaseDevice* device = SheetDevice(m_frame, m_frame.Core().NewDspDeviceId());
    return device ? device->m_mac : std::string();
}

std::int32_t CDspFrame::NewSheetModel() const {
    const model::CBaseDevice* device = SheetDevice(m_frame, m_frame.Core().NewDspDeviceId());
    return device ? device->m_typeCode : 0;
}

std::string CDspFrame::DeviceDocumentPath() const {
    return m_frame.Core().DeviceDocPath();
}

CZoDSPView* CDspFrame::ActiveDspView() const {
    CDspWindow* window = ActiveWindow();
    return window ? &window->ViewLogic() : nullptr;
}

void CDspFrame::ShowDspStatus(const DspStatusFigures& figures) {
    shell::CStatusPanes& panes = m_frame.Core().Status();
    panes.SetModuleSizePane(figures.size.cx, figures.size.cy);
    panes.SetModulePosPane(figures.position.x, figures.position.y);
    panes.SetLinkCountPane(figures.links, figures.selectedLinks);
    panes.SetModuleCountPane(figures.modules, figures.selectedModules);
    panes.SetIdStatePane(figures.idsSet);
    panes.SetSpaceUsedPane(figures.spaceUsed);
    panes.SetTimeUsedPane(figures.timeUsed);
}

void CDspFrame::SetRunState(bool on) {
    m_frame.Core().SetRunState(on);
}

void CDspFrame::CleanRecentFiles() {
    if (shell::COstrelApp* app = m_frame.App()) {
        shell::CleanRecentFileList(app->RecentFiles());
        m_frame.RecentFilesChanged();
    }
}

std::optional<std::vector<CZoDSPView*>> CDspFrame::OpenDspViews() const {
    std::vector<CZoDSPView*> views;
    for (CDspWindow* window : Windows())
        views.push_back(&window->ViewLogic());
    return views;
}

std::vector<shell::IDspDocument*> CDspFrame::OpenDocuments() {
    std::vector<shell::IDspDocument*> documents;
    for (CDspWindow* window : Windows())
        documents.push_back(window);
    return documents;
}

shell::IDspDocument* CDspFrame::NewDocument() {
    auto window = std::make_unique<CDspWindow>(*this);
    if (!window->Open(std::string()))
        return nullptr;
    CDspWindow* made = window.get();
    m_frame.AddChild(shell::ui::EChildKind::Dsp, std::move(window));
    return made;
}

shell::IDspDocument* CDspFrame::OpenDocument(const std::filesystem::path& path) {
    if (!m_frame.OpenDocument(path.string()))
        return nullptr;
    return ActiveWindow();
}

std::optional<shell::CTemplateChoice> CDspFrame::SelectTemplate() {
    return RunSelectTemplateDialog(&m_frame, platform::app_paths::ProgramFolder() / "Ostrel.ini",
                                   this);
}

std::unique_ptr<CDspFrame> RegisterDspWindows(CMainFrame& frame) {
    auto dspFrame = std::make_unique<CDspFrame>(frame);
    CDspFrame* made = dspFrame.get();
    shell::ui::RegisterDocumentKind(
        ".dsp", {shell::ui::EChildKind::Dsp,
                 [made](const std::string& path) -> std::unique_ptr<shell::ui::CChildDocument> {
                     auto window = std::make_unique<CDspWindow>(*made);
                     if (!window->Open(path))
                         return nullptr;
                     return window;
                 }});
    shell::RegisterDspDocuments(made);
    return dspFrame;
}

} // namespace dsp_editor::ui
