#include "platform/gdi/mapping.h"

#include <cstdlib>

namespace platform::gdi {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero; wide
// enough that no sheet coordinate overflows on the way.
std::int32_t mul_div(std::int64_t a, std::int64_t b, std::int64_t c) {
    std::int64_t n = a * b;
    if (c < 0) {
        n = -n;
        c = -c;
    }
    const std::int64_t q = (std::llabs(n) + c / 2) / c;
    return static_cast<std::int32_t>(n < 0 ? -q : q);
}

} // namespace

int DeviceMapping::SetMapMode(int mode) {
    if (mode != MM_TEXT && mode != MM_ANISOTROPIC)
        return 0;
    const int old = mode_;
    mode_ = mode;
    return old;
}

Point DeviceMapping::SetWindowOrg(Point org) {
    const Point old = window_org_;
    window_org_ = org;
    return old;
}

Point DeviceMapping::SetViewportOrg(Point org) {
    const Point old = viewport_org_;
    viewport_org_ = org;
    return old;
}

Point DeviceMapping::OffsetViewportOrg(std::int32_t dx, std::int32_t dy) {
    const Point old = viewport_org_;
    viewport_org_.Offset(dx, dy);
    return old;
}

Size DeviceMapping::SetWindowExt(Size ext) {
    const Size old = window_ext_;
    if (mode_ != MM_TEXT && ext.cx != 0 && ext.cy != 0)
        window_ext_ = ext;
    return old;
}

Size DeviceMapping::SetViewportExt(Size ext) {
    const Size old = viewport_ext_;
    if (mode_ != MM_TEXT && ext.cx != 0 && ext.cy != 0)
        viewport_ext_ = ext;
    return old;
}

Point DeviceMapping::LPtoDP(Point p) const {
    const Size we = GetWindowExt(), ve = GetViewportExt();
    return {mul_div(std::int64_t(p.x) - window_org_.x, ve.cx, we.cx) + viewport_org_.x,
            mul_div(std::int64_t(p.y) - window_org_.y, ve.cy, we.cy) + viewport_org_.y};
}

Rect DeviceMapping::LPtoDP(const Rect& r) const {
    return {LPtoDP(r.TopLeft()), LPtoDP(r.BottomRight())};
}

Point DeviceMapping::DPtoLP(Point p) const {
    const Size we = GetWindowExt(), ve = GetViewportExt();
    return {mul_div(std::int64_t(p.x) - viewport_org_.x, we.cx, ve.cx) + window_org_.x,
            mul_div(std::int64_t(p.y) - viewport_org_.y, we.cy, ve.cy) + window_org_.y};
}

Rect DeviceMapping::DPtoLP(const Rect& r) const {
    return {DPtoLP(r.TopLeft()), DPtoLP(r.BottomRight())};
}

double DeviceMapping::ScaleX() const {
    const Size we = GetWindowExt(), ve = GetViewportExt();
    return double(ve.cx) / double(we.cx);
}

double DeviceMapping::ScaleY() const {
    const Size we = GetWindowExt(), ve = GetViewportExt();
    return double(ve.cy) / double(we.cy);
}

double DeviceMapping::OffsetX() const {
    return viewport_org_.x - window_org_.x * ScaleX();
}

double DeviceMapping::OffsetY() const {
    return viewport_org_.y - window_org_.y * ScaleY();
}

} // namespace platform::gdi
