#pragma once
// What the tests of libkestrin2.so share: a private copy of the build tree's
// class registry (where the build registered the library), the thread's
// error information, raw Invoke calls, and the programs the end-to-end
// tests run (autocall, snmpset).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/automation/activation.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/driver.h"
#include "platform/automation/interfaces.h"
#include "poller/server/kestrin2_ids.h"

namespace k2test {

namespace pa = platform::automation;

inline constexpr const char* sys_descr = "1.3.6.1.2.1.1.1.0";
inline constexpr const char* sys_object_id = "1.3.6.1.2.1.1.2.0";
inline constexpr const char* sys_contact = "1.3.6.1.2.1.1.4.0";
inline constexpr const char* sys_name = "1.3.6.1.2.1.1.5.0";
inline constexpr const char* serial_priority = "1.3.6.1.4.1.2680.1.1.10.1.5.0";

// A temporary folder holding a copy of the build tree's registry (or an
// empty one), named by $OSTREL_AUTOMATION_REGISTRY, and the program folder
// ($OSTREL_HOME) while it lives.
class registry_copy_t {
public:
    explicit registry_copy_t(bool copy_build_registry = true);
    ~registry_copy_t();
    registry_copy_t(const registry_copy_t&) = delete;
    registry_copy_t& operator=(const registry_copy_t&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path file() const { return dir_ / "classes.ini"; }

private:
    std::filesystem::path dir_;
    std::optional<std::string> previous_registry_;
    std::optional<std::string> previous_home_;
};

// The thread's error information as "source: description" ("" when none).
std::string take_error_info();

// One Invoke as a client makes it, with the raw outcome.
struct invoke_result_t {
    pa::HRESULT hr = pa::S_OK;
    pa::variant_t value;
    std::uint16_t code = 0;
    std::string source;
    std::string description;
};
invoke_result_t invoke(pa::IDispatch* object, pa::DISPID id, std::uint16_t flags,
                       const std::vector<pa::variant_t>& args = {});

// The registered library and an initialised thread.
class Kestrin2Test : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static pa::dispatch_driver_t create_manager();

    registry_copy_t registry_;
    bool initialised_ = false;
};

struct program_result_t {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a program with `input` on its standard input; `on_line` sees each
// line of its standard output as it comes. A program still running after
// `limit_ms` is killed (status 128 + SIGKILL).
program_result_t run_program(const std::vector<std::string>& argv, const std::string& input,
                             const std::function<void(const std::string&)>& on_line = {},
                             int limit_ms = 60000);

// autocall with the script on its standard input.
program_result_t run_autocall(const std::string& script,
                              const std::function<void(const std::string&)>& on_line = {});

bool snmpset_available();
// snmpset of an OCTET STRING ("s") or INTEGER ("i") value, version 1,
// community "vuzuvuz"; throws when it fails.
void snmpset(const std::string& address, std::uint16_t port, const std::string& oid, char type,
             const std::string& value);

// A run under a sanitizer is slower; timing bounds stretch by this factor.
int slowness();

} // namespace k2test
