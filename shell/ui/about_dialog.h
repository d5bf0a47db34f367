#pragma once
// The About box: the program's picture, name, version, notice and product
// id in the installed language.
#include <QDialog>

namespace shell::ui {

inline constexpr int kAboutDialog = 100;

class CAboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

} // namespace shell::ui
