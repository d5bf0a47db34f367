#pragma once
// The file dialogs of the DSP editor's windows: Qt's Open and Save dialogs
// over a window, the filters given as "Description (*.ext)|*.ext|...||".
#include <QPointer>
#include <QWidget>

#include "dsp_editor/dsp_seams.h"

namespace dsp_editor::ui {

class CQtFileChooser final : public IFileChooser {
public:
    explicit CQtFileChooser(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    std::optional<std::string> ChooseSaveFile(std::string_view proposed,
                                              std::string_view filter) override;
    std::optional<std::string> ChooseOpenFile(std::string_view filter) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace dsp_editor::ui
