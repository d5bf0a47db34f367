#pragma once
// A temporary class registry for one test, with the test server library
// registered in it when asked.
#include "platform/automation/activation.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/error_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace autotest {

class temp_registry_t {
public:
    temp_registry_t()
    {
        char pattern[] = "/tmp/automation-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made)
            throw std::runtime_error("mkdtemp failed");
        dir_ = made;
        if (const char* old = std::getenv("OSTREL_AUTOMATION_REGISTRY"))
            previous_ = old;
        ::setenv("OSTREL_AUTOMATION_REGISTRY", file().c_str(), 1);
    }
    ~temp_registry_t()
    {
        if (previous_)
            ::setenv("OSTREL_AUTOMATION_REGISTRY", previous_->c_str(), 1);
        else
            ::unsetenv("OSTREL_AUTOMATION_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    temp_registry_t(const temp_registry_t&) = delete;
    temp_registry_t& operator=(const temp_registry_t&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path file() const { return dir_ / "classes.ini"; }

private:
    std::filesystem::path dir_;
    std::optional<std::string> previous_;
};

// The thread's error information as "source: description" ("" when none).
inline std::string take_error_info()
{
    namespace pa = platform::automation;
    pa::com_ptr_t<pa::IErrorInfo> info;
    if (pa::GetErrorInfo(info.put()) != pa::S_OK || !info)
        return {};
    pa::BSTR source = nullptr;
    pa::BSTR description = nullptr;
    info->GetSource(&source);
    info->GetDescription(&description);
    const auto s = pa::bstr_t::attach(source);
    const auto d = pa::bstr_t::attach(description);
    return s.str() + ": " + d.str();
}

// Registered test server and an initialised thread.
class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(platform::automation::register_library(AUTOTEST_SERVER_PATH), platform::automation::S_OK)
            << take_error_info();
        ASSERT_EQ(platform::automation::initialize(), platform::automation::S_OK);
    }
    void TearDown() override { platform::automation::uninitialize(); }

    temp_registry_t registry_;
};

} // namespace autotest
