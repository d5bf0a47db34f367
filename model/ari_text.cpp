#include "model/ari_text.h"

#include <algorithm>
#include <vector>

#include "model/ari_support.h"
#include "model/program_settings.h"
#include "platform/gdi/archive_forms.h"

namespace model {

namespace pa = platform::archive;
namespace gdi = platform::gdi;

ARCHIVE_IMPLEMENT_SERIAL(CAriText, CBaseAriModule, kSheetSchema);

namespace {

// Size of a box whose text has no width or no height.
constexpr std::int32_t kEmptyExtent = 10;

// The text dialog writes lines separated by CR LF; an empty text has no line.
std::vector<std::string_view> SplitAtCrLf(std::string_view text) {
    std::vector<std::string_view> lines;
    if (text.empty())
        return lines;
    for (;;) {
        const std::size_t end = text.find("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return lines;
        text.remove_prefix(end + 2);
    }
}

} // namespace

CAriText::CAriText() : m_font(gdi::MakeFont("Arial", 15, gdi::FW_BOLD)) {}

CAriText::CAriText(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriText, variant), m_font(gdi::MakeFont("Arial", 15, gdi::FW_BOLD)) {
    BuildLayout(x, y, {.inputs = 0, .outputs = 0, .width = 100, .extra = 100});
    // Both colours from one snapshot, whatever reloads meanwhile.
    const std::shared_ptr<const CProgramSettings> settings = ProgramSettings();
    LoadTypeColours(*settings, kTextColourDefault, 0);
    m_colours[kBodyColour] = settings->ariTextBackColour;
    m_typeName = "Text";
    m_name = m_displayName = "Text-1";
}

void CAriText::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        SerializeFields(ar, m_text, m_transparent);
        gdi::SerializeLogFont(ar, m_font);
    }
    SerializeAriBase(ar, *this);
}

void CAriText::CopyFrom(const CAriText& other) {
    CopyAriModuleBase(*this, other);
    m_text = other.m_text;
    m_transparent = other.m_transparent;
    m_font = other.m_font;
}

void CAriText::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    gdi::CanvasStateSaver saved(dc);
    dc.SelectFont(m_font);

    const std::vector<std::string_view> lines = SplitAtCrLf(m_text);
    std::vector<std::int32_t> heights;
    std::int32_t widest = 0;
    std::int32_t total = 0;
    for (const std::string_view line : lines) {
        const Size extent = dc.GetTextExtent(line.empty() ? std::string_view(" ") : line);
        widest = std::max(widest, extent.cx);
        total += extent.cy;
        heights.push_back(extent.cy);
    }
    m_body.right = m_body.left + (widest == 0 ? kEmptyExtent : widest + 2);
    m_body.bottom = m_body.top + (total == 0 ? kEmptyExtent : total);

    const Rect r = m_body.Offset(dx, dy).Inflated(-1, -1);
    if (m_transparent == 0)
        dc.FillSolidRect(r, m_colours[kBodyColour]);
    if (m_selected) {
        const Rect outer = r.Inflated(2, 2);
        dc.FrameRect(outer, Brush::Solid(gdi::kRed));
        dc.FrameRect(outer.Inflated(-1, -1), Brush::Solid(gdi::kRed));
    }

    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(m_colours[kTextColour]);
    std::int32_t y = r.top;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        dc.TextOut(r.left, y, lines[i]);
        y += heights[i];
    }
}

} // namespace model
