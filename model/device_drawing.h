#pragma once
// Pieces shared by the device classes: the title font and the title sizing
// rule, and the boxed drawing that units, generic and matrix devices share.
// Not part of the model's interface.
#include <cstdint>
#include <string_view>

#include "model/base_device.h"

namespace model::device_drawing {

// "Arial" 14, normal weight, default character set, swiss family: titles,
// model names and the sizing of titles and boxes.
LOGFONT TitleFont();

// A width rounded so that it is a multiple of 10 plus 1 and never narrower
// than w: 70 -> 71, 71 -> 81.
constexpr std::int32_t RoundToTens(std::int32_t w) {
    return w % 10 == 0 ? w + 1 : 10 * (w / 10) + 11;
}

// Sets the device's name and the title box's right edge: left + the name's
// width in the title font + `padding`, rounded with RoundToTens.
void SizeTitle(CBaseDevice& device, const std::string& name, const TextMeasurer& dc,
               std::int32_t padding);

// The red 4-pixel frame just outside the body and the 1-pixel one around the
// title grown by 1 (title null: body only) of a selected device.
void DrawSelectionFrames(Canvas& dc, const Rect& body, const Rect* title);

// A unit's box: body fill, three-dimensional edges and frame (or the
// selection frames), the title text in the title box and the model name at
// the top of the body.
void DrawBox(Canvas& dc, const CBaseDevice& device, std::int32_t dx, std::int32_t dy,
             std::string_view title);

// True when other is of the device kind a CopyFrom takes; otherwise shows
// message 158 with other's model name and returns false.
bool SameKindOrReport(const CBaseDevice& other, std::int32_t kind);

// Builds the channels of a generic or matrix device: inputs down the left
// side, outputs down the right, each side centred in the body.
void BuildSideChannels(CBaseDevice& device, const char* inputName, const char* outputName,
                       std::int32_t kind);

// Draws the channels of a generic or matrix device with labels `inputLabel`
// and `outputLabel`; the input label starts `inputGap` right of its square.
void DrawSideChannels(Canvas& dc, const CBaseDevice& device, const char* inputLabel,
                      const char* outputLabel, std::int32_t inputGap, std::int32_t dx,
                      std::int32_t dy);

// Formats "%s %d"-style channel labels: `scheme` with the channel's position
// among its side counted from 1.
std::string ChannelLabel(std::string_view scheme, std::int32_t position);

} // namespace model::device_drawing
