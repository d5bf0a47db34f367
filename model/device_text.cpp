#include "model/device_text.h"

#include <algorithm>

#include "model/device_drawing.h"
#include "model/device_models.h"
#include "model/program_settings.h"
#include "model/schema.h"
#include "platform/gdi/archive_forms.h"

namespace model {

namespace pa = platform::archive;
namespace gdi = platform::gdi;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceText, CBaseDevice, kSheetSchema);

namespace {
inline constexpr COLORREF kTextBack = 0xB4B4B4;
}

LOGFONT CDeviceText::DefaultFont() {
    return DefaultTextDeviceFont();
}

CDeviceText::CDeviceText() {
    m_colours[0] = kTextBack;
    m_ip = "0.0.0.0";
}

CDeviceText::CDeviceText(const TextMeasurer& dc, std::int32_t x, std::int32_t y, std::int32_t id,
                         const std::string& text, std::int32_t model, std::int32_t /*spare*/) {
    m_kind = kDeviceText;
    m_id = id;
    m_typeCode = kModelText;
    m_typeName = std::string(ModelName(kModelText));
    // One snapshot for every value, so that a reload meanwhile cannot mix
    // two files' values in one box.
    const std::shared_ptr<const CProgramSettings> settings = ProgramSettings();
    m_colours = ReadDeviceColours(*settings, model, kTextBack);
    m_transparent = settings->DeviceColours(model).transparent == 1 ? 1 : 0;
    m_font = settings->textDeviceFont;

    m_body = {x, y, x, y};
    SetName(text, dc);
}

void CDeviceText::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << m_transparent;
        gdi::SerializeLogFont(ar, m_font);
    } else if (IsKnownSchema(ar.GetObjectSchema())) {
        ar >> m_transparent;
        gdi::SerializeLogFont(ar, m_font);
    }
    ar.SerializeClass(CBaseDevice::class_record);
    CBaseDevice::Serialize(ar);
}

void CDeviceText::SetName(const std::string& name, const TextMeasurer& dc) {
    m_name = name;
    static constexpr std::string_view kBreak = "\r\n";
    std::int32_t width = 0, height = 0;
    const auto line = [&](std::string_view text) {
        const Size extent = dc.MeasureText(m_font, text);
        width = std::max(width, extent.cx);
        height += extent.cy;
    };
    std::string_view rest = name;
    while (!rest.empty()) {
        const std::size_t at = rest.find(kBreak);
        if (at == std::string_view::npos) {
            line(rest);
            break;
        }
        // An empty line between two breaks is as high as the break itself.
        line(at == 0 ? kBreak : rest.substr(0, at));
        rest.remove_prefix(at + kBreak.size());
    }
    m_body.right = m_body.left + width;
    m_body.bottom = m_body.top + height;
}

void CDeviceText::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    gdi::CanvasStateSaver saved(dc);
    Rect b = m_body.Offset(dx, dy);
    if (m_transparent == 0)
        dc.FillSolidRect(b, m_colours[0]);
    if (m_selected != 0)
        device_drawing::DrawSelectionFrames(dc, b, nullptr);
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(m_colours[1]);
    dc.SelectFont(m_font);
    dc.DrawText(m_name, b, gdi::DT_LEFT | gdi::DT_NOPREFIX);
}

void CDeviceText::CopyFrom(const CBaseDevice& other) {
    if (&other == this || !device_drawing::SameKindOrReport(other, kDeviceText))
        return;
    if (const auto* text = dynamic_cast<const CDeviceText*>(&other)) {
        m_transparent = text->m_transparent;
        m_font = text->m_font;
    }
    CBaseDevice::CopyFrom(other);
}

} // namespace model
