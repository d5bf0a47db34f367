#include "model_fixtures.h"

#include <cstdlib>
#include <stdexcept>

#include "model/program_settings.h"
#include "model/sheet_classes.h"

namespace model_test {

std::string fixture_path(const std::string& name) {
    return std::string(MODEL_FIXTURE_DIR) + "/" + name;
}

std::vector<std::uint8_t> load_fixture(const std::string& name) {
    return test_support::read_hex_file(fixture_path(name));
}

const platform::archive::class_registry_t& sheet_registry() {
    return model::SheetClasses();
}

std::unique_ptr<TestAriModule> make_delay_module() {
    auto m = std::make_unique<TestAriModule>(17, model::kAriDelay, 1);
    m->BuildLayout(100, 50, {1, 1});
    m->m_typeName = "Delay 5 ms";
    m->m_name = m->m_displayName = "Delay-2";
    m->m_colours[model::CBaseAriModule::kTypeColour] = 0xC8C800;
    m->m_colours[model::CBaseAriModule::kTypeNameColour] = 0xFFFFFF;
    return m;
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) {
    env_.emplace(name, std::move(value));
    model::ReloadProgramSettings();
}

ScopedEnv::~ScopedEnv() {
    env_.reset();
    model::ReloadProgramSettings();
}

} // namespace model_test
