#pragma once
// How a unit dialog's controller takes the running sheet's lock
// (CDeviceRunState::LockSheet) around writes of fields the run state's
// threads read. Outside the run state there are no threads: an empty
// function takes no lock.
#include <functional>
#include <mutex>

namespace device_editor {

using SheetLock = std::function<std::unique_lock<std::mutex>()>;

// The lock `lock` gives, or none when it is empty.
inline std::unique_lock<std::mutex> TakeSheetLock(const SheetLock& lock) {
    return lock ? lock() : std::unique_lock<std::mutex>();
}

} // namespace device_editor
