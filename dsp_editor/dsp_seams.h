#pragma once
// What the DSP document and its view need of their neighbours, as small
// interfaces: the main frame (what it hands to a new sheet, where the device
// sheet is stored, which DSP view is active, the DSP status panes, the
// recent-file list), the open attribute dialogs, the view's window, the file
// dialogs and the undo history. The program implements them over its windows
// and its history; tests script them.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/gdi_types.h"

namespace model {
class CBaseAriModule;
class CBaseLink;
} // namespace model

namespace comm {
class CDSPDlgDownloadProgress;
} // namespace comm

namespace dsp_editor {

class CFirmTemplateController;
class CParameterTemplateController;
class CDspClipboard;
class CZoDSPDoc;
class CZoDSPView;

// The figures of the DSP status panes: the selected module's size and
// position, the module and link counts with the selected ones, whether the
// execution order is set, and the space and time totals (the frame turns
// them into percentages of the unit's limits).
struct DspStatusFigures {
    model::Size size;
    model::Point position;
    std::int32_t modules = 0;
    std::int32_t selectedModules = 0;
    std::int32_t links = 0;
    std::int32_t selectedLinks = 0;
    bool idsSet = false;
    std::int32_t spaceUsed = 0;
    std::int32_t timeUsed = 0;

    friend bool operator==(const DspStatusFigures&, const DspStatusFigures&) = default;
};

// The main frame as the DSP document sees it.
class IDspMainFrame {
public:
    virtual ~IDspMainFrame() = default;
    // The unit MAC and device model index the frame holds for the DSP
    // document being created.
    virtual std::string NewSheetMac() const = 0;
    virtual std::int32_t NewSheetModel() const = 0;
    // The path of the device sheet's file; empty while it has never been
    // saved.
    virtual std::string DeviceDocumentPath() const = 0;
    // The view of the active MDI child when that child shows a DSP sheet,
    // else null. A frame that never shows DSP sheets keeps this default.
    virtual CZoDSPView* ActiveDspView() const { return nullptr; }
    // Shows the figures in the DSP status panes; a frame without them
    // ignores the call.
    virtual void ShowDspStatus(const DspStatusFigures& figures) { (void)figures; }
    // The run-state pane of the active DSP sheet: running or stopped.
    virtual void SetRunState(bool on) { (void)on; }
    // Drops from the recent-file list what the program does not open as a
    // document (a template read or written through the document's file
    // form lands there too); a frame without the list ignores the call.
    virtual void CleanRecentFiles() {}
    // The views of every open DSP sheet, or none when the program has no
    // DSP sheet document type to find them by. A frame that never shows
    // DSP sheets keeps this default: none open.
    virtual std::optional<std::vector<CZoDSPView*>> OpenDspViews() const {
        return std::vector<CZoDSPView*>{};
    }
    // The program's module clipboard, shared by every DSP view and kept
    // while sheets close; a frame without one keeps this default and the
    // views copy and paste nothing.
    virtual CDspClipboard* Clipboard() const { return nullptr; }
};

// What the view's logic asks of the window that shows it.
class IDspViewWindow {
public:
    virtual ~IDspViewWindow() = default;
    // Repaints the whole sheet area.
    virtual void Repaint() = 0;
    // Rebuilds the property panel from the document when the panel is shown.
    virtual void UpdatePropertyPanel() = 0;
    // Closes the property panel when it is shown; a window without one
    // keeps this default.
    virtual void ClosePropertyPanel() {}
    // Runs `call` on the user-interface thread later, in the order posted;
    // the view's sender thread hands its requests over this way. A window
    // that goes may drop the calls still queued. This default runs the
    // call at once, for a window that shares no thread with a sender.
    virtual void Post(std::function<void()> call) { call(); }
    // The download progress dialog: shown or moved to the progress' total
    // and position, or closed (null).
    virtual void ShowDownloadProgress(const comm::CDSPDlgDownloadProgress* progress) {
        (void)progress;
    }
    // The arrow cursor again, after a download's wait cursor.
    virtual void RestoreArrowCursor() {}
    // Shows the template dialog modally over its controller; whether it
    // closed with OK. A window without it keeps this default: cancelled.
    virtual bool RunFirmTemplateDialog(CFirmTemplateController& dialog) {
        (void)dialog;
        return false;
    }
    // Shows the parameter template dialog modally over its controller
    // (which it starts); whether it closed with OK. A window without it
    // keeps this default: cancelled.
    virtual bool RunSaveAriAttriDialog(CParameterTemplateController& dialog) {
        (void)dialog;
        return false;
    }

    // -- the mouse editing's side of the window (dsp_gestures.h). Points and
    //    rectangles are client pixels unless named sheet ones. A window
    //    without mouse editing keeps these defaults.

    // The cursors the editing chooses; the drop (217) and move (218)
    // cursors are the program's own pictures.
    enum ECursor : std::int32_t {
        kCursorArrow = 0,
        kCursorWait = 1,
        kCursorCross = 2,
        kCursorNo = 3,
        kCursorDrop = 217,
        kCursorMove = 218,
    };
    // Takes the mouse, gives it back, and whether the window holds it.
    virtual void SetCapture() {}
    virtual void ReleaseCapture() {}
    virtual bool HasCapture() const { return false; }
    // Starts timer `id` ticking every `milliseconds` into the editing's
    // OnTimer, or stops it.
    virtual void SetTimer(std::int32_t id, std::int32_t milliseconds) {
        (void)id;
        (void)milliseconds;
    }
    virtual void KillTimer(std::int32_t id) { (void)id; }
    virtual void SetCursor(ECursor cursor) { (void)cursor; }
    // The mouse position now, in client pixels (for the timer ticks that
    // keep a drag scrolling while the mouse stands still).
    virtual model::Point CursorPosition() const { return {}; }
    // The scroll position (the sheet pixel at the client's top-left).
    virtual model::Point ScrollPosition() const { return {}; }
    // The client rectangle, (0, 0) at its top-left.
    virtual model::Rect ClientRect() const { return {}; }
    // Repaints the part of the view showing the sheet rectangle.
    virtual void InvalidateSheet(const model::Rect& sheet) {
        (void)sheet;
        Repaint();
    }
    // Scrolls the sheet point dragged past an edge into the client area.
    virtual void AutoScroll(model::Point sheet) { (void)sheet; }
    // A double click on the module's body: its attribute dialog opens.
    virtual void OpenModuleDialog(model::CBaseAriModule& module) { (void)module; }
    // The context menu at the client point, after the right click's
    // selection.
    virtual void ShowContextMenu(model::Point client) { (void)client; }
};

// The file dialogs. A filter lists "Description (*.ext)|*.ext" pairs, each
// closed by "|", the list by one more "|", as "DSP Template Files
// (*.dmu)|*.dmu||".
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // A Save dialog proposing the file name `proposed`; it asks before
    // replacing an existing file. The path chosen, none on Cancel.
    virtual std::optional<std::string> ChooseSaveFile(std::string_view proposed,
                                                      std::string_view filter) = 0;
    // An Open dialog for an existing file. The path chosen, none on Cancel.
    virtual std::optional<std::string> ChooseOpenFile(std::string_view filter) = 0;
};

// A modeless attribute dialog open for a module of the document (kind 0,
// keyed by the module's id) or for all input or output channels (kind 1,
// id 0 for the inputs, 1 for the outputs). The document lists the open
// dialogs without owning them.
class IAttriDialog {
public:
    virtual ~IAttriDialog() = default;
    virtual std::int32_t GetModuleId() const = 0;
    virtual std::int32_t GetKind() const = 0;
    // Destroys the dialog's window; the dialog then deletes itself. The
    // document has forgotten it before it calls this.
    virtual void DestroyDialog() = 0;
    // Reloads every control from the module (or modules) the dialog shows,
    // after their parameters changed behind it. A dialog without controls
    // keeps this default.
    virtual void RefreshControls() {}
    // Shows one meter reading, in dB, on input channel `channel` (from 0)
    // of a meter's dialog; every other dialog keeps this default.
    virtual void ShowMeterLevel(std::int32_t channel, double dB) {
        (void)channel;
        (void)dB;
    }
    // The window's caption.
    virtual void SetCaption(std::string_view caption) { (void)caption; }
    // The size of the dialog's window as created from its template.
    virtual model::Size WindowSize() const { return {}; }
    // Moves the window to `rect`, given in the client coordinates of the
    // view that opened it; the dialog maps them to the screen.
    virtual void MoveWindow(const model::Rect& rect) { (void)rect; }
    // Shows the window (again), or hides it (while the view prints a
    // preview, or while another sheet is the active one).
    virtual void ShowDialog() {}
    virtual void HideDialog() {}
    // Makes the window the active one.
    virtual void ActivateDialog() {}
    // 1 editable (as made), 0 view-only: edits are ignored, nothing is sent
    // to the unit and a meter does not poll. A view-only dialog shows a
    // module that is not on the sheet and is not in the document's list;
    // closing its window only hides it, and whoever set the mode destroys
    // it with DestroyDialog.
    virtual void SetMode(int mode) { (void)mode; }
};

// The undo history as the document's own edits feed it. A step gathers the
// actions recorded after BeginStep. A deleted module or link is handed over
// with the step: the history owns it while the document does not hold it.
class IDspUndoRecorder {
public:
    virtual ~IDspUndoRecorder() = default;
    virtual void BeginStep() = 0;
    virtual void RecordDeletedModule(std::unique_ptr<model::CBaseAriModule> module) = 0;
    virtual void RecordDeletedLink(std::unique_ptr<model::CBaseLink> link) = 0;
    // A parameter change of the module, merged with the step's last one of
    // the same module when `merge` is set: the copy that stands for the
    // values after the change, which the caller brings up to date; null
    // when the history keeps none.
    virtual model::CBaseAriModule* RecordParameterChange(model::CBaseAriModule& module,
                                                         bool merge) {
        (void)module;
        (void)merge;
        return nullptr;
    }
};

// The program's undo history of the document (dsp_undo.h's
// CDSPUndoHistory), which a document makes when it is given no factory;
// declared here so that the document needs none of the history's classes.
std::unique_ptr<IDspUndoRecorder> MakeDspUndoHistory(CZoDSPDoc& doc);

// What group changes record in the document's undo history.
class IGroupUndo {
public:
    virtual ~IGroupUndo() = default;
    // Starts the step the following records belong to.
    virtual void BeginStep() = 0;
    // The module's group as it stands now; undoing takes the module out of
    // its group again, redoing puts it back.
    virtual void RecordGroup(model::CBaseAriModule& module) = 0;
    // A parameter change of the module, not merged with an earlier one: the
    // history keeps a copy of the module as it stands now and returns the
    // copy that stands for the values after the change, which the caller
    // brings up to date (null when the history keeps none).
    virtual model::CBaseAriModule* RecordParameters(model::CBaseAriModule& module) = 0;
};

// What group changes need of the view that shows the document.
class IGroupView {
public:
    virtual ~IGroupView() = default;
    // The module's group marks changed: its body is repainted.
    virtual void RedrawModule(const model::CBaseAriModule& module) = 0;
    // The module's parameters changed: its open attribute dialogs reload.
    virtual void RefreshAttriDialogs(const model::CBaseAriModule& module) = 0;
};

} // namespace dsp_editor
