#pragma once
// CDspClipboardCommands: the DSP view's commands on the main frame's module
// clipboard (dsp_clipboard.h): copy, cut and paste of modules, and copy and
// paste of one module's parameters. The view owns it.
#include "model/base_ari_module.h"

namespace dsp_editor {

class CDspClipboard;
class CZoDSPView;

class CDspClipboardCommands {
public:
    explicit CDspClipboardCommands(CZoDSPView& view) : m_view(view) {}
    CDspClipboardCommands(const CDspClipboardCommands&) = delete;
    CDspClipboardCommands& operator=(const CDspClipboardCommands&) = delete;

    // The main frame's clipboard; null without one.
    CDspClipboard* Clipboard() const;
    // Copy (32805): the clipboard takes a copy of every selected algorithm
    // module (inputs and outputs are never copied) and is empty without
    // one.
    void OnEditCopy();
    // Cut (32782): copy, then delete; nothing while live or busy.
    void OnEditCut();
    // Paste (32784): a new module for each copy, selected alone, all in one
    // undo step, with new ids and names and the copy's parameters. The n-th
    // paste since the copy puts each one 20 x (n - 1) units down and to the
    // right of its copy's place, wrapping round inside the sheet's margins;
    // a module too big for the sheet goes to the margin. The execution
    // order and the program are then to be made again and the document is
    // modified. Nothing while live or while a download runs.
    void OnEditPaste();
    // Copy parameters (32785): the first selected module's parameters.
    void OnCopyParameters();
    // Paste parameters (32786): ParameterTarget() takes the copied
    // parameters as a merged parameter step, the unit getting them while
    // live; its binding group follows, its dialogs reload and the document
    // is modified. Nothing while a download runs.
    void OnPasteParameters();
    // The first selected module (array order) of the copied parameters'
    // type and variant; null when none or nothing was copied.
    model::CBaseAriModule* ParameterTarget() const;
    // The commands' rules: copy and cut an algorithm module selected and
    // not live; paste copies waiting and not live; copy parameters a module
    // selected; paste parameters a parameter copy waiting.
    bool CanCopy() const;
    bool CanPaste() const;
    bool CanCopyParameters() const;
    bool CanPasteParameters() const;

private:
    CZoDSPView& m_view;
};

} // namespace dsp_editor
