#include "comm/dsp_console.h"

#include "comm/snmp_mailbox.h"
#include "platform/text/format.h"

#include <algorithm>

namespace comm {

namespace {

// Commands the unit takes without the maker prefix.
constexpr std::string_view kUnprefixed[] = {"SAVEM", "ENDMD", "CHANM", "GETNM", "GETMD"};

constexpr int kInputModule = 1;
constexpr int kOutputModule = 2;

// The queue a builder's command goes on.
EConsoleQueue Builder(bool store)
{
    return store ? EConsoleQueue::Store : EConsoleQueue::Control;
}

// The builders print single-precision values, widened for "%e".
double Narrowed(float value)
{
    return static_cast<double>(value);
}

} // namespace

CDSPDlgShowCMD::CDSPDlgShowCMD(const IConsoleOwner* owner) : m_owner(owner) {}

CDSPDlgShowCMD::~CDSPDlgShowCMD()
{
    StopSender();
}

void CDSPDlgShowCMD::SetRowObserver(IConsoleRowObserver* observer)
{
    std::lock_guard calling(m_observerCall);
    m_observer = observer;
}

void CDSPDlgShowCMD::QueueCommand(EConsoleQueue queue, std::string_view body)
{
    std::string command = "*";
    if (std::none_of(std::begin(kUnprefixed), std::end(kUnprefixed),
                     [&](std::string_view head) { return body.starts_with(head); }))
        command += "Ny";
    command.append(body);
    command += '#';

    std::unique_lock calling(m_observerCall, std::defer_lock);
    int row = 0;
    {
        std::lock_guard lock(m_lock);
        QueueState& q = State(queue);
        // Meter polling asks the same values many times a second; one
        // waiting copy of a get is enough.
        if (queue == EConsoleQueue::Get &&
            std::any_of(q.rows.begin() + q.sent, q.rows.end(),
                        [&](const ConsoleRow& r) { return r.command == command; }))
            return;
        row = static_cast<int>(q.rows.size());
        q.rows.push_back({command, {}});
        calling.lock();
    }
    if (m_observer)
        m_observer->OnRowAdded(queue, row, command);
}

int CDSPDlgShowCMD::PairChannel(int module, int channel) const
{
    if (!m_owner)
        return channel;
    const std::optional<int> type = m_owner->ModuleTypeByOrder(module);
    if (!type)
        return channel;
    const int model = m_owner->DeviceModelCode();
    const bool swapped = (model == 2 && *type == kOutputModule) ||
                         (model == 3 && *type == kOutputModule && channel >= 3) ||
                         (model == 3 && *type == kInputModule && channel >= 7);
    if (!swapped)
        return channel;
    return channel % 2 != 0 ? channel + 1 : channel - 1;
}

void CDSPDlgShowCMD::SendText(std::string_view text, bool store)
{
    // Taken literally: a "%" in a template name is no conversion.
    QueueCommand(Builder(store), text);
}

void CDSPDlgShowCMD::SendMDU(int type, int order, int variant, bool store)
{
    QueueCommand(Builder(store), platform::text::format("MDU %d %d %d", type, order, variant));
}

void CDSPDlgShowCMD::SendILK(int toModule, int toPin, int fromModule, int fromPin, bool store)
{
    QueueCommand(Builder(store),
                 platform::text::format("ILK %d %d %d %d", toModule, PairChannel(toModule, toPin),
                                        fromModule, PairChannel(fromModule, fromPin)));
}

void CDSPDlgShowCMD::SendSetI(int module, int code, int value, bool store)
{
    QueueCommand(Builder(store), platform::text::format("SET %d %d %d", module, code, value));
}

void CDSPDlgShowCMD::SendSetF(int module, int code, float value, bool store)
{
    QueueCommand(Builder(store),
                 platform::text::format("SET %d %d %e", module, code, Narrowed(value)));
}

void CDSPDlgShowCMD::SendSetII(int module, int code, int channel, int value, bool store)
{
    QueueCommand(Builder(store), platform::text::format("SET %d %d %d %d", module, code,
                                                        PairChannel(module, channel), value));
}

void CDSPDlgShowCMD::SendSetIIF(int module, int code, int a, int b, float value, bool store)
{
    QueueCommand(Builder(store),
                 platform::text::format("SET %d %d %d %d %e", module, code, a, b, Narrowed(value)));
}

void CDSPDlgShowCMD::SendSetIF(int module, int code, int channel, float value, bool store)
{
    QueueCommand(Builder(store),
                 platform::text::format("SET %d %d %d %e", module, code,
                                        PairChannel(module, channel), Narrowed(value)));
}

void CDSPDlgShowCMD::SendSetFF(int module, int code, float a, float b, bool store)
{
    QueueCommand(Builder(store),
                 platform::text::format("SET %d %d %e %e", module, code, Narrowed(a), Narrowed(b)));
}

void CDSPDlgShowCMD::SendSetIFF(int module, int code, int a, float b, float c, bool store)
{
    QueueCommand(Builder(store), platform::text::format("SET %d %d %d %e %e", module, code, a,
                                                        Narrowed(b), Narrowed(c)));
}

void CDSPDlgShowCMD::SendSetIFFF(int module, int code, int a, float b, float c, float d,
                                 bool store)
{
    QueueCommand(Builder(store), platform::text::format("SET %d %d %d %e %e %e", module, code, a,
                                                        Narrowed(b), Narrowed(c), Narrowed(d)));
}

void CDSPDlgShowCMD::SendBiquad(int module, int index, const model::BiquadCoeffs& section,
                                bool store)
{
    constexpr int kBiquadCode = 607;
    SendSetIFFF(module, kBiquadCode, index, static_cast<float>(section.b0),
                static_cast<float>(section.b1), static_cast<float>(section.b2), store);
    SendSetIFF(module, kBiquadCode, index, static_cast<float>(section.a1),
               static_cast<float>(section.a2), store);
}

void CDSPDlgShowCMD::AppendStoreCommands(std::span<const std::string> commands)
{
    std::unique_lock calling(m_observerCall, std::defer_lock);
    int first = 0;
    {
        std::lock_guard lock(m_lock);
        QueueState& q = State(EConsoleQueue::Store);
        first = static_cast<int>(q.rows.size());
        for (const std::string& command : commands)
            q.rows.push_back({command, {}});
        calling.lock();
    }
    if (m_observer)
        for (std::size_t i = 0; i < commands.size(); ++i)
            m_observer->OnRowAdded(EConsoleQueue::Store, first + static_cast<int>(i), commands[i]);
}

void CDSPDlgShowCMD::SendGet(int module, int code)
{
    QueueCommand(EConsoleQueue::Get, platform::text::format("GET %d %d", module, code));
}

void CDSPDlgShowCMD::SendGetChannel(int module, int code, int channel)
{
    QueueCommand(EConsoleQueue::Get, platform::text::format("GET %d %d %d", module, code,
                                                            PairChannel(module, channel)));
}

void CDSPDlgShowCMD::Clear(std::initializer_list<EConsoleQueue> queues)
{
    std::unique_lock calling(m_observerCall, std::defer_lock);
    {
        std::lock_guard lock(m_lock);
        for (const EConsoleQueue queue : queues) {
            QueueState& q = State(queue);
            const std::uint64_t generation = q.generation + 1;
            q = QueueState{};
            q.generation = generation;
        }
        calling.lock();
    }
    if (m_observer)
        for (const EConsoleQueue queue : queues)
            m_observer->OnListCleared(queue);
}

void CDSPDlgShowCMD::ClearAll()
{
    Clear({EConsoleQueue::Store, EConsoleQueue::Control, EConsoleQueue::Get});
}

void CDSPDlgShowCMD::ClearGetList()
{
    Clear({EConsoleQueue::Get});
}

void CDSPDlgShowCMD::ClearStoreList()
{
    Clear({EConsoleQueue::Store});
}

bool CDSPDlgShowCMD::AddHandCommand(std::string_view text)
{
    if (text.empty())
        return true;
    if (!IsCommandReply(text))
        return false;
    // As typed, without the maker prefix: the operator writes the whole
    // command. Queued too, so every row stays the row of its queue entry.
    std::unique_lock calling(m_observerCall, std::defer_lock);
    int row = 0;
    const std::string command(text);
    {
        std::lock_guard lock(m_lock);
        QueueState& q = State(EConsoleQueue::Control);
        row = static_cast<int>(q.rows.size());
        q.rows.push_back({command, {}});
        calling.lock();
    }
    if (m_observer)
        m_observer->OnRowAdded(EConsoleQueue::Control, row, command);
    return true;
}

std::optional<ConsoleTicket> CDSPDlgShowCMD::TakeNext(EConsoleQueue queue)
{
    std::lock_guard lock(m_lock);
    QueueState& q = State(queue);
    if (q.sent >= static_cast<int>(q.rows.size()))
        return std::nullopt;
    ConsoleTicket ticket{queue, q.dropped + static_cast<std::uint64_t>(q.sent), q.generation,
                         q.rows[static_cast<std::size_t>(q.sent)].command};
    ++q.sent;
    return ticket;
}

void CDSPDlgShowCMD::Unsend(const ConsoleTicket& ticket)
{
    std::lock_guard lock(m_lock);
    QueueState& q = State(ticket.queue);
    if (ticket.generation != q.generation || ticket.entry < q.dropped)
        return;
    q.sent = std::min(q.sent, static_cast<int>(ticket.entry - q.dropped));
}

void CDSPDlgShowCMD::StoreReply(const ConsoleTicket& ticket, std::string_view reply)
{
    std::unique_lock calling(m_observerCall, std::defer_lock);
    int row = 0;
    int dropped = 0;
    const std::string text(reply);
    {
        std::lock_guard lock(m_lock);
        QueueState& q = State(ticket.queue);
        if (ticket.generation != q.generation || ticket.entry < q.dropped)
            return;
        row = static_cast<int>(ticket.entry - q.dropped);
        if (row >= static_cast<int>(q.rows.size()))
            return;
        q.rows[static_cast<std::size_t>(row)].reply = text;
        q.rows[static_cast<std::size_t>(row)].answered = true;
        if (IsCommandReply(text))
            ++q.replies;
        if (ticket.queue == EConsoleQueue::Get) {
            m_lastGetReply = text;
            // Everything up to this entry is answered; keep the newest of them.
            dropped = std::max(0, std::min(row + 1 - kGetHistory, q.sent));
            if (dropped > 0) {
                q.rows.erase(q.rows.begin(), q.rows.begin() + dropped);
                q.dropped += static_cast<std::uint64_t>(dropped);
                q.sent -= dropped;
                q.replies = std::max(0, q.replies - dropped);
                row -= dropped;
            }
        }
        calling.lock();
    }
    if (m_observer) {
        m_observer->OnReplySet(ticket.queue, row + dropped, text);
        if (dropped > 0)
            m_observer->OnRowsDropped(ticket.queue, dropped);
    }
}

std::vector<ConsoleRow> CDSPDlgShowCMD::Rows(EConsoleQueue queue) const
{
    std::lock_guard lock(m_lock);
    return State(queue).rows;
}

std::vector<std::string> CDSPDlgShowCMD::Queue(EConsoleQueue queue) const
{
    std::lock_guard lock(m_lock);
    std::vector<std::string> out;
    for (const ConsoleRow& row : State(queue).rows)
        out.push_back(row.command);
    return out;
}

int CDSPDlgShowCMD::SentIndex(EConsoleQueue queue) const
{
    std::lock_guard lock(m_lock);
    return State(queue).sent;
}

int CDSPDlgShowCMD::ReplyCount(EConsoleQueue queue) const
{
    std::lock_guard lock(m_lock);
    return State(queue).replies;
}

std::uint64_t CDSPDlgShowCMD::Generation(EConsoleQueue queue) const
{
    std::lock_guard lock(m_lock);
    return State(queue).generation;
}

std::string CDSPDlgShowCMD::LastGetReply() const
{
    std::lock_guard lock(m_lock);
    return m_lastGetReply;
}

} // namespace comm
