#include "comm/command_sender.h"

#include "comm/event_log.h"
#include "comm/snmp_mailbox.h"
#include "model/messages.h"
#include "platform/automation/activation.h"
#include "resources/message_ids.h"

#include <exception>
#include <thread>

namespace comm {

using namespace std::chrono_literals;

namespace {

constexpr auto kIdleSleep = 1000ms;
constexpr auto kPostedSleep = 5ms;
constexpr auto kBusySleep = 1ms;
constexpr auto kOtherSleep = 10ms;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

// ---- components

CNetSenderComponents::CNetSenderComponents(std::string cardTitle)
    : m_cardTitle(std::move(cardTitle))
{
}

bool CNetSenderComponents::Create()
{
    Release();
    return CreateNetComponents(&m_discovery, &m_poller, m_adapter, m_cardTitle) != 0;
}

void CNetSenderComponents::Release()
{
    m_adapter.Release();
    m_discovery.Release();
    m_poller.Release();
}

std::optional<std::string> CNetSenderComponents::FindUnit(const std::string& mac)
{
    const Icom_device device = m_adapter.device_get(mac);
    if (!device.valid())
        return std::nullopt;
    return device.ip();
}

std::unique_ptr<IUnitMailbox> CNetSenderComponents::Mailbox(const std::string& ip)
{
    return std::make_unique<CPollerMailbox>(m_poller, ip);
}

CFixedUnitComponents::CFixedUnitComponents(std::string ip) : m_ip(std::move(ip)) {}

bool CFixedUnitComponents::Create()
{
    Release();
    return CreateNetComponents(nullptr, &m_poller, m_adapter, {}) != 0;
}

void CFixedUnitComponents::Release()
{
    m_poller.Release();
}

std::optional<std::string> CFixedUnitComponents::FindUnit(const std::string&)
{
    return m_ip;
}

std::unique_ptr<IUnitMailbox> CFixedUnitComponents::Mailbox(const std::string& ip)
{
    return std::make_unique<CPollerMailbox>(m_poller, ip);
}

// ---- the sender

CCommandSender::CCommandSender(CDSPDlgShowCMD& console, ISenderOwner& owner,
                               std::unique_ptr<ISenderComponents> components, Sleeper sleep,
                               SteadyClock clock)
    : m_console(console), m_owner(owner), m_flags(owner.Flags()),
      m_components(std::move(components)), m_sleep(std::move(sleep)), m_clock(std::move(clock))
{
}

CCommandSender::~CCommandSender()
{
    ReleaseUnit();
}

int CCommandSender::Start()
{
    m_console.ResetCounters();
    m_mac = m_owner.UnitMac();
    if (m_mac.size() != 12) {
        CloseProgress();
        model::ShowMessage(resources::kMsgBadMac);
        m_owner.RestoreArrowCursor();
        m_owner.NotifyDspStop();
        return -2;
    }
    m_connected = m_components->Create();
    if (!m_connected) {
        model::ShowMessage(resources::kMsgNetworkInit);
        m_flags.live = 0;
        m_owner.Redraw();
    }
    return 0;
}

std::optional<int> CCommandSender::Pass()
{
    if (m_console.StopRequested()) {
        if (m_flags.progress == 1)
            CloseProgress();
        ReleaseUnit();
        m_components->Release();
        return 1;
    }
    // Nothing may end the sender but its stop: a view that is still live
    // would otherwise wait for replies that never come.
    try {
        RunPass();
    } catch (const std::exception&) {
        WriteLog("Download cmd to vgdsp device thread error");
        ReleaseUnit();
        Disconnect();
        CloseProgress();
        m_owner.RestoreArrowCursor();
        m_owner.NotifyDspStop();
    }
    return std::nullopt;
}

void CCommandSender::RunPass()
{
    if (m_flags.stopRequest) {
        ReleaseUnit();
        CloseProgress();
        m_flags.live = 0;
        m_flags.commFault = 0;
        m_owner.RestoreArrowCursor();
        m_owner.Redraw();
        m_sleep(kIdleSleep);
        return;
    }
    if (m_flags.live == 0) {
        ReleaseUnit();
        m_sleep(kIdleSleep);
        return;
    }
    if (!m_connected) {
        m_connected = m_components->Create();
        if (!m_connected) {
            CloseProgress();
            m_owner.RestoreArrowCursor();
            model::ShowMessage(resources::kMsgNetworkInit);
            m_owner.NotifyDspStop();
            return;
        }
    }
    const std::optional<std::string> ip = m_components->FindUnit(m_mac);
    if (!ip) {
        ReleaseUnit();
        CloseProgress();
        m_owner.RestoreArrowCursor();
        model::ShowMessage(resources::kMsgNoUnit);
        m_owner.NotifyDspStop();
        return;
    }
    if (!HoldUnit(*ip))
        return;
    const std::unique_ptr<IUnitMailbox> mailbox = m_components->Mailbox(*ip);

    std::string value;
    if (!ReadWithTries(*mailbox, kSerialPriorityOid, value, m_sleep)) {
        if (StepFailed(EStep::ReadSp))
            GiveUp(resources::kMsgReadSp, EGiveUp::Plain);
        return;
    }
    StepSucceeded(EStep::ReadSp);
    if (value != kMailboxBusy)
        m_unit->leftBusy = false;

    if (m_flags.progress && !m_progressOpen) {
        m_owner.OpenProgress();
        m_progressOpen = true;
        m_firstReply = true;
    }

    if (value == kMailboxFree || value == kMailboxClaimed) {
        Posting(*mailbox, value == kMailboxClaimed);
    } else if (value == kMailboxReplied) {
        Reply(*mailbox);
    } else if (value == kMailboxPosted) {
        if (m_posted && m_clock() - m_postedAt >= kPostedLimit) {
            // The unit never answered. It has had our "165", so the command
            // is not posted again: a unit that took it late would run it
            // twice.
            WriteWithTries(*mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
            m_posted.reset();
            m_console.ClearBusy();
            GiveUp(resources::kMsgNoAnswer, EGiveUp::FaultLive);
            return;
        }
        m_console.ClearBusy();
        m_sleep(kPostedSleep);
    } else if (value == kMailboxBusy) {
        if (m_unit->leftBusy) {
            // Our own "127" after an unframed reply: no unit is busy.
            m_unit->leftBusy = false;
            WriteWithTries(*mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
            return;
        }
        if (m_console.CountBusy() <= kBusyLimit) {
            m_sleep(kBusySleep);
            return;
        }
        m_console.ClearBusy();
        GiveUp(resources::kMsgBusy, EGiveUp::FaultLive);
    } else {
        m_console.ClearBusy();
        m_sleep(kOtherSleep);
    }
}

void CCommandSender::Posting(IUnitMailbox& mailbox, bool askedAgain)
{
    m_console.ClearBusy();
    m_flags.commFault = 0;
    if (m_posted) {
        // "247" over a post of ours: the unit asks for that command again
        // (or our "165" never reached it). "0": it freed the mailbox
        // without a reply.
        if (askedAgain) {
            if (AskedAgainTooOften(mailbox))
                return;
            StepBack();
        }
        m_posted.reset();
    }

    constexpr EConsoleQueue kOrder[] = {EConsoleQueue::Store, EConsoleQueue::Control,
                                        EConsoleQueue::Get};
    std::optional<EConsoleQueue> queue;
    int pending = 0;
    for (const EConsoleQueue q : kOrder) {
        pending = static_cast<int>(m_console.Queue(q).size()) - m_console.SentIndex(q);
        if (pending > 0) {
            queue = q;
            break;
        }
    }
    // Get commands never keep a progress window open.
    if (!queue || *queue == EConsoleQueue::Get) {
        const bool wasOpen = m_progressOpen;
        if (m_flags.progress || m_progressOpen) {
            CloseProgress();
            m_owner.RestoreArrowCursor();
        }
        if (!queue) {
            if (wasOpen)
                m_owner.Redraw();
            ReleaseUnit();
            m_sleep(kIdleSleep);
            return;
        }
    }
    const std::optional<ConsoleTicket> ticket = m_console.TakeNext(*queue);
    if (!ticket)
        return; // cleared meanwhile

    if (!WriteWithTries(mailbox, kSerialPriorityOid, kMailboxClaimed, m_sleep)) {
        m_console.Unsend(*ticket);
        if (StepFailed(EStep::WriteClaim)) {
            WriteWithTries(mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
            GiveUp(resources::kMsgWriteSp, EGiveUp::Plain);
        }
        return;
    }
    StepSucceeded(EStep::WriteClaim);
    if (!WriteWithTries(mailbox, kSysContactOid, ticket->command, m_sleep)) {
        m_console.Unsend(*ticket);
        if (StepFailed(EStep::WriteCommand)) {
            WriteWithTries(mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
            GiveUp(resources::kMsgWriteContent, EGiveUp::Fault);
        }
        return;
    }
    StepSucceeded(EStep::WriteCommand);
    if (!PostWithTries(mailbox, m_sleep)) {
        m_console.Unsend(*ticket);
        if (StepFailed(EStep::WritePosted)) {
            WriteWithTries(mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
            GiveUp(resources::kMsgWriteSp, EGiveUp::Plain);
        }
        return;
    }
    StepSucceeded(EStep::WritePosted);
    m_posted = ticket;
    m_postedAt = m_clock();
    m_pendingAtPost = pending;
}

bool CCommandSender::AskedAgainTooOften(IUnitMailbox& mailbox)
{
    const ConsoleTicket& asked = *m_posted;
    const bool same = m_askedFor && m_askedFor->queue == asked.queue &&
                      m_askedFor->entry == asked.entry &&
                      m_askedFor->generation == asked.generation;
    m_asks = same ? m_asks + 1 : 1;
    m_askedFor = asked;
    if (m_asks <= kResendLimit)
        return false;
    // A unit that asks for everything again would have it for ever.
    const int asks = m_asks;
    m_askedFor.reset();
    m_asks = 0;
    WriteWithTries(mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
    StepBack();
    GiveUp(resources::kMsgAskedAgain, EGiveUp::Fault,
           model::FormatMessage(resources::kMsgAskedAgain, asks));
    return true;
}

void CCommandSender::Reply(IUnitMailbox& mailbox)
{
    m_console.ClearBusy();
    if (!m_posted) {
        // Nobody of ours waits for it (a foreign exchange, or one given up):
        // filing it anywhere would put it against the wrong command.
        WriteWithTries(mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
        return;
    }
    m_flags.commFault = 0;
    std::string reply;
    if (!ReadWithTries(mailbox, kSysContactOid, reply, m_sleep)) {
        // The unit has run the command: it is never posted again, and its
        // reply is still filed should a later pass read it.
        if (StepFailed(EStep::ReadReply))
            GiveUp(resources::kMsgReadContent, EGiveUp::FaultLive);
        return;
    }
    StepSucceeded(EStep::ReadReply);
    const ConsoleTicket ticket = *m_posted;
    m_posted.reset();
    m_askedFor.reset();
    if (!IsCommandReply(reply))
        LogUnframedReply(m_unitIp, ticket.command, reply);
    FileReply(ticket, reply);
    WriteWithTries(mailbox, kSerialPriorityOid, kMailboxFree, m_sleep);
    ReleaseUnit();
}

void CCommandSender::FileReply(const ConsoleTicket& ticket, const std::string& reply)
{
    m_console.StoreReply(ticket, reply);
    // The queue was cleared since the command went out (a new download):
    // its reply belongs to nothing shown now, the progress of the new
    // program included.
    if (ticket.generation != m_console.Generation(ticket.queue))
        return;
    switch (ticket.queue) {
    case EConsoleQueue::Store:
        if ((StartsWith(reply, "GETNM") || StartsWith(reply, "*GETNM")) && m_flags.templateDialog)
            m_owner.TemplateReply(reply);
        [[fallthrough]];
    case EConsoleQueue::Control:
        if (m_flags.progress && m_progressOpen) {
            const int sent = m_console.SentIndex(ticket.queue);
            if (m_firstReply) {
                // The command just answered was the first of what is shown.
                const int first = sent - 1;
                m_progressBase = m_flags.progressCountsPending ? first : 0;
                m_owner.SetProgressTotal(m_flags.progressCountsPending ? m_pendingAtPost
                                                                       : first + m_pendingAtPost);
                m_firstReply = false;
            } else {
                m_owner.SetProgressPos(sent - m_progressBase);
            }
        }
        break;
    case EConsoleQueue::Get: {
        std::string text = ticket.command + " " + reply;
        if (m_flags.live && StartsWith(text, "*NyGET"))
            m_owner.MeterReply(std::move(text));
        break;
    }
    }
}

bool CCommandSender::StepFailed(EStep step)
{
    int& count = m_failures[static_cast<int>(step)];
    if (++count < kStepTries)
        return false;
    count = 0;
    return true;
}

void CCommandSender::GiveUp(int message, EGiveUp how, std::string text)
{
    ReleaseUnit();
    CloseProgress();
    if (how == EGiveUp::FaultLive) {
        if (m_flags.live == 0)
            m_flags.live = 1;
        m_flags.commFault = 1;
        m_owner.Redraw();
    } else {
        if (how == EGiveUp::Fault)
            m_flags.commFault = 1;
        m_owner.RestoreArrowCursor();
    }
    model::ShowMessageText(message, text.empty() ? model::FormatMessage(message) : text);
    m_owner.NotifyDspStop();
}

void CCommandSender::CloseProgress()
{
    if (m_progressOpen)
        m_owner.CloseProgress();
    m_progressOpen = false;
    m_flags.progress = 0;
}

void CCommandSender::StepBack()
{
    if (m_posted)
        m_console.Unsend(*m_posted);
    m_posted.reset();
}

bool CCommandSender::HoldUnit(const std::string& ip)
{
    if (m_unitLock.owns_lock() && ip == m_unitIp)
        return true;
    ReleaseUnit();
    m_unitIp = ip;
    m_unit = UnitMailboxState(ip);
    m_unitLock = std::unique_lock(m_unit->lock, std::defer_lock);
    // A one-shot holds the unit for at most a few seconds; the pass is
    // simply tried again, so the console's stop is seen in between.
    return m_unitLock.try_lock_for(20ms);
}

void CCommandSender::ReleaseUnit()
{
    if (m_unitLock.owns_lock())
        m_unitLock.unlock();
}

void CCommandSender::Disconnect()
{
    m_posted.reset();
    m_components->Release();
    m_connected = false;
}

// ---- the console's thread

void CDSPDlgShowCMD::StartSender(ISenderOwner& owner,
                                 std::unique_ptr<ISenderComponents> components)
{
    StopSender();
    m_stop = false;
    m_senderExit = 0;
    m_sender = std::jthread([this, &owner, components = std::move(components)](
                                std::stop_token stop) mutable {
        model::CWorkerStopScope scope(stop);
        // Every wait of the sender ends early when it is stopped.
        const Sleeper sleep = [stop](std::chrono::milliseconds duration) {
            SleepUnlessStopped(stop, duration);
        };
        int exitCode = 1;
        {
            const platform::automation::initializer_t automation;
            if (automation.hr() < 0) {
                model::ShowMessage(resources::kMsgComInitFailed);
                exitCode = -1;
            } else {
                CCommandSender sender(*this, owner, std::move(components), sleep);
                exitCode = sender.Start();
                if (exitCode == 0) {
                    std::optional<int> ended;
                    while (!(ended = sender.Pass()))
                        if (stop.stop_requested())
                            m_stop = true;
                    exitCode = *ended;
                }
            }
        }
        m_senderExit = exitCode;
    });
}

void CDSPDlgShowCMD::StopSender()
{
    m_stop = true;
    if (m_sender.joinable()) {
        m_sender.request_stop();
        m_sender.join();
    }
}

} // namespace comm
