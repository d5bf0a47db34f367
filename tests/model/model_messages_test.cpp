// The message service: routing between worker threads and the UI thread,
// questions and their answers, stopping a worker that waits for a box, and
// the message log file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "model/messages.h"
#include "model/recording_messages.h"

namespace {

using model::EMessageAnswer;
using model::EMessageButtons;
using Entries = std::vector<model::CRecordingMessages::Entry>;

// Message texts of the built-in table.
constexpr int kFileFormat = 157; // "非预期的文件格式！"
constexpr int kTooLarge = 160;   // "设备尺寸太大，当前文档模板无法放下！"
constexpr int kDrawBitmap = 159; // "    异常 %d：绘制设备时载入位图失败！"
constexpr int kUndoType = 222; // "    异常 %d：撤销操作时不正确的设备类型 '%s' 历史纪录！"
constexpr int kRedoMismatch = 236; // "执行重做操作时发现设备类型不匹配！"

// A sink that hands every question to the test while the box is "open".
class CHookedSink final : public model::IMessageSink {
public:
    CHookedSink() : previous_(model::SetMessageSink(this)) {}
    ~CHookedSink() override { model::SetMessageSink(previous_); }
    CHookedSink(const CHookedSink&) = delete;
    CHookedSink& operator=(const CHookedSink&) = delete;

    void ShowMessage(int, const std::string&) override { onBox(); }
    void Log(int, const std::string&) override {}
    EMessageAnswer Ask(int, const std::string&, EMessageButtons, EMessageAnswer) override {
        onBox();
        return answer;
    }

    std::function<void()> onBox = [] {};
    EMessageAnswer answer = EMessageAnswer::Yes;

private:
    model::IMessageSink* previous_;
};

TEST(MessageButtons, DismissAnswerIsOneOfTheButtonsAndNeverAgrees) {
    struct Row {
        const char* name;
        EMessageButtons buttons;
        EMessageAnswer dismiss;
        std::vector<EMessageAnswer> valid;
    };
    const Row rows[] = {
        {"ok alone: the only button",
         EMessageButtons::Ok,
         EMessageAnswer::Ok,
         {EMessageAnswer::Ok}},
        {"ok cancel",
         EMessageButtons::OkCancel,
         EMessageAnswer::Cancel,
         {EMessageAnswer::Ok, EMessageAnswer::Cancel}},
        {"yes no: no, as there is no cancel",
         EMessageButtons::YesNo,
         EMessageAnswer::No,
         {EMessageAnswer::Yes, EMessageAnswer::No}},
        {"yes no cancel",
         EMessageButtons::YesNoCancel,
         EMessageAnswer::Cancel,
         {EMessageAnswer::Yes, EMessageAnswer::No, EMessageAnswer::Cancel}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(model::DismissAnswer(row.buttons), row.dismiss);
        for (EMessageAnswer a : {EMessageAnswer::Ok, EMessageAnswer::Cancel, EMessageAnswer::Yes,
                                 EMessageAnswer::No}) {
            const bool expected =
                std::find(row.valid.begin(), row.valid.end(), a) != row.valid.end();
            EXPECT_EQ(model::HasButton(row.buttons, a), expected) << static_cast<int>(a);
        }
    }
}

TEST(MessageService, WithoutUiThreadTheSinkHearsEverythingFormattedOnTheCallingThread) {
    model::CRecordingMessages messages;
    model::ShowMessage(kUndoType, 104, "UPDATE");
    model::LogMessage(kDrawBitmap, 102);
    EXPECT_EQ(model::Ask(kFileFormat, EMessageButtons::YesNo, EMessageAnswer::No),
              EMessageAnswer::No);

    EXPECT_EQ(
        messages.Shown(),
        (Entries{{kUndoType, "    异常 104：撤销操作时不正确的设备类型 'UPDATE' 历史纪录！"}}));
    EXPECT_EQ(messages.Logged(),
              (Entries{{kDrawBitmap, "    异常 102：绘制设备时载入位图失败！"}}));
    EXPECT_EQ(messages.Asked(), (Entries{{kFileFormat, "非预期的文件格式！"}}));
}

TEST(MessageService, ScriptedAnswersGoByIdInOrderAndTheLastOneStays) {
    model::CRecordingMessages messages;
    messages.ScriptAnswer(kFileFormat, EMessageAnswer::Yes);
    messages.ScriptAnswer(kFileFormat, EMessageAnswer::Cancel);
    messages.ScriptAnswer(kRedoMismatch, EMessageAnswer::Ok);

    const auto ask = [](int id) {
        return model::Ask(id, EMessageButtons::YesNoCancel, EMessageAnswer::No);
    };
    EXPECT_EQ(ask(kFileFormat), EMessageAnswer::Yes);
    EXPECT_EQ(ask(kTooLarge), EMessageAnswer::No) << "no script: the default answer";
    EXPECT_EQ(ask(kFileFormat), EMessageAnswer::Cancel);
    EXPECT_EQ(ask(kFileFormat), EMessageAnswer::Cancel) << "the last answer stays";
    EXPECT_EQ(messages.AskedIds(),
              (std::vector<int>{kFileFormat, kTooLarge, kFileFormat, kFileFormat}));

    EXPECT_THROW(ask(kRedoMismatch), std::invalid_argument) << "OK is no button of Yes/No/Cancel";
    EXPECT_THROW(model::Ask(kFileFormat, EMessageButtons::YesNo, EMessageAnswer::Ok),
                 std::invalid_argument)
        << "a default that is not a button";
}

TEST(MessageService, OnTheUiThreadTheSinkIsCalledDirectly) {
    model::CRecordingMessages messages;
    model::CManualUiThread ui;
    messages.ScriptAnswer(kFileFormat, EMessageAnswer::Ok);

    EXPECT_EQ(model::Ask(kFileFormat, EMessageButtons::OkCancel, EMessageAnswer::Cancel),
              EMessageAnswer::Ok);
    model::ShowMessage(kRedoMismatch);
    model::LogMessage(kDrawBitmap, 7);

    EXPECT_EQ(ui.PostedCount(), 0u);
    EXPECT_EQ(messages.AskedIds(), std::vector<int>{kFileFormat});
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{kRedoMismatch});
    EXPECT_EQ(messages.LoggedIds(), std::vector<int>{kDrawBitmap});
}

TEST(MessageService, AWorkersCallsAreCarriedToTheUiThreadAndWaitForTheBox) {
    model::CRecordingMessages messages;
    model::CManualUiThread ui;
    messages.ScriptAnswer(kFileFormat, EMessageAnswer::Yes);

    std::atomic<bool> logged = false, shown = false;
    std::optional<EMessageAnswer> answer;
    std::jthread worker([&](std::stop_token stop) {
        model::CWorkerStopScope scope(stop);
        model::LogMessage(kDrawBitmap, 3);
        logged = true;
        model::ShowMessage(kRedoMismatch);
        shown = true;
        answer = model::Ask(kFileFormat, EMessageButtons::YesNo, EMessageAnswer::No);
    });

    // The log entry does not wait, the message box does; nothing reaches the
    // sink off the UI thread.
    ASSERT_TRUE(ui.WaitForPosted(2));
    EXPECT_TRUE(logged);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(messages.Logged().empty());
    EXPECT_TRUE(messages.Shown().empty());

    ASSERT_TRUE(ui.RunUntil([&] { return messages.Asked().size() == 1; }));
    worker.join();
    EXPECT_EQ(answer, EMessageAnswer::Yes);
    EXPECT_EQ(messages.LoggedIds(), std::vector<int>{kDrawBitmap});
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{kRedoMismatch});
    EXPECT_EQ(messages.Asked(), (Entries{{kFileFormat, "非预期的文件格式！"}}));
}

// The owner is the UI thread: it stops the worker and joins it without ever
// running the posted box. The worker must come back on its own.
TEST(MessageService, AStoppedWorkerGivesUpWhileTheUiThreadJoinsIt) {
    struct Row {
        const char* name;
        EMessageButtons buttons;
        EMessageAnswer defaultAnswer;
        EMessageAnswer expected;
    };
    const Row rows[] = {
        {"yes no cancel: cancel", EMessageButtons::YesNoCancel, EMessageAnswer::Yes,
         EMessageAnswer::Cancel},
        {"ok cancel: cancel", EMessageButtons::OkCancel, EMessageAnswer::Ok,
         EMessageAnswer::Cancel},
        {"yes no defaulting to yes: still no", EMessageButtons::YesNo, EMessageAnswer::Yes,
         EMessageAnswer::No},
        {"ok alone: ok", EMessageButtons::Ok, EMessageAnswer::Ok, EMessageAnswer::Ok},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        model::CRecordingMessages messages;
        model::CManualUiThread ui;
        std::optional<EMessageAnswer> answer;
        std::jthread worker([&](std::stop_token stop) {
            model::CWorkerStopScope scope(stop);
            answer = model::Ask(kFileFormat, row.buttons, row.defaultAnswer);
        });
        ASSERT_TRUE(ui.WaitForPosted(1));
        worker.request_stop();
        worker.join();
        EXPECT_EQ(answer, row.expected);

        EXPECT_EQ(ui.RunPosted(), 1u);
        EXPECT_TRUE(messages.Asked().empty()) << "a box whose worker is gone is never shown";
    }
}

TEST(MessageService, AStoppedWorkerStopsWaitingForAMessageBox) {
    model::CRecordingMessages messages;
    model::CManualUiThread ui;
    {
        std::jthread worker([](std::stop_token stop) {
            model::CWorkerStopScope scope(stop);
            model::ShowMessage(kRedoMismatch);
        });
        ASSERT_TRUE(ui.WaitForPosted(1));
    } // stop and join, as an owner going away does
    ui.RunPosted();
    EXPECT_TRUE(messages.Shown().empty());
}

TEST(MessageService, AWorkerAlreadyStoppedAsksNobody) {
    model::CRecordingMessages messages;
    model::CManualUiThread ui;
    std::stop_source source;
    source.request_stop();
    std::optional<EMessageAnswer> answer;
    std::thread([&] {
        model::CWorkerStopScope scope(source.get_token());
        model::ShowMessage(kRedoMismatch);
        answer = model::Ask(kFileFormat, EMessageButtons::YesNoCancel, EMessageAnswer::Yes);
    }).join();
    EXPECT_EQ(answer, EMessageAnswer::Cancel);
    EXPECT_EQ(ui.PostedCount(), 0u);
}

// The box is open on the UI thread when the worker is stopped; the user's
// answer comes after the worker has returned and its stack is gone.
TEST(MessageService, AnAnswerAfterTheWorkerGaveUpIsHarmless) {
    CHookedSink sink;
    model::CManualUiThread ui;
    std::optional<EMessageAnswer> answer;
    std::atomic<bool> returned = false;
    std::jthread worker([&](std::stop_token stop) {
        model::CWorkerStopScope scope(stop);
        answer = model::Ask(kFileFormat, EMessageButtons::YesNo, EMessageAnswer::Yes);
        returned = true;
    });
    bool boxOpened = false;
    sink.onBox = [&] {
        boxOpened = true;
        worker.request_stop();
        worker.join();
    };
    ASSERT_TRUE(ui.RunUntil([&] { return returned.load(); }));
    EXPECT_TRUE(boxOpened);
    EXPECT_EQ(answer, EMessageAnswer::No) << "the worker did not get the late Yes";

    // The service is none the worse: the next worker gets its answer.
    sink.onBox = [] {};
    std::atomic<bool> nextReturned = false;
    std::jthread next([&](std::stop_token stop) {
        model::CWorkerStopScope scope(stop);
        answer = model::Ask(kFileFormat, EMessageButtons::YesNo, EMessageAnswer::No);
        nextReturned = true;
    });
    ASSERT_TRUE(ui.RunUntil([&] { return nextReturned.load(); }));
    next.join();
    EXPECT_EQ(answer, EMessageAnswer::Yes);
}

// A loop that ends with the question still queued destroys it unrun; the
// worker, which has no stop flag at all, is released rather than left
// waiting forever.
TEST(MessageService, AQuestionDroppedUnrunReleasesTheWorker) {
    model::CRecordingMessages messages;
    std::optional<EMessageAnswer> answer;
    std::thread worker;
    {
        model::CManualUiThread ui;
        worker = std::thread([&] {
            answer = model::Ask(kFileFormat, EMessageButtons::OkCancel, EMessageAnswer::Ok);
        });
        ASSERT_TRUE(ui.WaitForPosted(1));
    }
    worker.join();
    EXPECT_EQ(answer, EMessageAnswer::Cancel);
    EXPECT_TRUE(messages.Asked().empty());
}

TEST(MessageService, ManyWorkersWithoutUiThreadAreAllRecorded) {
    model::CRecordingMessages messages;
    messages.ScriptAnswer(kFileFormat, EMessageAnswer::Yes);
    constexpr int kThreads = 4, kEach = 200;
    std::atomic<int> yes = 0;
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < kThreads; ++t)
            workers.emplace_back([&] {
                for (int i = 0; i < kEach; ++i) {
                    model::LogMessage(kDrawBitmap, i);
                    if (model::Ask(kFileFormat, EMessageButtons::YesNo, EMessageAnswer::No) ==
                        EMessageAnswer::Yes)
                        ++yes;
                }
            });
    }
    EXPECT_EQ(messages.Logged().size(), std::size_t{kThreads * kEach});
    EXPECT_EQ(messages.Asked().size(), std::size_t{kThreads * kEach});
    EXPECT_EQ(yes, kThreads * kEach);
}

// --- the message log file -------------------------------------------------

class ScopedLogEnv {
public:
    explicit ScopedLogEnv(const char* value) {
        if (const char* old = std::getenv(kName))
            old_ = old;
        if (value != nullptr)
            ::setenv(kName, value, 1);
        else
            ::unsetenv(kName);
    }
    ~ScopedLogEnv() {
        if (old_)
            ::setenv(kName, old_->c_str(), 1);
        else
            ::unsetenv(kName);
    }
    ScopedLogEnv(const ScopedLogEnv&) = delete;
    ScopedLogEnv& operator=(const ScopedLogEnv&) = delete;

private:
    static constexpr const char* kName = "OSTREL_MESSAGE_LOG";
    std::optional<std::string> old_;
};

class MessageLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("ostrel_msglog_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        previous_ = model::SetMessageSink(nullptr);
    }
    void TearDown() override {
        model::SetMessageSink(previous_);
        std::filesystem::remove_all(dir_);
    }

    std::vector<std::string> Lines(const std::filesystem::path& file) const {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::filesystem::path dir_;
    model::IMessageSink* previous_ = nullptr;
};

TEST_F(MessageLogFile, UnsetOrEmptyInstallsNothing) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        ScopedLogEnv env(value);
        EXPECT_FALSE(model::InstallMessageLogFromEnvironment());
        EXPECT_EQ(model::SetMessageSink(nullptr), nullptr);
    }
}

TEST_F(MessageLogFile, WritesOneLinePerEntryAndTakesTheDefaultAnswer) {
    const auto file = dir_ / "messages.log";
    { std::ofstream(file) << "MSG 1 from an earlier run\n"; }
    ScopedLogEnv env(file.c_str());
    ASSERT_TRUE(model::InstallMessageLogFromEnvironment());

    model::ShowMessage(kUndoType, 104, "UPDATE");
    model::LogMessage(kDrawBitmap, 102);
    EXPECT_EQ(model::Ask(kFileFormat, EMessageButtons::YesNoCancel, EMessageAnswer::Yes),
              EMessageAnswer::Yes);
    EXPECT_EQ(model::Ask(kRedoMismatch, EMessageButtons::OkCancel, EMessageAnswer::Cancel),
              EMessageAnswer::Cancel);
    model::ShowMessageText(5, "first\nsecond\r\nthird");

    EXPECT_EQ(Lines(file),
              (std::vector<std::string>{
                  "MSG 1 from an earlier run",
                  "MSG 222     异常 104：撤销操作时不正确的设备类型 'UPDATE' 历史纪录！",
                  "LOG 159     异常 102：绘制设备时载入位图失败！",
                  "MSG 157 非预期的文件格式！",
                  "MSG 236 执行重做操作时发现设备类型不匹配！",
                  "MSG 5 first\\nsecond\\nthird",
              }));
}

TEST_F(MessageLogFile, LinesFromManyThreadsStayWhole) {
    const auto file = dir_ / "threads.log";
    ScopedLogEnv env(file.c_str());
    ASSERT_TRUE(model::InstallMessageLogFromEnvironment());
    constexpr int kThreads = 4, kEach = 250;
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < kThreads; ++t)
            workers.emplace_back([t] {
                for (int i = 0; i < kEach; ++i)
                    model::ShowMessageText(t, "thread " + std::to_string(t) + " line " +
                                                  std::to_string(i));
            });
    }
    const std::vector<std::string> lines = Lines(file);
    ASSERT_EQ(lines.size(), std::size_t{kThreads * kEach});
    std::vector<int> next(kThreads, 0);
    const std::regex shape(R"(MSG (\d) thread (\d) line (\d+))");
    for (const std::string& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        const int t = std::stoi(m[1]);
        EXPECT_EQ(m[2], m[1]);
        EXPECT_EQ(std::stoi(m[3]), next[t]++) << "each thread's lines in its order";
    }
}

TEST_F(MessageLogFile, AFileThatCannotBeOpenedIsAnError) {
    const auto file = dir_ / "missing" / "messages.log";
    ScopedLogEnv env(file.c_str());
    EXPECT_THROW(model::InstallMessageLogFromEnvironment(), std::runtime_error);
    EXPECT_EQ(model::SetMessageSink(nullptr), nullptr) << "the sink stays as it was";
}

// A whole program without windows: a worker's question is answered on the
// UI thread from the log sink, with the default.
TEST_F(MessageLogFile, AWorkersQuestionThroughTheUiThreadIsLoggedAndDefaulted) {
    const auto file = dir_ / "program.log";
    ScopedLogEnv env(file.c_str());
    ASSERT_TRUE(model::InstallMessageLogFromEnvironment());
    model::CManualUiThread ui;
    std::optional<EMessageAnswer> answer;
    std::jthread worker([&](std::stop_token stop) {
        model::CWorkerStopScope scope(stop);
        answer = model::Ask(kRedoMismatch, EMessageButtons::YesNo, EMessageAnswer::Yes);
    });
    ASSERT_TRUE(ui.RunUntil([&] { return Lines(file).size() == 1; }));
    worker.join();
    EXPECT_EQ(answer, EMessageAnswer::Yes);
    EXPECT_EQ(Lines(file), std::vector<std::string>{"MSG 236 执行重做操作时发现设备类型不匹配！"});
}

} // namespace
