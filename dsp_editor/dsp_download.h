#pragma once
// CDspDownload: the DSP view's download and live state. It holds the flags
// the console's sender thread reads (the live one being the document's),
// answers the sender as its owner, drives the download progress dialog and
// carries out the start, stop and continue commands. The view owns it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "comm/command_sender.h"
#include "comm/download_progress.h"

namespace dsp_editor {

class CZoDSPView;

class CDspDownload final : public comm::ISenderOwner {
public:
    // The view's document gives the live word; it outlives the view.
    explicit CDspDownload(CZoDSPView& view);
    CDspDownload(const CDspDownload&) = delete;
    CDspDownload& operator=(const CDspDownload&) = delete;

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

    // -- the commands

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
    // Stop (32867, and 0x467 from the sender): the live state ends; nothing
    // is sent to the unit, the queues stay for the next start to empty. The
    // run-state pane follows when this is the active view.
    void OnDownloadStop();
    // Continue (32940): the sheet goes live again and the sender goes on
    // with what is still queued; the run-state pane follows when this is
    // the active view.
    void OnDownloadContinue();
    // The commands' states: start (32802) not live and neither a fault nor
    // a download in progress; stop (32867) live or in progress; continue
    // (32940) after a fault.
    bool CanStartDownload() const;
    bool CanStopDownload() const;
    bool CanContinueDownload() const;
    // Neither a download runs or waits nor the sender gave up.
    bool Busy() const { return m_progress != 0 || m_commFault != 0; }

    // -- the sender's owner: what the console's sender thread asks of the
    //    view. Every request but NotifyDspStop is posted to the
    //    user-interface thread through the view's window and returns at
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
    // Handed to the stored templates' name reply while their dialog waits.
    void TemplateReply(std::string reply) override;
    // Handed to the view's OnMeterReply.
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

private:
    CZoDSPView& m_view;
    std::string m_senderMac;
    std::optional<comm::CDSPDlgDownloadProgress> m_progressDialog;
};

} // namespace dsp_editor
