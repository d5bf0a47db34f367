#pragma once
// CZoDSPView: the logic of the view of one DSP document, without its widget:
// the document it shows, its command console (the view is the console's
// owner: the unit's model and the modules by execution number), the flags
// the console's sender thread reads, the selection counts the status panes
// show, the undo and redo commands, the sheet templates (.dmu) and the
// binding groups that follow a changed member.
//
// Everything but the flags runs on the user-interface thread.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "comm/command_sender.h"
#include "comm/download_progress.h"
#include "comm/dsp_console.h"
#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/dsp_view_paint.h"
#include "dsp_editor/zo_dsp_doc.h"

namespace dsp_editor {

class CDspGestures;

// The file dialogs' filter for sheet templates.
inline constexpr std::string_view kTemplateFilter = "DSP Template Files (*.dmu)|*.dmu||";

// The path with ".dmu" appended unless it ends in it already (in any case).
std::string WithTemplateSuffix(std::string_view path);

class CZoDSPView final : public comm::IConsoleOwner, public comm::ISenderOwner {
public:
    // The document outlives the view.
    explicit CZoDSPView(CZoDSPDoc& document) : m_flags(document.m_live), m_document(document) {}
    CZoDSPView(const CZoDSPView&) = delete;
    CZoDSPView& operator=(const CZoDSPView&) = delete;

    CZoDSPDoc& GetDocument() const { return m_document; }
    comm::CDSPDlgShowCMD& Console() { return m_console; }

    // The window showing the view (not owned; taken away with null before it
    // goes). Without one nothing is repainted.
    void SetWindow(IDspViewWindow* window) {
        std::lock_guard lock(m_windowLock);
        m_window = window;
    }
    IDspViewWindow* Window() const { return m_window; }
    // The file dialogs (not owned; taken away with null before they go).
    // Without them no template is saved.
    void SetFileChooser(IFileChooser* chooser) { m_chooser = chooser; }

    // -- console owner: the document's device model index, and the type of
    //    the module with that execution number
    int DeviceModelCode() const override;
    std::optional<int> ModuleTypeByOrder(int order) const override;

    // -- the flags, 0 or 1, shared with the sender thread: the sender's
    //    flags themselves, the live one being the document's; the members
    //    below name them

    comm::CSenderFlags m_flags;
    // A download is in progress and its progress dialog is wanted; refuses
    // a start and the structural undo and redo steps.
    std::atomic<std::int32_t>& m_progress = m_flags.progress;
    // Size the progress dialog to the queue's pending count.
    std::atomic<std::int32_t>& m_progressCountsPending = m_flags.progressCountsPending;
    // The sender gave up after a failed or busy exchange.
    std::atomic<std::int32_t>& m_commFault = m_flags.commFault;
    // The live state ended: the sender sends nothing more.
    std::atomic<std::int32_t>& m_stopRequest = m_flags.stopRequest;

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

    // -- sheet templates

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

    // -- download control

    // Stop (32867, and 0x467 from the sender): the live state ends; nothing
    // is sent to the unit, the queues stay for the next start to empty. The
    // run-state pane follows when this is the active view.
    void OnDownloadStop();
    // Continue (32940): the sheet goes live again and the sender goes on
    // with what is still queued; the run-state pane follows when this is
    // the active view.
    void OnDownloadContinue();
    // Load a sheet template file (32960): an Open dialog for ".dmu" files;
    // another name gives 285, a file the loader refuses 310.
    void OnLoadTemplateFile();
    // The commands' states: start (32802) not live and neither a fault nor
    // a download in progress; stop (32867) live or in progress; continue
    // (32940) after a fault; store (32955) live; load a template (32960) not
    // live.
    bool CanStartDownload() const;
    bool CanStopDownload() const;
    bool CanContinueDownload() const;
    bool CanStoreTemplates() const;
    bool CanLoadTemplateFile() const;

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

    // -- the download (download_program.h)

    // Queues the sheet's whole download program on the console: its store
    // queue when `store`, else the control queue. False after message 339
    // (no execution order) or 338 (a link names a missing module; what was
    // queued before it stays). Sets the document's program-built flag.
    bool BuildDownloadCommands(bool store);
    // Start download (32802, notification 0x466): the meter displays fall
    // to the floor; unless a download is in progress, the other sheets of
    // the unit stop (message 287 when the frame knows no DSP sheets), the
    // resource check and the execution order run (306, 307, 308), the
    // console is cleared and the program queued (309 when that fails, the
    // sheet staying not live); then the sheet goes live with its progress
    // wanted.
    void OnDownloadStart();

    // -- the sender's owner (sender_owner.cpp): what the console's sender
    //    thread asks of the view. Every request but NotifyDspStop is posted
    //    to the user-interface thread through the window and returns at
    //    once; without a window it is dropped. A posted request still
    //    queued when the view goes does nothing.

    // The codes of the notification message the view answers.
    static constexpr std::int32_t kNotifyDspDownload = 0x466;
    static constexpr std::int32_t kNotifyDspStop = 0x467;

    // Starts the console's sender for the document's unit, by its MAC as
    // it is now, reached through `components`.
    void StartSender(std::unique_ptr<comm::ISenderComponents> components);

    comm::CSenderFlags& Flags() override { return m_flags; }
    std::string UnitMac() const override { return m_senderMac; }
    void OpenProgress() override;
    void SetProgressTotal(int total) override;
    void SetProgressPos(int pos) override;
    void CloseProgress() override;
    void Redraw() override;
    void RestoreArrowCursor() override;
    // Handed to the template dialog's reply parser while it still waits.
    void TemplateReply(std::string reply) override;
    // Handed to OnMeterReply.
    void MeterReply(std::string text) override;
    // Stops the live state on the user-interface thread and waits for it,
    // or for the sender's own stop.
    void NotifyDspStop() override;

    // The notification message: 0x466 starts a download, 0x467 stops it,
    // other codes are ignored. Returns 0.
    int OnAppNotify(std::int32_t code);

    // The download progress dialog as the sender drives it; none while it
    // is closed. User-interface thread only.
    const std::optional<comm::CDSPDlgDownloadProgress>& ProgressDialog() const {
        return m_progressDialog;
    }
    // -- templates stored on the unit (stored_templates.h)

    // Store (32955), only while live: the template dialog, then the store
    // program of every template of the unit with the chosen structure name
    // (in slot order) replaces the store queue in one step, and only then
    // is the ini written; any failure queues nothing and leaves the ini.
    void OnSolidifyTemplates();
    // Switches the unit to the stored template of `slot` (the caller has
    // asked 284): the sheet is validated as for a download (308, 309) and
    // goes live with the console cleared and "*CHANM<slot>#" queued.
    void SwitchToStoredTemplate(std::int32_t slot);
    // A store reply beginning with "GETNM", which the window posts to the
    // user-interface thread: the open template dialog takes it.
    void OnTemplateNameReply(std::string_view reply);
    // Set while the template dialog is open (the sender hands its GETNM
    // replies over only then), with the dialog.
    std::atomic<std::int32_t>& m_templateDialog = m_flags.templateDialog;
    CDSPDlgFirmTemplate* m_firmTemplateDialog = nullptr;
    // The ini listing the stored templates; empty: the program folder's
    // Ostrel.ini.
    std::filesystem::path m_templateIni;
    std::filesystem::path TemplateIni() const;

    // -- drawing, zoom and scrolling (dsp_view_paint.h)

    // What the painting shows besides the document; the editing sets the
    // rubber line and band.
    DspPaintState m_paint;
    // The window side of scrolling and of the zoom box (not owned; taken
    // away with null before it goes).
    IDspScrollWindow* m_scrollWindow = nullptr;
    // The initial update: the grid on, not printing, nothing being drawn;
    // the zoom box shows the document's code.
    void OnInitialDrawState();
    // The code drawn (the document's, 0 when it is outside -2 .. 4) and
    // its factor f; the scroll extent at that code.
    std::int32_t DrawnZoomCode() const { return DrawnZoom(m_document.m_zoom); }
    double Factor() const { return ZoomFactor(m_document.m_zoom); }
    model::Size ScaledSheet() const;
    // The mappings of the screen, scrolled to `scroll` (pixels), and of the
    // printer, which sets the printing flag (false: nothing to print).
    void PrepareScreen(model::DeviceMapping& dc, model::Point scroll);
    bool PreparePrinter(model::DeviceMapping& dc, const PrinterMetrics& printer);
    // Paints the sheet inside `clip` (sheet units) on a prepared canvas.
    void OnDraw(model::Canvas& dc, const model::Rect& clip, const GridDotPlotter& dots = {});
    // A drag at (x, y) in sheet units scrolls the window when past its edge.
    void AutoScroll(std::int32_t x, std::int32_t y);
    // Zoom in (32872), out (32873), normal size (32874) and the zoom box's
    // selection (1178): the document's code changes (not marked modified),
    // the box follows and the whole view repaints.
    void OnZoomIn();
    void OnZoomOut();
    void OnZoomNormal();
    void OnZoomComboSelect(int index);
    bool CanZoomIn() const { return dsp_editor::CanZoomIn(m_document.m_zoom); }
    bool CanZoomOut() const { return dsp_editor::CanZoomOut(m_document.m_zoom); }
    bool CanZoomNormal() const { return dsp_editor::CanZoomNormal(m_document.m_zoom); }

private:
    void SetZoom(std::int32_t code);

    CZoDSPDoc& m_document;
    IDspViewWindow* m_window = nullptr;
    IFileChooser* m_chooser = nullptr;
    // Posts the call to the window for the user-interface thread; the call
    // runs only while the view still exists.
    void PostToWindow(std::function<void()> call);
    // Guards m_window against the sender's posts while it is replaced.
    std::mutex m_windowLock;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::string m_senderMac;
    std::optional<comm::CDSPDlgDownloadProgress> m_progressDialog;
    // Shared only so that this header needs no complete class to delete it.
    std::shared_ptr<CDspGestures> m_gestures;
    // Last: its sender thread, which asks the view, ends first.
    comm::CDSPDlgShowCMD m_console{this};

public:
    // -- attribute dialogs (attri_dialogs.h): the document lists them, each
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

    // -- mouse editing (dsp_gestures.h)
    // The view's gesture controller, made on first use.
    CDspGestures& Gestures();
    // The palette drags a module code (type x 100 + variant) onto the view.
    void BeginPlacement(std::int32_t code);
    // A module placed by the add commands at the scroll position, or
    // dropped from the palette at a sheet point; see CDspGestures.
    model::CBaseAriModule* AddModuleAtScroll(std::int32_t type, std::int32_t variant);
    model::CBaseAriModule* AddModuleAtPoint(std::int32_t type, std::int32_t variant, std::int32_t x,
                                            std::int32_t y);
    // Moves the module by (dx, dy) with the ends of its links.
    void MoveModule(model::CBaseAriModule& module, std::int32_t dx, std::int32_t dy);

public:
    // -- arranging the selected modules (arrangement.h maps the command ids)

    enum class EArrange : std::int32_t {
        // A column (left, right) or row (top, bottom) without gaps, each
        // module touching the first one's edge.
        StackLeft,
        StackRight,
        StackTop,
        StackBottom,
        // The chosen edge of every module on the outermost one.
        AlignLeft,
        AlignRight,
        AlignTop,
        AlignBottom,
        // The modules together into the middle of the visible area.
        CentreInView,
        CentreHorizontally,
        CentreVertically,
        // The modules' centres at equal steps between the outer two.
        DistributeHorizontally,
        DistributeVertically,
    };
    // Arranges the selected modules that are shown, kept 10 units inside
    // the sheet. Every module moved goes with its link ends and gets one
    // move action in one new undo step; then the document is marked
    // modified and the view repaints. Nothing while live or busy, with
    // fewer modules than the arrangement needs, or when they are in place.
    void Arrange(EArrange how);
    // The command's rule: neither live nor busy (a download runs or waits)
    // and enough modules selected: 2 to stack or align, 1 to centre, 3 to
    // distribute.
    bool CanArrange(EArrange how) const;

    // -- the module clipboard (dsp_clipboard.h), the main frame's

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
};

} // namespace dsp_editor
