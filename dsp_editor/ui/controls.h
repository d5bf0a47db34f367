#pragma once
// What the DSP editor's dialogs share in building their controls: each is
// named "ctl<id>" after its control id (how the dialog and its tests find
// it), buttons are ones Enter does not press, texts come as UTF-8.
#include <QPushButton>
#include <QString>

#include <string_view>

#include "shell/dialog_texts.h"

namespace dsp_editor::ui {

inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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

} // namespace dsp_editor::ui
