#pragma once
// CZoDSPView: the logic of the view of one DSP document, without its widget:
// the document it shows, its command console (the view is the console's
// owner: the unit's model and the modules by execution number), the window
// it is shown in, the selection counts the status panes show, the undo and
// redo commands and the binding groups that follow a changed member. Its
// other jobs are objects it owns, each in the file named after it: the
// download and live state (CDspDownload, which the console's sender thread
// reaches), the zoom and scrolling (CDspZoom), the sheet templates
// (CDspSheetTemplates), the templates stored on the unit
// (CDspStoredTemplates), the module clipboard's commands
// (CDspClipboardCommands), the arrangement of the selected modules
// (CDspArrangement) and the mouse editing (CDspGestures).
//
// Everything but the sender's flags and posts runs on the user-interface
// thread.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "comm/dsp_console.h"
#include "dsp_editor/dsp_arrangement.h"
#include "dsp_editor/dsp_clipboard_commands.h"
#include "dsp_editor/dsp_download.h"
#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/dsp_sheet_templates.h"
#include "dsp_editor/dsp_stored_templates.h"
#include "dsp_editor/dsp_zoom.h"
#include "dsp_editor/zo_dsp_doc.h"

namespace dsp_editor {

class CDspGestures;

class CZoDSPView final : public comm::IConsoleOwner {
public:
    // The document outlives the view.
    explicit CZoDSPView(CZoDSPDoc& document) : m_document(document) {}
    CZoDSPView(const CZoDSPView&) = delete;
    CZoDSPView& operator=(const CZoDSPView&) = delete;

    CZoDSPDoc& GetDocument() const { return m_document; }
    comm::CDSPDlgShowCMD& Console() { return m_console; }

    // -- the jobs the view owns

    CDspDownload& Download() { return m_download; }
    const CDspDownload& Download() const { return m_download; }
    CDspZoom& Zoom() { return m_zoom; }
    const CDspZoom& Zoom() const { return m_zoom; }
    CDspSheetTemplates& SheetTemplates() { return m_sheetTemplates; }
    const CDspSheetTemplates& SheetTemplates() const { return m_sheetTemplates; }
    CDspStoredTemplates& StoredTemplates() { return m_storedTemplates; }
    const CDspStoredTemplates& StoredTemplates() const { return m_storedTemplates; }
    CDspArrangement& Arrangement() { return m_arrangement; }
    const CDspArrangement& Arrangement() const { return m_arrangement; }
    CDspClipboardCommands& ClipboardCommands() { return m_clipboard; }
    const CDspClipboardCommands& ClipboardCommands() const { return m_clipboard; }
    // The view's gesture controller, made on first use; GesturesIfMade()
    // is null until then.
    CDspGestures& Gestures();
    const CDspGestures* GesturesIfMade() const { return m_gestures.get(); }

    // -- the window

    // The window showing the view (not owned; taken away with null before it
    // goes). Without one nothing is repainted.
    void SetWindow(IDspViewWindow* window) {
        std::lock_guard lock(m_windowLock);
        m_window = window;
    }
    IDspViewWindow* Window() const { return m_window; }
    // Posts the call to the window for the user-interface thread; the call
    // runs only while the view still exists. Without a window it is dropped.
    // Any thread.
    void PostToWindow(std::function<void()> call);
    // The file dialogs (not owned; taken away with null before they go).
    // Without them no template is saved.
    void SetFileChooser(IFileChooser* chooser) { m_chooser = chooser; }
    IFileChooser* FileChooser() const { return m_chooser; }

    // -- console owner: the document's device model index, and the type of
    //    the module with that execution number
    int DeviceModelCode() const override;
    std::optional<int> ModuleTypeByOrder(int order) const override;

    // -- the selection as the status panes count it

    std::int32_t m_selectedModules = 0;
    std::int32_t m_selectedAriModules = 0; // of them, not input or output
    std::int32_t m_selectedLinks = 0;
    // Counts the document's selected modules and links afresh.
    void CountSelection();

    // The figures of the status panes: the first selected module's size
    // and position (none: the sheet's size at (0, 0)), the counts, the
    // totals, the id state as given.
    DspStatusFigures StatusFigures(bool idsSet) const;

    // -- Undo (32801) and Redo (32800): enabled while a step can be undone
    //    or redone

    bool CanUndo() const;
    bool CanRedo() const;
    void OnEditUndo();
    void OnEditRedo();

    // -- parameters and binding groups

    // Copies the source's parameters that differ into the destination (same
    // type and variant), queuing on this view's console the unit command
    // of each when `send` is set.
    void SendParameterChanges(const model::CBaseAriModule& source,
                              model::CBaseAriModule& destination, bool send);
    // After a change of the module's parameters: every other module of its
    // binding group (same type, variant and group number, which is not 0)
    // takes them, in array order, each as a parameter action in the current
    // undo step, with the unit commands while live; the dialogs showing a
    // member reload.
    void OnModuleChanged(const model::CBaseAriModule& module);
    // Reloads the open attribute dialogs showing the module: its own, and
    // for an input or output module its side's all-channels dialog.
    void RefreshDialogsOf(const model::CBaseAriModule& module);

    // -- live control (live_control.cpp)

    // The "set default values" command of the attribute dialogs, as one
    // operation: the module and `copy` (its undo after-copy, or null) take
    // the values of a new module of its type and variant, the unit getting
    // a command for each changed one while live; then its binding group
    // follows, its dialogs reload and the document is marked modified.
    void ResetModuleToDefaults(model::CBaseAriModule& module, model::CBaseAriModule* copy);
    // A meter reply, "<get command> <reply>", on the user-interface thread:
    // the sender's reply thread hands the text to the view's window, which
    // posts this call. Shows the level on the meters the read output feeds.
    // 1 when the text named a module, else 0 (a malformed reply is dropped).
    int OnMeterReply(std::string_view text);
    // Shows `dB` through ShowMeterLevel on the open dialogs of every meter
    // pin fed by output `pin` (from 0) of `tapped`; for an input module, on
    // those fed by its unit channel.
    void ShowMeterValue(const model::CBaseAriModule& tapped, double dB, std::int32_t pin);

    // -- attribute dialogs (module_dialogs.h): the document lists them, each
    //    module has at most one of its own and each side one for all its
    //    channels

    // Raises the module's open dialog (all channels: its side's), else
    // makes it through AttriDialogFactory(), captions it, puts it under the
    // module inside the view, lists and shows it. The dialog, or null when
    // the module has none.
    IAttriDialog* ShowAttriDialog(model::CBaseAriModule& module, bool allChannels);
    // A new captioned dialog of the module, neither placed, listed nor
    // shown; null when the module has none.
    IAttriDialog* OpenAttriDialog(model::CBaseAriModule& module, bool allChannels);
    // A closing dialog takes itself out of the document's list.
    void RemoveAttriDialog(std::int32_t moduleId, std::int32_t kind);
    // How a dialog's window was activated.
    static constexpr std::int32_t kDialogInactive = 0;
    static constexpr std::int32_t kDialogActive = 1;
    static constexpr std::int32_t kDialogClickActive = 2;
    // A dialog activated or deactivated. Clicked: this view becomes the
    // active one and the selection is the link, else the module (all
    // channels: every module of its side, ids 1-8 or 9-16), the property
    // panel and status panes following. Deactivated while another view is
    // the active one: the document's dialogs and the property panel hide.
    void SelectModuleFromDialog(std::int32_t activation, model::CBaseAriModule* module,
                                bool allChannels, model::CBaseLink* link);
    // Reloads, when the sheet has an input (output) module, the open dialog
    // of input (output) channel k from 0, or the all-inputs (all-outputs)
    // dialog: a channel's dialogs keep each other current this way.
    void RefreshInputDialog(std::int32_t k);
    void RefreshInputAllDialog();
    void RefreshOutputDialog(std::int32_t k);
    void RefreshOutputAllDialog();

private:
    CZoDSPDoc& m_document;
    IDspViewWindow* m_window = nullptr;
    IFileChooser* m_chooser = nullptr;
    // Guards m_window against the sender's posts while it is replaced.
    std::mutex m_windowLock;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);

    CDspDownload m_download{*this};
    CDspZoom m_zoom{*this};
    CDspSheetTemplates m_sheetTemplates{*this};
    CDspStoredTemplates m_storedTemplates{*this};
    CDspClipboardCommands m_clipboard{*this};
    CDspArrangement m_arrangement{*this};
    // Shared only so that this header needs no complete class to delete it.
    std::shared_ptr<CDspGestures> m_gestures;
    // Last: its sender thread, which asks the view's download object, ends
    // first.
    comm::CDSPDlgShowCMD m_console{this};
};

} // namespace dsp_editor
