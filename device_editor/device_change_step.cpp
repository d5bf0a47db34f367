#include "device_editor/device_change_step.h"

#include <memory>

#include "device_editor/zo_device_doc.h"
#include "model/base_device.h"
#include "model/undo_history.h"

namespace device_editor {

void RecordDeviceChange(CZoDeviceDoc& doc, model::CBaseDevice& device,
                        const model::CBaseDevice* before, const SheetLock& lock) {
    if (model::CUndoHistory* history = doc.GetUndoHistory()) {
        auto held = TakeSheetLock(lock);
        model::CBaseDevice* devices[] = {&device};
        if (before == nullptr) {
            history->AddDeviceLinkAction(model::kUndoChange, devices, {});
        } else {
            // The history copies the device as it stands: put the earlier
            // state in place for it, then the changed one back.
            const std::unique_ptr<model::CBaseDevice> changed = model::CopyDevice(device);
            model::AssignDevice(device, *before);
            history->AddDeviceLinkAction(model::kUndoChange, devices, {});
            model::AssignDevice(device, *changed);
        }
    }
    doc.SetModifiedFlag(true);
}

} // namespace device_editor
