#pragma once
// What the device editor's dialogs share: their texts by dialog and control
// id, the conversion back to UTF-8 (shell::FromUtf8 goes the other way),
// and the OK and Cancel buttons.
#include <string>
#include <string_view>

#include <QString>

#include "shell/dialog_texts.h"

class QDialog;
class QKeyEvent;
class QDialogButtonBox;

namespace device_editor::ui {

// The ids the OK and Cancel buttons' texts have in every dialog.
inline constexpr int kOkControl = 1;
inline constexpr int kCancelControl = 2;

std::string ToUtf8(const QString& text);
// The dialog's text of `control` (0 the caption) in the installed language.
QString DialogText(int dialog, int control, const char* builtin);
// An OK and Cancel box wired to the dialog's accept and reject; OK has the
// text `okText` (else "确定").
QDialogButtonBox* OkCancelButtons(QDialog& dialog, int dialogId, const char* okText = "确定");
// Takes Enter and Escape, which end a dialog by default, for a dialog that
// only its close box ends; false for any other key.
bool TakeEnterAndEscape(QKeyEvent& event);

} // namespace device_editor::ui
