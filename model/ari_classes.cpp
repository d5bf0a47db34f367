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

} // namespace model
