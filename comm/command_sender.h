#pragma once
// The queued sender of a DSP view's command console: the thread that takes
// the console's commands one at a time, posts each to the view's unit
// through the mailbox handshake, files the replies and drives the view's
// progress window and on-line state.
//
// It runs as a state machine, one handshake step per pass, on a thread the
// console owns (CDSPDlgShowCMD::StartSender). Everything it asks of the
// view goes through ISenderOwner; what it needs of the discovery server and
// the poller through ISenderComponents, so tests give it a fixed unit
// address while the poller stays the real one.
#include "comm/automation_wrappers.h"
#include "comm/dsp_console.h"
#include "comm/snmp_mailbox.h"
#include "comm/text_command.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace comm {

// The view's and the document's flags the sender reads and writes, each a
// single word written whole (0 or 1). Each has one home: the live flag is
// the document's own word, the others are the view's; nothing copies them.
class CSenderFlags {
    std::atomic<int> m_ownLive{0}; // the live word of flags without a document

public:
    // Flags with a live word of their own (tools and tests without a
    // document).
    CSenderFlags() : live(m_ownLive) {}
    // The flags of a view whose document's live word is `documentLive`
    // (which outlives them).
    explicit CSenderFlags(std::atomic<int>& documentLive) : live(documentLive) {}
    CSenderFlags(const CSenderFlags&) = delete;
    CSenderFlags& operator=(const CSenderFlags&) = delete;

    std::atomic<int>& live;                    // the document's on-line state
    std::atomic<int> stopRequest{0};           // the on-line state was ended
    std::atomic<int> progress{0};              // a progress window is wanted
    std::atomic<int> progressCountsPending{0}; // size it to what is still queued
    std::atomic<int> commFault{0};             // the sender gave up on a failure
    std::atomic<int> templateDialog{0};        // the template dialog waits for GETNM replies
};

// The DSP view as its sender reaches it. Every call but NotifyDspStop is a
// request the view carries out on the user-interface thread later; the
// sender never waits for it.
class ISenderOwner {
public:
    virtual ~ISenderOwner() = default;
    virtual CSenderFlags& Flags() = 0;
    // The MAC text of the view's unit (the console's MAC field).
    virtual std::string UnitMac() const = 0;

    virtual void OpenProgress() = 0;
    virtual void SetProgressTotal(int total) = 0;
    virtual void SetProgressPos(int pos) = 0;
    virtual void CloseProgress() = 0;
    virtual void Redraw() = 0;
    virtual void RestoreArrowCursor() = 0;
    // The reply of a store command while the template dialog waits for it.
    virtual void TemplateReply(std::string reply) = 0;
    // "<get command> <reply>" of a meter reading, while the document is live.
    virtual void MeterReply(std::string text) = 0;
    // The view leaves the on-line state. The sender waits until the view
    // has done so, or until its own stop is requested.
    virtual void NotifyDspStop() = 0;
};

// What the sender needs of the network components.
class ISenderComponents {
public:
    virtual ~ISenderComponents() = default;
    // (Re)creates them; false when that failed (nothing is kept then).
    virtual bool Create() = 0;
    virtual void Release() = 0;
    // The unit's IP text, or nothing when no valid device has that MAC.
    // Automation failures are raised.
    virtual std::optional<std::string> FindUnit(const std::string& mac) = 0;
    // The mailbox of the unit at `ip`, valid until the next Create/Release.
    virtual std::unique_ptr<IUnitMailbox> Mailbox(const std::string& ip) = 0;
};

// The program's components: both servers, the unit looked up on the
// network card `cardTitle`.
class CNetSenderComponents final : public ISenderComponents {
public:
    explicit CNetSenderComponents(std::string cardTitle);
    bool Create() override;
    void Release() override;
    std::optional<std::string> FindUnit(const std::string& mac) override;
    std::unique_ptr<IUnitMailbox> Mailbox(const std::string& ip) override;

private:
    std::string m_cardTitle;
    Imanager m_discovery;
    Icom_adapter m_adapter;
    Icom_manager m_poller;
};

// The poller alone, every MAC taken to be the unit at `ip` (tools and tests
// that name the unit by its address).
class CFixedUnitComponents final : public ISenderComponents {
public:
    explicit CFixedUnitComponents(std::string ip);
    bool Create() override;
    void Release() override;
    std::optional<std::string> FindUnit(const std::string& mac) override;
    std::unique_ptr<IUnitMailbox> Mailbox(const std::string& ip) override;

private:
    std::string m_ip;
    Icom_adapter m_adapter;
    Icom_manager m_poller;
};

class CCommandSender {
public:
    // Fails (in the same pass) after this many failures of one step in a row.
    static constexpr int kStepTries = 4;
    // Gives up after this many busy answers in a row.
    static constexpr int kBusyLimit = 500;
    // Posts one command at most this many times more when the unit keeps
    // asking for it again; its next ask gives up, as a step's fourth
    // failure does.
    static constexpr int kResendLimit = kStepTries - 1;

    CCommandSender(CDSPDlgShowCMD& console, ISenderOwner& owner,
                   std::unique_ptr<ISenderComponents> components, Sleeper sleep,
                   SteadyClock clock = RealClock);
    ~CCommandSender();

    // Start-up: 0 to go on with the passes, else the thread's exit code (-2
    // for a MAC that is not 12 characters long).
    int Start();
    // One pass; the exit code (1) once the console's stop flag is set.
    std::optional<int> Pass();

private:
    enum class EStep { ReadSp, WriteClaim, WriteCommand, WritePosted, ReadReply, Count };
    enum class EGiveUp { Plain, Fault, FaultLive };

    void RunPass();
    void Posting(IUnitMailbox& mailbox, bool askedAgain);
    bool AskedAgainTooOften(IUnitMailbox& mailbox);
    void Reply(IUnitMailbox& mailbox);
    void FileReply(const ConsoleTicket& ticket, const std::string& reply);
    bool StepFailed(EStep step);
    void StepSucceeded(EStep step) { m_failures[static_cast<int>(step)] = 0; }
    // Shows `text`, or message `message` itself when it is empty.
    void GiveUp(int message, EGiveUp how, std::string text = {});
    void CloseProgress();
    void StepBack();
    bool HoldUnit(const std::string& ip);
    void ReleaseUnit();
    void Disconnect();

    CDSPDlgShowCMD& m_console;
    ISenderOwner& m_owner;
    CSenderFlags& m_flags;
    std::unique_ptr<ISenderComponents> m_components;
    Sleeper m_sleep;
    SteadyClock m_clock;

    std::string m_mac;
    bool m_connected = false;
    std::array<int, static_cast<int>(EStep::Count)> m_failures{};

    // Our post whose command the unit has ("165" written) and whose reply
    // is still owed, with when it went out and how much of its queue was
    // still to send then (itself included).
    std::optional<ConsoleTicket> m_posted;
    std::chrono::steady_clock::time_point m_postedAt{};
    int m_pendingAtPost = 0;
    // The command the unit asked for again ("247" over our post) and how
    // many times in a row.
    std::optional<ConsoleTicket> m_askedFor;
    int m_asks = 0;

    bool m_progressOpen = false;
    bool m_firstReply = false;
    int m_progressBase = 0;

    std::string m_unitIp;
    std::shared_ptr<CUnitMailboxState> m_unit;
    std::unique_lock<CUnitLock> m_unitLock;
};

} // namespace comm
