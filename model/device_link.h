#pragma once
// CDeviceLink: a connection between two device channels on a device sheet,
// a straight line from where the user began it to where it ended. The base's
// source pair names the input end (the receiving device and channel), its
// destination pair the output end; the two device sub-types complete the
// identity of each end device, (id, sub-type).
//
// The document keeps each link in its link array and gives each end channel
// a copy of its own (CDeviceChnl); undo steps keep further copies.
//
// Archive form (schema 2; 1 and 2 read alike): kind, drawn from output,
// source device sub-type, destination device sub-type, label shown (int32
// each), label size (8 raw bytes, width then height), label (string); then
// the class reference of CBaseLink and its part. Under another schema no own
// field is read.
#include <cstdint>
#include <string>

#include "model/base_link.h"

namespace model {

class CDeviceChnl;
class IDeviceDoc;

inline constexpr std::int32_t kLinkPhysical = 0;
inline constexpr std::int32_t kLinkNetwork = 1;

class CDeviceLink : public CBaseLink {
    ARCHIVE_DECLARE_SERIAL(CDeviceLink)
public:
    // Ids, ends and points 0, not selected, pen width 1, colour 0, a
    // physical link drawn from its input, label "Send 16" shown at size 0 x 0.
    CDeviceLink() = default;

    void Serialize(platform::archive::archive_t& ar) override;

    // Copies every field, the base's included.
    void CopyFrom(const CDeviceLink& other);

    // Puts both points at the channel's centre and, for a channel of kind
    // 0 or 1, takes its kind. Returns the channel's kind, except for a
    // network link: then 0 when the channel has no name, else 1.
    int BeginAtChnl(const CDeviceChnl& chnl);
    void SetStartPoint(std::int32_t x, std::int32_t y) { m_start = {x, y}; }
    void SetEndPoint(std::int32_t x, std::int32_t y) { m_end = {x, y}; }

    // Clears the label (shown flag, size, text) when it is shown.
    void HideLabel();

    // The rectangle spanned by the two points grown by 3, joined with the
    // label box when the label is shown, then grown by 1.
    Rect GetBoundRect() const;
    // Both points inside r (right and bottom edges outside).
    bool IsInRect(const Rect& r) const;

    // The pick region: the union of (sx, sy-3) (sx, sy+3) (ex, ey+3)
    // (ex, ey-3) and (sx-3, sy) (sx+3, sy) (ex+3, ey) (ex-3, ey), alternate
    // filling.
    bool HitTest(std::int32_t x, std::int32_t y) const override;
    // The same region around the points mapped to device coordinates with
    // dc, `halfWidth` in place of 3; a half width below 1 never hits.
    bool HitTestDP(std::int32_t x, std::int32_t y, const DeviceMapping& dc,
                   std::int32_t halfWidth) const;

    // A 1-pixel line in the document's link colour of the link's kind, red
    // when selected; a link of another kind is not drawn. The label, when
    // shown, in "Arial" 12 centred in its box 2 pixels down.
    void DrawLink(Canvas& dc, const IDeviceDoc& doc, std::int32_t dx, std::int32_t dy) const;

    std::int32_t m_kind = kLinkPhysical;
    std::int32_t m_drawnFromOutput = 0; // 1 when the user began at the output channel
    std::int32_t m_sourceSubType = 0;   // sub-type of the source (input end) device
    std::int32_t m_destSubType = 0;     // sub-type of the destination (output end) device
    std::int32_t m_labelShown = 1;
    Size m_labelSize; // the label box; its bottom-left is the start point
    std::string m_label = "Send 16";
};

} // namespace model
