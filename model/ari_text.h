#pragma once
// CAriText: a text box on the DSP sheet (type 12, any variant): no
// channels, no DSP cost. Its body fits its text, recomputed at every
// drawing; a new box is 100 x 100. Colour slot 0 is the background, slot 1
// the text colour.
//
// Archive form (own fields, then the DSP module base): text, transparent
// flag, font (height, width, escapement, orientation, weight as int32;
// italic, underline, strike-out, character set, output precision, clip
// precision, quality, pitch and family as one byte each; face name).
#include <cstdint>
#include <string>

#include "model/base_ari_module.h"

namespace model {

class CAriText : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriText)
public:
    static constexpr COLORREF kTextColourDefault = 0x000000; // ini "RcTypeColor"
    static constexpr std::size_t kTextColour = kTypeColour;

    CAriText();
    CAriText(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriText& other);

    // Sizes the body to the text (lines split at CR LF; an empty line
    // measures as one blank; the widest line + 2 wide, the lines' heights
    // high; an empty text gives 10 x 10), then draws the text left-aligned
    // from the top inside the body shrunk by 1, over the background colour
    // unless transparent, with the red selection frame when selected.
    void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) override;

    std::string m_text = "Text";
    std::int32_t m_transparent = 1; // 1: the background is left unpainted
    LOGFONT m_font;                 // "Arial", height 15, weight 700
};

} // namespace model
