#include "model/dsp_chnl.h"

#include "model/schema.h"

namespace model {

namespace pa = platform::archive;
namespace gdi = platform::gdi;

ARCHIVE_IMPLEMENT_SERIAL(CDSPChnl, CBaseChnl, kSheetSchema);

CDSPChnl::CDSPChnl() {
    m_colour = kColour;
}

CDSPChnl::CDSPChnl(std::int32_t number, std::int32_t moduleId, const Rect& rect, std::string name,
                   std::int32_t direction) {
    m_direction = direction;
    m_number = number;
    m_moduleId = moduleId;
    m_name = std::move(name);
    m_rect = rect;
    m_colour = kColour;
}

void CDSPChnl::Serialize(pa::archive_t& ar) {
    if (ar.IsLoading())
        ar.GetObjectSchema(); // nothing of its own to read under any schema
    ar.SerializeClass(CBaseChnl::class_record);
    CBaseChnl::Serialize(ar);
}

std::unique_ptr<CBaseChnl> CDSPChnl::CreateCopy() const {
    auto copy = std::make_unique<CDSPChnl>();
    copy->CopyFrom(*this);
    return copy;
}

LOGFONT DspChannelLabelFont(std::int32_t dot_height) {
    return gdi::MakeFont("Arial", dot_height + 4, gdi::FW_NORMAL, gdi::DEFAULT_CHARSET,
                         gdi::FF_SWISS);
}

void CDSPChnl::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    gdi::CanvasStateSaver saved(dc);
    const Rect d = m_rect.Offset(dx, dy);
    const COLORREF fill = m_highlighted ? gdi::kRed : m_linkCount > 0 ? gdi::kGreen : gdi::kWhite;
    dc.SelectPen(Pen::Solid(1, m_outlineColour));
    dc.SelectBrush(Brush::Solid(fill));
    dc.Ellipse(d);

    dc.SelectFont(DspChannelLabelFont(d.Height()));
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(m_outlineColour);
    const std::int32_t x =
        m_direction == 0 ? d.left + 12 : d.left - 2 - dc.GetTextExtent(m_name).cx;
    dc.TextOut(x, d.top - 2, m_name);
}

} // namespace model
