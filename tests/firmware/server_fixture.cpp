#include "server_fixture.h"

#include "platform/automation/error_info.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace firmware_test {

temp_registry_t::temp_registry_t() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "gorlith-registry-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    if (const char* old = std::getenv("OSTREL_AUTOMATION_REGISTRY")) {
        previous_ = old;
        had_previous_ = true;
    }
    ::setenv("OSTREL_AUTOMATION_REGISTRY", file().c_str(), 1);
}

temp_registry_t::~temp_registry_t() {
    if (had_previous_)
        ::setenv("OSTREL_AUTOMATION_REGISTRY", previous_.c_str(), 1);
    else
        ::unsetenv("OSTREL_AUTOMATION_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

env_guard_t::env_guard_t(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        previous_ = old;
        had_previous_ = true;
    }
    ::setenv(name, value.c_str(), 1);
}

env_guard_t::~env_guard_t() {
    if (had_previous_)
        ::setenv(name_.c_str(), previous_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

call_error_t error_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const pa::automation_error& e) {
        return {e.hr(), e.source(), e.description(), e.code()};
    }
    return {};
}

void GorlithServer::SetUp() {
    ASSERT_EQ(pa::register_library(GORLITH_PATH), pa::S_OK);
    ASSERT_EQ(pa::initialize(), pa::S_OK);
    initialized_ = true;
}

void GorlithServer::TearDown() {
    if (!initialized_)
        return;
    // The last uninitialize lets go of every library nothing holds.
    pa::uninitialize();
    EXPECT_FALSE(pa::is_library_loaded(GORLITH_PATH))
        << "an object, a lock or a thread of the server is left";
}

pa::dispatch_driver_t GorlithServer::create(const std::string& progid) {
    return pa::dispatch_driver_t::create(progid);
}

std::int32_t GorlithServer::wait_done(const pa::dispatch_driver_t& job, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const std::int32_t done = pa::dispatch_driver_t::to_int(job.get(gorlith::DISPID_done));
        if (done != 0 || std::chrono::steady_clock::now() >= until)
            return done;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace firmware_test
