#pragma once
// What the DSP editor's dialogs share in building their controls: each is
// named "ctl<id>" after its control id (how the dialog and its tests find
// it), buttons are ones Enter does not press, texts come as UTF-8.
#include <QKeyEvent>
#include <QPushButton>
#include <QString>

#include <string_view>

#include "shell/dialog_texts.h"

namespace dsp_editor::ui {

using shell::FromUtf8;

template <class T> T* Named(T* widget, int id) {
    widget->setObjectName(QStringLiteral("ctl%1").arg(id));
    return widget;
}

// A button of dialog `dialog` with its text in the installed language.
inline QPushButton* Button(QWidget* owner, int dialog, int id, const char* builtin) {
    auto* button = Named(new QPushButton(shell::DialogString(dialog, id, builtin), owner), id);
    button->setAutoDefault(false);
    return button;
}

// Whether a dialog whose edits apply on Enter takes `event` away from the
// dialog's own handling: Enter and Escape neither press a button nor close
// it.
inline bool SwallowEnterAndEscape(QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event.accept();
        return true;
    default:
        return false;
    }
}

} // namespace dsp_editor::ui
