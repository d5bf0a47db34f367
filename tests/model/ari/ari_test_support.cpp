#include "ari_test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "model/ari_classes.h"
#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_dynamic.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_generator.h"
#include "model/ari_input.h"
#include "model/ari_meter.h"
#include "model/ari_mixer.h"
#include "model/ari_output.h"
#include "model/ari_router.h"
#include "model/ari_text.h"
#include "model_fixtures.h"
#include "platform/archive/object_array.h"

namespace ari_test {

namespace pa = platform::archive;
using namespace model;

namespace {

// Modules read their colours from the program folder's Ostrel.ini; tests
// start from a folder without one.
class DefaultHome : public ::testing::Environment {
public:
    void SetUp() override {
        home_ = std::make_unique<model_test::ScopedEnv>("OSTREL_HOME",
                                                        model_test::fixture_path("no-such-folder"));
    }
    void TearDown() override { home_.reset(); }

private:
    std::unique_ptr<model_test::ScopedEnv> home_;
};

[[maybe_unused]] ::testing::Environment* const g_home =
    ::testing::AddGlobalTestEnvironment(new DefaultHome);

template <class T> std::unique_ptr<CBaseAriModule> Copy(const CBaseAriModule& module) {
    auto copy = std::make_unique<T>();
    copy->CopyFrom(static_cast<const T&>(module));
    return copy;
}

} // namespace

std::vector<TypeVariant> AllTypeVariants() {
    std::vector<TypeVariant> all = {{kAriInput, 1}, {kAriOutput, 1}, {kAriText, 1}};
    for (std::int32_t v = 1; v <= 5; ++v)
        all.push_back({kAriDelay, v});
    for (std::int32_t v = 1; v <= 3; ++v)
        all.push_back({kAriRouter, v});
    for (std::int32_t v = 1; v <= 8; ++v)
        all.push_back({kAriMixer, v});
    for (std::int32_t v = 1; v <= 6; ++v)
        all.push_back({kAriDynamic, v});
    for (std::int32_t v = 1; v <= 3; ++v)
        all.push_back({kAriGenerator, v});
    for (const std::int32_t v : {1, 3, 5, 7, 10, 16, 51, 52, 53})
        all.push_back({kAriEqualizer, v});
    for (std::int32_t v = 1; v <= 4; ++v)
        all.push_back({kAriFilter, v});
    for (std::int32_t v = 19; v <= 21; ++v)
        all.push_back({kAriCrossover, v});
    for (std::int32_t v = 1; v <= 4; ++v)
        all.push_back({kAriMeter, v});
    return all;
}

std::unique_ptr<CBaseAriModule> MakeModule(std::int32_t type, std::int32_t variant, std::int32_t id,
                                           std::int32_t x, std::int32_t y, std::int32_t modelCode) {
    return model::MakeAriModule(type, id, variant, x, y, modelCode);
}

std::unique_ptr<CBaseAriModule> CopyModule(const CBaseAriModule& m) {
    switch (m.m_typeCode) {
    case kAriInput:
        return Copy<CAriInput>(m);
    case kAriOutput:
        return Copy<CAriOutput>(m);
    case kAriDelay:
        return Copy<CAriDelay>(m);
    case kAriRouter:
        return Copy<CAriRouter>(m);
    case kAriMixer:
        return Copy<CAriMixer>(m);
    case kAriDynamic:
        return Copy<CAriDynamic>(m);
    case kAriGenerator:
        return Copy<CAriGenerator>(m);
    case kAriEqualizer:
        return Copy<CAriEqualizer>(m);
    case kAriFilter:
        return Copy<CAriFilter>(m);
    case kAriCrossover:
        return Copy<CAriCrossover>(m);
    case kAriText:
        return Copy<CAriText>(m);
    case kAriMeter:
        return Copy<CAriMeter>(m);
    default:
        throw std::invalid_argument("no module class for the type");
    }
}

std::vector<std::uint8_t> StoreModule(CBaseAriModule& module) {
    pa::archive_t ar;
    ar.WriteCount(1);
    ar.WriteObject(&module);
    return ar.TakeBytes();
}

std::unique_ptr<CBaseAriModule> LoadModule(std::span<const std::uint8_t> bytes) {
    pa::archive_t ar(bytes, model_test::sheet_registry());
    pa::object_array_t<CBaseAriModule> modules;
    modules.Serialize(ar);
    if (modules.size() != 1 || !ar.AtEnd())
        throw std::runtime_error("not one module and nothing after it");
    return modules.remove(0);
}

std::vector<std::uint8_t> Int32Bytes(std::int32_t value) {
    pa::archive_t ar;
    ar << value;
    return ar.TakeBytes();
}

} // namespace ari_test
