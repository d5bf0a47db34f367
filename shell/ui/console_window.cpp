#include "shell/ui/console_window.h"

#include "model/messages.h"
#include "resources/message_ids.h"

#include <algorithm>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace shell::ui {

namespace {

constexpr int kConsoleDialog = 165;
constexpr int kProgressDialog = 246;
// The tab control from here down, each list from the second line down.
constexpr int kTabTop = 100;
constexpr int kListTop = 130;

constexpr int Index(comm::EConsoleQueue queue)
{
    return static_cast<int>(queue);
}

} // namespace

CConsoleWindow::CConsoleWindow(comm::CDSPDlgShowCMD& console, const QString& unitMac,
                               QWidget* parent)
    : QDialog(parent), m_console(console)
{
    setWindowTitle(DialogString(kConsoleDialog, 0, "控制命令显示"));
    resize(600, 420);

    const auto labelled = [this](int id, const char* builtin, int x, int y) {
        auto* label = new QLabel(DialogString(kConsoleDialog, id, builtin), this);
        label->move(x, y + 3);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("ctl%1").arg(id));
        edit->setGeometry(x + 100, y, 150, 22);
        return edit;
    };
    m_mac = labelled(kMacEdit, "设备 MAC 地址", 8, 8);
    m_mac->setText(unitMac);
    m_handCommand = labelled(kHandCommandEdit, "增加控制命令", 8, 38);
    m_handCommand->setText(QStringLiteral("*TESTA#"));
    m_add = new QPushButton(DialogString(kConsoleDialog, kAddButton, "增加"), this);
    m_add->setObjectName(QStringLiteral("ctl%1").arg(kAddButton));
    m_add->setGeometry(264, 38, 60, 22);
    connect(m_add, &QPushButton::clicked, this, &CConsoleWindow::OnBnClickedAdd);
    // Bound in the dialog, written by nobody.
    labelled(kSerialPriorityEdit, "SerialPriority", 330, 8)->setReadOnly(true);
    labelled(kSysContactEdit, "SysContact", 330, 38)->setReadOnly(true);
    labelled(kSentEdit, "发送命令数", 8, 68)->setReadOnly(true);
    labelled(kReceivedEdit, "接收到命令数", 330, 68)->setReadOnly(true);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("ctl%1").arg(kTab));
    const QStringList titles =
        DialogString(kConsoleDialog, kTab, "控制命令|音量命令|固化命令").split('|');
    // Tab order: control, get, store; each tab only selects its list.
    constexpr comm::EConsoleQueue kTabQueues[] = {comm::EConsoleQueue::Control,
                                                 comm::EConsoleQueue::Get,
                                                 comm::EConsoleQueue::Store};
    constexpr int kListIds[] = {kStoreList, kControlList, kGetList};
    for (int tab = 0; tab < 3; ++tab)
        m_tabs->addTab(new QWidget, tab < titles.size() ? titles[tab] : QString());
    for (const comm::EConsoleQueue queue : kTabQueues) {
        auto* list = new QTreeWidget(this);
        list->setObjectName(QStringLiteral("ctl%1").arg(kListIds[Index(queue)]));
        list->setColumnCount(2);
        list->setHeaderLabels({QStringLiteral("Command Download"), QStringLiteral("DSP Return")});
        list->setRootIsDecorated(false);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setAllColumnsShowFocus(true);
        m_lists[Index(queue)] = list;
    }
    m_tabs->setMaximumHeight(28);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CConsoleWindow::OnTabChanged);

    for (const comm::EConsoleQueue queue : kTabQueues)
        for (const comm::ConsoleRow& row : m_console.Rows(queue)) {
            auto* item = new QTreeWidgetItem(m_lists[Index(queue)]);
            item->setText(0, QString::fromStdString(row.command));
            item->setText(1, QString::fromStdString(row.reply));
        }
    m_console.SetRowObserver(this);
    m_tabs->setCurrentIndex(0);
    OnTabChanged(0);
    LayOut();
}

CConsoleWindow::~CConsoleWindow()
{
    // No call of ours is running or will come once this returns.
    m_console.SetRowObserver(nullptr);
}

QTreeWidget* CConsoleWindow::List(comm::EConsoleQueue queue) const
{
    return m_lists[Index(queue)];
}

void CConsoleWindow::OnBnClickedAdd()
{
    const std::string text = m_handCommand->text().toStdString();
    if (!m_console.AddHandCommand(text))
        model::ShowMessage(resources::kMsgBadFrame);
}

void CConsoleWindow::OnTabChanged(int tab)
{
    constexpr comm::EConsoleQueue kTabQueues[] = {comm::EConsoleQueue::Control,
                                                 comm::EConsoleQueue::Get,
                                                 comm::EConsoleQueue::Store};
    for (int i = 0; i < 3; ++i)
        m_lists[Index(kTabQueues[i])]->setVisible(i == tab);
}

void CConsoleWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOut();
}

void CConsoleWindow::LayOut()
{
    const int w = width();
    const int h = height();
    m_tabs->setGeometry(0, kTabTop, w, std::max(0, std::min(28, h - kTabTop)));
    for (QTreeWidget* list : m_lists) {
        list->setGeometry(0, kListTop, w, std::max(0, h - kListTop));
        // Two columns of half the list's width each.
        list->header()->resizeSection(0, w / 2);
        list->header()->resizeSection(1, w / 2);
    }
}

// The row observer's calls may come from the sender's thread: each is
// carried to this window's thread, where they run in the order made.
void CConsoleWindow::OnRowAdded(comm::EConsoleQueue queue, int row, const std::string& command)
{
    QMetaObject::invokeMethod(
        this,
        [this, queue, row, text = QString::fromStdString(command)] {
            QTreeWidget* list = m_lists[Index(queue)];
            while (list->topLevelItemCount() <= row)
                new QTreeWidgetItem(list);
            list->topLevelItem(row)->setText(0, text);
        },
        Qt::QueuedConnection);
}

void CConsoleWindow::OnReplySet(comm::EConsoleQueue queue, int row, const std::string& reply)
{
    QMetaObject::invokeMethod(
        this,
        [this, queue, row, text = QString::fromStdString(reply)] {
            if (QTreeWidgetItem* item = m_lists[Index(queue)]->topLevelItem(row))
                item->setText(1, text);
        },
        Qt::QueuedConnection);
}

void CConsoleWindow::OnRowsDropped(comm::EConsoleQueue queue, int count)
{
    QMetaObject::invokeMethod(
        this,
        [this, queue, count] {
            QTreeWidget* list = m_lists[Index(queue)];
            for (int i = 0; i < count && list->topLevelItemCount() > 0; ++i)
                delete list->takeTopLevelItem(0);
        },
        Qt::QueuedConnection);
}

void CConsoleWindow::OnListCleared(comm::EConsoleQueue queue)
{
    QMetaObject::invokeMethod(
        this, [this, queue] { m_lists[Index(queue)]->clear(); }, Qt::QueuedConnection);
}

CProgressWindow::CProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    auto* layout = new QVBoxLayout(this);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ctl%1").arg(kProgressBar));
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);
    layout->addWidget(
        new QLabel(DialogString(kProgressDialog, kProgressBar, "正在下载，请稍候......"), this));
    m_bar->setRange(1, 100);
    m_bar->setValue(m_bar->minimum());
    resize(300, 70);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void CProgressWindow::ShowOver(const QWidget& view)
{
    QRect place = rect();
    place.moveCenter(view.mapToGlobal(view.rect().center()));
    move(place.topLeft());
    show();
    raise();
}

void CProgressWindow::SetTotal(int total)
{
    m_model.SetTotal(total);
    ShowBar();
}

void CProgressWindow::SetPos(int pos)
{
    m_model.SetPos(pos);
    ShowBar();
}

void CProgressWindow::ShowBar()
{
    // A total below 1 leaves the range 1..0, where no position applies:
    // the bar stays empty.
    if (m_model.Total() < m_model.RangeLow()) {
        m_bar->setRange(0, 1);
        m_bar->setValue(0);
    } else {
        m_bar->setRange(m_model.RangeLow(), m_model.Total());
        m_bar->setValue(std::clamp(m_model.Pos(), m_model.RangeLow(), m_model.Total()));
    }
    update();
}

} // namespace shell::ui
