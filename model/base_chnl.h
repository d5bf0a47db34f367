#pragma once
// CBaseChnl: one input or output channel of a sheet object (a device or a
// DSP module). The owning module keeps its channels inputs first; a channel's
// number is its position there. DSP and device channels derive from it
// (CDSPChnl, CDeviceChnl).
//
// Archive form (schema 2; schemas 1 and 2 read alike): direction, number,
// module id, peer channel, peer module, name, link count, rectangle (16
// bytes), colour, outline colour. The highlight is view state: never stored,
// cleared on load. Under any other schema nothing is read and the fields keep
// their defaults.
#include <cstdint>
#include <memory>
#include <string>

#include "model/gdi_types.h"
#include "platform/archive/archive.h"

namespace model {

class CBaseChnl : public platform::archive::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CBaseChnl)
public:
    CBaseChnl() = default;

    void Serialize(platform::archive::archive_t& ar) override;

    // Copies every field but the highlight.
    void CopyFrom(const CBaseChnl& other);
    // A new channel of this channel's own class, copied from it; a device
    // copies its channels through this (CBaseDevice::CopyFrom), so a
    // channel class with a copy rule of its own replaces it.
    virtual std::unique_ptr<CBaseChnl> CreateCopy() const;

    std::int32_t m_direction = 0;   // 0 input, 1 output
    std::int32_t m_number = 0;      // position in the module's channel array
    std::int32_t m_moduleId = 0;    // id of the owning module
    std::int32_t m_peerChannel = 0; // channel number at the other end of its link
    std::int32_t m_peerModule = 0;  // module id at the other end of its link
    std::string m_name;             // label drawn beside the channel
    std::int32_t m_linkCount = 0;   // links attached
    Rect m_rect;                    // the channel's dot, sheet coordinates
    COLORREF m_colour = 0;
    COLORREF m_outlineColour = 0;   // pen and label colour
    std::int32_t m_highlighted = 0; // drawn red while set; view state
};

} // namespace model
