// One-shot text commands on a scripted mailbox and clock, and the progress
// window's rules.
#include "comm/download_progress.h"
#include "comm/event_log.h"
#include "comm/snmp_mailbox.h"
#include "comm/text_command.h"

#include "platform/app_paths/app_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <future>
#include <thread>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using comm::kSerialPriorityOid;
using comm::kSysContactOid;

// A mailbox whose handshake register reads the scripted values first, then
// whatever was last written to it. Writes are recorded as "SP v" / "SC v",
// reads of the reply as "read SC".
// A scripted read of "!" fails (one try of a read).
class CScriptedMailbox final : public comm::IUnitMailbox {
public:
    std::deque<std::string> spReads;
    std::string sp = "0";
    std::string reply = "*OK#";
    // Writes of "165" whose answer is lost although the unit took them.
    int lostPostedAnswers = 0;
    // Tries of reading the reply that fail.
    int lostReplyReads = 0;
    // Once the scripted reads are done, the register reads this whatever
    // was written ("!": the reads fail); empty: what was last written.
    std::string stuckAt;
    std::vector<std::string> log;

    bool Read(std::string_view oid, std::string& value) override
    {
        if (oid == kSysContactOid) {
            log.push_back("read SC");
            if (lostReplyReads > 0) {
                --lostReplyReads;
                return false;
            }
            value = reply;
            return true;
        }
        std::string next = stuckAt.empty() ? sp : stuckAt;
        if (!spReads.empty()) {
            next = spReads.front();
            spReads.pop_front();
        }
        if (next == "!")
            return false;
        value = next;
        return true;
    }
    bool Write(std::string_view oid, std::string_view value) override
    {
        const bool isSp = oid == kSerialPriorityOid;
        log.push_back((isSp ? "SP " : "SC ") + std::string(value));
        if (isSp)
            sp = value;
        if (isSp && value == "165" && lostPostedAnswers > 0) {
            --lostPostedAnswers;
            return false;
        }
        return true;
    }
};

struct CFakeTime {
    std::chrono::steady_clock::time_point now{};
    comm::Sleeper Sleeper()
    {
        return [this](std::chrono::milliseconds d) { now += d; };
    }
    comm::SteadyClock Clock()
    {
        return [this] { return now; };
    }
};

struct StepCase {
    const char* name;
    bool replyWanted;
    std::vector<std::string> spReads;
    std::string reply;
    std::chrono::milliseconds between; // clock moved between steps
    std::vector<int> results;
    std::vector<std::string> log;
    std::string replyOut;
};

const std::vector<std::string> kPost = {"SP 247", "SC *X#", "SP 165"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TextCommandStep, HandshakeSequences)
{
    const std::vector<StepCase> cases = {
        {"taken and answered", true, {"0", "165", "90"}, "*OK#", 20ms, {2, 2, 1},
         Join(kPost, {"read SC", "SP 0"}), "*OK#"},
        {"a leading blank still reads as 90", true, {"0", " 90"}, "*OK#", 20ms, {2, 1},
         Join(kPost, {"read SC", "SP 0"}), "*OK#"},
        {"posted longer than 3000 ms", true, {"0", "165", "165", "165"}, "", 1000ms,
         {2, 2, 2, -2}, Join(kPost, {"SP 0"}), ""},
        {"asked again after the post", true, {"0", "247"}, "", 20ms, {2, -2},
         Join(kPost, {"SP 0"}), ""},
        {"an unframed reply leaves 127", true, {"0", "90"}, "*OK", 20ms, {2, -2},
         Join(kPost, {"read SC", "SP 127"}), ""},
        {"a 90 nobody waits for is freed", true, {"90", "0", "90"}, "*OK#", 20ms, {0, 2, 1},
         Join(Join({"SP 0"}, kPost), {"read SC", "SP 0"}), "*OK#"},
        {"taken without a reply wanted reads none", false, {"0", "90"}, "*OK#", 20ms, {2, 1},
         kPost, ""},
        {"taken with the unit busy counts as taken", false, {"0", "127"}, "", 20ms, {2, 1},
         kPost, ""},
        {"a busy unit is waited for", true, {"127", "127", "165", "0"}, "", 20ms,
         {0, 0, 0, 2}, kPost, ""},
        {"a claim left by someone is freed first", true, {"247", "0"}, "", 20ms, {0, 2},
         Join({"SP 0"}, kPost), ""},
        {"an unexpected value", true, {"33"}, "", 20ms, {-3}, {"SP 0"}, ""},
        {"an unexpected value after the post", true, {"0", "300"}, "", 20ms, {2, -3},
         Join(kPost, {"SP 0"}), ""},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedMailbox mailbox;
        mailbox.spReads.assign(c.spReads.begin(), c.spReads.end());
        mailbox.reply = c.reply;
        comm::CUnitMailboxState unit;
        CFakeTime time;
        comm::CTextExchange exchange(mailbox, unit, time.Sleeper(), time.Clock());
        std::vector<int> results;
        std::string reply;
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            if (i > 0)
                time.now += c.between;
            results.push_back(exchange.Step("*X#", c.replyWanted, &reply, i == 0));
        }
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(mailbox.log, c.log);
        EXPECT_EQ(reply, c.replyOut);
    }
}

TEST(TextCommandStep, OurOwnBusyMarkIsClearedByTheNextExchange)
{
    CScriptedMailbox mailbox;
    mailbox.reply = "*OK"; // unframed
    mailbox.spReads = {"0", "90"};
    comm::CUnitMailboxState unit;
    CFakeTime time;
    std::string reply;
    EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, &reply, 20ms, time.Sleeper(),
                                    time.Clock()),
              0);
    EXPECT_EQ(mailbox.sp, "127");
    EXPECT_TRUE(unit.leftBusy);

    // Nothing clears "127" on the unit's side: the next exchange frees it
    // and goes on instead of waiting for a busy unit for ever.
    mailbox.reply = "*OK#";
    mailbox.log.clear();
    mailbox.spReads = {"127", "0", "90"};
    EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, &reply, 20ms, time.Sleeper(),
                                    time.Clock()),
              1);
    EXPECT_EQ(mailbox.log, Join(Join({"SP 0"}, kPost), {"read SC", "SP 0"}));
    EXPECT_FALSE(unit.leftBusy);

    // A real "127" of the unit, with no mark of ours, is waited for.
    mailbox.log.clear();
    mailbox.spReads = {"127", "127", "0", "90"};
    EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, &reply, 20ms, time.Sleeper(),
                                    time.Clock()),
              1);
    EXPECT_EQ(mailbox.log, Join(kPost, {"read SC", "SP 0"}));
}

// Once a "165" may have reached the unit, the command is written again only
// while the register still shows our claim ("247"). Rows are named after
// what they caught: each ran the command twice or gave up on a command the
// unit had run.
TEST(TextCommandRun, ALostPostAnswerIsNeverPostedAgain)
{
    const std::vector<std::string> kLost3 = {"!", "!", "!"};
    struct Case {
        const char* fault;
        int lostPosts;
        std::vector<std::string> spReads; // after the first, which reads "0"
        int lostReplyReads;
        int result;
        int posts; // "165" written
        comm::ETextFailure why;
        std::string stuckAt = {};
    };
    const std::vector<Case> cases = {
        {"the check read saw the unit busy with it (127) and posted again", 1,
         {"127", "127", "90"}, 0, 1, 1, comm::ETextFailure::None},
        {"the check read was lost and the unit took its reply (90) as a command", 1,
         Join(kLost3, {"90"}), 0, 1, 1, comm::ETextFailure::None},
        {"the read after the post was lost and the exchange gave up", 1,
         Join(Join(kLost3, kLost3), {"90"}), 0, 1, 1, comm::ETextFailure::None},
        {"the reply read was lost and the exchange gave up", 0, {"90", "90"}, 3, 1, 1,
         comm::ETextFailure::None},
        {"the register showed our claim (247): posted again", 1, {"247", "90"}, 0, 1, 2,
         comm::ETextFailure::None},
        {"every post lost with our claim shown: not posted", 3, {"247", "247", "247"}, 0, 0, 3,
         comm::ETextFailure::Snmp},
        {"every post lost, the last one reached it (165)", 3, {"247", "247", "165", "90"}, 0, 1,
         3, comm::ETextFailure::None},
        {"a unit that never answers SNMP again after the post", 1, {}, 0, 0, 1,
         comm::ETextFailure::Snmp, "!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        CScriptedMailbox mailbox;
        mailbox.lostPostedAnswers = c.lostPosts;
        mailbox.spReads = {"0"};
        mailbox.spReads.insert(mailbox.spReads.end(), c.spReads.begin(), c.spReads.end());
        mailbox.lostReplyReads = c.lostReplyReads;
        mailbox.stuckAt = c.stuckAt;
        comm::CUnitMailboxState unit;
        CFakeTime time;
        std::string reply;
        comm::ETextFailure why = comm::ETextFailure::Unexpected;
        EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, &reply, 20ms, time.Sleeper(),
                                        time.Clock(), &why),
                  c.result);
        EXPECT_EQ(std::count(mailbox.log.begin(), mailbox.log.end(), "SP 165"), c.posts);
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(reply, c.result == 1 ? "*OK#" : "");

    }
}

// What a failed one-shot reports, and so what unitsend says.
TEST(TextCommandRun, FailsWithItsReason)
{
    struct Case {
        const char* name;
        std::string first;   // the register at the start
        std::string stuckAt; // what it reads after that, whatever is written
        std::string reply;
        comm::ETextFailure why;
    };
    const std::vector<Case> cases = {
        {"a unit that never takes the post", "0", "165", "", comm::ETextFailure::NotTaken},
        {"a unit busy with it till the limit", "0", "127", "", comm::ETextFailure::Busy},
        {"a mailbox busy with another exchange", "165", "165", "", comm::ETextFailure::Busy},
        {"a unit that takes it and never replies", "0", "0", "", comm::ETextFailure::NoReply},
        {"a unit that asks again", "0", "247", "", comm::ETextFailure::AskedAgain},
        {"an unframed reply", "0", "90", "*OK", comm::ETextFailure::Unframed},
        {"a handshake value of no meaning", "33", "33", "", comm::ETextFailure::Unexpected},
        {"no SNMP answer", "!", "!", "", comm::ETextFailure::Snmp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedMailbox mailbox;
        mailbox.spReads = {c.first};
        mailbox.stuckAt = c.stuckAt;
        mailbox.reply = c.reply;
        comm::CUnitMailboxState unit;
        CFakeTime time;
        comm::ETextFailure why = comm::ETextFailure::None;
        EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, nullptr, 20ms, time.Sleeper(),
                                        time.Clock(), &why),
                  0);
        EXPECT_EQ(why, c.why) << comm::TextFailureText(why);
    }
}

TEST(TextCommandStep, AnUnframedReplyIsLoggedWithWhatTheUnitSent)
{
    CScriptedMailbox mailbox;
    mailbox.spReads = {"0", "90"};
    mailbox.reply = "*OK";
    comm::CUnitMailboxState unit;
    unit.ip = "198.18.0.7";
    CFakeTime time;
    EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, nullptr, 20ms, time.Sleeper(),
                                    time.Clock()),
              0);
    std::ifstream log(platform::app_paths::ProgramFolder() /
                      comm::CEventLog::DailyFileName(std::time(nullptr)));
    std::string last;
    for (std::string line; std::getline(log, line);)
        last = line;
    EXPECT_NE(last.find("Unframed reply from 198.18.0.7 to *X#: \"*OK\"\r"), std::string::npos)
        << last;
}

TEST(TextCommandRun, GivesUpAfterItsLimitAndWaitsForTheUnitLock)
{
    CScriptedMailbox mailbox;
    mailbox.sp = "127"; // a busy unit that stays busy
    comm::CUnitMailboxState unit;
    CFakeTime time;
    const auto start = time.now;
    EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, nullptr, 20ms, time.Sleeper(),
                                    time.Clock()),
              0);
    EXPECT_GT(time.now - start, comm::kTextCommandLimit);
    EXPECT_LT(time.now - start, comm::kTextCommandLimit + 100ms);

    // While another sender holds the unit nothing is read or written.
    std::promise<void> held, done;
    std::thread holder([&] {
        std::unique_lock lock(unit.lock);
        held.set_value();
        done.get_future().wait();
    });
    held.get_future().wait();
    mailbox.log.clear();
    int clockCalls = 0;
    const comm::SteadyClock clock = [&] { return start + (clockCalls++) * 1s; };
    EXPECT_EQ(comm::RunTextExchange(mailbox, unit, "*X#", true, nullptr, 20ms, time.Sleeper(),
                                    clock),
              0);
    EXPECT_TRUE(mailbox.log.empty());
    done.set_value();
    holder.join();
}

TEST(UnitLock, BoundedWaitFailsWhileHeldAndHandsTheUnitOverOnRelease)
{
    comm::CUnitLock lock;
    std::promise<void> held, release;
    std::thread holder([&] {
        std::unique_lock hold(lock);
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    EXPECT_FALSE(lock.try_lock());
    EXPECT_FALSE(lock.try_lock_for(10ms));

    // A waiter blocked in the bounded wait gets the unit when the holder
    // lets go, well before its limit.
    std::promise<bool> got;
    std::thread waiter([&] {
        const bool taken = lock.try_lock_for(1h);
        got.set_value(taken);
        if (taken)
            lock.unlock();
    });
    release.set_value();
    auto result = got.get_future();
    ASSERT_EQ(result.wait_for(60s), std::future_status::ready);
    EXPECT_TRUE(result.get());
    holder.join();
    waiter.join();
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
}

TEST(DownloadProgress, PositionsAboveTheTotalAreIgnored)
{
    comm::CDSPDlgDownloadProgress progress;
    progress.SetTotal(10);
    EXPECT_EQ(progress.RangeLow(), 1);
    progress.SetPos(4);
    EXPECT_EQ(progress.Pos(), 4);
    progress.SetPos(11);
    EXPECT_EQ(progress.Pos(), 4);
    progress.SetPos(10);
    EXPECT_EQ(progress.Pos(), 10);

    comm::CDSPDlgDownloadProgress empty;
    empty.SetTotal(0);
    empty.SetPos(1);
    EXPECT_EQ(empty.Pos(), 0);
}

} // namespace
