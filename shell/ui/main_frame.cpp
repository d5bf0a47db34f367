#include "shell/ui/main_frame.h"

#include "comm/event_log.h"
#include "device_editor/unit_configuration.h"
#include "model/messages.h"
#include "platform/profile/registry.h"
#include "resources/bitmaps.h"
#include "shell/app_settings.h"
#include "shell/dsp_of_device.h"
#include "shell/language.h"
#include "shell/ui/about_dialog.h"
#include "shell/dialog_texts.h"
#include "shell/ui/language_dialog.h"
#include "shell/ui/mdi_tab_client.h"
#include "shell/ui/message_boxes.h"
#include "shell/ui/output_list.h"
#include "shell/ui/palette_bar.h"
#include "shell/ui/pictures.h"
#include "shell/ui/splash.h"
#include "shell/ui/status_bar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QStyleOption>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace shell::ui {

namespace {

constexpr int kMsgNoDocumentTemplate = 287;
constexpr int kDevicePaletteBar = 137;
constexpr int kOutputBar = 138;
constexpr int kDspPaletteBar = 153;

void RestoreArrowCursorNow()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

QString MenuString(int menu, const CMenuEntry& entry)
{
    if (const auto text = MenuText(menu, entry.id))
        return QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
    return QString::fromStdString(entry.text);
}

// The key of a menu text's accelerator part ("\tCtrl+Z"); only the ones a
// keyboard reaches as written.
QKeySequence Shortcut(const QString& text)
{
    const qsizetype tab = text.indexOf('\t');
    if (tab < 0)
        return {};
    QString keys = text.mid(tab + 1);
    keys = keys.left(keys.indexOf('(')).trimmed();
    if (!keys.startsWith("Ctrl+") && keys != "Del")
        return {};
    return QKeySequence(keys);
}

// The extension as document kinds are registered: ".zo", ".dsp".
std::string KindOfPath(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

// The output bar: the list at (3, 3), 12 pixels narrower and lower than the
// bar. The user's clicks on the bar itself are swallowed.
class COutputBar final : public QWidget {
public:
    explicit COutputBar(CMyListBox* list)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(3, 3, 9, 9);
        layout->addWidget(list);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
};

} // namespace

CMainFrame::CMainFrame(std::filesystem::path programFolder, QWidget* parent)
    : QMainWindow(parent), m_folder(std::move(programFolder)), m_core(*this, m_blinkTimer)
{
    setObjectName("mainFrame");
    m_core.sweepWait = [](platform::sync::event_t& sweep, std::chrono::milliseconds limit) {
        WaitProcessingEvents(sweep, limit);
    };
    setMinimumWidth(400);
    setAcceptDrops(true);
    // The bars show by the commands and the active document's kind only.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    // The download thread writes to the output list and notifies the
    // frame: it goes first.
    m_download.reset();
    DestroyDocuments();
    // The servers' objects and the watch go once no document's thread (a
    // sheet's run-state poller asks the units through them) is left.
    m_core.OnDestroy();
    if (m_area)
        m_area->viewport()->removeEventFilter(this);
    // The tab strip stops the frame's tab timer as it goes, so it goes
    // while the timer, a member, still exists (Qt deletes child widgets
    // only after the members are gone). The work area goes with it.
    delete m_tabClient;
    m_tabClient = nullptr;
    m_area = nullptr;
}

// --- start-up ------------------------------------------------------------------

bool CMainFrame::CreateMainWindow()
{
    setWindowTitle(StringText(kProductTitleString));
    setWindowIcon(IconPicture(resources::kIconApplication));

    m_area = new QMdiArea;
    m_area->setViewMode(QMdiArea::SubWindowView);
    m_area->setObjectName("workArea");
    m_tabClient = new CMDITabClient(m_tabTimer, this);
    setCentralWidget(m_tabClient);
    if (!m_tabClient->Attach(m_area))
        return false;
    connect(m_area, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    m_area->viewport()->installEventFilter(this);

    m_status = new CMyStatusBar(m_core.Status(), this);
    m_status->SetSheetColoursSource([this]() -> std::optional<SheetColours> {
        IFrameView* view = ActiveView();
        if (!view || !view->IsDeviceView())
            return std::nullopt;
        return view->Colours();
    });
    setStatusBar(m_status);
    m_core.Status().SetLayout(EStatusLayout::Device);
    m_core.UpdateIpPanes();

    CreateToolbars();
    CreateDocks();
    BuildMenuBar(kMenuMain);
    ShowBarsOf(EChildKind::Device);

    m_colourDialog = new QColorDialog(this);
    m_fontDialog = new QFontDialog(this);
    m_fontDialog->setOption(QFontDialog::ScalableFonts);

    // As the framework brings its buttons up to date whenever the program
    // goes idle: once after the events that may have changed them.
    m_commandUpdate = new QTimer(this);
    m_commandUpdate->setObjectName("commandUpdate");
    m_commandUpdate->setSingleShot(true);
    m_commandUpdate->setInterval(0);
    connect(m_commandUpdate, &QTimer::timeout, this, &CMainFrame::UpdateCommands);
    qApp->installEventFilter(this);

    // The event log's lines carry the main window's value.
    comm::ProgramLog().SetWindowValue(static_cast<std::uint32_t>(winId()));
    return true;
}

void CMainFrame::ShowSplash()
{
    m_splash = CDlgSplash::Create(DrawSplashPicture(), makeSplashTimer ? makeSplashTimer() : nullptr);
    if (!m_splash)
        return;
    m_splash->show();
    m_splash->repaint();
}

void CMainFrame::ShowMainWindowMaximised()
{
    showMaximized();
    repaint();
    UpdateCommands();
}

void CMainFrame::CloseSplashAfter(std::chrono::milliseconds delay)
{
    if (m_splash)
        m_splash->SetShowTime(delay);
}

void CMainFrame::RaiseMainWindow()
{
    showMaximized();
    raise();
    activateWindow();
}

void CMainFrame::ShowNetTypePicture(bool wired)
{
    if (QAction* action = Action(ID_NET_TYPE))
        action->setIcon(NetTypePicture(wired));
}

// --- the bars ------------------------------------------------------------------

QToolBar* CMainFrame::MakeToolbar(int id, const QString& title)
{
    QToolBar* bar = addToolBar(title);
    bar->setObjectName(QString("toolbar%1").arg(id));
    bar->setIconSize(QSize(16, 16));
    m_toolbars[id] = bar;
    const int dropDownMenu = ToolbarDropDownMenu(id);
    for (const CToolbarButton& button : ToolbarResource(id)) {
        if (button.id == 0) {
            bar->addSeparator();
        } else if (button.id == kZoomCombo) {
            m_zoom = new QComboBox(bar);
            m_zoom->setObjectName("zoomCombo");
            m_zoom->setProperty("controlId", kZoomCombo);
            m_zoom->addItems({"50%", "100%", "200%"});
            m_zoom->setCurrentIndex(1);
            connect(m_zoom, &QComboBox::activated, this, [this] { RunCommand(kZoomCombo); });
            bar->addWidget(m_zoom);
        } else if (button.dropDown >= 0 && dropDownMenu) {
            QAction* action = CommandAction(button.id, StringText(button.id));
            const CMenuEntry& popup = MenuResource(dropDownMenu).at(
                static_cast<std::size_t>(button.dropDown));
            auto* menu = new QMenu(bar);
            FillMenu(menu, dropDownMenu, popup.items);
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
            auto* tool = new QToolButton(bar);
            tool->setDefaultAction(action);
            tool->setMenu(menu);
            tool->setPopupMode(QToolButton::MenuButtonPopup);
            bar->addWidget(tool);
        } else {
            bar->addAction(CommandAction(button.id, StringText(button.id)));
        }
    }
    return bar;
}

void CMainFrame::CreateToolbars()
{
    MakeToolbar(kToolbarStandard, DialogString(kToolbarStandard, 0, "标准"));
    MakeToolbar(kToolbarSpecial, DialogString(kToolbarSpecial, 0, "特制"));
    ShowNetTypePicture(IsPacketCaptureNetType(CAppSettings(m_folder / "Ostrel.ini").NetType()));
    addToolBarBreak();
    MakeToolbar(kToolbarDsp, DialogString(kToolbarDsp, 0, "标准"));
    MakeToolbar(kToolbarArrange, DialogString(kToolbarArrange, 0, "视图"));
    MakeToolbar(kToolbarModules, DialogString(kToolbarModules, 0, "算法模块"));
}

void CMainFrame::CreateDocks()
{
    const auto dock = [this](int id, const char* builtin, QWidget* content,
                             Qt::DockWidgetArea area) {
        auto* widget = new QDockWidget(DialogString(id, 0, builtin), this);
        widget->setObjectName(QString("bar%1").arg(id));
        // Shown and hidden by the commands and the active document's kind
        // only, so that each bar's shown flag stays the user's choice.
        widget->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
        widget->setWidget(content);
        addDockWidget(area, widget);
        return widget;
    };
    m_devicePalette = new CPaletteBar(EPaletteKind::Device, IconPicture);
    m_devicePaletteDock = dock(kDevicePaletteBar, "设备", m_devicePalette, Qt::LeftDockWidgetArea);
    m_dspPalette = new CPaletteBar(EPaletteKind::Dsp, IconPicture);
    m_dspPaletteDock = dock(kDspPaletteBar, "算法模块", m_dspPalette, Qt::LeftDockWidgetArea);
    for (CPaletteBar* palette : {m_devicePalette, m_dspPalette}) {
        const EPaletteKind kind = palette->Model().Kind();
        palette->beginDrag = [this, kind](int data) {
            IFrameView* view = ActiveView();
            if (!view || !view->CanTakePlacement(kind))
                return false;
            view->BeginPlacement(data);
            return true;
        };
    }
    m_output = new CMyListBox;
    m_output->setObjectName("outputList");
    m_outputDock = dock(kOutputBar, "输出", new COutputBar(m_output), Qt::BottomDockWidgetArea);
}

QWidget* CMainFrame::BarWidget(EBar bar) const
{
    switch (bar) {
    case EBar::Standard:
        return Toolbar(kToolbarStandard);
    case EBar::Special:
        return Toolbar(kToolbarSpecial);
    case EBar::DevicePalette:
        return m_devicePaletteDock;
    case EBar::Output:
        return m_outputDock;
    case EBar::Dsp:
        return Toolbar(kToolbarDsp);
    case EBar::Arrange:
        return Toolbar(kToolbarArrange);
    case EBar::Modules:
        return Toolbar(kToolbarModules);
    case EBar::DspPalette:
        return m_dspPaletteDock;
    }
    return nullptr;
}

namespace {

constexpr std::array kDeviceBars = {EBar::Standard, EBar::Special, EBar::DevicePalette,
                                    EBar::Output};
constexpr std::array kDspBars = {EBar::Dsp, EBar::Arrange, EBar::Modules, EBar::DspPalette};

} // namespace

void CMainFrame::ShowBarsOf(EChildKind kind)
{
    const auto& hide = kind == EChildKind::Device ? kDspBars : kDeviceBars;
    const auto& show = kind == EChildKind::Device ? kDeviceBars : kDspBars;
    for (EBar bar : hide)
        if (QWidget* widget = BarWidget(bar))
            widget->hide();
    for (EBar bar : show)
        if (QWidget* widget = BarWidget(bar))
            widget->setVisible(BarFlag(bar));
    m_core.Status().SetLayout(kind == EChildKind::Device ? EStatusLayout::Device
                                                         : EStatusLayout::Dsp);
    m_core.UpdateIpPanes();
    BuildMenuBar(kind == EChildKind::Device ? (m_area->subWindowList().isEmpty() ? kMenuMain
                                                                                  : kMenuDevice)
                                            : kMenuDsp);
}

void CMainFrame::SetBarShown(EBar bar, bool shown)
{
    m_barFlags[static_cast<int>(bar)] = shown;
    ShowBar(bar, shown);
}

void CMainFrame::ShowBar(EBar bar, bool shown)
{
    if (QWidget* widget = BarWidget(bar))
        widget->setVisible(shown);
}

bool CMainFrame::BarVisible(EBar bar) const
{
    const QWidget* widget = BarWidget(bar);
    return widget && !widget->isHidden();
}

QToolBar* CMainFrame::Toolbar(int id) const
{
    const auto found = m_toolbars.find(id);
    return found == m_toolbars.end() ? nullptr : found->second;
}

// --- menus and commands --------------------------------------------------------

QAction* CMainFrame::CommandAction(int id, const QString& text)
{
    if (const auto found = m_actions.find(id); found != m_actions.end())
        return found->second;
    auto* action = new QAction(ToolbarPicture(id), text, this);
    action->setData(id);
    action->setToolTip(text);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const
{
    const auto found = m_actions.find(id);
    if (found != m_actions.end())
        return found->second;
    if (menuBar()) {
        for (QAction* action : menuBar()->findChildren<QAction*>())
            if (action->data().isValid() && action->data().toInt() == id)
                return action;
    }
    return nullptr;
}

void CMainFrame::FillMenu(QMenu* menu, int menuId, const std::vector<CMenuEntry>& entries)
{
    for (const CMenuEntry& entry : entries) {
        if (entry.IsPopup()) {
            QMenu* sub = menu->addMenu(MenuString(menuId, entry));
            FillMenu(sub, menuId, entry.items);
        } else if (entry.IsSeparator()) {
            menu->addSeparator();
        } else if (entry.id == kRecentFilesPlace) {
            FillRecentFiles(menu, MenuString(menuId, entry));
        } else {
            const QString text = MenuString(menuId, entry);
            QAction* action = menu->addAction(text);
            // The arrangement drop-downs show each item's picture.
            if (menuId == kMenuArrange)
                action->setIcon(ToolbarPicture(entry.id));
            action->setData(entry.id);
            action->setShortcut(Shortcut(text));
            action->setShortcutContext(Qt::WindowShortcut);
            const int id = entry.id;
            connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        }
    }
}

void CMainFrame::FillRecentFiles(QMenu* menu, const QString& emptyText)
{
    bool any = false;
    if (m_app) {
        CRecentFileList& recent = m_app->RecentFiles();
        for (std::size_t i = 0; i < recent.GetSize(); ++i) {
            const std::string name = recent.GetDisplayName(i);
            if (name.empty())
                continue;
            any = true;
            QAction* action =
                menu->addAction(QString("&%1 %2").arg(i + 1).arg(QString::fromStdString(name)));
            const std::string path = recent[i];
            connect(action, &QAction::triggered, this, [this, path] {
                if (m_app)
                    m_app->OpenDocumentFile(path);
            });
        }
    }
    if (!any)
        menu->addAction(emptyText)->setEnabled(false);
}

void CMainFrame::BuildMenuBar(int menuId)
{
    if (menuId == m_menuId)
        return;
    m_menuId = menuId;
    QMenuBar* bar = menuBar();
    // Later: a command of the old menus may be running.
    for (QAction* action : bar->actions())
        if (QMenu* menu = action->menu())
            menu->deleteLater();
    bar->clear();
    for (const CMenuEntry& popup : MenuResource(menuId)) {
        QMenu* menu = bar->addMenu(MenuString(menuId, popup));
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
        FillMenu(menu, menuId, popup.items);
    }
}

std::optional<CCmdUI> CMainFrame::UpdateFrameCommand(int id)
{
    const bool documents = m_area && !m_area->subWindowList().isEmpty();
    switch (id) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_APP_ABOUT:
    case ID_APP_EXIT:
    case ID_LANGUAGE:
    case ID_DSP_TEMPLATE:
        return CCmdUI{};
    case ID_DOWNLOAD_DEVICE_SHEET:
        return CCmdUI{m_core.CanStartDeviceDownload()};
    case ID_LEAVE_RUN:
        // The sheet's stop: it also stops a download under way.
        return CCmdUI{m_core.CanLeaveRun() || (m_download && m_download->Running())};
    case ID_VIEW_OUTPUT:
        return CCmdUI{true, BarVisible(EBar::Output)};
    case ID_VIEW_TOOLBAR:
        return CCmdUI{true, BarVisible(EBar::Standard)};
    case ID_VIEW_STATUS_BAR:
        return CCmdUI{true, m_status && !m_status->isHidden()};
    case ID_NET_TYPE:
        return CCmdUI{static_cast<bool>(RegisteredDialogs().netType) && m_app};
    case ID_VIEW_HWCONFIG:
        return CCmdUI{static_cast<bool>(RegisteredDialogs().hardwareConfigView)};
    case ID_WINDOW_ARRANGE:
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
        return CCmdUI{documents};
    default:
        return std::nullopt;
    }
}

bool CMainFrame::OnFrameCommand(int id)
{
    switch (id) {
    case ID_FILE_NEW:
        if (m_app)
            m_app->OnFileNew();
        return true;
    case ID_FILE_OPEN:
        OpenFile();
        return true;
    case ID_APP_ABOUT:
        ShowAbout();
        return true;
    case ID_APP_EXIT:
        close();
        return true;
    case ID_LANGUAGE:
        ShowLanguageDialog();
        return true;
    case ID_DSP_TEMPLATE:
        SelectDspTemplate(RegisteredDspDocuments(), m_folder / "Ostrel.ini");
        return true;
    case ID_DOWNLOAD_DEVICE_SHEET:
        StartDeviceDownload();
        return true;
    case ID_LEAVE_RUN:
        if (m_download && m_download->Running())
            m_download->Stop();
        else
            m_core.OnAppNotify(0, NOTIFY_LEAVE_RUN);
        return true;
    case ID_VIEW_OUTPUT:
        SetBarShown(EBar::Output, !BarVisible(EBar::Output));
        return true;
    case ID_VIEW_TOOLBAR:
        SetBarShown(EBar::Standard, !BarVisible(EBar::Standard));
        return true;
    case ID_VIEW_STATUS_BAR:
        m_statusShown = m_status->isHidden();
        m_status->setVisible(m_statusShown);
        return true;
    case ID_NET_TYPE:
        if (m_app)
            m_app->OnNetType();
        return true;
    case ID_VIEW_HWCONFIG:
        // Shown and raised when it is open, else made and kept.
        if (m_hwConfigDialog) {
            m_hwConfigDialog->show();
            m_hwConfigDialog->raise();
        } else if (RegisteredDialogs().hardwareConfigView) {
            RegisteredDialogs().hardwareConfigView();
        }
        return true;
    case ID_WINDOW_ARRANGE:
        m_area->tileSubWindows();
        return true;
    case ID_WINDOW_CASCADE:
        m_area->cascadeSubWindows();
        return true;
    case ID_WINDOW_TILE_HORZ:
        m_area->tileSubWindows();
        return true;
    default:
        return false;
    }
}

CCmdUI CMainFrame::CommandState(int id)
{
    if (CChildFrame* child = ActiveChildFrame()) {
        if (ICommandTarget* target = child->Document().Commands()) {
            if (const auto state = target->UpdateCommand(id))
                return *state;
        }
    }
    if (const auto state = UpdateFrameCommand(id))
        return *state;
    return CCmdUI{false, false};
}

void CMainFrame::RunCommand(int id)
{
    if (!CommandState(id).enabled)
        return;
    // Whoever asked (a button, a menu, a shortcut, an editor), the command
    // is likely to change what the others show.
    ScheduleCommandUpdate();
    if (CChildFrame* child = ActiveChildFrame()) {
        if (ICommandTarget* target = child->Document().Commands()) {
            if (target->OnCommand(id))
                return;
        }
    }
    OnFrameCommand(id);
}

void CMainFrame::UpdateCommands()
{
    const auto apply = [this](QAction* action) {
        const QVariant data = action->data();
        if (!data.isValid())
            return;
        const CCmdUI state = CommandState(data.toInt());
        action->setEnabled(state.enabled);
        action->setCheckable(state.checked || action->isCheckable());
        action->setChecked(state.checked);
    };
    for (const auto& [id, action] : m_actions)
        apply(action);
    for (QAction* action : menuBar()->findChildren<QAction*>())
        apply(action);
    if (m_zoom)
        m_zoom->setEnabled(CommandState(kZoomCombo).enabled);
}

void CMainFrame::ScheduleCommandUpdate()
{
    if (m_commandUpdate && !m_commandUpdate->isActive())
        m_commandUpdate->start();
}

void CMainFrame::CommandStateChanged()
{
    ScheduleCommandUpdate();
}

void CMainFrame::OpenFile()
{
    const QString filter = "Ostrel Device Files (*.zo);;RUZUR Document Files (*.dsp)";
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    if (!path.isEmpty() && m_app)
        m_app->OpenDocumentFile(path.toStdString());
}

void CMainFrame::ShowAbout()
{
    CAboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::ShowLanguageDialog()
{
    CAppSettings settings(m_folder / "Ostrel.ini");
    CDlgSelectLanguage dialog(m_folder, m_app ? m_app->LanguageName() : std::string(), settings,
                              this);
    dialog.exec();
}

// --- the device sheet's download -----------------------------------------------

void CMainFrame::StartDeviceDownload()
{
    IFrameView* view = ActiveView();
    if (m_core.DownloadBusy() || !view)
        return;
    if (!BarVisible(EBar::Output))
        SetBarShown(EBar::Output, true);
    device_editor::CZoDeviceDoc* doc = view->IsDeviceView() ? view->DeviceDocument() : nullptr;
    if (!doc)
        return;
    if (!m_download)
        m_download = std::make_unique<comm::CDeviceDownload>(
            static_cast<comm::IDownloadFrame&>(*this), *m_output);
    comm::DownloadSettings settings;
    settings.rangeStart = m_core.RangeStart();
    settings.rangeEnd = m_core.RangeEnd();
    settings.cardTitle = CAppSettings(m_folder / "Ostrel.ini").ReadNetworkSettings().adapter;
    CChildFrame* child = ActiveChildFrame();
    m_download->Start(*doc, child ? child->Document().Title() : std::string(), settings);
}

void CMainFrame::SetWaitCursor(bool wait)
{
    QMetaObject::invokeMethod(
        this,
        [wait] {
            if (wait)
                QApplication::setOverrideCursor(Qt::WaitCursor);
            else
                RestoreArrowCursorNow();
        },
        Qt::QueuedConnection);
}

void CMainFrame::NotifyDownloadBegin()
{
    model::RunOnUiThread([this] { m_core.OnAppNotify(0, NOTIFY_DOWNLOAD_BEGIN); });
}

void CMainFrame::NotifyDownloadFailed()
{
    model::RunOnUiThread([this] { m_core.OnAppNotify(0, NOTIFY_DOWNLOAD_FAILED); });
}

void CMainFrame::NotifyDownloadDone()
{
    QMetaObject::invokeMethod(
        this, [this] { m_core.OnAppNotify(0, NOTIFY_DOWNLOAD_DONE); }, Qt::QueuedConnection);
}

// --- IFrameWindows -------------------------------------------------------------

const void* CMainFrame::ActiveChild()
{
    return ActiveChildFrame();
}

IFrameView* CMainFrame::ActiveView()
{
    CChildFrame* child = ActiveChildFrame();
    return child ? &child->View() : nullptr;
}

void CMainFrame::ClearOutput()
{
    m_output->Clear();
}

void CMainFrame::RestoreArrowCursor()
{
    RestoreArrowCursorNow();
}

void CMainFrame::DestroyHwConfigDialog()
{
    delete m_hwConfigDialog;
}

void CMainFrame::RefreshHwConfigDialog()
{
    if (m_hwConfigDialog)
        QMetaObject::invokeMethod(m_hwConfigDialog, "refresh");
}

namespace {

// The document of the active device sheet view; null when none is active.
device_editor::CZoDeviceDoc* ActiveSheet(IFrameView* view)
{
    return view && view->IsDeviceView() ? view->DeviceDocument() : nullptr;
}

} // namespace

void CMainFrame::LoadDeviceConfiguration(const std::string& mac)
{
    if (device_editor::CZoDeviceDoc* sheet = ActiveSheet(ActiveView()))
        device_editor::LoadDeviceConfiguration(*sheet, mac, m_folder);
}

void CMainFrame::ForgetDeviceConfiguration(const std::string& mac)
{
    if (device_editor::CZoDeviceDoc* sheet = ActiveSheet(ActiveView()))
        device_editor::ForgetDeviceConfiguration(*sheet, mac);
}

void CMainFrame::OpenDspDocumentOfDevice(int deviceId)
{
    IFrameView* sheetView = m_core.m_openDeviceView;
    shell::OpenDspDocumentOfDevice(deviceId, sheetView ? sheetView->DeviceDocument() : nullptr,
                                   m_core.m_deviceDocPath, RegisteredDspDocuments(),
                                   m_core.m_newDspDeviceId);
}

void CMainFrame::SetHwConfigDialog(QWidget* dialog)
{
    m_hwConfigDialog = dialog;
}

// --- documents -----------------------------------------------------------------

CChildFrame* CMainFrame::ActiveChildFrame() const
{
    auto* child = m_area ? qobject_cast<CChildFrame*>(m_area->activeSubWindow()) : nullptr;
    return child && !child->Closing() ? child : nullptr;
}

std::vector<CChildFrame*> CMainFrame::ChildFrames() const
{
    std::vector<CChildFrame*> children;
    if (m_area) {
        for (QMdiSubWindow* window : m_area->subWindowList())
            if (auto* child = qobject_cast<CChildFrame*>(window); child && !child->Closing())
                children.push_back(child);
    }
    return children;
}

void CMainFrame::DestroyDocuments()
{
    if (!m_area)
        return;
    // The closed ones too: a frame whose deletion is still to come would
    // otherwise go with the work area, after this frame's members.
    for (QMdiSubWindow* window : m_area->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(window))
            delete child;
}

CChildFrame* CMainFrame::AddChild(EChildKind kind, std::unique_ptr<CChildDocument> document)
{
    const CChildFrame* active = ActiveChildFrame();
    const bool maximised = active && active->isMaximized();
    const int index = static_cast<int>(ChildFrames().size());
    CChildFrame* child = kind == EChildKind::Device
                             ? static_cast<CChildFrame*>(new CChildDeviceFrame(*this, std::move(document)))
                             : new CChildDSPFrame(*this, std::move(document));
    m_area->addSubWindow(child);
    connect(child, &QObject::destroyed, this, [this, child] { OnChildClosed(child); });
    if (maximised) {
        child->showMaximized();
    } else {
        PlaceChild(child, index);
        if (!isVisible())
            m_earlyChildren.push_back({child, index, child->geometry()});
        child->show();
    }
    m_area->setActiveSubWindow(child);
    return child;
}

namespace {

// The cascade of desktop programs: every window as large as the work area
// less the cascade's depth, each one step (a title bar) down and right of
// the one before; past the last step the cascade begins again at the top
// left.
QRect CascadePlace(QSize work, int step, int index)
{
    const int depth = std::max(1, work.height() / (3 * step)) * step;
    const int offset = step * (index % (depth / step + 1));
    return {QPoint(offset, offset),
            QSize(std::max(work.width() - depth, 0), std::max(work.height() - depth, 0))};
}

} // namespace

void CMainFrame::PlaceChild(CChildFrame* child, int index)
{
    QStyleOptionTitleBar title;
    title.initFrom(child);
    const int step = child->style()->pixelMetric(QStyle::PM_TitleBarHeight, &title, child) +
                     child->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, child);
    child->setGeometry(CascadePlace(m_area->viewport()->size(), std::max(step, 1), index));
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Drop:
    case QEvent::Close:
    // The workers' notices reach the windows as posted calls. The update's
    // own timer is a timer event, so an update never schedules the next.
    case QEvent::MetaCall:
        ScheduleCommandUpdate();
        break;
    default:
        break;
    }
    if (m_area && watched == m_area->viewport() && event->type() == QEvent::Resize) {
        std::erase_if(m_earlyChildren, [](const CEarlyChild& early) {
            return !early.child || early.child->isMaximized() ||
                   early.child->geometry() != early.placed;
        });
        for (CEarlyChild& early : m_earlyChildren) {
            PlaceChild(early.child, early.index);
            early.placed = early.child->geometry();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window)
{
    auto* child = qobject_cast<CChildFrame*>(window);
    if (child == m_activeChild)
        return;
    if (m_activeChild)
        m_activeChild->OnMDIActivate(false);
    m_activeChild = child;
    if (child)
        child->OnMDIActivate(true);
    UpdateCommands();
}

void CMainFrame::ForgetChild(const CChildFrame* child)
{
    if (m_activeChild == child)
        m_activeChild = nullptr;
}

void CMainFrame::OnChildClosed(CChildFrame* child)
{
    ForgetChild(child);
    if (m_area && m_area->subWindowList().isEmpty())
        BuildMenuBar(kMenuMain);
}

bool CMainFrame::HasActiveView()
{
    return ActiveChildFrame() != nullptr;
}

bool CMainFrame::HasDeviceView()
{
    for (CChildFrame* child : ChildFrames())
        if (child->Kind() == EChildKind::Device)
            return true;
    return false;
}

bool CMainFrame::CloseActiveDocument()
{
    CChildFrame* child = ActiveChildFrame();
    return !child || child->CloseDocument();
}

bool CMainFrame::HasDocumentKind(const std::string& extension)
{
    return FindDocumentKind(extension) != nullptr;
}

bool CMainFrame::OpenDocument(const std::string& path)
{
    const CDocumentKind* kind = FindDocumentKind(KindOfPath(path));
    if (!kind || !kind->make) {
        model::ShowMessage(kMsgNoDocumentTemplate);
        return false;
    }
    std::unique_ptr<CChildDocument> document = kind->make(path);
    if (!document)
        return false;
    AddChild(kind->frame, std::move(document));
    if (m_app) {
        m_app->RecentFiles().Add(path);
        RecentFilesChanged();
    }
    return true;
}

void CMainFrame::RecentFilesChanged()
{
    if (!m_app)
        return;
    auto store = ProgramRegistry();
    m_app->RecentFiles().WriteList(store);
    // Rebuilt even when the same menu shows.
    const int menuId = m_menuId;
    m_menuId = 0;
    BuildMenuBar(menuId);
}

bool CMainFrame::NewDeviceDocument()
{
    const CDocumentKind* kind = FindDocumentKind(".zo");
    if (!kind || !kind->make) {
        model::ShowMessage(kMsgNoDocumentTemplate);
        return false;
    }
    std::unique_ptr<CChildDocument> document = kind->make(std::string());
    if (!document)
        return false;
    AddChild(kind->frame, std::move(document));
    return true;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && m_app)
            m_app->OpenDocumentFile(url.toLocalFile().toStdString());
    }
    event->acceptProposedAction();
}

// --- closing -------------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Not while a download runs or a sheet is in run state: the download
    // thread and the run-state poller report to this window.
    if (!m_core.CanClose()) {
        event->ignore();
        return;
    }
    for (CChildFrame* child : ChildFrames()) {
        if (!child->CloseDocument()) {
            event->ignore();
            return;
        }
    }
    event->accept();
    emit Closed();
}

} // namespace shell::ui
