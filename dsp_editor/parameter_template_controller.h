#pragma once
// The parameter template dialog (341) without its window, and the view's
// two commands that run it: saving the first selected module's parameters
// as a template (33045) and loading a template into each selected module
// (33046). See parameter_templates.h for the files.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/parameter_templates.h"
#include "model/base_ari_module.h"

namespace dsp_editor {

class CZoDSPView;

// The dialog in save mode saves the module's parameters under a new name;
// in load mode it chooses a template for the module. It lists the
// templates of the module's type and variant, deletes them and shows one
// read-only in the module's attribute dialog; such viewers and the modules
// made for them belong to it and go with it.
class CParameterTemplateController {
public:
    // Controls, by the ids their texts have in the language packs.
    static constexpr int kDialog = 341;
    static constexpr int kCtlList = 1382;
    static constexpr int kCtlModuleName = 1189;
    static constexpr int kCtlModuleId = 1381;
    static constexpr int kCtlNewNameLabel = 1376;
    static constexpr int kCtlNewName = 1375;
    static constexpr int kCtlOk = 1378;
    static constexpr int kCtlCancel = 1379;
    static constexpr int kCtlDelete = 1015;
    static constexpr int kCtlView = 1228;

    enum EMode : int { kModeSave = 1, kModeLoad = 2 };
    // What OK leads to: the dialog stays, closes with OK, or closes as
    // cancelled (after a file could not be made).
    enum class EResult { Stay, Ok, Close };

    // The view and the module outlive the dialog; `folder` holds the
    // templates.
    CParameterTemplateController(CZoDSPView& view, EMode mode, model::CBaseAriModule& module,
                                 std::filesystem::path folder = ParameterTemplateFolder());
    // Destroys the viewers it opened, then their modules.
    ~CParameterTemplateController();
    CParameterTemplateController(const CParameterTemplateController&) = delete;
    CParameterTemplateController& operator=(const CParameterTemplateController&) = delete;

    EMode Mode() const { return m_mode; }
    const model::CBaseAriModule& Module() const { return m_module; }
    // The module's name and its id text (ModuleIdText).
    const std::string& ModuleName() const;
    std::string ModuleIdText() const;

    // Lists the templates of the module's type and variant, none chosen.
    void OnInitDialog();
    const std::vector<ParameterTemplateRow>& Rows() const { return m_rows; }
    // Chooses a row; -1 or a row outside the list: none. Delete and View
    // are enabled while one is chosen.
    void SelectRow(int row);
    int SelectedRow() const { return m_selected; }
    bool RowButtonsEnabled() const { return m_selected >= 0; }

    // The new template's name (save mode).
    std::string m_newName;

    // OK. Save mode: the name must not be empty (473) nor hold a forbidden
    // character (484), the name of a listed template asks 485 (No stays);
    // then the folder is made when missing (474 and Close on failure) and
    // the file written whole or not at all (476 with the system's error
    // number and Close on failure). Load mode: a row must be chosen (483);
    // its name and the path of its file become the choice. A refusal sets
    // FocusControl().
    EResult OnBnClickedOk();
    int FocusControl() const { return m_focus; }
    // What load mode chose: the template's name and its file.
    const std::string& ChosenName() const { return m_chosenName; }
    const std::filesystem::path& ChosenPath() const { return m_chosenPath; }

    // Delete (button 1015 or the Delete key in the list): with a row
    // chosen, asks 486; on Yes the row goes, the viewers opened from its
    // file are destroyed and the file is removed (477 when it is gone
    // already).
    void OnBnClickedDelete();
    // View parameters (1228): with a row chosen, reads its file (477 when
    // it is gone, 478 with the system's error number when it cannot be
    // read, then the checks of LoadParameterTemplate with the row's name),
    // and shows the module it holds in a view-only attribute dialog titled
    // "<type name>_<template name>".
    void OnBnClickedViewParams();

private:
    struct Viewer {
        std::unique_ptr<model::CBaseAriModule> module;
        IAttriDialog* dialog = nullptr;
        std::filesystem::path path;
    };

    const ParameterTemplateRow* Selected() const;
    EResult Refuse(int message);
    EResult Save();
    void DestroyViewers(const std::filesystem::path& path);

    CZoDSPView& m_view;
    EMode m_mode;
    model::CBaseAriModule& m_module;
    std::filesystem::path m_folder;
    std::vector<ParameterTemplateRow> m_rows;
    int m_selected = -1;
    int m_focus = 0;
    std::string m_chosenName;
    std::filesystem::path m_chosenPath;
    std::vector<Viewer> m_viewers;
};

// Save parameters (33045): the dialog in save mode for the first selected
// module, through the view's window. Nothing without a selected module.
void OnSaveAriModule(CZoDSPView& view);

// Load parameters (33046): for every selected module in sheet order, the
// dialog in load mode; the template chosen must be one for the module's
// type and variant (else the module is passed over). The module takes its
// parameters as a parameter step of the undo history (merged with the
// module's earlier change of the current step), the unit getting a command
// for each change while the sheet is live; its binding group follows, its
// open dialogs reload and the document is marked modified.
void OnLoadAriModule(CZoDSPView& view);

} // namespace dsp_editor
