#include "model/base_ari_module.h"

#include <algorithm>

#include "model/dsp_chnl.h"
#include "model/program_settings.h"
#include "model/schema.h"
#include "platform/text/ascii.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;
namespace gdi = platform::gdi;
using platform::text::format;

ARCHIVE_IMPLEMENT_SERIAL(CBaseAriModule, CBaseModule, kSheetSchema);

namespace {

constexpr COLORREF kShadowColour = 0x505050;
// The type name's face on the title strip, and the smallest it shrinks to
// for a long name.
constexpr std::int32_t kTypeNameHeight = 15;
constexpr std::int32_t kSmallestTypeNameHeight = 11;
// The network mark of the input and output modules.
constexpr std::string_view kNetworkLabel = "Vragolin";
// Group numbers come from files; past this many marks a name's row is far
// wider than any sheet, so no more are drawn.
constexpr std::int32_t kMaxGroupMarks = 100;

// The face of a type name on a title strip `room` pixels wide: Arial 15
// bold; a name wider than that ("1/3 Octave Graphic EQ" on a 100-pixel
// body) takes a smaller face, down to 11 pixels, then narrower letters. A
// name that fits in none keeps the full face.
gdi::LOGFONT TypeNameFont(gdi::Canvas& dc, const std::string& name, std::int32_t room) {
    const auto fits = [&](const gdi::LOGFONT& font) {
        dc.SelectFont(font);
        return dc.GetTextExtent(name).cx <= room;
    };
    const gdi::LOGFONT full = gdi::MakeFont("Arial", kTypeNameHeight, gdi::FW_BOLD);
    for (std::int32_t height = kTypeNameHeight; height >= kSmallestTypeNameHeight; --height) {
        const gdi::LOGFONT font = gdi::MakeFont("Arial", height, gdi::FW_BOLD);
        if (fits(font))
            return font;
    }
    gdi::LOGFONT narrow = gdi::MakeFont("Arial", kSmallestTypeNameHeight, gdi::FW_BOLD);
    for (narrow.lfWidth = kSmallestTypeNameHeight / 2; narrow.lfWidth >= 3; --narrow.lfWidth) {
        if (fits(narrow))
            return narrow;
    }
    return full;
}

} // namespace

std::string_view AriTypeName(std::int32_t typeCode) {
    if (typeCode < 0 || typeCode >= static_cast<std::int32_t>(g_szAriTypeName.size()))
        return {};
    return g_szAriTypeName[static_cast<std::size_t>(typeCode)];
}

std::string AriColourSection(std::int32_t typeCode) {
    const std::string_view name = AriTypeName(typeCode);
    if (name.empty())
        return {};
    std::string section = "ARI";
    for (const char c : name)
        section += platform::text::ascii_upper(c);
    return section;
}

CBaseAriModule::CBaseAriModule() {
    m_colours[kBodyColour] = kDefaultBodyColour;
}

CBaseAriModule::CBaseAriModule(std::int32_t id, std::int32_t typeCode, std::int32_t variant)
    : CBaseAriModule() {
    m_id = id;
    m_typeCode = typeCode;
    m_subType = variant;
}

void CBaseAriModule::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << m_order << m_memoryCost << m_timeCost << m_hidden << std::string_view(m_displayName)
           << m_group << std::string_view(m_groupName);
    } else {
        const std::uint32_t schema = ar.GetObjectSchema();
        if (IsKnownSchema(schema)) {
            ar >> m_order >> m_memoryCost >> m_timeCost >> m_hidden >> m_displayName;
            m_group = 0;
            m_groupName.clear();
            if (schema == 2)
                ar >> m_group >> m_groupName;
        }
    }
    ar.SerializeClass(CBaseModule::class_record);
    CBaseModule::Serialize(ar);
}

int CBaseAriModule::HitTest(Point pt) const {
    for (std::size_t i = 0; i < m_channels.size(); ++i)
        if (m_channels[i]->m_rect.PtInRect(pt))
            return static_cast<int>(i);
    return m_body.PtInRect(pt) ? kAriHitBody : kAriHitNothing;
}

void CBaseAriModule::Offset(std::int32_t dx, std::int32_t dy) {
    m_body.OffsetRect(dx, dy);
    const std::size_t n = std::min(
        m_channels.size(), static_cast<std::size_t>(std::max(0, m_inputCount + m_outputCount)));
    for (std::size_t i = 0; i < n; ++i)
        m_channels[i]->m_rect.OffsetRect(dx, dy);
}

void CBaseAriModule::BuildLayout(std::int32_t x, std::int32_t y, const AriLayout& layout) {
    const std::int32_t inputs = std::clamp(layout.inputs, 0, kMaxChannelsPerSide);
    const std::int32_t outputs = std::clamp(layout.outputs, 0, kMaxChannelsPerSide);
    m_inputCount = inputs;
    m_outputCount = outputs;
    m_body = {x, y, x + layout.width, y + 12 * std::max(inputs, outputs) + layout.extra};
    m_channels.clear();
    const Rect& b = m_body;
    for (std::int32_t i = 0; i < inputs; ++i) {
        const std::string name =
            inputs == 1 && !layout.numberLoneChannels ? std::string("In") : format("In %d", i + 1);
        m_channels.push_back(std::make_unique<CDSPChnl>(
            i, m_id, Rect{b.left + 4, b.top + 32 + 12 * i, b.left + 12, b.top + 40 + 12 * i}, name,
            0));
    }
    for (std::int32_t j = 0; j < outputs; ++j) {
        const std::string name = outputs == 1 && !layout.numberLoneChannels
                                     ? std::string("Out")
                                     : format("Out %d", j + 1);
        m_channels.push_back(std::make_unique<CDSPChnl>(
            inputs + j, m_id,
            Rect{b.right - 12, b.top + 32 + 12 * j, b.right - 4, b.top + 40 + 12 * j}, name, 1));
    }
}

void CBaseAriModule::LoadTypeColours(COLORREF typeColourDefault, COLORREF typeNameColour) {
    LoadTypeColours(*ProgramSettings(), typeColourDefault, typeNameColour);
}

void CBaseAriModule::LoadTypeColours(const CProgramSettings& settings, COLORREF typeColourDefault,
                                     COLORREF typeNameColour) {
    m_colours[kTypeColour] = settings.AriTypeColour(m_typeCode).value_or(typeColourDefault);
    m_colours[kTypeNameColour] = typeNameColour;
}

void CBaseAriModule::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    gdi::CanvasStateSaver saved(dc);
    const COLORREF type_colour = m_colours[kTypeColour];
    const Rect r = m_body.Offset(dx, dy).Inflated(1, 1);

    // Body.
    dc.SelectPen(Pen::Solid(1, type_colour));
    dc.SelectBrush(Brush::Solid(m_colours[kBodyColour]));
    dc.Rectangle(r);

    // Drop shadow, two pixels deep along the bottom and the right.
    dc.SelectPen(Pen::Solid(1, kShadowColour));
    dc.MoveTo(r.left + 2, r.bottom);
    dc.LineTo(r.right, r.bottom);
    dc.LineTo(r.right, r.top + 2);
    dc.MoveTo(r.left + 2, r.bottom + 1);
    dc.LineTo(r.right + 1, r.bottom + 1);
    dc.LineTo(r.right + 1, r.top + 2);

    // Title strip.
    dc.SelectPen(Pen::Solid(1, type_colour));
    dc.SelectBrush(Brush::Solid(type_colour));
    dc.Rectangle({r.left + 1, r.top + 1, r.right - 1, r.top + 19});

    // Edge, frame, selection.
    dc.DrawEdge(r, gdi::EDGE_ETCHED, gdi::BF_LEFT | gdi::BF_TOP);
    dc.FrameRect(r, Brush::Solid(gdi::kBlack));
    if (m_selected) {
        const Rect outer = r.Inflated(2, 2);
        dc.FrameRect(outer, Brush::Solid(gdi::kRed));
        dc.FrameRect(outer.Inflated(-1, -1), Brush::Solid(gdi::kRed));
    }

    // Type name, centred (from the left edge when wider than the body).
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(m_colours[kTypeNameColour]);
    dc.SelectFont(TypeNameFont(dc, m_typeName, r.Width() - 4));
    const std::int32_t type_width = dc.GetTextExtent(m_typeName).cx;
    dc.TextOut(type_width > r.Width() ? r.left : r.left + (r.Width() - type_width) / 2, r.top + 2,
               m_typeName);

    // Display name and its group marks, centred together.
    dc.SelectFont(gdi::MakeFont("Arial", 14, gdi::FW_NORMAL));
    dc.SetTextColor(m_colours[kDisplayNameColour]);
    const Size name_size = dc.GetTextExtent(m_displayName);
    const std::int32_t mark = name_size.cy - 4;
    const std::int32_t marks = mark > 0 ? std::clamp(m_group, 0, kMaxGroupMarks) : 0;
    const std::int32_t row_width = name_size.cx + (marks > 0 ? 2 + marks * mark : 0);
    const std::int32_t name_x =
        row_width > r.Width() ? r.left : r.left + (r.Width() - row_width) / 2;
    const std::int32_t name_y = r.top + 18;
    dc.TextOut(name_x, name_y, m_displayName);
    if (marks > 0) {
        dc.SelectPen(Pen::Solid(1, type_colour));
        dc.SelectBrush(Brush::Solid(type_colour));
        for (std::int32_t k = 0; k < marks; ++k) {
            const std::int32_t left = name_x + name_size.cx + 2 + k * mark;
            const std::int32_t top = name_y + 2;
            const Point diamond[4] = {{left + mark / 2, top},
                                      {left + mark, top + mark / 2},
                                      {left + mark / 2, top + mark},
                                      {left, top + mark / 2}};
            dc.Polygon(diamond);
        }
    }

    // Channels.
    const std::size_t n = std::min(
        m_channels.size(), static_cast<std::size_t>(std::max(0, m_inputCount + m_outputCount)));
    for (std::size_t i = 0; i < n; ++i) {
        CBaseChnl* channel = m_channels[i];
        if (channel->IsKindOf(CDSPChnl::class_record))
            static_cast<CDSPChnl*>(channel)->Draw(dc, dx, dy);
    }

    // The network mark of the input and output modules: their signal comes
    // from or goes to the audio network.
    if (m_typeCode == kAriInput || m_typeCode == kAriOutput) {
        const bool input = m_typeCode == kAriInput;
        const std::int32_t left = input ? r.left + 4 : r.right - 12;
        const Rect dot{left, r.top + 32, left + 8, r.top + 40};
        dc.SelectPen(Pen::Solid(1, gdi::kBlack));
        dc.SelectBrush(Brush::Solid(gdi::kGreen));
        dc.Ellipse(dot);
        dc.SelectFont(DspChannelLabelFont(dot.Height()));
        dc.SetTextColor(gdi::kBlack);
        const std::int32_t label_x =
            input ? dot.left + 12 : dot.left - 2 - dc.GetTextExtent(kNetworkLabel).cx;
        dc.TextOut(label_x, dot.top - 2, kNetworkLabel);
    }
}

} // namespace model
