#include "device_editor/ui/set_ip_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "device_editor/ui/dialog_support.h"

namespace device_editor::ui {

namespace {

// Controls' text ids.
constexpr int kCardLabel = 1030;
constexpr int kStartLabel = 1031;
constexpr int kEndLabel = 1032;
constexpr int kCardIpLabel = 1033;
constexpr int kStartVisibleBox = 1034;

} // namespace

// --- CIpAddressEdit ------------------------------------------------------------

CIpAddressEdit::CIpAddressEdit(CIpAddressValue& value, QWidget* parent)
    : QWidget(parent), m_value(value) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setValidator(digits);
        field->setMaxLength(3);
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        connect(field, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { OnEdited(i, text); });
        layout->addWidget(field);
        m_fields[i] = field;
    }
    Refresh();
}

void CIpAddressEdit::Refresh() {
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> field = m_value.Field(i);
        m_fields[i]->setText(field ? QString::number(*field) : QString());
    }
}

void CIpAddressEdit::OnEdited(int index, const QString& text) {
    m_value.SetField(index, ToUtf8(text));
    const std::optional<int> field = m_value.Field(index);
    const QString shown = field ? QString::number(*field) : QString();
    if (shown != text)
        m_fields[index]->setText(shown);
    if (text.size() == 3 && index < 3) {
        m_fields[index + 1]->setFocus();
        m_fields[index + 1]->selectAll();
    }
}

// --- CDeviceDlgSetIP -----------------------------------------------------------------

CDeviceDlgSetIP::CDeviceDlgSetIP(INetworkCards* cards, std::filesystem::path iniPath,
                                 std::uint32_t start, std::uint32_t end, QWidget* parent)
    : QDialog(parent), m_controller(cards, std::move(iniPath)) {
    setWindowTitle(DialogText(kSetIpDialog, 0, "IP 段参数设置"));
    m_controller.Open(start, end);

    m_cardBox = new QComboBox(this);
    for (const std::string& title : m_controller.Cards())
        m_cardBox->addItem(shell::FromUtf8(title));
    m_cardBox->setCurrentIndex(m_controller.SelectedCard());
    m_startEdit = new CIpAddressEdit(m_controller.Start(), this);
    m_endEdit = new CIpAddressEdit(m_controller.End(), this);
    m_cardEdit = new CIpAddressEdit(m_cardAddress, this);
    m_cardEdit->setEnabled(false);
    m_visibleBox =
        new QCheckBox(DialogText(kSetIpDialog, kStartVisibleBox, "启动时是否可见？"), this);
    m_visibleBox->setChecked(m_controller.StartVisible());

    auto* form = new QFormLayout;
    form->addRow(DialogText(kSetIpDialog, kCardLabel, "网卡："), m_cardBox);
    form->addRow(DialogText(kSetIpDialog, kStartLabel, "起始 IP："), m_startEdit);
    form->addRow(DialogText(kSetIpDialog, kEndLabel, "结束 IP："), m_endEdit);
    form->addRow(DialogText(kSetIpDialog, kCardIpLabel, "网卡 IP："), m_cardEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_visibleBox);
    layout->addWidget(OkCancelButtons(*this, kSetIpDialog));

    connect(m_cardBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_controller.SelectCard(index);
        ShowCard();
    });
    ShowCard();
}

void CDeviceDlgSetIP::ShowCard() {
    m_cardAddress.Clear();
    const QStringList fields = shell::FromUtf8(m_controller.CardAddress()).split(QLatin1Char('.'));
    if (fields.size() == 4)
        for (int i = 0; i < 4; ++i)
            m_cardAddress.SetField(i, ToUtf8(fields[i]));
    m_cardEdit->Refresh();
    m_cardBox->setToolTip(shell::FromUtf8(m_controller.ToolTip()));
}

void CDeviceDlgSetIP::accept() {
    m_controller.SetStartVisible(m_visibleBox->isChecked());
    m_result = m_controller.Accept();
    if (m_result)
        QDialog::accept();
}

} // namespace device_editor::ui
