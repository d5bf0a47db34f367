#include "model/device_classes.h"

#include "model/device_chnl.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_link.h"
#include "model/device_matrix.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"

namespace model {

void RegisterDeviceClasses(platform::archive::class_registry_t& registry) {
    for (const platform::archive::runtime_class_t* cls :
         {&CDeviceChnl::class_record, &CDeviceLink::class_record, &CDeviceNy::class_record,
          &CDeviceQOVG::class_record, &CDeviceExternal::class_record, &CDeviceGeneric::class_record,
          &CDeviceMatrix::class_record, &CDeviceText::class_record})
        registry.add(*cls);
}

} // namespace model
