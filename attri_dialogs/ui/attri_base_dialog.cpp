#include "attri_dialogs/ui/attri_base_dialog.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cmath>

#include "dsp_editor/zo_dsp_view.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/frame_resources.h"
#include "shell/language.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/pictures.h"
#include "shell/ui/text_fit.h"

namespace attri_dialogs::ui {

namespace {

// The empty base template's size, in dialog units.
constexpr int kTemplateWidth = 186;
constexpr int kTemplateHeight = 95;

const QPixmap& Background() {
    static const QPixmap background = QPixmap::fromImage(
        shell::ui::PictureImage(resources::LoadBitmap(resources::kBitmapAttriBackground)));
    return background;
}

QString MenuString(const shell::CMenuEntry& entry) {
    if (const auto text = shell::MenuText(shell::kMenuAttriQuick, entry.id))
        return shell::FromUtf8(*text);
    return QString::fromStdString(entry.text);
}

} // namespace

QSize DialogUnitsToPixels(int width, int height) {
    return {static_cast<int>(std::lround(width * 6 / 4.0)),
            static_cast<int>(std::lround(height * 13 / 8.0))};
}

CDSPDlgAttriBase::CDSPDlgAttriBase(CAttriController& controller, QWidget* parent,
                                   QWidget* viewWidget, int iconId)
    : QDialog(parent), m_controller(controller), m_viewWidget(viewWidget) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowIcon(shell::ui::IconPicture(iconId));
    SetClientSize(DialogUnitsToPixels(kTemplateWidth, kTemplateHeight));
}

CDSPDlgAttriBase::~CDSPDlgAttriBase() {
    // The derived dialog's parameters and values are gone: the edits'
    // last focus loss, as the window goes, must not reach them.
    for (CAttriValueEdit* edit : findChildren<CAttriValueEdit*>()) {
        edit->SetEditHandler({});
        edit->SetFocusHandler({});
    }
}

void CDSPDlgAttriBase::DestroyDialog() {
    // The document has forgotten the dialog: no closing steps any more.
    setAttribute(Qt::WA_DeleteOnClose, false);
    hide();
    deleteLater();
}

void CDSPDlgAttriBase::SetCaption(std::string_view caption) {
    setWindowTitle(shell::FromUtf8(caption));
    shell::ui::FitCaption(*this);
}

model::Size CDSPDlgAttriBase::WindowSize() const {
    return {width(), height()};
}

void CDSPDlgAttriBase::MoveWindow(const model::Rect& rect) {
    QPoint topLeft(rect.left, rect.top);
    if (m_viewWidget != nullptr)
        topLeft = m_viewWidget->mapToGlobal(topLeft);
    setGeometry(QRect(topLeft, QSize(rect.right - rect.left, rect.bottom - rect.top)));
}

void CDSPDlgAttriBase::ActivateDialog() {
    raise();
    activateWindow();
}

void CDSPDlgAttriBase::RefreshControls() {
    if (m_slider != nullptr)
        m_slider->Hide();
}

void CDSPDlgAttriBase::ShowDialog() {
    show();
}

void CDSPDlgAttriBase::HideDialog() {
    hide();
    if (m_slider != nullptr)
        m_slider->Hide();
}

void CDSPDlgAttriBase::OnSliderMoving(int position) {
    if (m_served.edit == nullptr)
        return;
    m_controller.OnSliderMoving(position, *m_served.value);
    m_served.edit->SetText(m_served.value->text);
}

void CDSPDlgAttriBase::OnSliderReleased() {
    if (m_served.edit == nullptr)
        return;
    m_controller.OnEdit(*m_served.parameter, *m_served.value, EEditEvent::kSliderReleased);
    m_served.edit->SetText(m_served.value->text);
}

void CDSPDlgAttriBase::SetMode(int mode) {
    m_controller.SetMode(mode);
}

void CDSPDlgAttriBase::reject() {
    close();
}

void CDSPDlgAttriBase::OnSetDefaultValues() {
    m_controller.SetDefaultValues();
    RefreshControls();
}

void CDSPDlgAttriBase::PlaceSlider() {
    if (m_slider != nullptr && m_served.edit != nullptr)
        m_slider->PlaceBeside(*m_served.edit);
}

CDSPDlgAttriSliderCtrl& CDSPDlgAttriBase::CreateSlider(bool horizontal) {
    if (m_slider == nullptr) {
        m_slider = new CDSPDlgAttriSliderCtrl(*this, horizontal, this);
        m_controller.SetSlider(m_slider);
    }
    return *m_slider;
}

void CDSPDlgAttriBase::BindValueEdit(CAttriValueEdit& edit, const AttriParameter& parameter,
                                     ValueEdit& value) {
    edit.SetText(value.text);
    edit.SetEditHandler(
        [this, &edit, &parameter, &value](EEditEvent event, const std::string& text) {
            value.text = text;
            m_controller.OnEdit(parameter, value, event);
            edit.SetText(value.text);
        });
    if (!parameter.slider)
        return;
    edit.SetFocusHandler([this, &edit, &parameter, &value] {
        if (m_slider == nullptr || !m_controller.OnLevelEditFocus(value))
            return;
        m_served = {&edit, &parameter, &value};
        m_slider->PlaceBeside(edit);
    });
}

void CDSPDlgAttriBase::BindToggle(shell::ui::CMyButton& button, const AttriParameter& parameter,
                                  std::int32_t& state) {
    ShowToggle(button, state);
    connect(&button, &shell::ui::CMyButton::Command, this, [this, &button, &parameter, &state] {
        m_controller.OnToggle(parameter, state);
        ShowToggle(button, state);
    });
}

void CDSPDlgAttriBase::ShowToggle(shell::ui::CMyButton& button, std::int32_t state) {
    button.SetState(state);
    button.setText(shell::FromUtf8(SwitchCaption(state)));
}

void CDSPDlgAttriBase::paintEvent(QPaintEvent*) {
    // Repeated as a pattern brush fills a window: a dialog larger than the
    // picture (the equalizer's) is filled to its edges.
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), Background());
}

void CDSPDlgAttriBase::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_controller.Editable()) {
        m_controller.OnBackgroundClick();
        // The background takes the focus, so an edit holding it applies.
        setFocus(Qt::MouseFocusReason);
    }
    QDialog::mousePressEvent(event);
}

void CDSPDlgAttriBase::contextMenuEvent(QContextMenuEvent* event) {
    const auto& popups = shell::MenuResource(shell::kMenuAttriQuick);
    if (!m_controller.Editable() || popups.empty()) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    for (const shell::CMenuEntry& entry : popups.front().items) {
        QAction* action = menu.addAction(MenuString(entry));
        action->setData(entry.id);
    }
    const QAction* chosen = menu.exec(event->globalPos());
    if (chosen != nullptr && chosen->data().toInt() == kCommandSetDefaultValues)
        OnSetDefaultValues();
}

void CDSPDlgAttriBase::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    case Qt::Key_Escape:
        event->accept();
        close();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CDSPDlgAttriBase::closeEvent(QCloseEvent* event) {
    // The edit holding the focus applies first.
    if (QWidget* focused = focusWidget())
        focused->clearFocus();
    if (m_slider != nullptr)
        m_slider->Hide();
    if (m_controller.OnClose()) {
        event->accept();
        return;
    }
    // View-only: whoever set the mode keeps the dialog.
    event->ignore();
    hide();
}

void CDSPDlgAttriBase::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    // Every activation by the operator counts as one by a click. A dialog
    // that lost the activation by going (closed, or its document's end)
    // tells nothing: its view may be gone before the news arrives.
    if (isActiveWindow())
        m_controller.OnActivate(dsp_editor::CZoDSPView::kDialogClickActive);
    else if (isVisible())
        m_controller.OnActivate(dsp_editor::CZoDSPView::kDialogInactive);
}

void CDSPDlgAttriBase::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (m_controller.Editable() && !m_controller.Closing() && m_slider != nullptr &&
        m_slider->isVisible())
        PlaceSlider();
}

} // namespace attri_dialogs::ui
