#include "shell/ui/mdi_tab_client.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

#include "shell/ui/my_button_widget.h"

namespace shell::ui {
namespace {

// A child's identity in the strip. QObject first: a child being destroyed
// is only a QObject by the time its removal is reported.
const void* MdiChildKey(const QObject* child)
{
    return static_cast<const void*>(child);
}

const void* MdiChildKey(const QMdiSubWindow* child)
{
    return MdiChildKey(static_cast<const QObject*>(child));
}

QString MdiStringProperty(const QObject* object, const char* name)
{
    return object != nullptr ? object->property(name).toString() : QString();
}

// The title as the sub-window shows it, with the modified mark placeholder
// resolved.
QString MdiWindowText(const QMdiSubWindow* child)
{
    QString text = child->windowTitle();
    text.replace(QStringLiteral("[*]"), child->isWindowModified() ? QStringLiteral("*") : QString());
    return text;
}

// An icon the window set itself; one only inherited from the program or a
// parent is no icon of its own.
QIcon MdiOwnIcon(const QWidget* window)
{
    if (window == nullptr || !window->testAttribute(Qt::WA_SetWindowIcon)) {
        return {};
    }
    return window->windowIcon();
}

shell::MdiIconKey MdiIconKeyOf(const QIcon& icon)
{
    return icon.isNull() ? 0 : static_cast<shell::MdiIconKey>(icon.cacheKey());
}

} // namespace

// ---------------------------------------------------------------------------

CMDITabCtrl::CMDITabCtrl(CMDITabClient& client, ITimer& timer, QWidget* parent)
    : QTabBar(parent), m_client(client), m_timer(timer)
{
    setObjectName(QStringLiteral("mdiTabCtrl"));
    SetControlId(this, kMdiTabCtrlId);
    // The strip never takes the focus from the child being worked in.
    setFocusPolicy(Qt::NoFocus);
    setUsesScrollButtons(true);
    setExpanding(false);
    setElideMode(Qt::ElideNone);
    setAcceptDrops(true);
    connect(this, &QTabBar::currentChanged, this, &CMDITabCtrl::OnUserSelected);
    // A click on the tab already shown as current still activates its
    // child: the bar cannot show "no tab" while the strip wants none.
    connect(this, &QTabBar::tabBarClicked, this, [this](int index) {
        if (!m_updating) {
            ActivateChildAt(index);
        }
    });
    connect(this, &QTabBar::tabBarDoubleClicked, this, &CMDITabCtrl::OnDoubleClicked);
    m_timer.Start(kMdiTabRebuildPeriod, [this] { Rebuild(); });
}

CMDITabCtrl::~CMDITabCtrl()
{
    m_timer.Stop();
}

namespace {

// The three texts a child's title is chosen from.
void DescribeMdiTitle(const QMdiSubWindow* child, shell::CMdiChildInfo& info)
{
    QString own = MdiStringProperty(child, kMdiTabTextProperty);
    if (own.isEmpty()) {
        own = MdiStringProperty(child->widget(), kMdiTabTextProperty);
    }
    info.tabText = own.toStdString();
    info.documentTitle = MdiStringProperty(child->widget(), kDocumentTitleProperty).toStdString();
    info.windowText = MdiWindowText(child).toStdString();
}

} // namespace

QString CMDITabCtrl::GetTabTitle(const QMdiSubWindow* child) const
{
    shell::CMdiChildInfo info;
    DescribeMdiTitle(child, info);
    return QString::fromStdString(shell::MdiTabTitle(info));
}

void CMDITabCtrl::Rebuild()
{
    QMdiArea* area = m_client.MdiArea();
    if (area == nullptr) {
        return;
    }
    std::vector<shell::CMdiChildInfo> children;
    const QList<QMdiSubWindow*> stack = area->subWindowList(QMdiArea::StackingOrder);
    // Topmost first, as the strip walks them.
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        const QMdiSubWindow* child = *it;
        shell::CMdiChildInfo info;
        info.window = MdiChildKey(child);
        info.className = child->widget() != nullptr ? child->widget()->metaObject()->className()
                                                    : child->metaObject()->className();
        info.mdiChild = true;
        info.visible = !child->isHidden();
        DescribeMdiTitle(child, info);
        // The frame's own icon plays the class icon; the sub-window's, the
        // window's own.
        const QIcon frameIcon = MdiOwnIcon(child->widget());
        const QIcon windowIcon = MdiOwnIcon(child);
        info.icons.classSmall = MdiIconKeyOf(frameIcon);
        info.icons.windowSmall = MdiIconKeyOf(windowIcon);
        m_walkIcons.emplace_back(info.icons.classSmall, frameIcon);
        m_walkIcons.emplace_back(info.icons.windowSmall, windowIcon);
        children.push_back(std::move(info));
    }
    m_updating = true;
    m_strip.Rebuild(children, MdiChildKey(area->currentSubWindow()));
    m_updating = false;
    m_walkIcons.clear();
    m_client.ClearLayoutDirty();
}

int CMDITabCtrl::FindTab(const QMdiSubWindow* child) const
{
    return m_strip.FindTab(MdiChildKey(child));
}

void CMDITabCtrl::RemoveTab(const QObject* child, bool relayout)
{
    m_updating = true;
    m_strip.RemoveTab(MdiChildKey(child));
    m_updating = false;
    if (relayout) {
        updateGeometry();
    }
}

QMdiSubWindow* CMDITabCtrl::ChildAt(int index) const
{
    const void* key = m_strip.WindowAt(index);
    QMdiArea* area = m_client.MdiArea();
    if (key == nullptr || area == nullptr) {
        return nullptr;
    }
    // Looked up rather than cast: the strip's address may be a child that
    // is already gone.
    for (QMdiSubWindow* child : area->subWindowList()) {
        if (MdiChildKey(child) == key) {
            return child;
        }
    }
    return nullptr;
}

void CMDITabCtrl::AddImage(shell::MdiIconKey icon)
{
    QIcon picture;
    for (const auto& [key, met] : m_walkIcons) {
        if (key == icon) {
            picture = met;
            break;
        }
    }
    m_images.push_back(picture);
}

void CMDITabCtrl::InsertTab(int index, const std::string& text, int image)
{
    const QIcon icon = image >= 0 && image < static_cast<int>(m_images.size())
                           ? m_images[static_cast<std::size_t>(image)]
                           : QIcon();
    insertTab(index, icon, QString::fromStdString(text));
    FollowStripSelection();
}

void CMDITabCtrl::RemoveTab(int index)
{
    removeTab(index);
    FollowStripSelection();
}

void CMDITabCtrl::SetTabText(int index, const std::string& text)
{
    setTabText(index, QString::fromStdString(text));
}

void CMDITabCtrl::SelectTab(int index)
{
    const bool updating = m_updating;
    m_updating = true;
    if (index != m_strip.Selection()) {
        m_strip.Select(index);
    }
    // A tab bar with tabs always shows one; "none" leaves it as it is.
    if (index >= 0 && index < count()) {
        setCurrentIndex(index);
    }
    m_updating = updating;
}

void CMDITabCtrl::FollowStripSelection()
{
    const int wanted = m_strip.Selection();
    if (wanted >= 0 && wanted < count() && currentIndex() != wanted) {
        setCurrentIndex(wanted);
    }
}

void CMDITabCtrl::OnUserSelected(int index)
{
    if (m_updating) {
        return;
    }
    m_strip.NoteUserSelection(index);
    ActivateChildAt(index);
}

void CMDITabCtrl::ActivateChildAt(int index)
{
    QMdiArea* area = m_client.MdiArea();
    QMdiSubWindow* child = ChildAt(index);
    if (area != nullptr && child != nullptr && area->currentSubWindow() != child) {
        area->setActiveSubWindow(child);
    }
}

void CMDITabCtrl::OnDoubleClicked(int index)
{
    QMdiArea* area = m_client.MdiArea();
    QMdiSubWindow* child = ChildAt(index);
    if (area == nullptr || child == nullptr) {
        return;
    }
    switch (shell::MdiTabDoubleClickAction(area->currentSubWindow() == child, child->isMaximized())) {
    case shell::EMdiTabDoubleClick::Restore:
        child->showNormal();
        break;
    case shell::EMdiTabDoubleClick::Maximise:
        child->showMaximized();
        break;
    }
}

void CMDITabCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    // Taken so the moves that follow arrive here; nothing is ever dropped.
    event->accept();
    ActivateChildAt(tabAt(event->position().toPoint()));
}

void CMDITabCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    ActivateChildAt(tabAt(event->position().toPoint()));
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
}

// ---------------------------------------------------------------------------

CMDITabClient::CMDITabClient(ITimer& timer, QWidget* parent)
    : QWidget(parent), m_timer(timer), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

CMDITabClient::~CMDITabClient()
{
    Detach();
}

bool CMDITabClient::Attach(QMdiArea* area)
{
    if (m_area != nullptr || area == nullptr) {
        return false;
    }
    m_area = area;
    m_area->setViewMode(QMdiArea::SubWindowView);
    if (m_layout->indexOf(area) < 0) {
        m_layout->addWidget(area, 1);
    }
    m_tabs = new CMDITabCtrl(*this, m_timer, this);
    m_layout->insertWidget(0, m_tabs);
    m_area->installEventFilter(this);
    m_area->viewport()->installEventFilter(this);
    m_activated = connect(m_area, &QMdiArea::subWindowActivated, this, &CMDITabClient::OnActivated);
    m_tabs->show();
    m_tabs->Rebuild();
    return true;
}

bool CMDITabClient::Detach()
{
    if (m_area == nullptr && m_tabs == nullptr) {
        return false;
    }
    delete m_tabs;
    m_tabs = nullptr;
    disconnect(m_activated);
    if (m_area != nullptr) {
        m_area->removeEventFilter(this);
        m_area->viewport()->removeEventFilter(this);
    }
    m_area = nullptr;
    m_layoutDirty = false;
    return true;
}

bool CMDITabClient::eventFilter(QObject* watched, QEvent* event)
{
    if (m_tabs == nullptr || m_area == nullptr) {
        return QWidget::eventFilter(watched, event);
    }
    if (watched == m_area && event->type() == QEvent::Resize) {
        m_layoutDirty = true;
        PostRebuild();
    } else if (watched == m_area->viewport()) {
        // Sub-windows are the viewport's children. An added one is not
        // built yet and a removed one may be half destroyed: neither is
        // touched beyond its address.
        if (event->type() == QEvent::ChildAdded) {
            m_tabs->SelectTab(-1);
            PostRebuild();
        } else if (event->type() == QEvent::ChildRemoved) {
            m_tabs->RemoveTab(static_cast<QChildEvent*>(event)->child(), true);
            PostRebuild();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CMDITabClient::PostRebuild()
{
    // Queued with the bar as context: dropped if the bar goes first.
    QMetaObject::invokeMethod(m_tabs, [tabs = m_tabs] { tabs->Rebuild(); }, Qt::QueuedConnection);
}

void CMDITabClient::OnActivated(QMdiSubWindow* child)
{
    if (m_tabs == nullptr) {
        return;
    }
    const int index = child != nullptr ? m_tabs->FindTab(child) : -1;
    if (index >= 0) {
        m_tabs->SelectTab(index);
    }
    PostRebuild();
}

} // namespace shell::ui
