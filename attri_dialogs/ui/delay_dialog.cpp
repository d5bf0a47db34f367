#include "attri_dialogs/ui/delay_dialog.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSpinBox>

#include "model/ari_delay.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"

namespace attri_dialogs::ui {

namespace {

constexpr int kDelayDialog = 159;
constexpr int kBypassButton = 1089;
constexpr int kSpinControl = 1090;
constexpr int kDelayEdit = 1091;
// The labels' ids, for the language packs.
constexpr int kBypassLabel = 1521;
constexpr int kDelayLabel = 1522;

constexpr int kDelayLabelTop = 3;
constexpr int kDelayControlTop = 19;
constexpr int kDelayControlHeight = 20;

void DelayLabel(QWidget* dialog, int id, const char* builtin, QRect place) {
    auto* label = new QLabel(shell::DialogString(kDelayDialog, id, builtin), dialog);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(place);
}

} // namespace

CDSPDlgAttriDelay::CDSPDlgAttriDelay(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriDelay(
          std::make_unique<CAttriDelayController>(view, dynamic_cast<model::CAriDelay&>(module)),
          parent, viewWidget) {}

CDSPDlgAttriDelay::CDSPDlgAttriDelay(std::unique_ptr<CAttriDelayController> controller,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(*controller, parent, viewWidget, resources::kIconDelayDialog),
      m_delay(std::move(controller)) {
    SetClientSize(DialogUnitsToPixels(126, 29));
    SetLargestSize({250, 100});
    DelayLabel(this, kBypassLabel, "旁通", {6, kDelayLabelTop, 50, 15});
    DelayLabel(this, kDelayLabel, "延迟时间 (ms)", {66, kDelayLabelTop, 100, 15});

    m_bypass = new shell::ui::CMyButton(this);
    m_bypass->SetMode(shell::CMyButtonCore::kModeToggle);
    shell::ui::SetControlId(m_bypass, kBypassButton);
    m_bypass->setGeometry(6, kDelayControlTop, 50, kDelayControlHeight);
    connect(m_bypass, &shell::ui::CMyButton::Command, this, [this] {
        m_delay->OnBypass();
        Show();
    });

    m_edit = new CAttriValueEdit(this);
    shell::ui::SetControlId(m_edit, kDelayEdit);
    m_edit->setGeometry(76, kDelayControlTop, 72, kDelayControlHeight);
    m_edit->SetEditHandler([this](EEditEvent event, const std::string& text) {
        m_delay->OnDelayEdit(text, event);
        Show();
    });

    // An up-down control beside the edit: only its arrows show.
    m_spin = new QSpinBox(this);
    shell::ui::SetControlId(m_spin, kSpinControl);
    m_spin->setRange(CAttriDelayController::kSpinMinimum, CAttriDelayController::kSpinMaximum);
    m_spin->setValue(CAttriDelayController::kSpinRest);
    m_spin->setGeometry(148, kDelayControlTop, 18, kDelayControlHeight);
    m_spin->setFocusPolicy(Qt::NoFocus);
    connect(m_spin, &QSpinBox::valueChanged, this, [this](int position) {
        m_delay->OnSpin(position);
        Show();
    });
    Show();
}

void CDSPDlgAttriDelay::Show() {
    ShowToggle(*m_bypass, m_delay->Bypass());
    m_edit->SetText(m_delay->DelayText());
    const QSignalBlocker quiet(m_spin);
    m_spin->setValue(CAttriDelayController::kSpinRest);
}

void CDSPDlgAttriDelay::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_delay->Refresh();
    Show();
}

void CDSPDlgAttriDelay::mousePressEvent(QMouseEvent* event) {
    CDSPDlgAttriBase::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && !Controller().Editable())
        setFocus(Qt::MouseFocusReason);
}

} // namespace attri_dialogs::ui
