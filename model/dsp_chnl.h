#pragma once
// CDSPChnl: a channel of a DSP module. It adds no field to CBaseChnl; it
// draws itself as a dot with its label.
//
// Archive form: nothing of its own; the class reference of CBaseChnl, then
// the channel part.
#include <cstdint>
#include <memory>
#include <string>

#include "model/base_chnl.h"

namespace model {

class CDSPChnl : public CBaseChnl {
    ARCHIVE_DECLARE_SERIAL(CDSPChnl)
public:
    static constexpr COLORREF kColour = 0xC8F0F0;

    // Every field 0 (name empty) but the colour, kColour.
    CDSPChnl();
    // Peer channel and module 0, link count 0, colour kColour, outline
    // colour 0 (black), not highlighted.
    CDSPChnl(std::int32_t number, std::int32_t moduleId, const Rect& rect, std::string name,
             std::int32_t direction);

    void Serialize(platform::archive::archive_t& ar) override;
    std::unique_ptr<CBaseChnl> CreateCopy() const override;

    // The dot: an ellipse in the rectangle shifted by (dx, dy), outlined in
    // the outline colour and filled red while highlighted, else green while
    // links are attached, else white. The label: "Arial", weight 400, height
    // = dot height + 4, in the outline colour on a transparent background,
    // its top 2 above the dot; an input's starts 12 right of the dot's left
    // edge, an output's ends 2 left of it.
    virtual void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy);
};

// The label font of DSP channels (and of the input and output modules'
// network mark) for a dot `dot_height` high.
LOGFONT DspChannelLabelFont(std::int32_t dot_height);

} // namespace model
