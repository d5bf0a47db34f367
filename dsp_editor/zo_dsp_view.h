#pragma once
// CZoDSPView: the logic of the view of one DSP document, without its widget:
// the document it shows, its command console (the view is the console's
// owner: the unit's model and the modules by execution number), the flags
// the console's sender thread reads, the selection counts the status panes
// show, and the undo and redo commands.
//
// Everything but the flags runs on the user-interface thread.
#include <atomic>
#include <cstdint>
#include <optional>

#include "comm/dsp_console.h"
#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/zo_dsp_doc.h"

namespace dsp_editor {

class CZoDSPView final : public comm::IConsoleOwner {
public:
    // The document outlives the view.
    explicit CZoDSPView(CZoDSPDoc& document) : m_document(document) {}
    CZoDSPView(const CZoDSPView&) = delete;
    CZoDSPView& operator=(const CZoDSPView&) = delete;

    CZoDSPDoc& GetDocument() const { return m_document; }
    comm::CDSPDlgShowCMD& Console() { return m_console; }

    // The window showing the view (not owned; taken away with null before it
    // goes). Without one nothing is repainted.
    void SetWindow(IDspViewWindow* window) { m_window = window; }
    IDspViewWindow* Window() const { return m_window; }

    // -- console owner: the document's device model index, and the type of
    //    the module with that execution number
    int DeviceModelCode() const override;
    std::optional<int> ModuleTypeByOrder(int order) const override;

    // -- the flags, 0 or 1, shared with the sender thread

    // A download is in progress and its progress dialog is wanted; refuses
    // a start and the structural undo and redo steps.
    std::atomic<std::int32_t> m_progress = 0;
    // Size the progress dialog to the queue's pending count.
    std::atomic<std::int32_t> m_progressCountsPending = 0;
    // The sender gave up after a failed or busy exchange.
    std::atomic<std::int32_t> m_commFault = 0;
    // The live state ended: the sender sends nothing more.
    std::atomic<std::int32_t> m_stopRequest = 0;

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

private:
    CZoDSPDoc& m_document;
    IDspViewWindow* m_window = nullptr;
    // Last: its sender thread, which asks the view, ends first.
    comm::CDSPDlgShowCMD m_console{this};
};

} // namespace dsp_editor
