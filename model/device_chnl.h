#pragma once
// CDeviceChnl: an input or output channel of a device on a device sheet. It
// says whether it is a physical or a network channel, carries the settings
// the unit dialogs edit (property, gain step, phantom power) and owns its own
// copies of the links that end at it, so that it can be drawn as connected
// and a unit's route commands can be built from the channel alone.
//
// Archive form (schema 2; 1 and 2 read alike): kind, device sub-type, network
// send, property, gain step, phantom power, connected (int32 each); then the
// link array (CDeviceLink elements); then the class reference of CBaseChnl
// and its part. Under another schema the seven integers are skipped; the
// link array and the base part are read for every schema.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/base_chnl.h"
#include "model/device_link.h"
#include "platform/archive/object_array.h"

namespace model {

inline constexpr std::int32_t kChnlPhysical = 0;
inline constexpr std::int32_t kChnlNetwork = 1;
inline constexpr COLORREF kDeviceChnlColour = 0xC0C0C0;

class CDeviceChnl : public CBaseChnl {
    ARCHIVE_DECLARE_SERIAL(CDeviceChnl)
public:
    // For the archive: property 4, nothing connected, no links.
    CDeviceChnl() = default;
    CDeviceChnl(std::string name, std::int32_t number, std::int32_t moduleId,
                std::int32_t deviceSubType, const Rect& rect, std::int32_t direction,
                std::int32_t kind, std::int32_t networkSend);

    void Serialize(platform::archive::archive_t& ar) override;

    // Copies every stored field of other (the base's too) and replaces the
    // link copies by new copies of other's; the highlight is not copied.
    void CopyFrom(const CDeviceChnl& other);
    std::unique_ptr<CBaseChnl> CreateCopy() const override;

    // The index-th link copy, or null outside 0 .. count - 1.
    CDeviceLink* GetLink(int index) const;
    int GetLinkCount() const { return static_cast<int>(m_links.size()); }
    // True when a copy with that link id is held.
    bool HasLink(std::int32_t linkId) const;
    // Appends a copy of the link unless one with its id is held already;
    // then connected := 1. True when a copy was added.
    bool AddLinkCopy(const CDeviceLink& link);
    // Deletes the first copy with that id; connected := 0 when none is left.
    // Nothing happens when no copy has that id.
    void RemoveLink(std::int32_t linkId);

    // Draws the channel shifted by (dx, dy): a triangle pointing right
    // (physical) or a square (network) filled red or black while connected
    // (red when its device is selected), else white when the property is
    // non-zero and grey otherwise; with a label, the label in labelBox, left
    // aligned for an input, right aligned for an output.
    void Draw(Canvas& dc, bool deviceSelected, bool withLabel, const Rect* labelBox,
              std::string_view label, COLORREF labelColour, std::int32_t dx, std::int32_t dy) const;

    std::int32_t m_kind = kChnlPhysical;
    std::int32_t m_deviceSubType = 0;                       // sub-type of the owning device
    std::int32_t m_networkSend = 0;                         // 1 for a unit's network output
    platform::archive::object_array_t<CDeviceLink> m_links; // owned copies
    std::int32_t m_property = 4;
    std::int32_t m_gainStep = 0;     // 0..15
    std::int32_t m_phantomPower = 0; // +48 V on
    std::int32_t m_connected = 0;    // 1 while a link copy is held
};

// The channel as a device channel, or null when it is of another class (a
// file may put any channel into a device).
inline CDeviceChnl* AsDeviceChnl(CBaseChnl* chnl) {
    return chnl != nullptr && chnl->IsKindOf(CDeviceChnl::class_record)
               ? static_cast<CDeviceChnl*>(chnl)
               : nullptr;
}
inline const CDeviceChnl* AsDeviceChnl(const CBaseChnl* chnl) {
    return AsDeviceChnl(const_cast<CBaseChnl*>(chnl));
}

} // namespace model
