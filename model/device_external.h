#pragma once
// CDeviceExternal: external equipment on a device sheet (PC, CD player,
// microphone, speaker, amplifier; models 11 to 15), drawn as a 62 x 62
// picture with a caption, its channels on the picture's sides.
//
// Archive form (schema 2; 1 and 2 read alike): icon id (int32); then the
// class reference of CBaseDevice and its part.
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/base_device.h"

namespace model {

class CDeviceExternal : public CBaseDevice {
    ARCHIVE_DECLARE_SERIAL(CDeviceExternal)
public:
    // For the archive: no icon (-1), body colour 0xB4B4B4.
    CDeviceExternal();
    // New equipment of `model` at (x, y); a model outside 11..15 is built
    // as a microphone but keeps its code.
    CDeviceExternal(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                    std::int32_t model, std::int32_t subType);

    void Serialize(platform::archive::archive_t& ar) override;

    // The name's width in "Arial" 14 plus 5, rounded as unit titles are.
    void SetName(const std::string& name, const TextMeasurer& dc) override;
    // The picture of the icon id (a framed placeholder when there is no such
    // picture, reported once through the message sink's log), the selection
    // frames, the title, the caption over the picture, the channels.
    void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) override;

    // From equipment: the icon id and every device field. From another kind:
    // nothing, and message 158.
    void CopyFrom(const CBaseDevice& other);

    // "PC", "CD", "Microphone", "Speaker", "Amplifier"; "External" for a
    // model outside 11..15.
    std::string_view Caption() const;

    std::int32_t m_iconId = -1; // bitmap resource id of the picture

private:
    // The icon id whose failed load was reported, so that a repaint does not
    // report it again.
    std::int32_t m_reportedIcon = INT_MIN;
};

} // namespace model
