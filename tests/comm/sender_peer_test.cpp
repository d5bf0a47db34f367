// The queued sender end to end: a console with its thread, libkestrin2.so
// and the simulated unit of snmpagent --unit, asserted on the unit's journal,
// the console's rows and what the sender asked of its view.
#include "comm/command_sender.h"
#include "comm/dsp_console.h"
#include "comm/event_log.h"
#include "comm/route_commands.h"
#include "comm/snmp_mailbox.h"
#include "comm/text_command.h"

#include "lossy_relay.h"
#include "model/recording_messages.h"
#include "simulated_unit_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace pa = platform::automation;
using namespace std::chrono_literals;
using Q = comm::EConsoleQueue;

template <class Done> bool WaitFor(const Done& done, std::chrono::milliseconds limit = 15s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The DSP view as a test sees it: every request recorded in order, with the
// commands written to the unit among them, and the stop carried out as the
// view does.
class CRecordingView final : public comm::ISenderOwner {
public:
    std::string mac = "0060a1000001";

    comm::CSenderFlags& Flags() override { return m_flags; }
    std::string UnitMac() const override { return mac; }
    void OpenProgress() override { Record("open"); }
    void SetProgressTotal(int total) override { Record("total " + std::to_string(total)); }
    void SetProgressPos(int pos) override { Record("pos " + std::to_string(pos)); }
    void CloseProgress() override { Record("close"); }
    void Redraw() override {}
    void RestoreArrowCursor() override {}
    void TemplateReply(std::string reply) override { Record("template " + reply); }
    void MeterReply(std::string text) override { Record("meter " + text); }
    void NotifyDspStop() override
    {
        m_flags.stopRequest = 1;
        m_flags.live = 0;
        m_flags.commFault = 0;
        Record("stop");
    }

    void Record(std::string event)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    std::vector<std::string> Events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    bool Saw(const std::string& event) const
    {
        const auto events = Events();
        return std::find(events.begin(), events.end(), event) != events.end();
    }

private:
    comm::CSenderFlags m_flags;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

// The poller's mailbox, with every command written recorded in the view's
// event list, so the order of window requests and commands shows.
class CJournalingComponents final : public comm::ISenderComponents {
public:
    CJournalingComponents(std::string ip, CRecordingView& view) : m_inner(std::move(ip)), m_view(view) {}
    bool Create() override { return m_inner.Create(); }
    void Release() override { m_inner.Release(); }
    std::optional<std::string> FindUnit(const std::string& mac) override { return m_inner.FindUnit(mac); }
    std::unique_ptr<comm::IUnitMailbox> Mailbox(const std::string& ip) override
    {
        class CMailbox final : public comm::IUnitMailbox {
        public:
            CMailbox(std::unique_ptr<comm::IUnitMailbox> inner, CRecordingView& view)
                : m_inner(std::move(inner)), m_view(view) {}
            bool Read(std::string_view oid, std::string& value) override { return m_inner->Read(oid, value); }
            bool Write(std::string_view oid, std::string_view value) override
            {
                if (oid == comm::kSysContactOid)
                    m_view.Record("send " + std::string(value));
                return m_inner->Write(oid, value);
            }

        private:
            std::unique_ptr<comm::IUnitMailbox> m_inner;
            CRecordingView& m_view;
        };
        return std::make_unique<CMailbox>(m_inner.Mailbox(ip), m_view);
    }

private:
    comm::CFixedUnitComponents m_inner;
    CRecordingView& m_view;
};

class SenderPeers : public unit_test::CSimulatedUnitTest {
protected:
    SenderPeers() : CSimulatedUnitTest("127.0.0.45") {}

    void TearDown() override
    {
        console_.StopSender();
        CSimulatedUnitTest::TearDown();
    }

    // Units answer on 161; the simulated one is named with its port.
    std::string Ip() const { return unit_->target(); }

    void Start() { Start(Ip()); }
    // The sender to the unit at `target` (the unit itself, or a path to it).
    void Start(const std::string& target)
    {
        view_.Flags().live = 1;
        console_.StartSender(view_, std::make_unique<CJournalingComponents>(target, view_));
    }
    // A fresh unit, console and view flags for the next row of a table.
    void Restart()
    {
        TearDown();
        console_.ClearAll();
        SetUp();
        view_.Flags().stopRequest = 0;
    }

    struct OneShot {
        int sent = 0;
        std::string reply;
        comm::ETextFailure why = comm::ETextFailure::None;
    };
    // "*<text>#" to the unit at `target` as a one-shot wanting a reply.
    OneShot SendOneShot(const std::string& target, const std::string& text)
    {
        comm::Icom_manager poller;
        comm::Icom_adapter none;
        OneShot result;
        EXPECT_EQ(comm::CreateNetComponents(nullptr, &poller, none, ""), 1);
        result.sent = comm::SendTextCommand(poller, target, text, true, &result.reply,
                                            comm::RealSleep, &result.why);
        return result;
    }

    std::vector<std::string> Commands()
    {
        std::vector<std::string> taken;
        for (const std::string& line : Journal())
            if (line.rfind("command ", 0) == 0)
                taken.push_back(line);
        return taken;
    }
    // How many lines of today's event log end in `text`.
    static std::size_t EventLogLines(const std::string& text)
    {
        std::ifstream in(std::filesystem::path(std::getenv("OSTREL_HOME")) /
                         comm::CEventLog::DailyFileName(std::time(nullptr)));
        std::size_t count = 0;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.size() >= text.size() &&
                line.compare(line.size() - text.size(), text.size(), text) == 0)
                ++count;
        }
        return count;
    }
    bool Answered(Q queue, int count)
    {
        const auto rows = console_.Rows(queue);
        return static_cast<int>(rows.size()) >= count &&
               std::all_of(rows.begin(), rows.begin() + count,
                           [](const comm::ConsoleRow& r) { return !r.reply.empty(); });
    }

    CRecordingView view_;
    // Last: its thread ends before the view and the unit go.
    comm::CDSPDlgShowCMD console_;
};

TEST_F(SenderPeers, StoreThenControlThenGetWithTheProgressClosedBeforeTheGet)
{
    unit_->command("unit get 5 701 = 12");
    console_.SendText("STORE 1", true);
    console_.SendText("RUN 1", false);
    console_.SendText("RUN 2", false);
    console_.SendGet(5, 701);
    view_.Flags().progress = 1;
    Start();
    ASSERT_TRUE(WaitFor([&] { return Answered(Q::Get, 1); }));

    EXPECT_EQ(Commands(), (std::vector<std::string>{"command *NySTORE 1# -> *NySTORE 1#",
                                                    "command *NyRUN 1# -> *NyRUN 1#",
                                                    "command *NyRUN 2# -> *NyRUN 2#",
                                                    "command *NyGET 5 701# -> *12#"}));
    ASSERT_TRUE(WaitFor([&] { return view_.Saw("meter *NyGET 5 701# *12#"); }));
    // One window for the store and the control commands, sized to the whole
    // queue on its first reply, closed before the get went out.
    EXPECT_EQ(view_.Events(),
              (std::vector<std::string>{"open", "send *NySTORE 1#", "total 1", "send *NyRUN 1#",
                                        "pos 1", "send *NyRUN 2#", "pos 2", "close",
                                        "send *NyGET 5 701#", "meter *NyGET 5 701# *12#"}));
    EXPECT_EQ(console_.LastGetReply(), "*12#");
    EXPECT_EQ(view_.Flags().progress, 0);
    EXPECT_TRUE(messages_.ShownIds().empty());
}

TEST_F(SenderPeers, WithCountsPendingTheBarCountsFromTheFirstReply)
{
    for (int i = 0; i < 4; ++i)
        console_.SendText("RUN " + std::to_string(i), false);
    // A download that failed after two commands goes on with the other two.
    auto t0 = console_.TakeNext(Q::Control);
    auto t1 = console_.TakeNext(Q::Control);
    ASSERT_TRUE(t0 && t1);
    view_.Flags().progress = 1;
    view_.Flags().progressCountsPending = 1;
    Start();
    ASSERT_TRUE(WaitFor([&] { return view_.Saw("close"); }));
    EXPECT_EQ(view_.Events(), (std::vector<std::string>{"open", "send *NyRUN 2#", "total 2",
                                                        "send *NyRUN 3#", "pos 2", "close"}));
}

TEST_F(SenderPeers, AskedAgainTheCommandGoesOutOnceMore)
{
    unit_->command("unit askagain 1");
    console_.SendText("RUN 1", false);
    console_.SendText("RUN 2", false);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 2); }));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"command *NyRUN 1# -> (ask again)",
                                                    "command *NyRUN 1# -> *NyRUN 1#",
                                                    "command *NyRUN 2# -> *NyRUN 2#"}));
    EXPECT_EQ(console_.ReplyCount(Q::Control), 2);
}

// Filed without a word, an unframed reply left nothing to find it by: the
// event log keeps what the unit sent, on both paths.
TEST_F(SenderPeers, AnUnframedReplyIsFiledButNotCountedAndLogged)
{
    const std::string queuedLine = "Unframed reply from " + Ip() + " to *NyRUN 1#: \"NyRUN 1#\"";
    const std::size_t before = EventLogLines(queuedLine);
    unit_->command("unit malformed nostar 1");
    console_.SendText("RUN 1", false);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 1); }));
    EXPECT_EQ(console_.Rows(Q::Control)[0].reply, "NyRUN 1#");
    EXPECT_EQ(console_.ReplyCount(Q::Control), 0);
    EXPECT_EQ(EventLogLines(queuedLine), before + 1);

    const std::string oneShotLine = "Unframed reply from " + Ip() + " to *ONE#: \"*ONE\"";
    const std::size_t oneShotBefore = EventLogLines(oneShotLine);
    unit_->command("unit malformed nohash 1");
    const OneShot oneShot = SendOneShot(Ip(), "ONE");
    EXPECT_EQ(oneShot.sent, 0);
    EXPECT_EQ(oneShot.why, comm::ETextFailure::Unframed);
    EXPECT_EQ(EventLogLines(oneShotLine), oneShotBefore + 1);
    console_.SendText("RUN 2", false);
    ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 2); }));
    EXPECT_EQ(console_.ReplyCount(Q::Control), 1);
}

// Failures of one step, counted in a row: the step (three SNMP tries each)
// failing three times is waited out, the fourth time gives up with its
// message. Without a count of its own per step, a succeeding neighbour step
// reset the count and the sender looped for ever.
TEST_F(SenderPeers, EachStepGivesUpOnItsFourthFailureInARow)
{
    struct Case {
        const char* knob;
        int message;
        // Where the control queue's sent index is left: 0 while the unit
        // has not had the command ("165" refused, the claim still shown),
        // so it goes out again next time; 1 once the unit has run it
        // ("90"), which must never run it a second time.
        int sentAfter;
    };
    const Case cases[] = {
        {"fail readsp", comm::kMsgReadSp, 0},        {"fail write 247", comm::kMsgWriteSp, 0},
        {"fail command", comm::kMsgWriteContent, 0}, {"fail write 165", comm::kMsgWriteSp, 0},
        {"fail reply", comm::kMsgReadContent, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.knob);
        for (const int tries : {9, 12}) {
            SCOPED_TRACE(tries);
            Restart();
            model::CRecordingMessages messages;
            unit_->command(std::string("unit ") + c.knob + " " + std::to_string(tries));
            console_.SendText("RUN 1", false);
            Start();
            if (tries == 9) {
                ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 1); }));
                EXPECT_TRUE(messages.ShownIds().empty());
            } else {
                ASSERT_TRUE(WaitFor([&] { return !messages.ShownIds().empty(); }));
                EXPECT_EQ(messages.ShownIds(), std::vector<int>{c.message});
                EXPECT_TRUE(WaitFor([&] { return view_.Flags().live == 0; }));
                EXPECT_EQ(console_.SentIndex(Q::Control), c.sentAfter);
                EXPECT_LE(Commands().size(), 1u);
            }
        }
    }
}

TEST_F(SenderPeers, FiveHundredBusyAnswersAreWaitedOutNotMore)
{
    for (const int busy : {500, 501}) {
        SCOPED_TRACE(busy);
        Restart();
        model::CRecordingMessages messages;
        unit_->command("unit busy " + std::to_string(busy));
        console_.SendText("RUN 1", false);
        Start();
        // Five hundred reads through the poller: slow under the sanitizers
        // on a loaded machine, hence the long deadline.
        if (busy == 500) {
            ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 1); }, 75s));
            EXPECT_TRUE(messages.ShownIds().empty());
        } else {
            ASSERT_TRUE(WaitFor([&] { return !messages.ShownIds().empty(); }, 75s));
            EXPECT_EQ(messages.ShownIds(), std::vector<int>{comm::kMsgBusy});
        }
    }
}

// A unit that never answers a post (the register stays "165") is not a busy
// one: 298 ("SP = 127") said what did not happen. The command is not posted
// again: the unit had it.
TEST_F(SenderPeers, ACommandNeverAnsweredGivesUpWithNoAnswerAndTheMailboxFreed)
{
    unit_->command("unit noreply 1");
    console_.SendText("RUN 1", false);
    Start();
    ASSERT_TRUE(WaitFor([&] { return !messages_.ShownIds().empty(); }));
    EXPECT_EQ(messages_.ShownIds(), std::vector<int>{comm::kMsgNoAnswer});
    const auto journal = Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back(), "set SerialPriority 0");
    EXPECT_EQ(Commands(), std::vector<std::string>{"command *NyRUN 1# -> (no reply)"});
    EXPECT_EQ(console_.SentIndex(Q::Control), 1);
    EXPECT_FALSE(console_.Rows(Q::Control)[0].answered);
}

TEST_F(SenderPeers, AStaleReplyIsFreedAndFiledNowhere)
{
    {
        comm::Icom_manager poller;
        comm::Icom_adapter none;
        ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller, none, ""), 1);
        ASSERT_TRUE(comm::SnmpSetValue(poller, Ip(), comm::kSysContactOid, "*STALE#"));
        ASSERT_TRUE(comm::SnmpSetValue(poller, Ip(), comm::kSerialPriorityOid, "90"));
    }
    console_.SendText("RUN 1", false);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 1); }));
    EXPECT_EQ(console_.Rows(Q::Control)[0].reply, "*NyRUN 1#");
    const auto journal = Journal();
    ASSERT_GE(journal.size(), 4u);
    EXPECT_EQ(journal[2], "set SerialPriority 0");
    EXPECT_EQ(journal[3], "set SerialPriority 247");
}

TEST_F(SenderPeers, AClearDuringAnExchangeFilesItsReplyNowhere)
{
    unit_->command("unit latency 300");
    console_.SendText("RUN 1", false);
    Start();
    ASSERT_TRUE(WaitFor([&] { return view_.Saw("send *NyRUN 1#"); }));
    console_.ClearAll();
    console_.SendText("RUN 2", false);
    ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 1); }));
    const auto rows = console_.Rows(Q::Control);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].command, "*NyRUN 2#");
    EXPECT_EQ(rows[0].reply, "*NyRUN 2#");
}

TEST_F(SenderPeers, AMacThatIsNotTwelveCharactersEndsTheSender)
{
    for (const char* mac : {"0060a100000", "0060a10000011"}) {
        SCOPED_TRACE(mac);
        comm::CDSPDlgShowCMD console;
        model::CRecordingMessages messages;
        view_.mac = mac;
        console.StartSender(view_, std::make_unique<comm::CFixedUnitComponents>(Ip()));
        ASSERT_TRUE(WaitFor([&] { return console.SenderExitCode() != 0; }));
        EXPECT_EQ(console.SenderExitCode(), -2);
        EXPECT_EQ(messages.ShownIds(), std::vector<int>{comm::kMsgBadMac});
    }
}

// One-shots and the queued sender share the unit's mailbox: every exchange
// runs whole (claim, command, post, reply, free) before the next begins.
TEST_F(SenderPeers, AOneShotAndTheQueuedSenderNeverInterleave)
{
    for (int i = 0; i < 5; ++i)
        console_.SendText("RUN " + std::to_string(i), false);
    Start();
    std::thread oneShots([&] {
        pa::initializer_t automation;
        comm::Icom_manager poller;
        comm::Icom_adapter none;
        ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller, none, ""), 1);
        for (int i = 0; i < 5; ++i) {
            std::string reply;
            EXPECT_EQ(comm::SendTextCommand(poller, Ip(), "ONE " + std::to_string(i), true, &reply), 1);
            EXPECT_EQ(reply, "*ONE " + std::to_string(i) + "#");
        }
    });
    oneShots.join();
    ASSERT_TRUE(WaitFor([&] { return Answered(Q::Control, 5); }));
    // An exchange runs from its command's write to the freeing "0"; a
    // write repeated by a sender's own tries may show twice, another
    // command never shows inside it.
    std::string open;
    std::set<std::string> answered;
    for (const std::string& line : Journal()) {
        SCOPED_TRACE(line);
        const std::string contact = "set SysContact ";
        if (line.rfind(contact, 0) == 0) {
            const std::string command = line.substr(contact.size());
            EXPECT_TRUE(open.empty() || open == command) << "inside the exchange of " << open;
            open = command;
        } else if (line == "set SerialPriority 0") {
            open.clear();
        } else if (line.rfind("command ", 0) == 0) {
            EXPECT_EQ(line, "command " + open + " -> " + open);
            answered.insert(open);
        }
    }
    EXPECT_EQ(answered.size(), 10u);
}

} // namespace

namespace {

// The reply to our "165" lost on the way back: the unit has the command,
// and whatever the register shows next ("90", "127", "165", or nothing
// readable) must not make either sender post it again. Each row is what the
// read after the lost reply saw when the command was run twice.
TEST_F(SenderPeers, ALostPostAnswerNeverRunsTheCommandTwice)
{
    struct Case {
        const char* fault;
        const char* knob;  // the unit's behaviour, "" for none
        int lostReads;     // replies to SerialPriority reads lost after the post's
    };
    // A read is three SNMP tries: 3 lost replies lose the whole read.
    const Case cases[] = {
        {"the check read saw the unit busy with it (127) and posted again", "unit busy 1", 0},
        {"the check read was lost and the unit took its own reply (90) as a command", "", 3},
        {"the check read and the next step's read lost, the one-shot gave up", "", 6},
        {"one try of the check read lost", "", 1},
        {"the check read saw the reply waiting (90)", "", 0},
        {"the check read saw the command not yet taken (165)", "unit latency 300", 0},
    };
    for (const Case& c : cases) {
        for (const bool queued : {false, true}) {
            SCOPED_TRACE(std::string(c.fault) + (queued ? ", queued" : ", one-shot"));
            Restart();
            model::CRecordingMessages messages;
            if (*c.knob)
                unit_->command(c.knob);
            commtest::CLossyRelay relay("127.0.0.46", unit_->address(), unit_->port());
            relay.LoseReplyToWrite("165", c.lostReads);
            if (queued) {
                console_.SendText("RUN 1", false);
                Start(relay.Target());
                ASSERT_TRUE(WaitFor([&] {
                    return console_.Rows(Q::Control)[0].answered || !messages.ShownIds().empty();
                }));
                EXPECT_EQ(console_.Rows(Q::Control)[0].reply, "*NyRUN 1#");
                EXPECT_TRUE(messages.ShownIds().empty());
                console_.StopSender();
            } else {
                const OneShot oneShot = SendOneShot(relay.Target(), "RUN 1");
                EXPECT_EQ(oneShot.sent, 1) << comm::TextFailureText(oneShot.why);
                EXPECT_EQ(oneShot.reply, "*RUN 1#");
            }
            EXPECT_EQ(relay.Lost(), 1 + c.lostReads);
            const std::string command = queued ? "*NyRUN 1#" : "*RUN 1#";
            EXPECT_EQ(Commands(),
                      std::vector<std::string>{"command " + command + " -> " + command});
        }
    }
}

// A unit that answers every post with "247" (send it again) had the queued
// sender post the same command without end, with no word to the operator.
// The one-shot never resends; the queued sender resends a bounded number of
// times, then gives up with its message and stops the view.
TEST_F(SenderPeers, AUnitThatAlwaysAsksAgainGetsTheCommandABoundedNumberOfTimes)
{
    const std::string asked = "command *NyRUN 1# -> (ask again)";
    unit_->command("unit askagain 100000");
    console_.SendText("RUN 1", false);
    Start();
    ASSERT_TRUE(WaitFor([&] { return !messages_.ShownIds().empty(); }));
    ASSERT_EQ(messages_.ShownIds(), std::vector<int>{comm::kMsgAskedAgain});
    EXPECT_EQ(messages_.Shown()[0].second,
              model::FormatMessage(comm::kMsgAskedAgain, comm::CCommandSender::kResendLimit + 1));
    EXPECT_TRUE(WaitFor([&] { return view_.Saw("stop") && view_.Flags().live == 0; }));
    console_.StopSender();
    EXPECT_EQ(Commands(), std::vector<std::string>(comm::CCommandSender::kResendLimit + 1, asked));
    EXPECT_EQ(Journal().back(), "set SerialPriority 0");
    // The unit never had it: the next start sends it again.
    EXPECT_EQ(console_.SentIndex(Q::Control), 0);

    Restart();
    unit_->command("unit askagain 100000");
    const OneShot oneShot = SendOneShot(Ip(), "RUN 1");
    EXPECT_EQ(oneShot.sent, 0);
    EXPECT_EQ(oneShot.why, comm::ETextFailure::AskedAgain);
    EXPECT_EQ(Commands(), std::vector<std::string>{"command *RUN 1# -> (ask again)"});
}

} // namespace

namespace {

TEST_F(SenderPeers, UnitsendInBothModes)
{
    const auto run = [&](std::vector<std::string> args, int limitMs = 30000) {
        args.insert(args.begin(), {UNITSEND_PATH, "--ip", Ip()});
        return k2test::run_program(args, "", {}, limitMs);
    };
    auto oneShot = run({"RUN 1", "GET 5 701"});
    EXPECT_EQ(oneShot.status, 0) << oneShot.err;
    // The poller's thread traces stay off the results.
    EXPECT_EQ(oneShot.out, "*RUN 1#\t*RUN 1#\n*GET 5 701#\t*GET 5 701#\n");

    auto queued = run({"--queued", "RUN 1", "RUN 2"});
    EXPECT_EQ(queued.status, 0) << queued.err;
    EXPECT_EQ(queued.out, "*NyRUN 1#\t*NyRUN 1#\n*NyRUN 2#\t*NyRUN 2#\n");

    // A fresh unit for each failure: a one-shot leaves "127" after an
    // unframed reply, which only its own process knows to be no busy unit.
    Restart();
    unit_->command("unit malformed nohash 1");
    auto unframed = run({"RUN 3"});
    EXPECT_EQ(unframed.status, 1);
    EXPECT_NE(unframed.err.find("unitsend: " + Ip() + ": *RUN 3#: " +
                                comm::TextFailureText(comm::ETextFailure::Unframed)),
              std::string::npos)
        << unframed.err;

    Restart();
    unit_->command("unit fail command 12");
    auto gaveUp = run({"--queued", "RUN 4"});
    EXPECT_EQ(gaveUp.status, 1);
    EXPECT_EQ(gaveUp.out, "*NyRUN 4#\t\n");
    EXPECT_NE(gaveUp.err.find("unitsend: " + Ip() + ": *NyRUN 4#: no reply"), std::string::npos)
        << gaveUp.err;

    // An empty reply is a reply: the run ends with it, well before the
    // tool's own deadline (15 s for one text), which this limit is below.
    Restart();
    unit_->command("unit malformed empty 1");
    auto empty = run({"--queued", "RUN 5"}, 8000);
    EXPECT_EQ(empty.status, 1) << empty.err;
    EXPECT_EQ(empty.out, "*NyRUN 5#\t\n");
    EXPECT_NE(empty.err.find("unitsend: " + Ip() + ": *NyRUN 5#: unframed reply \"\""),
              std::string::npos)
        << empty.err;

    EXPECT_EQ(run({"--help"}).status, 0);
    EXPECT_EQ(run({"--bogus"}).status, 2);
}

// A failed one-shot said nothing but its exit status.
TEST_F(SenderPeers, UnitsendSaysWhyAOneShotFailed)
{
    const std::string nobody =
        "127.0.0.47/" + std::to_string(snmp_peers::free_udp_port("127.0.0.47"));
    struct Case {
        const char* knob; // the unit's behaviour, "" for none
        bool reachable;   // false: nothing answers at the address
        comm::ETextFailure why;
    };
    const Case cases[] = {
        {"unit noreply 1", true, comm::ETextFailure::NotTaken},
        {"unit busy 100000", true, comm::ETextFailure::Busy},
        {"", false, comm::ETextFailure::Snmp},
    };
    for (const Case& c : cases) {
        const std::string why = comm::TextFailureText(c.why);
        SCOPED_TRACE(why);
        Restart();
        if (*c.knob)
            unit_->command(c.knob);
        const std::string target = c.reachable ? Ip() : nobody;
        const auto result =
            k2test::run_program({UNITSEND_PATH, "--ip", target, "RUN 6"}, "", {}, 30000);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "*RUN 6#\t\n");
        EXPECT_NE(result.err.find("unitsend: " + target + ": *RUN 6#: " + why), std::string::npos)
            << result.err;
    }
}

} // namespace

namespace {

TEST_F(SenderPeers, RouteTextsGoOutAsOneShotsWithNoReplyWanted)
{
    comm::Icom_manager poller;
    comm::Icom_adapter none;
    ASSERT_EQ(comm::CreateNetComponents(nullptr, &poller, none, ""), 1);
    const comm::RouteTextSender send = comm::OneShotRouteSender(poller, Ip());
    EXPECT_EQ(send("ROUTE00120034010211001001"), 1);
    EXPECT_EQ(comm::QueryFirmware(poller, Ip()), 1);
    EXPECT_EQ(Commands(), (std::vector<std::string>{
                              "command *ROUTE00120034010211001001# -> *ROUTE00120034010211001001#",
                              "command *FIRMW# -> *FIRMW#"}));
}

} // namespace
