#include "device_editor/ui/net_type_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "device_editor/ui/dialog_support.h"

namespace device_editor::ui {

namespace {

// Control ids of the network type dialog.
constexpr int kNetTypeLabel = 1040;
constexpr int kNormalMode = 1041;
constexpr int kWirelessMode = 1042;
constexpr int kNetTypeNote = 1043;

} // namespace

// --- CDeviceDlgNetType ---------------------------------------------------------------

CDeviceDlgNetType::CDeviceDlgNetType(int index, QWidget* parent) : QDialog(parent), m_index(index) {
    setWindowTitle(DialogText(kNetTypeDialog, 0, "网络类型设置"));
    m_typeBox = new QComboBox(this);
    m_typeBox->addItem(DialogText(kNetTypeDialog, kNormalMode, "普通模式"));
    m_typeBox->addItem(DialogText(kNetTypeDialog, kWirelessMode, "无线模式"));
    m_typeBox->setCurrentIndex(index);
    auto* note = new QLabel(
        DialogText(
            kNetTypeDialog, kNetTypeNote,
            "说明：\n\n普通模式，不能正确判断无线设备的在线情况，但是对有线设备情况判断迅速"
            "准确。\n\n无线模式，可以准确判断无线和有线设备的在线情况，但是不如普通模式迅速。"),
        this);
    note->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(DialogText(kNetTypeDialog, kNetTypeLabel, "设置网络类型："), m_typeBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(OkCancelButtons(*this, kNetTypeDialog));
}

void CDeviceDlgNetType::accept() {
    m_index = m_typeBox->currentIndex();
    QDialog::accept();
}

} // namespace device_editor::ui
