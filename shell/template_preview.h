#pragma once
// The picture of a whole DSP sheet that the stored-template selection shows,
// without its window.
//
// The sheet's modules and links draw themselves into an off-screen picture
// just large enough for them (a margin of 4 on the top and left, 6 on the
// bottom and right), which is then stretched over the whole control, aspect
// ratio not kept. Modules are drawn from the highest id down, so where two
// overlap the lower id lies on top; hidden modules are left out, though they
// still count for the picture's extent. Without a sheet the control is white
// with text 343 in its middle; a sheet without modules gives a white control.
#include <cstdint>
#include <functional>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/geometry.h"

namespace model {
class CBaseAriModule;
class CBaseLink;
} // namespace model

namespace shell {

// What the preview reads of a DSP sheet; the DSP document implements it.
class IPreviewSheet {
public:
    virtual ~IPreviewSheet() = default;

    // The highest module id the sheet has issued; ids run from 1.
    virtual std::int32_t HighestModuleId() const = 0;
    // The module with that id, or null when there is none.
    virtual model::CBaseAriModule* ModuleById(std::int32_t id) const = 0;
    virtual int LinkCount() const = 0;
    // The link at index 0 .. LinkCount() - 1.
    virtual model::CBaseLink* LinkAt(int index) const = 0;
    virtual platform::gdi::Size SheetSize() const = 0;
};

// Makes an off-screen picture of `size` pixels: hands `draw` a canvas over
// it and returns what was drawn.
using OffscreenPainter = std::function<platform::gdi::Bitmap(
    platform::gdi::Size size, const std::function<void(platform::gdi::Canvas&)>& draw)>;

class CTemplatePreview {
public:
    static constexpr int kNoTemplateText = 343;

    explicit CTemplatePreview(OffscreenPainter offscreen) : m_offscreen(std::move(offscreen)) {}

    // The sheet to show, or null; it must outlive its use here.
    void SetDocument(const IPreviewSheet* sheet) { m_sheet = sheet; }
    const IPreviewSheet* GetDocument() const { return m_sheet; }

    // Covers `client` entirely.
    void Paint(platform::gdi::Canvas& dc, const platform::gdi::Rect& client) const;

private:
    void paint_sheet(platform::gdi::Canvas& dc, const platform::gdi::Rect& client) const;

    OffscreenPainter m_offscreen;
    const IPreviewSheet* m_sheet = nullptr;
};

} // namespace shell
