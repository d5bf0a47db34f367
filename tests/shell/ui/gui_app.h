#pragma once
// One QApplication for a whole GUI test program, made before the first test
// and gone before the program's exit handlers take Qt's own globals down
// (a function-local static application crashes there).
#include <QApplication>

#include <gtest/gtest.h>

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

} // namespace gui_test
