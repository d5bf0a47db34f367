#include "model/sheet_classes.h"

#include "model/ari_classes.h"
#include "model/base_ari_module.h"
#include "model/base_chnl.h"
#include "model/base_device.h"
#include "model/base_link.h"
#include "model/base_module.h"
#include "model/device_classes.h"
#include "model/dsp_chnl.h"

namespace model {

void RegisterSheetClasses(platform::archive::class_registry_t& registry) {
    for (const platform::archive::runtime_class_t* cls :
         {&CBaseModule::class_record, &CBaseChnl::class_record, &CBaseLink::class_record,
          &CBaseDevice::class_record, &CBaseAriModule::class_record, &CDSPChnl::class_record})
        registry.add(*cls);
    RegisterAriClasses(registry);
    RegisterDeviceClasses(registry);
}

const platform::archive::class_registry_t& SheetClasses() {
    static const platform::archive::class_registry_t registry = [] {
        platform::archive::class_registry_t r;
        RegisterSheetClasses(r);
        return r;
    }();
    return registry;
}

} // namespace model
