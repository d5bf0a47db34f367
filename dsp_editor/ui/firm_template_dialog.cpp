#include "dsp_editor/ui/firm_template_dialog.h"

#include "dsp_editor/ui/controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <string>
#include <string_view>

namespace dsp_editor::ui {

namespace {

using D = CFirmTemplateController;

// The labels beside the fields and the list's column headers.
constexpr int kSlotLabel = 1395;
constexpr int kStructNameLabel = 1396;
constexpr int kParamNameLabel = 1397;
constexpr int kPathLabel = 1398;
constexpr int kColumnSlot = 1401;
constexpr int kColumnStructName = 1402;
constexpr int kColumnParamName = 1403;
constexpr int kColumnPath = 1404;
constexpr int kCaption = 0;

} // namespace

CDSPDlgFirmTemplate::CDSPDlgFirmTemplate(CFirmTemplateController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(shell::DialogString(D::kDialog, kCaption, "固化模版"));

    m_slot = Named(new QComboBox(this), D::kCtlSlot);
    for (int slot = 1; slot <= kTemplateSlots; ++slot)
        m_slot->addItem(QStringLiteral("%1").arg(slot, 2, 10, QLatin1Char('0')));
    m_slot->setCurrentIndex(-1);
    m_structName = Named(new QLineEdit(this), D::kCtlStructName);
    m_paramName = Named(new QLineEdit(this), D::kCtlParamName);
    m_path = Named(new QLineEdit(this), D::kCtlPath);
    auto* browse = Button(this, D::kDialog, D::kCtlBrowse, "...");

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(shell::DialogString(D::kDialog, kSlotLabel, "模板序号："), this),
                      0, 0);
    fields->addWidget(m_slot, 0, 1);
    fields->addWidget(
        new QLabel(shell::DialogString(D::kDialog, kStructNameLabel, "结构名称："), this), 1, 0);
    fields->addWidget(m_structName, 1, 1);
    fields->addWidget(
        new QLabel(shell::DialogString(D::kDialog, kParamNameLabel, "参数名称："), this), 2, 0);
    fields->addWidget(m_paramName, 2, 1);
    fields->addWidget(
        new QLabel(shell::DialogString(D::kDialog, kPathLabel, "文档保存路径："), this), 3, 0);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);
    fields->addLayout(pathRow, 3, 1);

    m_rows = Named(new QTableWidget(0, 4, this), D::kCtlList);
    m_rows->setHorizontalHeaderLabels(
        {shell::DialogString(D::kDialog, kColumnSlot, "序号"),
         shell::DialogString(D::kDialog, kColumnStructName, "结构名称"),
         shell::DialogString(D::kDialog, kColumnParamName, "参数名称"),
         shell::DialogString(D::kDialog, kColumnPath, "文档路径")});
    m_rows->horizontalHeader()->setStretchLastSection(true);
    m_rows->verticalHeader()->hide();
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* listBox =
        new QGroupBox(shell::DialogString(D::kDialog, D::kCtlList, "已固化模板列表"), this);
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(m_rows);
    auto* read = Button(listBox, D::kDialog, D::kCtlReadFromDevice, "从设备读取");
    auto* readRow = new QHBoxLayout;
    readRow->addStretch();
    readRow->addWidget(read);
    listLayout->addLayout(readRow);

    auto* ok = Button(this, D::kDialog, kCtlTemplateOk, "固化");
    auto* cancel = Button(this, D::kDialog, kCtlTemplateCancel, "取消");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(listBox, 1);
    layout->addLayout(buttons);

    FillRows();
    m_controller.SetRowsChanged([this] { FillRows(); });

    connect(m_slot, &QComboBox::activated, this, &CDSPDlgFirmTemplate::OnSelectSlot);
    connect(m_structName, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.m_structName = text.toStdString(); });
    connect(m_paramName, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.m_paramName = text.toStdString(); });
    connect(m_path, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller.m_path = text.toStdString(); });
    connect(browse, &QPushButton::clicked, this, &CDSPDlgFirmTemplate::OnBrowse);
    connect(read, &QPushButton::clicked, this,
            [this] { m_controller.OnBnClickedReadFromDevice(); });
    connect(ok, &QPushButton::clicked, this, &CDSPDlgFirmTemplate::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CDSPDlgFirmTemplate::~CDSPDlgFirmTemplate() {
    m_controller.SetRowsChanged(nullptr);
}

void CDSPDlgFirmTemplate::FillRows() {
    const auto& rows = m_controller.Rows();
    m_rows->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const StoredTemplateRow& row = rows[static_cast<std::size_t>(r)];
        m_rows->setItem(
            r, 0,
            new QTableWidgetItem(QStringLiteral("%1").arg(row.slot, 2, 10, QLatin1Char('0'))));
        m_rows->setItem(r, 1, new QTableWidgetItem(FromUtf8(row.structName)));
        m_rows->setItem(r, 2, new QTableWidgetItem(FromUtf8(row.paramName)));
        m_rows->setItem(r, 3, new QTableWidgetItem(FromUtf8(row.path)));
    }
}

void CDSPDlgFirmTemplate::ShowFields() {
    m_structName->setText(FromUtf8(m_controller.m_structName));
    m_paramName->setText(FromUtf8(m_controller.m_paramName));
    m_path->setText(FromUtf8(m_controller.m_path));
}

void CDSPDlgFirmTemplate::OnSelectSlot(int index) {
    m_controller.OnSelectSlot(index + 1);
    ShowFields();
}

void CDSPDlgFirmTemplate::OnBrowse() {
    m_controller.OnBrowse();
    m_path->setText(FromUtf8(m_controller.m_path));
}

void CDSPDlgFirmTemplate::accept() {
    if (m_controller.OnOK()) {
        QDialog::accept();
        return;
    }
    if (auto* control =
            findChild<QWidget*>(QStringLiteral("ctl%1").arg(m_controller.FocusControl())))
        control->setFocus();
}

bool RunFirmTemplateDialog(CFirmTemplateController& controller, QWidget* parent) {
    controller.OnInitDialog();
    CDSPDlgFirmTemplate dialog(controller, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace dsp_editor::ui
