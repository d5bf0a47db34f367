#pragma once
// One QApplication for a whole GUI test program, made before the first test
// and gone before the program's exit handlers take Qt's own globals down
// (a function-local static application crashes there).
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace gui_test {

class CAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { m_app = new QApplication(m_argc, m_argv); }
    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    int m_argc = 1;
    char m_name[16] = "gui_test";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_app = nullptr;
};

inline const auto* const g_app = ::testing::AddGlobalTestEnvironment(new CAppEnvironment);

// Runs the event loop until `condition` holds or `timeout` is up; true when
// it held. Meant under an assertion, ASSERT_TRUE(WaitFor(...)) << "what did
// not happen". Not QTRY_VERIFY and its kin (nor QVERIFY, QCOMPARE): they
// report to a QTest run that gtest never sees and quietly return, so a test
// whose wait ran out skipped its remaining checks and passed.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

} // namespace gui_test
