#include "device_editor/ui/amplifier_limits_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "device_editor/ui/dialog_support.h"
#include "resources/message_ids.h"

namespace device_editor::ui {

namespace {

// Control ids of the limits dialog.
constexpr int kLimitsGlobalFrame = 1010;
constexpr int kLimitsGlobalBox = 1011;
constexpr int kLimitsScaleLower = 1012;
constexpr int kLimitsScaleUpper = 1013;
constexpr int kLimitsAlarm = 1014;
constexpr int kLimitsAlarmLower = 1015;
constexpr int kLimitsAlarmUpper = 1016;
constexpr int kLimitsUnit = 1017;
constexpr int kLimitsRefresh = 1018;
constexpr int kLimitsDownload = 1019;
constexpr int kLimitsName = 1020;

} // namespace

// --- CDeviceDlgQOVGSetAttri ------------------------------------------------------

CDeviceDlgQOVGSetAttri::CDeviceDlgQOVGSetAttri(CAmplifierLimitsController& controller,
                                               QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setWindowTitle(shell::FromUtf8(m_controller.Title()));
    m_controller.Load();

    m_global = new QCheckBox(DialogText(kLimitsDialog, kLimitsGlobalBox, "启动报警"), this);
    auto* globalFrame =
        new QGroupBox(DialogText(kLimitsDialog, kLimitsGlobalFrame, "全局监测"), this);
    auto* globalLayout = new QHBoxLayout(globalFrame);
    globalLayout->addWidget(m_global);
    globalLayout->addStretch();

    auto* grid = new QGridLayout;
    const std::pair<int, const char*> headers[] = {
        {kLimitsName, "通道名称"},       {kLimitsScaleLower, "标尺下限"},
        {kLimitsScaleUpper, "标尺上限"}, {kLimitsAlarm, "是否报警"},
        {kLimitsAlarmLower, "报警下限"}, {kLimitsAlarmUpper, "报警上限"},
        {kLimitsUnit, "参数单位"}};
    int column = 1;
    for (const auto& [id, builtin] : headers)
        grid->addWidget(new QLabel(DialogText(kLimitsDialog, id, builtin), this), 0, column++);
    for (int k = 0; k < amplifier::kReadings; ++k) {
        RowControls& row = m_rows[Row(k)];
        const int line = k + 1;
        grid->addWidget(new QLabel(QString::number(k + 1), this), line, 0);
        row.name = new QLineEdit(this);
        grid->addWidget(row.name, line, 1);
        for (std::size_t f = 0; f < row.fields.size(); ++f) {
            row.fields[f] = new QLineEdit(this);
            row.fields[f]->setFixedWidth(72);
        }
        grid->addWidget(row.fields[kScaleLower], line, 2);
        grid->addWidget(row.fields[kScaleUpper], line, 3);
        row.alarm = new QCheckBox(this);
        grid->addWidget(row.alarm, line, 4, Qt::AlignCenter);
        grid->addWidget(row.fields[kAlarmLower], line, 5);
        grid->addWidget(row.fields[kAlarmUpper], line, 6);
        row.unit = new QComboBox(this);
        const auto choices = CAmplifierLimitsController::UnitChoices(k);
        row.unit->addItem(shell::FromUtf8(choices[0]), CAmplifierLimitsController::kScaled);
        row.unit->addItem(shell::FromUtf8(choices[1]), CAmplifierLimitsController::kRaw);
        grid->addWidget(row.unit, line, 7);
        connect(row.unit, &QComboBox::currentIndexChanged, this, [this, k](int index) {
            Collect();
            m_controller.OnUnitChanged(k, index < 0 ? CAmplifierLimitsController::kNoUnit
                                                    : UnitBox(k)->itemData(index).toInt());
            ShowRows();
        });
    }

    m_refresh = new QPushButton(DialogText(kLimitsDialog, kLimitsRefresh, "刷新"), this);
    m_download = new QPushButton(DialogText(kLimitsDialog, kLimitsDownload, "下载并固化"), this);
    auto* ok = new QPushButton(DialogText(kLimitsDialog, kOkControl, "确定"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(m_refresh, &QPushButton::clicked, this, [this] { m_controller.OnRefresh(); });
    connect(m_download, &QPushButton::clicked, this, [this] {
        Collect();
        if (!m_controller.OnDownload())
            FocusFailure();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_download);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(globalFrame);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    ShowRows();
}

void CDeviceDlgQOVGSetAttri::ShowRows() {
    m_global->setChecked(m_controller.global);
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const CAmplifierLimitsController::Row& shown = m_controller.GetRow(k);
        RowControls& row = m_rows[Row(k)];
        row.name->setText(shell::FromUtf8(shown.name));
        row.fields[kScaleLower]->setText(shell::FromUtf8(shown.scaleLower));
        row.fields[kScaleUpper]->setText(shell::FromUtf8(shown.scaleUpper));
        row.fields[kAlarmLower]->setText(shell::FromUtf8(shown.alarmLower));
        row.fields[kAlarmUpper]->setText(shell::FromUtf8(shown.alarmUpper));
        row.alarm->setChecked(shown.alarmOn);
        const QSignalBlocker quiet(row.unit);
        row.unit->setCurrentIndex(row.unit->findData(shown.unit));
    }
}

void CDeviceDlgQOVGSetAttri::Collect() {
    m_controller.global = m_global->isChecked();
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const RowControls& row = m_rows[Row(k)];
        CAmplifierLimitsController::Row& kept = m_controller.GetRow(k);
        kept.name = ToUtf8(row.name->text());
        kept.scaleLower = ToUtf8(row.fields[kScaleLower]->text());
        kept.scaleUpper = ToUtf8(row.fields[kScaleUpper]->text());
        kept.alarmLower = ToUtf8(row.fields[kAlarmLower]->text());
        kept.alarmUpper = ToUtf8(row.fields[kAlarmUpper]->text());
        kept.alarmOn = row.alarm->isChecked();
        kept.unit = row.unit->currentIndex() < 0 ? CAmplifierLimitsController::kNoUnit
                                                 : row.unit->currentData().toInt();
    }
}

void CDeviceDlgQOVGSetAttri::FocusFailure() {
    QLineEdit* edit = nullptr;
    if (m_controller.FocusRow() >= 0) {
        edit = NameEdit(m_controller.FocusRow());
    } else if (const auto failure = m_controller.Validate()) {
        // The messages come in blocks of four in field order (empty, then out
        // of range); the order check is about the upper alarm limit.
        int field = kAlarmUpper;
        if (failure->message >= resources::kMsgScaleLowerEmpty &&
            failure->message <= resources::kMsgAlarmUpperEmpty)
            field = failure->message - resources::kMsgScaleLowerEmpty;
        else if (failure->message >= resources::kMsgScaleLowerRange &&
                 failure->message <= resources::kMsgAlarmUpperRange)
            field = failure->message - resources::kMsgScaleLowerRange;
        edit = Field(failure->row, static_cast<EField>(field));
    }
    if (edit != nullptr) {
        edit->setFocus();
        edit->selectAll();
    }
}

void CDeviceDlgQOVGSetAttri::accept() {
    Collect();
    if (m_controller.OnOk())
        QDialog::accept();
    else
        FocusFailure();
}

} // namespace device_editor::ui
