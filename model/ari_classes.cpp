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

namespace model {

void RegisterAriClasses(platform::archive::class_registry_t& registry) {
    for (const platform::archive::runtime_class_t* cls :
         {&CAriInput::class_record, &CAriOutput::class_record, &CAriDelay::class_record,
          &CAriRouter::class_record, &CAriMixer::class_record, &CAriDynamic::class_record,
          &CAriGenerator::class_record, &CAriEqualizer::class_record, &CAriFilter::class_record,
          &CAriCrossover::class_record, &CAriText::class_record, &CAriMeter::class_record})
        registry.add(*cls);
}

std::unique_ptr<CBaseAriModule> CreateAriModule(std::int32_t typeCode) {
    switch (typeCode) {
    case kAriInput:
        return std::make_unique<CAriInput>();
    case kAriOutput:
        return std::make_unique<CAriOutput>();
    case kAriDelay:
        return std::make_unique<CAriDelay>();
    case kAriRouter:
        return std::make_unique<CAriRouter>();
    case kAriMixer:
        return std::make_unique<CAriMixer>();
    case kAriDynamic:
        return std::make_unique<CAriDynamic>();
    case kAriGenerator:
        return std::make_unique<CAriGenerator>();
    case kAriEqualizer:
        return std::make_unique<CAriEqualizer>();
    case kAriFilter:
        return std::make_unique<CAriFilter>();
    case kAriCrossover:
        return std::make_unique<CAriCrossover>();
    case kAriText:
        return std::make_unique<CAriText>();
    case kAriMeter:
        return std::make_unique<CAriMeter>();
    default:
        return nullptr;
    }
}

std::unique_ptr<CBaseAriModule> MakeAriModule(std::int32_t typeCode, std::int32_t id,
                                              std::int32_t variant, std::int32_t x, std::int32_t y,
                                              std::int32_t deviceModel) {
    switch (typeCode) {
    case kAriInput:
        return std::make_unique<CAriInput>(id, variant, x, y, deviceModel);
    case kAriOutput:
        return std::make_unique<CAriOutput>(id, variant, x, y, deviceModel);
    case kAriDelay:
        return std::make_unique<CAriDelay>(id, variant, x, y);
    case kAriRouter:
        return std::make_unique<CAriRouter>(id, variant, x, y);
    case kAriMixer:
        return std::make_unique<CAriMixer>(id, variant, x, y);
    case kAriDynamic:
        return std::make_unique<CAriDynamic>(id, variant, x, y);
    case kAriGenerator:
        return std::make_unique<CAriGenerator>(id, variant, x, y);
    case kAriEqualizer:
        return std::make_unique<CAriEqualizer>(id, variant, x, y);
    case kAriFilter:
        return std::make_unique<CAriFilter>(id, variant, x, y);
    case kAriCrossover:
        return std::make_unique<CAriCrossover>(id, variant, x, y);
    case kAriText:
        return std::make_unique<CAriText>(id, variant, x, y);
    case kAriMeter:
        return std::make_unique<CAriMeter>(id, variant, x, y);
    default:
        return nullptr;
    }
}

} // namespace model
