#include "shell/ui/text_fit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>

#include <algorithm>

namespace shell::ui {

namespace {

int Flags(const QLabel& label) {
    return static_cast<int>(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
}

bool Fits(const QFont& font, const QLabel& label, const QString& text) {
    const QRect box = label.contentsRect();
    // Measured in a box of unbounded height, so that a wrapped text shows
    // how many lines it takes.
    const QRect needed =
        QFontMetrics(font).boundingRect(QRect(0, 0, box.width(), 1 << 16), Flags(label), text);
    return needed.width() <= box.width() && needed.height() <= box.height();
}

int PixelSize(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

} // namespace

bool TextFits(const QLabel& label, const QString& text) {
    return Fits(label.font(), label, text);
}

bool TextFits(const QLabel& label) {
    return TextFits(label, label.text());
}

void FitLabelText(QLabel& label, int smallest) {
    const QString text = label.text();
    if (text.isEmpty() || label.textFormat() == Qt::RichText || Fits(label.font(), label, text))
        return;
    QFont font = label.font();
    for (int pixels = PixelSize(font) - 1; pixels >= smallest; --pixels) {
        font.setPixelSize(pixels);
        if (Fits(font, label, text))
            break;
    }
    label.setFont(font);
}

void FitLabelTexts(QWidget& window, int smallest) {
    for (QLabel* label : window.findChildren<QLabel*>())
        FitLabelText(*label, smallest);
}

int CaptionWidth(const QWidget& window, const QString& title) {
    const QFont font = QApplication::font("QMdiSubWindowTitleBar");
    const int bar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    // The window's icon on the left, a dialog's two buttons (help or
    // minimise, close) on the right, and a margin each side of the text.
    const int room = std::max(bar, QFontMetrics(font).height()) * 3 + 16;
    return QFontMetrics(font).horizontalAdvance(title) + room;
}

void FitCaption(QWidget& window) {
    const int needed = CaptionWidth(window, window.windowTitle());
    QLayout* layout = window.layout();
    if (layout == nullptr) {
        // A window's largest size gives way to its title.
        if (window.maximumWidth() < needed)
            window.setMaximumWidth(needed);
        if (window.minimumWidth() < needed)
            window.setMinimumWidth(needed);
        if (window.width() < needed)
            window.resize(needed, window.height());
        return;
    }
    // A layout sizes its window (a fixed-size one over any minimum width
    // set on it): the title's width goes into the layout.
    const QMargins margins = layout->contentsMargins();
    const int inside = needed - margins.left() - margins.right();
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        grid->addItem(new QSpacerItem(inside, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    } else if (auto* column = qobject_cast<QVBoxLayout*>(layout)) {
        column->addStrut(inside);
    } else {
        window.setMinimumWidth(std::max(window.minimumWidth(), needed));
    }
}

} // namespace shell::ui
