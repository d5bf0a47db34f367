#pragma once
// The stored-template selection dialog (244): a unit and one of its stored
// templates, with the template's sheet previewed. Shows a
// CSelectTemplateController and forwards what the user does.
#include <QDialog>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dsp_editor/select_template_controller.h"
#include "shell/dsp_of_device.h"

class QTableWidget;

namespace shell::ui {
class CStaticPreviewAriTemplate;
}

namespace dsp_editor::ui {

// Modal; each control is named "ctl<id>". The two lists and the preview
// take the dialog's width; the preview takes what height is left. Switch
// closes only when the controller's OnOK lets it.
class CDSPDlgSelectAriTemplate final : public QDialog {
    Q_OBJECT
public:
    // Fills the lists from the controller (whose OnInitDialog has run).
    explicit CDSPDlgSelectAriTemplate(CSelectTemplateController& controller,
                                      QWidget* parent = nullptr);
    ~CDSPDlgSelectAriTemplate() override;

    void accept() override;
    void reject() override;

private:
    class CPreviewSheet;

    // Shows the controller's lists and its choice in them.
    void ShowLists();
    void ShowPreview(const CZoDSPDoc* sheet);

    CSelectTemplateController& m_controller;
    QTableWidget* m_units = nullptr;
    QTableWidget* m_templates = nullptr;
    shell::ui::CStaticPreviewAriTemplate* m_preview = nullptr;
    std::unique_ptr<CPreviewSheet> m_sheet;
    // What the lists show, so that a list is refilled only when it changed.
    std::vector<std::string> m_shownUnits;
    std::vector<StoredTemplateRow> m_shownTemplates;
};

// What the main frame's template selection (32956) runs: the dialog over a
// controller reading and writing `ini` (Ostrel.ini), files added through an
// Open dialog; the chosen unit and slot when it closed with Switch, else
// none. `frame` may be null.
std::optional<shell::CTemplateChoice>
RunSelectTemplateDialog(QWidget* parent, const std::filesystem::path& ini, IDspMainFrame* frame);

} // namespace dsp_editor::ui
