#pragma once
// CDspSheetTemplates: the DSP view's sheet templates (.dmu): the whole
// sheet saved under a name of its own, and a template loaded in place of
// the sheet. The view owns it.
#include <filesystem>
#include <string>
#include <string_view>

namespace dsp_editor {

class CZoDSPView;


// The file dialogs' filter for sheet templates.
inline constexpr std::string_view kTemplateFilter = "DSP Template Files (*.dmu)|*.dmu||";

// The path with ".dmu" appended unless it ends in it already (in any case).
std::string WithTemplateSuffix(std::string_view path);

class CDspSheetTemplates {
public:
    explicit CDspSheetTemplates(CZoDSPView& view) : m_view(view) {}
    CDspSheetTemplates(const CDspSheetTemplates&) = delete;
    CDspSheetTemplates& operator=(const CDspSheetTemplates&) = delete;

    // Save as template (32959): the whole document in its file form under a
    // name chosen in a Save dialog (proposed: the title without " *"),
    // ".dmu" appended when missing, with template slot 0 whatever slot the
    // sheet was stored to on the unit. The file is replaced only once the
    // new one is complete (message 349 when that fails). The document, its
    // modified flag included, stays as it was. Whether a file was written.
    bool SaveAsTemplate();
    // Replaces the sheet with the template's modules, links, size, counters
    // and hidden-modules flag as one undo step; the modules keep the
    // template's ids, names, labels, parameters and pins, and take this
    // document's device model. Open attribute dialogs are destroyed and the
    // property panel closed. The resource check runs once the sheet is
    // complete (the messages 306 and 307 come at most once); the execution
    // order is to be assigned again. Marks the document modified. False,
    // with the document untouched and nothing recorded, when the file cannot
    // be read or is not a sheet (the caller says so). Refusing while live is
    // the caller's.
    bool LoadTemplate(const std::filesystem::path& path);
    // Load a sheet template file (32960): an Open dialog for ".dmu" files;
    // another name gives 285, a file the loader refuses 310.
    void OnLoadTemplateFile();
    // The load command's state: not live.
    bool CanLoadTemplateFile() const;

private:
    CZoDSPView& m_view;
};

} // namespace dsp_editor
