#pragma once
// The stored-template selection (dialog 244) without its window: the units
// that have templates stored, the templates of the chosen unit, a preview of
// the chosen template's sheet, the registration of further template files
// (.dmu) for a unit, and the confirmation of the switch that the main frame
// then carries out with the chosen unit and slot.
//
// The lists come from the stored templates' records in the ini file
// (stored_templates.h); a record naming a file that is gone is emptied
// whenever a list is filled.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/store_program.h"
#include "dsp_editor/stored_template_ini.h"

namespace dsp_editor {

class CZoDSPDoc;

// A copy of `source` for drawing, tied to no frame: the sheet's settings,
// template slot and names, every module made anew through AddModule at the
// source's place (with its id, names, pins' connections and, for input and
// output modules, hidden flag; its parameters stay at their defaults), every
// link through AddLink, the id and name counters; nothing selected. The
// resource checks of the additions show nothing: a template over the unit's
// limits is still shown. Null for a null source.
std::unique_ptr<CZoDSPDoc> CopySheetForPreview(const CZoDSPDoc* source);

class CSelectTemplateController {
public:
    // Controls, by the ids their texts have in the language packs.
    static constexpr int kDialog = 244;
    static constexpr int kCtlSwitch = 1;
    static constexpr int kCtlCancel = 2;
    static constexpr int kCtlAddTemplate = 1015;
    static constexpr int kCtlUnits = 1017;
    static constexpr int kCtlTemplates = 1018;
    static constexpr int kCtlPreview = 1222;
    static constexpr int kCtlReadFromDevice = 1337;
    // Column headers, string-table texts.
    static constexpr int kColumnUnitName = 278;
    static constexpr int kColumnUnitMac = 280;
    static constexpr int kColumnSlot = 232;
    static constexpr int kColumnStructName = 233;
    static constexpr int kColumnParamName = 234;
    static constexpr int kColumnPath = 235;

    // `chooser` may be null (no files to add); `frame` may be null (no
    // recent-file list, the DSP document type taken as present).
    CSelectTemplateController(std::filesystem::path ini, IFileChooser* chooser,
                              IDspMainFrame* frame);
    ~CSelectTemplateController();
    CSelectTemplateController(const CSelectTemplateController&) = delete;
    CSelectTemplateController& operator=(const CSelectTemplateController&) = delete;

    // Fills the unit list and chooses its first unit, when there is one.
    void OnInitDialog();
    // The units listed in the ini (MACs in lower case, each once) that have
    // at least one template whose file exists, in list order.
    void FillUnits();
    // The templates of `mac` whose files exist, by slot.
    void FillTemplates(std::string_view mac);
    const std::vector<std::string>& Units() const { return m_units; }
    const std::vector<StoredTemplateRow>& Templates() const { return m_templates; }

    // A click on a row of the unit list: that unit is chosen and its
    // templates are listed; no template of it is chosen yet. Another row
    // (none) is ignored.
    void OnClickUnit(int row);
    // A click on a row of the template list: its slot is chosen and the
    // preview shows its sheet, or nothing when the file does not open
    // (message 286). Another row (none) is ignored.
    void OnClickTemplate(int row);
    // Registers a template file for its unit: an Open dialog for a ".dmu";
    // another name shows 285 and is tried all the same. 287 without a DSP
    // document type, 286 when the file does not open, 289 when it is stored
    // for no slot 1-8, 283 when its unit MAC is not a unit's, 290 when the
    // unit's slot is taken (ini unchanged). Otherwise the ini records it and
    // its unit becomes the chosen one, its templates listed.
    void OnBnClickedAddTemplate();
    // Confirms the switch: 227 without a slot, 283 without a unit's MAC
    // (the dialog stays); then the preview goes and question 284 is asked:
    // whether it was answered Yes and the dialog closes.
    bool OnOK();
    void OnCancel();

    // The choice: the unit's MAC (lower case) and its slot (0: none).
    const std::string& Mac() const { return m_mac; }
    int Slot() const { return m_slot; }
    // The rows of the choice in the lists, -1 when not listed.
    int SelectedUnit() const;
    int SelectedTemplate() const;

    // The sheet the preview shows, or null.
    const CZoDSPDoc* PreviewDocument() const { return m_preview.get(); }
    // Called with the new preview sheet (or null) before the previous one
    // is destroyed, so that nothing draws a destroyed sheet; null: nobody.
    void SetPreviewChanged(std::function<void(const CZoDSPDoc*)> changed) {
        m_previewChanged = std::move(changed);
    }

private:
    // Chooses the unit (another than the chosen one loses the slot and the
    // preview) and lists its templates.
    void ChooseUnit(const std::string& mac);
    void SetPreview(std::unique_ptr<CZoDSPDoc> preview);
    void CleanRecentFiles();

    std::filesystem::path m_ini;
    IFileChooser* m_chooser;
    IDspMainFrame* m_frame;
    std::vector<std::string> m_units;
    std::vector<StoredTemplateRow> m_templates;
    std::string m_mac;
    int m_slot = 0;
    std::unique_ptr<CZoDSPDoc> m_preview;
    std::function<void(const CZoDSPDoc*)> m_previewChanged;
};

} // namespace dsp_editor
