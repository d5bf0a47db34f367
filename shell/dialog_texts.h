#pragma once
// The windows' texts as Qt strings (QtCore only, so that every
// subsystem's windows share them): the installed language pack's
// [Dialog <id>] entry for a control (0 the caption), else the built-in
// Chinese text; and the string table's texts.
#include <QString>

#include <string_view>

namespace shell {

QString DialogString(int dialog, int control, const char* builtin);
// String `id` of the installed language (resources::LoadString).
QString StringText(int id);
// A UTF-8 text of the program as a Qt string.
inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
// The product's name, the title of the program's windows and boxes.
inline constexpr int kProductTitleString = 128;

} // namespace shell
