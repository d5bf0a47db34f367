#pragma once
// A window's texts: the installed language pack's [Dialog <id>] entry for
// a control (0 the caption), else the built-in Chinese text.
#include <QString>

namespace shell::ui {

QString DialogString(int dialog, int control, const char* builtin);

} // namespace shell::ui
