#pragma once
// The command console of one DSP view, without its window: the three
// command queues of the view's unit with their list rows (command, reply),
// the counters the sender thread moves, and the builders every part of the
// DSP editor formats its unit commands with.
//
// One lock guards the queues, rows and counters; it is never held while a
// row observer runs nor across an SNMP operation. A second one serialises
// the observer's calls, taken before the first is let go.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "model/filter_math.h"

namespace comm {

class ISenderOwner;
class ISenderComponents;

enum class EConsoleQueue { Store = 0, Control = 1, Get = 2 };
inline constexpr std::size_t kConsoleQueues = 3;

// What the console needs of the DSP document: the unit's model code and a
// module's type by its execution number (the number commands address it by).
class IConsoleOwner {
public:
    virtual ~IConsoleOwner() = default;
    virtual int DeviceModelCode() const = 0;
    // The module type (1 input, 2 output, ...), or nothing when no module
    // has that number.
    virtual std::optional<int> ModuleTypeByOrder(int order) const = 0;
};

// A window showing the lists follows their rows through this. The calls come
// one at a time, in the order of the changes, from whichever thread made
// the change (the sender's too); an observer must not call back into the
// console. Once SetRowObserver has replaced it, no call of the old one is
// running or will come.
class IConsoleRowObserver {
public:
    virtual ~IConsoleRowObserver() = default;
    virtual void OnRowAdded(EConsoleQueue queue, int row, const std::string& command) = 0;
    virtual void OnReplySet(EConsoleQueue queue, int row, const std::string& reply) = 0;
    // Rows [0, count) went (the oldest answered ones); later rows move up.
    virtual void OnRowsDropped(EConsoleQueue queue, int count) = 0;
    virtual void OnListCleared(EConsoleQueue queue) = 0;
};

struct ConsoleRow {
    std::string command;
    std::string reply;
    // A reply was filed, framed or not (an empty one too).
    bool answered = false;
};

// One command taken for sending: which queue, which entry (counted from the
// queue's start, dropped entries included) and the queue's generation then.
struct ConsoleTicket {
    EConsoleQueue queue = EConsoleQueue::Control;
    std::uint64_t entry = 0;
    std::uint64_t generation = 0;
    std::string command;
};

// The record a get reply is handed on with.
struct CDSPCmdReply {
    std::string reply = "No Return";
    const void* view = nullptr;
};

class CDSPDlgShowCMD {
public:
    // At most this many answered get commands are kept.
    static constexpr int kGetHistory = 1000;
    // Message for a hand-typed command that is not framed by "*" and "#".
    static constexpr int kMsgBadFrame = 299;

    explicit CDSPDlgShowCMD(const IConsoleOwner* owner = nullptr);
    // Stops and joins the sender.
    ~CDSPDlgShowCMD();
    CDSPDlgShowCMD(const CDSPDlgShowCMD&) = delete;
    CDSPDlgShowCMD& operator=(const CDSPDlgShowCMD&) = delete;

    // Starts the queued sender of the view `owner` (command_sender.h) on the
    // console's own thread; it runs until StopSender or the destructor.
    void StartSender(ISenderOwner& owner, std::unique_ptr<ISenderComponents> components);
    // Sets the stop flag, wakes the sender from any wait and joins it.
    void StopSender();
    // The sender's exit code once it ended (-1: the automation layer could
    // not start on its thread, -2: the unit's MAC is not 12 characters long,
    // 1: stopped), 0 while it runs or before it started.
    int SenderExitCode() const { return m_senderExit; }

    void SetRowObserver(IConsoleRowObserver* observer);

    // Frames `body` ("SET 3 601 1") as the unit reads it: "*", the maker
    // prefix unless it is a SAVEM/ENDMD/CHANM/GETNM/GETMD command, the body,
    // "#"; and queues it on `queue`. A get identical to one still waiting is
    // not queued again.
    void QueueCommand(EConsoleQueue queue, std::string_view body);

    // The builders: on the store queue when `store`, else on the control
    // queue; the gets on the get queue.
    void SendText(std::string_view text, bool store);
    void SendMDU(int type, int order, int variant, bool store);
    void SendILK(int toModule, int toPin, int fromModule, int fromPin, bool store);
    void SendSetI(int module, int code, int value, bool store);
    void SendSetF(int module, int code, float value, bool store);
    void SendSetII(int module, int code, int channel, int value, bool store);
    void SendSetIIF(int module, int code, int a, int b, float value, bool store);
    void SendSetIF(int module, int code, int channel, float value, bool store);
    void SendSetFF(int module, int code, float a, float b, bool store);
    void SendSetIFF(int module, int code, int a, float b, float c, bool store);
    void SendSetIFFF(int module, int code, int a, float b, float c, float d, bool store);
    // One biquad section of an equalizer, filter or crossover: b0 b1 b2,
    // then a1 a2, both under code 607 with the section's index.
    void SendBiquad(int module, int index, const model::BiquadCoeffs& section, bool store);
    // Queues on the store queue commands already in the form the builders
    // give (maker prefix and "#" included), all in one step: the sender
    // sees none of them or every one, in order.
    void AppendStoreCommands(std::span<const std::string> commands);

    void SendGet(int module, int code);
    void SendGetChannel(int module, int code, int channel);

    // Each clear empties its queues and lists together, resets their
    // counters and starts a new generation: a reply to a command taken
    // before the clear is written nowhere.
    void ClearAll();
    void ClearGetList();
    void ClearStoreList();

    // The hand-typed command of the console window: false (the caller shows
    // message 299) unless framed by "*" and "#"; an empty text does nothing.
    // Queued as typed in the control queue.
    bool AddHandCommand(std::string_view text);

    // The sender's side. The next command of `queue` at its sent index, or
    // nothing when all were sent; the sent index moves on past it.
    std::optional<ConsoleTicket> TakeNext(EConsoleQueue queue);
    // Moves the sent index of the ticket's queue back to its entry (the
    // unit did not get it), unless a clear came in between.
    void Unsend(const ConsoleTicket& ticket);
    // Writes the reply into the row of the ticket's entry, unless a clear
    // came in between or the row was dropped; a framed reply counts as
    // received. A get's reply also becomes the last get reply.
    void StoreReply(const ConsoleTicket& ticket, std::string_view reply);

    // Snapshots.
    std::vector<ConsoleRow> Rows(EConsoleQueue queue) const;
    std::vector<std::string> Queue(EConsoleQueue queue) const;
    int SentIndex(EConsoleQueue queue) const;
    int ReplyCount(EConsoleQueue queue) const;
    std::uint64_t Generation(EConsoleQueue queue) const;
    std::string LastGetReply() const;

    std::atomic<int> m_busyCount{0};
    std::atomic<int> m_failureCount{0};
    std::atomic<bool> m_stop{false};

private:
    struct QueueState {
        std::vector<ConsoleRow> rows; // rows[i].command is queue entry i
        int sent = 0;
        int replies = 0;
        std::uint64_t dropped = 0; // entries dropped from the front
        std::uint64_t generation = 0;
    };

    int PairChannel(int module, int channel) const;
    void Clear(std::initializer_list<EConsoleQueue> queues);
    QueueState& State(EConsoleQueue q) { return m_queues[static_cast<std::size_t>(q)]; }
    const QueueState& State(EConsoleQueue q) const { return m_queues[static_cast<std::size_t>(q)]; }

    const IConsoleOwner* m_owner;
    mutable std::mutex m_lock;
    std::mutex m_observerCall;
    IConsoleRowObserver* m_observer = nullptr; // guarded by m_observerCall
    std::array<QueueState, kConsoleQueues> m_queues;
    std::string m_lastGetReply;
    std::atomic<int> m_senderExit{0};
    // Last: ended before the queues it reads go.
    std::jthread m_sender;
};

} // namespace comm
