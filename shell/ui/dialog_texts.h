#pragma once
// A window's texts: the installed language pack's [Dialog <id>] entry for
// a control (0 the caption), else the built-in Chinese text; and the
// string table's texts as Qt strings.
#include <QString>

namespace shell::ui {

QString DialogString(int dialog, int control, const char* builtin);
// String `id` of the installed language (resources::LoadString).
QString StringText(int id);
// The product's name, the title of the program's windows and boxes.
inline constexpr int kProductTitleString = 128;

} // namespace shell::ui
