#include "dsp_editor/ui/parameter_template_dialog.h"

#include "dsp_editor/ui/controls.h"
#include "resources/message_ids.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dsp_editor::ui {

namespace {

using Amu = CParameterTemplateController;

// The labels beside the module's fields and above the list.
constexpr int kAmuModuleNameLabel = 1390;
constexpr int kAmuModuleIdLabel = 1391;
constexpr int kAmuListLabel = 1392;
constexpr int kAmuCaption = 0;

QLineEdit* ReadOnlyEdit(QWidget* owner, int id, const std::string& text) {
    auto* edit = Named(new QLineEdit(FromUtf8(text), owner), id);
    edit->setReadOnly(true);
    return edit;
}

} // namespace

CDSPDlgSaveAriAttri::CDSPDlgSaveAriAttri(CParameterTemplateController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(shell::DialogString(Amu::kDialog, kAmuCaption, "算法参数模板"));
    if (parent != nullptr)
        setWindowModality(Qt::WindowModal);

    auto* fields = new QGridLayout;
    fields->addWidget(
        new QLabel(shell::DialogString(Amu::kDialog, kAmuModuleNameLabel, "算法模块名称："), this),
        0, 0);
    fields->addWidget(ReadOnlyEdit(this, Amu::kCtlModuleName, m_controller.ModuleName()), 0, 1);
    fields->addWidget(
        new QLabel(shell::DialogString(Amu::kDialog, kAmuModuleIdLabel, "ID："), this), 1, 0);
    fields->addWidget(ReadOnlyEdit(this, Amu::kCtlModuleId, m_controller.ModuleIdText()), 1, 1);

    m_rows = Named(new QTableWidget(0, 2, this), Amu::kCtlList);
    m_rows->setHorizontalHeaderLabels({shell::StringText(resources::kStrAmuColumnNumber),
                                       shell::StringText(resources::kStrAmuColumnName)});
    m_rows->horizontalHeader()->setStretchLastSection(true);
    m_rows->verticalHeader()->hide();
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rows->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setShowGrid(true);
    m_rows->installEventFilter(this);

    auto* newNameLabel = Named(
        new QLabel(shell::DialogString(Amu::kDialog, Amu::kCtlNewNameLabel, "新模板名称："), this),
        Amu::kCtlNewNameLabel);
    m_newName = Named(new QLineEdit(this), Amu::kCtlNewName);
    auto* newNameRow = new QHBoxLayout;
    newNameRow->addWidget(newNameLabel);
    newNameRow->addWidget(m_newName, 1);
    if (m_controller.Mode() == Amu::kModeLoad) {
        newNameLabel->hide();
        m_newName->hide();
    }

    m_delete = Button(this, Amu::kDialog, Amu::kCtlDelete, "删除");
    m_view = Button(this, Amu::kDialog, Amu::kCtlView, "查看参数...");
    auto* ok = Button(this, Amu::kDialog, Amu::kCtlOk, "确定");
    auto* cancel = Button(this, Amu::kDialog, Amu::kCtlCancel, "取消");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_delete);
    buttons->addWidget(m_view);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(
        new QLabel(shell::DialogString(Amu::kDialog, kAmuListLabel, "已有参数模板："), this));
    layout->addWidget(m_rows, 1);
    layout->addLayout(newNameRow);
    layout->addLayout(buttons);

    FillRows();
    if (m_controller.Mode() == Amu::kModeSave)
        m_newName->setFocus();

    connect(m_rows, &QTableWidget::itemSelectionChanged, this, &CDSPDlgSaveAriAttri::OnRowChosen);
    connect(m_newName, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.m_newName = text.toStdString(); });
    connect(m_delete, &QPushButton::clicked, this, &CDSPDlgSaveAriAttri::OnDelete);
    connect(m_view, &QPushButton::clicked, this, [this] { m_controller.OnBnClickedViewParams(); });
    connect(ok, &QPushButton::clicked, this, &CDSPDlgSaveAriAttri::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDSPDlgSaveAriAttri::FillRows() {
    const auto& rows = m_controller.Rows();
    {
        const QSignalBlocker quiet(m_rows);
        m_rows->clearSelection();
        m_rows->setRowCount(static_cast<int>(rows.size()));
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            m_rows->setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
            m_rows->setItem(r, 1,
                            new QTableWidgetItem(FromUtf8(rows[static_cast<std::size_t>(r)].name)));
        }
    }
    OnRowChosen();
}

void CDSPDlgSaveAriAttri::OnRowChosen() {
    const QList<QTableWidgetItem*> chosen = m_rows->selectedItems();
    m_controller.SelectRow(chosen.isEmpty() ? -1 : chosen.front()->row());
    m_delete->setEnabled(m_controller.RowButtonsEnabled());
    m_view->setEnabled(m_controller.RowButtonsEnabled());
}

void CDSPDlgSaveAriAttri::OnDelete() {
    m_controller.OnBnClickedDelete();
    FillRows();
}

bool CDSPDlgSaveAriAttri::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_rows && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnDelete();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CDSPDlgSaveAriAttri::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_rows->setColumnWidth(0, m_rows->viewport()->width() / 4);
}

void CDSPDlgSaveAriAttri::accept() {
    switch (m_controller.OnBnClickedOk()) {
    case Amu::EResult::Ok:
        QDialog::accept();
        return;
    case Amu::EResult::Close:
        QDialog::reject();
        return;
    case Amu::EResult::Stay:
        if (auto* control =
                findChild<QWidget*>(QStringLiteral("ctl%1").arg(m_controller.FocusControl())))
            control->setFocus();
        return;
    }
}

bool RunSaveAriAttriDialog(CParameterTemplateController& controller, QWidget* parent) {
    controller.OnInitDialog();
    CDSPDlgSaveAriAttri dialog(controller, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace dsp_editor::ui
