#include "shell/dialog_texts.h"

#include "resources/string_table.h"
#include "shell/language.h"

namespace shell {

QString DialogString(int dialog, int control, const char* builtin) {
    if (const auto text = DialogText(dialog, control))
        return QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
    return QString::fromUtf8(builtin);
}

QString StringText(int id) {
    const std::string_view text = resources::LoadString(id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace shell
