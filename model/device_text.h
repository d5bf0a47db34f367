#pragma once
// CDeviceText: a free text box on a device sheet (model 17). Its body is the
// text's extent in its own font; colours[0] is its background, colours[1]
// its text colour.
//
// Archive form (schema 2; 1 and 2 read alike): transparent (int32); the font
// (height, width, escapement, orientation, weight as int32; italic,
// underline, strike-out, character set, output precision, clip precision,
// quality, pitch and family as bytes; the face name as a string); then the
// class reference of CBaseDevice and its part.
#include <cstdint>
#include <string>

#include "model/base_device.h"

namespace model {

class CDeviceText : public CBaseDevice {
    ARCHIVE_DECLARE_SERIAL(CDeviceText)
public:
    // "Arial" 12, weight 400, character set 1, pitch and family 32.
    static LOGFONT DefaultFont();

    // For the archive: background 0xB4B4B4, IP "0.0.0.0", the default font,
    // not transparent.
    CDeviceText();
    // A text box at (x, y) with `text`; transparency and font from
    // Ostrel.ini ("ColorScheme" "<model name>Transparent", "TextDeviceFont").
    CDeviceText(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                const std::string& text, std::int32_t model, std::int32_t spare);

    void Serialize(platform::archive::archive_t& ar) override;
    // Sets the text and sizes the body to it: the widest line and the sum of
    // the line heights in the box's font. Lines end at "\r\n"; a separator
    // that starts what is left counts as a line of its own, measured as the
    // two characters; a final separator adds no line.
    void SetName(const std::string& name, const TextMeasurer& dc) override;
    void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) override;

    // From a text box: transparency, the font and every device field. From
    // another kind: nothing, and message 158.
    void CopyFrom(const CBaseDevice& other);
    void SetLogFont(const LOGFONT& font) { m_font = font; }

    std::int32_t m_transparent = 0; // 1: no background fill
    LOGFONT m_font = DefaultFont();
};

} // namespace model
