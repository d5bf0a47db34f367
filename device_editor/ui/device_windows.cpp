#include "device_editor/ui/device_windows.h"

#include <QFileDialog>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStringList>

#include "device_editor/sheet_commands.h"
#include "device_editor/ui/amplifier_monitor_dialog.h"
#include "device_editor/ui/channel_gain_dialog.h"
#include "device_editor/ui/device_dialogs.h"
#include "device_editor/ui/device_view.h"
#include "device_editor/ui/matrix_route_dialog.h"
#include "device_editor/ui/run_state_window.h"
#include "device_editor/ui/sheet_dialog_runner.h"
#include "device_editor/unit_configuration.h"
#include "model/device_matrix.h"
#include "model/device_qovg.h"
#include "model/device_text.h"
#include "model/messages.h"
#include "platform/app_paths/app_paths.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"
#include "shell/document_guards.h"
#include "shell/dsp_of_device.h"
#include "shell/ostrel_app.h"
#include "shell/ui/mdi_tab_client.h"

namespace device_editor::ui {

namespace {

using shell::ui::CMainFrame;
using shell::ui::EBar;

CDeviceWindow* WindowOf(shell::ui::CChildFrame* child) {
    return child != nullptr && child->Kind() == shell::ui::EChildKind::Device
               ? dynamic_cast<CDeviceWindow*>(&child->Document())
               : nullptr;
}

// "Text|*.a|Other|*.b||" as Qt's "Text;;Other" (the texts name their
// patterns already) or "Text (*.a);;...".
QString QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + parts[i + 1] + ")");
    return filters.join(";;");
}

// A new sheet's title before it has a file.
std::string NewSheetTitle() {
    static int count = 0;
    return platform::text::format("Ostrel%d", ++count);
}

} // namespace

// --- CDeviceWindow ---------------------------------------------------------------

CDeviceWindow::CDeviceWindow(CDeviceFrame& frame, std::unique_ptr<CZoDeviceDoc> read)
    : m_frame(frame), m_main(frame.MainFrame()),
      m_document(read ? std::move(read) : std::make_unique<CZoDeviceDoc>()),
      // Only a document read from its file has its undo history before
      // it opens.
      m_read(m_document->GetUndoHistory() != nullptr) {
    m_document->SetMainFrame(this);
    m_document->SetUndoHost(this);
    m_view = new CZoDeviceView(*m_document, this);
    m_sheetDialogs = std::make_unique<CSheetDialogRunner>(
        *m_document, m_view, m_main.ColourDialog(), m_main.FontDialog());
    m_document->SetDialogs(&m_sheetDialogs->DropDialogs());
    shell::CMainFrameCore& core = m_main.Core();
    m_view->isDownloadingView = [this, &core] {
        return core.DownloadBusy() && core.DownloadingView() == this;
    };
    m_view->isRunningView = [this, &core] { return core.RunningView() == this; };
    m_view->lockSheet = [this] { return LockSheet(); };
    m_view->onUnhandledCommand = [this](int command) { m_main.RunCommand(command); };
    m_run = std::make_unique<CRunStateWindow>(*this, m_main, frame.DeviceServices());
}

CDeviceWindow::~CDeviceWindow() {
    // The run state's threads read the sheet: they end first.
    m_run.reset();
    // The child frame has deleted the view already; a view never taken over
    // goes here.
    delete m_view;
    shell::CMainFrameCore& core = m_main.Core();
    if (core.OpenDeviceView() == this)
        core.SetOpenDeviceView(nullptr);
    if (m_counted && core.DeviceViewClosed() == 0) {
        for (EBar bar : {EBar::Special, EBar::DevicePalette, EBar::Output})
            m_main.ShowBar(bar, false);
    }
    // The document tells this window of its end while it still is one.
    m_document.reset();
}

bool CDeviceWindow::Open(const std::string& path) {
    if (path.empty()) {
        m_document->OnNewDocument();
        m_document->SetTitle(NewSheetTitle());
    } else if (m_read) {
        // Read before the window had a frame to tell: the path and the title
        // reach it now.
        SetDeviceDocumentPath(m_document->GetPathName().string());
        RefreshFrameTitles();
    } else if (!shell::ui::LoadDocumentFile([&] { m_document->OnOpenDocument(path); })) {
        return false;
    }
    // The initial update: the view is counted and is the frame's device
    // sheet view.
    shell::CMainFrameCore& core = m_main.Core();
    m_counted = true;
    core.DeviceViewOpened();
    core.SetOpenDeviceView(this);
    return true;
}

CZoDeviceView* CDeviceWindow::Widget() const {
    return m_view;
}

std::unique_lock<std::mutex> CDeviceWindow::LockSheet() {
    return m_run->State().LockSheet();
}

QWidget* CDeviceWindow::View() {
    return m_view;
}

const void* CDeviceWindow::ChildFrame() const {
    return m_view ? m_view->parentWidget() : nullptr;
}

bool CDeviceWindow::SaveModified() {
    if (!m_document->IsModified())
        return true;
    switch (model::Ask(resources::kMsgSaveDocument, model::EMessageButtons::YesNoCancel,
                       model::EMessageAnswer::Yes)) {
    case model::EMessageAnswer::Yes:
        return Save(false);
    case model::EMessageAnswer::No:
        return true;
    default:
        return false;
    }
}

std::vector<shell::ui::CModelessWindow> CDeviceWindow::ModelessWindows() {
    std::vector<shell::ui::CModelessWindow> windows;
    for (const auto& status : m_document->StatusWindows()) {
        const auto* handle = dynamic_cast<const CAmplifierStatusWindow*>(status.get());
        if (handle != nullptr && handle->Dialog() != nullptr)
            windows.push_back({handle->Dialog(), {}});
    }
    return windows;
}

bool CDeviceWindow::Save(bool askForPath) {
    std::filesystem::path path = m_document->GetPathName();
    if (askForPath || path.empty()) {
        const QString chosen = QFileDialog::getSaveFileName(
            m_view, QString(), QString::fromStdString(m_document->GetFileTitle()),
            QtFilter("Ostrel Device Files (*.zo)|*.zo||"));
        if (chosen.isEmpty())
            return false;
        path = chosen.toStdString();
        if (path.extension().empty())
            path += ".zo";
    }
    try {
        m_document->OnSaveDocument(path);
    } catch (const std::exception&) {
        model::ShowMessage(resources::kMsgSaveFailed);
        return false;
    }
    return true;
}

// -- the view as the main frame reaches it

void CDeviceWindow::OnAppNotify(int code) {
    m_run->OnAppNotify(code);
    // The download and run state show in the frame and the grid.
    if (m_view)
        m_view->viewport()->update();
}

void CDeviceWindow::LoadUnitConfiguration(const std::string& mac) {
    LoadDeviceConfiguration(*m_document, mac, m_main.Folder());
}

void CDeviceWindow::ForgetUnitConfiguration(const std::string& mac) {
    ForgetDeviceConfiguration(*m_document, mac);
}

std::optional<shell::SheetColours> CDeviceWindow::Colours() const {
    const model::DeviceSheetSettings& sheet = m_document->GetSheetSettings();
    return shell::SheetColours{sheet.background, sheet.physicalLink, sheet.networkLink};
}

bool CDeviceWindow::CanTakePlacement(shell::EPaletteKind palette) const {
    return palette == shell::EPaletteKind::Device;
}

void CDeviceWindow::BeginPlacement(int itemData) {
    if (m_view)
        m_view->Editor().BeginPaletteDrop(itemData);
}

// -- commands

std::optional<EBar> CDeviceWindow::BarOf(int id) const {
    switch (id) {
    case kCmdStandardBar:
        return EBar::Standard;
    case kCmdSpecialBar:
        return EBar::Special;
    case kCmdDeviceBar:
        return EBar::DevicePalette;
    default:
        return std::nullopt;
    }
}

std::optional<shell::CCmdUI> CDeviceWindow::UpdateCommand(int id) {
    CDeviceSheetEditor& editor = m_view->Editor();
    switch (id) {
    case kCmdUndo:
    case kCmdRedo:
    case kCmdZoomDouble:
    case kCmdZoomNormal:
    case kCmdZoomHalf:
        return shell::CCmdUI{editor.IsCommandEnabled(id), false};
    case kCmdDelete:
    case kCmdSelectDevices:
    case kCmdSelectLinks:
    case kCmdSelectAll:
    case kCmdProperties:
    case kCmdChannelGain:
    case kCmdDspEdit:
    case shell::ID_FILE_OPEN:
    case shell::ID_FILE_SAVE:
    case shell::ID_FILE_SAVE_AS:
    case shell::ID_FILE_CLOSE:
    case shell::ID_FILE_PRINT:
    case shell::ID_FILE_PRINT_SETUP:
    case shell::ID_FILE_PRINT_PREVIEW:
    case kCmdSheetSize:
    case kCmdDocumentSize:
    case kCmdColours:
    case kCmdColourScheme:
    case kCmdLinkList:
    case kCmdIpRange:
    case kCmdHardwareConfig:
        return shell::CCmdUI{true, false};
    case CZoDeviceDoc::kCmdGrid:
        return shell::CCmdUI{true, m_document->IsCommandChecked(id)};
    case kCmdStandardBar:
    case kCmdSpecialBar:
    case kCmdDeviceBar:
        return shell::CCmdUI{true, m_main.BarVisible(*BarOf(id))};
    default:
        return std::nullopt;
    }
}

bool CDeviceWindow::OnCommand(int id) {
    if (m_view->Editor().OnCommand(id) || m_document->OnCommand(id))
        return true;
    if (IsSheetDialogCommand(id))
        return RunSheetDialogCommand(*m_document, id, *m_sheetDialogs, this);
    switch (id) {
    case kCmdStandardBar:
    case kCmdSpecialBar:
    case kCmdDeviceBar: {
        const EBar bar = *BarOf(id);
        m_main.SetBarShown(bar, !m_main.BarVisible(bar));
        return true;
    }
    case shell::ID_FILE_SAVE:
    case shell::ID_FILE_SAVE_AS:
        Save(id == shell::ID_FILE_SAVE_AS);
        return true;
    case shell::ID_FILE_CLOSE:
        m_main.CloseActiveDocument();
        return true;
    case shell::ID_FILE_PRINT: {
        QPrinter& printer = m_frame.Printer();
        QPrintDialog dialog(&printer, m_view);
        if (dialog.exec() == QDialog::Accepted)
            m_view->Print(printer);
        return true;
    }
    case shell::ID_FILE_PRINT_SETUP: {
        QPageSetupDialog dialog(&m_frame.Printer(), m_view);
        dialog.exec();
        return true;
    }
    case shell::ID_FILE_PRINT_PREVIEW:
        PrintPreview();
        return true;
    case kCmdIpRange:
        if (RunIpRangeDialog(m_main, m_view))
            UpdateStatusPanes(0);
        return true;
    case kCmdHardwareConfig:
        RunHardwareConfigDialogs(m_main, m_view);
        return true;
    default:
        return false;
    }
}

void CDeviceWindow::PrintPreview() {
    QPrintPreviewDialog dialog(&m_frame.Printer(), m_view);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, m_view,
                     [this](QPrinter* printer) { m_view->Print(*printer); });
    dialog.exec();
}

// -- the main frame as the document sees it

void CDeviceWindow::ClearOutputList() {
    m_main.ClearOutput();
}

void CDeviceWindow::ClearOutputBarShown() {
    // The bar goes with the sheet; the next sheet shows it as the user left it.
    m_main.ShowBar(EBar::Output, false);
}

void CDeviceWindow::ClearDownloadingRecord() {
    m_main.Core().ViewDestroyed(this, ChildFrame());
}

void CDeviceWindow::SetDeviceDocumentPath(const std::string& path) {
    m_main.Core().SetDeviceDocPath(path);
}

void CDeviceWindow::UpdateStatusPanes(int selector) {
    m_main.Core().UpdateStatusPanes(selector);
}

void CDeviceWindow::RefreshFrameTitles() {
    if (!m_view)
        return;
    const QString title = QString::fromStdString(m_document->GetTitle());
    m_view->setProperty(shell::ui::kDocumentTitleProperty, title);
    if (QWidget* child = m_view->parentWidget())
        child->setWindowTitle(title);
}

// -- the view's dialogs

std::optional<std::string> CDeviceWindow::DeviceProperties(const model::CBaseDevice& device) {
    // The editor hands the device over read-only; the dialog edits the
    // document's own.
    model::CBaseDevice* edited = m_document->FindDevice(device.m_id, device.m_subType);
    if (edited == nullptr)
        return std::nullopt;
    return RunDevicePropertyDialog(*m_document, *edited, m_view);
}

void CDeviceWindow::ChannelGain(model::CBaseDevice& device) {
    CDeviceDlgChnlGain dialog(*m_document, device, m_run->Port(),
                              platform::app_paths::ProgramFolder(), [this] { return LockSheet(); },
                              m_view);
    dialog.exec();
}

void CDeviceWindow::MatrixRoutes(model::CBaseDevice& device) {
    auto* matrix = dynamic_cast<model::CDeviceMatrix*>(&device);
    if (matrix == nullptr)
        return;
    CDeviceDlgMatrixProperty dialog(*m_document, *matrix, m_run->Port(),
                                    [this] { return LockSheet(); }, m_view);
    dialog.exec();
}

std::unique_ptr<IDeviceStatusWindow> CDeviceWindow::CreateStatusWindow(model::CBaseDevice& device) {
    auto* unit = dynamic_cast<model::CDeviceQOVG*>(&device);
    if (unit == nullptr || !m_view)
        return nullptr;
    // Closed by the operator, it leaves the document's list, which destroys
    // its handle (the window itself goes later, out of its own handler).
    CZoDeviceDoc* document = m_document.get();
    const std::int32_t id = device.m_id, subType = device.m_subType;
    return MakeAmplifierStatusWindow(
        *document, *unit, [this] { return LockSheet(); }, m_view,
        [document, id, subType] { document->RemoveStatusWindow(id, subType); });
}

void CDeviceWindow::ShowStatusWindow(IDeviceStatusWindow& window, model::Point topLeft,
                                     const model::Rect& client) {
    auto* handle = dynamic_cast<CAmplifierStatusWindow*>(&window);
    QDialog* dialog = handle != nullptr ? handle->Dialog() : nullptr;
    if (dialog == nullptr || !m_view)
        return;
    // Shown first: a window takes its final size only as it is shown, and
    // the place depends on it.
    dialog->show();
    const QSize size = dialog->frameGeometry().size();
    const model::Point at = PlaceInClient(topLeft, {size.width(), size.height()}, client);
    dialog->move(m_view->viewport()->mapToGlobal(QPoint(at.x, at.y)));
    dialog->raise();
    dialog->activateWindow();
}

std::optional<std::string> CDeviceWindow::TextProperties(const model::CDeviceText& text) {
    // The box is one of this document's devices: the dialog edits it in
    // place, and the view then names it with the name it already has.
    auto& box = const_cast<model::CDeviceText&>(text);
    if (!EditTextProperties(*m_document, box, m_sheetDialogs->Measurer(), *m_sheetDialogs))
        return std::nullopt;
    return box.m_name;
}

void CDeviceWindow::OpenUnitDsp(std::int32_t deviceId) {
    shell::CMainFrameCore& core = m_main.Core();
    core.SetOpenDeviceView(this);
    core.OnAppNotify(deviceId, shell::NOTIFY_OPEN_DEVICE_DSP);
}

std::optional<std::string> CDeviceWindow::ChooseFileToOpen(const std::string& filter) {
    const QString path =
        QFileDialog::getOpenFileName(m_view, QString(), QString(), QtFilter(filter));
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

bool CDeviceWindow::HasRunningDocument() const {
    return m_main.Core().RunningFrame() != nullptr;
}

void CDeviceWindow::OpenDocumentFile(const std::string& path) {
    if (shell::COstrelApp* app = m_main.App())
        app->OpenDocumentFile(path);
}

// -- undo and redo

bool CDeviceWindow::IsActiveViewOf(const model::IDeviceDoc& document) const {
    return m_main.ActiveView() == this && &document == m_document.get();
}

void CDeviceWindow::UpdateLinkEnds(model::CBaseDevice& device) {
    m_document->UpdateLinkEnds(device);
}

void CDeviceWindow::InvalidateAll() {
    if (m_view)
        m_view->InvalidateAll();
}

// --- CDeviceFrame ----------------------------------------------------------------

CDeviceFrame::CDeviceFrame(CMainFrame& frame)
    : m_frame(frame), m_printer(std::make_unique<QPrinter>()) {}

CDeviceFrame::~CDeviceFrame() {
    shell::RegisterDocumentReader(".zo", {});
    UnregisterShellDialogs();
    shell::ui::UnregisterDocumentKind(".zo");
}

shell::IMainFrame& CDeviceFrame::DeviceServices() const {
    return m_services != nullptr ? *m_services : m_frame.Core();
}

bool CDeviceFrame::ReadSheet(const std::string& path) {
    ForgetReadSheet();
    auto document = std::make_unique<CZoDeviceDoc>();
    if (!shell::ui::LoadDocumentFile([&] { document->OnOpenDocument(path); }))
        return false;
    m_readPath = path;
    m_readSheet = std::move(document);
    return true;
}

std::unique_ptr<CZoDeviceDoc> CDeviceFrame::TakeReadSheet(const std::string& path) {
    if (!m_readSheet || m_readPath != path)
        return nullptr;
    m_readPath.clear();
    return std::move(m_readSheet);
}

void CDeviceFrame::ForgetReadSheet() {
    m_readPath.clear();
    m_readSheet.reset();
}

CDeviceWindow* CDeviceFrame::ActiveWindow() const {
    return WindowOf(m_frame.ActiveChildFrame());
}

std::unique_ptr<CDeviceFrame> RegisterDeviceWindows(CMainFrame& frame) {
    auto deviceFrame = std::make_unique<CDeviceFrame>(frame);
    RegisterShellDialogs(frame);
    CDeviceFrame* made = deviceFrame.get();
    shell::RegisterDocumentReader(
        ".zo", {[made](const std::string& path) { return made->ReadSheet(path); },
                [made] { made->ForgetReadSheet(); }});
    shell::ui::RegisterDocumentKind(
        ".zo", {shell::ui::EChildKind::Device,
                [made](const std::string& path) -> std::unique_ptr<shell::ui::CChildDocument> {
                    auto window = std::make_unique<CDeviceWindow>(*made, made->TakeReadSheet(path));
                    if (!window->Open(path))
                        return nullptr;
                    return window;
                }});
    return deviceFrame;
}

} // namespace device_editor::ui
