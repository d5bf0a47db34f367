#pragma once
// The windows' texts as Qt strings (QtCore only, so that every
// subsystem's windows share them): the installed language pack's
// [Dialog <id>] entry for a control (0 the caption), else the built-in
// Chinese text; and the string table's texts.
#include <QString>

namespace shell {

QString DialogString(int dialog, int control, const char* builtin);
// String `id` of the installed language (resources::LoadString).
QString StringText(int id);
// The product's name, the title of the program's windows and boxes.
inline constexpr int kProductTitleString = 128;

} // namespace shell
