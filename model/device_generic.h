#pragma once
// CDeviceGeneric: a device of the user's own description (model 16) with
// the channel counts the user gave, drawn like a unit: physical inputs
// "In #%d" on the left, outputs "Out #%d" on the right.
//
// Archive form: no own fields (the schema is still taken); the class
// reference of CBaseDevice and its part.
#include <cstdint>
#include <string>

#include "model/base_device.h"

namespace model {

class CDeviceGeneric : public CBaseDevice {
    ARCHIVE_DECLARE_SERIAL(CDeviceGeneric)
public:
    // For the archive: body colour 0x00FFFF.
    CDeviceGeneric();
    // A device named `name` at (x, y): as wide as the name in "Arial" 14
    // plus 50 (rounded as titles are), 32 + 12 x the larger count high, the
    // channels centred down each side. `model` only picks the colour keys.
    // Counts are kept within 0 .. kMaxChannelsPerSide so that the device
    // loads again.
    CDeviceGeneric(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                   const std::string& name, std::int32_t model, std::int32_t inputs,
                   std::int32_t outputs);

    void Serialize(platform::archive::archive_t& ar) override;
    // The name's width in "Arial" 14 plus 15, rounded as unit titles are.
    void SetName(const std::string& name, const TextMeasurer& dc) override;
    void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) override;

    // From a generic device: every device field. From another kind: nothing,
    // and message 158.
    void CopyFrom(const CBaseDevice& other);
};

} // namespace model
