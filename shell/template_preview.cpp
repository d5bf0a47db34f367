#include "shell/template_preview.h"

#include <algorithm>

#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "platform/gdi/logfont.h"
#include "resources/string_table.h"

namespace shell {

namespace gdi = platform::gdi;

namespace {

// The picture's margin above and left of the modules; the one below and on
// the right is 10 - 4, room for the drop shadows.
constexpr int kMargin = 4;
constexpr int kExtra = 10;

} // namespace

void CTemplatePreview::Paint(gdi::Canvas& dc, const gdi::Rect& client) const {
    if (m_sheet) {
        paint_sheet(dc, client);
        return;
    }
    dc.FillSolidRect(client, gdi::kWhite);
    gdi::CanvasStateSaver saved(dc);
    dc.SelectFont(gdi::MakeFont("Arial", 15, gdi::FW_BOLD));
    dc.SetTextColor(gdi::kBlack);
    dc.SetBkMode(gdi::TRANSPARENT);
    gdi::Rect rect = client;
    dc.DrawText(resources::LoadString(kNoTemplateText), rect,
                gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX);
}

void CTemplatePreview::paint_sheet(gdi::Canvas& dc, const gdi::Rect& client) const {
    const IPreviewSheet& sheet = *m_sheet;
    const std::int32_t highest = sheet.HighestModuleId();
    const gdi::Size sheet_size = sheet.SheetSize();
    gdi::Rect bounds(sheet_size.cx, sheet_size.cy, 0, 0);
    bool any_module = false;
    for (std::int32_t id = 1; id <= highest; ++id) {
        if (const model::CBaseAriModule* module = sheet.ModuleById(id)) {
            any_module = true;
            bounds.left = std::min(bounds.left, module->m_body.left);
            bounds.top = std::min(bounds.top, module->m_body.top);
            bounds.right = std::max(bounds.right, module->m_body.right);
            bounds.bottom = std::max(bounds.bottom, module->m_body.bottom);
        }
    }
    if (!any_module) {
        dc.FillSolidRect(client, gdi::kWhite);
        return;
    }

    const gdi::Size size(bounds.Width() + kExtra, bounds.Height() + kExtra);
    const std::int32_t dx = kMargin - bounds.left;
    const std::int32_t dy = kMargin - bounds.top;
    const gdi::Bitmap picture = m_offscreen(size, [&](gdi::Canvas& memory) {
        memory.FillSolidRect({{0, 0}, size}, gdi::kWhite);
        // Highest id first: the lower ids end up on top.
        for (std::int32_t id = highest; id >= 1; --id) {
            model::CBaseAriModule* module = sheet.ModuleById(id);
            if (module && module->m_hidden == 0)
                module->Draw(memory, dx, dy);
        }
        for (int i = 0; i < sheet.LinkCount(); ++i)
            if (model::CBaseLink* link = sheet.LinkAt(i))
                link->Draw(memory, dx, dy);
    });
    dc.StretchBitmap(picture, client);
}

} // namespace shell
