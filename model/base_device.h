#pragma once
// CBaseDevice: the base of every object on a device sheet (units, external
// equipment, generic devices, matrices, text boxes).
//
// Archive form (schema 2; 1 and 2 read alike): device kind, MAC text, IP
// text, device flag; then the class reference of CBaseModule and the module
// part. Under any other schema the own fields are skipped, the module part
// is still read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/base_module.h"

namespace model {

// Device kinds.
inline constexpr std::int32_t kDeviceUnit = 1;
inline constexpr std::int32_t kDeviceExternal = 2;
inline constexpr std::int32_t kDeviceGeneric = 3;
inline constexpr std::int32_t kDeviceMatrix = 4;
inline constexpr std::int32_t kDeviceText = 5;

// The length of a unit's MAC address text (twelve hexadecimal digits); a
// unit whose text has another length has no usable address.
inline constexpr std::size_t kMacTextLength = 12;

// What a device hit test answers besides a channel index.
inline constexpr int kHitBody = 1000;
inline constexpr int kHitTitle = 2000;
inline constexpr int kHitNothing = -1;

class CBaseDevice : public CBaseModule {
    ARCHIVE_DECLARE_SERIAL(CBaseDevice)
public:
    CBaseDevice() = default;

    void Serialize(platform::archive::archive_t& ar) override;

    // Each device class sets its name and sizes its title (or its box) from
    // the text's measure; nothing in the base.
    virtual void SetName(const std::string& name, const TextMeasurer& dc);
    // Each device class draws itself shifted by (dx, dy); nothing in the base.
    virtual void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy);

    // kHitTitle when pt lies in the title box, else the index of the first
    // channel whose rectangle holds it, else kHitBody when the body does,
    // else kHitNothing. pt is a device (client) point: each rectangle is
    // mapped from logical to device coordinates with dc first. Right and
    // bottom edges lie outside.
    int HitTest(Point pt, const DeviceMapping& dc) const;

    // The body and the title box, each grown by 10 on every side, joined;
    // generic, matrix and text devices join their title box as it is.
    Rect GetBoundRect() const;
    Size GetBodySize() const { return m_body.GetSize(); }
    // True when both the body's top-left and bottom-right corners lie in r.
    bool IsBodyInRect(const Rect& r) const;
    Rect GetTitleBoundRect() const { return m_title.Inflated(10, 10); }

    // Moves the body, the title box and every channel.
    void Offset(std::int32_t dx, std::int32_t dy);

    // Copies every module and device field from other and replaces the
    // channels by copies of other's (each made by the channel's CreateCopy).
    void CopyFrom(const CBaseDevice& other);

    std::int32_t m_kind = 0; // kDeviceUnit .. kDeviceText
    std::string m_mac;       // the unit's MAC address as text
    std::string m_ip;        // its IPv4 address as text
    std::int32_t m_flag = 0; // a unit's online mark
};

} // namespace model
