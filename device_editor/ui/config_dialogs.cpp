#include "device_editor/ui/config_dialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "device_editor/ui/dialog_support.h"
#include "shell/dialog_texts.h"
#include "shell/ui/edit_list_ctrl.h"

namespace device_editor::ui {

namespace {

// Controls' text ids.
constexpr int kPasswordFrame = 1001;
constexpr int kModifyPasswordButton = 1002;
constexpr int kOldLabel = 1004;
constexpr int kNewLabel = 1005;
constexpr int kConfirmLabel = 1006;
constexpr int kModifyButton = 1007;
constexpr int kUnitFrame = 1011;
constexpr int kAddButton = 1012;
constexpr int kDeleteButton = 1013;
constexpr int kSubmitButton = 1014;
constexpr int kExitButton = 1015;
constexpr int kMacColumn = 1016;
constexpr int kModelColumn = 1017;
constexpr int kSerialColumn = 1018;
constexpr int kNumberColumn = 1019;
constexpr int kTypeColumn = 1020;
constexpr int kValidityColumn = 1021;
constexpr int kModelLabel = 1022;
constexpr int kSerialLabel = 1023;
constexpr int kSerialHint = 1025;

constexpr int kMacColumnWidth = 100;
constexpr int kListWidth = 440;

QLineEdit* PasswordEdit(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

// A report list of whole rows, grid lines and one selection, read only,
// its texts centred; the first column 100 wide and the others sharing the
// rest.
QTableWidget* ReportList(int dialog, const std::vector<std::pair<int, const char*>>& columns,
                         QWidget* parent) {
    auto* list = new QTableWidget(0, static_cast<int>(columns.size()), parent);
    QStringList headings;
    for (const auto& [control, builtin] : columns)
        headings << DialogText(dialog, control, builtin);
    list->setHorizontalHeaderLabels(headings);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    list->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    list->setColumnWidth(0, kMacColumnWidth);
    list->setMinimumWidth(kListWidth);
    return list;
}

void SetRow(QTableWidget& list, int row, const std::vector<std::string>& cells) {
    for (std::size_t column = 0; column < cells.size(); ++column) {
        auto* item = new QTableWidgetItem(shell::FromUtf8(cells[column]));
        item->setTextAlignment(Qt::AlignCenter);
        list.setItem(row, static_cast<int>(column), item);
    }
}

} // namespace

// --- CDeviceDlgPassword ----------------------------------------------------------------

CDeviceDlgPassword::CDeviceDlgPassword(CConfigPasswordController& password, QWidget* parent)
    : QDialog(parent), m_password(password) {
    setWindowTitle(DialogText(kPasswordDialog, 0, "密码"));
    m_box = PasswordEdit(this);
    auto* frame = new QGroupBox(DialogText(kPasswordDialog, kPasswordFrame, "输入密码"), this);
    (new QVBoxLayout(frame))->addWidget(m_box);
    QDialogButtonBox* buttons = OkCancelButtons(*this, kPasswordDialog);
    m_modify = buttons->addButton(DialogText(kPasswordDialog, kModifyPasswordButton, "修改密码"),
                                  QDialogButtonBox::ActionRole);
    connect(m_modify, &QPushButton::clicked, this, [this] {
        CDeviceDlgModifyPassword change(m_password, this);
        change.exec();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
}

void CDeviceDlgPassword::accept() {
    if (m_password.Check(ToUtf8(m_box->text())) == 0) {
        QDialog::accept();
        return;
    }
    m_box->setFocus();
    m_box->selectAll();
}

// --- CDeviceDlgModifyPassword ----------------------------------------------------------

CDeviceDlgModifyPassword::CDeviceDlgModifyPassword(CConfigPasswordController& password,
                                                   QWidget* parent)
    : QDialog(parent), m_password(password) {
    setWindowTitle(DialogText(kModifyPasswordDialog, 0, "修改密码"));
    m_old = PasswordEdit(this);
    m_new = PasswordEdit(this);
    m_confirm = PasswordEdit(this);
    auto* grid = new QGridLayout;
    const std::pair<int, const char*> labels[] = {
        {kOldLabel, "旧密码："}, {kNewLabel, "新密码："}, {kConfirmLabel, "新密码确认："}};
    QLineEdit* const boxes[] = {m_old, m_new, m_confirm};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(
            new QLabel(DialogText(kModifyPasswordDialog, labels[i].first, labels[i].second), this),
            i, 0);
        grid->addWidget(boxes[i], i, 1);
    }
    auto* buttons = new QDialogButtonBox(this);
    m_modify = buttons->addButton(DialogText(kModifyPasswordDialog, kModifyButton, "修改"),
                                  QDialogButtonBox::ActionRole);
    m_modify->setDefault(true);
    buttons
        ->addButton(DialogText(kModifyPasswordDialog, kCancelControl, "取消"),
                    QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    connect(m_modify, &QPushButton::clicked, this, &CDeviceDlgModifyPassword::OnModify);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CDeviceDlgModifyPassword::OnModify() {
    const CConfigPasswordController::ChangeResult result =
        m_password.Change(ToUtf8(m_old->text()), ToUtf8(m_new->text()), ToUtf8(m_confirm->text()));
    if (result.focus == CConfigPasswordController::EField::Old)
        m_old->setFocus();
    else if (result.focus == CConfigPasswordController::EField::New)
        m_new->setFocus();
}

// --- CDeviceDlgAddConfig ---------------------------------------------------------------

CDeviceDlgAddConfig::CDeviceDlgAddConfig(QWidget* parent) : QDialog(parent) {
    setWindowTitle(DialogText(kAddConfigDialog, 0, "增加设备配置"));
    m_model = new QComboBox(this);
    for (const UnitModel& model : AddableUnitModels())
        m_model->addItem(shell::FromUtf8(model.name), model.code);
    m_model->setCurrentIndex(0);
    connect(m_model, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_controller.SelectModel(index); });

    auto* serial = new QHBoxLayout;
    const int lengths[] = {6, 4, 8};
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            serial->addWidget(new QLabel(QStringLiteral("—"), this));
        auto* group = new QLineEdit(this);
        group->setObjectName(QStringLiteral("group%1").arg(i));
        group->setMaxLength(lengths[i]);
        connect(group, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { OnGroupEdited(i, text); });
        serial->addWidget(group);
        m_groups[i] = group;
    }
    auto* serialFrame =
        new QGroupBox(DialogText(kAddConfigDialog, kSerialLabel, "设备序列号"), this);
    auto* serialLayout = new QVBoxLayout(serialFrame);
    serialLayout->addLayout(serial);
    serialLayout->addWidget(new QLabel(
        DialogText(kAddConfigDialog, kSerialHint, "（序列号可以从设备的背板标签处获得）"), this));

    auto* modelRow = new QHBoxLayout;
    modelRow->addWidget(new QLabel(DialogText(kAddConfigDialog, kModelLabel, "设备型号："), this));
    modelRow->addWidget(m_model, 1);
    QDialogButtonBox* buttons = OkCancelButtons(*this, kAddConfigDialog);
    m_ok = buttons->findChild<QPushButton*>(QStringLiteral("ok"));
    m_ok->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modelRow);
    layout->addWidget(serialFrame);
    layout->addWidget(buttons);
}

void CDeviceDlgAddConfig::OnGroupEdited(int index, const QString& text) {
    const int next = m_controller.SetGroup(index, ToUtf8(text));
    if (next >= 0)
        m_groups[next]->setFocus();
    m_ok->setEnabled(m_controller.IsSerialComplete());
}

void CDeviceDlgAddConfig::accept() {
    int focus = 0;
    m_result = m_controller.Accept(focus);
    if (m_result) {
        QDialog::accept();
        return;
    }
    m_groups[focus]->setFocus();
}

// --- CDeviceDlgDeviceConfig ------------------------------------------------------------

CDeviceDlgDeviceConfig::CDeviceDlgDeviceConfig(std::filesystem::path programFolder,
                                               IHardwareConfigFrame& frame, QWidget* parent)
    : QDialog(parent), m_controller(std::move(programFolder), frame) {
    setWindowTitle(DialogText(kDeviceConfigDialog, 0, "修改硬件配置"));
    askNewUnit = [this]() -> std::optional<NewUnit> {
        CDeviceDlgAddConfig add(this);
        add.exec();
        return add.Result();
    };

    m_channels = new shell::ui::CEditListCtrl(this);
    const int shared = (kListWidth - kMacColumnWidth) / 2;
    m_channels->InsertColumn(0, DialogText(kDeviceConfigDialog, kNumberColumn, "通道序号"),
                             kMacColumnWidth);
    m_channels->InsertColumn(1, DialogText(kDeviceConfigDialog, kTypeColumn, "通道类型"), shared);
    m_channels->InsertColumn(2, DialogText(kDeviceConfigDialog, kValidityColumn, "通道有效性"),
                             shared);
    m_channels->setMinimumWidth(kListWidth);
    m_channelFrame = new QGroupBox(this);
    (new QVBoxLayout(m_channelFrame))->addWidget(m_channels);

    m_units = ReportList(
        kDeviceConfigDialog,
        {{kMacColumn, "设备MAC"}, {kModelColumn, "设备型号"}, {kSerialColumn, "设备序列号"}}, this);
    auto* unitFrame = new QGroupBox(DialogText(kDeviceConfigDialog, kUnitFrame, "设备配置"), this);
    (new QVBoxLayout(unitFrame))->addWidget(m_units);

    const auto button = [this](int control, const char* builtin) {
        auto* made = new QPushButton(DialogText(kDeviceConfigDialog, control, builtin), this);
        made->setAutoDefault(false);
        return made;
    };
    m_add = button(kAddButton, "增加");
    m_delete = button(kDeleteButton, "删除");
    m_submit = button(kSubmitButton, "提交");
    m_exit = button(kExitButton, "退出");
    m_channels->SetLinkedWindow(m_submit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {m_add, m_delete, m_submit, m_exit})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_channelFrame);
    layout->addWidget(unitFrame);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, [this] {
        m_controller.Add(askNewUnit());
        ShowAll();
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        m_controller.Delete();
        ShowAll();
    });
    connect(m_submit, &QPushButton::clicked, this, [this] {
        m_controller.Submit();
        ShowAll();
    });
    connect(m_exit, &QPushButton::clicked, this, &CDeviceDlgDeviceConfig::OnExit);
    connect(m_units, &QTableWidget::itemSelectionChanged, this,
            &CDeviceDlgDeviceConfig::OnUnitSelected);
    connect(m_channels->model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                OnChannelsEdited(first.row(), last.row());
            });

    m_controller.Open();
    ShowAll();
}

CDeviceDlgDeviceConfig::~CDeviceDlgDeviceConfig() = default;

void CDeviceDlgDeviceConfig::ShowAll() {
    m_filling = true;
    m_units->setRowCount(0);
    const auto& units = m_controller.Units();
    m_units->setRowCount(static_cast<int>(units.size()));
    for (std::size_t i = 0; i < units.size(); ++i)
        SetRow(*m_units, static_cast<int>(i),
               {units[i].macDigits, units[i].model, units[i].serial});
    const int current = m_controller.CurrentRow();
    if (current >= 0)
        m_units->selectRow(current);
    m_filling = false;
    ShowChannels();
}

void CDeviceDlgDeviceConfig::ShowChannels() {
    m_filling = true;
    m_channelFrame->setTitle(shell::FromUtf8(m_controller.ChannelFrameCaption()));
    m_channels->DeleteAllItems();
    for (const UnitChannelRow& channel : m_controller.Channels()) {
        const int row =
            m_channels->AppendRow(shell::FromUtf8(CDeviceConfigController::ChannelLabel(channel)));
        m_channels->SetItemData(row, channel.output ? 1 : 0);
        m_channels->SetItemText(row, 1, shell::FromUtf8(channel.type));
        m_channels->SetItemText(row, 2,
                                channel.inUse ? QString::fromLatin1(shell::kEditListYes)
                                              : QString::fromLatin1(shell::kEditListNo));
    }
    m_channels->SetModified(m_controller.IsModified() ? 1 : 0);
    m_submit->setEnabled(m_controller.IsSubmitEnabled());
    m_filling = false;
}

void CDeviceDlgDeviceConfig::OnUnitSelected() {
    if (m_filling)
        return;
    const QList<QTableWidgetSelectionRange> ranges = m_units->selectedRanges();
    if (ranges.isEmpty())
        return;
    const int row = ranges.front().topRow();
    if (row == m_controller.CurrentRow())
        return;
    m_controller.SelectUnit(row);
    ShowAll();
}

void CDeviceDlgDeviceConfig::OnChannelsEdited(int first, int last) {
    if (m_filling)
        return;
    for (int row = first; row <= last; ++row)
        m_controller.EditChannel(row, ToUtf8(m_channels->GetItemText(row, 1)),
                                 m_channels->GetItemText(row, 2) !=
                                     QString::fromLatin1(shell::kEditListNo));
    m_submit->setEnabled(m_controller.IsSubmitEnabled());
}

void CDeviceDlgDeviceConfig::OnExit() {
    m_controller.Exit();
    QDialog::accept();
}

void CDeviceDlgDeviceConfig::reject() {
    m_controller.Exit();
    QDialog::reject();
}

// --- CDeviceDlgConfigView --------------------------------------------------------------

CDeviceDlgConfigView::CDeviceDlgConfigView(std::filesystem::path programFolder,
                                           IHardwareConfigFrame& frame, QWidget* parent)
    : QDialog(parent), m_controller(std::move(programFolder), frame) {
    setWindowTitle(DialogText(kConfigViewDialog, 0, "查看硬件配置"));
    setModal(false);
    m_list =
        ReportList(kConfigViewDialog, {{kMacColumn, "设备MAC"}, {kModelColumn, "设备型号"}}, this);
    (new QVBoxLayout(this))->addWidget(m_list);
    refresh();
}

void CDeviceDlgConfigView::refresh() {
    m_controller.Refresh();
    const auto& rows = m_controller.Rows();
    m_list->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        SetRow(*m_list, static_cast<int>(i), {rows[i].mac, rows[i].model});
}

void CDeviceDlgConfigView::closeEvent(QCloseEvent* event) {
    event->accept();
    m_controller.Close();
}

void CDeviceDlgConfigView::keyPressEvent(QKeyEvent* event) {
    if (!TakeEnterAndEscape(*event))
        QDialog::keyPressEvent(event);
}

} // namespace device_editor::ui
