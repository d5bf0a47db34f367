// One-shot text commands on a scripted mailbox and clock, and the progress
// window's rules.
#include "comm/download_progress.h"
#include "comm/snmp_mailbox.h"
#include "comm/text_command.h"

#include <gtest/gtest.h>

#include <deque>
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
class CScriptedMailbox final : public comm::IUnitMailbox {
public:
    std::deque<std::string> spReads;
    std::string sp = "0";
    std::string reply = "*OK#";
    // Writes of "165" whose answer is lost although the unit took them.
    int lostPostedAnswers = 0;
    std::vector<std::string> log;

    bool Read(std::string_view oid, std::string& value) override
    {
        if (oid == kSysContactOid) {
            log.push_back("read SC");
            value = reply;
            return true;
        }
        if (!spReads.empty()) {
            value = spReads.front();
            spReads.pop_front();
        } else {
            value = sp;
        }
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

TEST(TextCommandStep, APostWhoseAnswerWasLostIsNotWrittenAgain)
{
    CScriptedMailbox mailbox;
    mailbox.lostPostedAnswers = 1;
    mailbox.spReads = {"0"};
    comm::CUnitMailboxState unit;
    CFakeTime time;
    comm::CTextExchange exchange(mailbox, unit, time.Sleeper(), time.Clock());
    std::string reply;
    EXPECT_EQ(exchange.Step("*X#", true, &reply, true), comm::kStepPosted);
    // One "165" only: the register read back said the unit had it.
    EXPECT_EQ(mailbox.log, kPost);

    // Lost for good (the register still holds our claim): three tries.
    CScriptedMailbox lost;
    lost.lostPostedAnswers = 3;
    lost.spReads = {"0", "247", "247"};
    comm::CTextExchange second(lost, unit, time.Sleeper(), time.Clock());
    EXPECT_EQ(second.Step("*X#", true, &reply, true), comm::kStepSnmpFailed);
    EXPECT_EQ(lost.log, (std::vector<std::string>{"SP 247", "SC *X#", "SP 165", "SP 165",
                                                  "SP 165", "SP 0"}));
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
