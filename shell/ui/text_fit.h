#pragma once
// Texts that fit their boxes in every language: the boxes of the dialogs
// are laid out in pixels for the built-in texts, and a pack's text may be
// wider. These measure with the widget's own font.
#include <QString>

class QLabel;
class QWidget;

namespace shell::ui {

// Whether `text`, laid out as `label` lays it out (its alignment and word
// wrapping), fits inside the label's box with its font.
bool TextFits(const QLabel& label, const QString& text);
bool TextFits(const QLabel& label);

// Makes the label's font smaller, a pixel at a time down to `smallest`
// pixels, until its text fits its box. A text that fits keeps the font.
void FitLabelText(QLabel& label, int smallest = 8);
// FitLabelText for every label of `window` that has a text.
void FitLabelTexts(QWidget& window, int smallest = 8);

// The width a top-level window needs so that a title bar shows `title`
// whole: the text in the title font and room for the bar's icon and
// buttons.
int CaptionWidth(const QWidget& window, const QString& title);
// Makes `window` at least CaptionWidth of its title wide: through its
// layout when it has one (call it once the layout holds its items), else
// through its minimum width.
void FitCaption(QWidget& window);

} // namespace shell::ui
