#pragma once
// CFirmTemplateController: the dialog that stores the sheet to a template slot
// of the unit, without its window.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/stored_template_ini.h"
#include "dsp_editor/stored_templates.h"

namespace dsp_editor {

class CZoDSPDoc;
class CZoDSPView;

// The template dialog (245) without its window: the slot chosen, the two
// names and the path, the list of stored templates, and what its buttons
// do. The window shows these and forwards to it.
class CFirmTemplateController {
public:
    // Controls, by the ids their texts have in the language packs.
    static constexpr int kDialog = 245;
    static constexpr int kCtlList = 1330;
    static constexpr int kCtlSlot = 1331;
    static constexpr int kCtlStructName = 1332;
    static constexpr int kCtlParamName = 1333;
    static constexpr int kCtlPath = 1334;
    static constexpr int kCtlBrowse = 1015;
    static constexpr int kCtlReadFromDevice = 1228;

    // `chooser` may be null (no browsing).
    CFirmTemplateController(CZoDSPView& view, std::filesystem::path ini, IFileChooser* chooser);

    // The list from the ini: a row for each slot of the unit whose file
    // exists; a slot whose file is missing has its ini path emptied.
    void OnInitDialog();
    // Called after the list changed (a name reply); null: nobody.
    void SetRowsChanged(std::function<void()> changed) { m_rowsChanged = std::move(changed); }
    const std::vector<StoredTemplateRow>& Rows() const { return m_rows; }

    // Chooses a slot (1-8; another shows 227): a listed slot marks it
    // stored and fills the edits with its row (no path when its file is
    // missing); another empties them.
    void OnSelectSlot(int slot);
    int Slot() const { return m_slot; }
    bool SlotStored() const { return m_slotStored; }

    // The edits.
    std::string m_structName;
    std::string m_paramName;
    std::string m_path;

    // The browse button: a Save dialog for a ".dmu" file proposing the
    // document's title; the path chosen goes into m_path.
    void OnBrowse();
    // Asks the unit for the names in its slots: "*GETNM01#" .. "*GETNM08#"
    // on the store queue.
    void OnBnClickedReadFromDevice();
    // A reply "GETNM<slot><structure name><parameter name>", with a "*"
    // before and a "#" after or not, the names 12 characters each: the
    // row of the slot takes the names (blanks after them dropped), or a row
    // is added. A shorter reply or a slot outside 1-8 is ignored. Whether
    // the list changed.
    bool OnNameReply(std::string_view text);

    // OK: the checks (227; 228, 214, 344; 346; 230, 229, 345; 224), each
    // failing one shown with FocusControl() set to its edit; over a stored
    // slot, question 226 (No keeps the dialog); then the document takes the
    // slot and names, is written to the path as a copy (it keeps its own
    // path; 225 on failure) and is marked modified. Whether the dialog
    // closes.
    bool OnOK();
    int FocusControl() const { return m_focus; }

    // Whether every other slot of the unit whose structure name is `name`
    // holds a sheet of the same structure as the document (286 when one
    // cannot be opened, 287 without a DSP document type). A name of 0 or
    // more than 12 characters fails.
    bool CheckStructure(std::string_view name) const;
    // Both stored to slots 0-8, with the same execution orders, each the
    // same type and variant, and the same links (ends and pins) apart from
    // those into meters.
    static bool IsSameStructure(const CZoDSPDoc& a, const CZoDSPDoc& b);

private:
    StoredTemplateRow* RowOf(int slot);
    bool Refuse(int message, int control);

    CZoDSPView& m_view;
    CZoDSPDoc& m_doc;
    std::filesystem::path m_ini;
    IFileChooser* m_chooser;
    std::vector<StoredTemplateRow> m_rows;
    std::function<void()> m_rowsChanged;
    int m_slot = 0;
    bool m_slotStored = false;
    int m_focus = 0;
};

} // namespace dsp_editor
