#include "dsp_editor/ui/file_chooser.h"

#include <QFileDialog>
#include <QStringList>

#include "dsp_editor/ui/controls.h"

namespace dsp_editor::ui {

namespace {

// "Description (*.ext)|*.ext|...||" as Qt's filter list.
QString QtFilter(std::string_view filter) {
    const QStringList parts = FromUtf8(filter).split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i];
    return filters.join(";;");
}

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

} // namespace

std::optional<std::string> CQtFileChooser::ChooseSaveFile(std::string_view proposed,
                                                          std::string_view filter) {
    return Chosen(
        QFileDialog::getSaveFileName(m_parent, QString(), FromUtf8(proposed), QtFilter(filter)));
}

std::optional<std::string> CQtFileChooser::ChooseOpenFile(std::string_view filter) {
    return Chosen(QFileDialog::getOpenFileName(m_parent, QString(), QString(), QtFilter(filter)));
}

} // namespace dsp_editor::ui
