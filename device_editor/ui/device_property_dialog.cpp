#include "device_editor/ui/device_property_dialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "device_editor/ui/dialog_support.h"
#include "platform/gdi/qt_canvas.h"

namespace device_editor::ui {

namespace {

// Controls' text ids.
constexpr int kNameLabel = 1050;
constexpr int kDeviceModelLabel = 1051;
constexpr int kIpLabel = 1052;
constexpr int kMacLabel = 1053;
constexpr int kInputsLabel = 1054;
constexpr int kOutputsLabel = 1055;
constexpr int kForeLabel = 1056;
constexpr int kBackLabel = 1057;
constexpr int kTitleLabel = 1058;
constexpr int kOtherLabel = 1059;
constexpr int kSaveDefaultButton = 1060;
constexpr int kSaveDefaultNote = 1061;
constexpr int kChannelNameColumn = 1062;
constexpr int kChannelNumberColumn = 1063;
constexpr int kChannelTypeColumn = 1064;
constexpr int kColourFrame = 1065;

QLineEdit* ReadOnlyBox(const QString& text, QWidget* parent) {
    auto* box = new QLineEdit(text, parent);
    box->setReadOnly(true);
    return box;
}

} // namespace

CDeviceDlgDeviceProperty::CDeviceDlgDeviceProperty(CZoDeviceDoc& doc, model::CBaseDevice& device,
                                                   std::filesystem::path programFolder,
                                                   std::filesystem::path iniPath, QWidget* parent)
    : QDialog(parent), m_controller(doc, device, std::move(programFolder)),
      m_iniPath(std::move(iniPath)) {
    setWindowTitle(DialogText(kDevicePropertyDialog, 0, "设备及通道属性"));

    m_name = new QLineEdit(shell::FromUtf8(m_controller.Name()), this);
    m_mac = new QComboBox(this);
    for (const std::string& mac : m_controller.MacChoices())
        m_mac->addItem(shell::FromUtf8(mac));
    m_mac->setCurrentIndex(m_controller.MacChoices().empty() ? -1 : 0);
    m_mac->setEnabled(m_controller.HasMacChoice());
    auto* form = new QFormLayout;
    form->addRow(DialogText(kDevicePropertyDialog, kNameLabel, "设备名称："), m_name);
    form->addRow(DialogText(kDevicePropertyDialog, kDeviceModelLabel, "设备型号："),
                 ReadOnlyBox(shell::FromUtf8(m_controller.ModelName()), this));
    form->addRow(DialogText(kDevicePropertyDialog, kIpLabel, "IP地址："),
                 ReadOnlyBox(shell::FromUtf8(device.m_ip), this));
    form->addRow(DialogText(kDevicePropertyDialog, kMacLabel, "MAC地址："), m_mac);
    form->addRow(DialogText(kDevicePropertyDialog, kInputsLabel, "输入通道数："),
                 ReadOnlyBox(QString::number(device.m_inputCount), this));
    form->addRow(DialogText(kDevicePropertyDialog, kOutputsLabel, "输出通道数："),
                 ReadOnlyBox(QString::number(device.m_outputCount), this));

    const auto& channels = m_controller.Channels();
    m_channels = new QTableWidget(static_cast<int>(channels.size()), 3, this);
    m_channels->setHorizontalHeaderLabels(
        {DialogText(kDevicePropertyDialog, kChannelNameColumn, "通道名称"),
         DialogText(kDevicePropertyDialog, kChannelNumberColumn, "通道序号"),
         DialogText(kDevicePropertyDialog, kChannelTypeColumn, "通道类型")});
    m_channels->setColumnWidth(0, 150);
    m_channels->setColumnWidth(1, 100);
    m_channels->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_channels->verticalHeader()->hide();
    m_channels->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed);
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const int row = static_cast<int>(i);
        m_channels->setItem(row, 0, new QTableWidgetItem(shell::FromUtf8(channels[i].name)));
        for (const auto& [column, text] :
             {std::pair{1, QString::number(channels[i].number)},
              std::pair{2, QString::fromLatin1(channels[i].output ? "Out" : "In")}}) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_channels->setItem(row, column, item);
        }
    }
    m_channels->setEnabled(m_controller.HasMacChoice());

    auto* colours = new QGroupBox(DialogText(kDevicePropertyDialog, kColourFrame, "颜色"), this);
    auto* grid = new QGridLayout(colours);
    const std::pair<EDeviceColour, std::pair<int, const char*>> swatchSlots[] = {
        {EDeviceColour::Fore, {kForeLabel, "前景色："}},
        {EDeviceColour::Back, {kBackLabel, "背景色："}},
        {EDeviceColour::Title, {kTitleLabel, "标题文本："}},
        {EDeviceColour::Other, {kOtherLabel, "其他文本："}}};
    int place = 0;
    for (const auto& [slot, label] : swatchSlots) {
        auto* swatch = new QPushButton(this);
        swatch->setAutoDefault(false);
        swatch->setFixedSize(40, 20);
        m_swatches[static_cast<int>(slot)] = swatch;
        connect(swatch, &QPushButton::clicked, this, [this, slot = slot] {
            const QColor chosen =
                QColorDialog::getColor(platform::gdi::ToQColor(m_controller.Colour(slot)), this);
            if (chosen.isValid())
                ChooseColour(slot, platform::gdi::FromQColor(chosen));
        });
        grid->addWidget(
            new QLabel(DialogText(kDevicePropertyDialog, label.first, label.second), this),
            place / 2, (place % 2) * 2);
        grid->addWidget(swatch, place / 2, (place % 2) * 2 + 1);
        ShowSwatch(slot);
        ++place;
    }
    auto* saveDefault =
        new QPushButton(DialogText(kDevicePropertyDialog, kSaveDefaultButton, "保存为默认"), this);
    saveDefault->setAutoDefault(false);
    connect(saveDefault, &QPushButton::clicked, this,
            [this] { m_controller.SaveColoursAsDefault(m_iniPath); });
    auto* note = new QLabel(DialogText(kDevicePropertyDialog, kSaveDefaultNote,
                                       "保存后，此颜色方案将用于此类型的所有新设备。"),
                            this);
    note->setWordWrap(true);
    grid->addWidget(saveDefault, 2, 0, 1, 2);
    grid->addWidget(note, 2, 2, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_channels);
    layout->addWidget(colours);
    layout->addWidget(OkCancelButtons(*this, kDevicePropertyDialog));
}

void CDeviceDlgDeviceProperty::ShowSwatch(EDeviceColour slot) {
    m_swatches[static_cast<int>(slot)]->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid black;")
            .arg(platform::gdi::ToQColor(m_controller.Colour(slot)).name()));
}

void CDeviceDlgDeviceProperty::ChooseColour(EDeviceColour slot, model::COLORREF colour) {
    m_controller.SetColour(slot, colour);
    ShowSwatch(slot);
}

void CDeviceDlgDeviceProperty::accept() {
    std::vector<std::string> names;
    for (int row = 0; row < m_channels->rowCount(); ++row)
        names.push_back(ToUtf8(m_channels->item(row, 0)->text()));
    if (m_controller.Accept(ToUtf8(m_name->text()), m_mac->currentIndex(), names, m_measurer)) {
        QDialog::accept();
        return;
    }
    m_name->setText(shell::FromUtf8(m_controller.Name()));
    m_name->setFocus();
}

void CDeviceDlgDeviceProperty::reject() {
    m_controller.Cancel();
    QDialog::reject();
}

} // namespace device_editor::ui
