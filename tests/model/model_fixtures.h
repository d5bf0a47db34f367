#pragma once
#include "tests/support/scoped_env.h"
// Shared by the model tests: golden byte fixtures (hex text, '#' comments),
// the sheet class registry, a DSP module with the protected construction
// helpers opened up, and an environment variable set for one scope.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/base_ari_module.h"
#include "platform/archive/class_registry.h"

#include "tests/support/hex_bytes.h"

namespace model_test {

using test_support::parse_hex;
std::vector<std::uint8_t> load_fixture(const std::string& name);
std::string fixture_path(const std::string& name);

const platform::archive::class_registry_t& sheet_registry();

// A DSP module built the way the module classes build theirs.
class TestAriModule : public model::CBaseAriModule {
public:
    TestAriModule(std::int32_t id, std::int32_t typeCode, std::int32_t variant)
        : CBaseAriModule(id, typeCode, variant) {}
    using CBaseAriModule::BuildLayout;
    using CBaseAriModule::LoadTypeColours;
};

// The delay-like module the drawing and hit tests share: id 17, body
// (100, 50, 200, 100), "In" at (104, 82, 112, 90), "Out" at (188, 82, 196, 90),
// type colour 0xC8C800, type-name colour white, names "Delay 5 ms" and
// "Delay-2".
std::unique_ptr<TestAriModule> make_delay_module();

// Also reads the program settings again on entry and exit, since the program
// folder ($OSTREL_HOME, $HOME) may be what it changes.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::optional<test_support::ScopedEnv> env_;
};

} // namespace model_test
