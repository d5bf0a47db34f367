#pragma once
// The firmware updater server (libgorlith.so) as its clients reach it: a
// temporary class registry with the library registered in it, an
// initialised thread, calls through IDispatch and their error information.
#include "firmware/server/ids.h"
#include "platform/automation/activation.h"
#include "platform/automation/driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace firmware_test {

namespace pa = platform::automation;

// A class registry file of the test's own, named by
// $OSTREL_AUTOMATION_REGISTRY while it lives.
class temp_registry_t {
public:
    temp_registry_t();
    ~temp_registry_t();
    temp_registry_t(const temp_registry_t&) = delete;
    temp_registry_t& operator=(const temp_registry_t&) = delete;

    const std::string& dir() const { return dir_; }
    std::string file() const { return dir_ + "/classes.ini"; }

private:
    std::string dir_;
    std::string previous_;
    bool had_previous_ = false;
};

// An environment variable set while it lives.
class env_guard_t {
public:
    env_guard_t(const char* name, const std::string& value);
    ~env_guard_t();
    env_guard_t(const env_guard_t&) = delete;
    env_guard_t& operator=(const env_guard_t&) = delete;

private:
    std::string name_;
    std::string previous_;
    bool had_previous_ = false;
};

// What a failed call raised.
struct call_error_t {
    pa::HRESULT hr = pa::S_OK;
    std::string source;
    std::string description;
    std::uint16_t code = 0;
};

// Runs `call`; the error it raised, or hr S_OK when it raised none.
call_error_t error_of(const std::function<void()>& call);

// The library registered in a temporary registry and the thread
// initialised; at the end every object is to be released, and the library
// must then be unloaded.
class GorlithServer : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static pa::dispatch_driver_t create(const std::string& progid);
    // done of a job, polled until it is not 0 or `ms` have passed.
    static std::int32_t wait_done(const pa::dispatch_driver_t& job, int ms = 30000);

    temp_registry_t registry_;
    bool initialized_ = false;
};

} // namespace firmware_test
