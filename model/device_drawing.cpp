#include "model/device_drawing.h"

#include "model/device_chnl.h"
#include "model/device_models.h"
#include "model/messages.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace model::device_drawing {

namespace gdi = platform::gdi;

LOGFONT TitleFont() {
    return gdi::MakeFont("Arial", 14, gdi::FW_NORMAL, gdi::DEFAULT_CHARSET, gdi::FF_SWISS);
}

void SizeTitle(CBaseDevice& device, const std::string& name, const TextMeasurer& dc,
               std::int32_t padding) {
    device.m_name = name;
    const std::int32_t text_width = dc.MeasureText(TitleFont(), name).cx;
    const std::int32_t width = text_width + padding;
    device.m_title.right = device.m_title.left + RoundToTens(width);
}

void DrawSelectionFrames(Canvas& dc, const Rect& body, const Rect* title) {
    const Brush red = Brush::Solid(gdi::kRed);
    for (std::int32_t ring = 1; ring <= 4; ++ring)
        dc.FrameRect(body.Inflated(ring, ring), red);
    if (title != nullptr)
        dc.FrameRect(title->Inflated(1, 1), red);
}

void DrawBox(Canvas& dc, const CBaseDevice& device, std::int32_t dx, std::int32_t dy,
             std::string_view title) {
    gdi::CanvasStateSaver saved(dc);
    const Rect b = device.m_body.Offset(dx, dy);
    Rect t = device.m_title.Offset(dx, dy);
    dc.FillSolidRect(b, device.m_colours[0]);
    if (device.m_selected == 0) {
        dc.DrawEdge(b, gdi::EDGE_ETCHED, gdi::BF_LEFT | gdi::BF_TOP);
        dc.DrawEdge(b, gdi::EDGE_RAISED, gdi::BF_RIGHT | gdi::BF_BOTTOM);
        dc.FrameRect(b, Brush::Solid(device.m_colours[1]));
    } else {
        dc.DrawEdge(b, gdi::BDR_SUNKENOUTER, gdi::BF_LEFT | gdi::BF_TOP);
        dc.DrawEdge(b, gdi::BDR_SUNKENOUTER, gdi::BF_RIGHT | gdi::BF_BOTTOM);
        DrawSelectionFrames(dc, b, &t);
    }
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(device.m_colours[3]);
    dc.SelectFont(TitleFont());
    constexpr unsigned kLine =
        gdi::DT_CENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS;
    dc.DrawText(title, t, kLine);
    Rect model{b.left, b.top + 2, b.left + b.Width(), b.top + 16};
    dc.DrawText(ModelName(device.m_typeCode), model, kLine);
}

bool SameKindOrReport(const CBaseDevice& other, std::int32_t kind) {
    if (other.m_kind == kind)
        return true;
    ShowMessage(resources::kMsgCopyDeviceFailed, 101, ModelName(other.m_typeCode));
    return false;
}

void BuildSideChannels(CBaseDevice& device, const char* inputName, const char* outputName,
                       std::int32_t kind) {
    const Rect& b = device.m_body;
    const std::int32_t hi = (b.Height() - 12 * device.m_inputCount) / 2;
    const std::int32_t ho = (b.Height() - 12 * device.m_outputCount) / 2;
    for (std::int32_t i = 0; i < device.m_inputCount; ++i) {
        const Rect square{b.left + 1, b.top + hi + 12 * i, b.left + 11, b.top + hi + 12 * i + 10};
        device.m_channels.push_back(
            std::make_unique<CDeviceChnl>(platform::text::format(inputName, i + 1), i, device.m_id,
                                          device.m_subType, square, 0, kind, 0));
    }
    for (std::int32_t j = 0; j < device.m_outputCount; ++j) {
        const Rect square{b.right - 11, b.top + ho + 12 * j, b.right - 1, b.top + ho + 12 * j + 10};
        device.m_channels.push_back(std::make_unique<CDeviceChnl>(
            platform::text::format(outputName, j + 1), device.m_inputCount + j, device.m_id,
            device.m_subType, square, 1, kind, 0));
    }
}

void DrawSideChannels(Canvas& dc, const CBaseDevice& device, const char* inputLabel,
                      const char* outputLabel, std::int32_t inputGap, std::int32_t dx,
                      std::int32_t dy) {
    const std::int32_t w = device.m_body.Width();
    for (std::size_t k = 0; k < device.m_channels.size(); ++k) {
        const CDeviceChnl* chnl = AsDeviceChnl(device.m_channels[k]);
        if (chnl == nullptr)
            continue;
        const bool input = chnl->m_direction == 0;
        const std::int32_t index = static_cast<std::int32_t>(k);
        const std::int32_t position = input ? index + 1 : index - device.m_inputCount + 1;
        const Rect& sq = chnl->m_rect;
        const std::int32_t h1 = (w - sq.Width() - 1) / 2;
        const Rect box = input ? Rect{sq.right + inputGap, sq.top, sq.left + 10 + h1, sq.bottom}
                               : Rect{sq.right - h1 - 10, sq.top, sq.left - 1, sq.bottom};
        chnl->Draw(dc, device.m_selected != 0, true, &box,
                   ChannelLabel(input ? inputLabel : outputLabel, position), device.m_colours[2],
                   dx, dy);
    }
}

std::string ChannelLabel(std::string_view scheme, std::int32_t position) {
    return platform::text::format(scheme, position);
}

} // namespace model::device_drawing
