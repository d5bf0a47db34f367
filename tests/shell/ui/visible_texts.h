#pragma once
// What a window shows of its own words, for the language checks: the texts
// of its visible labels, buttons (the program's lamp buttons too), group
// boxes and list boxes' entries, and its title when asked.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

#include <set>
#include <string>
#include <vector>

#include "shell/ui/my_button_widget.h"

namespace gui_test {

// `names` are texts the program shows alike in every language (the filter
// types, the switches' "On" and "Off"); they are left out.
inline std::vector<std::string> VisibleTexts(const QWidget& window, bool withTitle,
                                             const std::set<std::string>& names = {}) {
    std::vector<std::string> texts;
    const auto add = [&](const QString& text) {
        const std::string utf8 = text.toStdString();
        if (!utf8.empty() && !names.contains(utf8))
            texts.push_back(utf8);
    };
    if (withTitle)
        add(window.windowTitle());
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            add(label->text());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            add(button->text());
        else if (const auto* group = qobject_cast<const QGroupBox*>(widget))
            add(group->title());
        else if (const auto* lamp = qobject_cast<const shell::ui::CMyButton*>(widget))
            add(lamp->text());
        else if (const auto* list = qobject_cast<const QComboBox*>(widget))
            for (int i = 0; i < list->count(); ++i)
                add(list->itemText(i));
    }
    return texts;
}

} // namespace gui_test
