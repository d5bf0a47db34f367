#pragma once
// The undo step of a change a unit dialog stores in a device (kind 3).
#include "device_editor/sheet_lock.h"

namespace model {
class CBaseDevice;
}

namespace device_editor {

class CZoDeviceDoc;

// Records the step and marks the sheet modified. The step holds `device` as
// `before` shows it (a dialog that records when it closes), or as it is now
// when `before` is null (a dialog that records before each change). The
// sheet lock is held while the device is read and swapped.
void RecordDeviceChange(CZoDeviceDoc& doc, model::CBaseDevice& device,
                        const model::CBaseDevice* before, const SheetLock& lock);

} // namespace device_editor
