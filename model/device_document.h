#pragma once
// The device document as the layers below the device sheet editor reach it
// (the document itself, CZoDeviceDoc, belongs to that editor): its sheet
// settings for drawing links, its devices for a download and the frame, and
// the operations undo and redo replay. Each
// changing operation announces its change to the document's observers
// (model/document_observer.h), so that undo and redo repaint through the
// same notifications as the user's edits.
#include <cstdint>
#include <memory>

#include "model/gdi_types.h"

namespace model {

class CBaseDevice;
class CDeviceLink;
class IUndoHost;

// The sheet's settings: what the .zo header holds and a sheet-settings undo
// step exchanges.
struct DeviceSheetSettings {
    std::int32_t version = -1; // -1 until stored or loaded
    std::int32_t width = 1130;
    std::int32_t height = 1600;
    COLORREF physicalLink = 0x000000;
    COLORREF networkLink = 0xFF0000;
    COLORREF background = 0xFFFFFF;
    std::int32_t grid = 1;

    friend bool operator==(const DeviceSheetSettings&, const DeviceSheetSettings&) = default;
};

class IDeviceDoc {
public:
    virtual ~IDeviceDoc() = default;

    virtual const DeviceSheetSettings& GetSheetSettings() const = 0;
    // Copies the sheet settings (version, size, colours, grid) of another
    // document; nothing else.
    virtual void CopySheetProperties(const IDeviceDoc& other) = 0;
    // A new empty document of the same class, used only to hold a copy of
    // sheet settings.
    virtual std::unique_ptr<IDeviceDoc> CreateSheetHolder() const = 0;

    // The devices in the document's order; null outside [0, count).
    virtual int GetDeviceCount() const = 0;
    virtual CBaseDevice* GetDevice(int index) const = 0;
    // The first device with that id and sub-type, or null.
    virtual CBaseDevice* FindDevice(std::int32_t id, std::int32_t subType) const = 0;
    // For models 4, 7, 8, 9, 10 and 19 only: the first device with that id
    // and another sub-type, the other half of the unit; else null.
    virtual CBaseDevice* FindSameIdDevice(std::int32_t id, std::int32_t subType,
                                          std::int32_t model) const = 0;
    // The link with that id, or null.
    virtual CDeviceLink* FindLink(std::int32_t id) const = 0;

    // Takes the device; a selected one also joins the selection.
    virtual void AddDevice(std::unique_ptr<CBaseDevice> device) = 0;
    // Takes the link and gives both end channels a copy; false (and the
    // link dropped) when an end device or channel is missing.
    virtual bool AddLinkFromRecord(std::unique_ptr<CDeviceLink> link) = 0;
    // Deletes the device, its other half and every link attached to either.
    virtual void DeleteDevice(std::int32_t id, std::int32_t subType) = 0;
    // Deletes the link and its copies at both ends.
    virtual void DeleteLink(std::int32_t id) = 0;

    // Puts the device into the selection or takes it out, leaving its flag
    // alone.
    virtual void SetDeviceSelection(CBaseDevice& device, bool selected) = 0;

    // Moves the device's body, title box and channels (the links at its
    // channels stay where they are).
    virtual void MoveDevice(CBaseDevice& device, std::int32_t dx, std::int32_t dy) = 0;
    // Moves the device's title box alone.
    virtual void MoveDeviceTitle(CBaseDevice& device, std::int32_t dx, std::int32_t dy) = 0;
    // device := from, through the copy rule of device's class (AssignDevice,
    // model/undo_history.h); the selection is left alone.
    virtual void ChangeDevice(CBaseDevice& device, const CBaseDevice& from) = 0;

    virtual void SetModifiedFlag(bool modified = true) = 0;
    virtual bool IsModified() const = 0;

    // The windows undo and redo act through, or null (they then refuse).
    virtual IUndoHost* GetUndoHost() const = 0;
};

} // namespace model
