// The console window following its console as the sender fills it, and the
// progress window following its total and position; offscreen.
#include "shell/ui/console_window.h"

#include "gui_app.h"
#include "model/recording_messages.h"
#include "shell/language.h"

#include <fstream>

#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <thread>

namespace {

using Q = comm::EConsoleQueue;
using namespace std::chrono_literals;

QStringList Column(QTreeWidget* list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

bool Settle(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(ConsoleWindow, ShowsTheRowsAsTheSenderFillsThem)
{
    model::CRecordingMessages messages;
    comm::CDSPDlgShowCMD console;
    console.SendText("RUN 1", false); // before the window: shown as well
    shell::ui::CConsoleWindow window(console, QStringLiteral("00602b000001"));
    window.show();
    EXPECT_EQ(window.MacEdit()->text(), "00602b000001");
    EXPECT_EQ(window.HandCommand()->text(), "*TESTA#");
    EXPECT_EQ(window.Tabs()->count(), 3);
    EXPECT_TRUE(window.List(Q::Control)->isVisible());
    EXPECT_FALSE(window.List(Q::Get)->isVisible());

    console.SendGet(5, 701);
    console.SendText("STORE 1", true);
    // The sender answers on its own thread.
    std::thread sender([&] {
        for (const Q q : {Q::Control, Q::Get}) {
            const auto ticket = console.TakeNext(q);
            ASSERT_TRUE(ticket);
            console.StoreReply(*ticket, "*OK " + ticket->command + "#");
        }
    });
    sender.join();
    ASSERT_TRUE(Settle([&] { return Column(window.List(Q::Get), 1).value(0) != ""; }));
    EXPECT_EQ(Column(window.List(Q::Control), 0), QStringList{"*NyRUN 1#"});
    EXPECT_EQ(Column(window.List(Q::Control), 1), QStringList{"*OK *NyRUN 1##"});
    EXPECT_EQ(Column(window.List(Q::Get), 1), QStringList{"*OK *NyGET 5 701##"});
    EXPECT_EQ(Column(window.List(Q::Store), 0), QStringList{"*NySTORE 1#"});
    EXPECT_EQ(window.List(Q::Control)->header()->sectionSize(0), window.width() / 2);
    EXPECT_EQ(window.List(Q::Control)->y(), 130);

    window.Tabs()->setCurrentIndex(2);
    EXPECT_TRUE(window.List(Q::Store)->isVisible());
    EXPECT_FALSE(window.List(Q::Control)->isVisible());

    // The hand-typed command: queued as typed, or refused with 299.
    QTest::mouseClick(window.AddButton(), Qt::LeftButton);
    window.HandCommand()->setText("TESTB");
    QTest::mouseClick(window.AddButton(), Qt::LeftButton);
    ASSERT_TRUE(Settle([&] { return window.List(Q::Control)->topLevelItemCount() == 2; }));
    EXPECT_EQ(Column(window.List(Q::Control), 0), (QStringList{"*NyRUN 1#", "*TESTA#"}));
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{299});

    console.ClearAll();
    ASSERT_TRUE(Settle([&] { return window.List(Q::Control)->topLevelItemCount() == 0; }));
}

TEST(ProgressWindow, FollowsTotalAndPosition)
{
    shell::ui::CProgressWindow window;
    window.show();
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    window.SetTotal(10);
    window.SetPos(4);
    EXPECT_EQ(window.Bar()->maximum(), 10);
    EXPECT_EQ(window.Bar()->value(), 4);
    window.SetPos(11); // above the total: the bar stays
    EXPECT_EQ(window.Bar()->value(), 4);
    window.SetTotal(0); // 1..0: no position applies
    EXPECT_EQ(window.Bar()->value(), 0);
}

} // namespace

namespace {

TEST(ConsoleWindow, TakesItsTextsFromTheLanguagePack)
{
    std::ifstream in(OSTREL_SHIPPED_PACKS "/rcEng.lang", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto reading = shell::ParseLanguagePack(bytes);
    EXPECT_TRUE(reading.problems.empty());
    shell::InstallLanguage(std::make_shared<shell::CLanguagePack>(std::move(reading.pack)), "rcEng");
    comm::CDSPDlgShowCMD console;
    shell::ui::CConsoleWindow window(console, QString());
    EXPECT_EQ(window.windowTitle(), "Control commands");
    EXPECT_EQ(window.Tabs()->tabText(1), "Level commands");
    EXPECT_EQ(window.AddButton()->text(), "Add");
    shell::InstallLanguage(nullptr, "");
    shell::ui::CConsoleWindow chinese(console, QString());
    EXPECT_EQ(chinese.windowTitle(), QString::fromUtf8("控制命令显示"));
}

} // namespace
