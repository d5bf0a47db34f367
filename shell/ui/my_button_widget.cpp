#include "shell/ui/my_button_widget.h"

#include <QFontInfo>
#include <QLayout>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>

#include <vector>

#include "platform/gdi/qt_canvas.h"

namespace shell::ui {

namespace gdi = platform::gdi;

namespace {

// The widget's font as the canvas takes it: a negative height is the em
// in pixels, which is what Qt sizes fonts by.
gdi::LOGFONT logfont_of(const QWidget& widget) {
    const QFont& font = widget.font();
    gdi::LOGFONT lf;
    lf.lfHeight = -QFontInfo(font).pixelSize();
    lf.lfWeight = font.weight();
    lf.lfItalic = font.italic() ? 1 : 0;
    lf.lfUnderline = font.underline() ? 1 : 0;
    lf.lfCharSet = gdi::DEFAULT_CHARSET;
    lf.SetFaceName(font.family().toStdString());
    return lf;
}

// The dialog's items in its child order: its direct child widgets that are
// not windows of their own.
std::vector<QWidget*> dialog_items(QWidget* dialog) {
    std::vector<QWidget*> items;
    for (QObject* child : dialog->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget != nullptr && !widget->isWindow())
            items.push_back(widget);
    }
    return items;
}

// Puts `self` where the dialog item `id` is and deletes the item; false
// when the dialog has none. `text` receives the item's caption.
bool take_place(QWidget* self, QWidget* dialog, int id, QString& text) {
    if (dialog == nullptr)
        return false;
    QWidget* item = FindDialogItem(dialog, id);
    if (item == nullptr)
        return false;
    if (item == self)
        return true;
    if (self->parentWidget() != dialog)
        self->setParent(dialog);
    // Just before the item in the child order, which is the order the
    // radio groups are walked in.
    self->stackUnder(item);
    self->setGeometry(item->geometry());
    self->setFont(item->font());
    self->setEnabled(item->isEnabledTo(dialog));
    self->setToolTip(item->toolTip());
    if (!item->objectName().isEmpty())
        self->setObjectName(item->objectName());
    SetControlId(self, id);
    SetGroupStart(self, IsGroupStart(item));
    const QVariant caption = item->property("text");
    if (caption.canConvert<QString>())
        text = caption.toString();
    if (QLayout* layout = dialog->layout()) {
        if (QLayoutItem* replaced = layout->replaceWidget(item, self))
            delete replaced;
    }
    self->setVisible(!item->isHidden());
    delete item;
    return true;
}

bool load_pictures(ButtonPictures& pictures, int normal, int selected, int focus, int disabled) {
    const int ids[] = {normal, selected, focus, disabled};
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const gdi::Bitmap* picture = LoadButtonPicture(ids[i]);
        if (picture == nullptr)
            return false;
        pictures[i] = *picture;
    }
    return true;
}

// The press is lost with the mouse: the window was hidden or disabled, or
// another window took the mouse.
bool loses_capture(const QEvent* e, const QWidget* self) {
    switch (e->type()) {
    case QEvent::Hide:
    case QEvent::UngrabMouse:
    case QEvent::WindowDeactivate:
        return true;
    case QEvent::EnabledChange:
        return !self->isEnabled();
    default:
        return false;
    }
}

void post_command(QWidget* self) {
    // Queued with the button as context: a button deleted before the event
    // loop comes round sends nothing.
    QMetaObject::invokeMethod(
        self,
        [self] {
            if (auto* button = qobject_cast<CMyButton*>(self))
                emit button->Command(ControlIdOf(self), BN_CLICKED, self);
            else if (auto* picture = qobject_cast<CStateBitmapButton*>(self))
                emit picture->Command(ControlIdOf(self), BN_CLICKED, self);
        },
        Qt::QueuedConnection);
}

// A button with four pictures in the place of the dialog item `id`.
template <typename Button>
bool attach_with_pictures(Button& button, int id, QWidget* dialog, QString& text, int normal,
                          int selected, int focus, int disabled) {
    ButtonPictures pictures;
    if (!load_pictures(pictures, normal, selected, focus, disabled))
        return false;
    if (!take_place(&button, dialog, id, text))
        return false;
    button.SetPictures(pictures);
    return true;
}

} // namespace

void SetControlId(QWidget* item, int id) {
    item->setProperty(kControlIdProperty, id);
}

int ControlIdOf(const QWidget* item, int none) {
    const QVariant id = item->property(kControlIdProperty);
    bool ok = false;
    const int value = id.toInt(&ok);
    return ok ? value : none;
}

void SetGroupStart(QWidget* item, bool start) {
    item->setProperty(kGroupStartProperty, start);
}

bool IsGroupStart(const QWidget* item) {
    return item->property(kGroupStartProperty).toBool();
}

QWidget* FindDialogItem(QWidget* dialog, int id) {
    if (dialog == nullptr)
        return nullptr;
    for (QWidget* item : dialog_items(dialog)) {
        if (item->property(kControlIdProperty).isValid() && ControlIdOf(item) == id)
            return item;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------

CMyButton::CMyButton(QWidget* parent) : QWidget(parent) {
    // Owner-drawn and no tab stop; a click still gives it the focus, which
    // the pressed look asks for.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CMyButton::Attach(int id, QWidget* dialog, int mode, int divisor, int state) {
    if (!take_place(this, dialog, id, m_text))
        return false;
    m_core.Setup(mode, divisor, state);
    update();
    return true;
}

bool CMyButton::Attach(int id, QWidget* dialog, int normal, int selected, int focus, int disabled) {
    return attach_with_pictures(*this, id, dialog, m_text, normal, selected, focus, disabled);
}

void CMyButton::SetPictures(const ButtonPictures& pictures) {
    m_core.SetPictures(pictures);
    update();
}

void CMyButton::SetState(int state) {
    m_core.SetState(state);
    update();
}

void CMyButton::setText(const QString& text) {
    m_text = text;
    update();
}

QSize CMyButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 24, metrics.height() + 12};
}

bool CMyButton::event(QEvent* e) {
    if (loses_capture(e, this) && m_core.Pressed()) {
        m_core.CaptureLost();
        update();
    }
    return QWidget::event(e);
}

void CMyButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    gdi::QtCanvas dc(painter);
    dc.SelectFont(logfont_of(*this));
    m_core.Draw(dc, gdi::Rect(0, 0, width(), height()), m_text.toStdString(), isEnabled(),
                hasFocus());
}

void CMyButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    m_core.LButtonDown();
    update();
}

void CMyButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const CMyButtonCore::Release release =
        m_core.LButtonUp(rect().contains(e->position().toPoint()));
    if (release.clearGroup)
        clearGroup();
    update();
    if (release.report)
        post_command(this);
}

void CMyButton::clearGroup() {
    QWidget* dialog = parentWidget();
    if (dialog == nullptr)
        return;
    const std::vector<QWidget*> items = dialog_items(dialog);
    std::vector<DialogItemInfo> infos;
    std::size_t self = items.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
        QWidget* item = items[i];
        if (item == this)
            self = i;
        infos.push_back(
            {ControlIdOf(item), IsGroupStart(item), !item->isHidden(), item->isEnabledTo(dialog)});
    }
    for (std::size_t i : WalkDialogGroup(infos, self)) {
        auto* other = qobject_cast<CMyButton*>(items[i]);
        if (other != nullptr && other->GetState() == 1)
            other->SetState(0);
    }
}

// ---------------------------------------------------------------------------

CStateBitmapButton::CStateBitmapButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    // Hover needs the moves without a button held.
    setMouseTracking(true);
}

bool CStateBitmapButton::Attach(int id, QWidget* dialog, int normal, int selected, int focus,
                                int disabled) {
    return attach_with_pictures(*this, id, dialog, m_text, normal, selected, focus, disabled);
}

void CStateBitmapButton::SetPictures(const ButtonPictures& pictures) {
    m_core.SetPictures(pictures);
    update();
}

void CStateBitmapButton::SetState(int state) {
    setEnabled(m_core.SetState(state));
    repaint();
}

void CStateBitmapButton::setText(const QString& text) {
    m_text = text;
    update();
}

QSize CStateBitmapButton::sizeHint() const {
    const gdi::Bitmap& normal = m_core.Pictures()[kPictureNormal];
    const QFontMetrics metrics(font());
    const int text_width = m_text.isEmpty() ? 0 : metrics.horizontalAdvance(m_text) + 4;
    return {normal.Width() + text_width, std::max(normal.Height(), metrics.height())};
}

bool CStateBitmapButton::event(QEvent* e) {
    // An explicit disable is SetState's business; only the hover and the
    // press go with the mouse.
    if (loses_capture(e, this) && (m_core.Tracking() || m_core.Pressed()))
        apply(m_core.CaptureLost());
    return QWidget::event(e);
}

void CStateBitmapButton::apply(const CStateBitmapButtonCore::Effect& effect) {
    if (effect.enable)
        setEnabled(true);
    if (effect.takeCapture)
        grabMouse();
    if (effect.releaseCapture && QWidget::mouseGrabber() == this)
        releaseMouse();
    if (effect.repaint)
        update();
    if (effect.report)
        post_command(this);
}

void CStateBitmapButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    gdi::QtCanvas dc(painter);
    dc.SelectFont(logfont_of(*this));
    m_core.Draw(dc, gdi::Rect(0, 0, width(), height()), m_text.toStdString());
}

void CStateBitmapButton::mouseMoveEvent(QMouseEvent* e) {
    // Another window may have taken the mouse without telling.
    if (m_core.Tracking() && QWidget::mouseGrabber() != this)
        apply(m_core.CaptureLost());
    apply(m_core.MouseMove(rect().contains(e->position().toPoint())));
}

void CStateBitmapButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    apply(m_core.LButtonDown());
}

void CStateBitmapButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    apply(m_core.LButtonUp(rect().contains(e->position().toPoint())));
}

} // namespace shell::ui
