#pragma once
// The undo history of a device sheet: every edit of the sheet records a step
// holding deep copies of the objects involved (never pointers into the
// document); Undo and Redo walk the steps and change the document through
// its own operations. Devices in a step are matched with the document's by
// (id, sub-type), links by id.
//
//   kind  step                  undo                          redo
//   0     move devices          move back by (-dx, -dy)       move by (dx, dy)
//   5     move titles           titles back by (-dx, -dy)     titles by (dx, dy)
//   1     add                   delete what was added         add new copies
//   2     delete                add new copies back           delete again
//   3     change devices        exchange contents             exchange contents
//   4     change sheet settings exchange settings             exchange settings
//
// Undo and redo act only through the document's undo host and only while
// the host's active view shows the history's document; they then mark the
// document modified and have the host invalidate that view. A step changes
// the document through its own operations, so the document's observers hear
// of every change as they would of the user's edit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/base_device.h"
#include "model/device_document.h"
#include "model/device_link.h"
#include "model/messages.h"
#include "model/undo_host.h"

namespace model {

inline constexpr std::int32_t kUndoMove = 0;
inline constexpr std::int32_t kUndoAdd = 1;
inline constexpr std::int32_t kUndoDelete = 2;
inline constexpr std::int32_t kUndoChange = 3;
inline constexpr std::int32_t kUndoSheet = 4;
inline constexpr std::int32_t kUndoMoveTitle = 5;

// One step.
struct CUndoAction {
    std::int32_t m_kind = -1;
    std::vector<std::unique_ptr<CBaseDevice>> m_devices; // copies
    std::vector<std::unique_ptr<CDeviceLink>> m_links;   // copies
    std::int32_t m_dx = 0, m_dy = 0;                     // kinds 0 and 5
    std::unique_ptr<IDeviceDoc> m_sheetCopy;             // kind 4: the other sheet settings
};

// A new copy of the device, of the class its device kind names: kind 1 a
// CDeviceQOVG for model 21 and a CDeviceNy otherwise, 2 a CDeviceExternal,
// 3 a CDeviceGeneric, 4 a CDeviceMatrix, 5 a CDeviceText, any other kind a
// plain CBaseDevice.
std::unique_ptr<CBaseDevice> CopyDevice(const CBaseDevice& device);
// target := source through the copy rule of target's class. A source of
// another class than its kind suggests (a file may pair any kind with any
// class) gives what both have in common.
void AssignDevice(CBaseDevice& target, const CBaseDevice& source);

class CUndoHistory {
public:
    // The document undo and redo change; it must outlive the history.
    explicit CUndoHistory(IDeviceDoc& document);
    CUndoHistory(const CUndoHistory&) = delete;
    CUndoHistory& operator=(const CUndoHistory&) = delete;
    ~CUndoHistory();

    // Each recording first drops the undone steps. A kind the call does not
    // take records nothing.

    // Kinds 0, 1 and 5: copies of the devices; (dx, dy) kept for 0 and 5.
    void AddAction(std::int32_t kind, std::span<CBaseDevice* const> devices, std::int32_t dx,
                   std::int32_t dy);
    // Kinds 1 and 2: copies of the links.
    void AddLinkAction(std::int32_t kind, std::span<CDeviceLink* const> links);
    // Kinds 2 and 3: copies of the links and the devices; for a deletion
    // also the link copies the devices' channels hold that the step does not
    // hold yet, so that a deleted device's links come back with it.
    void AddDeviceLinkAction(std::int32_t kind, std::span<CBaseDevice* const> devices,
                             std::span<CDeviceLink* const> links);
    // Kind 4: a copy of doc's sheet settings.
    void AddSheetAction(std::int32_t kind, const IDeviceDoc& doc);

    // True when a step was undone (redone). Without an undo host the call
    // logs why it refused.
    bool Undo();
    bool Redo();

    bool CanUndo() const { return m_position > 0; }
    bool CanRedo() const { return m_position < m_steps.size(); }
    std::size_t GetPosition() const { return m_position; }
    std::size_t GetStepCount() const { return m_steps.size(); }
    const CUndoAction* GetStep(std::size_t index) const {
        return index < m_steps.size() ? m_steps[index].get() : nullptr;
    }

private:
    CUndoAction& Record(std::int32_t kind);
    // The document's undo host when its active view shows the document,
    // else null; `what` names the refused command in the log.
    IUndoHost* HostShowingDocument(const char* what) const;

    void Move(const CUndoAction& step, std::int32_t sign, IUndoHost& host);
    void MoveTitles(const CUndoAction& step, std::int32_t sign);
    void RemoveAdded(const CUndoAction& step);
    // Adds new copies of the step's devices (stopping at a device of no
    // known kind, message 236), then, for a deletion or a step without
    // devices, of its links; with `placeLinks` the view brings the links of
    // each added device to its channels.
    void AddCopies(const CUndoAction& step, bool placeLinks, IUndoHost& host);
    void DeleteAgain(const CUndoAction& step);
    void ExchangeDevices(CUndoAction& step);
    void ExchangeSheet(CUndoAction& step, IUndoHost& host);
    void Apply(CUndoAction& step, bool undo, IUndoHost& host);

    IDeviceDoc& m_document;
    std::size_t m_position = 0;
    std::vector<std::unique_ptr<CUndoAction>> m_steps;
};

} // namespace model
