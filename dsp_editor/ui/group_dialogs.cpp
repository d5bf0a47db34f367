#include "dsp_editor/ui/group_dialogs.h"

#include "dsp_editor/ui/controls.h"
#include "resources/message_ids.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <string>
#include <string_view>
#include <utility>

namespace dsp_editor::ui {

namespace {

// The windows' own labels of the controls beside them.
constexpr int kModuleNameLabel = 1390;
constexpr int kModuleIdLabel = 1391;
constexpr int kGroupsLabel = 1392;
constexpr int kMembersLabel = 1393;
constexpr int kOldNameLabel = 1390;
constexpr int kNewNameLabel = 1391;

QLineEdit* ReadOnlyEdit(QWidget* owner, int id, const QString& text) {
    auto* edit = Named(new QLineEdit(text, owner), id);
    edit->setReadOnly(true);
    return edit;
}

} // namespace

CDSPDlgNewCombination::CDSPDlgNewCombination(CGroupEditor& editor, QWidget* parent)
    : QDialog(parent), m_editor(editor) {
    const bool newGroup = editor.Mode() == EGroupDialogMode::NewGroup;
    setWindowTitle(
        shell::StringText(newGroup ? resources::kStrNewGroup : resources::kStrJoinGroup));
    const auto text = [](int id, const char* builtin) {
        return shell::DialogString(kGroupDialog, id, builtin);
    };

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(text(kModuleNameLabel, "算法模块名称："), this), 0, 0);
    top->addWidget(ReadOnlyEdit(this, kCtlModuleName, FromUtf8(editor.Module().m_name)), 0, 1);
    top->addWidget(new QLabel(text(kModuleIdLabel, "ID："), this), 0, 2);
    top->addWidget(ReadOnlyEdit(this, kCtlModuleId, FromUtf8(ModuleIdText(editor.Module()))), 0, 3);
    auto* nameLabel =
        Named(new QLabel(text(kCtlNewNameLabel, "新绑定组名称："), this), kCtlNewNameLabel);
    m_newName = Named(new QLineEdit(this), kCtlNewName);
    top->addWidget(nameLabel, 1, 0);
    top->addWidget(m_newName, 1, 1, 1, 3);
    nameLabel->setVisible(newGroup);
    m_newName->setVisible(newGroup);

    m_groups = Named(new QComboBox(this), kCtlGroups);
    auto* rename = Button(this, kGroupDialog, kCtlRename, "重命名绑定组...");
    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(text(kGroupsLabel, "已有绑定组："), this));
    groupRow->addWidget(m_groups, 1);
    groupRow->addWidget(rename);

    m_join = Button(this, kGroupDialog, kCtlJoin, "加入到当前绑定组>>");
    m_remove = Button(this, kGroupDialog, kCtlRemove, "删除");
    m_members = Named(new QTableWidget(0, 2, this), kCtlMembers);
    m_members->setHorizontalHeaderLabels(
        {shell::StringText(resources::kStrDeviceName), QStringLiteral("ID")});
    m_members->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_members->verticalHeader()->hide();
    m_members->setSelectionMode(QAbstractItemView::SingleSelection);
    m_members->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_members->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_members->setShowGrid(true);
    auto* memberButtons = new QVBoxLayout;
    memberButtons->addWidget(m_join);
    memberButtons->addWidget(m_remove);
    memberButtons->addStretch();
    auto* memberRow = new QHBoxLayout;
    memberRow->addWidget(m_members, 1);
    memberRow->addLayout(memberButtons);

    auto* ok = Button(this, kGroupDialog, kCtlOk, "确定");
    auto* cancel = Button(this, kGroupDialog, kCtlCancel, "取消");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(groupRow);
    layout->addWidget(new QLabel(text(kMembersLabel, "绑定组成员："), this));
    layout->addLayout(memberRow);
    layout->addLayout(buttons);

    FillGroups();
    FillMembers();
    UpdateButtons();
    if (newGroup)
        m_newName->setFocus();

    connect(m_groups, &QComboBox::currentIndexChanged, this,
            &CDSPDlgNewCombination::OnSelChangeGroup);
    connect(m_members, &QTableWidget::itemSelectionChanged, this,
            &CDSPDlgNewCombination::OnSelChangeMember);
    connect(m_join, &QPushButton::clicked, this, &CDSPDlgNewCombination::OnJoinGroup);
    connect(m_remove, &QPushButton::clicked, this, &CDSPDlgNewCombination::OnRemoveMembers);
    connect(rename, &QPushButton::clicked, this, &CDSPDlgNewCombination::OnRenameGroup);
    connect(ok, &QPushButton::clicked, this, &CDSPDlgNewCombination::OnBnClickedOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* deleteKey = new QShortcut(QKeySequence::Delete, m_members);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &CDSPDlgNewCombination::OnRemoveMembers);
}

void CDSPDlgNewCombination::keyPressEvent(QKeyEvent* event) {
    if (!SwallowEnterAndEscape(*event))
        QDialog::keyPressEvent(event);
}

void CDSPDlgNewCombination::FillGroups() {
    const QSignalBlocker quiet(m_groups);
    m_groups->clear();
    for (const GroupItem& group : m_editor.Groups())
        m_groups->addItem(FromUtf8(group.name), group.number);
    m_groups->setCurrentIndex(m_editor.SelectedGroup());
}

void CDSPDlgNewCombination::FillMembers() {
    const QSignalBlocker quiet(m_members);
    const auto& members = m_editor.Members();
    m_members->setRowCount(static_cast<int>(members.size()));
    for (int row = 0; row < static_cast<int>(members.size()); ++row) {
        const CGroupEditor::MemberRow& member = members[static_cast<std::size_t>(row)];
        auto* name = new QTableWidgetItem(FromUtf8(member.name));
        name->setData(Qt::UserRole, member.moduleId);
        m_members->setItem(row, 0, name);
        m_members->setItem(row, 1, new QTableWidgetItem(FromUtf8(member.idText)));
    }
    m_members->clearSelection();
    if (m_editor.SelectedMember() >= 0)
        m_members->selectRow(m_editor.SelectedMember());
}

void CDSPDlgNewCombination::UpdateButtons() {
    m_join->setEnabled(m_editor.CanJoin());
    m_remove->setEnabled(m_editor.CanRemove());
}

void CDSPDlgNewCombination::OnSelChangeGroup(int index) {
    m_editor.SelectGroup(index);
    FillMembers();
    UpdateButtons();
}

void CDSPDlgNewCombination::OnSelChangeMember() {
    const auto rows = m_members->selectionModel()->selectedRows();
    m_editor.SelectMember(rows.isEmpty() ? -1 : rows.first().row());
    UpdateButtons();
}

void CDSPDlgNewCombination::OnJoinGroup() {
    m_editor.Join();
    FillMembers();
    UpdateButtons();
}

void CDSPDlgNewCombination::OnRemoveMembers() {
    if (m_editor.RemoveSelectedMember())
        FillMembers();
    UpdateButtons();
}

void CDSPDlgNewCombination::OnRenameGroup() {
    const int index = m_editor.SelectedGroup();
    if (index < 0)
        return;
    CDSPDlgCombiRename rename(
        m_editor, FromUtf8(m_editor.Groups()[static_cast<std::size_t>(index)].name), this);
    if (rename.exec() != QDialog::Accepted)
        return;
    m_editor.RenameSelectedGroup(rename.NewName().toStdString());
    FillGroups();
}

void CDSPDlgNewCombination::OnBnClickedOk() {
    const QString name = m_newName->text();
    if (m_editor.Confirm(name.toStdString()))
        accept();
    else if (name.isEmpty())
        m_newName->setFocus();
}

CDSPDlgCombiRename::CDSPDlgCombiRename(const CGroupEditor& owner, QString oldName, QWidget* parent)
    : QDialog(parent), m_owner(owner), m_oldName(std::move(oldName)) {
    const auto text = [](int id, const char* builtin) {
        return shell::DialogString(kGroupRenameDialog, id, builtin);
    };
    setWindowTitle(text(0, "绑定组重命名"));
    m_newName = Named(new QLineEdit(this), kCtlNewName);
    auto* form = new QGridLayout;
    form->addWidget(new QLabel(text(kOldNameLabel, "原名称："), this), 0, 0);
    form->addWidget(ReadOnlyEdit(this, kCtlOldName, m_oldName), 0, 1);
    form->addWidget(new QLabel(text(kNewNameLabel, "新名称："), this), 1, 0);
    form->addWidget(m_newName, 1, 1);

    auto* ok = Button(this, kGroupRenameDialog, kCtlOk, "确定");
    auto* cancel = Button(this, kGroupRenameDialog, kCtlCancel, "取消");
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    m_newName->setFocus();

    connect(ok, &QPushButton::clicked, this, &CDSPDlgCombiRename::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString CDSPDlgCombiRename::NewName() const {
    return m_newName->text();
}

void CDSPDlgCombiRename::accept() {
    if (AcceptGroupRename(m_owner, m_oldName.toStdString(), NewName().toStdString()))
        QDialog::accept();
}

} // namespace dsp_editor::ui
