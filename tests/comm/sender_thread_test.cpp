// The console's sender thread with the user-interface thread in the picture:
// its messages and its stop notification wait on the UI thread, and a
// console destroyed from the UI thread while the sender waits still joins
// it; an exception in a pass does not end the sender.
#include "comm/command_sender.h"
#include "comm/snmp_mailbox.h"

#include "model/recording_messages.h"
#include "platform/automation/driver.h"
#include "resources/message_ids.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Q = comm::EConsoleQueue;

// The DSP view, its stop carried out on the UI thread as the real view does.
class CUiView final : public comm::ISenderOwner {
public:
    std::string mac = "0060a1000001";
    std::atomic<int> stopsOnUiThread{0};

    comm::CSenderFlags& Flags() override { return m_flags; }
    std::string UnitMac() const override { return mac; }
    void OpenProgress() override {}
    void SetProgressTotal(int) override {}
    void SetProgressPos(int) override {}
    void CloseProgress() override {}
    void Redraw() override {}
    void RestoreArrowCursor() override {}
    void TemplateReply(std::string) override {}
    void MeterReply(std::string) override {}
    void NotifyDspStop() override
    {
        model::RunOnUiThread([this] {
            if (model::GetUiThread() && model::GetUiThread()->IsUiThread())
                ++stopsOnUiThread;
            m_flags.stopRequest = 1;
            m_flags.live = 0;
        });
    }

private:
    comm::CSenderFlags m_flags;
};

// A unit in memory that answers every command at once with the command.
class CEchoUnit final : public comm::IUnitMailbox {
public:
    bool Read(std::string_view oid, std::string& value) override
    {
        std::lock_guard lock(m_mutex);
        value = oid == comm::kSerialPriorityOid ? m_sp : m_contact;
        return true;
    }
    bool Write(std::string_view oid, std::string_view value) override
    {
        std::lock_guard lock(m_mutex);
        if (oid == comm::kSysContactOid)
            m_contact = value;
        else
            m_sp = value == comm::kMailboxPosted ? std::string(comm::kMailboxReplied) : std::string(value);
        return true;
    }

private:
    std::mutex m_mutex;
    std::string m_sp = "0";
    std::string m_contact;
};

// Components whose unit look-up fails with an automation error a given
// number of times.
class CFlakyComponents final : public comm::ISenderComponents {
public:
    explicit CFlakyComponents(int failures) : m_failures(failures) {}
    bool Create() override { return true; }
    void Release() override { ++releases; }
    std::optional<std::string> FindUnit(const std::string&) override
    {
        if (m_failures-- > 0)
            throw platform::automation::automation_error(platform::automation::E_FAIL, "test",
                                                         "lost");
        return "10.0.0.9";
    }
    std::unique_ptr<comm::IUnitMailbox> Mailbox(const std::string&) override
    {
        struct CView final : comm::IUnitMailbox {
            CEchoUnit& unit;
            explicit CView(CEchoUnit& u) : unit(u) {}
            bool Read(std::string_view o, std::string& v) override { return unit.Read(o, v); }
            bool Write(std::string_view o, std::string_view v) override { return unit.Write(o, v); }
        };
        return std::make_unique<CView>(m_unit);
    }
    std::atomic<int> releases{0};

private:
    int m_failures;
    CEchoUnit m_unit;
};

TEST(SenderThread, MessagesAndTheStopNotificationRunOnTheUiThread)
{
    model::CManualUiThread ui;
    model::CRecordingMessages messages;
    CUiView view;
    view.mac = "0060a100000"; // 11 characters
    comm::CDSPDlgShowCMD console;
    console.StartSender(view, std::make_unique<CFlakyComponents>(0));
    ASSERT_TRUE(ui.RunUntil([&] { return console.SenderExitCode() != 0; }));
    EXPECT_EQ(console.SenderExitCode(), -2);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgBadMac});
    EXPECT_EQ(view.stopsOnUiThread, 1);
}

TEST(SenderThread, DestroyedFromTheUiThreadWhileTheSenderWaitsForIt)
{
    model::CManualUiThread ui;
    model::CRecordingMessages messages;
    CUiView view;
    view.mac = "0060a100000";
    {
        comm::CDSPDlgShowCMD console;
        console.StartSender(view, std::make_unique<CFlakyComponents>(0));
        // The sender waits for its message box, which this thread never
        // shows: the join below must not wait for it.
        ASSERT_TRUE(ui.WaitForPosted(1));
    }
    ui.RunPosted(); // the box given up is not shown late
    EXPECT_TRUE(messages.ShownIds().empty());
    EXPECT_EQ(view.stopsOnUiThread, 0);
}

TEST(SenderThread, AnExceptionStopsTheViewButNotTheSender)
{
    model::CRecordingMessages messages;
    CUiView view;
    comm::CDSPDlgShowCMD console;
    auto components = std::make_unique<CFlakyComponents>(1);
    CFlakyComponents& flaky = *components;
    console.SendText("RUN 1", false);
    view.Flags().live = 1;
    console.StartSender(view, std::move(components));

    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (view.Flags().stopRequest == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(view.Flags().stopRequest, 1);
    EXPECT_GE(flaky.releases, 1); // the components were dropped
    EXPECT_EQ(console.SenderExitCode(), 0);

    // The next download goes out through the same sender.
    view.Flags().stopRequest = 0;
    view.Flags().live = 1;
    while (console.ReplyCount(Q::Control) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(console.ReplyCount(Q::Control), 1);
    EXPECT_EQ(console.Rows(Q::Control)[0].reply, "*NyRUN 1#");
    console.StopSender();
    EXPECT_EQ(console.SenderExitCode(), 1);
}

} // namespace
