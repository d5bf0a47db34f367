// The command console's builders, queues and counters.
#include "comm/dsp_console.h"
#include "resources/message_ids.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using comm::CDSPDlgShowCMD;
using comm::EConsoleQueue;
using Q = EConsoleQueue;

// A document with a model code and modules by execution number.
class FakeDocument : public comm::IConsoleOwner {
public:
    int model = 1;
    std::map<int, int> types; // execution number -> module type

    int DeviceModelCode() const override { return model; }
    std::optional<int> ModuleTypeByOrder(int order) const override
    {
        const auto found = types.find(order);
        return found == types.end() ? std::nullopt : std::optional<int>(found->second);
    }
};

class RecordingRows : public comm::IConsoleRowObserver {
public:
    std::vector<std::string> events;
    void OnRowAdded(Q q, int row, const std::string& command) override
    {
        events.push_back("add " + std::to_string(int(q)) + " " + std::to_string(row) + " " + command);
    }
    void OnReplySet(Q q, int row, const std::string& reply) override
    {
        events.push_back("reply " + std::to_string(int(q)) + " " + std::to_string(row) + " " + reply);
    }
    void OnRowsDropped(Q q, int count) override
    {
        events.push_back("drop " + std::to_string(int(q)) + " " + std::to_string(count));
    }
    void OnListCleared(Q q) override { events.push_back("clear " + std::to_string(int(q))); }
};

TEST(CommConsole, EveryBuilderQueuesItsGoldenText)
{
    struct row_t {
        const char* what;
        std::function<void(CDSPDlgShowCMD&)> build;
        Q queue;
        const char* text;
    };
    const row_t rows[] = {
        {"set integer", [](auto& c) { c.SendSetI(3, 601, 1, false); }, Q::Control, "*NySET 3 601 1#"},
        {"set integer, store", [](auto& c) { c.SendSetI(3, 601, 1, true); }, Q::Store, "*NySET 3 601 1#"},
        {"get", [](auto& c) { c.SendGet(5, 701); }, Q::Get, "*NyGET 5 701#"},
        {"get of a channel", [](auto& c) { c.SendGetChannel(5, 702, 3); }, Q::Get, "*NyGET 5 702 3#"},
        {"a get with the store flag", [](auto& c) { c.SendText("GET 5 701", true); }, Q::Store, "*NyGET 5 701#"},
        {"text", [](auto& c) { c.SendText("RUN", false); }, Q::Control, "*NyRUN#"},
        {"% is literal", [](auto& c) { c.SendText("SAVET 1 50%d%s", false); }, Q::Control, "*NySAVET 1 50%d%s#"},
        {"SAVEM", [](auto& c) { c.SendText("SAVEM 2", false); }, Q::Control, "*SAVEM 2#"},
        {"ENDMD", [](auto& c) { c.SendText("ENDMD", true); }, Q::Store, "*ENDMD#"},
        {"CHANM", [](auto& c) { c.SendText("CHANM 1", false); }, Q::Control, "*CHANM 1#"},
        {"GETNM goes to control", [](auto& c) { c.SendText("GETNM 1", false); }, Q::Control, "*GETNM 1#"},
        {"GETMD", [](auto& c) { c.SendText("GETMD", false); }, Q::Control, "*GETMD#"},
        {"module", [](auto& c) { c.SendMDU(3, 7, 2, false); }, Q::Control, "*NyMDU 3 7 2#"},
        {"link", [](auto& c) { c.SendILK(12, 1, 4, 2, false); }, Q::Control, "*NyILK 12 1 4 2#"},
        {"set float", [](auto& c) { c.SendSetF(4, 100, 1.0f, false); }, Q::Control, "*NySET 4 100 1.000000e+000#"},
        {"0.1 in single precision", [](auto& c) { c.SendSetF(4, 100, 0.1f, false); }, Q::Control, "*NySET 4 100 1.000000e-001#"},
        // 2.0000005 is 2.00000047... as a float: its seventh digit rounds down.
        {"narrowed before printing", [](auto& c) { c.SendSetF(4, 100, 2.0000005f, false); }, Q::Control, "*NySET 4 100 2.000000e+000#"},
        {"negative", [](auto& c) { c.SendSetF(4, 100, -0.25f, false); }, Q::Control, "*NySET 4 100 -2.500000e-001#"},
        {"set II", [](auto& c) { c.SendSetII(6, 201, 2, 1, false); }, Q::Control, "*NySET 6 201 2 1#"},
        {"set IIF", [](auto& c) { c.SendSetIIF(6, 301, 1, 2, -6.0f, false); }, Q::Control, "*NySET 6 301 1 2 -6.000000e+000#"},
        {"set IF", [](auto& c) { c.SendSetIF(6, 101, 3, 12.5f, false); }, Q::Control, "*NySET 6 101 3 1.250000e+001#"},
        {"set FF", [](auto& c) { c.SendSetFF(6, 401, 1000.0f, 0.5f, false); }, Q::Control, "*NySET 6 401 1.000000e+003 5.000000e-001#"},
        {"set IFF", [](auto& c) { c.SendSetIFF(6, 402, 2, 1.0f, 2.0f, false); }, Q::Control, "*NySET 6 402 2 1.000000e+000 2.000000e+000#"},
        {"set IFFF", [](auto& c) { c.SendSetIFFF(6, 403, 1, 20.0f, 0.0f, 1.5f, true); }, Q::Store, "*NySET 6 403 1 2.000000e+001 0.000000e+000 1.500000e+000#"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CDSPDlgShowCMD console;
        row.build(console);
        EXPECT_EQ(console.Queue(row.queue), (std::vector<std::string>{row.text}));
        EXPECT_EQ(console.Rows(row.queue).size(), 1u);
        EXPECT_EQ(console.Rows(row.queue)[0].command, row.text);
    }
}

TEST(CommConsole, PairRuleSwapsChannelsOnModelsTwoAndThree)
{
    struct row_t {
        int model;
        int type;
        int channel;
        int sent;
    };
    const row_t rows[] = {
        {2, 2, 1, 2}, {2, 2, 2, 1}, {2, 2, 5, 6}, {2, 1, 1, 1}, {2, 1, 8, 8},
        {3, 2, 1, 1}, {3, 2, 2, 2}, {3, 2, 3, 4}, {3, 2, 4, 3}, {3, 1, 6, 6},
        {3, 1, 7, 8}, {3, 1, 8, 7}, {1, 2, 1, 1}, {4, 2, 1, 1}, {3, 5, 8, 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("model " + std::to_string(row.model) + " type " + std::to_string(row.type) +
                     " channel " + std::to_string(row.channel));
        FakeDocument doc;
        doc.model = row.model;
        doc.types = {{9, row.type}};
        CDSPDlgShowCMD console(&doc);
        console.SendSetII(9, 201, row.channel, 0, false);
        console.SendSetIF(9, 101, row.channel, 1.0f, false);
        console.SendGetChannel(9, 702, row.channel);
        const std::string c = std::to_string(row.sent);
        EXPECT_EQ(console.Queue(Q::Control),
                  (std::vector<std::string>{"*NySET 9 201 " + c + " 0#",
                                            "*NySET 9 101 " + c + " 1.000000e+000#"}));
        EXPECT_EQ(console.Queue(Q::Get), (std::vector<std::string>{"*NyGET 9 702 " + c + "#"}));
    }

    // A link: each pin by its own module; a module the document lacks keeps its pin.
    FakeDocument doc;
    doc.model = 2;
    doc.types = {{12, 2}, {4, 1}};
    CDSPDlgShowCMD console(&doc);
    console.SendILK(12, 1, 4, 1, false);
    console.SendILK(13, 1, 12, 2, false);
    EXPECT_EQ(console.Queue(Q::Control),
              (std::vector<std::string>{"*NyILK 12 2 4 1#", "*NyILK 13 1 12 1#"}));
}

TEST(CommConsole, ClearsEmptyQueuesAndListsAndOrphanRepliesOfEarlierCommands)
{
    CDSPDlgShowCMD console;
    RecordingRows rows;
    console.SetRowObserver(&rows);
    console.SendText("SAVET 1", true);
    console.SendText("SAVET 2", true);
    console.SendSetI(1, 2, 3, false);
    console.SendGet(1, 2);
    for (int i = 0; i < 7; ++i)
        console.CountBusy();
    console.CountFailure();
    console.CountFailure();

    const auto store = console.TakeNext(Q::Store);
    ASSERT_TRUE(store);
    console.StoreReply(*store, "*OK#");
    const auto pending = console.TakeNext(Q::Store);
    ASSERT_TRUE(pending);
    EXPECT_EQ(console.ReplyCount(Q::Store), 1);

    // The template store clears its list: the old program must not go out again.
    console.ClearStoreList();
    EXPECT_TRUE(console.Queue(Q::Store).empty());
    EXPECT_TRUE(console.Rows(Q::Store).empty());
    EXPECT_EQ(console.SentIndex(Q::Store), 0);
    EXPECT_EQ(console.ReplyCount(Q::Store), 0);
    EXPECT_EQ(console.Generation(Q::Store), 1u);
    EXPECT_FALSE(console.TakeNext(Q::Store));
    console.SendText("SAVET 3", true);
    console.StoreReply(*pending, "*late#"); // the reply to "SAVET 2" lands nowhere
    EXPECT_EQ(console.Rows(Q::Store)[0].reply, "");
    console.Unsend(*pending);
    EXPECT_EQ(console.SentIndex(Q::Store), 0);
    EXPECT_EQ(console.Queue(Q::Control).size(), 1u) << "other queues stay";

    console.ClearGetList();
    EXPECT_TRUE(console.Queue(Q::Get).empty());
    EXPECT_EQ(console.Generation(Q::Get), 1u);

    console.ClearAll();
    for (const Q q : {Q::Store, Q::Control, Q::Get}) {
        EXPECT_TRUE(console.Rows(q).empty());
        EXPECT_EQ(console.SentIndex(q), 0);
        EXPECT_EQ(console.ReplyCount(q), 0);
    }
    EXPECT_EQ(console.Generation(Q::Store), 2u);
    EXPECT_EQ(console.Generation(Q::Control), 1u);
    EXPECT_EQ(console.BusyCount(), 7);
    EXPECT_EQ(console.FailureCount(), 2);
    EXPECT_EQ(rows.events.back(), "clear 2");
}

TEST(CommConsole, RepliesGoToTheRowOfTheirCommandAndOnlyFramedOnesCount)
{
    CDSPDlgShowCMD console;
    console.SendSetI(1, 1, 1, false);
    console.SendSetI(1, 1, 2, false);
    const auto first = console.TakeNext(Q::Control);
    const auto second = console.TakeNext(Q::Control);
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(console.TakeNext(Q::Control));
    console.StoreReply(*first, "garbled");
    console.StoreReply(*second, "*OK#");
    const auto rows = console.Rows(Q::Control);
    EXPECT_EQ(rows[0].reply, "garbled");
    EXPECT_EQ(rows[1].reply, "*OK#");
    EXPECT_EQ(console.ReplyCount(Q::Control), 1);
    EXPECT_EQ(console.SentIndex(Q::Control), 2);

    console.SendGet(2, 701);
    const auto get = console.TakeNext(Q::Get);
    console.StoreReply(*get, "*NyGET 2 701 -12#");
    EXPECT_EQ(console.LastGetReply(), "*NyGET 2 701 -12#");
}

TEST(CommConsole, WaitingGetsAreNotRepeatedAndAnsweredOnesAreCapped)
{
    CDSPDlgShowCMD console;
    RecordingRows rows;
    console.SetRowObserver(&rows);
    console.SendGet(3, 701);
    console.SendGet(3, 701);
    console.SendGet(3, 702);
    EXPECT_EQ(console.Queue(Q::Get), (std::vector<std::string>{"*NyGET 3 701#", "*NyGET 3 702#"}));
    auto taken = console.TakeNext(Q::Get);
    console.SendGet(3, 701); // sent, no longer waiting: asked again
    console.SendGet(3, 702); // still waiting
    EXPECT_EQ(console.Queue(Q::Get).size(), 3u);
    console.StoreReply(*taken, "*a#");

    // Meter polling for a long while: the list keeps the last 1000 answered.
    for (int i = 0; i < 1500; ++i) {
        console.SendGet(4, i);
        while (auto next = console.TakeNext(Q::Get))
            console.StoreReply(*next, "*" + next->command.substr(3));
    }
    const auto kept = console.Rows(Q::Get);
    ASSERT_EQ(kept.size(), 1000u);
    EXPECT_EQ(kept.back().command, "*NyGET 4 1499#");
    EXPECT_EQ(kept.back().reply, "*GET 4 1499#");
    EXPECT_EQ(kept.front().command, "*NyGET 4 500#");
    EXPECT_EQ(console.SentIndex(Q::Get), 1000);
    EXPECT_EQ(console.ReplyCount(Q::Get), 1000);

    // A command taken before rows were dropped still finds its own row.
    console.SendGet(5, 1);
    console.SendGet(5, 2);
    const auto a = console.TakeNext(Q::Get);
    const auto b = console.TakeNext(Q::Get);
    console.StoreReply(*b, "*b#"); // drops the two oldest rows, moving a's up
    console.StoreReply(*a, "*a#");
    const auto after = console.Rows(Q::Get);
    ASSERT_EQ(after.size(), 1000u);
    EXPECT_EQ(after[998].command, "*NyGET 5 1#");
    EXPECT_EQ(after[998].reply, "*a#");
    EXPECT_EQ(after[999].reply, "*b#");
    EXPECT_EQ(rows.events.back(), "reply 2 998 *a#");
    EXPECT_EQ(rows.events[rows.events.size() - 2], "drop 2 2");
}

TEST(CommConsole, HandTypedCommandsAreCheckedAndQueuedAsTyped)
{
    CDSPDlgShowCMD console;
    EXPECT_TRUE(console.AddHandCommand(""));
    EXPECT_FALSE(console.AddHandCommand("TESTA#"));
    EXPECT_FALSE(console.AddHandCommand("*TESTA"));
    EXPECT_TRUE(console.Queue(Q::Control).empty());
    EXPECT_TRUE(console.AddHandCommand("*TESTA#"));
    console.SendText("RUN", false);
    EXPECT_EQ(console.Queue(Q::Control), (std::vector<std::string>{"*TESTA#", "*NyRUN#"}));
    const auto hand = console.TakeNext(Q::Control);
    const auto run = console.TakeNext(Q::Control);
    console.StoreReply(*run, "*RUN OK#");
    EXPECT_EQ(console.Rows(Q::Control)[1].reply, "*RUN OK#") << "a reply one row off";
    EXPECT_EQ(resources::kMsgBadFrame, 299);
}

TEST(CommConsole, BiquadSectionGoesAsNumeratorThenDenominatorInSinglePrecision)
{
    CDSPDlgShowCMD console;
    // 1.0000005 and 0.8371816513 print as 1.000001 and 8.371817e-001 in double
    // precision; the unit gets the floats.
    console.SendBiquad(7, 3, {1.0000005, -1.8226949251963083, 0.8371816513, 0.25, -0.0}, false);
    console.SendBiquad(7, 4, model::kPassThroughBiquad, true);
    EXPECT_EQ(console.Queue(Q::Control),
              (std::vector<std::string>{
                  "*NySET 7 607 3 1.000000e+000 -1.822695e+000 8.371816e-001#",
                  "*NySET 7 607 3 2.500000e-001 -0.000000e+000#"}));
    EXPECT_EQ(console.Queue(Q::Store),
              (std::vector<std::string>{
                  "*NySET 7 607 4 1.000000e+000 0.000000e+000 0.000000e+000#",
                  "*NySET 7 607 4 0.000000e+000 0.000000e+000#"}));
}

} // namespace
