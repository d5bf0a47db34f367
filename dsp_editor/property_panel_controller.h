#pragma once
// CPropertyPanelController: the property panel of one DSP view without its window.
// It lists the sheet, the modules and the links, shows the display
// properties of the chosen one (sheet size and colour, a module's caption
// and type colour, a link's width and colour) for editing, and read-only
// facts about it (type, execution order, resource share, connections) on
// its algorithm tab. Choosing an entry selects that object in the view, and
// the view tells the panel what it selects.
//
// Edits change the document at once and mark it modified; none is an undo
// step. "Save as default" writes the program's ini file, which new modules,
// links and sheets take their display properties from.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/gdi_types.h"

namespace model {
class CBaseAriModule;
class CBaseLink;
} // namespace model

namespace dsp_editor {

class CZoDSPView;

// The panel's window as its controller sees it.
class IPropertyPanelWindow {
public:
    virtual ~IPropertyPanelWindow() = default;
    // Shows the controller's entries, current entry, field texts, swatches
    // and property table again.
    virtual void Refresh() = 0;
};

class CPropertyPanelController {
public:
    static constexpr int kTemplate = 162;

    // Controls, by their ids.
    enum EControl : int {
        kCtlObjects = 1178,
        kCtlProperties = 1179,
        kCtlTabs = 1180,
        kCtlLinkWidth = 1182,
        kCtlSheetWidth = 1184,
        kCtlCaption = 1189,
        kCtlSheetHeight = 1190,
        kCtlTypeColour = 1193,
        kCtlSheetColour = 1194,
        kCtlLinkColour = 1195,
        kCtlLoadInitial = 1196,
        kCtlSaveDefault = 1053,
    };
    enum class ETab { Display = 0, Algorithm = 1 };
    enum class EShown { Sheet, Module, Link };

    // The property list of the algorithm tab: column titles, then rows of
    // as many cells.
    struct Table {
        std::vector<std::string> columns;
        std::vector<std::vector<std::string>> rows;
    };

    // The view outlives the panel.
    explicit CPropertyPanelController(CZoDSPView& view);
    CPropertyPanelController(const CPropertyPanelController&) = delete;
    CPropertyPanelController& operator=(const CPropertyPanelController&) = delete;

    // The window (not owned; taken away with null before it goes).
    void SetWindow(IPropertyPanelWindow* window) { m_window = window; }
    CZoDSPView& View() const { return m_view; }

    // Fills the object list ("Sheet", every module's name, "Link-<id>" of
    // every link, in array order) and the field texts: sheet width and
    // height, caption "Channel1". The sheet is shown.
    void OnInitDialog();

    // -- the object list

    const std::vector<std::string>& Entries() const { return m_entries; }
    // The entry shown; -1 when none is.
    int CurrentEntry() const { return m_current; }
    // Select the entry with that object's text and show the object.
    void SelectSheet();
    void SelectModule(const model::CBaseAriModule& module);
    void SelectLink(const model::CBaseLink& link);
    // Append the entry and select it.
    void AddModule(const model::CBaseAriModule& module);
    void AddLink(const model::CBaseLink& link);
    // Removes the entry with that text, if any.
    void RemoveEntry(std::string_view text);
    // After a delete: drops the entries whose object is gone. The sheet and
    // the input and output modules, which cannot be deleted, always stay.
    void RebuildAfterDelete();
    // The user chose entry `index`: the view's selection becomes that object
    // (none for the sheet), the status panes and the view follow, and the
    // object is shown.
    void OnSelChangeObject(int index);

    // -- what is shown

    EShown Shown() const;
    model::CBaseAriModule* ShownModule() const;
    model::CBaseLink* ShownLink() const;
    ETab Tab() const { return m_tab; }
    // Switching tabs shows the current object again.
    void OnSelChangeTab(ETab tab);
    // The display tab's edit fields and swatches of the shown object's kind
    // and the two buttons are visible on it; the algorithm tab shows the
    // property list instead.
    bool IsControlVisible(int control) const;
    // The algorithm tab's property list of the shown object.
    Table PropertyTable() const;

    // -- edit fields

    // The text of an edit field (link width, sheet width, caption, sheet
    // height).
    const std::string& FieldText(int control) const;
    // The text changed (the field's change notification): a number field or
    // the caption acts only when the text holds a carriage return, the
    // Enter key of a multi-line field; each one goes with the character
    // after it. Other texts are only kept.
    void OnFieldChange(int control, std::string text);
    // The field lost the focus: it acts on its text.
    void OnFieldKillFocus(int control);

    // -- colours

    // The colour a swatch paints: the shown module's type colour, the sheet
    // colour, the shown link's colour (0 when no such object is shown).
    model::COLORREF SwatchColour(int control) const;
    // The colour dialog of a swatch closed with OK on `colour`.
    void OnSwatchColour(int control, model::COLORREF colour);

    // -- the buttons, each after an OK/Cancel question

    // The shown object's display properties at their initial values.
    void OnLoadInitialValues();
    // The shown object's display properties become the defaults in the ini
    // file; a module's type colour also goes to every module of its type.
    void OnSaveAsDefault();
    // The ini file written; empty: the program folder's Ostrel.ini (then
    // the program's settings are read again from it).
    std::filesystem::path m_iniPath;

private:
    void Show();
    void SelectEntry(std::string_view text);
    void Repaint() const;
    void Changed() const;
    // The number or caption field acts on its text.
    void Apply(int control);
    std::string* Field(int control);

    CZoDSPView& m_view;
    IPropertyPanelWindow* m_window = nullptr;
    std::vector<std::string> m_entries;
    int m_current = -1;
    ETab m_tab = ETab::Display;
    // The shown object by id; none for the sheet.
    std::optional<std::int32_t> m_moduleId;
    std::optional<std::int32_t> m_linkId;
    // The edit fields' texts by control.
    std::map<int, std::string> m_fields = {
        {kCtlLinkWidth, ""}, {kCtlSheetWidth, ""}, {kCtlCaption, ""}, {kCtlSheetHeight, ""}};
};

} // namespace dsp_editor
