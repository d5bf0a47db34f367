#include "model/device_external.h"

#include <memory>

#include "model/device_chnl.h"
#include "model/device_drawing.h"
#include "model/device_models.h"
#include "model/messages.h"
#include "model/schema.h"
#include "platform/text/format.h"
#include "resources/bitmaps.h"
#include "resources/message_ids.h"

namespace model {

namespace pa = platform::archive;
namespace gdi = platform::gdi;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceExternal, CBaseDevice, kSheetSchema);

namespace {

inline constexpr COLORREF kExternalBack = 0xB4B4B4;

struct port_t {
    const char* name;
    std::int32_t direction; // 0 input, 1 output
    // The square relative to the picture: x from the left side (inputs) or
    // the right side (outputs), y from the top.
    std::int32_t top;
};

struct equipment_t {
    std::int32_t icon;
    std::int32_t inputs, outputs;
    port_t ports[2];
};

equipment_t Equipment(std::int32_t model) {
    switch (model) {
    case kModelPc:
        return {resources::kBitmapPc, 0, 2, {{"PC-Out1", 1, 15}, {"PC-Out2", 1, 30}}};
    case kModelCd:
        return {resources::kBitmapCd, 0, 2, {{"CD-Out1", 1, 15}, {"CD-Out2", 1, 30}}};
    case kModelSpeaker:
        return {resources::kBitmapSpeaker, 1, 0, {{"Speaker-In", 0, 25}, {}}};
    case kModelAmplifier:
        return {
            resources::kBitmapAmplifier, 1, 1, {{"Amplifier-In", 0, 25}, {"Amplifier-Out", 1, 25}}};
    default:
        return {resources::kBitmapMicrophone, 0, 1, {{"MP-Out", 1, 25}, {}}};
    }
}

} // namespace

CDeviceExternal::CDeviceExternal() {
    m_colours[0] = kExternalBack;
}

CDeviceExternal::CDeviceExternal(const TextMeasurer& dc, std::int32_t x, std::int32_t y,
                                 std::int32_t id, std::int32_t model, std::int32_t /*subType*/) {
    const equipment_t e = Equipment(model);
    m_kind = kDeviceExternal;
    m_id = id;
    m_typeCode = model;
    m_typeName = std::string(ModelName(model));
    m_iconId = e.icon;
    m_inputCount = e.inputs;
    m_outputCount = e.outputs;
    m_body = {x, y, x + 62, y + 62};
    m_title = {m_body.left, m_body.top - 20, m_body.right, m_body.top - 5};
    m_colours = ReadDeviceColours(model, kExternalBack);
    SetName(platform::text::format("Device%d", id), dc);
    for (std::int32_t n = 0; n < e.inputs + e.outputs; ++n) {
        const port_t& p = e.ports[n];
        const Rect square = p.direction == 0 ? Rect{m_body.left + 1, m_body.top + p.top,
                                                    m_body.left + 11, m_body.top + p.top + 10}
                                             : Rect{m_body.right - 11, m_body.top + p.top,
                                                    m_body.right - 1, m_body.top + p.top + 10};
        m_channels.push_back(
            std::make_unique<CDeviceChnl>(p.name, n, id, 0, square, p.direction, kChnlPhysical, 0));
    }
}

void CDeviceExternal::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring())
        ar << m_iconId;
    else if (IsKnownSchema(ar.GetObjectSchema()))
        ar >> m_iconId;
    ar.SerializeClass(CBaseDevice::class_record);
    CBaseDevice::Serialize(ar);
}

void CDeviceExternal::SetName(const std::string& name, const TextMeasurer& dc) {
    device_drawing::SizeTitle(*this, name, dc, 5);
}

std::string_view CDeviceExternal::Caption() const {
    switch (m_typeCode) {
    case kModelPc:
        return "PC";
    case kModelCd:
        return "CD";
    case kModelMp:
        return "Microphone";
    case kModelSpeaker:
        return "Speaker";
    case kModelAmplifier:
        return "Amplifier";
    default:
        return "External";
    }
}

void CDeviceExternal::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    gdi::CanvasStateSaver saved(dc);
    const Rect b = m_body.Offset(dx, dy);
    Rect t = m_title.Offset(dx, dy);
    if (const gdi::Bitmap* picture = resources::LoadBitmap(m_iconId)) {
        dc.StretchBitmap(*picture, b);
    } else {
        // A missing picture must not stop the sheet from being drawn, nor
        // interrupt every repaint: a framed box stands in for it and the
        // failure is logged once per icon id.
        dc.FillSolidRect(b, m_colours[0]);
        dc.FrameRect(b, Brush::Solid(gdi::kBlack));
        if (m_reportedIcon != m_iconId) {
            m_reportedIcon = m_iconId;
            LogMessage(resources::kMsgDeviceBitmapFailed, 102);
        }
    }
    if (m_selected != 0)
        device_drawing::DrawSelectionFrames(dc, b, &t);
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(m_colours[3]);
    dc.SelectFont(device_drawing::TitleFont());
    constexpr unsigned kLine =
        gdi::DT_CENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS;
    dc.DrawText(m_name, t, kLine);
    Rect band{b.left, b.top, b.right, b.top + 14};
    dc.DrawText(Caption(), band, kLine);
    for (const auto& channel : m_channels)
        if (const CDeviceChnl* chnl = AsDeviceChnl(channel.get()))
            chnl->Draw(dc, m_selected != 0, false, nullptr, {}, m_colours[2], dx, dy);
}

void CDeviceExternal::CopyFrom(const CBaseDevice& other) {
    if (&other == this || !device_drawing::SameKindOrReport(other, kDeviceExternal))
        return;
    if (const auto* external = dynamic_cast<const CDeviceExternal*>(&other))
        m_iconId = external->m_iconId;
    CBaseDevice::CopyFrom(other);
}

} // namespace model
