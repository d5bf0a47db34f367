#pragma once
// The dialogs' owner-drawn push buttons as widgets: CMyButton (the lamp
// button) and CStateBitmapButton (the picture button with a hover look).
// Their rules live in shell/my_button.h; these windows paint them and
// forward the mouse.
//
// Dialog items. A dialog finds its controls by control id, as the dialog
// code has always done. A control's id is the dynamic property "controlId"
// (int) of a direct child widget of the dialog; several children may share
// an id, and FindDialogItem answers the first in the dialog's child order.
// A radio group begins at a child whose dynamic property "groupStart"
// (bool) is true, and runs in child order up to the next such child; the
// dialog's first child begins a group anyway. Placeholders in a dialog are
// ordinary widgets carrying these properties; Attach puts the button in a
// placeholder's place (same child order, geometry, layout slot, caption,
// font, id, group start, enabled and hidden state) and deletes it.
//
// A completed click reaches the dialog as Command(control id, BN_CLICKED,
// the button), posted: it arrives from the event loop after the mouse
// handler has returned, so a dialog may close or delete the button in it.
#include <QString>
#include <QWidget>

#include "shell/my_button.h"

namespace shell::ui {

inline constexpr char kControlIdProperty[] = "controlId";
inline constexpr char kGroupStartProperty[] = "groupStart";

void SetControlId(QWidget* item, int id);
// The item's control id; `none` when it carries none.
int ControlIdOf(const QWidget* item, int none = 0);
void SetGroupStart(QWidget* item, bool start);
bool IsGroupStart(const QWidget* item);
// The first direct child of `dialog` with that control id, or null.
QWidget* FindDialogItem(QWidget* dialog, int id);

class CMyButton : public QWidget {
    Q_OBJECT
public:
    explicit CMyButton(QWidget* parent = nullptr);

    // Takes the place of the dialog item `id` of `dialog` as a lamp button
    // with that mode (1 push, 2 toggle, 3 radio), frame divisor and state.
    // False, and nothing changes, when the dialog has no such item.
    bool Attach(int id, QWidget* dialog, int mode, int divisor, int state);
    // The same with four pictures (bitmap resource ids: normal, selected,
    // focus, disabled) shown in place of the lamp; the mode stays as it was.
    // False when the dialog has no such item or a picture is unknown.
    bool Attach(int id, QWidget* dialog, int normal, int selected, int focus, int disabled);
    void SetPictures(const ButtonPictures& pictures);

    // Shows the state (0 off, 1 on; with pictures also 3 disabled). No
    // command is sent.
    void SetState(int state);
    int GetState() const { return m_core.State(); }
    void SetMode(int mode) { m_core.SetMode(mode); }
    int GetMode() const { return m_core.Mode(); }
    int GetDivisor() const { return m_core.Divisor(); }

    void setText(const QString& text);
    QString text() const { return m_text; }

    QSize sizeHint() const override;

signals:
    void Command(int controlId, int notifyCode, QWidget* control);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool replace(int id, QWidget* dialog);
    void clearGroup();

    CMyButtonCore m_core;
    QString m_text;
};

class CStateBitmapButton : public QWidget {
    Q_OBJECT
public:
    explicit CStateBitmapButton(QWidget* parent = nullptr);

    // Takes the place of the dialog item `id` of `dialog` with the four
    // pictures (bitmap resource ids: normal, selected, focus, disabled).
    // False, and nothing changes, when the item or a picture is missing.
    bool Attach(int id, QWidget* dialog, int normal, int selected, int focus, int disabled);
    void SetPictures(const ButtonPictures& pictures);

    // 0 normal, 1 selected, 2 hover enable the button; 3 disables it; any
    // other value enables it and shows 0. Repaints at once.
    void SetState(int state);
    int GetState() const { return m_core.State(); }

    void setText(const QString& text);
    QString text() const { return m_text; }

    QSize sizeHint() const override;

signals:
    void Command(int controlId, int notifyCode, QWidget* control);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void apply(const CStateBitmapButtonCore::Effect& effect);

    CStateBitmapButtonCore m_core;
    QString m_text;
};

} // namespace shell::ui
